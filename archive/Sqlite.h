// A small owning layer over SQLite's C interface: the connection and the prepared statements close
// themselves, and every failing call becomes an ArchiveError carrying SQLite's own message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/ArchiveError.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteConnection {
 public:
  SqliteConnection() = default;
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Opens `path` with SQLite's open flags. Throws ArchiveError (kCannotOpen).
  void Open(const std::string& path, int flags);
  void Close();
  // Runs one or more statements that return no rows. Throws ArchiveError.
  void Execute(const char* sql);
  sqlite3* handle() const { return db_; }
  bool IsReadOnly() const;

  // The ArchiveError for SQLite's result `code`, with the connection's message after `what`.
  ArchiveError Error(int code, const std::string& what) const;

 private:
  sqlite3* db_ = nullptr;
};

// A statement prepared once and run many times. Run it inside a Use, which resets it (and so ends
// its read of the database) however the use ends.
class SqliteStatement {
 public:
  SqliteStatement() = default;
  SqliteStatement(const SqliteConnection& connection, const char* sql);
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;

  class Use {
   public:
    explicit Use(SqliteStatement& statement) : statement_(statement) {}
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

   private:
    SqliteStatement& statement_;
  };

  void Bind(int index, std::int64_t value);
  void BindText(int index, std::string_view text);
  void BindBlob(int index, std::string_view bytes);
  void BindReal(int index, double value);
  // True when a row is ready, false when the statement is done. Throws ArchiveError.
  bool Step();

  std::int64_t Integer(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;
  std::string_view Blob(int column) const;  // valid until the next Step or reset
  bool IsNull(int column) const;

 private:
  const SqliteConnection* connection_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE at construction (waiting out another writer up to the busy time-out); rolled back
// at destruction unless committed.
class SqliteWriteTransaction {
 public:
  explicit SqliteWriteTransaction(SqliteConnection& connection);
  ~SqliteWriteTransaction();
  SqliteWriteTransaction(const SqliteWriteTransaction&) = delete;
  SqliteWriteTransaction& operator=(const SqliteWriteTransaction&) = delete;
  void Commit();

 private:
  SqliteConnection& connection_;
  bool open_ = true;
};
