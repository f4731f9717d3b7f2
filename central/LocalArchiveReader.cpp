// The archive file as an ArchiveReader: see LocalArchiveReader.h.
#include "central/LocalArchiveReader.h"

#include <filesystem>
#include <optional>

#include "alarms/AlarmStore.h"
#include "archive/ArchiveFile.h"
#include "archive/AuditCheck.h"
#include "archive/CalibrationStore.h"
#include "archive/DownloadArchive.h"

namespace {

class LocalArchiveReader : public ArchiveReader {
 public:
  explicit LocalArchiveReader(const std::string& path) : path_(path) {
    if (std::filesystem::exists(path)) archive_.emplace(path, ArchiveAccess::kReadOnly);
  }

  std::vector<DownloadSummary> List() override { return archive_ ? archive_->List() : Nothing(); }
  ArchivedDownload Get(std::int64_t id) override {
    if (!archive_) {
      throw ArchiveError(ArchiveError::Kind::kNoSuchRecord,
                         "no download " + std::to_string(id) + " in the archive");
    }
    return archive_->Get(id);
  }
  std::vector<ChecksumMismatch> Verify() override {
    return archive_ ? archive_->Verify() : std::vector<ChecksumMismatch>();
  }
  std::vector<AuditEntry> AuditEntries() override {
    return archive_ ? archive_->AuditEntries() : std::vector<AuditEntry>();
  }
  std::vector<AuditProblem> CheckRecords(ArchiveCheckCounts* counts) override {
    if (!archive_) return {};
    ArchiveFile file(path_, ArchiveAccess::kReadOnly);
    if (file.empty()) return {};
    return CheckArchiveRecords(file.connection(), counts);
  }
  bool HasStation(const std::string& station) override {
    return archive_ && archive_->HasStation(station);
  }
  void ForEachStationDownload(const std::string& station, const DownloadVisit& visit) override {
    if (archive_) archive_->ForEachStationDownload(station, visit);
  }
  std::vector<Calibration> Calibrations(const std::string& station) override {
    if (!archive_) return {};
    return CalibrationStore(path_, ArchiveAccess::kReadOnly).List(station);
  }
  std::vector<Alarm> Alarms(const std::string& station, bool openOnly) override {
    if (!archive_) return {};
    return AlarmStore(path_, ArchiveAccess::kReadOnly).List(station, openOnly);
  }
  std::string Location() const override { return path_; }

 private:
  static std::vector<DownloadSummary> Nothing() { return {}; }

  std::string path_;
  std::optional<DownloadArchive> archive_;
};

}  // namespace

std::unique_ptr<ArchiveReader> OpenLocalArchiveReader(const std::string& path) {
  return std::make_unique<LocalArchiveReader>(path);
}
