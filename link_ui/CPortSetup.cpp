#include "link_ui/CPortSetup.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <exception>

#include "link/SerialPortList.h"

// ---- TComComboBox ----------------------------------------------------------------------------

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  connect(this, &QComboBox::currentIndexChanged, this, &TComComboBox::TakeItem);
}

QStringList TComComboBox::ItemsOf(TComProperty property) {
  switch (property) {
    case cpBaudRate:
      return {"Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
              "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
    case cpDataBits:
      return {"5", "6", "7", "8"};
    case cpStopBits:
      return {"1", "1.5", "2"};
    case cpParity:
      return {"None", "Odd", "Even", "Mark", "Space"};
    case cpFlowControl:
      return {"Hardware", "Software", "None", "Custom"};
    case cpNone:
    case cpPort:
      break;
  }
  return {};
}

QString TComComboBox::SettingText(const TCustomComPort& port, TComProperty property) {
  int index = -1;
  switch (property) {
    case cpNone:
      return {};
    case cpPort:
      return QString::fromStdString(port.Port());
    case cpBaudRate:
      index = port.BaudRate();
      break;
    case cpDataBits:
      index = port.DataBits();
      break;
    case cpStopBits:
      index = port.StopBits();
      break;
    case cpParity:
      index = port.Parity().Bits();
      break;
    case cpFlowControl:
      index = port.FlowControl().FlowControl();
      break;
  }
  const QStringList items = ItemsOf(property);
  return index >= 0 && index < items.size() ? items[index] : QString();
}

void TComComboBox::SetComProperty(TComProperty property,
                                  const std::vector<std::string>& portNames) {
  property_ = property;
  // Filling a list selects its first item; the selection belongs to the binding, so keep the own
  // value out of the filling and start with nothing selected.
  const QSignalBlocker quiet(this);
  clear();
  if (property == cpPort) {
    std::vector<std::string> names = portNames;
    SortPortNames(names);
    for (const std::string& name : names) addItem(QString::fromStdString(name));
  } else {
    addItems(ItemsOf(property));
  }
  setCurrentIndex(-1);
}

void TComComboBox::SetComPort(TCustomComPort* port) {
  port_ = port;
  if (port_ == nullptr || property_ == cpNone) return;
  const int found = findText(SettingText(*port_, property_), Qt::MatchFixedString);
  // Showing the port's value must not send it straight back to the port.
  const bool autoApply = autoApply_;
  autoApply_ = false;
  setCurrentIndex(found);
  if (found >= 0) TakeItem(found);
  autoApply_ = autoApply;
}

void TComComboBox::TakeItem(int index) {
  if (index < 0 || property_ == cpNone) return;
  const QString text = itemText(index);
  if (property_ == cpPort) {
    portValue_ = text.toStdString();
  } else {
    const QStringList items = ItemsOf(property_);
    const auto match = std::find_if(items.begin(), items.end(), [&](const QString& item) {
      return item.compare(text, Qt::CaseInsensitive) == 0;
    });
    if (match == items.end()) return;
    value_ = static_cast<int>(match - items.begin());
  }
  if (autoApply_) ApplySettings();
}

void TComComboBox::ApplySettings() {
  if (port_ == nullptr) return;
  switch (property_) {
    case cpNone:
      break;
    case cpPort:
      port_->SetPort(portValue_);
      break;
    case cpBaudRate:
      port_->SetBaudRate(static_cast<TBaudRate>(value_));
      break;
    case cpDataBits:
      port_->SetDataBits(static_cast<TDataBits>(value_));
      break;
    case cpStopBits:
      port_->SetStopBits(static_cast<TStopBits>(value_));
      break;
    case cpParity:
      port_->Parity().SetBits(static_cast<TParityBits>(value_));
      break;
    case cpFlowControl:
      port_->FlowControl().SetFlowControl(static_cast<TFlowControl>(value_));
      break;
  }
}

// ---- TComSetupFrm ----------------------------------------------------------------------------

TComSetupFrm::TComSetupFrm(TCustomComPort& port, const std::vector<std::string>& portNames,
                           QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      port_(port) {
  setObjectName("ComSetupFrm");
  setWindowTitle("Setup");
  QFont dialogFont("MS Sans Serif");
  dialogFont.setStyleHint(QFont::SansSerif);
  dialogFont.setPointSize(8);
  setFont(dialogFont);
  setFixedSize(231, 216);

  groupBox_ = new QGroupBox(" Settings ", this);
  groupBox_->setObjectName("GroupBox1");
  groupBox_->setGeometry(8, 8, 217, 169);

  struct Row {
    const char* label;
    TComProperty property;
  };
  static const Row kRows[6] = {{"Port", cpPort},          {"Baud rate", cpBaudRate},
                               {"Data bits", cpDataBits}, {"Stop bits", cpStopBits},
                               {"Parity", cpParity},      {"Flow control", cpFlowControl}};
  for (int i = 0; i < 6; ++i) {
    auto* label = new QLabel(kRows[i].label, groupBox_);
    label->setObjectName(QString("Label%1").arg(i + 1));
    label->move(8, 24 + 24 * i);
    label->adjustSize();
    auto* combo = new TComComboBox(groupBox_);
    combo->setObjectName(QString("Combo%1").arg(i + 1));
    combo->setGeometry(80, 16 + 24 * i, 129, 21);
    combo->SetComProperty(kRows[i].property, portNames);
    label->setBuddy(combo);
    combos_[i] = combo;
  }

  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("Button1");
  okButton_->setGeometry(70, 184, 75, 25);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("Button2");
  cancelButton_->setGeometry(150, 184, 75, 25);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  for (int i = 0; i < 5; ++i) setTabOrder(combos_[i], combos_[i + 1]);
  setTabOrder(combos_[5], okButton_);
  setTabOrder(okButton_, cancelButton_);

  // Bind in list order, port first: each list shows the port's present setting.
  for (TComComboBox* combo : combos_) combo->SetComPort(&port_);

  // Centred on the screen (the parent's screen when there is a parent).
  QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
}

void TComSetupFrm::ApplySettings() {
  port_.BeginChange();
  try {
    for (TComComboBox* combo : combos_) combo->ApplySettings();
  } catch (...) {
    // Close the change even when a setter failed, so later changes are not held back forever; the
    // setter's error is the one to report.
    try {
      port_.EndChange();
    } catch (...) {
    }
    throw;
  }
  port_.EndChange();
}

bool RunSetupDialog(TCustomComPort& port, QWidget* parent,
                    const std::vector<std::string>& extraPorts) {
  TComSetupFrm dialog(port, ListSerialPorts(extraPorts), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.ApplySettings();
  return true;
}
