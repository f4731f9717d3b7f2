// The archive module on DownloadArchive.
#include "archive/ArchiveModule.h"
#include "archive/DownloadArchive.h"

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

class DiskArchive final : public ArchiveModule {
 public:
  std::unique_ptr<ArchiveStore> Open(const std::string& path) override {
    return std::make_unique<DiskArchiveStore>(path);
  }
};

}  // namespace

ArchiveModule& DiskArchiveModule() {
  static DiskArchive module;
  return module;
}
