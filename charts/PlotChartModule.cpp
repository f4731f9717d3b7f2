// The chart module: what the windows ask of it, done with the line chart and the report page.
#include "charts/PlotChartModule.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

#include "charts/ChartModule.h"
#include "charts/ChartPrintPreview.h"
#include "charts/ChartTimeOptions.h"
#include "charts/ChartWindowCharts.h"
#include "charts/ComparisonCharts.h"
#include "charts/LineChart.h"
#include "charts/ReportPage.h"
#include "charts/Unit6.h"

namespace {

class PlotCharts final : public ChartModule {
 public:
  void BuildChartWindow(TForm6& window, TableSource table, LimitsSource limits) override {
    BuildWindowCharts(window);
    if (limits) new ChartTimeOptions(&window, std::move(table), std::move(limits));
  }

  void FillCharts(LineChart& temperature, LineChart& humidity, const SampleTable* table) override {
    FillWindowCharts(temperature, humidity, table);
  }

  void CopyToClipboard(LineChart& chart) override { chart.CopyToClipboard(); }

  LineChart* MakeComparisonChart(QWidget& holder, bool temperature) override {
    return ::MakeComparisonChart(holder, temperature);
  }

  void ShowComparison(LineChart& chart, const record::Comparison& comparison, bool temperature,
                      const std::vector<QColor>& colours) override {
    ::ShowComparison(chart, comparison, temperature, colours);
  }

  void ShowPrintPreview(LineChart& chart, QWidget* owner) override {
    // The chart is repainted however the preview ends, before an error is reported.
    struct RepaintOnExit {
      LineChart& chart;
      ~RepaintOnExit() { chart.Repaint(); }
    } repaint{chart};
    ChartPrintPreview preview(chart, owner);
    preview.Exec();
  }

  QByteArray ReportPdf(const ReportContent& content) override { return ::ReportPdf(content); }

  void PrintReportWithDialog(QWidget* owner, const ReportContent& content) override {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(QStringLiteral("Imprimir informe"));
    if (dialog.exec() != QDialog::Accepted) return;
    PrintReport(printer, content);
  }
  void PrintHtmlWithDialog(QWidget* owner, const QString& title, const QString& html) override {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) return;
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
  }
};

}  // namespace

ChartModule& PlotChartModule() {
  static PlotCharts module;
  return module;
}
