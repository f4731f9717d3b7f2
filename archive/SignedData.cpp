// Hashing the data a signature names: a download's text, or a station's samples in a period.
#include "archive/SignedData.h"

#include <charconv>
#include <stdexcept>

#include "analysis/StampText.h"
#include "archive/ArchiveError.h"
#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"

namespace {

void AppendFixed(std::string& text, double value) {
  char digits[64];
  const auto [end, error] =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
  text.append(digits, error == std::errc() ? end : digits);
}

std::int64_t PeriodEnd(const std::string& text, const char* which) {
  const std::optional<std::int64_t> seconds = record::WallClockFromIso(text);
  if (!seconds) {
    throw std::invalid_argument(std::string("the period's ") + which +
                                " must be a local date and time YYYY-MM-DDTHH:MM:SS, not '" + text +
                                "'");
  }
  return *seconds;
}

}  // namespace

std::string StationPeriodText(const std::string& station, const std::string& from,
                              const std::string& to, const SampleTable& samples) {
  std::string text = "station " + station + "\nfrom " + from + "\nto " + to + '\n';
  for (const SampleNumbers& sample : samples.samples) {
    analysis::AppendIsoText(text, analysis::StampOf(sample));
    if (sample.hasValues) {
      text += ' ';
      AppendFixed(text, sample.humidity);
      text += ' ';
      AppendFixed(text, sample.temperature);
    } else {
      text += " - -";
    }
    text += '\n';
  }
  return text;
}

std::string SignedDataSha256(DownloadArchive& archive, const SignTarget& target) {
  if (target.download) {
    const ArchivedDownload download = archive.Get(*target.download);
    return Sha256Hex("download " + std::to_string(*target.download) + '\n' +
                     Sha256Hex(download.rawText) + '\n');
  }
  record::TimeWindow window;
  window.from = PeriodEnd(target.from, "start");
  window.to = PeriodEnd(target.to, "end");
  if (*window.from > *window.to) throw std::invalid_argument("the period ends before it starts");
  if (!archive.HasStation(target.station)) {
    throw ArchiveError(ArchiveError::Kind::kNoSuchRecord,
                       "the archive knows no station named '" + target.station + "'");
  }
  record::RecordAssembler assembler;
  archive.ForEachStationDownload(
      target.station,
      [&](const DownloadSummary& summary, std::string_view raw) { assembler.Add(summary, raw); });
  const record::RecordSelection selection = record::SelectRecord(assembler.Finish(), window);
  if (selection.table.samples.empty()) {
    throw ArchiveError(
        ArchiveError::Kind::kNoSuchRecord,
        "station " + target.station + " has no samples from " + target.from + " to " + target.to);
  }
  return Sha256Hex(StationPeriodText(target.station, target.from, target.to, selection.table));
}
