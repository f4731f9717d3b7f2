// Recordings ordered as they were taken: after the clocks went back an hour, a later recording
// may start at an earlier local time than the one before it.
#include <gtest/gtest.h>

#include "record/StationRecord.h"
#include "tests/record/RecordTestDownloads.h"

namespace {

using namespace record;
using namespace record_test;

TEST(RecordOrder, RecordingsFollowWhenTheyWereTakenAcrossAChangeOfTimeZone) {
  DownloadSummary before;  // 15:00 local in summer time, downloaded 14:20 UTC
  before.id = 1;
  before.receivedAt = "2026-10-25T14:20:00Z";
  DownloadSummary after;  // 14:30 local in winter time, an hour and a half later
  after.id = 2;
  after.receivedAt = "2026-10-25T15:50:00Z";
  RecordAssembler assembler;
  assembler.Add(after, Download({10, 25, 14, 30}, Readings(3)));
  assembler.Add(before, Download({10, 25, 15, 0}, Readings(3)));
  const StationRecord record = assembler.Finish();
  ASSERT_EQ(record.segments.size(), 2u);
  EXPECT_EQ(record.segments[0].downloads, std::vector<std::int64_t>{1});
  EXPECT_EQ(record.segments[1].downloads, std::vector<std::int64_t>{2});
}

}  // namespace
