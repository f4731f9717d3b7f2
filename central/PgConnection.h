// A small owning layer over libpq: one connection to the central archive's server, statements run
// with their parameters passed apart from the text (never spliced into it), results that free
// themselves, and every failure turned into an ArchiveError carrying the server's own message.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveError.h"

struct pg_conn;
struct pg_result;

// One statement parameter: text, binary bytes (a bytea), or SQL NULL.
struct PgParam {
  std::optional<std::string> value;
  bool binary = false;
  static PgParam Text(std::string text) { return {std::move(text), false}; }
  static PgParam Bytes(std::string bytes) { return {std::move(bytes), true}; }
  static PgParam Integer(std::int64_t number) { return {std::to_string(number), false}; }
  static PgParam Null() { return {}; }
  // Empty text as NULL.
  static PgParam TextOrNull(const std::string& text) { return text.empty() ? Null() : Text(text); }
};

// The rows a statement gave; every value read as text (bytea as its bytes).
class PgResult {
 public:
  explicit PgResult(pg_result* result);
  int rows() const;
  bool IsNull(int row, int column) const;
  std::string Text(int row, int column) const;
  std::int64_t Integer(int row, int column) const;
  double Real(int row, int column) const;
  // A bytea column read in binary form.
  std::string_view Bytes(int row, int column) const;

 private:
  std::shared_ptr<pg_result> result_;
};

class PgConnection {
 public:
  // Connects to `url` (a postgresql:// URL or a key=value connection string). Passwords come
  // only from libpq's own places (PGPASSWORD, ~/.pgpass, a service file); a time-out and TCP
  // keep-alives are set unless the URL sets them, so that a lost server never hangs a program.
  // Throws ArchiveError (kCannotOpen).
  explicit PgConnection(const std::string& url);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Runs `sql` with `params` ($1, $2 ...); bytea results come back in binary when `binaryResults`.
  // Waits for the server's reply no longer than the reply time-out, and not past the interrupt:
  // either ends the connection. Throws ArchiveError (kCannotWrite) with the server's message and
  // SQL state.
  PgResult Run(const std::string& sql, const std::vector<PgParam>& params = {},
               bool binaryResults = false);
  // Runs one or more statements without parameters. Throws ArchiveError.
  void Execute(const std::string& sql);
  // Streams the rows of `query` (a SELECT without parameters) through COPY, much faster than
  // Run for many rows: `row` gets each row's fields, unescaped, nullopt for NULL. Waits as Run
  // does. Throws ArchiveError.
  using CopyRow = std::function<void(const std::vector<std::optional<std::string_view>>& fields)>;
  void CopyOut(const std::string& query, const CopyRow& row);
  // What ends a wait for the server early (checked a few times a second), and how long the server
  // may stay silent during one statement; a server that stopped answering without closing the
  // connection then costs no more than that.
  void SetInterrupt(std::function<bool()> interrupted) { interrupted_ = std::move(interrupted); }
  void SetReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }

  // The server process serving this connection.
  int BackendPid() const;
  // Whether the connection still stands (as libpq last saw it).
  bool Broken() const;

 private:
  // Waits for every result of the statement sent; the last one, or the first that failed.
  pg_result* AwaitResult();
  // The statement's result, or its failure thrown as an ArchiveError.
  PgResult CheckedResult();
  // Waits until input arrives (or the interrupt, or the reply time-out, which end the connection).
  void AwaitInput();
  [[noreturn]] void Abandon(const std::string& why);

  pg_conn* connection_ = nullptr;
  bool abandoned_ = false;
  std::function<bool()> interrupted_;
  std::chrono::milliseconds replyTimeout_{120000};
};

// BEGIN at construction, ROLLBACK at destruction unless committed (nothing is sent when the
// connection is already broken).
class PgTransaction {
 public:
  explicit PgTransaction(PgConnection& connection);
  ~PgTransaction();
  PgTransaction(const PgTransaction&) = delete;
  PgTransaction& operator=(const PgTransaction&) = delete;
  void Commit();

 private:
  PgConnection& connection_;
  bool open_ = true;
};

// The SQL state of an ArchiveError raised by the server ("42501" for a refused privilege), or
// empty.
std::string SqlStateOf(const ArchiveError& error);
