// The archive module on DownloadArchive.
#include "archive/ArchiveModule.h"

#include <filesystem>

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

 private:
  DownloadArchive archive_;
};

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
};

}  // namespace

ArchiveModule& DiskArchiveModule() {
  static DiskArchive module;
  return module;
}
