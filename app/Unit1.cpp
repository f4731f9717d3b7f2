#include "app/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QTimer>
#include <ctime>

#include "app/AlarmsWindow.h"
#include "app/DownloadArchiver.h"
#include "app/DownloadHistoryWindow.h"
#include "app/PortAccessError.h"
#include "app/PortErrorAdvice.h"
#include "app/ProcessFormats.h"
#include "app/SetupDialogPorts.h"
#include "app/StationOnPort.h"
#include "app/StationsWindow.h"
#include "app/StatusPresentation.h"
#include "archive/AuditChanges.h"
#include "data_ui/Unit5.h"
#include "link/ComPortError.h"
#include "link/LoggerClockReading.h"
#include "link/LoggerProtocol.h"
#include "link_ui/CPortSetup.h"
#include "widgets/ColorButton.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/LedBar.h"
#include "widgets/PieGauge.h"
#include "widgets/RadioGroup.h"
#include "widgets/RockerSwitch.h"
#include "widgets/ValueIndicator.h"
#include "window_base/ErrorReport.h"
#include "window_base/FormLook.h"
#include "window_base/ModalWindow.h"

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// What the logger's replies showed after a clock setting it did not take, for the operator.
QString ClockNotTakenText(const ClockSettingCheck::Seen& seen) {
  QString text = QStringLiteral("El logger no tomó la puesta en hora");
  if (!seen.clockFollowed) {
    text += QStringLiteral(": su reloj marca %1 %2 y el de la PC %3 %4")
                .arg(Text(seen.loggerTime), Text(seen.loggerDate), Text(seen.computerTime),
                     Text(seen.computerDate));
  }
  if (!seen.memoryEmptied) {
    text += (seen.clockFollowed ? QStringLiteral(": ") : QStringLiteral("; ")) +
            QStringLiteral("su memoria sigue con %1 muestras")
                .arg(Text(protocol::GeneralNumberText(seen.usedMemory)));
  }
  return text + QStringLiteral(". Vuelva a ponerlo en hora");
}

}  // namespace

TForm1::TForm1(Options options, QWidget* parent) : QWidget(parent), options_(std::move(options)) {
  if (options_.clock) session_.computerClock = options_.clock;
  archiver_ = MakeDownloadArchiver(this);
  ApplyLoggerLineSettings(ComPort1);
  CreateControls();
  ConnectHandlers();
}

TForm1::~TForm1() {
  // The window's controls go away with it: no notice may reach them any more.
  ComPort1.OnRxChar = nullptr;
  ComPort1.OnFailure = nullptr;
  try {
    ComPort1.Disconnect();
  } catch (const std::exception&) {
    // Nothing left to report to: the program is ending.
  }
}

void TForm1::ConnectHandlers() {
  // Every handler of an operator's action shows its error in the standard report and returns.
  auto reporting = [this](void (TForm1::*handler)()) {
    return [this, handler] { RunReportingErrors(this, [this, handler] { (this->*handler)(); }); };
  };
  connect(AbRockerSwitch1, &RockerSwitch::clicked, this, reporting(&TForm1::AbRockerSwitch1Click));
  connect(AbRockerSwitch1, &RockerSwitch::released, this, &TForm1::AbRockerSwitch1MouseUp);
  connect(AbColBitBtn4, &ColorButton::clicked, this, reporting(&TForm1::AbColBitBtn4Click));
  connect(AbColBitBtn2, &ColorButton::clicked, this, reporting(&TForm1::AbColBitBtn2Click));
  connect(AbColBitBtn3, &ColorButton::clicked, this, reporting(&TForm1::AbColBitBtn3Click));
  connect(AbColBitBtn5, &ColorButton::clicked, this, reporting(&TForm1::AbColBitBtn5Click));
  connect(AbColBitBtn6, &ColorButton::clicked, this, reporting(&TForm1::AbColBitBtn6Click));
  connect(RadioGroup1, &RadioGroup::itemClicked, this, &TForm1::RadioGroup1Click);
  connect(Timer2, &QTimer::timeout, this, reporting(&TForm1::Timer2Timer));
  connect(HistoryButton, &ColorButton::clicked, this, reporting(&TForm1::HistoryButtonClick));
  connect(StationsButton, &ColorButton::clicked, this, reporting(&TForm1::StationsButtonClick));
  connect(AlarmsButton, &ColorButton::clicked, this, reporting(&TForm1::AlarmsButtonClick));
  connect(PortSetupButton, &ColorButton::clicked, this, reporting(&TForm1::PortSetupButtonClick));
  connect(ClockPendingButton, &ColorButton::clicked, this, &TForm1::ClockPendingButtonClick);

  // An error out of the received-characters handler reaches OnFailure through the port.
  ComPort1.OnRxChar = [this](TCustomComPort& Sender, int Count) { ComPort1RxChar(Sender, Count); };
  ComPort1.OnFailure = [this](TCustomComPort&, const EComPort& error) { ComPort1Failure(error); };
}

