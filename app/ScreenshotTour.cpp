#include "app/ScreenshotTour.h"

#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "analysis/StampText.h"
#include "app/AlarmsWindow.h"
#include "app/ArchiveModuleLoader.h"
#include "app/AuditWindow.h"
#include "app/DataWindowTools.h"
#include "app/DownloadHistoryWindow.h"
#include "app/ProgramWindows.h"
#include "app/StationComparisonWindow.h"
#include "app/StationsWindow.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "archive/ArchiveModule.h"
#include "archive/ArchivePath.h"
#include "archive/DownloadRecord.h"
#include "charts/ChartModule.h"
#include "charts/Unit6.h"
#include "data/SampleDecoder.h"
#include "data_ui/SummaryWindow.h"
#include "data_ui/Unit5.h"
#include "link/LoggerProtocol.h"
#include "widgets/ColorButton.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/RockerSwitch.h"

namespace {

constexpr int kPollMs = 100;
// Time a window gets to paint itself (and the clocks and lamps to settle) before it is pictured.
constexpr int kSettleMs = 600;

QWidget* ModalNamed(const char* name) {
  QWidget* modal = QApplication::activeModalWidget();
  return modal && modal->objectName() == QLatin1String(name) ? modal : nullptr;
}

QWidget* IfVisible(QWidget* window) {
  return window && window->isVisible() ? window : nullptr;
}

// A station watched by this program's own process, as its service would leave it: running, the
// logger answering, a quarter of its memory used.
void KeepDemoStation(const std::string& archive) {
  using std::chrono::hours;
  const auto now = std::chrono::system_clock::now();
  StationSettings settings;
  settings.name = "invernadero-norte";
  settings.port = "/dev/serial/by-id/velmorante-demo";
  StationStatus status;
  status.station = settings.name;
  status.updatedAt = now;
  status.pid = getpid();
  status.connected = true;
  status.lastReplyAt = now;
  status.clockDriftSeconds = -2;
  status.memoryUsed = 412;
  status.batteryPercent = 92;
  status.rateMinutes = 10;
  status.lastDownloadAt = now - hours(6);
  status.nextDownloadAt = now + hours(18);
  try {
    LoadArchiveModule().KeepStation(archive, settings, status);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Velmorante: %s\n", error.what());
  }
}

// The demo station's downloads: the tour's own download, taken twice by the station, as its service
// would have archived them, and a later recording after a pause. Its record then holds every
// sample once, and a gap.
void KeepDemoStationDownloads(const std::string& archive, const std::string& station) {
  try {
    const std::unique_ptr<ArchiveStore> store = LoadArchiveModule().Open(archive);
    const std::vector<DownloadSummary> list = store->List();
    if (list.empty()) return;
    const ArchivedDownload newest = store->Get(list.front().id);
    NewDownload download;
    download.rawText = newest.rawText;
    download.port = "/dev/serial/by-id/velmorante-demo";
    download.program = newest.summary.program;
    download.station = station;
    for (int hoursAgo : {12, 6}) {
      download.receivedAt = std::chrono::system_clock::now() - std::chrono::hours(hoursAgo);
      store->Add(download);
    }
    // A later recording of the same samples, started 10 h 30 min after the last of them: the
    // record then shows a gap.
    const SampleTable table = SampleDecoder().Decode(newest.rawText);
    const SampleNumbers* last = nullptr;
    for (const SampleNumbers& sample : table.samples)
      if (sample.hasStamp) last = &sample;
    const std::size_t secondLine = newest.rawText.find('\n', newest.rawText.find('\n') + 1);
    if (last == nullptr || secondLine == std::string::npos) return;
    const QDateTime start = QDateTime::fromSecsSinceEpoch(
        analysis::WallClockSeconds(analysis::StampOf(*last)) + 630 * 60, Qt::UTC);
    const protocol::Rate* rate = protocol::RateOfMinutes(table.rateMinutes);
    if (rate == nullptr) return;
    const int rateCode = rate->code;
    char header[64];
    std::snprintf(header, sizeof header, "%03d%03d%03d%03d\r\n%03d%03d%03d000\r\n",
                  start.date().year() % 100, start.date().month(), start.date().day(),
                  start.time().second(), start.time().minute(), start.time().hour(), rateCode);
    download.rawText = header + newest.rawText.substr(secondLine + 1);
    download.receivedAt = std::chrono::system_clock::now() - std::chrono::hours(1);
    store->Add(download);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Velmorante: %s\n", error.what());
  }
}

// The demo download's text with every sample 8 degrees colder and 15 points more humid, for a cold
// room recorded at the same times; other lines are kept as they are.
std::string ColdRoomText(const std::string& rawText) {
  std::string text;
  std::size_t at = 0;
  int line = 0;
  while (at < rawText.size()) {
    std::size_t end = rawText.find('\n', at);
    end = end == std::string::npos ? rawText.size() : end + 1;
    std::string piece = rawText.substr(at, end - at);
    int a = 0, b = 0, c = 0, d = 0;
    if (++line > 2 && piece.size() >= 12 &&
        std::sscanf(piece.c_str(), "%3d%3d%3d%3d", &a, &b, &c, &d) == 4) {
      // Readings: 24.8 counts a point of humidity, 10 counts a degree.
      const int humidity = std::clamp(a * 256 + b + 372, 0, 4095);
      const int temperature = std::clamp(c * 256 + d - 80, 0, 4095);
      char sample[64];
      std::snprintf(sample, sizeof sample, "%03d%03d%03d%03d", humidity / 256, humidity % 256,
                    temperature / 256, temperature % 256);
      piece.replace(0, 12, sample);
    }
    text += piece;
    at = end;
  }
  return text;
}

// A second station beside the demo one, so that the comparison has two lines: a cold room whose
// service last reported a day ago, with one download taken at the demo download's times.
void KeepColdRoomStation(const std::string& archive) {
  const auto now = std::chrono::system_clock::now();
  StationSettings settings;
  settings.name = "camara-fria";
  settings.port = "/dev/serial/by-id/velmorante-camara";
  StationStatus status;
  status.station = settings.name;
  status.updatedAt = now - std::chrono::hours(24);
  status.rateMinutes = 10;
  try {
    ArchiveModule& module = LoadArchiveModule();
    module.KeepStation(archive, settings, status);
    const std::unique_ptr<ArchiveStore> store = module.Open(archive);
    const std::vector<DownloadSummary> list = store->List();
    if (list.empty()) return;
    const ArchivedDownload newest = store->Get(list.front().id);
    NewDownload download;
    download.rawText = ColdRoomText(newest.rawText);
    download.port = settings.port;
    download.program = newest.summary.program;
    download.station = settings.name;
    download.receivedAt = now - std::chrono::hours(3);
    store->Add(download);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Velmorante: %s\n", error.what());
  }
}

// The report of what the data window shows, as the file `pdf`.
void SaveReport(TForm5* data, const QString& pdf) {
  auto* tools = data->findChild<DataWindowTools*>();
  if (!tools) return;
  try {
    QFile file(pdf);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(LoadChartModule().ReportPdf(tools->Content())) < 0)
      std::fprintf(stderr, "Velmorante: no se pudo guardar %s\n", qPrintable(pdf));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Velmorante: %s\n", error.what());
  }
}

