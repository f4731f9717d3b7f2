// The archive module on DownloadArchive, the station store and the alarm store.
#include "archive/ArchiveModule.h"

#include <filesystem>

#include "alarms/AlarmStore.h"
#include "archive/ArchiveFile.h"
#include "archive/CalibrationStore.h"
#include "archive/DownloadArchive.h"
#include "archive/SignatureStore.h"
#include "archive/Signing.h"
#include "archive/StationStore.h"
#include "central/CentralArchive.h"
#include "central/CentralArchiveModule.h"
#include "central/CentralSchema.h"

namespace {

// Changes are made at a station's own archive; the central archive only receives them.
constexpr const char* kAtTheStation =
    "the central archive is read here; acknowledge, sign and change stations at the station's "
    "own archive, which pushes to it";

class DiskArchiveStore final : public ArchiveStore {
 public:
  explicit DiskArchiveStore(const std::string& path,
                            ArchiveAccess access = ArchiveAccess::kReadWrite)
      : archive_(path, access) {}
  std::int64_t Add(const NewDownload& download) override { return archive_.Add(download); }
  void RecordSave(std::int64_t id, const std::string& filePath,
                  std::chrono::system_clock::time_point when) override {
    archive_.RecordSave(id, filePath, when);
  }
  std::vector<DownloadSummary> List() override { return archive_.List(); }
  ArchivedDownload Get(std::int64_t id) override { return archive_.Get(id); }
  bool HasStation(const std::string& station) override { return archive_.HasStation(station); }
  void Audit(const std::string& program, const std::string& version,
             const AuditChange& change) override {
    archive_.AppendAudit(CurrentActor(program, version), change);
  }
  std::vector<AuditEntry> AuditEntries() override { return archive_.AuditEntries(); }
  void ForEachStationDownload(
      const std::string& station,
      const std::function<void(const DownloadSummary&, std::string_view raw)>& visit) override {
    archive_.ForEachStationDownload(station, visit);
  }
  std::vector<Calibration> Calibrations(const std::string& station) override {
    return CalibrationStore(archive_.path(), ArchiveAccess::kReadOnly).List(station);
  }

 private:
  DownloadArchive archive_;
};

class DiskArchive final : public ArchiveModule {
 public:
  std::unique_ptr<ArchiveStore> Open(const std::string& path) override {
    if (IsCentralLocation(path)) return OpenCentralStore(path);
    return std::make_unique<DiskArchiveStore>(path);
  }
  std::unique_ptr<ArchiveStore> OpenForReading(const std::string& path) override {
    if (IsCentralLocation(path)) return OpenCentralStore(path);
    return std::make_unique<DiskArchiveStore>(path, ArchiveAccess::kReadOnly);
  }
  std::vector<StationView> ReadStations(const std::string& path) override {
    if (IsCentralLocation(path)) return ReadCentralStations(path);
    std::vector<StationView> views;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return views;
    StationStore store(path, ArchiveAccess::kReadOnly);
    CalibrationStore calibrationStore(path, ArchiveAccess::kReadOnly);
    for (StationSettings& settings : store.List()) {
      std::optional<StationStatus> status = store.ReadStatus(settings.name);
      std::vector<Calibration> calibrations = calibrationStore.List(settings.name);
      std::optional<Calibration> latest;
      if (!calibrations.empty()) latest = std::move(calibrations.back());
      views.push_back({std::move(settings), std::move(status), std::move(latest)});
    }
    return views;
  }
  void KeepStation(const std::string& path, const StationSettings& settings,
                   const StationStatus& status) override {
    if (IsCentralLocation(path)) throw StationError(kAtTheStation);
    StationStore store(path);
    if (store.Find(settings.name)) {
      store.Update(settings);
    } else {
      store.Add(settings);
    }
    store.WriteStatus(status);
  }
  std::optional<AlarmRule> ReadAlarmRule(const std::string& path,
                                         const std::string& station) override {
    if (IsCentralLocation(path)) return ReadCentralAlarmRule(path, station);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return std::nullopt;
    return AlarmStore(path, ArchiveAccess::kReadOnly).Rule(station);
  }
  std::vector<Alarm> ReadAlarms(const std::string& path) override {
    if (IsCentralLocation(path)) return OpenCentralArchive(path)->Alarms("", false);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return {};
    return AlarmStore(path, ArchiveAccess::kReadOnly).List();
  }
  Alarm AcknowledgeAlarm(const std::string& path, std::int64_t id,
                         const std::string& comment) override {
    if (IsCentralLocation(path)) throw AlarmError(kAtTheStation);
    // Acknowledging never makes an archive where there was none.
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw AlarmError("there is no archive " + path);
    return AlarmStore(path).Acknowledge(id, CurrentActor("velmorante", VELMORANTE_VERSION),
                                        comment);
  }
  std::vector<SignatureRecord> ReadSignatures(const std::string& path,
                                              const SignTarget& target) override {
    if (IsCentralLocation(path)) return {};
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return {};
    return SignatureStore(path, ArchiveAccess::kReadOnly).For(target);
  }
  SignOutcome Sign(const std::string& path, const SignTarget& target, SignMeaning meaning,
                   const std::string& user, std::string& password, const std::string& program,
                   const std::string& version) override {
    if (IsCentralLocation(path)) throw std::invalid_argument(kAtTheStation);
    return SignWithPassword(path, target, meaning, user, password, CurrentActor(program, version));
  }
  std::int64_t LatestAlarmEventId(const std::string& path) override {
    std::int64_t latest = 0;
    ReadEvents(path, "SELECT coalesce(max(id), 0) FROM alarm_events", [&](SqliteStatement& row) {
      if (row.Step()) latest = row.Integer(0);
    });
    return latest;
  }
  std::vector<AlarmEventView> ReadAlarmEventsAfter(const std::string& path, std::int64_t lastId,
                                                   int limit) override {
    std::vector<AlarmEventView> events;
    ReadEvents(path,
               "SELECT id, event, payload FROM alarm_events WHERE id > ?1 ORDER BY id LIMIT ?2",
               [&](SqliteStatement& row) {
                 row.Bind(1, lastId);
                 row.Bind(2, limit);
                 while (row.Step()) events.push_back({row.Integer(0), row.Text(1), row.Text(2)});
               });
    return events;
  }

 private:
  // Runs `read` on the statement `sql` over the archive at `path` opened read-only; nothing when
  // there is no file or its tables are from before alarms.
  template <typename Read>
  static void ReadEvents(const std::string& path, const char* sql, Read read) {
    // A central archive's alarms are shown on the desktops of their stations.
    if (IsCentralLocation(path)) return;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return;
    ArchiveFile file(path, ArchiveAccess::kReadOnly);
    if (file.empty() || file.schemaVersion() < 4) return;
    SqliteStatement row(file.connection(), sql);
    SqliteStatement::Use use(row);
    read(row);
  }
};

}  // namespace

ArchiveModule& DiskArchiveModule() {
  static DiskArchive module;
  return module;
}
