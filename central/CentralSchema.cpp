// The central archive's schema: see CentralSchema.h. The SQL text itself is
// velmorante-central.sql, built into the program.
#include "central/CentralSchema.h"

#include <libpq-fe.h>

#include <memory>
#include <stdexcept>

#include "central/CentralSchemaText.h"
#include "central/PgConnection.h"

const char* CentralSchemaSql() {
  return kCentralSchemaText;
}

void InitCentralArchive(PgConnection& connection) {
  PgTransaction transaction(connection);
  // Two owners running it at once take turns instead of failing on each other's tables.
  connection.Run("SELECT pg_advisory_xact_lock(7061726)");
  connection.Execute(CentralSchemaSql());
  transaction.Commit();
  CheckCentralArchive(connection);
}

void CheckCentralArchive(PgConnection& connection) {
  const PgResult found = connection.Run("SELECT to_regclass('central_schema') IS NOT NULL");
  if (found.Text(0, 0) != "t") {
    throw ArchiveError(ArchiveError::Kind::kNotAnArchive,
                       "the database holds no central archive; its owner sets it up with "
                       "velmorante-cli central init");
  }
  const PgResult version = connection.Run("SELECT coalesce(max(version), 0) FROM central_schema");
  const std::int64_t number = version.Integer(0, 0);
  if (number > kCentralSchemaVersion) {
    throw ArchiveError(
        ArchiveError::Kind::kNewerVersion,
        "the central archive was made by a newer program (version " + std::to_string(number) + ")");
  }
  if (number < 1) {
    throw ArchiveError(ArchiveError::Kind::kNotAnArchive,
                       "the central archive was not set up completely; run velmorante-cli "
                       "central init again");
  }
}

bool IsCentralLocation(const std::string& location) {
  return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

void CheckCentralUrl(const std::string& url) {
  char* error = nullptr;
  std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
      PQconninfoParse(url.c_str(), &error), PQconninfoFree);
  if (!options) {
    std::string message = error != nullptr ? error : "not a connection string";
    PQfreemem(error);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    throw std::invalid_argument(message);
  }
  for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
    if (std::string(option->keyword) == "password" && option->val != nullptr &&
        *option->val != '\0') {
      throw std::invalid_argument(
          "the URL carries a password; put it in ~/.pgpass or PGPASSWORD instead");
    }
  }
}
