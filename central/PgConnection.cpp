// The libpq layer: see PgConnection.h.
#include "central/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The server's message with its SQL state, which callers find again with SqlStateOf.
std::string MessageOf(const PGresult* result, const PGconn* connection) {
  std::string message = result != nullptr ? PQresultErrorMessage(result) : "";
  if (message.empty() && connection != nullptr) message = PQerrorMessage(connection);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  if (state != nullptr && *state != '\0') message += std::string(" [SQLSTATE ") + state + "]";
  return message;
}

}  // namespace

std::string SqlStateOf(const ArchiveError& error) {
  const std::string text = error.what();
  const std::string marker = "[SQLSTATE ";
  const auto at = text.rfind(marker);
  if (at == std::string::npos || text.size() < at + marker.size() + 5) return "";
  return text.substr(at + marker.size(), 5);
}

PgResult::PgResult(pg_result* result) : result_(result, PQclear) {}

int PgResult::rows() const {
  return PQntuples(result_.get());
}

bool PgResult::IsNull(int row, int column) const {
  return PQgetisnull(result_.get(), row, column) != 0;
}

std::string PgResult::Text(int row, int column) const {
  return std::string(PQgetvalue(result_.get(), row, column),
                     static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

std::int64_t PgResult::Integer(int row, int column) const {
  return std::strtoll(PQgetvalue(result_.get(), row, column), nullptr, 10);
}

double PgResult::Real(int row, int column) const {
  return std::strtod(PQgetvalue(result_.get(), row, column), nullptr);
}

std::string_view PgResult::Bytes(int row, int column) const {
  return {PQgetvalue(result_.get(), row, column),
          static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

PgConnection::PgConnection(const std::string& url) {
  // Defaults first: a later setting wins, so the URL's own settings take their place.
  const char* keywords[] = {
      "connect_timeout",  "keepalives",       "keepalives_idle", "keepalives_interval",
      "keepalives_count", "application_name", "dbname",          nullptr};
  const char* values[] = {"10", "1", "15", "5", "3", "velmorante", url.c_str(), nullptr};
  connection_ = PQconnectdbParams(keywords, values, 1);
  if (connection_ == nullptr)
    throw ArchiveError(ArchiveError::Kind::kCannotOpen, "out of memory connecting to the server");
  if (PQstatus(connection_) != CONNECTION_OK) {
    const std::string message = MessageOf(nullptr, connection_);
    PQfinish(connection_);
    connection_ = nullptr;
    throw ArchiveError(ArchiveError::Kind::kCannotOpen, message);
  }
  // Times and texts in one fixed form whatever the server's settings.
  Execute("SET client_encoding = 'UTF8'; SET TIME ZONE 'UTC'");
}

PgConnection::~PgConnection() {
  if (connection_ != nullptr) PQfinish(connection_);
}

PgResult PgConnection::Run(const std::string& sql, const std::vector<PgParam>& params,
                           bool binaryResults) {
  if (abandoned_) throw ArchiveError(ArchiveError::Kind::kCannotWrite, "the connection was ended");
  std::vector<const char*> values;
  std::vector<int> lengths;
  std::vector<int> formats;
  for (const PgParam& param : params) {
    values.push_back(param.value ? param.value->data() : nullptr);
    lengths.push_back(param.value ? static_cast<int>(param.value->size()) : 0);
    formats.push_back(param.binary ? 1 : 0);
  }
  if (PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(params.size()), nullptr,
                        values.data(), lengths.data(), formats.data(),
                        binaryResults ? 1 : 0) == 0) {
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(nullptr, connection_));
  }
  PGresult* result = AwaitResult();
  PgResult owned(result);
  const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(result, connection_));
  return owned;
}

void PgConnection::Execute(const std::string& sql) {
  if (abandoned_) throw ArchiveError(ArchiveError::Kind::kCannotWrite, "the connection was ended");
  // Several statements run in one call; the first to fail stops the rest and is the result.
  if (PQsendQuery(connection_, sql.c_str()) == 0)
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(nullptr, connection_));
  PGresult* result = AwaitResult();
  PgResult owned(result);
  const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(result, connection_));
}

PGresult* PgConnection::AwaitResult() {
  using Clock = std::chrono::steady_clock;
  const auto succeeded = [](const PGresult* result) {
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  };
  PGresult* kept = nullptr;  // the last result, or the first that failed
  for (;;) {
    Clock::time_point deadline = Clock::now() + replyTimeout_;
    while (PQisBusy(connection_) != 0) {
      pollfd wait{PQsocket(connection_), POLLIN, 0};
      const int ready = poll(&wait, 1, 200);
      const bool stop = interrupted_ && interrupted_();
      if (stop || (ready == 0 && Clock::now() > deadline)) {
        if (kept != nullptr) PQclear(kept);
        Abandon(stop ? "stopped while waiting for the server"
                     : "the server did not answer for " +
                           std::to_string(replyTimeout_.count() / 1000) + " s");
      }
      if (ready > 0) {
        // A broken connection: the result that follows says so.
        if (PQconsumeInput(connection_) == 0) break;
        deadline = Clock::now() + replyTimeout_;
      }
    }
    PGresult* next = PQgetResult(connection_);
    if (next == nullptr) return kept;
    if (kept != nullptr && !succeeded(kept)) {
      PQclear(next);
    } else {
      if (kept != nullptr) PQclear(kept);
      kept = next;
    }
  }
}

void PgConnection::Abandon(const std::string& why) {
  // The statement may still run on the server; its transaction ends with the connection.
  abandoned_ = true;
  PQfinish(connection_);
  connection_ = nullptr;
  throw ArchiveError(ArchiveError::Kind::kCannotWrite, why);
}

int PgConnection::BackendPid() const {
  return PQbackendPID(connection_);
}

bool PgConnection::Broken() const {
  return abandoned_ || PQstatus(connection_) != CONNECTION_OK;
}

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) {
  connection_.Run("BEGIN");
}

PgTransaction::~PgTransaction() {
  if (!open_ || connection_.Broken()) return;
  try {
    connection_.Run("ROLLBACK");
  } catch (const ArchiveError&) {
    // The transaction ends with the connection anyway.
  }
}

void PgTransaction::Commit() {
  connection_.Run("COMMIT");
  open_ = false;
}
