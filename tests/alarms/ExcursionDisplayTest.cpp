// A station's alarm rule read from the archive, the excursions shaded on the chart window on both
// axes, and listed on the report of a station's record, on real widgets and a real archive file;
// a gap in a station's record breaks the chart's line and its shading, and the report lists it.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QCheckBox>
#include <cmath>
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
#include "record/RecordSelection.h"
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

// The humidity chart of a station's record whose two recordings lie 40 minutes apart, beyond the
// limit on both sides of the gap: on either axis the line is broken there and no band crosses it.
TEST_F(ExcursionDisplayTest, AGapInTheRecordBreaksTheLineAndTheShadingOnEitherAxis) {
  record::RecordAssembler assembler;
  DownloadSummary summary;
  summary.id = 1;
  // 50.00, 50.04, 50.08, 50.12 % from 14:10; then 50.08, 50.12, 50.16 % from 15:05.
  assembler.Add(summary, record_test::Download({12, 7, 14, 5}, record_test::Readings(4)));
  summary.id = 2;
  assembler.Add(summary, record_test::Download({12, 7, 15, 0}, {1862, 1863, 1864}));
  SampleTable table = record::SelectRecord(assembler.Finish(), {}).table;
  table.station = "norte";
  AlarmRule rule;
  rule.humidityHigh = 50.06;
  TForm6 charts;
  charts.SetTableSource([&table] { return &table; });
  charts.SetAlarmRuleSource([&](const std::string&) -> std::optional<AlarmRule> { return rule; });
  charts.resize(553, 521);
  charts.FormActivate();
  ChartTimeOptions options(
      &charts, [&table] { return &table; }, [] { return analysis::LimitSettings{}; });
  options.Apply();

  const auto breaks = [&] {
    std::vector<double> keys;
    for (const QCPGraphData& point : *charts.LineSeries1->data())
      if (std::isnan(point.value)) keys.push_back(point.key);
    return keys;
  };
  const QColor alarm = ExcursionShade(AlarmLevel::kAlarm);
  using Band = std::tuple<double, double, QColor>;
  EXPECT_EQ(charts.Chart2->PointCount(), 7);
  EXPECT_EQ(breaks(), std::vector<double>{3.5});
  EXPECT_EQ(Bands(*charts.Chart2), (std::vector<Band>{{1.5, 3.5, alarm}, {3.5, 6.5, alarm}}));

  options.timeAxisBox()->setChecked(true);
  const double at1410 = charts.LineSeries1->data()->at(0)->key;
  const double at1425 = at1410 + 15 * 60;
  const double at1505 = at1410 + 55 * 60;
  EXPECT_EQ(charts.Chart2->PointCount(), 7);
  EXPECT_EQ(breaks(), std::vector<double>{(at1425 + at1505) / 2});
  EXPECT_EQ(Bands(*charts.Chart2), (std::vector<Band>{{at1410 + 600 - 150, at1425 + 150, alarm},
                                                      {at1505 - 150, at1505 + 600 + 150, alarm}}));
  // The read-out names the sample nearest the pointer, breaks left aside.
  const int x = static_cast<int>(charts.Chart2->xAxis->coordToPixel(at1505 - 60));
  EXPECT_TRUE(options.ReadOutAt(*charts.Chart2, x).startsWith(QStringLiteral("Muestra 5 ")))
      << options.ReadOutAt(*charts.Chart2, x).toStdString();
}

// A station's period with 60 excursions and a gap of 10 h 30 min: every excursion on pages that
// each name the station, the period and the page, and a table of the gap.
TEST_F(ExcursionDisplayTest, TheReportOfAStationsPeriodListsEveryExcursionAndGapOnNumberedPages) {
  const fs::path archivePath = dir_ / "estaciones.sqlite";
  {
    DownloadArchive archive(archivePath.string());
    NewDownload download;
    download.port = "/dev/ttyUSB0";
    download.station = "norte";
    // From 00:05 every 5 minutes, 50.08 and 50.00 % in turn: 60 excursions beyond 50.06 %, the
    // last sample at 10:00 back within; then from 20:35 after 10 h 30 min without a sample.
    std::vector<int> readings;
    for (int k = 0; k < 60; ++k) readings.insert(readings.end(), {1862, 1860});
    download.rawText = record_test::Download({12, 7, 0, 0}, readings);
    archive.Add(download);
    download.rawText = record_test::Download({12, 7, 20, 30}, {1860, 1860});
    archive.Add(download);
  }
  Execute(archivePath,
          "INSERT INTO alarm_rules (station, rh_high, changed_at) VALUES ('norte', 50.06,"
          " '2026-12-08T10:00:00+01:00')");
  const fs::path pdf = dir_ / "norte.pdf";
  ASSERT_EQ(
      std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                   std::string(VELMORANTE_PROGRAM) + "' --report --station norte --archive '" +
                   archivePath.string() + "' --out '" + pdf.string() + "'")
                      .c_str()),
      0);
  const auto page = [&](int n) {
    return CommandOutput("pdftotext -layout -f " + std::to_string(n) + " -l " + std::to_string(n) +
                         " '" + pdf.string() + "' - 2>&1");
  };
  const std::string all = CommandOutput("pdftotext -layout '" + pdf.string() + "' - 2>&1");
  const auto count = [](const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(count(all, "Humedad alta"), 60u) << all;
  EXPECT_NE(all.find("07/12/2026 09:55:00"), std::string::npos);  // the last excursion's start
  EXPECT_EQ(all.find("más."), std::string::npos);
  EXPECT_NE(all.find("Huecos del registro: 1"), std::string::npos) << all;
  EXPECT_NE(all.find("07/12/2026 10:00:00"), std::string::npos);
  EXPECT_NE(all.find("07/12/2026 20:35:00"), std::string::npos);
  EXPECT_NE(all.find("10 h 30 min"), std::string::npos) << all;
  // The charts on the first page, the excursions running on over two more.
  const std::size_t pages = count(all, "\f");
  ASSERT_EQ(pages, 3u) << all;
  for (std::size_t n = 1; n <= pages; ++n) {
    const std::string text = page(static_cast<int>(n));
    EXPECT_NE(text.find("Estación: norte"), std::string::npos) << text;
    EXPECT_NE(text.find("Periodo: 07/12/2026 00:05:00 – 07/12/2026 20:40:00"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Página " + std::to_string(n) + " de 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Sin firmas electrónicas."), std::string::npos) << text;
  }
  EXPECT_NE(page(3).find("Excursión"), std::string::npos);  // the column titles again
}

}  // namespace
