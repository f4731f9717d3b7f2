// The alarm list as people read it: a clock drift of years, in seconds, written whole rather than
// with an exponent.
#include <gtest/gtest.h>

#include "alarms/AlarmStore.h"
#include "archive/StationStore.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

TEST(CliAlarmFigures, AListWritesLargeAndFractionalPeaksWithoutAnExponent) {
  archive_test::TempFolder folder;
  const std::string archive = folder.File("descargas.sqlite");
  StationStore(archive).Add({"camara1", "/dev/ttyUSB0", 1500, std::chrono::hours(24)});
  Alarm drift;
  drift.station = "camara1";
  drift.kind = AlarmKind::kClockDrift;
  drift.startedAt = "2026-12-07T14:05:00";
  drift.limit = 120;
  drift.peak = -237442000;
  AlarmStore(archive).Raise(drift);
  Alarm warm = drift;
  warm.kind = AlarmKind::kTemperatureHigh;
  warm.limit = 8;
  warm.peak = 9.25;
  AlarmStore(archive).Raise(warm);
  const CliOutputFiles files{folder.File("out"), folder.File("err")};
  ASSERT_EQ(WaitForCli(StartCli({"alarms", "--archive", archive}, files)), 0);
  const std::string listed = archive_test::Bytes(files.out);
  EXPECT_NE(listed.find("-237442000 "), std::string::npos) << listed;
  EXPECT_NE(listed.find("9.25 "), std::string::npos) << listed;
  EXPECT_EQ(listed.find("e+"), std::string::npos) << listed;
}

}  // namespace
