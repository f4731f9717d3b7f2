// Modal print preview of one chart: the chart on a page, with the choice of printer and its
// setup, portrait or landscape paper, page margins in per cent, the level of detail, proportional
// printing, and a button that prints.
//
// An error while printing is reported over the preview, which stays open with the operator's
// choices, so the operator can pick another printer or file and print again. An error while
// drawing the preview's own pages closes it; Exec() then throws it on to its caller, so the owner
// can repaint its chart and report the error.
#pragma once

#include <QDialog>
#include <QPrinter>
#include <exception>

#include "charts/ChartPrintLayout.h"

class LineChart;
class QCheckBox;
class QComboBox;
class QPrintPreviewWidget;
class QRadioButton;
class QSlider;
class QSpinBox;

class ChartPrintPreview : public QDialog {
  Q_OBJECT
 public:
  ChartPrintPreview(LineChart& chart, QWidget* owner);

  // Shows the preview modally; rethrows an error that ended it.
  int Exec();

  QPrinter& printer() { return printer_; }
  ChartPrintOptions options() const;

  // Prints the chart with the present choices (asks for a file name when printing to a PDF file
  // that has none yet) and closes the preview. When printing fails the error is reported and the
  // preview stays open; a PDF file name that failed is forgotten, so the next try asks again.
  void Print();

  // The entry of the printer list that prints to a PDF file.
  static QString PdfFileEntry();

 private:
  void ChoosePrinter(int index);
  void SetupPage();
  void SetLandscape(bool landscape);
  void UpdatePreview();
  void DrawPreview(QPrinter* printer);

  LineChart& chart_;
  QPrinter printer_{QPrinter::HighResolution};
  std::exception_ptr error_;
  QComboBox* printers_;
  QRadioButton* portrait_;
  QRadioButton* landscape_;
  QSpinBox* margins_[4];
  QSlider* detail_;
  QCheckBox* proportional_;
  QPrintPreviewWidget* preview_ = nullptr;
};
