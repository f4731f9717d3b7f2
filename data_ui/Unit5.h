// The data window: the logger's start date, start time and sample rate above a table with one row
// per downloaded sample. It rebuilds everything from the main window's download text each time it
// is shown, saves the table to a text file ("GUARDAR") and opens the chart window ("GRAFICAR").
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <functional>
#include <optional>
#include <string>

#include "data/SampleDecoder.h"

class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;
class SampleTableModel;

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  // Asks whether an existing file may be replaced: Yes, No or Cancel.
  using OverwriteQuestion =
      std::function<QMessageBox::StandardButton(QWidget* parent, const QString& text)>;

  explicit TForm5(QWidget* parent = nullptr);
  ~TForm5() override;

  // Where the download text comes from (the main window's text store); read at every showing.
  void SetDownloadTextSource(std::function<std::string()> source);
  // What "GRAFICAR" runs: shows the chart window modally and returns when it is closed.
  void SetChartWindowOpener(std::function<void()> open);
  // Shows `table` (an archived download, a file) at the next showing instead of the download
  // text, with `saved` told of each file it is saved to and `notice` (such as why the download is
  // incomplete) shown under the table; the showing after that shows the download text again, as
  // it was. A non-empty `noSaveReason` disables "GUARDAR" for that table, its tool-tip saying why.
  void ShowTableOnce(SampleTable table, std::function<void(const QString& path)> saved = {},
                     const QString& notice = {}, const QString& noSaveReason = {});
  // Whether "GUARDAR" can be used for the table shown.
  bool CanSave() const;
  // The notice under the table; empty when none is shown.
  QString Notice() const;
  // Told of each file the download text's table is saved to.
  void SetDownloadSavedListener(std::function<void(const QString& path)> saved);
  // Replaces the overwrite question (tests); an empty function restores the platform's own.
  void SetOverwriteQuestion(OverwriteQuestion question);

  // The table: cell (column, row), row 0 holding the headings and column 0 the sample numbers.
  QString Cell(int column, int row) const;
  // Rows of the table including the heading row: lines of the download text - 2, at least 1.
  int RowCount() const;
  // Lines of the download text read at the last showing.
  int DownloadLineCount() const { return downloadLineCount_; }
  const SampleTable& Table() const;

  // Makes the controls before the first showing.
  void setVisible(bool visible) override;

  QString StartDate() const;  // DD/MM/YYYY
  QString StartTime() const;  // HH:MM:SS
  QString RateText() const;   // such as "CADA 5 MINUTOS"

  // Rebuilds the start boxes and the table from the download text. Runs on every new showing;
  // a decode error is reported once the window is up, and what was filled before it stays.
  void FormActivate();
  // "GUARDAR": saves rows 1..N to a file the operator chooses.
  void SpeedButton1Click();
  // "GRAFICAR": shows the chart window.
  void SpeedButton2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The controls are made, placed and dressed at the window's first showing: creating the window
  // at start-up then costs next to nothing and loads no font for it.
  void BuildControls();
  void DressControls();
  void ShowStart(const SampleTable& table);
  // Gives the notice the height its text needs at its width, the window growing to show it.
  void FitNotice();
  QString ChooseSaveFile();
  QMessageBox::StandardButton AskOverwrite(const QString& text);

  SampleDecoder decoder_;  // one for the window's life: its month-length cell carries over
  SampleTableModel* model_ = nullptr;
  int downloadLineCount_ = 0;
  bool dressed_ = false;

  std::function<std::string()> downloadTextSource_;
  std::optional<SampleTable> otherTable_;              // shown once, instead of the text
  std::function<void(const QString&)> otherSaved_;     // its save listener
  QString otherNotice_;                                // its notice
  QString otherNoSaveReason_;                          // why it cannot be saved; empty if it can
  QString saveToolTip_;                                // "GUARDAR"'s own tool-tip
  std::function<void(const QString&)> downloadSaved_;  // the download text's
  std::function<void(const QString&)> shownSaved_;     // the table now shown
  SampleTable downloadStart_;  // start boxes of the download text's last showing
  std::function<void()> chartWindowOpener_;
  OverwriteQuestion overwriteQuestion_;

  QLabel* Label1 = nullptr;  // start year, month, day, hour, minute, second (hidden)
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label10 = nullptr;
  QLineEdit* Edit1 = nullptr;  // start date
  QLineEdit* Edit2 = nullptr;  // start time
  QLineEdit* Edit6 = nullptr;  // a row's date while it is composed (hidden)
  QLineEdit* Edit7 = nullptr;  // a row's time while it is composed (hidden)
  QLineEdit* Edit8 = nullptr;  // rate text
  QTableView* StringGrid1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;  // "GUARDAR"
  QToolButton* SpeedButton2 = nullptr;  // "GRAFICAR"
  QLabel* notice_ = nullptr;            // under the table: what the operator must know of it
};
