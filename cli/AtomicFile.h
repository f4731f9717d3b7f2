// The command-line tool's file access: whole-file-or-nothing writing (see data/WholeFileWriter.h)
// and reading, with failures worded for the terminal.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws FileError with the path and the reason; the target is then left as it was. A symbolic
// link is followed; a target that is not a regular file is refused.
void WriteFileAtomically(const std::string& path, std::string_view content);
// Reads a whole file. Throws FileError.
std::string ReadWholeFile(const std::string& path);
