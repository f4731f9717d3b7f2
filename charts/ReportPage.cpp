// Layout and drawing of the report page.
#include "charts/ReportPage.h"

#include <QBuffer>
#include <QDateTime>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <array>
#include <stdexcept>

#include "alarms/AlarmTexts.h"
#include "analysis/CalibrationNotes.h"
#include "analysis/RoundedNumber.h"
#include "analysis/StampText.h"
#include "analysis/SummaryRows.h"
#include "charts/ChartLooks.h"
#include "charts/ChartTimeAxis.h"
#include "charts/LineChart.h"
#include "data/StartTexts.h"

namespace {

// The page is laid out in points (1/72 inch) on A4: 595 x 842.
constexpr double kPageWidth = 595.0;
constexpr double kPageHeight = 842.0;
constexpr double kMargin = 36.0;
constexpr double kLine = 12.0;

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont PageFont(double points, bool bold = false) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(static_cast<int>(points));  // one pixel is one point after the page scale
  font.setBold(bold);
  return font;
}

LineChartLook ChartLook(bool temperature) {
  LineChartLook look = temperature ? TemperatureChartLook() : HumidityChartLook();
  look.bottomAxisTitle = QStringLiteral("Fecha y hora");
  return look;
}

// Draws one chart of the download on the time axis into `target` (device pixels).
void PaintChart(QPainter& painter, const QRectF& target, bool temperature, const TimeSeries& series,
                const analysis::ChannelLimits& limits) {
  LineChart chart;
  chart.resize(527, 201);  // the chart window's size, for the chart's proportions
  chart.ApplyLook(ChartLook(temperature));
  const std::vector<double>& values = temperature ? series.temperature : series.humidity;
  ShowOnTimeAxis(chart, series.seconds, values);
  ShowLimitLines(chart, limits);
  MarkValuesBeyondRange(chart, series.seconds, values);
  ChartPrintOptions options;
  options.leftMarginPercent = options.rightMarginPercent = 0;
  options.topMarginPercent = options.bottomMarginPercent = 0;
  options.proportional = false;
  options.detail = 100;  // laid out at the page's size: screen-sized fonts, more axis labels
  chart.PaintOnPage(painter, target, options);
}

QString StampText(const SampleNumbers* sample) {
  if (!sample) return QStringLiteral("—");
  return Utf8(analysis::SpanishDateTimeText(analysis::StampOf(*sample)));
}

// Label and value pairs, one per line, from `top`; returns the y below the last.
double PaintPairs(QPainter& painter, double left, double top, double labelWidth,
                  const std::vector<std::pair<QString, QString>>& pairs) {
  for (const auto& [label, value] : pairs) {
    painter.setFont(PageFont(9, true));
    painter.drawText(QRectF(left, top, labelWidth, kLine), Qt::AlignLeft | Qt::AlignVCenter, label);
    painter.setFont(PageFont(9));
    painter.drawText(QRectF(left + labelWidth, top, 400, kLine), Qt::AlignLeft | Qt::AlignVCenter,
                     value);
    top += kLine;
  }
  return top;
}

double PaintIdentity(QPainter& painter, double top, const ReportContent& content) {
  const SampleTable& table = *content.table;
  const SampleNumbers* first = nullptr;
  const SampleNumbers* last = nullptr;
  for (const SampleNumbers& sample : table.samples) {
    if (!sample.hasStamp) continue;
    if (!first) first = &sample;
    last = &sample;
  }
  const QString start = analysis::HasStart(table)
                            ? Utf8(analysis::SpanishDateTimeText(analysis::StartStampOf(table)))
                            : QStringLiteral("— (no consta en el archivo)");
  const std::string rateText = StartRateText(table);
  const QString rate =
      rateText.empty() ? QStringLiteral("—") : QString::fromLatin1(rateText.c_str());
  const double leftEnd =
      PaintPairs(painter, kMargin, top, 110,
                 {{QStringLiteral("Inicio del registro:"), start},
                  {QStringLiteral("Tasa de muestreo:"), rate},
                  {QStringLiteral("Muestras:"), QString::number(table.samples.size())},
                  {QStringLiteral("Primera muestra:"), StampText(first)},
                  {QStringLiteral("Última muestra:"), StampText(last)}});
  if (!content.origin) return leftEnd;
  const ReportOrigin& origin = *content.origin;
  const double right = kMargin + 290;
  PaintPairs(painter, right, top, 70,
             {{QStringLiteral("Recibida:"), origin.receivedAt},
              {QStringLiteral("Dónde:"), origin.receivedWhere},
              {QStringLiteral("SHA-256:"), origin.sha256.left(32)},
              {QString(), origin.sha256.mid(32)}});
  return leftEnd;
}

