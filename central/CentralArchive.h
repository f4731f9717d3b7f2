// The central archive on its database server read as an ArchiveReader: every station's downloads,
// alarms, calibrations and audit trails side by side. Opening checks that the database holds a
// central archive this program reads; nothing on the server changes.
#pragma once

#include <memory>
#include <string>

#include "archive/ArchiveReader.h"

// Throws ArchiveError (kCannotOpen when the server cannot be reached, kNotAnArchive when the
// database holds no central archive), std::invalid_argument for a URL carrying a password.
std::unique_ptr<ArchiveReader> OpenCentralArchive(const std::string& url);

// The archive at `location`: the central archive for a postgresql:// URL, else the archive file.
std::unique_ptr<ArchiveReader> OpenArchiveReader(const std::string& location);
