// A station's central archive setting: see StationCentral.h.
#include "central/StationCentral.h"

#include <filesystem>

#include "archive/ArchiveFile.h"

namespace {
// The first version with the setting's table.
constexpr int kCentralSchema = 6;
}  // namespace

std::optional<std::string> StationCentralUrl(const std::string& archivePath,
                                             const std::string& station) {
  if (!std::filesystem::exists(archivePath)) return std::nullopt;
  ArchiveFile file(archivePath, ArchiveAccess::kReadOnly);
  if (file.empty() || file.schemaVersion() < kCentralSchema) return std::nullopt;
  SqliteStatement query(file.connection(), "SELECT url FROM station_central WHERE station = ?");
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  if (!query.Step() || query.Text(0).empty()) return std::nullopt;
  return query.Text(0);
}

void SetStationCentralUrl(const std::string& archivePath, const std::string& station,
                          const std::string& url) {
  ArchiveFile file(archivePath, ArchiveAccess::kReadWrite);
  SqliteWriteTransaction transaction(file.connection());
  file.CheckBeforeWriting();
  SqliteStatement keep(file.connection(),
                       url.empty() ? "DELETE FROM station_central WHERE station = ?1"
                                   : "INSERT INTO station_central (station, url) VALUES (?1, ?2)"
                                     " ON CONFLICT (station) DO UPDATE SET url = ?2");
  {
    SqliteStatement::Use use(keep);
    keep.BindText(1, station);
    if (!url.empty()) keep.BindText(2, url);
    keep.Step();
  }
  transaction.Commit();
}
