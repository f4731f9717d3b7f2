// A station's alarm rule read from the archive, the excursions shaded on the chart window on both
// axes, and listed on the report of a station's record, on real widgets and a real archive file.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QCheckBox>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "archive/ArchiveModule.h"
#include "archive/DownloadArchive.h"
#include "charts/ChartTimeOptions.h"
#include "charts/ExcursionShading.h"
#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "data/SampleDecoder.h"
#include "tests/record/RecordTestDownloads.h"
#include "window_base/ErrorReport.h"

namespace {

namespace fs = std::filesystem;

// From 15/03/2012 14:45:30 every 5 minutes: 20, 30, 25 and 60 °C.
const char kDownload[] =
    "012003015030\r\n045014002000\r\n007068002188\r\n007068003032\r\n007068002238\r\n"
    "007068004076\r\nA";

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

void Execute(const fs::path& archive, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(archive.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
  sqlite3_free(error);
  sqlite3_close(db);
}

// The chart's excursion bands as (left, right, colour), in the order they were drawn.
std::vector<std::tuple<double, double, QColor>> Bands(LineChart& chart) {
  std::vector<std::tuple<double, double, QColor>> bands;
  for (int i = 0; i < chart.itemCount(); ++i) {
    if (auto* rect = qobject_cast<QCPItemRect*>(chart.item(i))) {
      if (rect->objectName() != QLatin1String("excursion")) continue;
      bands.emplace_back(rect->topLeft->coords().x(), rect->bottomRight->coords().x(),
                         rect->brush().color());
    }
  }
  return bands;
}

class ExcursionDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmorante-excursions-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    SetErrorReportObserver([this](const QString& text) { errors_ << text; }, false);
  }
  void TearDown() override {
    SetErrorReportObserver(nullptr);
    fs::remove_all(dir_);
  }

  fs::path dir_;
  QStringList errors_;
};

TEST_F(ExcursionDisplayTest, TheRuleIsReadAsKeptAndNothingIsReadOrMadeWithoutOne) {
  const fs::path archive = dir_ / "archivo.sqlite";
  ArchiveModule& module = DiskArchiveModule();
  EXPECT_FALSE(module.ReadAlarmRule(archive.string(), "norte"));
  EXPECT_FALSE(fs::exists(archive));

  DownloadArchive{archive.string()};
  Execute(archive,
          "INSERT INTO alarm_rules (station, t_high, t_warn_high, rh_low, delay_minutes,"
          " hysteresis, changed_at) VALUES ('norte', 29.5, 24, 10, 15, 0.5,"
          " '2026-12-08T10:00:00+01:00')");
  AlarmRule expected;
  expected.temperatureHigh = 29.5;
  expected.temperatureWarnHigh = 24;
  expected.humidityLow = 10;
  expected.delayMinutes = 15;
  expected.hysteresis = 0.5;
  EXPECT_EQ(module.ReadAlarmRule(archive.string(), "norte"), expected);
  EXPECT_FALSE(module.ReadAlarmRule(archive.string(), "sur"));
}

