// Modal setup dialog in which the operator chooses a serial port and its line settings, and the
// drop-down lists it is made of. The dialog's texts are in English.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

#include "link/CPort.h"

class QGroupBox;
class QLabel;
class QPushButton;

// The port setting a TComComboBox shows and changes.
enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// Drop-down list (not editable) bound to one port and one of its settings. It keeps its own copy of
// the chosen value and hands it to the port only when told to (ApplySettings), unless AutoApply is
// switched on.
class TComComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TComComboBox(QWidget* parent = nullptr);

  TComProperty ComProperty() const { return property_; }
  // Chooses the setting and fills the list with its items. For cpPort the items are `portNames`,
  // sorted without regard to case. Nothing is selected until the list is bound to a port.
  void SetComProperty(TComProperty property, const std::vector<std::string>& portNames = {});

  // Binds the list to `port` (not owned; must outlive the binding) and shows the port's current
  // value: the matching item (found without regard to case) is selected and becomes the list's own
  // value. When no item matches, nothing is selected and the own value stays as it was.
  TCustomComPort* ComPort() const { return port_; }
  void SetComPort(TCustomComPort* port);

  bool AutoApply() const { return autoApply_; }
  void SetAutoApply(bool value) { autoApply_ = value; }

  // Writes the list's own value to the bound port through the setting's setter.
  void ApplySettings();

  // The list's own value: the port name for cpPort, otherwise the enumeration value (the item's
  // index in ItemsOf()). At first an empty name and the first value of each enumeration.
  const std::string& PortValue() const { return portValue_; }
  int Value() const { return value_; }

  // The items of every setting but cpPort, in enumeration order.
  static QStringList ItemsOf(TComProperty property);
  // The text `port` currently has for `property` (the item the list looks for when bound).
  static QString SettingText(const TCustomComPort& port, TComProperty property);

 private:
  void TakeItem(int index);

  TComProperty property_ = cpNone;
  TCustomComPort* port_ = nullptr;
  bool autoApply_ = false;
  std::string portValue_;
  int value_ = 0;
};

// The setup dialog: six lists for port, baud rate, data bits, stop bits, parity and flow control,
// bound to `port` when built, and the OK and Cancel buttons.
class TComSetupFrm : public QDialog {
  Q_OBJECT

 public:
  TComSetupFrm(TCustomComPort& port, const std::vector<std::string>& portNames,
               QWidget* parent = nullptr);

  TComComboBox* Combo1() const { return combos_[0]; }
  TComComboBox* Combo2() const { return combos_[1]; }
  TComComboBox* Combo3() const { return combos_[2]; }
  TComComboBox* Combo4() const { return combos_[3]; }
  TComComboBox* Combo5() const { return combos_[4]; }
  TComComboBox* Combo6() const { return combos_[5]; }
  QPushButton* Button1() const { return okButton_; }
  QPushButton* Button2() const { return cancelButton_; }
  QGroupBox* GroupBox1() const { return groupBox_; }

  // Applies every list's value to the port in one change: port name, baud rate, data bits, stop
  // bits, parity, flow control. A failing setter's error passes on; the change is closed anyway.
  void ApplySettings();

 private:
  TCustomComPort& port_;
  QGroupBox* groupBox_ = nullptr;
  TComComboBox* combos_[6] = {};
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

// Shows the setup dialog for `port` over `parent`, listing the machine's serial ports and
// `extraPorts`. On OK the choices are applied to the port and true is returned; Cancel (or closing
// the window) changes nothing and returns false.
bool RunSetupDialog(TCustomComPort& port, QWidget* parent = nullptr,
                    const std::vector<std::string>& extraPorts = {});