bool TForm1::IsConnected() const {
  return AbRockerSwitch1->isOn();
}

void TForm1::SendText(const std::string& text) {
  if (!IsConnected()) return;
  ComPort1.SendText(text);
}

void TForm1::MarkClockPending() {
  session_.Interpreter().clockSettingPending = true;
  ShowLinkAids();
}

void TForm1::SetRate(int choice) {
  if (!IsConnected()) return;
  beforeSetting_ = lastStatus_;
  session_.SetRate(choice);
}

void TForm1::ClockPendingButtonClick() {
  session_.Interpreter().clockSettingPending = false;  // Timer2, should it run, then sends nothing
  ShowLinkAids();
}

void TForm1::PortSetupButtonClick() {
  if (ComPort1.Connected()) return;
  RunSetupDialog(ComPort1, this, SetupDialogExtraPorts(options_.extraPorts));
}

void TForm1::ShowLinkAids() {
  PortSetupButton->setVisible(!ComPort1.Connected());
  ClockPendingButton->setVisible(HORAPENDIENTE());
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (activated_) return;
  activated_ = true;
  CentreOnScreen(this);
  // The first activation runs once the window is on screen, so the setup dialog opens over it.
  QMetaObject::invokeMethod(
      this, [this] { RunReportingErrors(this, [this] { FormActivate(); }); }, Qt::QueuedConnection);
}

void TForm1::FormActivate() {
  ApplyProcessFormats();
  session_.Interpreter().OnActivate();
  Gauge1->hide();
  if (options_.runSetupDialog)
    RunSetupDialog(ComPort1, this, SetupDialogExtraPorts(options_.extraPorts));
  activateWindow();
  setFocus();
}

void TForm1::AbRockerSwitch1Click() {
  archiver_->Interrupted(DownloadText(), EndReason::kSwitchedOff);
  Edit4->clear();
  Edit3->clear();
  session_.Restart();  // leaves download mode, empties the status buffer
  AbColBitBtn7->show();
  if (ComPort1.Connected()) {
    ComPort1.FlowControl().SetControlRTS(rtsDisable);  // the line drops at once
    ComPort1.Disconnect();
    SwitchOff();
    return;
  }
  // The rocker flipped on the press; it shows "on" only once the port is open.
  AbRockerSwitch1->setOn(false);
  ComPort1.FlowControl().SetControlRTS(rtsEnable);  // raised as the port opens
  try {
    ComPort1.Connect();
  } catch (const EComPort& error) {
    // A station's service may hold the port: then it is named, with how to stop it.
    const PortProblem problem = ProblemOf(error);
    if (problem == PortProblem::kBusy || problem == PortProblem::kAccessRefused) {
      const std::string station = RunningStationOnPort(archiver_->path(), ComPort1.Port());
      if (!station.empty()) {
        throw std::runtime_error(StationHoldsPortText(ComPort1.Port(), station));
      }
    }
    throw std::runtime_error(PortErrorText(error, ComPort1.Port()));
  }
  AbRockerSwitch1->setText(QStringLiteral("DESCONECTAR"));
  AbRockerSwitch1->setOn(true);
  AbColBitBtn7->setLit(true);
  AbColBitBtn1->setLit(true);
  ShowLinkAids();
}

void TForm1::SwitchOff() {
  AbRockerSwitch1->setText(QStringLiteral("CONECTAR"));
  AbRockerSwitch1->setOn(false);
  AbColBitBtn7->setLit(false);
  AbColBitBtn1->setLit(false);
  AbColBitBtn7->hide();
  ShowLinkAids();
}

void TForm1::AbRockerSwitch1MouseUp() {
  setCursor(Qt::ArrowCursor);
}

void TForm1::ComPort1Failure(const EComPort& error) {
  if (!ComPort1.Connected()) return;  // already closed by the operator
  const QString message = QString::fromStdString(PortErrorText(error, ComPort1.Port()));
  session_.LineLost();  // a download running is archived as far as it came
  // The same off step as the connect switch's, on a line that may no longer take settings.
  Edit4->clear();
  Edit3->clear();
  try {
    ComPort1.FlowControl().SetControlRTS(rtsDisable);
  } catch (const EComPort&) {
    // The device is gone; closing it is all that is left to do.
  }
  RunReportingErrors(this, [this] { ComPort1.Disconnect(); });
  SwitchOff();
  Gauge1->hide();
  setCursor(Qt::ArrowCursor);
  ShowErrorReport(this, message);
}

