// The stations' calibrations in the archive's own file, each change in one transaction with its
// audit entry.
#include "archive/CalibrationStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "archive/DownloadRecord.h"

namespace {

constexpr const char* kColumns =
    "id, station, t_offset, t_gain, rh_offset, rh_gain, certificate, laboratory,"
    " certificate_date, applies_from, due, set_at";

Calibration CalibrationFrom(const SqliteStatement& row) {
  Calibration c;
  c.id = row.Integer(0);
  c.station = row.Text(1);
  c.temperatureOffset = row.Real(2);
  c.temperatureGain = row.Real(3);
  c.humidityOffset = row.Real(4);
  c.humidityGain = row.Real(5);
  c.certificate = row.Text(6);
  c.laboratory = row.Text(7);
  c.certificateDate = row.Text(8);
  c.appliesFrom = row.Text(9);
  c.due = row.Text(10);
  c.setAt = row.Text(11);
  return c;
}

}  // namespace

struct CalibrationStore::Impl {
  Impl(const std::string& path, ArchiveAccess access) : file(path, access) {}
  // An archive from before calibrations (read as it is), or no archive yet: nothing to read.
  bool HasTable() const { return !file.empty() && file.schemaVersion() >= 5; }
  ArchiveFile file;
};

CalibrationStore::CalibrationStore(const std::string& path, ArchiveAccess access)
    : impl_(std::make_unique<Impl>(path, access)) {}

CalibrationStore::~CalibrationStore() = default;

std::int64_t CalibrationStore::Set(const Calibration& calibration, const AuditActor& actor,
                                   const std::string& reason) {
  const std::string problem = CalibrationProblem(calibration);
  if (!problem.empty()) throw CalibrationError(problem);
  if (reason.empty()) throw CalibrationError("a calibration is changed only with a reason");
  ArchiveFile& file = impl_->file;
  file.ThrowIfReadOnly();
  SqliteConnection& db = file.connection();
  SqliteWriteTransaction transaction(db);
  file.CheckBeforeWriting();
  {
    SqliteStatement known(db,
                          "SELECT EXISTS (SELECT 1 FROM stations WHERE name = ?1)"
                          " OR EXISTS (SELECT 1 FROM downloads WHERE station = ?1)");
    SqliteStatement::Use use(known);
    known.BindText(1, calibration.station);
    known.Step();
    if (known.Integer(0) == 0)
      throw CalibrationError("there is no station named '" + calibration.station + "'");
  }
  // What the new calibration replaces: the one in force at its start until now.
  std::optional<Calibration> before;
  const std::string start = CalibrationStartText(calibration);
  for (const Calibration& kept : List(calibration.station)) {
    if (CalibrationStartText(kept) <= start) before = kept;
  }
  Calibration kept = calibration;
  kept.setAt = UtcText(std::chrono::system_clock::now());
  SqliteStatement insert(db,
                         "INSERT INTO calibrations (station, t_offset, t_gain, rh_offset, rh_gain,"
                         " certificate, laboratory, certificate_date, applies_from, due, set_at)"
                         " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  {
    SqliteStatement::Use use(insert);
    insert.BindText(1, kept.station);
    insert.BindReal(2, kept.temperatureOffset);
    insert.BindReal(3, kept.temperatureGain);
    insert.BindReal(4, kept.humidityOffset);
    insert.BindReal(5, kept.humidityGain);
    insert.BindText(6, kept.certificate);
    insert.BindText(7, kept.laboratory);
    insert.BindText(8, kept.certificateDate);
    insert.BindText(9, kept.appliesFrom);
    insert.BindText(10, kept.due);
    insert.BindText(11, kept.setAt);
    insert.Step();
  }
  kept.id = sqlite3_last_insert_rowid(db.handle());
  AuditChange change;
  change.action = AuditAction::kCalibrationChange;
  change.station = kept.station;
  change.object = "calibration " + std::to_string(kept.id);
  if (before) change.oldValue = CalibrationJsonText(*before);
  change.newValue = CalibrationJsonText(kept);
  change.reason = reason;
  AppendAuditEntry(db, actor, change, true);
  transaction.Commit();
  return kept.id;
}

std::vector<Calibration> CalibrationStore::List(const std::string& station) {
  std::vector<Calibration> calibrations;
  if (!impl_->HasTable()) return calibrations;
  SqliteStatement query(impl_->file.connection(),
                        (std::string("SELECT ") + kColumns +
                         " FROM calibrations WHERE station = ? ORDER BY applies_from, id")
                            .c_str());
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  while (query.Step()) calibrations.push_back(CalibrationFrom(query));
  // A date alone starts at midnight: "2026-03-01" and "2026-03-01T00:00:00" start together.
  std::stable_sort(calibrations.begin(), calibrations.end(),
                   [](const Calibration& a, const Calibration& b) {
                     return CalibrationStartText(a) < CalibrationStartText(b);
                   });
  return calibrations;
}
