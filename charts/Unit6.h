// The chart window: the downloaded temperatures and relative humidities as two line charts
// against the sample number, with buttons to copy and print each chart and two buttons that
// explain the mouse gestures for zooming and panning.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class ColorButton;
class LineChart;
class QCPGraph;
struct SampleNumbers;
struct SampleTable;

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);

  // Where the charts' data come from: the decoded table that the data window shows, read at every
  // showing. Until set, or while it gives no table, the charts stay empty.
  void SetTableSource(std::function<const SampleTable*()> table);

  // Refills both charts from the table's numbers, sample k at x = k - 1. Throws std::runtime_error
  // ("'' is not a valid floating point value") at a sample whose line could not be decoded, as its
  // empty cell would; the points before it stay.
  void FormActivate();

  void AbColBitBtn1Click();  // copy the temperature chart
  void AbColBitBtn2Click();  // explain panning
  void AbColBitBtn3Click();  // explain zooming
  void AbColBitBtn4Click();  // print preview of the temperature chart
  void AbColBitBtn5Click();  // copy the humidity chart
  void AbColBitBtn6Click();  // print preview of the humidity chart

  static QString PanInstruction();
  static QString ZoomInstruction();

  LineChart* Chart1;
  LineChart* Chart2;
  QCPGraph* Series1;
  QCPGraph* LineSeries1;
  ColorButton* AbColBitBtn1;
  ColorButton* AbColBitBtn2;
  ColorButton* AbColBitBtn3;
  ColorButton* AbColBitBtn4;
  ColorButton* AbColBitBtn5;
  ColorButton* AbColBitBtn6;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Appends one channel of every sample to a chart, in sample order.
  void FillChart(LineChart& chart, const SampleTable* table, double SampleNumbers::*channel);
  void ShowPrintPreview(LineChart& chart);
  void ShowInstruction(const QString& text);

  std::function<const SampleTable*()> tableSource_;
};
