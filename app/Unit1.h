// The main window: the logger's live status on the left, the computer's clock, the connect switch
// and the command buttons on the right. It owns the serial port ComPort1, the timer Timer2 that
// sends a confirmed clock setting, and the logger session that holds the link flags, the status
// buffer and the download text. Everything here only wires controls to the port and the session
// and shows what the session reports.
#pragma once

#include <QWidget>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/CPort.h"
#include "link/LoggerSession.h"

class ClockDisplay;
class ColorButton;
class DownloadArchiver;
class DownloadHistoryWindow;
class IndicatorLamp;
class LedBar;
class PieGauge;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTimer;
class RadioGroup;
class RockerSwitch;
class AlarmsWindow;
class StationsWindow;
class ValueIndicator;

struct MainWindowOptions {
  // Show the port setup dialog at the first activation (tests and start-up time measurement set the
  // port themselves instead).
  bool runSetupDialog = true;
  // Ports added to the setup dialog's list (the emulator's, the one named on the command line).
  std::vector<std::string> extraPorts;
  // The computer's clock, read by the clock setting and its check; the system's when not given.
  std::function<std::time_t()> clock;
};

class TForm1 : public QWidget, private LoggerSessionListener {
  Q_OBJECT

 public:
  using Options = MainWindowOptions;

  // The windows opened from this one; any may be missing (its button then does nothing).
  struct Windows {
    QWidget* about = nullptr;  // TForm2
    QWidget* help = nullptr;   // TForm3
    QWidget* data = nullptr;   // TForm5
    QWidget* rate = nullptr;   // TForm7
    QWidget* clock = nullptr;  // TForm8
  };

  explicit TForm1(Options options = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  void SetWindows(const Windows& windows) { windows_ = windows; }
  // The steady clock that times the received characters (is a download still streaming?); the
  // system's until set.
  using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
  void SetSteadyClock(SteadyClock clock) { steadyClock_ = std::move(clock); }
  // The download archive's file; until set (or when empty) downloads are not archived.
  void SetArchivePath(const std::string& path);
  const std::string& ArchivePath() const;

  // What the other windows use of the main window.
  bool IsConnected() const;                // the connect switch is on
  void SendText(const std::string& text);  // writes when connected, else sends nothing
  void MarkClockPending();                 // the set-clock dialog's confirmation
  void SetRate(int choice);                // the rate window's choice 0..5, when connected
  const std::string& DownloadText() const { return session_.DownloadText(); }  // RichEdit1

  // Link flags, kept by the session's interpreter.
  bool DESCARGANDO() const { return session_.Interpreter().downloading; }
  bool DATOSDESCARGADOS() const { return session_.Interpreter().downloadDone; }
  bool HORAPENDIENTE() const { return session_.Interpreter().clockSettingPending; }

  // Handlers. The button, switch and timer handlers run inside the standard error report.
  void FormActivate();
  void AbRockerSwitch1Click();
  void AbRockerSwitch1MouseUp();
  void AbColBitBtn4Click();
  void AbColBitBtn2Click();
  void AbColBitBtn3Click();
  void AbColBitBtn5Click();
  void AbColBitBtn6Click();
  void RadioGroup1Click();
  void ComPort1RxChar(TCustomComPort& Sender, int Count);
  void Timer2Timer();
  void PONEHORA();
  // "HISTORIAL": the archived downloads, and saved files to open.
  void HistoryButtonClick();
  // "ESTACIONES": the stations of the archive and what their services last saw.
  void StationsButtonClick();
  // "ALARMAS": the alarms of the archive, open and past, and their acknowledgement.
  void AlarmsButtonClick();
  // Beside the specified controls: the port setup dialog again while disconnected, and the
  // cancelling of a clock setting that waits.
  void PortSetupButtonClick();
  void ClockPendingButtonClick();

  TComPort ComPort1;
  QTimer* Timer2 = nullptr;

  IndicatorLamp* AbColBitBtn1 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit3 = nullptr;
  ValueIndicator* AbValueInd1 = nullptr;
  ValueIndicator* AbValueInd2 = nullptr;
  IndicatorLamp* AbColBitBtn7 = nullptr;
  QLabel* Label1 = nullptr;
  RadioGroup* RadioGroup1 = nullptr;
  LedBar* AbVBar1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label3 = nullptr;
  ColorButton* AbColBitBtn3 = nullptr;
  QFrame* Splitter1 = nullptr;
  ColorButton* AbColBitBtn4 = nullptr;
  PieGauge* Gauge1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  ColorButton* AbColBitBtn2 = nullptr;
  ClockDisplay* AbClock2 = nullptr;
  ClockDisplay* AbClock1 = nullptr;
  RockerSwitch* AbRockerSwitch1 = nullptr;
  ColorButton* AbColBitBtn5 = nullptr;
  ColorButton* AbColBitBtn6 = nullptr;
  RadioGroup* RadioGroup2 = nullptr;
  RadioGroup* RadioGroup3 = nullptr;
  ColorButton* HistoryButton = nullptr;
  ColorButton* StationsButton = nullptr;
  ColorButton* AlarmsButton = nullptr;
  ColorButton* PortSetupButton = nullptr;
  ColorButton* ClockPendingButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // What ComPort1RxChar does with the characters it has read at `readAt`, after the line was
  // quiet for `pauseBefore` (the status path or DESCARGAR): the session handles them and reports
  // to the handlers below.
  void HandleReceived(const std::string& batch, std::chrono::steady_clock::time_point readAt,
                      std::optional<std::chrono::steady_clock::duration> pauseBefore);
  // What the session reports.
  void BatchRead(const RxEventResult& result) override;
  void StatusRead(const LoggerStatus& status) override;
  void DownloadStarted(bool forced) override;
  void DownloadEnded(const std::string& text) override;
  void DownloadStopped(DownloadStop why, const std::string& received) override;
  void ClockSettingDue() override;
  void ClockChecked(bool taken, const ClockSettingCheck::Seen& seen) override;
  void RateChecked(bool taken, int choice, int shownItem) override;
  // Shows `text` in the standard report once the present event has returned, so that the displays
  // go on following the logger behind the report.
  void ReportLater(const QString& text);
  void CreateControls();
  void ConnectHandlers();
  // The connect switch's off position: line dropped, port closed, switch and lamps off.
  void SwitchOff();
  // The port button while disconnected, the pending-clock button while a setting waits.
  void ShowLinkAids();
  // The port failed while watched (unplugged, hang-up): report once and switch off.
  void ComPort1Failure(const EComPort& error);
  void FormClose();
  void ShowStatus(const LoggerStatus& status);
  void EndOfDownload();
  std::chrono::steady_clock::time_point SteadyNow() const;

  Options options_;
  Windows windows_;
  LoggerSession session_{ComPort1, *this};
  bool activated_ = false;
  SteadyClock steadyClock_;
  std::unique_ptr<DownloadArchiver> archiver_;
  DownloadHistoryWindow* history_ = nullptr;
  StationsWindow* stations_ = nullptr;
  AlarmsWindow* alarms_ = nullptr;
  // For the audit trail's entry of a setting: the latest reply, the one before the setting's
  // command, and the computer's local clock (on the logger's calendar) when it went.
  std::optional<LoggerStatus> lastStatus_;
  std::optional<LoggerStatus> beforeSetting_;
  std::time_t clockSetAt_ = 0;
};
