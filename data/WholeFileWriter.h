// Writes a whole file or nothing. The text goes to a temporary file beside the target, which
// replaces the target only once every byte is on the disk; on any failure the temporary file is
// removed and the target is left exactly as it was. Shared by the data window and the command-line
// tool, which each word the failure in their own language.
#pragma once

#include <functional>
#include <string>
#include <string_view>

enum class WriteFailure {
  kNone,
  kNotARegularFile,  // a directory, device node, FIFO or socket stands at the path
  kResolveLink,      // a symbolic link that could not be followed (a loop, an unreadable link)
  kCreate,           // the temporary file could not be made beside the target
  kWrite,            // writing or flushing the bytes failed (disk full, file-size limit, I/O)
  kReplace,          // the finished file could not take the target's place
  kDatabase,         // the target is a database (the download archive) or one of its side files
};

struct WriteResult {
  WriteFailure failure = WriteFailure::kNone;
  int error = 0;       // errno of the failing call; EISDIR for a directory in the way
  std::string target;  // the file written to: the final target when the path is a symbolic link

  bool ok() const { return failure == WriteFailure::kNone; }
};

// True when `path` (links followed) is an SQLite database, its write-ahead log or shared-memory
// file, or its rollback journal: the download archive and its side files are never replaced by a
// table, an export, a report or a capture, whichever name or link leads to them. A side file counts
// by its name beside a database even when it does not exist at the moment.
bool IsDatabaseFile(const std::string& path);

// Writes `content` to `path`. A symbolic link is followed (the link stays and its target gets the
// new text). Anything but a regular file at the target is refused, and so is a database file
// (IsDatabaseFile). A replaced file keeps its
// permission bits and, where the system allows it, its owner and group; a new file gets 0644.
WriteResult WriteWholeFile(const std::string& path, std::string_view content);

// Takes one piece of a file's content, in order.
using WritePiece = std::function<void(std::string_view piece)>;
// The same, for a content too large to hold at once: `produce` hands it over piece by piece to the
// WritePiece it is given. The file is still whole or not there at all.
WriteResult WriteWholeFile(const std::string& path,
                           const std::function<void(const WritePiece&)>& produce);
