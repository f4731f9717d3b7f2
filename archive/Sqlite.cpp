#include "archive/Sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace {

ArchiveError::Kind KindOf(int code) {
  switch (code & 0xff) {
    case SQLITE_NOTADB:
      return ArchiveError::Kind::kNotAnArchive;
    case SQLITE_CORRUPT:
      return ArchiveError::Kind::kDamaged;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ArchiveError::Kind::kCannotOpen;
    default:
      return ArchiveError::Kind::kCannotWrite;
  }
}

}  // namespace

SqliteConnection::~SqliteConnection() {
  Close();
}

void SqliteConnection::Open(const std::string& path, int flags) {
  Close();
  const int code = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_EXRESCODE, nullptr);
  if (code != SQLITE_OK) {
    const std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    Close();
    throw ArchiveError(KindOf(code) == ArchiveError::Kind::kCannotWrite
                           ? ArchiveError::Kind::kCannotOpen
                           : KindOf(code),
                       "cannot open " + path + ": " + detail);
  }
  sqlite3_extended_result_codes(db_, 1);
}

void SqliteConnection::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteConnection::Execute(const char* sql) {
  char* message = nullptr;
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
  if (code != SQLITE_OK) {
    const std::string detail = message ? message : sqlite3_errstr(code);
    sqlite3_free(message);
    throw ArchiveError(KindOf(code), detail);
  }
}

bool SqliteConnection::IsReadOnly() const {
  return sqlite3_db_readonly(db_, "main") == 1;
}

ArchiveError SqliteConnection::Error(int code, const std::string& what) const {
  return ArchiveError(KindOf(code),
                      what + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code)));
}

SqliteStatement::SqliteStatement(const SqliteConnection& connection, const char* sql)
    : connection_(&connection) {
  const int code = sqlite3_prepare_v3(connection.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT,
                                      &statement_, nullptr);
  if (code != SQLITE_OK) throw connection.Error(code, "cannot prepare a query");
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : connection_(other.connection_), statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    connection_ = other.connection_;
    statement_ = std::exchange(other.statement_, nullptr);
  }
  return *this;
}

SqliteStatement::Use::~Use() {
  sqlite3_reset(statement_.statement_);
  sqlite3_clear_bindings(statement_.statement_);
}

void SqliteStatement::Bind(int index, std::int64_t value) {
  const int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) throw connection_->Error(code, "cannot bind a value");
}

void SqliteStatement::BindText(int index, std::string_view text) {
  const int code = sqlite3_bind_text64(statement_, index, text.data(), text.size(),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
  if (code != SQLITE_OK) throw connection_->Error(code, "cannot bind a text");
}

void SqliteStatement::BindBlob(int index, std::string_view bytes) {
  // A zero-length blob still binds as a blob, not as NULL.
  const int code = bytes.empty() ? sqlite3_bind_zeroblob(statement_, index, 0)
                                 : sqlite3_bind_blob64(statement_, index, bytes.data(),
                                                       bytes.size(), SQLITE_STATIC);
  if (code != SQLITE_OK) throw connection_->Error(code, "cannot bind a blob");
}

void SqliteStatement::BindReal(int index, double value) {
  const int code = sqlite3_bind_double(statement_, index, value);
  if (code != SQLITE_OK) throw connection_->Error(code, "cannot bind a number");
}

bool SqliteStatement::Step() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  throw connection_->Error(code, "the archive cannot be read or written");
}

std::int64_t SqliteStatement::Integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::Real(int column) const {
  return sqlite3_column_double(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
              : std::string();
}

std::string_view SqliteStatement::Blob(int column) const {
  const void* data = sqlite3_column_blob(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size))
              : std::string_view();
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

SqliteWriteTransaction::SqliteWriteTransaction(SqliteConnection& connection)
    : connection_(connection) {
  connection_.Execute("BEGIN IMMEDIATE");
}

SqliteWriteTransaction::~SqliteWriteTransaction() {
  if (!open_) return;
  try {
    connection_.Execute("ROLLBACK");
  } catch (const ArchiveError&) {
    // SQLite has already rolled back after the error that brought us here.
  }
}

void SqliteWriteTransaction::Commit() {
  connection_.Execute("COMMIT");
  open_ = false;
}
