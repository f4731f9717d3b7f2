// The stations in the windows, on a real archive file: the stations window lists each station with
// what its service last saw, and a port held by a running station's service is named as such when
// the main window cannot open it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "app/StationRows.h"
#include "app/StationsWindow.h"
#include "archive/CalibrationStore.h"
#include "archive/StationStore.h"
#include "link/CPort.h"
#include "tests/app/MainWindowBench.h"

namespace {

using std::chrono::system_clock;
namespace fs = std::filesystem;

constexpr int kWaitMs = 10000;  // generous: the machine may be loaded

// A fresh folder for one test's archive and links.
fs::path TestFolder(const std::string& name) {
  const fs::path folder = fs::path(testing::TempDir()) / ("velmorante-stations-" + name);
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// A status row as this process's service would write it: running while `updatedAt` is recent.
StationStatus StatusOf(const std::string& station, system_clock::time_point updatedAt) {
  StationStatus status;
  status.station = station;
  status.updatedAt = updatedAt;
  status.pid = getpid();
  return status;
}

QString Cell(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QString();
}

TEST(StationsWindow, ListsEachStationWithItsStatusAndFollowsTheArchive) {
  const fs::path archive = TestFolder("window") / "archive.sqlite";
  const system_clock::time_point now = system_clock::now();
  {
    StationStore store(archive.string());
    store.Add({"bodega", "/dev/serial/by-id/bodega", 1500, std::chrono::hours(24)});
    store.Add({"invernadero", "/dev/serial/by-id/invernadero", 1500, std::chrono::hours(24)});
    store.Add({"nave", "/dev/serial/by-id/nave", 1500, std::chrono::hours(24)});
    StationStatus working = StatusOf("invernadero", now);
    working.connected = true;
    working.lastReplyAt = now;
    working.memoryUsed = 500;
    working.rateMinutes = 10;
    working.batteryPercent = 87.4;
    working.clockDriftSeconds = 3;
    store.WriteStatus(working);
    // The service's row is older than a running service leaves it: stopped.
    StationStatus stale = StatusOf("bodega", now - std::chrono::minutes(10));
    stale.connected = true;
    store.WriteStatus(stale);
    store.WriteStatus(StatusOf("nave", now));  // running, the logger not answering
  }

  StationsWindow window([&] { return archive.string(); });
  window.show();
  QTableWidget* table = window.Table();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(Cell(table, 0, kStationName), "bodega");
  EXPECT_EQ(Cell(table, 0, kStationState), "detenido");
  EXPECT_EQ(Cell(table, 1, kStationName), "invernadero");
  EXPECT_EQ(Cell(table, 1, kStationPort), "/dev/serial/by-id/invernadero");
  EXPECT_EQ(Cell(table, 1, kStationState), "funcionando");
  // 1500 samples left at 10 minutes each: full 15000 minutes after the last reply.
  const QString full = QString::fromStdString(LocalTimeText(now + std::chrono::minutes(1500 * 10)));
  EXPECT_EQ(Cell(table, 1, kStationMemory), "500 de 2000, llena el " + full);
  EXPECT_EQ(Cell(table, 1, kStationBattery), "87 %");
  EXPECT_EQ(Cell(table, 1, kStationDrift), "+3");
  EXPECT_EQ(Cell(table, 1, kStationNextDownload), "-");
  EXPECT_EQ(Cell(table, 2, kStationState), "sin conexión");

  // While it shows, what the service writes next appears without any action.
  EXPECT_TRUE(window.RefreshTimer()->isActive());
  {
    StationStore store(archive.string());
    StationStatus full2 = StatusOf("nave", system_clock::now());
    full2.problem = "la memoria se llena y no se puede vaciar";
    store.WriteStatus(full2);
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Cell(table, 2, kStationProblem).isEmpty(); }, kWaitMs));
  EXPECT_EQ(Cell(table, 2, kStationProblem), "la memoria se llena y no se puede vaciar");
  window.close();
  EXPECT_FALSE(window.RefreshTimer()->isActive());
}

