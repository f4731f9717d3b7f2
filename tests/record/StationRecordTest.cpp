// A station's record put together from its downloads: each sample once, conflicting readings kept
// both ways, downloads cut short, recordings in order with their gaps, and a time window; the gaps
// a chart breaks its line at, found from a table's time stamps.
#include <gtest/gtest.h>

#include "analysis/StampText.h"
#include "archive/DownloadArchive.h"
#include "record/ArchiveRecord.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"
#include "record/TableGaps.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/record/RecordTestDownloads.h"

namespace {

using namespace record;
using namespace record_test;

const Start kMorning = {12, 7, 14, 5};    // 2026-12-07 14:05:00, every 5 minutes
const Start kAfternoon = {12, 7, 15, 0};  // 2026-12-07 15:00:00, every 5 minutes

DownloadSummary Summary(std::int64_t id, EndReason reason = EndReason::kNone) {
  DownloadSummary summary;
  summary.id = id;
  summary.reason = reason;
  return summary;
}

std::string Iso(const SampleNumbers& sample) {
  return analysis::IsoText(analysis::StampOf(sample));
}

TEST(StationRecord, DownloadsOfOneRecordingGiveEachSampleOnceAndCutShortOnesCountTheirLines) {
  RecordAssembler assembler;
  assembler.Add(Summary(1), Download(kMorning, Readings(3)));
  assembler.Add(Summary(2), Download(kMorning, Readings(5)));
  // Cut short in the seventh line: six complete sample lines, the last of them the text's last
  // whole line, which a complete download would have used for its end marker.
  assembler.Add(Summary(3, EndReason::kLineLost), LinesOnly(kMorning, Readings(6)) + "0070");
  const StationRecord record = assembler.Finish();

  ASSERT_EQ(record.segments.size(), 1u);
  const Segment& segment = record.segments[0];
  EXPECT_FALSE(segment.conflicting());
  EXPECT_EQ(segment.downloads, (std::vector<std::int64_t>{1, 2, 3}));
  ASSERT_EQ(segment.samples.size(), 6u);
  for (int k = 0; k < 6; ++k) {
    EXPECT_DOUBLE_EQ(segment.samples[k].humidity, Humidity(1860 + k)) << k;
  }
  EXPECT_EQ(Iso(segment.samples.front()), "2026-12-07T14:10:00");
  EXPECT_EQ(Iso(segment.samples.back()), "2026-12-07T14:35:00");

  // Cut short just after a line break: every line it holds is a sample.
  assembler.Add(Summary(4, EndReason::kTimedOut), LinesOnly(kMorning, Readings(7)));
  EXPECT_EQ(assembler.Finish().segments.at(0).samples.size(), 7u);
}

TEST(StationRecord, ASampleReadDifferentlyIsKeptBothWaysAndMarksItsRecording) {
  std::vector<int> other = Readings(4);
  other[1] = 2000;
  RecordAssembler assembler;
  assembler.Add(Summary(7), Download(kMorning, Readings(3)));
  assembler.Add(Summary(9), Download(kMorning, other));
  const StationRecord record = assembler.Finish();

  const Segment& segment = record.segments.at(0);
  ASSERT_EQ(segment.samples.size(), 4u);
  EXPECT_TRUE(segment.conflicting());
  ASSERT_EQ(segment.conflicts.size(), 1u);
  const Conflict& conflict = segment.conflicts[0];
  EXPECT_EQ(conflict.index, 2u);
  EXPECT_EQ(conflict.kept.download, 7);
  EXPECT_DOUBLE_EQ(conflict.kept.humidity, Humidity(1861));
  EXPECT_EQ(conflict.other.download, 9);
  EXPECT_DOUBLE_EQ(conflict.other.humidity, Humidity(2000));
  EXPECT_DOUBLE_EQ(segment.samples[1].humidity, Humidity(1861));
}

TEST(StationRecord, RecordingsFollowInTimeWithTheirGapAndAWindowCutsAcrossThem) {
  RecordAssembler assembler;
  std::vector<int> differing = Readings(3);
  differing[1] = 1500;
  // Archived out of time order: the afternoon recording first.
  assembler.Add(Summary(1), Download(kAfternoon, Readings(3)));  // 15:05, 15:10, 15:15
  assembler.Add(Summary(2), Download(kMorning, Readings(4)));    // 14:10 ... 14:25
  assembler.Add(Summary(3), Download(kAfternoon, differing));
  assembler.Add(Summary(4), "\x01\x02 not a download");
  StationRecord record = assembler.Finish();
  ASSERT_EQ(record.segments.size(), 2u);
  EXPECT_EQ(record.segments[0].downloads, std::vector<std::int64_t>{2});
  EXPECT_EQ(record.leftOut, std::vector<std::int64_t>{4});

  TimeWindow window;
  window.from = WallClockFromIso("2026-12-07T14:20:00");
  window.to = WallClockFromIso("2026-12-07T15:10:00");
  const RecordSelection selection = SelectRecord(std::move(record), window);
  const std::vector<SampleNumbers>& samples = selection.table.samples;
  ASSERT_EQ(samples.size(), 4u);
  EXPECT_EQ(Iso(samples[0]), "2026-12-07T14:20:00");
  EXPECT_EQ(Iso(samples[3]), "2026-12-07T15:10:00");
  EXPECT_EQ(selection.recordings, 2u);
  EXPECT_EQ(selection.table.rateMinutes, 5);
  EXPECT_EQ(selection.leftOut, std::vector<std::int64_t>{4});
  // 14:25 to 15:05 less one rate: 35 minutes without a sample.
  ASSERT_EQ(selection.gaps.size(), 1u);
  EXPECT_EQ(selection.gaps[0].after, "2026-12-07T14:25:00");
  EXPECT_EQ(selection.gaps[0].before, "2026-12-07T15:05:00");
  EXPECT_DOUBLE_EQ(selection.gaps[0].minutes, 35);
  // The afternoon's second sample is the fourth of the window.
  ASSERT_EQ(selection.conflicts.size(), 1u);
  EXPECT_EQ(selection.conflicts[0].sample, 4u);
  EXPECT_EQ(selection.conflicts[0].timestamp, "2026-12-07T15:10:00");
}

TEST(StationRecord, RecordingsThatFollowOnHaveNoGapAndAWindowBeforeThemNoSamples) {
  RecordAssembler assembler;
  assembler.Add(Summary(1), Download(kMorning, Readings(11)));          // to 15:00
  assembler.Add(Summary(2), Download({12, 7, 15, 0, 2}, Readings(2)));  // from 15:05
  StationRecord record = assembler.Finish();
  EXPECT_TRUE(SelectRecord(StationRecord(record), {}).gaps.empty());
  TimeWindow early;
  early.to = WallClockFromIso("2026-12-07T14:09:59");
  const RecordSelection none = SelectRecord(std::move(record), early);
  EXPECT_TRUE(none.table.samples.empty());
  EXPECT_EQ(none.recordings, 0u);
}

TEST(StationRecord, OnlyRealLocalTimesAreReadForAWindow) {
  EXPECT_TRUE(WallClockFromIso("2028-02-29T23:59:59"));
  for (const char* text : {"2026-02-29T00:00:00", "2026-12-07 14:05:00", "2026-12-07T24:00:00",
                           "2026-12-7T14:05:00", "2026-12-07T14:05:00Z", ""})
    EXPECT_FALSE(WallClockFromIso(text)) << text;
}

TEST(StationRecord, TheArchiveGivesOnlyTheStationsDownloads) {
  archive_test::TempFolder folder;
  const std::string path = folder.File("descargas.sqlite");
  {
    DownloadArchive archive(path);
    NewDownload download;
    download.station = "norte";
    download.rawText = Download(kAfternoon, Readings(2));
    archive.Add(download);
    download.station = "sur";
    download.rawText = Download(kMorning, Readings(9));
    archive.Add(download);
    download.station = "";
    archive.Add(download);
    download.station = "norte";
    download.rawText = Download(kMorning, Readings(3));
    archive.Add(download);
  }
  DownloadArchive archive(path, ArchiveAccess::kReadOnly);
  const std::optional<StationRecord> norte = ReadStationRecord(archive, "norte");
  ASSERT_TRUE(norte);
  ASSERT_EQ(norte->segments.size(), 2u);
  EXPECT_EQ(norte->segments[0].downloads, std::vector<std::int64_t>{4});
  EXPECT_EQ(norte->segments[0].samples.size(), 3u);
  EXPECT_EQ(norte->segments[1].downloads, std::vector<std::int64_t>{1});
  EXPECT_FALSE(ReadStationRecord(archive, "oeste"));
}

// Gaps from the stamps alone: a pause, recordings that overlap, and in a table of two rates (rate
// 0) the change of rate is no gap while a pause is.
TEST(StationRecord, TableGapsAreTimeStepsLongerThanTheRateOrGoingBack) {
  const auto selected = [](std::vector<std::pair<Start, int>> recordings) {
    RecordAssembler assembler;
    std::int64_t id = 0;
    for (const auto& [start, count] : recordings)
      assembler.Add(Summary(++id), Download(start, Readings(count)));
    return SelectRecord(assembler.Finish(), {}).table;
  };
  using Gaps = std::vector<std::tuple<std::size_t, std::size_t, double>>;
  const auto gaps = [](const SampleTable& table) {
    Gaps found;
    for (const TableGap& gap : TableGaps(table))
      found.emplace_back(gap.first, gap.next, gap.minutes);
    return found;
  };
  // 14:10..14:25, then 15:05..15:15: 35 minutes without a sample, as the record's own gap says.
  EXPECT_EQ(gaps(selected({{kMorning, 4}, {kAfternoon, 3}})), (Gaps{{3, 4, 35}}));
  // Recordings that follow on, one sample apart, have none; two that overlap go back in time.
  EXPECT_TRUE(gaps(selected({{kMorning, 11}, {{12, 7, 15, 0}, 2}})).empty());
  EXPECT_EQ(gaps(selected({{kMorning, 12}, {{12, 7, 15, 0}, 2}})), (Gaps{{11, 12, -5}}));
  // Every minute to 14:10, then every 10 minutes from 14:20 to 14:40: the change of rate is no
  // gap; then 10 h 30 min without a sample before the next recording's first at 01:20.
  const SampleTable mixed =
      selected({{{12, 7, 14, 0, 1}, 10}, {{12, 7, 14, 10, 3}, 3}, {{12, 8, 1, 10, 3}, 3}});
  ASSERT_EQ(mixed.rateMinutes, 0);
  EXPECT_EQ(gaps(mixed), (Gaps{{12, 13, 630}}));
  // No time stamps, no gaps.
  SampleTable unstamped = mixed;
  for (SampleNumbers& sample : unstamped.samples) sample.hasStamp = false;
  EXPECT_TRUE(gaps(unstamped).empty());
}

}  // namespace
