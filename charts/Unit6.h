// The chart window: the downloaded temperatures and relative humidities as two line charts
// against the sample number, with buttons to copy and print each chart and two buttons that
// explain the mouse gestures for zooming and panning.
//
// The window and its buttons are made with the other windows at start; the charts are made by the
// chart module (see ChartModule) at the window's first showing, or at the first call that needs
// them, so that the plotting and printing libraries are loaded only then. When the module cannot
// be loaded, the standard error report says why and the window stays without charts.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "alarms/Alarm.h"
#include "analysis/SampleStatistics.h"

class ChartModule;
class ColorButton;
class LineChart;
class QCPGraph;
struct SampleTable;

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);

  // Where the charts' data come from: the decoded table that the data window shows, read at every
  // showing. Until set, or while it gives no table, the charts stay empty.
  void SetTableSource(std::function<const SampleTable*()> table);
  // Where the limits drawn on the charts come from. When set before the charts are made, the window
  // also gets its date and time axis option.
  void SetLimitsSource(std::function<analysis::LimitSettings()> limits);
  // Where a station's alarm rule comes from: when the table shown names a station with a rule,
  // the stretches beyond its limits are shaded. Unset, nothing is shaded.
  using AlarmRuleSource = std::function<std::optional<AlarmRule>(const std::string& station)>;
  void SetAlarmRuleSource(AlarmRuleSource rule);
  // The rule of the table's station; none without a station or a source. Throws what the source
  // throws.
  std::optional<AlarmRule> AlarmRuleOf(const SampleTable& table) const;

  // Refills both charts from the table's numbers, sample k at x = k - 1. Throws std::runtime_error
  // ("'' is not a valid floating point value") at a sample whose line could not be decoded, as its
  // empty cell would; the points before it stay. Also throws when the chart module cannot be
  // loaded.
  void FormActivate();

  void AbColBitBtn1Click();  // copy the temperature chart
  void AbColBitBtn2Click();  // explain panning
  void AbColBitBtn3Click();  // explain zooming
  void AbColBitBtn4Click();  // print preview of the temperature chart
  void AbColBitBtn5Click();  // copy the humidity chart
  void AbColBitBtn6Click();  // print preview of the humidity chart

  static QString PanInstruction();
  static QString ZoomInstruction();

  // Null until the charts are made.
  LineChart* Chart1 = nullptr;
  LineChart* Chart2 = nullptr;
  QCPGraph* Series1 = nullptr;
  QCPGraph* LineSeries1 = nullptr;
  // Null until the window first shows.
  ColorButton* AbColBitBtn1 = nullptr;
  ColorButton* AbColBitBtn2 = nullptr;
  ColorButton* AbColBitBtn3 = nullptr;
  ColorButton* AbColBitBtn4 = nullptr;
  ColorButton* AbColBitBtn5 = nullptr;
  ColorButton* AbColBitBtn6 = nullptr;

  // Makes the buttons before the first showing: a window made at start-up and not opened costs
  // next to nothing.
  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void MakeButtons();

  // The chart module, with the charts made; throws when the module cannot be loaded.
  ChartModule& Charts();
  void ShowPrintPreview(LineChart* TForm6::*chart);
  void ShowInstruction(const QString& text);

  std::function<const SampleTable*()> tableSource_;
  std::function<analysis::LimitSettings()> limitsSource_;
  AlarmRuleSource ruleSource_;
};
