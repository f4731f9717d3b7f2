// Reading a station's downloads from the archive into its record.
#include "record/ArchiveRecord.h"

#include "archive/CalibrationStore.h"
#include "record/RecordCalibration.h"

namespace record {

std::optional<StationRecord> ReadStationRecord(DownloadArchive& archive,
                                               const std::string& station) {
  if (!archive.HasStation(station)) return std::nullopt;
  RecordAssembler assembler;
  archive.ForEachStationDownload(
      station,
      [&](const DownloadSummary& summary, std::string_view raw) { assembler.Add(summary, raw); });
  StationRecord record = assembler.Finish();
  ApplyCalibrations(record,
                    CalibrationStore(archive.path(), ArchiveAccess::kReadOnly).List(station));
  return record;
}

std::optional<StationRecord> ReadStationRecord(ArchiveReader& archive, const std::string& station) {
  if (!archive.HasStation(station)) return std::nullopt;
  RecordAssembler assembler;
  archive.ForEachStationDownload(
      station,
      [&](const DownloadSummary& summary, std::string_view raw) { assembler.Add(summary, raw); });
  StationRecord record = assembler.Finish();
  ApplyCalibrations(record, archive.Calibrations(station));
  return record;
}

}  // namespace record
