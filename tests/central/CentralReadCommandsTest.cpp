// The read commands on the central archive: after a station's archive is pushed, each says of
// the central archive what it says of the station's own (the station's record with its
// calibration, its statistics, its alarms and its audit trail), and both verify.
#include <gtest/gtest.h>

#include <cstdlib>

#include "alarms/AlarmStore.h"
#include "archive/ArchiveModule.h"
#include "archive/CalibrationStore.h"
#include "archive/StationStore.h"
#include "central/CentralPush.h"
#include "central/CentralSchema.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"
#include "tests/sim/CliProcess.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

CliRun Cli(std::vector<std::string> args, const archive_test::TempFolder& folder) {
  const CliOutputFiles files{folder.File("out"), folder.File("err")};
  CliRun run;
  run.status = WaitForCli(StartCli(args, files));
  run.out = archive_test::Bytes(files.out);
  return run;
}

TEST(CentralReadCommands, SayOfTheCentralArchiveWhatTheySayOfTheStationsOwn) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  const std::string url = central_test::CentralOn(cluster);
  archive_test::TempFolder folder;
  const std::string archive = folder.File("archivo.sqlite");
  central_test::ArchiveDownloads(archive, "norte", 5);
  Calibration calibration;
  calibration.station = "norte";
  calibration.temperatureOffset = -0.4;
  calibration.humidityGain = 1.02;
  calibration.certificate = "C-17";
  calibration.certificateDate = "2026-01-10";
  calibration.appliesFrom = "2020-01-01";
  calibration.due = "2027-01-10";
  CalibrationStore(archive).Set(calibration, CurrentActor("velmorante-cli", "9.9.9"), "anual");
  Alarm alarm;
  alarm.station = "norte";
  alarm.kind = AlarmKind::kHumidityHigh;
  alarm.limit = 70;
  alarm.startedAt = "2026-12-01T10:00:00";
  AlarmStore(archive).Raise(alarm);
  StationStore(archive).Add({"norte", "/dev/pts/9", 1500, std::chrono::hours(24)});
  AlarmRule rule;
  rule.temperatureHigh = 24.0;
  AlarmStore(archive).SetRule("norte", rule, CurrentActor("velmorante-cli", "9.9.9"), "verano");
  ASSERT_EQ(PushToCentral(archive, url).added.downloads, 5);

  // The windows' view through the archive module: every station, the rule its last change set,
  // the downloads; a download taken in a window goes to this computer's own archive file.
  {
    ArchiveModule& module = DiskArchiveModule();
    const std::vector<StationView> stations = module.ReadStations(url);
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0].settings.name, "norte");
    ASSERT_TRUE(stations[0].calibration);
    EXPECT_EQ(stations[0].calibration->certificate, "C-17");
    EXPECT_EQ(module.ReadAlarmRule(url, "norte"), rule);
    EXPECT_EQ(module.ReadAlarms(url).size(), 1u);
    setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
    const std::unique_ptr<ArchiveStore> store = module.Open(url);
    EXPECT_EQ(store->List().size(), 5u);
    NewDownload taken;
    taken.rawText = archive_test::DownloadText(4, 77);
    taken.receivedAt = std::chrono::system_clock::now();
    taken.port = "/dev/ttyUSB0";
    taken.program = "velmorante 9.9.9";
    store->Add(taken);
    EXPECT_EQ(store->List().size(), 5u);
    EXPECT_EQ(DownloadArchive(folder.File("velmorante/descargas.sqlite"), ArchiveAccess::kReadOnly)
                  .List()
                  .size(),
              1u);
    EXPECT_THROW(module.AcknowledgeAlarm(url, 1, "hecho"), std::exception);
  }

  const std::vector<std::vector<std::string>> reads = {
      {"history", "--json"},
      {"history", "show", "3"},
      {"record", "norte", "--format", "csv"},
      {"stats", "--station", "norte", "--json"},
      {"export", "--history", "2", "--format", "json"},
      {"alarms", "--json"},
      {"audit", "--json"},
      {"audit", "verify"},
      {"history", "verify"},
      {"mapping", "--from", "2020-01-01", "--to", "2030-01-01", "--json"},
  };
  for (std::vector<std::string> read : reads) {
    SCOPED_TRACE(read[0] + " " + read[1]);
    read.push_back("--archive");
    read.push_back(archive);
    const CliRun local = Cli(read, folder);
    read.back() = url;
    const CliRun central = Cli(read, folder);
    EXPECT_EQ(local.status, 0);
    EXPECT_EQ(central.status, 0) << archive_test::Bytes(folder.File("err"));
    if (read[1] == "verify") continue;  // says where it looked
    EXPECT_EQ(central.out, local.out);
  }
}

}  // namespace
