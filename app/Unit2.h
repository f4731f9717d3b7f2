// About window: the program's picture, its name and version, and the maker's details.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);

  // Makes the controls before the first showing: a window made at start-up and not opened costs
  // next to nothing.
  void setVisible(bool visible) override;

  QFrame* Panel1 = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Version = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Copyright = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Comments = nullptr;
  QPushButton* OKButton = nullptr;

 public slots:
  void OKButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void MakeControls();

  bool sized_ = false;  // the labels took their texts' sizes
};