void CloseWindow(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->reject();
  } else {
    window->close();
  }
}

}  // namespace

ScreenshotTour::ScreenshotTour(ProgramWindows& windows, QString dir)
    : windows_(windows), dir_(std::move(dir)) {
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, &ScreenshotTour::Poll);
}

void ScreenshotTour::Start() {
  QDir().mkpath(dir_);
  TForm1* main = windows_.Form1.get();
  // The setup dialog opens by itself at the first activation; OK keeps the demo port.
  steps_.push_back({QStringLiteral("setup"), nullptr, [] { return ModalNamed("ComSetupFrm"); },
                    [](QWidget* w) { static_cast<QDialog*>(w)->accept(); }, 10000});
  steps_.push_back({QString(),
                    [main] {
                      if (!main->IsConnected()) main->AbRockerSwitch1->clicked();
                    },
                    [main]() -> QWidget* { return main->Edit3->text().isEmpty() ? nullptr : main; },
                    nullptr, 20000});
  // Pictured while the flashing "on line" lamp shows its light.
  auto lampOn = [main]() -> QWidget* {
    return main->AbColBitBtn7->lampVisibleNow() ? main : nullptr;
  };
  steps_.push_back({QStringLiteral("main"), nullptr, lampOn, nullptr, 3000});
  auto dialogStep = [this](const QString& name, ColorButton* button, QWidget* window) {
    steps_.push_back({name, [button] { button->click(); }, [window] { return IfVisible(window); },
                      CloseWindow, 10000});
  };
  dialogStep(QStringLiteral("about"), main->AbColBitBtn5, windows_.Form2);
  dialogStep(QStringLiteral("help"), main->AbColBitBtn6, windows_.Form3);
  dialogStep(QStringLiteral("rate"), main->AbColBitBtn3, windows_.Form7);
  dialogStep(QStringLiteral("clock"), main->AbColBitBtn2, windows_.Form8);
  // A download at 9600 baud takes several seconds; the data window opens at its end.
  TForm5* data = windows_.Form5;
  steps_.push_back({QStringLiteral("data"), [main] { main->AbColBitBtn4->click(); },
                    [data] { return IfVisible(data); }, nullptr, 120000});
  QWidget* charts = windows_.Form6;
  steps_.push_back({QStringLiteral("charts"), [data] { data->SpeedButton2Click(); },
                    [charts] { return IfVisible(charts); }, CloseWindow, 10000});
  AddAnalysisSteps();
  steps_.push_back({QString(), [data] { data->reject(); },
                    [data]() -> QWidget* { return data->isVisible() ? nullptr : data; }, nullptr,
                    5000});
  steps_.push_back(
      {QStringLiteral("main-downloaded"), nullptr, [main] { return main; }, nullptr, 1000});
  // The archive's list, with the download just made in it.
  steps_.push_back({QStringLiteral("history"), [main] { main->HistoryButton->click(); },
                    [main] { return IfVisible(main->findChild<DownloadHistoryWindow*>()); },
                    CloseWindow, 10000});
  // The stations window with one station. The station is written only into an archive the tour
  // itself made: a file that was there before it started may be someone's own.
  const std::string archive = DefaultArchivePath();
  std::error_code error;
  const bool ownArchive = !std::filesystem::exists(archive, error) && !error;
  steps_.push_back({QStringLiteral("stations"),
                    [main, archive, ownArchive] {
                      if (ownArchive) KeepDemoStation(archive);
                      main->StationsButton->click();
                    },
                    [main] { return IfVisible(main->findChild<StationsWindow*>()); }, CloseWindow,
                    10000});
  // The alarms window, as the main window opens it.
  steps_.push_back({QStringLiteral("alarms"), [main] { main->AlarmsButton->click(); },
                    [main] { return IfVisible(main->findChild<AlarmsWindow*>()); }, CloseWindow,
                    10000});
  if (ownArchive) {
    AddStationRecordSteps(archive);
    AddComparisonSteps(archive);
  }
  // The audit trail of what the tour did, opened from the history window.
  auto history = [main] { return IfVisible(main->findChild<DownloadHistoryWindow*>()); };
  steps_.push_back({QString(), [main] { main->HistoryButton->click(); }, history,
                    [](QWidget* window) {
                      auto* open = static_cast<DownloadHistoryWindow*>(window);
                      QTimer::singleShot(0, open, [open] { open->OpenAudit(); });
                    },
                    10000});
  steps_.push_back({QStringLiteral("audit"), nullptr,
                    [main] { return IfVisible(main->findChild<AuditWindow*>()); }, CloseWindow,
                    10000});
  steps_.push_back({QString(), nullptr, history, CloseWindow, 10000});
  poll_.start();
}

