#include <gtest/gtest.h>
#include <termios.h>

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <ostream>

#include "link/CPort.h"
#include "link_ui/CPortSetup.h"
#include "tests/link/PseudoTerminal.h"

namespace {

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

QStringList Shown(const TComSetupFrm& dialog) {
  return {dialog.Combo1()->currentText(), dialog.Combo2()->currentText(),
          dialog.Combo3()->currentText(), dialog.Combo4()->currentText(),
          dialog.Combo5()->currentText(), dialog.Combo6()->currentText()};
}

// The next widget that the Tab key reaches after `widget`.
QWidget* NextTabStop(QWidget* widget) {
  QWidget* next = widget->nextInFocusChain();
  while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

void Choose(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text);
  ASSERT_GE(index, 0) << text.toStdString();
  combo->setCurrentIndex(index);
}

struct Snapshot {
  std::string port;
  TBaudRate baud;
  TDataBits dataBits;
  TStopBits stopBits;
  TParityBits parity;
  TRTSFlowControl rts;
  bool outCts, xonIn, xonOut;
  bool operator==(const Snapshot&) const = default;
};

void PrintTo(const Snapshot& s, std::ostream* os) {
  *os << "{port \"" << s.port << "\", baud " << s.baud << ", data " << s.dataBits << ", stop "
      << s.stopBits << ", parity " << s.parity << ", rts " << s.rts << ", cts " << s.outCts
      << ", xon in/out " << s.xonIn << s.xonOut << "}";
}

Snapshot Take(const TCustomComPort& port) {
  return {port.Port(),
          port.BaudRate(),
          port.DataBits(),
          port.StopBits(),
          port.Parity().Bits(),
          port.FlowControl().ControlRTS(),
          port.FlowControl().OutCTSFlow(),
          port.FlowControl().XonXoffIn(),
          port.FlowControl().XonXoffOut()};
}

TEST(SetupDialog, ShowsComPort1SettingsAndSortedPorts) {
  TComPort port;
  ApplyLoggerLineSettings(port);
  port.SetPort("COM1");
  TComSetupFrm dialog(port, {"COM2", "COM10", "/dev/ttyUSB0", "COM1"});
  EXPECT_EQ(Items(dialog.Combo1()), QStringList({"/dev/ttyUSB0", "COM1", "COM10", "COM2"}));
  EXPECT_EQ(Shown(dialog), QStringList({"COM1", "9600", "8", "1", "None", "None"}));
  EXPECT_EQ(Items(dialog.Combo6()), QStringList({"Hardware", "Software", "None", "Custom"}));
  EXPECT_EQ(dialog.Combo2()->count(), 16);
  EXPECT_EQ(dialog.Combo2()->itemText(0), "Custom");
}

TEST(SetupDialog, LayoutTextsAndTabOrder) {
  TComPort port;
  TComSetupFrm dialog(port, {});
  EXPECT_EQ(dialog.objectName(), "ComSetupFrm");
  EXPECT_EQ(dialog.windowTitle(), "Setup");
  EXPECT_EQ(dialog.size(), QSize(231, 216));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(dialog.GroupBox1()->title(), " Settings ");
  EXPECT_EQ(dialog.GroupBox1()->geometry(), QRect(8, 8, 217, 169));
  TComComboBox* combos[] = {dialog.Combo1(), dialog.Combo2(), dialog.Combo3(),
                            dialog.Combo4(), dialog.Combo5(), dialog.Combo6()};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(combos[i]->geometry(), QRect(80, 16 + 24 * i, 129, 21)) << i;
    EXPECT_FALSE(combos[i]->isEditable());
    if (i < 5) {
      EXPECT_EQ(NextTabStop(combos[i]), combos[i + 1]) << i;
    }
  }
  EXPECT_EQ(NextTabStop(dialog.Combo6()), dialog.Button1());
  EXPECT_EQ(NextTabStop(dialog.Button1()), dialog.Button2());
  EXPECT_EQ(dialog.Button1()->text(), "OK");
  EXPECT_EQ(dialog.Button1()->geometry(), QRect(70, 184, 75, 25));
  EXPECT_TRUE(dialog.Button1()->isDefault());
  EXPECT_EQ(dialog.Button2()->text(), "Cancel");
  EXPECT_EQ(dialog.Button2()->geometry(), QRect(150, 184, 75, 25));
}

TEST(SetupDialog, UnknownPortShowsNoSelectionAndOkEmptiesTheName) {
  TComPort port;
  port.SetPort("COM1");  // not listed
  TComSetupFrm dialog(port, {"/dev/ttyUSB0", "/dev/ttyACM0"});
  EXPECT_EQ(dialog.Combo1()->currentIndex(), -1);
  EXPECT_EQ(dialog.Combo1()->PortValue(), "");
  const Snapshot before = Take(port);
  dialog.ApplySettings();
  Snapshot expected = before;
  expected.port = "";
  EXPECT_EQ(Take(port), expected);
  EXPECT_THROW(port.Connect(), EComPort);
  EXPECT_FALSE(port.Connected());
}

TEST(SetupDialog, PortFoundWithoutRegardToCaseTakesTheListedName) {
  TComPort port;
  port.SetPort("com2");
  TComSetupFrm dialog(port, {"COM1", "COM2"});
  EXPECT_EQ(dialog.Combo1()->currentText(), "COM2");
  dialog.ApplySettings();
  EXPECT_EQ(port.Port(), "COM2");
}

