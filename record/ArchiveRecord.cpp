// Reading a station's downloads from the archive into its record.
#include "record/ArchiveRecord.h"

namespace record {

std::optional<StationRecord> ReadStationRecord(DownloadArchive& archive,
                                               const std::string& station) {
  if (!archive.HasStation(station)) return std::nullopt;
  RecordAssembler assembler;
  archive.ForEachStationDownload(
      station,
      [&](const DownloadSummary& summary, std::string_view raw) { assembler.Add(summary, raw); });
  return assembler.Finish();
}

}  // namespace record