// The demo station's record in the data window, opened from the history window.
void ScreenshotTour::AddStationRecordSteps(const std::string& archive) {
  TForm1* main = windows_.Form1.get();
  TForm5* data = windows_.Form5;
  const QString station = QStringLiteral("invernadero-norte");
  auto history = [main] { return IfVisible(main->findChild<DownloadHistoryWindow*>()); };
  steps_.push_back({QString(),
                    [main, archive, station] {
                      KeepDemoStationDownloads(archive, station.toStdString());
                      main->HistoryButton->click();
                    },
                    history,
                    [station](QWidget* window) {
                      auto* open = static_cast<DownloadHistoryWindow*>(window);
                      QTimer::singleShot(0, open, [open, station] { open->OpenStation(station); });
                    },
                    10000});
  steps_.push_back({QStringLiteral("station-record"), nullptr, [data] { return IfVisible(data); },
                    nullptr, 10000});
  // Its charts, the lines broken at the gap, and its report, the gaps listed.
  QWidget* charts = windows_.Form6;
  steps_.push_back({QStringLiteral("station-record-charts"), [data] { data->SpeedButton2Click(); },
                    [charts] { return IfVisible(charts); }, CloseWindow, 10000});
  const QString pdf = QDir(dir_).filePath(QStringLiteral("report-station.pdf"));
  steps_.push_back({QString(), [data, pdf] { SaveReport(data, pdf); }, [data] { return data; },
                    CloseWindow, 5000});
  steps_.push_back({QString(), nullptr, history, CloseWindow, 10000});
}