TEST(SetupDialog, FlowControlShowsCustomWhileRtsIsRaisedAndCustomKeepsFields) {
  TComPort port;
  port.FlowControl().SetControlRTS(rtsEnable);
  port.FlowControl().SetOutDSRFlow(true);
  {
    TComSetupFrm dialog(port, {port.Port()});
    EXPECT_EQ(dialog.Combo6()->currentText(), "Custom");
    const Snapshot before = Take(port);
    dialog.ApplySettings();
    EXPECT_EQ(Take(port), before);
    EXPECT_TRUE(port.FlowControl().OutDSRFlow());
  }
  {
    TComSetupFrm dialog(port, {port.Port()});
    Choose(dialog.Combo6(), "None");
    dialog.ApplySettings();
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsDisable);
    EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
  }
  port.FlowControl().SetFlowControl(fcHardware);
  EXPECT_EQ(TComSetupFrm(port, {}).Combo6()->currentText(), "Hardware");
  port.FlowControl().SetFlowControl(fcSoftware);
  EXPECT_EQ(TComSetupFrm(port, {}).Combo6()->currentText(), "Software");
}

TEST(SetupDialog, ChoicesReachThePortOnlyWhenApplied) {
  TComPort port;
  port.SetPort("COM1");
  TComSetupFrm dialog(port, {"COM1", "/dev/ttyUSB3"});
  Choose(dialog.Combo1(), "/dev/ttyUSB3");
  Choose(dialog.Combo2(), "115200");
  Choose(dialog.Combo3(), "7");
  Choose(dialog.Combo4(), "1.5");
  Choose(dialog.Combo5(), "Even");
  Choose(dialog.Combo6(), "Software");
  EXPECT_EQ(port.Port(), "COM1");
  EXPECT_EQ(port.BaudRate(), br9600);
  dialog.ApplySettings();
  EXPECT_EQ(port.Port(), "/dev/ttyUSB3");
  EXPECT_EQ(port.BaudRate(), br115200);
  EXPECT_EQ(port.DataBits(), dbSeven);
  EXPECT_EQ(port.StopBits(), sbOne5StopBits);
  EXPECT_EQ(port.Parity().Bits(), prEven);
  EXPECT_EQ(port.FlowControl().FlowControl(), fcSoftware);

  TComSetupFrm again(port, {"COM1", "/dev/ttyUSB3"});
  EXPECT_EQ(Shown(again), QStringList({"/dev/ttyUSB3", "115200", "7", "1.5", "Even", "Software"}));
}

// Runs `act` on the setup dialog once RunSetupDialog has shown it.
void WhenDialogShows(std::function<void(TComSetupFrm&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<TComSetupFrm*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no setup dialog shown";
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
      return;
    }
    act(*dialog);
  });
}

TEST(SetupDialog, CancelLeavesEverySettingAfterChoices) {
  TComPort port;
  ApplyLoggerLineSettings(port);
  const Snapshot before = Take(port);
  WhenDialogShows([](TComSetupFrm& dialog) {
    Choose(dialog.Combo1(), "/dev/velmorante-test");
    Choose(dialog.Combo2(), "300");
    Choose(dialog.Combo6(), "Hardware");
    dialog.Button2()->click();
  });
  EXPECT_FALSE(RunSetupDialog(port, nullptr, {"/dev/velmorante-test"}));
  EXPECT_EQ(Take(port), before);

  WhenDialogShows([](TComSetupFrm& dialog) {
    Choose(dialog.Combo2(), "300");
    dialog.reject();  // closing the window
  });
  EXPECT_FALSE(RunSetupDialog(port, nullptr, {"/dev/velmorante-test"}));
  EXPECT_EQ(Take(port), before);
}

TEST(SetupDialog, OkAppliesChoices) {
  TComPort port;
  WhenDialogShows([](TComSetupFrm& dialog) {
    Choose(dialog.Combo1(), "/dev/velmorante-test");
    Choose(dialog.Combo2(), "19200");
    dialog.Button1()->click();
  });
  EXPECT_TRUE(RunSetupDialog(port, nullptr, {"/dev/velmorante-test"}));
  EXPECT_EQ(port.Port(), "/dev/velmorante-test");
  EXPECT_EQ(port.BaudRate(), br19200);
}

speed_t LineSpeed(int fd) {
  termios settings{};
  EXPECT_EQ(tcgetattr(fd, &settings), 0);
  return cfgetospeed(&settings);
}

TEST(SetupDialog, FailedSetterStillClosesTheChangeSoLaterSettingsApply) {
  PseudoTerminal line;
  TComPort port;
  ApplyLoggerLineSettings(port);
  port.SetPort(line.Path());
  port.Connect();
  ASSERT_EQ(LineSpeed(line.Slave()), B9600);
  {
    TComSetupFrm dialog(port, {line.Path(), "/dev/velmorante-missing"});
    Choose(dialog.Combo1(), "/dev/velmorante-missing");
    try {
      dialog.ApplySettings();
      ADD_FAILURE() << "reopening a missing port must fail";
    } catch (const EComPort& error) {
      EXPECT_EQ(error.Reason, 1);
    }
  }
  EXPECT_FALSE(port.Connected());

  port.SetPort(line.Path());
  port.Connect();
  port.SetBaudRate(br38400);
  EXPECT_EQ(LineSpeed(line.Slave()), B38400) << "settings held back by an unfinished change";
  port.Disconnect();
}

}  // namespace
