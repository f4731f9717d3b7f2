#include "app/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QTimer>
#include <ctime>

#include "app/DownloadArchiver.h"
#include "app/DownloadHistoryWindow.h"
#include "app/PortAccessError.h"
#include "app/PortErrorAdvice.h"
#include "app/ProcessFormats.h"
#include "app/StatusPresentation.h"
#include "data_ui/Unit5.h"
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
  interpreter_.clockSettingPending = true;
  ShowLinkAids();
}

void TForm1::ClockPendingButtonClick() {
  interpreter_.clockSettingPending = false;  // Timer2, should it run, then sends nothing
  ShowLinkAids();
}

void TForm1::PortSetupButtonClick() {
  if (ComPort1.Connected()) return;
  RunSetupDialog(ComPort1, this, options_.extraPorts);
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
  interpreter_.OnActivate();
  Gauge1->hide();
  if (options_.runSetupDialog) RunSetupDialog(ComPort1, this, options_.extraPorts);
  activateWindow();
  setFocus();
}

void TForm1::AbRockerSwitch1Click() {
  archiver_->Interrupted(DownloadText(), EndReason::kSwitchedOff);
  clockCheck_.reset();
  Edit4->clear();
  Edit3->clear();
  interpreter_.OnConnectSwitch();  // leaves download mode, empties the status buffer
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
  archiver_->Interrupted(DownloadText(), EndReason::kLineLost);
  clockCheck_.reset();
  // The same off step as the connect switch's, on a line that may no longer take settings.
  Edit4->clear();
  Edit3->clear();
  interpreter_.OnConnectSwitch();  // the partial download text stays
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
  if (interpreter_.DownloadStreaming(SteadyNow())) return;
  archiver_->Interrupted(DownloadText(), EndReason::kRestarted);
  interpreter_.ClearDownloadText();
  if (!IsConnected()) return;
  setCursor(Qt::WaitCursor);
  // The command goes out just after the logger's next complete reply (it sends none while it
  // streams an earlier download); until then the hourglass says the request waits.
  interpreter_.RequestDownload();
}

void TForm1::SendDownloadCommand() {
  SendText(protocol::DownloadCommand(CheckBox1->isChecked()));
  interpreter_.StartDownload(SteadyNow());
  archiver_->Started(ComPort1.Port(), CheckBox1->isChecked());
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

void TForm1::ComPort1RxChar(TCustomComPort&, int Count) {
  std::string batch;
  ComPort1.ReceiveText(batch, Count);
  HandleReceived(batch);
}

void TForm1::HandleReceived(const std::string& batch) {
  interpreter_.channel1Kind = RadioGroup2->itemIndex();
  interpreter_.channel2Kind = RadioGroup3->itemIndex();
  const RxEventResult result = interpreter_.OnReceived(batch, SteadyNow());
  Gauge1->setProgress(result.gaugeProgress);
  Gauge1->setVisible(result.gaugeVisible);
  if (result.clearTimeAndDate) {
    Edit3->clear();
    Edit4->clear();
  }
  // A complete reply that is not the logger's (a non-digit, a clock out of step) is dropped.
  if (result.status) ShowStatus(*result.status);
  if (result.status && clockCheck_) CheckClockSetting(*result.status);
  if (result.sendDownloadCommand) SendDownloadCommand();
  if (result.downloadAbandoned) {
    archiver_->Interrupted(DownloadText(), EndReason::kSizeLimit);
    Gauge1->hide();
    setCursor(Qt::ArrowCursor);
    ShowErrorReport(this,
                    QStringLiteral("La descarga se abandonó: llegaron más de %1 MB sin la marca de "
                                   "fin de datos. Lo recibido se conserva; desconecte, conecte y "
                                   "vuelva a descargar")
                        .arg(ReplyInterpreter::kMaxDownloadText >> 20));
  }
  if (result.downloadEnded) EndOfDownload();
  // Starting a running timer would restart it and delay the command.
  if (result.startClockTimer && !Timer2->isActive()) Timer2->start();
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
  interpreter_.clockSettingPending = false;
  // Stopped before the writes: a failed write must not leave the timer sending again and again.
  Timer2->stop();
  ShowLinkAids();
  // Only a confirmed setting is sent: the command also empties the logger's memory, so the run
  // at start-up (or any other run without a confirmation) must never send it.
  if (pending) PONEHORA();
}

void TForm1::PONEHORA() {
  if (!IsConnected()) return;
  interpreter_.ClearStatusBuffer();  // a status reply being received is dropped
  SendText(std::string(1, protocol::kSetClockCommand));
  // The clock is read after the command character has gone out.
  const std::time_t now = ComputerTime();
  std::tm local{};
  localtime_r(&now, &local);
  const std::vector<std::string> writes = protocol::SetClockWrites(local);
  for (std::size_t i = 1; i < writes.size(); ++i) SendText(writes[i]);
  clockCheck_.emplace(now);
}

void TForm1::CheckClockSetting(const LoggerStatus& status) {
  switch (clockCheck_->Feed(status.reply, ComputerTime())) {
    case ClockSettingCheck::Verdict::kWaiting:
      return;
    case ClockSettingCheck::Verdict::kFollowed:
      clockCheck_.reset();
      return;
    case ClockSettingCheck::Verdict::kNotFollowed: {
      const QString text = ClockNotTakenText(clockCheck_->seen());
      clockCheck_.reset();
      // Shown once this event has returned, so that the displays go on following the logger
      // behind the report.
      QMetaObject::invokeMethod(
          this, [this, text] { ShowErrorReport(this, text); }, Qt::QueuedConnection);
      return;
    }
  }
}

std::time_t TForm1::ComputerTime() const {
  return options_.clock ? options_.clock() : std::time(nullptr);
}

std::chrono::steady_clock::time_point TForm1::SteadyNow() const {
  return steadyClock_ ? steadyClock_() : std::chrono::steady_clock::now();
}

void TForm1::SetArchivePath(const std::string& path) {
  archiver_->SetPath(path);
}

void TForm1::HistoryButtonClick() {
  if (!history_) {
    history_ = new DownloadHistoryWindow(*archiver_, qobject_cast<TForm5*>(windows_.data), this);
  }
  ShowModal(history_);
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