TEST_F(ExcursionDisplayTest, TheChartsShadeTheStationsExcursionsOnEitherAxis) {
  SampleTable table = SampleDecoder().Decode(kDownload);
  table.station = "norte";
  AlarmRule rule;
  rule.temperatureHigh = 29.0;
  rule.temperatureWarnHigh = 24.0;
  TForm6 charts;
  charts.SetTableSource([&table] { return &table; });
  std::vector<std::string> asked;
  bool failing = false;
  charts.SetAlarmRuleSource([&](const std::string& station) -> std::optional<AlarmRule> {
    asked.push_back(station);
    if (failing) throw std::runtime_error("el archivo está dañado");
    return rule;
  });
  charts.resize(553, 521);
  charts.FormActivate();
  ChartTimeOptions options(
      &charts, [&table] { return &table; }, [] { return analysis::LimitSettings{}; });
  options.Apply();

  // 20, 30, 25, 60 °C: a warning from the second sample to the end, and two alarms within it, the
  // first ended by the third sample. Warnings are drawn first, under the alarms.
  const QColor warning = ExcursionShade(AlarmLevel::kWarning);
  const QColor alarm = ExcursionShade(AlarmLevel::kAlarm);
  using Band = std::tuple<double, double, QColor>;
  EXPECT_EQ(Bands(*charts.Chart1),
            (std::vector<Band>{{0.5, 3.5, warning}, {0.5, 1.5, alarm}, {2.5, 3.5, alarm}}));
  EXPECT_TRUE(Bands(*charts.Chart2).empty());  // no humidity limits
  EXPECT_EQ(asked, std::vector<std::string>{"norte"});

  // On the time axis the bands follow the samples' times: half the 5-minute rate either side.
  options.timeAxisBox()->setChecked(true);
  const double first = charts.Series1->data()->at(0)->key;
  const auto bands = Bands(*charts.Chart1);
  ASSERT_EQ(bands.size(), 3u);
  EXPECT_EQ(std::get<0>(bands[1]), first + 150);
  EXPECT_EQ(std::get<1>(bands[1]), first + 450);
  EXPECT_EQ(std::get<1>(bands[0]), first + 3 * 300 + 150);

  // A rule that cannot be read is reported and the curves stay, unshaded; a table of no station
  // asks for none.
  failing = true;
  options.Apply();
  EXPECT_EQ(errors_.size(), 1);
  EXPECT_TRUE(Bands(*charts.Chart1).empty());
  EXPECT_EQ(charts.Chart1->PointCount(), 4);
  const std::size_t askedBefore = asked.size();
  table.station.clear();
  options.Apply();
  EXPECT_EQ(asked.size(), askedBefore);
  EXPECT_EQ(errors_.size(), 1);
}

TEST_F(ExcursionDisplayTest, TheReportOfAStationWithARuleListsThePeriodsExcursions) {
  const fs::path archivePath = dir_ / "estaciones.sqlite";
  {
    DownloadArchive archive(archivePath.string());
    NewDownload download;
    download.port = "/dev/ttyUSB0";
    for (const char* station : {"norte", "sur"}) {
      download.station = station;
      // Humidities 50.00, 50.04, 50.08 and 50.12 % from 14:10; then 50.00, 50.04, 50.08 % from
      // 15:05.
      download.rawText = record_test::Download({12, 7, 14, 5}, record_test::Readings(4));
      archive.Add(download);
      download.rawText = record_test::Download({12, 7, 15, 0}, record_test::Readings(3));
      archive.Add(download);
    }
  }
  Execute(archivePath,
          "INSERT INTO alarm_rules (station, rh_high, changed_at) VALUES ('norte', 50.06,"
          " '2026-12-08T10:00:00+01:00')");
  const auto report = [&](const std::string& station, const std::string& more) {
    const fs::path pdf = dir_ / (station + ".pdf");
    const int code = std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                  std::string(VELMORANTE_PROGRAM) + "' --report --station " +
                                  station + " --archive '" + archivePath.string() + "' --out '" +
                                  pdf.string() + "' " + more + " 2>/dev/null")
                                     .c_str());
    EXPECT_EQ(code, 0);
    return CommandOutput("pdftotext -layout '" + pdf.string() + "' - 2>&1");
  };
  // Each recording ends beyond the limit: both excursions are open. The first began before the
  // period and ran into it, and keeps its own start.
  const std::string text = report("norte", "--from 2026-12-07T14:25:00");
  EXPECT_NE(text.find("Humedad alta"), std::string::npos) << text;
  EXPECT_NE(text.find("07/12/2026 14:20:00"), std::string::npos) << text;
  EXPECT_NE(text.find("07/12/2026 15:15:00"), std::string::npos) << text;
  EXPECT_NE(text.find("abierta"), std::string::npos) << text;
  EXPECT_NE(text.find("50,06 %HR"), std::string::npos) << text;  // the limit
  EXPECT_NE(text.find("50,12 %HR"), std::string::npos) << text;  // the first one's peak
  // A period after both excursions' samples and a station with no rule.
  EXPECT_NE(report("norte", "--to 2026-12-07T14:15:00").find("Ninguna excursión"),
            std::string::npos);
  EXPECT_EQ(report("sur", "").find("Excursión"), std::string::npos);
}

}  // namespace
