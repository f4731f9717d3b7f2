// Reading a station's downloads from the archive into its record.
#include "record/ArchiveRecord.h"

#include "archive/CalibrationStore.h"
#include "record/RecordCalibration.h"

namespace record {

namespace {

// Any archive that lists a station's downloads, with the calibrations `calibrations` gives.
template <typename Archive, typename Calibrations>
std::optional<StationRecord> ReadRecord(Archive& archive, const std::string& station,
                                        Calibrations calibrations) {
  if (!archive.HasStation(station)) return std::nullopt;
  RecordAssembler assembler;
  archive.ForEachStationDownload(
      station,
      [&](const DownloadSummary& summary, std::string_view raw) { assembler.Add(summary, raw); });
  StationRecord record = assembler.Finish();
  ApplyCalibrations(record, calibrations());
  return record;
}

}  // namespace

std::optional<StationRecord> ReadStationRecord(DownloadArchive& archive,
                                               const std::string& station) {
  return ReadRecord(archive, station, [&] {
    return CalibrationStore(archive.path(), ArchiveAccess::kReadOnly).List(station);
  });
}

std::optional<StationRecord> ReadStationRecord(ArchiveReader& archive, const std::string& station) {
  return ReadRecord(archive, station, [&] { return archive.Calibrations(station); });
}

}  // namespace record
