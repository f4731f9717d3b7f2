// The chart window: filling from the decoded table's numbers, its failure rule, the instruction
// boxes, copying and the print preview.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "charts/ChartPrintPreview.h"
#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "data/SampleDecoder.h"
#include "data/SampleTable.h"
#include "widgets/ColorButton.h"
#include "window_base/ErrorReport.h"

namespace {

// A decoded table with the given temperatures and humidities, one sample per pair.
SampleTable TableOf(const std::vector<double>& temperature, const std::vector<double>& humidity) {
  SampleTable table;
  table.rows.resize(temperature.size() + 1);
  for (std::size_t i = 0; i < temperature.size(); ++i) {
    SampleNumbers sample;
    sample.hasValues = true;
    sample.temperature = temperature[i];
    sample.humidity = humidity[i];
    table.samples.push_back(sample);
  }
  return table;
}

// Marks sample `index` (from 0) as one whose line could not be decoded.
SampleTable WithUnreadable(SampleTable table, std::size_t index) {
  table.samples[index] = SampleNumbers{};
  return table;
}

// Runs `action` on the next modal window that opens (polling, so it works whoever opens it).
void OnNextModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start();
}

// The chart's points as (x, y) pairs.
std::vector<std::pair<double, double>> Points(const LineChart& chart) {
  std::vector<std::pair<double, double>> points;
  for (auto it = chart.series()->data()->constBegin(); it != chart.series()->data()->constEnd();
       ++it) {
    points.emplace_back(it->key, it->value);
  }
  return points;
}

// The chart's y values, checking that x runs 0, 1, 2, ...
std::vector<double> Values(const LineChart& chart) {
  std::vector<double> values;
  for (const auto& [x, y] : Points(chart)) {
    EXPECT_EQ(x, double(values.size()));
    values.push_back(y);
  }
  return values;
}

class ChartWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorReportObserver([this](const QString& text) { reports.push_back(text); }, false);
    form.SetTableSource([this] { return &table; });
  }
  void TearDown() override { SetErrorReportObserver({}); }

  void Show() {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  SampleTable table;
  TForm6 form;
  std::vector<QString> reports;
};

TEST_F(ChartWindowTest, FiveSamplesGiveFivePointsPerChartFromTheirChannels) {
  table = TableOf({23.5, 24.0, -3.5, 50.1, 0.0}, {50.0, 51.5, 99.9, 0.0, 12.3});
  Show();
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(Values(*form.Chart1), (std::vector<double>{23.5, 24.0, -3.5, 50.1, 0.0}));
  EXPECT_EQ(Values(*form.Chart2), (std::vector<double>{50.0, 51.5, 99.9, 0.0, 12.3}));

  // The next showing shows only the new data.
  form.hide();
  table = TableOf({10.0, 11.0}, {60.0, 61.0});
  Show();
  EXPECT_EQ(Values(*form.Chart1), (std::vector<double>{10.0, 11.0}));
  EXPECT_EQ(Values(*form.Chart2), (std::vector<double>{60.0, 61.0}));
}

TEST_F(ChartWindowTest, DecodedDownloadIsDrawnWithItsExactValues) {
  // r1 = 651 is 1.25 % (shown "1,3"), r2 = 499 is -0.1 degrees; the chart takes the numbers.
  SampleDecoder decoder;
  table = decoder.Decode("012003015030\r\n045014002000\r\n002139001243\r\n007068002223\r\nA");
  ASSERT_FALSE(table.error);
  form.FormActivate();
  EXPECT_EQ(Values(*form.Chart1), (std::vector<double>{-0.1, 23.5}));
  const std::vector<double> humidity = Values(*form.Chart2);
  ASSERT_EQ(humidity.size(), 2u);
  EXPECT_NEAR(humidity[0], 1.25, 1e-12);
  EXPECT_NEAR(humidity[1], 50.0, 1e-12);
}

