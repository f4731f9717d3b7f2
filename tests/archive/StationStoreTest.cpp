// Stations in the archive file: settings kept and refused, events and status read back as written,
// the samples archived for a recording, and the short texts of intervals.
#include <gtest/gtest.h>

#include "archive/DownloadArchive.h"
#include "archive/DurationText.h"
#include "archive/StationStore.h"
#include "data/StartTexts.h"
#include "tests/archive/ArchiveTestFiles.h"

namespace {

using namespace archive_test;
using std::chrono::hours;
using std::chrono::seconds;
using std::chrono::system_clock;

StationSettings Station(std::string name, std::string port = "/dev/serial/by-id/usb-X-if00") {
  StationSettings settings;
  settings.name = std::move(name);
  settings.port = std::move(port);
  return settings;
}

system_clock::time_point At(long long secondsSinceEpoch) {
  return system_clock::time_point(seconds(secondsSinceEpoch));
}

TEST(StationStore, SettingsRoundTripAndBadOnesAreRefusedLeavingTheStoreAsItWas) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  {
    StationStore store(path);
    StationSettings one = Station("camara1");
    one.resetAt = 2000;
    one.downloadEvery = seconds(30);
    store.Add(one);
    store.Add(Station("Almacen_2.b-x", "/dev/ttyUSB1"));
    EXPECT_THROW(store.Add(Station("camara1", "/dev/ttyUSB9")), StationError);

    for (const char* name : {"", "con espacio", "ñandú", "a/b", "x;DROP"})
      EXPECT_THROW(store.Add(Station(name)), StationError) << name;
    EXPECT_THROW(store.Add(Station(std::string(65, 'a'))), StationError);
    EXPECT_NO_THROW(store.Add(Station(std::string(64, 'a'))));
    EXPECT_THROW(store.Add(Station("noport", "")), StationError);
    StationSettings bad = Station("bad");
    for (int resetAt : {0, -1, 2001}) {
      bad.resetAt = resetAt;
      EXPECT_THROW(store.Add(bad), StationError) << resetAt;
    }
    bad.resetAt = 1;
    bad.downloadEvery = seconds(29);
    EXPECT_THROW(store.Add(bad), StationError);
    bad.downloadEvery = kStationLongestInterval + seconds(1);
    EXPECT_THROW(store.Add(bad), StationError);

    StationSettings changed = Station("camara1", "/dev/ttyACM0");
    changed.resetAt = 1;
    changed.downloadEvery = hours(6);
    store.Update(changed);
    EXPECT_THROW(store.Update(Station("nadie")), StationError);
    changed.resetAt = 0;
    EXPECT_THROW(store.Update(changed), StationError);
    EXPECT_THROW(store.Remove("nadie"), StationError);
    store.Remove(std::string(64, 'a'));
  }
  // Read back by a second opening, read-only, as `station list` does.
  StationStore reader(path, ArchiveAccess::kReadOnly);
  const std::vector<StationSettings> list = reader.List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Almacen_2.b-x");
  EXPECT_EQ(list[0].resetAt, 1500);
  EXPECT_EQ(list[0].downloadEvery, hours(24));
  EXPECT_EQ(list[1].name, "camara1");
  EXPECT_EQ(list[1].port, "/dev/ttyACM0");
  EXPECT_EQ(list[1].resetAt, 1);
  EXPECT_EQ(list[1].downloadEvery, hours(6));
  EXPECT_FALSE(reader.Find("bad"));
  EXPECT_THROW(reader.Add(Station("otra")), ArchiveError);
}

TEST(StationStore, EventsNewestFirstAndStatusReadBackWithItsGaps) {
  TempFolder folder;
  StationStore store(folder.File("a.sqlite"));
  store.Add(Station("camara1"));
  for (int i = 0; i < 5; ++i) {
    StationEvent event;
    event.station = i == 2 ? "otra" : "camara1";
    event.at = At(1796685000 + i);
    event.kind = i == 4 ? StationEventKind::kDownloadFailed : StationEventKind::kConnected;
    event.detail = "n" + std::to_string(i);
    if (i == 4) {
      event.loggerClock = "2026-12-07T14:05:00";
      event.clockDriftSeconds = -75;
    }
    store.AddEvent(event);
  }
  const std::vector<StationEvent> events = store.Events("camara1", 3);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].detail, "n4");
  EXPECT_EQ(events[0].kind, StationEventKind::kDownloadFailed);
  EXPECT_EQ(events[0].at, At(1796685004));
  EXPECT_EQ(events[0].loggerClock, "2026-12-07T14:05:00");
  EXPECT_EQ(events[0].clockDriftSeconds, -75);
  EXPECT_EQ(events[1].detail, "n3");
  EXPECT_FALSE(events[1].clockDriftSeconds);
  EXPECT_EQ(events[2].detail, "n1");
  EXPECT_STREQ(StationEventCode(StationEventKind::kDownloadFailed), "download_failed");

  EXPECT_FALSE(store.ReadStatus("camara1"));
  StationStatus status;
  status.station = "camara1";
  status.updatedAt = At(1796685100);
  status.pid = 4242;
  status.connected = true;
  status.lastReplyAt = At(1796685099);
  status.clockDriftSeconds = 3;
  status.memoryUsed = 812;
  status.batteryPercent = 87.5;
  status.rateMinutes = 5;
  status.recordingStart = "2026-12-07T10:00:00";
  status.nextDownloadAt = At(1796770000);
  status.problem = "memoria casi llena";
  store.WriteStatus(status);
  status.memoryUsed = 813;  // rewritten, not added
  store.WriteStatus(status);
  const std::optional<StationStatus> read = store.ReadStatus("camara1");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->updatedAt, status.updatedAt);
  EXPECT_EQ(read->pid, 4242);
  EXPECT_TRUE(read->connected);
  EXPECT_EQ(read->lastReplyAt, status.lastReplyAt);
  EXPECT_EQ(read->loggerClock, "");
  EXPECT_EQ(read->clockDriftSeconds, 3);
  EXPECT_EQ(read->memoryUsed, 813);
  EXPECT_EQ(read->batteryPercent, 87.5);
  EXPECT_EQ(read->rateMinutes, 5);
  EXPECT_EQ(read->recordingStart, "2026-12-07T10:00:00");
  EXPECT_FALSE(read->lastDownloadAt);
  EXPECT_EQ(read->nextDownloadAt, status.nextDownloadAt);
  EXPECT_EQ(read->problem, "memoria casi llena");

  // Removing the station keeps its history but not what it last saw.
  store.Remove("camara1");
  EXPECT_FALSE(store.ReadStatus("camara1"));
  EXPECT_EQ(store.Events("camara1", 10).size(), 4u);
}

