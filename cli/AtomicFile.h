// The command-line tool's file access: whole-file-or-nothing writing (see data/WholeFileWriter.h)
// and reading, with failures worded for the terminal.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A write refused because the target is the download archive or one of its side files: a mistake
// on the command line, reported as such.
class DatabaseTargetError : public FileError {
 public:
  using FileError::FileError;
};

// The message for a refused database target.
std::string DatabaseTargetText(const std::string& path);

// Throws DatabaseTargetError when the target is a database (nothing is written), FileError with
// the path and the reason otherwise; the target is then left as it was. A symbolic link is
// followed; a target that is not a regular file is refused.
void WriteFileAtomically(const std::string& path, std::string_view content);
// Reads a whole file. Throws FileError.
std::string ReadWholeFile(const std::string& path);

// A file longer than the reader's limit: nothing of it is kept.
class FileTooLargeError : public FileError {
 public:
  using FileError::FileError;
};

// Reads a whole file of at most `limit` bytes. Throws FileTooLargeError past the limit (a device
// such as /dev/zero is refused before it fills the memory), FileError otherwise.
std::string ReadWholeFile(const std::string& path, std::size_t limit);