void TForm1::AbColBitBtn4Click() {
  if (DATOSDESCARGADOS()) {
    ShowModal(windows_.data);
    return;
  }
  // A download that is arriving goes on (the pie shows it); one that has stalled may be asked
  // for again.
  if (session_.Interpreter().DownloadStreaming(SteadyNow())) return;
  archiver_->Interrupted(DownloadText(), EndReason::kRestarted);
  session_.Interpreter().ClearDownloadText();
  if (!IsConnected()) return;
  setCursor(Qt::WaitCursor);
  // The command goes out just after the logger's next complete reply (it sends none while it
  // streams an earlier download); until then the hourglass says the request waits.
  session_.RequestDownload(CheckBox1->isChecked());
}

void TForm1::AbColBitBtn2Click() {
  ShowModal(windows_.clock);
}
void TForm1::AbColBitBtn3Click() {
  ShowModal(windows_.rate);
}
void TForm1::AbColBitBtn5Click() {
  ShowModal(windows_.about);
}
void TForm1::AbColBitBtn6Click() {
  ShowModal(windows_.help);
}

void TForm1::RadioGroup1Click() {
  // The rate display only shows what the logger reports; its next status reply selects it again.
}

void TForm1::ComPort1RxChar(TCustomComPort& Sender, int Count) {
  std::string batch;
  Sender.ReceiveText(batch, Count);
  // A test's own clock stands for the line's times.
  if (steadyClock_) {
    HandleReceived(batch, steadyClock_(), std::nullopt);
  } else {
    HandleReceived(batch, Sender.ReadTime(), Sender.PauseBefore());
  }
}

void TForm1::HandleReceived(const std::string& batch, std::chrono::steady_clock::time_point readAt,
                            std::optional<std::chrono::steady_clock::duration> pauseBefore) {
  session_.Interpreter().channel1Kind = RadioGroup2->itemIndex();
  session_.Interpreter().channel2Kind = RadioGroup3->itemIndex();
  session_.Received(batch, readAt, pauseBefore);
}

void TForm1::BatchRead(const RxEventResult& result) {
  Gauge1->setProgress(result.gaugeProgress);
  Gauge1->setVisible(result.gaugeVisible);
  if (result.clearTimeAndDate) {
    Edit3->clear();
    Edit4->clear();
  }
}

void TForm1::StatusRead(const LoggerStatus& status) {
  lastStatus_ = status;
  ShowStatus(status);
}

void TForm1::DownloadStarted(bool forced) {
  archiver_->Started(ComPort1.Port(), forced);
  std::optional<std::time_t> clock;
  if (lastStatus_) clock = LoggerClock(lastStatus_->reply);
  archiver_->SetLoggerClock(
      clock ? ClockIsoText(*clock) : std::string(),
      clock ? std::optional<std::int64_t>(*clock - ComputerClock(std::time(nullptr)))
            : std::nullopt);
}

void TForm1::DownloadEnded(const std::string&) {
  EndOfDownload();
}

void TForm1::DownloadStopped(DownloadStop why, const std::string& received) {
  Gauge1->hide();
  setCursor(Qt::ArrowCursor);
  switch (why) {
    case DownloadStop::kLineLost:
      archiver_->Interrupted(received, EndReason::kLineLost);
      return;  // the failure itself is reported once the port is closed
    case DownloadStop::kSilent:
      archiver_->Interrupted(received, EndReason::kTimedOut);
      return;
    case DownloadStop::kSizeLimit:
      archiver_->Interrupted(received, EndReason::kSizeLimit);
      ShowErrorReport(
          this, QStringLiteral("La descarga se abandonó: llegaron más de %1 MB sin la marca "
                               "de fin de datos. Lo recibido se conserva; desconecte, conecte "
                               "y vuelva a descargar")
                    .arg(ReplyInterpreter::kMaxDownloadText >> 20));
      return;
    case DownloadStop::kOverran:
      archiver_->Interrupted(received, EndReason::kSizeLimit);
      ShowErrorReport(this, QStringLiteral("La descarga se detuvo: el logger envió más de las %1 "
                                           "muestras que anunciaba su memoria y ninguna marca de "
                                           "fin de datos. Lo recibido se conserva; vuelva a "
                                           "descargar")
                                .arg(session_.ExpectedSamples()));
      return;
  }
}

void TForm1::ClockSettingDue() {
  // Starting a running timer would restart it and delay the command.
  if (!Timer2->isActive()) Timer2->start();
}