TEST_F(ChartWindowTest, DownloadsOfThreeLinesOrFewerAndAMissingTableGiveEmptyCharts) {
  SampleDecoder decoder;
  for (const char* text : {"012003015030\r\n045014002000\r\nA", "012003015030\r\nA", "A", ""}) {
    table = TableOf({1.0, 2.0}, {1.0, 2.0});
    form.FormActivate();
    ASSERT_EQ(form.Chart1->PointCount(), 2);
    table = decoder.Decode(text);
    form.FormActivate();
    EXPECT_EQ(form.Chart1->PointCount(), 0) << text;
    EXPECT_EQ(form.Chart2->PointCount(), 0) << text;
  }
  form.SetTableSource([] { return nullptr; });
  form.FormActivate();
  EXPECT_EQ(form.Chart1->PointCount(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ChartWindowTest, AnUndecodedSampleStopsTheTemperatureChartAndLeavesTheHumidityChartAlone) {
  table = TableOf({1.0, 2.0, 3.0}, {40.0, 41.0, 42.0});
  Show();
  form.hide();

  table = WithUnreadable(TableOf({5.0, 6.0, 7.0, 8.0}, {70.0, 71.0, 72.0, 73.0}), 2);
  Show();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "'' is not a valid floating point value.");
  EXPECT_EQ(Values(*form.Chart1), (std::vector<double>{5.0, 6.0}));
  EXPECT_EQ(Values(*form.Chart2), (std::vector<double>{40.0, 41.0, 42.0}));  // earlier showing
  EXPECT_TRUE(form.isVisible());
}

TEST_F(ChartWindowTest, ALetterInASampleLineStopsTheChartAtThatSample) {
  SampleDecoder decoder;
  table = decoder.Decode(
      "012003015030\r\n045014002000\r\n007068002223\r\n007068X02223\r\n007068002223\r\nA");
  ASSERT_TRUE(table.error);
  Show();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "'' is not a valid floating point value.");
  EXPECT_EQ(Values(*form.Chart1), (std::vector<double>{23.5}));
}

TEST_F(ChartWindowTest, LeftAxisRangesNeverChangeWithTheData) {
  table = TableOf({-40.0, 125.0, 1000.0}, {-5.0, 150.0, 0.5});
  for (int showing = 0; showing < 2; ++showing) {
    Show();
    form.Chart1->Repaint();
    form.Chart2->Repaint();
    EXPECT_EQ(form.Chart1->yAxis->range(), QCPRange(-10, 45));
    EXPECT_EQ(form.Chart2->yAxis->range(), QCPRange(0, 100));
    form.hide();
  }
}

TEST_F(ChartWindowTest, EveryShowingStartsFromTheStandardAxes) {
  table = TableOf({1.0, 2.0, 3.0, 4.0}, {5.0, 6.0, 7.0, 8.0});
  Show();
  const QCPRange bottom = form.Chart1->xAxis->range();
  // Zoom the temperature chart and pan the humidity chart, as an operator would with the mouse.
  const QPoint corner = form.Chart1->axisRect()->topLeft();
  QTest::mousePress(form.Chart1, Qt::LeftButton, Qt::NoModifier, corner + QPoint(40, 20));
  QTest::mouseMove(form.Chart1, corner + QPoint(200, 120));
  QTest::mouseRelease(form.Chart1, Qt::LeftButton, Qt::NoModifier, corner + QPoint(200, 120));
  const QPoint middle = form.Chart2->axisRect()->center();
  QTest::mousePress(form.Chart2, Qt::RightButton, Qt::NoModifier, middle);
  QTest::mouseMove(form.Chart2, middle + QPoint(60, 30));
  QTest::mouseRelease(form.Chart2, Qt::RightButton, Qt::NoModifier, middle + QPoint(60, 30));
  ASSERT_TRUE(form.Chart1->isViewMoved());
  ASSERT_TRUE(form.Chart2->isViewMoved());
  ASSERT_NE(form.Chart2->yAxis->range(), QCPRange(0, 100));
  form.hide();

  Show();
  for (LineChart* chart : {form.Chart1, form.Chart2}) {
    EXPECT_FALSE(chart->isViewMoved());
    EXPECT_EQ(chart->xAxis->range(), bottom);
  }
  EXPECT_EQ(form.Chart1->yAxis->range(), QCPRange(-10, 45));
  EXPECT_EQ(form.Chart2->yAxis->range(), QCPRange(0, 100));
}