// The demo station and a cold room compared, opened from the stations window.
void ScreenshotTour::AddComparisonSteps(const std::string& archive) {
  TForm1* main = windows_.Form1.get();
  auto stations = [main] { return IfVisible(main->findChild<StationsWindow*>()); };
  steps_.push_back({QString(),
                    [main, archive] {
                      KeepColdRoomStation(archive);
                      main->StationsButton->click();
                    },
                    stations,
                    [](QWidget* window) {
                      auto* open = static_cast<StationsWindow*>(window);
                      QTimer::singleShot(0, open, [open] { open->CompareButtonClick(); });
                    },
                    10000});
  steps_.push_back({QStringLiteral("comparison"), nullptr,
                    [main]() -> QWidget* {
                      auto* open = main->findChild<StationsWindow*>();
                      return open ? IfVisible(open->findChild<StationComparisonWindow*>())
                                  : nullptr;
                    },
                    CloseWindow, 10000});
  steps_.push_back({QString(), nullptr, stations, CloseWindow, 10000});
}

// With limits set: the summary, the charts on their time axis, and the report as report.pdf.
void ScreenshotTour::AddAnalysisSteps() {
  TForm5* data = windows_.Form5;
  TForm6* charts = windows_.Form6;
  auto* tools = data->findChild<DataWindowTools*>();
  if (!tools) return;
  steps_.push_back({QStringLiteral("summary"),
                    [tools] {
                      analysis::LimitSettings limits;
                      limits.humidity = {40.0, 70.0};
                      limits.temperature = {18.0, 21.0};
                      tools->summary()->SetLimits(limits);
                      tools->ShowSummary();
                    },
                    [tools] { return IfVisible(tools->summary()); }, CloseWindow, 10000});
  steps_.push_back({QStringLiteral("charts-time"), [data] { data->SpeedButton2Click(); },
                    [charts]() -> QWidget* {
                      // The time axis option comes with the charts, at the window's showing.
                      auto* timeAxis = charts->findChild<QCheckBox*>(QStringLiteral("TimeAxisBox"));
                      if (!IfVisible(charts) || !timeAxis) return nullptr;
                      if (timeAxis->isChecked()) return charts;
                      timeAxis->setChecked(true);
                      return nullptr;
                    },
                    CloseWindow, 10000});
  const QString pdf = QDir(dir_).filePath(QStringLiteral("report.pdf"));
  steps_.push_back(
      {QString(), [data, pdf] { SaveReport(data, pdf); }, [data] { return data; }, nullptr, 5000});
}

void ScreenshotTour::Poll() {
  if (steps_.empty()) {
    Finish();
    return;
  }
  Step& step = steps_.front();
  if (!started_) {
    started_ = true;
    waitedMs_ = 0;
    settledMs_ = 0;
    // Posted: an action that opens a modal window returns only when it closes, and this poll must
    // keep running inside that window's loop.
    if (step.action) QTimer::singleShot(0, this, step.action);
    return;
  }
  waitedMs_ += kPollMs;
  QWidget* window = step.ready ? step.ready() : nullptr;
  if (!window) {
    if (waitedMs_ < step.timeoutMs) return;
    std::fprintf(stderr, "Velmorante: la captura \"%s\" no llegó a tiempo\n",
                 qPrintable(step.name));
  } else {
    settledMs_ += kPollMs;
    if (settledMs_ < kSettleMs) return;
    if (!step.name.isEmpty()) Save(window, step.name);
    if (step.after) {
      // Copy: closing a modal window may run the next poll before this one returns.
      auto after = step.after;
      steps_.pop_front();
      started_ = false;
      after(window);
      return;
    }
  }
  steps_.pop_front();
  started_ = false;
}

void ScreenshotTour::Save(QWidget* window, const QString& name) {
  const QString path = QDir(dir_).filePath(name + QStringLiteral(".png"));
  if (!window->grab().save(path)) {
    std::fprintf(stderr, "Velmorante: no se pudo guardar %s\n", qPrintable(path));
  } else {
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
  }
}

void ScreenshotTour::Finish() {
  poll_.stop();
  windows_.Form1->close();
  QCoreApplication::quit();
}
