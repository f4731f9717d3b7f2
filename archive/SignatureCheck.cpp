// Recomputing each signature's data hash and comparing it and its audit entry with the signature.
#include "archive/SignatureCheck.h"

#include <sqlite3.h>

#include <exception>
#include <nlohmann/json.hpp>
#include <optional>

#include "archive/DownloadArchive.h"
#include "archive/SignedData.h"
#include "archive/Sqlite.h"

namespace {

bool HasSignatures(SqliteConnection& connection) {
  SqliteStatement query(connection,
                        "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'signatures'");
  SqliteStatement::Use use(query);
  return query.Step();
}

std::optional<std::string> OptionalText(const SqliteStatement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.Text(column);
}

// What is wrong with the audit entry of a signature; empty when it records this signing.
std::string AuditProblem(const std::optional<std::string>& action,
                         const std::optional<std::string>& object,
                         const std::optional<std::string>& newValue, const std::string& target,
                         const std::string& meaning, const std::string& signer,
                         const std::string& dataSha256) {
  if (!action) return "its audit entry is missing";
  if (*action != "sign") return "its audit entry records '" + *action + "', not a signing";
  if (object.value_or("") != target) return "its audit entry names " + object.value_or("nothing");
  const nlohmann::json value = nlohmann::json::parse(newValue.value_or(""), nullptr, false);
  if (!value.is_object()) return "its audit entry holds no signing details";
  // The entry's values as they are stored: one of another kind (a number) names nothing.
  const auto text = [&](const char* key) -> std::optional<std::string> {
    const auto found = value.find(key);
    if (found == value.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
  };
  const std::optional<std::string> named = text("data_sha256");
  if (!named) {
    const auto found = value.find("data_sha256");
    if (found == value.end()) return "its audit entry names no data hash";
    return "its audit entry holds " +
           found->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
           " where the data hash belongs";
  }
  if (*named != dataSha256) return "its audit entry names the data hash " + *named;
  if (text("meaning") != meaning || text("signer") != signer)
    return "its audit entry names another signer or meaning";
  return {};
}

// Checks the signature in `query` against its audit entry and the data it signed, adding what does
// not match to `problems`; `data` is the archive the data are read from, opened on first use.
void CheckSignature(const SqliteStatement& query, const std::string& name, const char* path,
                    std::optional<DownloadArchive>& data, std::vector<std::string>& problems) {
  const SignTarget target =
      query.IsNull(1) ? SignTarget::StationPeriod(query.Text(2), query.Text(3), query.Text(4))
                      : SignTarget::Download(query.Integer(1));
  const std::string targetText = SignTargetText(target);
  const std::string kept = query.Text(7);
  const std::string audit =
      AuditProblem(OptionalText(query, 8), OptionalText(query, 9), OptionalText(query, 10),
                   targetText, query.Text(5), query.Text(6), kept);
  if (!audit.empty()) problems.push_back(name + " (" + targetText + "): " + audit);
  if (!data) data.emplace(path != nullptr ? path : "", ArchiveAccess::kReadOnly);
  try {
    const std::string now = SignedDataSha256(*data, target);
    if (now != kept) {
      problems.push_back(name + " (" + targetText + "): the data no longer match the signed " +
                         "hash (signed " + kept + ", now " + now + ")");
    }
  } catch (const ArchiveError& error) {
    problems.push_back(name + " (" + targetText + "): its data are gone: " + error.what());
  } catch (const std::invalid_argument& error) {
    problems.push_back(name + " (" + targetText + "): " + error.what());
  }
}

}  // namespace

std::vector<std::string> CheckSignatures(SqliteConnection& connection) {
  std::vector<std::string> problems;
  if (!HasSignatures(connection)) return problems;
  const char* path = sqlite3_db_filename(connection.handle(), "main");
  std::optional<DownloadArchive> data;
  SqliteStatement query(
      connection,
      "SELECT s.id, s.download_id, s.station, s.period_from, s.period_to, s.meaning, s.signer,"
      " s.data_sha256, a.action, a.object, a.new_value"
      " FROM signatures s LEFT JOIN audit_entries a ON a.id = s.audit_id ORDER BY s.id");
  SqliteStatement::Use use(query);
  while (query.Step()) {
    const std::string name = "signature " + std::to_string(query.Integer(0));
    try {
      CheckSignature(query, name, path, data, problems);
    } catch (const ArchiveError&) {
      throw;  // the file, not this signature
    } catch (const std::exception& error) {
      // A stored value that cannot be read is this signature's problem; the others are checked.
      problems.push_back(name + ": " + error.what());
    }
  }
  return problems;
}
