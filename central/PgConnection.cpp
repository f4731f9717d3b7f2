// The libpq layer: see PgConnection.h.
#include "central/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <charconv>
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

namespace {

// The server writes numbers in one fixed form ("1.02", "-3", "1e-05", "NaN", "Infinity"), read
// here without the process's locale: a Spanish desktop's decimal comma must not cut "1.02" to 1.
template <typename Number>
Number ParsedNumber(const char* text, int length) {
  Number value{};
  std::from_chars(text, text + length, value);
  return value;
}

}  // namespace

std::int64_t PgResult::Integer(int row, int column) const {
  return ParsedNumber<std::int64_t>(PQgetvalue(result_.get(), row, column),
                                    PQgetlength(result_.get(), row, column));
}

double PgResult::Real(int row, int column) const {
  return ParsedNumber<double>(PQgetvalue(result_.get(), row, column),
                              PQgetlength(result_.get(), row, column));
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
  return CheckedResult();
}

void PgConnection::Execute(const std::string& sql) {
  if (abandoned_) throw ArchiveError(ArchiveError::Kind::kCannotWrite, "the connection was ended");
  // Several statements run in one call; the first to fail stops the rest and is the result.
  if (PQsendQuery(connection_, sql.c_str()) == 0)
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(nullptr, connection_));
  CheckedResult();
}

PgResult PgConnection::CheckedResult() {
  PGresult* result = AwaitResult();
  PgResult owned(result);
  const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(result, connection_));
  return owned;
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

namespace {

// One field of COPY's text format with its escapes undone into `out`; nullopt for NULL (\N).
std::optional<std::string_view> Unescape(std::string_view field, std::string& out) {
  if (field == "\\N") return std::nullopt;
  if (field.find('\\') == std::string_view::npos) return field;
  out.clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char c = field[++i];
    switch (c) {
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'v':
        out += '\v';
        break;
      case 'x': {
        int value = 0, digits = 0;
        while (digits < 2 && i + 1 < field.size() &&
               std::isxdigit(static_cast<unsigned char>(field[i + 1]))) {
          const char h = field[++i];
          value = value * 16 + (std::isdigit(static_cast<unsigned char>(h))
                                    ? h - '0'
                                    : (std::tolower(h) - 'a' + 10));
          ++digits;
        }
        out += static_cast<char>(value);
        break;
      }
      default:
        if (c >= '0' && c <= '7') {
          int value = c - '0', digits = 1;
          while (digits < 3 && i + 1 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '7') {
            value = value * 8 + (field[++i] - '0');
            ++digits;
          }
          out += static_cast<char>(value);
        } else {
          out += c;  // \\ and any other escaped character stand for themselves
        }
    }
  }
  return std::string_view(out);
}

}  // namespace

void PgConnection::AwaitInput() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + replyTimeout_;
  for (;;) {
    pollfd wait{PQsocket(connection_), POLLIN, 0};
    const int ready = poll(&wait, 1, 200);
    const bool stop = interrupted_ && interrupted_();
    if (stop || (ready == 0 && Clock::now() > deadline)) {
      Abandon(stop ? "stopped while waiting for the server"
                   : "the server did not answer for " +
                         std::to_string(replyTimeout_.count() / 1000) + " s");
    }
    if (ready > 0) {
      if (PQconsumeInput(connection_) == 0)
        throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(nullptr, connection_));
      return;
    }
  }
}

void PgConnection::CopyOut(const std::string& query, const CopyRow& row) {
  if (abandoned_) throw ArchiveError(ArchiveError::Kind::kCannotWrite, "the connection was ended");
  if (PQsendQuery(connection_, ("COPY (" + query + ") TO STDOUT").c_str()) == 0)
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, MessageOf(nullptr, connection_));
  while (PQisBusy(connection_) != 0) AwaitInput();
  {
    // A failed statement gives its error here, and COPY has not begun.
    PGresult* started = PQgetResult(connection_);
    PgResult owned(started);
    if (started == nullptr || PQresultStatus(started) != PGRES_COPY_OUT) {
      const std::string message = MessageOf(started, connection_);
      while (PGresult* rest = PQgetResult(connection_)) PQclear(rest);
      throw ArchiveError(ArchiveError::Kind::kCannotWrite, message);
    }
  }
  std::vector<std::optional<std::string_view>> fields;
  std::vector<std::string> unescaped;
  for (;;) {
    char* buffer = nullptr;
    const int length = PQgetCopyData(connection_, &buffer, 1);
    if (length == 0) {
      AwaitInput();
      continue;
    }
    if (length < 0) break;  // done (-1) or failed (-2): the result says which
    std::string_view line(buffer, static_cast<std::size_t>(length));
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    fields.clear();
    // Room for every field's unescaped text first: the views below point into it.
    const std::size_t count =
        static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
    if (unescaped.size() < count) unescaped.resize(count);
    std::size_t field = 0;
    for (std::size_t begin = 0;; ++field) {
      const std::size_t tab = line.find('\t', begin);
      fields.push_back(Unescape(
          line.substr(begin, tab == std::string_view::npos ? std::string_view::npos : tab - begin),
          unescaped[field]));
      if (tab == std::string_view::npos) break;
      begin = tab + 1;
    }
    try {
      row(fields);
    } catch (...) {
      PQfreemem(buffer);
      throw;
    }
    PQfreemem(buffer);
  }
  CheckedResult();
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
