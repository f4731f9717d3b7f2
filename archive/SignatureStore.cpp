// Writing signatures with their audit entries, and reading them back.
#include "archive/SignatureStore.h"

#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include "archive/DownloadArchive.h"
#include "archive/SignedData.h"
#include "archive/Sqlite.h"

namespace {

AuditChange SignChange(AuditAction action, const SignTarget& target, SignMeaning meaning,
                       const std::string& signer, const std::string& dataSha256) {
  nlohmann::ordered_json value = {{"meaning", SignMeaningCode(meaning)}, {"signer", signer}};
  if (!dataSha256.empty()) value["data_sha256"] = dataSha256;
  AuditChange change;
  change.action = action;
  change.station = target.station;
  change.object = SignTargetText(target);
  change.newValue = value.dump();
  return change;
}

std::string AuditTime(SqliteConnection& connection, std::int64_t auditId) {
  SqliteStatement query(connection, "SELECT at_utc FROM audit_entries WHERE id = ?");
  SqliteStatement::Use use(query);
  query.Bind(1, auditId);
  return query.Step() ? query.Text(0) : std::string();
}

}  // namespace

SignatureStore::SignatureStore(const std::string& path, ArchiveAccess access)
    : file_(path, access) {}

SignatureRecord SignatureStore::Add(const SignTarget& target, SignMeaning meaning,
                                    const std::string& signer, const AuditActor& actor) {
  file_.ThrowIfReadOnly();
  SqliteConnection& connection = file_.connection();
  SqliteWriteTransaction transaction(connection);
  file_.CheckBeforeWriting();
  // Read on a connection of its own while this one holds the write lock: what is hashed is what
  // the archive holds when the signature is committed.
  SignatureRecord signature;
  {
    DownloadArchive data(file_.path(), ArchiveAccess::kReadOnly);
    signature.dataSha256 = SignedDataSha256(data, target);
  }
  signature.target = target;
  signature.meaning = meaning;
  signature.signer = signer;
  signature.auditId = AppendAuditEntry(
      connection, actor,
      SignChange(AuditAction::kSign, target, meaning, signer, signature.dataSha256), true);
  signature.signedAt = AuditTime(connection, signature.auditId);
  SqliteStatement insert(connection,
                         "INSERT INTO signatures (audit_id, download_id, station, period_from,"
                         " period_to, meaning, signer, signed_at, data_sha256)"
                         " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
  {
    SqliteStatement::Use use(insert);
    insert.Bind(1, signature.auditId);
    if (target.download) {
      insert.Bind(2, *target.download);
    } else {
      insert.BindText(3, target.station);
      insert.BindText(4, target.from);
      insert.BindText(5, target.to);
    }
    insert.BindText(6, SignMeaningCode(meaning));
    insert.BindText(7, signer);
    insert.BindText(8, signature.signedAt);
    insert.BindText(9, signature.dataSha256);
    insert.Step();
    signature.id = sqlite3_last_insert_rowid(connection.handle());
  }
  transaction.Commit();
  return signature;
}

void SignatureStore::AddRefusal(const SignTarget& target, SignMeaning meaning,
                                const std::string& signer, const AuditActor& actor,
                                const std::string& refusal) {
  file_.ThrowIfReadOnly();
  AuditChange change = SignChange(AuditAction::kSignFailed, target, meaning, signer, "");
  change.reason = refusal;
  AppendAuditEntry(file_.connection(), actor, change);
}

std::vector<SignatureRecord> SignatureStore::For(const SignTarget& target) {
  std::vector<SignatureRecord> found;
  if (file_.empty() || file_.schemaVersion() < 5) return found;
  // Local times in one fixed form compare as texts.
  SqliteStatement query(
      file_.connection(),
      target.download
          ? "SELECT id, audit_id, download_id, station, period_from, period_to, meaning, signer,"
            " signed_at, data_sha256 FROM signatures WHERE download_id = ?1 ORDER BY id"
          : "SELECT id, audit_id, download_id, station, period_from, period_to, meaning, signer,"
            " signed_at, data_sha256 FROM signatures WHERE station = ?2"
            " AND (?3 = '' OR period_to >= ?3) AND (?4 = '' OR period_from <= ?4) ORDER BY id");
  SqliteStatement::Use use(query);
  if (target.download) {
    query.Bind(1, *target.download);
  } else {
    query.BindText(2, target.station);
    query.BindText(3, target.from);
    query.BindText(4, target.to);
  }
  while (query.Step()) {
    SignatureRecord signature;
    signature.id = query.Integer(0);
    signature.auditId = query.Integer(1);
    if (!query.IsNull(2)) {
      signature.target = SignTarget::Download(query.Integer(2));
    } else {
      signature.target = SignTarget::StationPeriod(query.Text(3), query.Text(4), query.Text(5));
    }
    // The table admits only the known meanings.
    signature.meaning = SignMeaningFromCode(query.Text(6)).value_or(SignMeaning::kRevisado);
    signature.signer = query.Text(7);
    signature.signedAt = query.Text(8);
    signature.dataSha256 = query.Text(9);
    found.push_back(std::move(signature));
  }
  return found;
}
