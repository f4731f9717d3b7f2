// Sample-rate dialog: sends the logger a new sample rate as soon as the operator selects one.
// The dialog knows nothing of the main window: it asks `isConnected` before sending and writes the
// command with `sendText`, which may throw (a failed write); the failure is shown in the standard
// error report and the dialog stays open.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TForm7 : public QDialog {
  Q_OBJECT

 public:
  // `setRate` writes the command of rate choice 0..5 to the logger (and has its effect checked).
  TForm7(std::function<bool()> isConnected, std::function<void(int choice)> setRate,
         QWidget* parent = nullptr);

  // Makes the controls before the first showing: a window made at start-up and not opened costs
  // next to nothing.
  void setVisible(bool visible) override;

  // The selected rate, 0..5, or -1 when none is selected (or before the first showing).
  int ItemIndex() const;
  QRadioButton* Item(int index) const;

  QLabel* Label1 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QPushButton* BitBtn1 = nullptr;

 public slots:
  // Runs at each showing: no rate is selected.
  void FormActivate();
  // Runs when a rate becomes selected: sends its command when connected.
  void RadioGroup1Click();
  void BitBtn1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void MakeControls();
  void ClearSelection();

  std::function<bool()> isConnected_;
  std::function<void(int choice)> setRate_;
  QButtonGroup* items_ = nullptr;
};