// The calibrations that corrected the values, one note each (in red when expired); returns the y
// below them.
double PaintCalibrations(QPainter& painter, double top, const ReportContent& content) {
  for (const Calibration& calibration : content.table->calibrations) {
    const QRectF box(kMargin, top, kPageWidth - 2 * kMargin, 2 * kLine);
    painter.setFont(PageFont(8, true));
    painter.setPen(CalibrationExpired(calibration, content.today) ? QColor(200, 0, 0) : Qt::black);
    QRectF used;
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     Utf8(analysis::CalibrationNote(calibration, content.today)), &used);
    top += used.height() + 2;
  }
  painter.setPen(Qt::black);
  return content.table->calibrations.empty() ? top : top + 6;
}

double PaintSummary(QPainter& painter, double top, const ReportContent& content) {
  const SampleTable& table = *content.table;
  const analysis::DownloadStatistics statistics =
      analysis::ComputeStatistics(table, content.limits);
  const std::vector<analysis::SummaryRow> rows =
      analysis::SummaryRows(table, statistics, content.limits);
  const double labelWidth = 160;
  const double cellWidth = (kPageWidth - 2 * kMargin - labelWidth) / 3;
  painter.setFont(PageFont(8.5, true));
  painter.fillRect(QRectF(kMargin, top, kPageWidth - 2 * kMargin, kLine), QColor(166, 202, 240));
  const std::array<std::string, 3> titles = analysis::SummaryColumnTitles();
  for (int c = 0; c < 3; ++c) {
    painter.drawText(QRectF(kMargin + labelWidth + c * cellWidth, top, cellWidth - 4, kLine),
                     Qt::AlignRight | Qt::AlignVCenter, Utf8(titles[static_cast<std::size_t>(c)]));
  }
  top += kLine;
  bool shaded = false;
  for (const analysis::SummaryRow& row : rows) {
    if (shaded)
      painter.fillRect(QRectF(kMargin, top, kPageWidth - 2 * kMargin, kLine),
                       QColor(232, 242, 232));
    shaded = !shaded;
    painter.setFont(PageFont(8.5, true));
    painter.drawText(QRectF(kMargin + 2, top, labelWidth, kLine), Qt::AlignLeft | Qt::AlignVCenter,
                     Utf8(row.label));
    painter.setFont(PageFont(8.5));
    for (int c = 0; c < 3; ++c) {
      painter.drawText(QRectF(kMargin + labelWidth + c * cellWidth, top, cellWidth - 4, kLine),
                       Qt::AlignRight | Qt::AlignVCenter,
                       Utf8(row.cells[static_cast<std::size_t>(c)]));
    }
    top += kLine;
  }
  return top;
}

// The excursions of a station with a rule, one line each; a page has room for a few, and says how
// many more there are.
double PaintExcursions(QPainter& painter, double top, const std::vector<Alarm>& alarms) {
  constexpr std::size_t kMostRows = 8;
  const double width = kPageWidth - 2 * kMargin;
  // Column starts, as fractions of the width: kind, level, limit, start, end, minutes, peak.
  constexpr std::array<double, 8> kColumns = {0, 0.17, 0.27, 0.39, 0.59, 0.79, 0.88, 1.0};
  auto row = [&](const std::array<QString, 7>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const double left = kMargin + 2 + kColumns[c] * width;
      painter.drawText(QRectF(left, top, (kColumns[c + 1] - kColumns[c]) * width - 4, kLine),
                       Qt::AlignLeft | Qt::AlignVCenter, cells[c]);
    }
    top += kLine;
  };
  painter.setFont(PageFont(8.5, true));
  painter.fillRect(QRectF(kMargin, top, width, kLine), QColor(240, 200, 200));
  row({QStringLiteral("Excursión"), QStringLiteral("Nivel"), QStringLiteral("Límite"),
       QStringLiteral("Inicio"), QStringLiteral("Fin"), QStringLiteral("Minutos"),
       QStringLiteral("Pico")});
  painter.setFont(PageFont(8.5));
  if (alarms.empty()) {
    painter.drawText(QRectF(kMargin + 2, top, width, kLine), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Ninguna excursión fuera de los límites de la estación en el "
                                    "periodo."));
    return top + kLine;
  }
  for (std::size_t i = 0; i < alarms.size() && i < kMostRows; ++i) {
    const Alarm& alarm = alarms[i];
    row({Utf8(AlarmKindText(alarm.kind)), Utf8(AlarmLevelText(alarm.level)),
         Utf8(AlarmValueText(alarm.limit, alarm.kind)), Utf8(SpanishStampText(alarm.startedAt)),
         alarm.endedAt ? Utf8(SpanishStampText(*alarm.endedAt)) : QStringLiteral("abierta"),
         Utf8(analysis::RoundedText(alarm.minutes, 0, ',')),
         Utf8(AlarmValueText(alarm.peak, alarm.kind))});
  }
  if (alarms.size() > kMostRows) {
    painter.drawText(QRectF(kMargin + 2, top, width, kLine), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("… y %1 excursiones más.").arg(alarms.size() - kMostRows));
    top += kLine;
  }
  return top;
}

