// A station on the logger emulator whose memory fills a sample every 2 s: through several resets,
// an unplugged adapter and a restart, no sample is erased before it was downloaded, and every
// recording's downloads agree on the samples they share.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "data/SampleDecoder.h"
#include "data/StartTexts.h"
#include "sim/LoggerEmulator.h"
#include "station/StationRunner.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/station/FillingLogger.h"

namespace {

using namespace std::chrono_literals;

// A station service running on a thread of its own until the object goes.
class RunningStation {
 public:
  RunningStation(const StationSettings& settings, const std::string& archive) {
    StationTiming timing;
    timing.replyTimeout = 3s;
    timing.firstPause = 100ms;
    timing.maxPause = 400ms;
    timing.retryPause = 500ms;
    timing.maxRetry = 2s;
    timing.statusEvery = 1s;
    runner_ = std::make_unique<StationRunner>(settings, archive, log_, timing);
    thread_ = std::thread([this] { status_ = runner_->Run(); });
  }
  ~RunningStation() {
    Stop();
    if (::testing::Test::HasFailure()) std::cerr << log_.str();
  }
  int Stop() {
    if (thread_.joinable()) {
      runner_->Stop();
      thread_.join();
    }
    return status_;
  }

 private:
  std::ostringstream log_;
  std::unique_ptr<StationRunner> runner_;
  std::thread thread_;
  int status_ = -1;
};

TEST(StationRunner, NoSampleIsErasedUnseenThroughResetsUnplugAndRestart) {
  archive_test::TempFolder folder;
  const LoggerOptions options = station_test::FillingLogger(folder.File("logger"));
  LoggerEmulator logger(options);
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  const StationSettings settings{"camara1", options.linkPath, 4, std::chrono::hours(24)};
  StationStore(archive).Add(settings);

  {
    RunningStation station(settings, archive);
    ASSERT_TRUE(station_test::WaitFor(
        [&] { return station_test::Count(archive, StationEventKind::kReset) >= 2; }));
    logger.Unplug();
    ASSERT_TRUE(station_test::WaitFor(
        [&] { return station_test::Count(archive, StationEventKind::kLost) >= 1; }));
    logger.Replug();
    ASSERT_TRUE(station_test::WaitFor(
        [&] { return station_test::Count(archive, StationEventKind::kReset) >= 3; }));
    EXPECT_EQ(station.Stop(), 0);
  }
  {
    RunningStation restarted(settings, archive);
    ASSERT_TRUE(station_test::WaitFor(
        [&] { return station_test::Count(archive, StationEventKind::kReset) >= 4; }));
    EXPECT_EQ(restarted.Stop(), 0);
  }
  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);

  // Downloads of one recording carry its samples from the first: where they overlap they agree.
  DownloadArchive records(archive, ArchiveAccess::kReadOnly);
  std::map<std::string, std::vector<SampleNumbers>> recordings;
  int downloads = 0;
  for (const DownloadSummary& summary : records.List()) {
    if (summary.station != "camara1" || !summary.complete()) continue;
    ++downloads;
    const SampleTable table = SampleDecoder().Decode(records.Get(summary.id).rawText);
    ASSERT_TRUE(table.start.has_value());
    std::vector<SampleNumbers>& samples = recordings[StartIsoText(*table.start)];
    for (std::size_t k = 0; k < table.samples.size(); ++k) {
      if (k < samples.size()) {
        EXPECT_EQ(samples[k].humidity, table.samples[k].humidity) << "sample " << k + 1;
        EXPECT_EQ(samples[k].temperature, table.samples[k].temperature) << "sample " << k + 1;
      } else {
        samples.push_back(table.samples[k]);
      }
    }
  }
  EXPECT_GE(downloads, 4);
  EXPECT_GE(recordings.size(), 4u);
}

// A logger found with its memory full has stopped recording: nothing is about to be recorded, so
// once its 2000 samples are archived it is emptied.
TEST(StationRunner, AFullMemoryIsEmptiedOnceArchived) {
  archive_test::TempFolder folder;
  LoggerOptions options = station_test::FillingLogger(folder.File("logger"));
  options.storedSamples = 2000;
  options.startTime = std::time(nullptr) - 3000 * 300;  // full long ago
  options.baud = 0;                                     // the whole memory in a moment
  LoggerEmulator logger(options);
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  const StationSettings settings{"camara1", options.linkPath, 1500, std::chrono::hours(24)};
  StationStore(archive).Add(settings);
  RunningStation station(settings, archive);
  ASSERT_TRUE(station_test::WaitFor(
      [&] { return station_test::Count(archive, StationEventKind::kReset) >= 1; }));
  EXPECT_EQ(station.Stop(), 0);
  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);
  // The trail shows the download archived before the clock setting that emptied the memory.
  const std::vector<AuditEntry> entries = DownloadArchive(archive).AuditEntries();
  // The entry written before the command is followed by the one with its outcome.
  const auto reset = std::find_if(entries.begin(), entries.end(), [](const AuditEntry& e) {
    return e.change.action == AuditAction::kSetClock &&
           e.change.newValue->find("\"taken\":true") != std::string::npos;
  });
  ASSERT_NE(reset, entries.end());
  EXPECT_EQ(reset->actor.program, "velmorante-station");
  EXPECT_EQ(reset->change.station, "camara1");
  EXPECT_NE(reset->change.newValue->find("\"taken\":true"), std::string::npos);
  EXPECT_NE(reset->change.oldValue->find("\"logger_clock\":\"20"), std::string::npos);
  ASSERT_NE(reset, entries.begin());
  EXPECT_EQ(entries.front().change.action, AuditAction::kDownload);
  EXPECT_EQ(entries.front().actor.program, "velmorante-station");
}

}  // namespace
