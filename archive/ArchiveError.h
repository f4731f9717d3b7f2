// The one error the download archive raises: what kind of problem it is (so that each program can
// say it in its own language) and the detail in the words of the system or the database.
#pragma once

#include <stdexcept>
#include <string>

class ArchiveError : public std::runtime_error {
 public:
  enum class Kind {
    kNotAnArchive,  // the file holds something else: left alone
    kDamaged,       // the file is an archive, but truncated or corrupt: left alone
    kNewerVersion,  // written by a newer program: left alone
    kCannotOpen,    // missing permission, a folder that cannot be made, not a regular file
    kCannotWrite,   // read-only, disk full, input/output error, locked for too long
    kNoSuchRecord,  // the asked record is not in the archive
  };

  ArchiveError(Kind kind, const std::string& detail) : std::runtime_error(detail), kind_(kind) {}
  Kind kind() const { return kind_; }
  // True when the file is there but is not usable as it stands; it must never be written to.
  bool FileIsUnusable() const {
    return kind_ == Kind::kNotAnArchive || kind_ == Kind::kDamaged || kind_ == Kind::kNewerVersion;
  }

 private:
  Kind kind_;
};