// One line per signature under a heading; returns the y below the last. Nothing without any.
double PaintSignatures(QPainter& painter, double top, const ReportContent& content) {
  if (content.signatures.empty()) return top;
  painter.setFont(PageFont(9, true));
  painter.drawText(QRectF(kMargin, top, kPageWidth - 2 * kMargin, kLine),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Firmas electrónicas:"));
  top += kLine;
  painter.setFont(PageFont(9));
  for (const ReportSignature& signature : content.signatures) {
    painter.drawText(QRectF(kMargin + 10, top, kPageWidth - 2 * kMargin - 10, kLine),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 por %2 el %3")
                         .arg(signature.meaning, signature.signer, signature.signedAt));
    top += kLine;
  }
  return top;
}

}  // namespace

void PaintReport(QPainter& painter, const QRectF& page, const ReportContent& content) {
  if (!content.table) return;
  painter.save();
  // Everything below is in points on an A4 page, scaled to the page given.
  const double scale = std::min(page.width() / kPageWidth, page.height() / kPageHeight);
  painter.translate(page.topLeft());
  painter.scale(scale, scale);
  painter.setPen(Qt::black);

  double top = kMargin;
  painter.setFont(PageFont(16, true));
  painter.drawText(QRectF(kMargin, top, kPageWidth - 2 * kMargin, 22),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("INFORME DE DATOS DESCARGADOS"));
  painter.setFont(PageFont(9));
  painter.drawText(QRectF(kMargin, top, kPageWidth - 2 * kMargin, 22),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Logger de humedad y temperatura"));
  top += 26;
  painter.setPen(QPen(QColor(0, 128, 128), 1.5));
  painter.drawLine(QPointF(kMargin, top), QPointF(kPageWidth - kMargin, top));
  painter.setPen(Qt::black);
  top += 6;

  top = PaintIdentity(painter, top, content) + 8;
  top = PaintCalibrations(painter, top, content);
  top = PaintSummary(painter, top, content) + 10;
  if (content.excursions) top = PaintExcursions(painter, top, *content.excursions) + 10;
  if (!content.signatures.empty()) top = PaintSignatures(painter, top, content) + 8;

  const TimeSeries series = TimeSeriesOf(*content.table);
  const double footer = kPageHeight - kMargin - kLine;
  const double chartHeight = (footer - 8 - top - 8) / 2;
  const QTransform toDevice = painter.transform();
  const QRectF temperatureBox(kMargin, top, kPageWidth - 2 * kMargin, chartHeight);
  const QRectF humidityBox(kMargin, top + chartHeight + 8, kPageWidth - 2 * kMargin, chartHeight);

  painter.setFont(PageFont(8));
  painter.drawText(
      QRectF(kMargin, footer, kPageWidth - 2 * kMargin, kLine), Qt::AlignLeft | Qt::AlignVCenter,
      content.timeZone.isEmpty()
          ? QStringLiteral("Generado por Velmorante el %1").arg(content.generatedAt)
          : QStringLiteral("Generado por Velmorante el %1 · horas locales de la zona %2")
                .arg(content.generatedAt, content.timeZone));
  if (series.seconds.empty()) {
    painter.drawText(QRectF(kMargin, footer, kPageWidth - 2 * kMargin, kLine),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Sin fecha y hora por muestra: los gráficos quedan vacíos."));
  }

  // The charts lay themselves out in device pixels.
  painter.resetTransform();
  PaintChart(painter, toDevice.mapRect(temperatureBox), true, series, content.limits.temperature);
  PaintChart(painter, toDevice.mapRect(humidityBox), false, series, content.limits.humidity);
  painter.restore();
}

QByteArray ReportPdf(const ReportContent& content) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Informe de datos descargados"));
    writer.setCreator(QStringLiteral("Velmorante"));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    PaintReport(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())), content);
    if (!painter.end()) return {};
  }
  return bytes;
}

void PrintReport(QPrinter& printer, const ReportContent& content) {
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  QPainter painter;
  if (!painter.begin(&printer))
    throw std::runtime_error("No se pudo empezar a imprimir el informe");
  PaintReport(painter, QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size()),
              content);
  if (!painter.end()) throw std::runtime_error("No se pudo terminar la impresión del informe");
}