// A station's latest calibration shows with its due date; one past it is flagged as expired.
TEST(StationsWindow, FlagsAnExpiredCalibration) {
  const fs::path archive = TestFolder("calibration") / "archive.sqlite";
  {
    StationStore store(archive.string());
    store.Add({"bodega", "/dev/serial/by-id/bodega", 1500, std::chrono::hours(24)});
    store.Add({"nave", "/dev/serial/by-id/nave", 1500, std::chrono::hours(24)});
    CalibrationStore calibrations(archive.string());
    Calibration calibration;
    calibration.certificate = "C-1";
    calibration.certificateDate = calibration.appliesFrom = "2020-01-10";
    calibration.due = "2021-01-10";
    for (const char* station : {"bodega", "nave"}) {
      calibration.station = station;
      calibrations.Set(calibration, CurrentActor("test", "0"), "prueba");
    }
    // The later certificate of "nave" is the one in force, and it is not due yet.
    calibration.certificate = "C-2";
    calibration.appliesFrom = "2021-01-10";
    calibration.due = "9999-12-31";
    calibrations.Set(calibration, CurrentActor("test", "0"), "prueba");
  }
  StationsWindow window([&] { return archive.string(); });
  window.show();
  QTableWidget* table = window.Table();
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_EQ(Cell(table, 0, kStationCalibration), "VENCIDA el 10/01/2021 (C-1)");
  EXPECT_EQ(table->item(0, kStationCalibration)->foreground().color(), QColor(Qt::red));
  EXPECT_EQ(Cell(table, 1, kStationCalibration), "C-2, vence el 31/12/9999");
  window.close();
}

TEST(StationsWindow, MissingArchiveIsNotCreated) {
  const fs::path archive = TestFolder("missing") / "archive.sqlite";
  StationsWindow window([&] { return archive.string(); });
  window.show();
  EXPECT_EQ(window.Table()->rowCount(), 0);
  EXPECT_TRUE(window.PlaceText().contains("No hay estaciones"));
  EXPECT_FALSE(fs::exists(archive));
  window.close();
}

TEST(StationsWindow, PortHeldByARunningStationNamesIt) {
  const fs::path folder = TestFolder("busy");
  const fs::path archive = folder / "archive.sqlite";
  MainWindowBench bench;
  bench.StartLogger();
  TForm1& main = bench.Main();
  main.SetArchivePath(archive.string());
  // The station knows its port by another name for the same device.
  const fs::path link = folder / "by-id-logger";
  fs::create_symlink(main.ComPort1.Port(), link);
  {
    StationStore store(archive.string());
    store.Add({"invernadero", link.string(), 1500, std::chrono::hours(24)});
    store.WriteStatus(StatusOf("invernadero", system_clock::now()));
  }
  TComPort service;  // the station's service, holding the port
  service.SetPort(main.ComPort1.Port());
  service.Connect();

  bench.ClickSwitch();
  ASSERT_EQ(bench.errors().size(), 1);
  const QString port = QString::fromStdString(main.ComPort1.Port());
  EXPECT_EQ(bench.errors().back(),
            "El puerto " + port +
                " lo usa la estación invernadero, que está funcionando. Deténgala (systemctl "
                "--user stop velmorante-station@invernadero) o use otro puerto.");
  EXPECT_FALSE(main.ComPort1.Connected());

  // A station that no longer runs is not blamed: the port's own message is given.
  {
    StationStore store(archive.string());
    store.WriteStatus(StatusOf("invernadero", system_clock::now() - std::chrono::hours(1)));
  }
  bench.ClickSwitch();
  ASSERT_EQ(bench.errors().size(), 2);
  EXPECT_FALSE(bench.errors().back().contains("estación"));
  EXPECT_TRUE(bench.errors().back().contains("en uso por otro programa"));
  service.Disconnect();
}

}  // namespace
