#include "archive/ArchivedRecording.h"

#include <filesystem>

#include "archive/ArchiveFile.h"

namespace {

// The archive's schema from which downloads carry their start and rate as values.
constexpr int kStartsKept = 2;

}  // namespace

ArchivedRecording ArchivedRecordingStartedBetween(const std::string& path, int rateMinutes,
                                                  const std::string& startFrom,
                                                  const std::string& startTo) {
  if (!std::filesystem::exists(path)) return {};
  ArchiveFile file(path, ArchiveAccess::kReadOnly);
  if (file.empty() || file.schemaVersion() < kStartsKept) return {};
  SqliteStatement query(
      file.connection(),
      "SELECT samples, start FROM downloads WHERE reason = '' AND decode_error = ''"
      " AND rate_minutes = ? AND start BETWEEN ? AND ?"
      " ORDER BY samples DESC, id DESC LIMIT 1");
  query.Bind(1, rateMinutes);
  query.BindText(2, startFrom);
  query.BindText(3, startTo);
  if (!query.Step()) return {};
  return {query.Integer(0), query.Text(1)};
}

ArchivedRecording LatestArchivedRecordingFrom(const std::string& path, const std::string& port,
                                              int rateMinutes, const std::string& startTo) {
  if (!std::filesystem::exists(path)) return {};
  ArchiveFile file(path, ArchiveAccess::kReadOnly);
  if (file.empty() || file.schemaVersion() < kStartsKept) return {};
  SqliteStatement query(file.connection(),
                        "SELECT samples, rate_minutes, start FROM downloads WHERE reason = ''"
                        " AND decode_error = '' AND port = ? ORDER BY id DESC LIMIT 1");
  query.BindText(1, port);
  if (!query.Step() || query.IsNull(1) || query.IsNull(2)) return {};
  if (query.Integer(1) != rateMinutes || query.Text(2) > startTo) return {};
  return {query.Integer(0), query.Text(2)};
}
