// Writes a whole file or nothing: the text goes to a temporary file beside the target, which is
// renamed over the target only when every byte is on disk.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws FileError with the path and the system's reason; the target is then left as it was.
void WriteFileAtomically(const std::string& path, std::string_view content);
// Reads a whole file. Throws FileError.
std::string ReadWholeFile(const std::string& path);
