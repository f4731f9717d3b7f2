// Reading the first bytes of a file that may be an SQLite database in use by this very process.
//
// On Linux, closing any descriptor of a file drops every POSIX lock the process holds on it,
// SQLite's included: a plain open/read/close of a database that this process has connections to
// leaves those connections unprotected, and another process may then take the database for unused
// and delete its write-ahead log under them. SQLite's own file layer knows this and keeps a closed
// descriptor open until the process's locks on the file are released, so the bytes are read
// through it whenever SQLite is loaded in the process; a process without SQLite holds no such
// locks, and reads the file plainly.
#pragma once

#include <cstddef>
#include <string>

// The file's size and up to `size` of its first bytes, or false when it cannot be read (errno is
// then set). `size` is at most what the caller's buffer holds.
struct FileHead {
  std::size_t read = 0;    // bytes placed in the buffer
  long long fileSize = 0;  // the whole file's size at the time of reading
};
bool ReadFileHead(const std::string& path, unsigned char* buffer, std::size_t size, FileHead& head);
