// The alarms window: the alarms of the download archive, open ones first and then the past ones,
// newest first in each, with who acknowledged each and why. The operator acknowledges the chosen
// alarm with a comment, which is required.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "alarms/Alarm.h"

class ColorButton;
class GradientPanel;
class QLabel;
class QTableWidget;

class AlarmsWindow : public QDialog {
  Q_OBJECT

 public:
  // Asks the operator for the acknowledgement's comment; nothing when cancelled.
  using CommentQuestion = std::function<std::optional<QString>(QWidget* parent, const Alarm&)>;

  // `archivePath` gives the archive's file at each reading (empty: none).
  explicit AlarmsWindow(std::function<std::string()> archivePath, QWidget* parent = nullptr);

  // Reads the alarms again from the archive.
  void Refresh();
  // "RECONOCER…": acknowledges the chosen alarm with the comment asked for. A blank comment is
  // refused and nothing is kept; an alarm acknowledged already cannot be chosen for it.
  void AcknowledgeChosen();
  // Replaces the comment question (tests); an empty function restores the input box.
  void SetCommentQuestion(CommentQuestion question);

  QTableWidget* Table() const { return table_; }
  ColorButton* AcknowledgeButton() const { return acknowledgeButton_; }
  // The line under the table: the archive's file, or why it could not be read.
  QString PlaceText() const;
  // The alarms in the order of the table's rows.
  const std::vector<Alarm>& Alarms() const { return alarms_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void ShowPlace(const QString& text);
  void UpdateButton();

  std::function<std::string()> archivePath_;
  CommentQuestion commentQuestion_;
  std::vector<Alarm> alarms_;
  GradientPanel* background_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* place_ = nullptr;
  ColorButton* acknowledgeButton_ = nullptr;
  ColorButton* closeButton_ = nullptr;
};

// The texts of an alarm's row, column by column under AlarmHeadings().
std::vector<std::string> AlarmHeadings();
std::vector<std::string> AlarmRowTexts(const Alarm& alarm);
