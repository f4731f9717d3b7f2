// Reading a station's downloads and calibrations through the archive module's store.
#include "record/StoreRecord.h"

#include "record/RecordCalibration.h"

namespace record {

std::optional<StationRecord> ReadStationRecord(ArchiveStore& store, const std::string& station) {
  if (!store.HasStation(station)) return std::nullopt;
  RecordAssembler assembler;
  store.ForEachStationDownload(station, [&](const DownloadSummary& summary, std::string_view raw) {
    assembler.Add(summary, raw);
  });
  StationRecord record = assembler.Finish();
  ApplyCalibrations(record, store.Calibrations(station));
  return record;
}

}  // namespace record
