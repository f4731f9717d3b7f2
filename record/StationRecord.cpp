// Assembling a station's record from its downloads, one decoded text at a time.
#include "record/StationRecord.h"

#include <algorithm>

#include "analysis/StampText.h"
#include "data/SampleDecoder.h"
#include "data/StartTexts.h"

namespace record {

namespace {

analysis::Stamp StartStamp(const LoggerStart& start) {
  return {2000 + start.year, start.month, start.day, start.hour, start.minute, start.second};
}

bool SameReading(const SampleNumbers& a, const SampleNumbers& b) {
  return a.humidity == b.humidity && a.temperature == b.temperature;
}

}  // namespace

std::string CompleteLinesText(std::string_view rawText) {
  const std::size_t lastBreak = rawText.find_last_of("\r\n");
  const std::string_view complete =
      lastBreak == std::string_view::npos ? std::string_view() : rawText.substr(0, lastBreak + 1);
  std::string text;
  text.reserve(complete.size() + 1);
  text += complete;
  text += 'A';
  return text;
}

void RecordAssembler::Add(const DownloadSummary& summary, std::string_view rawText) {
  // The decoder never reads the last line as a sample: in a complete download it holds the end
  // marker, but in one cut short it may be a whole sample, which must count.
  SampleTable table = summary.complete() ? SampleDecoder().Decode(rawText)
                                         : SampleDecoder().Decode(CompleteLinesText(rawText));
  if (!table.start || table.rateMinutes <= 0) {
    leftOut_.push_back(summary.id);
    return;
  }
  const auto key = std::make_pair(StartIsoText(*table.start), table.rateMinutes);
  auto [place, added] = byRecording_.try_emplace(key, segments_.size());
  if (added) {
    Segment segment;
    segment.start = *table.start;
    segment.rateMinutes = table.rateMinutes;
    segments_.push_back(std::move(segment));
    sources_.emplace_back();
  }
  std::string& first = segments_[place->second].firstReceivedAt;
  if (!summary.receivedAt.empty() && (first.empty() || summary.receivedAt < first))
    first = summary.receivedAt;
  Merge(place->second, summary.id, table.samples);
}

void RecordAssembler::Merge(std::size_t index, std::int64_t download,
                            const std::vector<SampleNumbers>& samples) {
  Segment& segment = segments_[index];
  std::vector<std::int64_t>& sources = sources_[index];
  segment.downloads.push_back(download);
  // Rows after a line that could not be read hold no sample: the download ends at its last reading.
  std::size_t held = samples.size();
  while (held > 0 && !samples[held - 1].hasValues) --held;
  std::vector<SampleNumbers>& kept = segment.samples;
  for (std::size_t i = 0; i < std::min(held, kept.size()); ++i) {
    SampleNumbers& mine = kept[i];
    const SampleNumbers& theirs = samples[i];
    if (!theirs.hasValues) continue;
    if (!mine.hasValues) {
      mine = theirs;
      sources[i] = download;
    } else if (!SameReading(mine, theirs)) {
      segment.conflicts.push_back({i + 1,
                                   {sources[i], mine.humidity, mine.temperature},
                                   {download, theirs.humidity, theirs.temperature}});
    }
  }
  if (held > kept.size()) {
    kept.insert(kept.end(), samples.begin() + static_cast<std::ptrdiff_t>(kept.size()),
                samples.begin() + static_cast<std::ptrdiff_t>(held));
    sources.resize(held, download);
  }
}

StationRecord RecordAssembler::Finish() {
  StationRecord record;
  record.segments = std::move(segments_);
  record.leftOut = std::move(leftOut_);
  segments_.clear();
  sources_.clear();
  byRecording_.clear();
  leftOut_.clear();
  // A recording's downloads all come after the reset that began it and before the next: the
  // first download of each orders them as they were taken, whatever the local clock said.
  const bool allReceived =
      std::none_of(record.segments.begin(), record.segments.end(),
                   [](const Segment& segment) { return segment.firstReceivedAt.empty(); });
  std::stable_sort(record.segments.begin(), record.segments.end(),
                   [allReceived](const Segment& a, const Segment& b) {
                     if (allReceived && a.firstReceivedAt != b.firstReceivedAt)
                       return a.firstReceivedAt < b.firstReceivedAt;
                     const std::int64_t at = analysis::WallClockSeconds(StartStamp(a.start));
                     const std::int64_t bt = analysis::WallClockSeconds(StartStamp(b.start));
                     return at != bt ? at < bt : a.rateMinutes < b.rateMinutes;
                   });
  for (Segment& segment : record.segments) {
    std::stable_sort(segment.conflicts.begin(), segment.conflicts.end(),
                     [](const Conflict& a, const Conflict& b) { return a.index < b.index; });
  }
  return record;
}

}  // namespace record
