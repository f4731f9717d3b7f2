// An archive file read as an ArchiveReader: opened read-only, nothing in it changes, and a missing
// file reads as an empty archive.
#pragma once

#include <memory>
#include <string>

#include "archive/ArchiveReader.h"

std::unique_ptr<ArchiveReader> OpenLocalArchiveReader(const std::string& path);