void TForm1::ClockChecked(bool taken, const ClockSettingCheck::Seen& seen) {
  std::optional<std::time_t> clock;
  if (beforeSetting_) clock = LoggerClock(beforeSetting_->reply);
  std::optional<std::int64_t> drift;
  if (clock) drift = *clock - clockSetAt_;
  archiver_->NoteInAuditTrail(SetClockChange("", ComPort1.Port(), ClockIsoText(clockSetAt_),
                                             clock ? ClockIsoText(*clock) : "", drift, taken));
  if (!taken) ReportLater(ClockNotTakenText(seen));
}

void TForm1::RateChecked(bool taken, int choice, int shownItem) {
  std::optional<int> old;
  if (beforeSetting_ && beforeSetting_->rateItem >= 0)
    old = protocol::kRateMinutes[beforeSetting_->rateItem];
  archiver_->NoteInAuditTrail(
      SetRateChange("", ComPort1.Port(), old, protocol::kRateMinutes[choice], taken));
  if (taken) return;
  const QString shown = shownItem >= 0 ? Text(protocol::kRates[shownItem].caption)
                                       : QStringLiteral("una tasa desconocida");
  ReportLater(QStringLiteral("El logger no tomó la tasa de muestreo %1: sus respuestas siguen "
                             "mostrando %2. Vuelva a elegirla")
                  .arg(Text(protocol::kRates[choice].caption), shown));
}

void TForm1::ReportLater(const QString& text) {
  QMetaObject::invokeMethod(
      this, [this, text] { ShowErrorReport(this, text); }, Qt::QueuedConnection);
}

void TForm1::ShowStatus(const LoggerStatus& status) {
  Edit3->setText(Text(status.time));
  Edit4->setText(Text(status.date));
  Edit1->setText(Text(status.usedMemoryText));
  AbVBar1->setValue(status.batteryPercent);
  const BatteryLook look = BatteryLookFor(status.batteryGood);
  AbVBar1->setBarColor(look.barColor);
  AbVBar1->setFontColor(look.fontColor);
  AbVBar1->setCaption1(look.caption1);
  AbVBar1->setCaption2(look.caption2);
  if (status.rateItem >= 0) RadioGroup1->setItemIndex(status.rateItem);
  if (status.channel1) AbValueInd1->setValue(*status.channel1);
  if (status.channel2) AbValueInd2->setValue(*status.channel2);
}

void TForm1::EndOfDownload() {
  setCursor(Qt::ArrowCursor);
  AbColBitBtn4->setTextOff(QStringLiteral("              VER DATOS"));
  AbColBitBtn4->setTextOn(QStringLiteral("                VER DATOS"));
  // Archived and synced before the operator sees the data.
  archiver_->Completed(DownloadText(), qobject_cast<TForm5*>(windows_.data));
  // Until the data window closes no further characters are handled: they wait in the port.
  ShowModal(windows_.data);
}

void TForm1::Timer2Timer() {
  const bool pending = HORAPENDIENTE();
  session_.Interpreter().clockSettingPending = false;
  // Stopped before the writes: a failed write must not leave the timer sending again and again.
  Timer2->stop();
  ShowLinkAids();
  // Only a confirmed setting is sent: the command also empties the logger's memory, so the run
  // at start-up (or any other run without a confirmation) must never send it.
  if (pending) PONEHORA();
}

void TForm1::PONEHORA() {
  if (!IsConnected()) return;
  // The command with the computer's clock, then the replies are watched for its effect.
  beforeSetting_ = lastStatus_;
  clockSetAt_ = ComputerClock(std::time(nullptr));
  session_.SetClock();
}

std::chrono::steady_clock::time_point TForm1::SteadyNow() const {
  return steadyClock_ ? steadyClock_() : std::chrono::steady_clock::now();
}

void TForm1::SetArchivePath(const std::string& path) {
  archiver_->SetPath(path);
}

const std::string& TForm1::ArchivePath() const {
  return archiver_->path();
}

void TForm1::HistoryButtonClick() {
  if (!history_) {
    history_ = new DownloadHistoryWindow(*archiver_, qobject_cast<TForm5*>(windows_.data), this);
  }
  ShowModal(history_);
}

void TForm1::StationsButtonClick() {
  if (!stations_) {
    stations_ = new StationsWindow([this] { return archiver_->path(); }, this);
  }
  ShowModal(stations_);
}

void TForm1::AlarmsButtonClick() {
  if (!alarms_) alarms_ = new AlarmsWindow([this] { return archiver_->path(); }, this);
  ShowModal(alarms_);
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm1::FormClose() {
  archiver_->Interrupted(DownloadText(), EndReason::kProgramClosed);
  RunReportingErrors(this, [this] {
    ComPort1.FlowControl().SetControlRTS(rtsDisable);
    ComPort1.Disconnect();
  });
  SwitchOff();
}
