// What the program asks of the chart module, the part of the windows that draws with the plotting
// and printing libraries: the chart window's two charts and their time axis option, copying and
// the print preview of a chart, and the one-page report. The chart window and the data window use
// it through this interface only, so those libraries are loaded when a chart or a report is first
// wanted and not when the program starts.
#pragma once

#include <QByteArray>
#include <QColor>
#include <functional>
#include <vector>

#include "analysis/SampleStatistics.h"
#include "charts/ReportContent.h"

class LineChart;
class QWidget;
class TForm6;
struct SampleTable;
namespace record {
struct Comparison;
}

class ChartModule {
 public:
  using TableSource = std::function<const SampleTable*()>;
  using LimitsSource = std::function<analysis::LimitSettings()>;

  virtual ~ChartModule() = default;

  // Builds the chart window's charts (Chart1, Chart2 and their series Series1, LineSeries1) and,
  // when `limits` is given, its date and time axis option reading `table` and `limits`.
  virtual void BuildChartWindow(TForm6& window, TableSource table, LimitsSource limits) = 0;
  // Refills both charts from the table, sample k at x = k - 1, from the standard axes. Throws
  // std::runtime_error at a sample whose line could not be decoded; the points before it stay.
  virtual void FillCharts(LineChart& temperature, LineChart& humidity,
                          const SampleTable* table) = 0;
  virtual void CopyToClipboard(LineChart& chart) = 0;
  // A chart of the comparison window filling `holder`: temperature (or relative humidity) of
  // several stations against date and time, with a legend naming them under it.
  virtual LineChart* MakeComparisonChart(QWidget& holder, bool temperature) = 0;
  // Replaces the chart's lines with one per station of `comparison`, station k in `colours[k]`,
  // broken where a station has no sample, and fits the time axis to them all.
  virtual void ShowComparison(LineChart& chart, const record::Comparison& comparison,
                              bool temperature, const std::vector<QColor>& colours) = 0;
  // The modal print preview of `chart` over `owner`; the chart is repainted however it ends.
  virtual void ShowPrintPreview(LineChart& chart, QWidget* owner) = 0;

  // The report as a PDF file's bytes; empty when the PDF cannot be made.
  virtual QByteArray ReportPdf(const ReportContent& content) = 0;
  // Asks for a printer over `owner` and prints the report on it; throws std::runtime_error (Spanish
  // text) when printing fails. Nothing happens when the operator cancels.
  virtual void PrintReportWithDialog(QWidget* owner, const ReportContent& content) = 0;
  // Asks for a printer over `owner` titled `title` and prints the rich text `html` on it. Nothing
  // happens when the operator cancels.
  virtual void PrintHtmlWithDialog(QWidget* owner, const QString& title, const QString& html) = 0;
};

// The chart module, loaded at the first call. Throws std::runtime_error with a Spanish text naming
// the module's file and why it could not be loaded.
ChartModule& LoadChartModule();
