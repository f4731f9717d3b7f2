// The summary of the downloaded samples for the operator: count, extremes with their date and time,
// mean, standard deviation, dew point, mean kinetic temperature and, with limits set, the samples
// and minutes outside them; two decimals with a decimal comma. The limits are typed in the window
// and kept until the program ends, so the report uses the same ones.
#pragma once

#include <QDialog>

#include "analysis/SampleStatistics.h"
#include "data/SampleDecoder.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class SummaryWindow : public QDialog {
  Q_OBJECT

 public:
  explicit SummaryWindow(QWidget* parent = nullptr);

  // Shows the figures of `table` with the limits as they stand.
  void ShowTable(const SampleTable& table);
  // "APLICAR" (or Return in a limit box): reads the four limit boxes, with a decimal comma or
  // point. An unreadable box is named below them and the limits stay as they were; a channel's low
  // limit above its high one, or a limit its sensor cannot reach, is named with the channel and
  // the limits are cleared. True when the limits were taken.
  bool ApplyLimits();

  const analysis::LimitSettings& Limits() const { return limits_; }
  void SetLimits(const analysis::LimitSettings& limits);

  // The text of the summary table at (row, column); column 0 holds the figures' names.
  QString CellText(int row, int column) const;
  int FigureRowCount() const;
  QString LimitProblem() const;

  QLineEdit* humidityLow = nullptr;
  QLineEdit* humidityHigh = nullptr;
  QLineEdit* temperatureLow = nullptr;
  QLineEdit* temperatureHigh = nullptr;
  QPushButton* applyButton = nullptr;

 signals:
  void LimitsApplied();

 private:
  void Refresh();
  void ShowLimitsInBoxes();

  SampleTable table_;
  analysis::LimitSettings limits_;
  QTableWidget* figures_ = nullptr;
  QLabel* problem_ = nullptr;
};