TEST(StationStore, ArchivedSamplesCountOnlyCompleteDownloadsOfThatStationAndRecording) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  DownloadArchive archive(path);
  const auto add = [&](int samples, const char* station, EndReason reason, int seed = 0) {
    NewDownload download;
    download.rawText = DownloadText(samples, seed);
    if (reason != EndReason::kNone) download.rawText.pop_back();  // no end marker
    download.receivedAt = At(1796685071);
    download.port = "/dev/ttyUSB0";
    download.program = "velmorante-cli";
    download.reason = reason;
    download.station = station;
    return archive.Add(download);
  };
  add(10, "camara1", EndReason::kNone);
  add(40, "camara1", EndReason::kNone);
  add(90, "camara1", EndReason::kLineLost);  // cut short: not counted
  add(70, "otra", EndReason::kNone);         // another station's
  add(80, "", EndReason::kNone);             // taken by hand
  const DownloadSummary first = archive.List().back();
  ASSERT_TRUE(first.start);
  const std::string start = StartIsoText(*first.start);

  StationStore store(path);
  EXPECT_EQ(store.ArchivedSamples("camara1", start, first.rateMinutes), 40);
  EXPECT_EQ(store.ArchivedSamples("otra", start, first.rateMinutes), 70);
  const int otherRate = first.rateMinutes == 60 ? 1 : 60;
  EXPECT_EQ(store.ArchivedSamples("camara1", start, otherRate), 0);
  EXPECT_EQ(store.ArchivedSamples("camara1", "2030-01-01T00:00:00", first.rateMinutes), 0);
  EXPECT_EQ(store.ArchivedSamples("nadie", start, first.rateMinutes), 0);
}

TEST(StationStore, ReadingNeitherCreatesNorMigratesAFile) {
  TempFolder folder;
  const std::string missing = folder.File("none.sqlite");
  EXPECT_THROW(StationStore(missing, ArchiveAccess::kReadOnly), ArchiveError);
  EXPECT_FALSE(fs::exists(missing));
  // An archive from before stations: read as it is, with no stations, and left byte for byte.
  const std::string older = folder.File("older.sqlite");
  fs::copy_file(VELMORANTE_ARCHIVE_FIXTURES "/archive-3.2.0.sqlite", older);
  const std::string before = Bytes(older);
  {
    StationStore store(older, ArchiveAccess::kReadOnly);
    EXPECT_TRUE(store.List().empty());
    EXPECT_FALSE(store.ReadStatus("camara1"));
    EXPECT_TRUE(store.Events("camara1", 5).empty());
    EXPECT_EQ(store.ArchivedSamples("camara1", "2026-12-07T10:00:00", 5), 0);
  }
  EXPECT_EQ(Bytes(older), before);
  // Opened for writing, it is brought up to date and takes stations.
  StationStore writer(older);
  writer.Add(Station("camara1"));
  EXPECT_TRUE(writer.Find("camara1"));
}

TEST(DurationText, ReadsUnitsInOrderAndRefusesEverythingElse) {
  EXPECT_EQ(ParseDuration("30s"), seconds(30));
  EXPECT_EQ(ParseDuration("10m"), seconds(600));
  EXPECT_EQ(ParseDuration("6h"), hours(6));
  EXPECT_EQ(ParseDuration("1d"), hours(24));
  EXPECT_EQ(ParseDuration("1d12h"), hours(36));
  EXPECT_EQ(ParseDuration("1h30m15s"), seconds(5415));
  EXPECT_EQ(ParseDuration("0s"), seconds(0));
  EXPECT_EQ(ParseDuration("007m"), seconds(420));
  EXPECT_EQ(ParseDuration("36600d"), hours(24 * 36600));
  for (const char* bad :
       {"", "30", "s", "1x", "1D", "1 d", " 1d", "1d ", "-1d", "+1d", "1.5h", "12h1d", "1h1h",
        "1d1", "36601d", "99999999999999999999s", "9223372036854775807d", "1d\n"})
    EXPECT_FALSE(ParseDuration(bad)) << bad;
  EXPECT_FALSE(ParseDuration(std::string_view("1d\0", 3)));

  EXPECT_EQ(DurationText(seconds(0)), "0s");
  EXPECT_EQ(DurationText(seconds(-5)), "0s");
  EXPECT_EQ(DurationText(seconds(90)), "1m30s");
  EXPECT_EQ(DurationText(hours(36)), "1d12h");
  EXPECT_EQ(DurationText(hours(24)), "1d");
  for (const long long length : {1LL, 59LL, 86399LL, 90061LL, 31622400LL})
    EXPECT_EQ(ParseDuration(DurationText(seconds(length))), seconds(length)) << length;
}

}  // namespace
