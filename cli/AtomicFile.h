// The command-line tool's file access: whole-file-or-nothing writing (see data/WholeFileWriter.h)
// and reading, with failures worded for the terminal.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/WholeFileWriter.h"

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
// followed. A terminal, pipe or other character device given by name (/dev/stdout, /dev/fd/3, a
// FIFO, /dev/null) gets the content streamed to it as it comes, as a program's output; any other
// target that is not a regular file (a directory, a disk) is refused.
void WriteFileAtomically(const std::string& path, std::string_view content);
// The same, with the content handed over piece by piece by `produce` (see WholeFileWriter.h).
void WriteFileAtomically(const std::string& path,
                         const std::function<void(const WritePiece&)>& produce);
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
