// The windows' view of a central archive: see CentralArchiveModule.h.
#include "central/CentralArchiveModule.h"

#include <set>

#include <nlohmann/json.hpp>

#include "archive/ArchivePath.h"
#include "archive/DownloadArchive.h"
#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"

namespace {

class CentralStore final : public ArchiveStore {
 public:
  explicit CentralStore(const std::string& url)
      : reader_(OpenCentralArchive(url)), local_(LocalArchivePathBesideCentral()) {}
  std::int64_t Add(const NewDownload& download) override {
    const std::int64_t id = DownloadArchive(local_).Add(download);
    archivedHere_.insert(id);
    return id;
  }
  // Only a download archived here has its saves noted in this computer's file: a central
  // download's number means another download there. (The save's audit entry is kept anyway.)
  void RecordSave(std::int64_t id, const std::string& filePath,
                  std::chrono::system_clock::time_point when) override {
    if (archivedHere_.count(id) != 0) DownloadArchive(local_).RecordSave(id, filePath, when);
  }
  std::vector<DownloadSummary> List() override { return reader_->List(); }
  ArchivedDownload Get(std::int64_t id) override { return reader_->Get(id); }
  bool HasStation(const std::string& station) override { return reader_->HasStation(station); }
  void Audit(const std::string& program, const std::string& version,
             const AuditChange& change) override {
    DownloadArchive(local_).AppendAudit(CurrentActor(program, version), change);
  }
  std::vector<AuditEntry> AuditEntries() override { return reader_->AuditEntries(); }
  void ForEachStationDownload(
      const std::string& station,
      const std::function<void(const DownloadSummary&, std::string_view raw)>& visit) override {
    reader_->ForEachStationDownload(station, visit);
  }
  std::vector<Calibration> Calibrations(const std::string& station) override {
    return reader_->Calibrations(station);
  }

 private:
  std::unique_ptr<ArchiveReader> reader_;
  std::string local_;
  std::set<std::int64_t> archivedHere_;
};

}  // namespace

std::string LocalArchivePathBesideCentral() {
  return DefaultArchivePath([](const char* name) {
    if (std::string(name) == "VELMORANTE_ARCHIVE") return std::string();
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  });
}

std::unique_ptr<ArchiveStore> OpenCentralStore(const std::string& url) {
  return std::make_unique<CentralStore>(url);
}

std::vector<StationView> ReadCentralStations(const std::string& url) {
  CheckCentralUrl(url);
  PgConnection server(url);
  CheckCentralArchive(server);
  // Stations set up at a station computer, and stations named only by their downloads.
  const PgResult rows = server.Run(
      "SELECT name, port, reset_at, download_every_s FROM stations UNION ALL"
      " SELECT DISTINCT station, '-', 1500, 86400 FROM downloads WHERE station <> ''"
      " AND station NOT IN (SELECT name FROM stations) ORDER BY 1");
  auto reader = OpenCentralArchive(url);
  std::vector<StationView> views;
  for (int row = 0; row < rows.rows(); ++row) {
    StationView view;
    view.settings.name = rows.Text(row, 0);
    view.settings.port = rows.Text(row, 1);
    view.settings.resetAt = static_cast<int>(rows.Integer(row, 2));
    view.settings.downloadEvery = std::chrono::seconds(rows.Integer(row, 3));
    std::vector<Calibration> calibrations = reader->Calibrations(view.settings.name);
    if (!calibrations.empty()) view.calibration = std::move(calibrations.back());
    views.push_back(std::move(view));
  }
  return views;
}

std::optional<AlarmRule> ReadCentralAlarmRule(const std::string& url, const std::string& station) {
  CheckCentralUrl(url);
  PgConnection server(url);
  CheckCentralArchive(server);
  const PgResult rows = server.Run(
      "SELECT new_value FROM audit_entries WHERE action = 'rules_change' AND station = $1"
      " AND new_value IS NOT NULL ORDER BY at_utc DESC, id DESC LIMIT 1",
      {PgParam::Text(station)});
  if (rows.rows() == 0) return std::nullopt;
  const nlohmann::json json = nlohmann::json::parse(rows.Text(0, 0), nullptr, false);
  if (!json.is_object()) return std::nullopt;
  try {
    return AlarmRuleFromJson(json);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}