TEST_F(ChartWindowTest, MoverAndZoomOnlyShowTheirTexts) {
  table = TableOf({1.0, 2.0}, {3.0, 4.0});
  Show();
  const QCPRange bottom = form.Chart1->xAxis->range();
  for (auto [button, expected] : {std::pair{form.AbColBitBtn2, TForm6::PanInstruction()},
                                  std::pair{form.AbColBitBtn3, TForm6::ZoomInstruction()}}) {
    QString shown;
    OnNextModal([&shown](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      shown = box->text();
      box->accept();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(shown, expected);
  }
  EXPECT_EQ(TForm6::PanInstruction(), "Botón derecho del mouse sobre el gráfico.");
  EXPECT_EQ(TForm6::ZoomInstruction(),
            "Haga un rectángulo con el mouse de izquierda a derecha y de arriba hacia abajo, "
            "sobre el lugar deseado.");
  EXPECT_EQ(Values(*form.Chart1), (std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(Values(*form.Chart2), (std::vector<double>{3.0, 4.0}));
  EXPECT_EQ(form.Chart1->xAxis->range(), bottom);
  EXPECT_EQ(form.Chart1->yAxis->range(), QCPRange(-10, 45));
  EXPECT_TRUE(reports.empty());
}

TEST_F(ChartWindowTest, CopyButtonsPutTheirChartOnTheClipboard) {
  table = TableOf({1.0, 2.0}, {3.0, 4.0});
  Show();
  for (auto [button, chart] :
       {std::pair{form.AbColBitBtn1, form.Chart1}, std::pair{form.AbColBitBtn5, form.Chart2}}) {
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(button, Qt::LeftButton);
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), chart->size());
    EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
              chart->RenderImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }
}

TEST_F(ChartWindowTest, PrintPreviewPrintsToPdfAndTheChartIsRepaintedAfterwards) {
  table = TableOf({1.0, 2.0, 3.0}, {3.0, 4.0, 5.0});
  Show();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("humedad.pdf");

  int replotsAfterClose = 0;
  bool previewOpen = false;
  QObject::connect(form.Chart2, &QCustomPlot::afterReplot, [&] {
    if (!previewOpen) ++replotsAfterClose;
  });
  OnNextModal([&](QWidget* modal) {
    auto* preview = qobject_cast<ChartPrintPreview*>(modal);
    ASSERT_NE(preview, nullptr);
    previewOpen = true;
    replotsAfterClose = 0;
    // The page is drawn in the preview before anything is printed.
    const auto* pages = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->pageCount(), 1);
    preview->printer().setOutputFormat(QPrinter::PdfFormat);
    preview->printer().setOutputFileName(path);
    preview->Print();
    previewOpen = false;
  });
  QTest::mouseClick(form.AbColBitBtn6, Qt::LeftButton);

  EXPECT_TRUE(reports.empty());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(5).startsWith("%PDF-"));
  EXPECT_GT(file.size(), 1000);
  EXPECT_GE(replotsAfterClose, 1);
}

// Regression: a print error used to close the preview, and the operator's choices went with it.
TEST_F(ChartWindowTest, APrintErrorIsReportedOverThePreviewWhichKeepsItsChoices) {
  table = TableOf({1.0, 2.0}, {3.0, 4.0});
  Show();
  QTemporaryDir dir;
  const QString good = dir.filePath("temperatura.pdf");
  int replotsAfterClose = 0;
  bool previewOpen = false;
  QObject::connect(form.Chart1, &QCustomPlot::afterReplot, [&] {
    if (!previewOpen) ++replotsAfterClose;
  });
  OnNextModal([&](QWidget* modal) {
    auto* preview = qobject_cast<ChartPrintPreview*>(modal);
    ASSERT_NE(preview, nullptr);
    previewOpen = true;
    replotsAfterClose = 0;
    // The operator's choices: portrait paper, other margins, more detail, not proportional.
    for (QRadioButton* paper : preview->findChildren<QRadioButton*>())
      if (paper->text() == QStringLiteral("Vertical")) paper->setChecked(true);
    const auto spins = preview->findChildren<QSpinBox*>();
    ASSERT_EQ(spins.size(), 4);
    for (int i = 0; i < 4; ++i) spins[i]->setValue(20 + i);
    preview->findChild<QSlider*>()->setValue(60);
    preview->findChild<QCheckBox*>()->setChecked(false);
    const ChartPrintOptions chosen = preview->options();

    preview->printer().setOutputFormat(QPrinter::PdfFormat);
    preview->printer().setOutputFileName(dir.filePath("no-such-folder/temperatura.pdf"));
    preview->Print();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("No se pudo empezar a imprimir en '")))
        << reports[0].toStdString();
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), preview);
    EXPECT_EQ(preview->printer().pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(preview->options().leftMarginPercent, chosen.leftMarginPercent);
    EXPECT_EQ(preview->options().bottomMarginPercent, 23);
    EXPECT_EQ(preview->options().detail, 60);
    EXPECT_FALSE(preview->options().proportional);
    EXPECT_TRUE(preview->printer().outputFileName().isEmpty());  // the next try asks again

    // Another file: printing now goes through and closes the preview.
    preview->printer().setOutputFileName(good);
    preview->Print();
    previewOpen = false;
  });
  QTest::mouseClick(form.AbColBitBtn4, Qt::LeftButton);

  EXPECT_EQ(reports.size(), 1u);
  EXPECT_TRUE(QFile::exists(good));
  EXPECT_GE(replotsAfterClose, 1);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
