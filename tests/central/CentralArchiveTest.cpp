// The central archive against a real PostgreSQL server: its roles refuse every change but
// inserting, a push is read back whole and verifies, and pushing again adds nothing.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

#include "alarms/AlarmStore.h"
#include "archive/AuditCheck.h"
#include "archive/Sqlite.h"
#include "central/CentralArchive.h"
#include "central/CentralPush.h"
#include "central/CentralSchema.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"

namespace {

using archive_test::TempFolder;

// Every table of the central archive with one of its columns.
const std::pair<const char*, const char*> kTables[] = {
    {"central_schema", "version"}, {"sources", "host"},         {"stations", "port"},
    {"downloads", "port"},         {"download_texts", "raw"},   {"alarms", "kind"},
    {"alarm_events", "event"},     {"calibrations", "station"}, {"audit_entries", "reason"}};

TEST(CentralArchive, StationRoleMayInsertButNeverUpdateOrDeleteAndReaderOnlyReads) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  cluster.CreateDatabase("central");
  {
    PgConnection owner(cluster.Url("central"));
    InitCentralArchive(owner);
    InitCentralArchive(owner);  // again: nothing changes, nothing fails
  }
  TempFolder folder;
  central_test::ArchiveDownloads(folder.File("a.sqlite"), "norte", 2);
  // A station pushes as velmorante_station itself.
  const PushResult pushed =
      PushToCentral(folder.File("a.sqlite"), cluster.Url("central", "velmorante_station"));
  EXPECT_EQ(pushed.added.downloads, 2);

  PgConnection station(cluster.Url("central", "velmorante_station"));
  for (const auto& [table, column] : kTables) {
    SCOPED_TRACE(table);
    for (const std::string& change :
         {std::string("UPDATE ") + table + " SET " + column + " = " + column,
          std::string("DELETE FROM ") + table, std::string("TRUNCATE ") + table}) {
      try {
        station.Execute(change);
        ADD_FAILURE() << change << " was allowed";
      } catch (const ArchiveError& error) {
        EXPECT_EQ(SqlStateOf(error), "42501") << error.what();
        EXPECT_NE(std::string(error.what()).find("permission denied"), std::string::npos);
      }
    }
  }
  PgConnection reader(cluster.Url("central", "velmorante_reader"));
  EXPECT_EQ(central_test::Downloads(reader), 2);
  try {
    reader.Execute("INSERT INTO sources (id, host) VALUES (repeat('0', 32), 'x')");
    ADD_FAILURE() << "the reader inserted";
  } catch (const ArchiveError& error) {
    EXPECT_EQ(SqlStateOf(error), "42501");
  }
}

TEST(CentralArchive, PushIsReadBackWholeVerifiesAndRepeatingItAddsNothing) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  const std::string url = central_test::CentralOn(cluster);
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  // Seven downloads, the first of them twice in the same second: still two records; an eighth.
  central_test::ArchiveDownloads(path, "norte", 6, 0, true);
  {
    // And one whose port name holds what the server's bulk transfer escapes.
    NewDownload odd;
    odd.rawText = archive_test::DownloadText(2, 99);
    odd.receivedAt = std::chrono::system_clock::time_point(std::chrono::seconds(1'796'900'000));
    odd.port = "puerto\t\\N raro\n\\x41\x01";
    odd.program = "velmorante-cli 9.9.9";
    odd.station = "norte";
    DownloadArchive(path).Add(odd);
  }
  Alarm alarm;
  alarm.station = "norte";
  alarm.kind = AlarmKind::kTemperatureHigh;
  alarm.limit = 25;
  alarm.startedAt = "2026-12-01T10:00:00";
  alarm.peak = 27.5;
  {
    AlarmStore store(path);
    const Alarm raised = store.Raise(alarm);
    store.Acknowledge(raised.id, CurrentActor("velmorante-cli", "9.9.9"), "puerta abierta");
  }
  EXPECT_EQ(PendingPushOf(path, url).downloads, 8);

  const PushResult first = PushToCentral(path, url, central_test::InBatchesOf(3));
  EXPECT_EQ(first.added.downloads, 8);
  EXPECT_EQ(first.added.alarms, 1);
  EXPECT_EQ(first.added.alarmEvents, 2);
  EXPECT_EQ(PendingPushOf(path, url).total(), 0);
  const PushResult again = PushToCentral(path, url);
  EXPECT_EQ(again.sent.total(), 0);

  // The marks are only a shortcut: a copy of the archive without them sends everything again,
  // and the server keeps nothing twice.
  const std::string copy = folder.File("copy.sqlite");
  std::filesystem::copy_file(path, copy);
  {
    SqliteConnection file;
    file.Open(copy, SQLITE_OPEN_READWRITE);
    file.Execute("DELETE FROM central_pushes");
  }
  const PushResult fromCopy = PushToCentral(copy, url);
  EXPECT_EQ(fromCopy.sent.downloads, 8);
  EXPECT_EQ(fromCopy.added.total(), 0);

  auto local = OpenArchiveReader(path);
  auto central = OpenArchiveReader(url);
  const std::vector<DownloadSummary> records = central->List();
  ASSERT_EQ(records.size(), 8u);
  const std::vector<DownloadSummary> localRecords = local->List();
  for (std::size_t k = 0; k < records.size(); ++k) {
    EXPECT_EQ(records[k].sha256, localRecords[k].sha256);
    EXPECT_EQ(records[k].port, localRecords[k].port);
    EXPECT_EQ(records[k].station, "norte");
    EXPECT_EQ(central->Get(records[k].id).rawText, local->Get(localRecords[k].id).rawText);
  }
  EXPECT_TRUE(central->Verify().empty());
  ArchiveCheckCounts counts;
  EXPECT_TRUE(central->CheckRecords(&counts).empty());
  EXPECT_EQ(counts.downloads, 8);
  EXPECT_EQ(counts.entries, static_cast<std::int64_t>(local->AuditEntries().size()));
  const std::vector<Alarm> alarms = central->Alarms("", false);
  ASSERT_EQ(alarms.size(), 1u);
  ASSERT_TRUE(alarms[0].acknowledgement);
  EXPECT_EQ(alarms[0].acknowledgement->comment, "puerta abierta");
  int visited = 0;
  central->ForEachStationDownload("norte", [&](const DownloadSummary&, std::string_view raw) {
    EXPECT_FALSE(raw.empty());
    ++visited;
  });
  EXPECT_EQ(visited, 8);

  // A changed audit entry on the server breaks that source's chain, and verifying says so.
  PgConnection owner(url);
  owner.Execute("UPDATE audit_entries SET reason = 'cambiado' WHERE seq = 2");
  EXPECT_FALSE(central->CheckRecords(nullptr).empty());
}

}  // namespace
