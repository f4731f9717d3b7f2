// Drives the program by itself to picture every window: the setup dialog at start, then connects to
// the demo logger, waits for its status, opens the about, help, rate and set-clock windows,
// downloads and opens the data and chart windows, the summary, the charts on their time axis and
// writes the report (report.pdf), then the download history, the stations window, the demo
// station's record in the data window and the demo station compared with a second one. Each window
// is saved as <dir>/<name>.png; at the end the main window is closed, which ends the program.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>

struct ProgramWindows;
class QWidget;

class ScreenshotTour : public QObject {
  Q_OBJECT

 public:
  ScreenshotTour(ProgramWindows& windows, QString dir);
  void Start();

 private:
  struct Step {
    QString name;                         // picture name; empty: no picture
    std::function<void()> action;         // run once, posted (it may open a modal window)
    std::function<QWidget*()> ready;      // the window to picture once it is up; may be null
    std::function<void(QWidget*)> after;  // run after the picture (closes the window)
    int timeoutMs = 20000;
  };

  void AddAnalysisSteps();
  void AddStationRecordSteps(const std::string& archive);
  void AddComparisonSteps(const std::string& archive);
  void Poll();
  void Save(QWidget* window, const QString& name);
  void Finish();

  ProgramWindows& windows_;
  QString dir_;
  std::deque<Step> steps_;
  QTimer poll_;
  bool started_ = false;
  int waitedMs_ = 0;
  int settledMs_ = 0;
};
