// The archive module on DownloadArchive.
#include "archive/ArchiveModule.h"

#include <filesystem>

#include "archive/ArchiveFile.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"

namespace {

class DiskArchiveStore final : public ArchiveStore {
 public:
  explicit DiskArchiveStore(const std::string& path) : archive_(path) {}
  std::int64_t Add(const NewDownload& download) override { return archive_.Add(download); }
  void RecordSave(std::int64_t id, const std::string& filePath,
                  std::chrono::system_clock::time_point when) override {
    archive_.RecordSave(id, filePath, when);
  }
  std::vector<DownloadSummary> List() override { return archive_.List(); }
  ArchivedDownload Get(std::int64_t id) override { return archive_.Get(id); }
  bool HasStation(const std::string& station) override { return archive_.HasStation(station); }
  void ForEachStationDownload(
      const std::string& station,
      const std::function<void(const DownloadSummary&, std::string_view raw)>& visit) override {
    archive_.ForEachStationDownload(station, visit);
  }

 private:
  DownloadArchive archive_;
};

// The rule's limits as their columns are named, in the order the query reads them.
constexpr std::optional<double> AlarmRule::*kRuleColumns[] = {
    &AlarmRule::temperatureLow,  &AlarmRule::temperatureHigh,    &AlarmRule::humidityLow,
    &AlarmRule::humidityHigh,    &AlarmRule::temperatureWarnLow, &AlarmRule::temperatureWarnHigh,
    &AlarmRule::humidityWarnLow, &AlarmRule::humidityWarnHigh};

std::optional<AlarmRule> ReadRule(const std::string& path, const std::string& station) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::nullopt;
  ArchiveFile file(path, ArchiveAccess::kReadOnly);
  // The rule tables came with version 4.
  if (file.empty() || file.schemaVersion() < 4) return std::nullopt;
  SqliteStatement query(file.connection(),
                        "SELECT t_low, t_high, rh_low, rh_high, t_warn_low, t_warn_high,"
                        " rh_warn_low, rh_warn_high, delay_minutes, hysteresis"
                        " FROM alarm_rules WHERE station = ?");
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  if (!query.Step()) return std::nullopt;
  AlarmRule rule;
  int column = 0;
  for (std::optional<double> AlarmRule::*limit : kRuleColumns) {
    if (!query.IsNull(column)) rule.*limit = query.Real(column);
    ++column;
  }
  rule.delayMinutes = query.Real(8);
  rule.hysteresis = query.Real(9);
  return rule;
}

class DiskArchive final : public ArchiveModule {
 public:
  std::unique_ptr<ArchiveStore> Open(const std::string& path) override {
    return std::make_unique<DiskArchiveStore>(path);
  }
  std::vector<StationView> ReadStations(const std::string& path) override {
    std::vector<StationView> views;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return views;
    StationStore store(path, ArchiveAccess::kReadOnly);
    for (StationSettings& settings : store.List()) {
      std::optional<StationStatus> status = store.ReadStatus(settings.name);
      views.push_back({std::move(settings), std::move(status)});
    }
    return views;
  }
  void KeepStation(const std::string& path, const StationSettings& settings,
                   const StationStatus& status) override {
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
    return ReadRule(path, station);
  }
};

}  // namespace

ArchiveModule& DiskArchiveModule() {
  static DiskArchive module;
  return module;
}
