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

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);

  // Where the charts' data come from: the number of lines of the download text, and the data
  // table's cell text at (column, row). Until set, the charts stay empty.
  void SetSources(std::function<int()> downloadLineCount,
                  std::function<QString(int column, int row)> tableCell);

  // Refills both charts from the data table. Throws std::runtime_error, naming the cell's text,
  // at a cell that is not a number; the points before it stay.
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
  // Appends the numbers of one table column, rows 1..N, to a chart.
  void FillChart(LineChart& chart, int column, int sampleCount);
  void ShowPrintPreview(LineChart& chart);
  void ShowInstruction(const QString& text);

  std::function<int()> downloadLineCount_;
  std::function<QString(int, int)> tableCell_;
};
