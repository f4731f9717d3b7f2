// What the central archive gives back is what the station keeps: numbers read as the server wrote
// them whatever the program's locale, and an alarm as its latest correction left it.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "alarms/AlarmStore.h"
#include "archive/CalibrationStore.h"
#include "archive/StationStore.h"
#include "central/CentralArchive.h"
#include "central/CentralPush.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"

namespace {

using archive_test::TempFolder;

// Numbers in Spanish (a decimal comma) while it lives, as the windows run on a Spanish desktop.
// When the locale is not installed it is built from the system's locale sources into `folder`.
class SpanishNumbers {
 public:
  explicit SpanishNumbers(const TempFolder& folder) {
    if (std::setlocale(LC_NUMERIC, "es_ES.UTF-8") != nullptr) return;
    const std::string locales = folder.File("locales");
    std::filesystem::create_directories(locales);
    const std::string build = "localedef -i es_ES -f UTF-8 " + locales + "/es_ES.UTF-8";
    if (std::system((build + " >/dev/null 2>&1").c_str()) == -1) return;
    setenv("LOCPATH", locales.c_str(), 1);
    std::setlocale(LC_NUMERIC, "es_ES.UTF-8");
  }
  ~SpanishNumbers() {
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
  }
  static bool InForce() { return std::strtod("1.5", nullptr) == 1.0; }
};

TEST(CentralReadBack, NumbersUnderASpanishLocaleAndAnAlarmsCorrectedStart) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  const std::string url = central_test::CentralOn(cluster);
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  StationStore(path).Add({"norte", "/dev/pts/9", 1500, std::chrono::hours(24)});
  Calibration calibration;
  calibration.station = "norte";
  calibration.temperatureOffset = -0.35;
  calibration.temperatureGain = 1.02;
  calibration.humidityOffset = 1.5;
  calibration.humidityGain = 0.98;
  calibration.certificate = "C-17";
  calibration.certificateDate = "2026-01-10";
  calibration.appliesFrom = "2020-01-01";
  calibration.due = "2027-01-10";
  CalibrationStore(path).Set(calibration, CurrentActor("velmorante-cli", "9.9.9"), "anual");
  // A live alarm, pushed, then corrected by the next download's record and so cleared.
  Alarm alarm;
  alarm.station = "norte";
  alarm.kind = AlarmKind::kTemperatureHigh;
  alarm.limit = 25.5;
  alarm.startedAt = "2026-12-01T10:20:00";
  alarm.peak = 26.25;
  alarm.minutes = 0.5;
  alarm.live = true;
  Alarm raised = AlarmStore(path).Raise(alarm);
  ASSERT_EQ(PushToCentral(path, url).added.alarms, 1);
  raised.startedAt = "2026-12-01T10:05:00";
  raised.endedAt = "2026-12-01T11:00:00";
  raised.minutes = 55.5;
  raised.peak = 27.75;
  raised.live = false;
  AlarmStore(path).Update(raised);
  ASSERT_EQ(PushToCentral(path, url).added.alarmEvents, 1);

  const SpanishNumbers spanish(folder);
  ASSERT_TRUE(SpanishNumbers::InForce()) << "no es_ES.UTF-8 locale here, nor one to build";
  const auto central = OpenCentralArchive(url);
  const std::vector<Calibration> calibrations = central->Calibrations("norte");
  ASSERT_EQ(calibrations.size(), 1u);
  EXPECT_DOUBLE_EQ(calibrations[0].temperatureOffset, -0.35);
  EXPECT_DOUBLE_EQ(calibrations[0].temperatureGain, 1.02);
  EXPECT_DOUBLE_EQ(calibrations[0].humidityOffset, 1.5);
  EXPECT_DOUBLE_EQ(calibrations[0].humidityGain, 0.98);
  const std::vector<Alarm> alarms = central->Alarms("norte", false);
  ASSERT_EQ(alarms.size(), 1u);
  EXPECT_EQ(alarms[0].startedAt, "2026-12-01T10:05:00");
  EXPECT_EQ(alarms[0].endedAt, "2026-12-01T11:00:00");
  EXPECT_DOUBLE_EQ(alarms[0].minutes, 55.5);
  EXPECT_EQ(alarms[0].limit, 25.5);
  EXPECT_EQ(alarms[0].peak, 27.75);
}

}  // namespace
