// What the data window offers besides saving and charting, behind one "ANÁLISIS" button in the free
// space below "GRAFICAR": the summary with limits, the exports (CSV, CSV for Spanish spreadsheets,
// JSON) and the one-page report, saved as PDF or printed (through the chart module, loaded then).
// The specified controls stay as they are.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "analysis/ExportFormat.h"
#include "charts/ReportContent.h"

class QMenu;
class QToolButton;
class SummaryWindow;
class TForm5;

class DataWindowTools : public QObject {
  Q_OBJECT

 public:
  explicit DataWindowTools(TForm5* window);

  // The summary window, shown modally over the data window with the table as it stands.
  void ShowSummary();
  // The table in `format`, to a file the operator chooses.
  void Export(analysis::ExportFormat format);
  // The report, to a PDF file the operator chooses (written whole or not at all).
  void SaveReport();
  // The report on a printer the operator chooses.
  void PrintReportPage();

  // The limits set in the summary window (the charts draw them too).
  analysis::LimitSettings Limits() const;
  // Where a station's alarm rule comes from: the report of a table that names a station with a
  // rule lists its excursions.
  void SetAlarmRuleSource(std::function<std::optional<AlarmRule>(const std::string& station)> rule);
  // The report of the table as it stands, with the summary window's limits. Throws what the rule
  // source throws.
  ReportContent Content() const;

  QToolButton* button();
  QMenu* menu();
  SummaryWindow* summary();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MakeButton();

  TForm5* window_;
  QToolButton* button_ = nullptr;
  QMenu* menu_ = nullptr;
  SummaryWindow* summary_ = nullptr;
  std::function<std::optional<AlarmRule>(const std::string&)> ruleSource_;
};
