// Set-clock dialog: warns that setting the logger's clock also empties its memory and, on
// confirmation, marks the clock setting as pending through `markClockPending`. It sends nothing
// itself; the main window sends the command after the logger's next transmission.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class TForm8 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm8(std::function<void()> markClockPending, QWidget* parent = nullptr);

  // Makes the controls before the first showing: a window made at start-up and not opened costs
  // next to nothing.
  void setVisible(bool visible) override;

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // "PONER EN HORA"
  QPushButton* BitBtn2 = nullptr;  // "REGRESAR"

 public slots:
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void MakeControls();

  std::function<void()> markClockPending_;
};
