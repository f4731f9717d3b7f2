// Help window: a short guide to the program in an editable text box. Edits stay for the rest of
// the run and are never saved.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

class TForm3 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);

  // The guide's text, one entry per line.
  static QStringList HelpLines();

  QPlainTextEdit* Memo1 = nullptr;  // made for the first showing

  // Makes the memo with the guide before the first showing.
  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
};
