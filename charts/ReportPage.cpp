// Layout and drawing of the report's pages.
#include "charts/ReportPage.h"

#include <QBuffer>
#include <QDateTime>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
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
#include "record/TableGaps.h"

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

// Draws one chart of the download on the time axis into `target` (device pixels), its line broken
// at the table's gaps.
void PaintChart(QPainter& painter, const QRectF& target, bool temperature, const TimeSeries& series,
                const SampleTable& table, const analysis::ChannelLimits& limits) {
  LineChart chart;
  chart.resize(527, 201);  // the chart window's size, for the chart's proportions
  chart.ApplyLook(ChartLook(temperature));
  const std::vector<double>& values = temperature ? series.temperature : series.humidity;
  ShowOnTimeAxis(chart, series.seconds, values);
  BreakLineAtGaps(chart, table, true, table.samples.size());
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

// "45 min", "10 h 30 min", "3 d 2 h 0 min"; time that two recordings share: "se solapan 20 min".
QString DurationText(double minutes) {
  long long total = std::llround(std::fabs(minutes));
  QString text;
  if (total >= 24 * 60) {
    text += QStringLiteral("%1 d ").arg(total / (24 * 60));
    total %= 24 * 60;
  }
  if (!text.isEmpty() || total >= 60) {
    text += QStringLiteral("%1 h ").arg(total / 60);
    total %= 60;
  }
  text += QStringLiteral("%1 min").arg(total);
  return minutes < 0 ? QStringLiteral("se solapan %1").arg(text) : text;
}

// The first and the last sample with a time stamp, or none.
std::pair<const SampleNumbers*, const SampleNumbers*> StampedEnds(const SampleTable& table) {
  const SampleNumbers* first = nullptr;
  const SampleNumbers* last = nullptr;
  for (const SampleNumbers& sample : table.samples) {
    if (!sample.hasStamp) continue;
    if (!first) first = &sample;
    last = &sample;
  }
  return {first, last};
}

// The gaps the report lists: the ones given, or else those the samples' time stamps show; none
// (not even an empty list) when the report has no gaps to speak of.
std::optional<std::vector<ReportGap>> GapsOf(const ReportContent& content) {
  if (content.gaps) return content.gaps;
  const SampleTable& table = *content.table;
  std::vector<ReportGap> gaps;
  for (const record::TableGap& gap : record::TableGaps(table)) {
    gaps.push_back(
        {StampText(&table.samples[gap.first]), StampText(&table.samples[gap.next]), gap.minutes});
  }
  if (gaps.empty()) return std::nullopt;
  return gaps;
}

// Lays the report out page by page. Without a painter it only counts the pages; with one it draws
// them, every layout decision taken from font metrics alone so that both runs agree.
class ReportLayout {
 public:
  ReportLayout(QPainter* painter, const QTransform& toDevice, const ReportContent& content,
               int pageCount, std::function<bool()> newPage)
      : painter_(painter),
        toDevice_(toDevice),
        content_(content),
        pageCount_(pageCount),
        newPage_(std::move(newPage)) {}

  // Lays out every page; returns how many there are, or 0 when a new page could not be begun.
  int Run();

 private:
  static constexpr double kBottom = kPageHeight - kMargin - 34;  // where the footer begins

  void BeginPage();
  bool NextPage();
  // Starts a new page unless `height` fits below the present position.
  bool Need(double height);
  void Text(const QRectF& box, int flags, const QString& text, const QFont& font,
            const QColor& colour = Qt::black);
  double TextHeight(double width, int flags, const QString& text, const QFont& font) const;
  void Fill(const QRectF& box, const QColor& colour);

  void PaintPairs(double left, double labelWidth,
                  const std::vector<std::pair<QString, QString>>& pairs, double& bottom);
  void Identity();
  void Calibrations();
  void Summary();
  void SignatureList();
  void Charts();
  void Excursions(const std::vector<Alarm>& alarms);
  void Gaps(const std::vector<ReportGap>& gaps);
  // A table of `cells` rows under `titles`, on as many pages as it takes, the titles again at the
  // top of each page; `empty` stands for the rows when there are none.
  void Table(const QString& heading, const QColor& titleColour, const std::vector<double>& columns,
             const std::vector<QString>& titles, const std::vector<std::vector<QString>>& rows,
             const QString& empty);

  QPainter* painter_;
  QTransform toDevice_;
  const ReportContent& content_;
  int pageCount_;
  std::function<bool()> newPage_;
  int page_ = 0;
  double top_ = 0;
  bool failed_ = false;
};

void ReportLayout::Text(const QRectF& box, int flags, const QString& text, const QFont& font,
                        const QColor& colour) {
  if (!painter_) return;
  painter_->setFont(font);
  painter_->setPen(colour);
  painter_->drawText(box, flags, text);
}

double ReportLayout::TextHeight(double width, int flags, const QString& text,
                                const QFont& font) const {
  return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 1000), flags, text).height();
}

void ReportLayout::Fill(const QRectF& box, const QColor& colour) {
  if (painter_) painter_->fillRect(box, colour);
}

void ReportLayout::BeginPage() {
  ++page_;
  if (painter_) painter_->setTransform(toDevice_);
  const SampleTable& table = *content_.table;
  const double width = kPageWidth - 2 * kMargin;
  double top = kMargin;
  Text(QRectF(kMargin, top, width, 22), Qt::AlignLeft | Qt::AlignVCenter,
       QStringLiteral("INFORME DE DATOS DESCARGADOS"), PageFont(16, true));
  // The station and the period on every page, so that a page on its own says what it is of.
  QString period = content_.period;
  if (period.isEmpty()) {
    const auto [first, last] = StampedEnds(table);
    if (first) period = StampText(first) + QStringLiteral(" – ") + StampText(last);
  }
  Text(QRectF(kMargin, top, width, 11), Qt::AlignRight | Qt::AlignVCenter,
       table.station.empty() ? QStringLiteral("Logger de humedad y temperatura")
                             : QStringLiteral("Estación: %1").arg(Utf8(table.station)),
       PageFont(9, true));
  if (!period.isEmpty()) {
    Text(QRectF(kMargin, top + 11, width, 11), Qt::AlignRight | Qt::AlignVCenter,
         QStringLiteral("Periodo: %1").arg(period), PageFont(9));
  }
  top += 26;
  if (painter_) {
    painter_->setPen(QPen(QColor(0, 128, 128), 1.5));
    painter_->drawLine(QPointF(kMargin, top), QPointF(kPageWidth - kMargin, top));
  }
  top_ = top + 6;

  // The footer: who signed what the report shows, when it was made, and the page.
  if (painter_) {
    painter_->setPen(QPen(QColor(0, 128, 128), 0.75));
    painter_->drawLine(QPointF(kMargin, kBottom + 4), QPointF(kPageWidth - kMargin, kBottom + 4));
  }
  QString signatures;
  for (const ReportSignature& signature : content_.signatures) {
    signatures += (signatures.isEmpty() ? QStringLiteral("Firmas: ") : QStringLiteral(" · ")) +
                  QStringLiteral("%1 por %2 el %3")
                      .arg(signature.meaning, signature.signer, signature.signedAt);
  }
  if (signatures.isEmpty() && (!table.station.empty() || content_.origin))
    signatures = QStringLiteral("Sin firmas electrónicas.");
  Text(QRectF(kMargin, kBottom + 6, width, 2 * 9.5),
       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, signatures, PageFont(7.5));
  const double footer = kPageHeight - kMargin - kLine;
  Text(QRectF(kMargin, footer, width, kLine), Qt::AlignLeft | Qt::AlignVCenter,
       content_.timeZone.isEmpty()
           ? QStringLiteral("Generado por Velmorante el %1").arg(content_.generatedAt)
           : QStringLiteral("Generado por Velmorante el %1 · horas locales de la zona %2")
                 .arg(content_.generatedAt, content_.timeZone),
       PageFont(8));
  Text(QRectF(kMargin, footer, width, kLine), Qt::AlignRight | Qt::AlignVCenter,
       QStringLiteral("Página %1 de %2").arg(page_).arg(pageCount_), PageFont(8, true));
}

bool ReportLayout::NextPage() {
  if (painter_ && newPage_ && !newPage_()) {
    failed_ = true;
    return false;
  }
  BeginPage();
  return true;
}

bool ReportLayout::Need(double height) {
  if (top_ + height <= kBottom) return false;
  NextPage();
  return true;
}

void ReportLayout::PaintPairs(double left, double labelWidth,
                              const std::vector<std::pair<QString, QString>>& pairs,
                              double& bottom) {
  double top = top_;
  for (const auto& [label, value] : pairs) {
    Text(QRectF(left, top, labelWidth, kLine), Qt::AlignLeft | Qt::AlignVCenter, label,
         PageFont(9, true));
    Text(QRectF(left + labelWidth, top, 400, kLine), Qt::AlignLeft | Qt::AlignVCenter, value,
         PageFont(9));
    top += kLine;
  }
  bottom = std::max(bottom, top);
}

void ReportLayout::Identity() {
  const SampleTable& table = *content_.table;
  const auto [first, last] = StampedEnds(table);
  const QString start = analysis::HasStart(table)
                            ? Utf8(analysis::SpanishDateTimeText(analysis::StartStampOf(table)))
                            : QStringLiteral("— (no consta en el archivo)");
  const std::string rateText = StartRateText(table);
  const QString rate =
      rateText.empty() ? QStringLiteral("—") : QString::fromLatin1(rateText.c_str());
  double bottom = top_;
  PaintPairs(kMargin, 110,
             {{QStringLiteral("Inicio del registro:"), start},
              {QStringLiteral("Tasa de muestreo:"), rate},
              {QStringLiteral("Muestras:"), QString::number(table.samples.size())},
              {QStringLiteral("Primera muestra:"), StampText(first)},
              {QStringLiteral("Última muestra:"), StampText(last)}},
             bottom);
  if (content_.origin) {
    const ReportOrigin& origin = *content_.origin;
    PaintPairs(kMargin + 290, 70,
               {{QStringLiteral("Recibida:"), origin.receivedAt},
                {QStringLiteral("Dónde:"), origin.receivedWhere},
                {QStringLiteral("SHA-256:"), origin.sha256.left(32)},
                {QString(), origin.sha256.mid(32)}},
               bottom);
  }
  top_ = bottom + 8;
}

// The calibrations that corrected the values, one note each (in red when expired).
void ReportLayout::Calibrations() {
  const double width = kPageWidth - 2 * kMargin;
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
  for (const Calibration& calibration : content_.table->calibrations) {
    const QString note = Utf8(analysis::CalibrationNote(calibration, content_.today));
    const double height = TextHeight(width, flags, note, PageFont(8, true));
    Need(height);
    Text(QRectF(kMargin, top_, width, height), flags, note, PageFont(8, true),
         CalibrationExpired(calibration, content_.today) ? QColor(200, 0, 0) : QColor(Qt::black));
    top_ += height + 2;
  }
  if (!content_.table->calibrations.empty()) top_ += 6;
}

void ReportLayout::Summary() {
  const SampleTable& table = *content_.table;
  const analysis::DownloadStatistics statistics =
      analysis::ComputeStatistics(table, content_.limits);
  const std::vector<analysis::SummaryRow> rows =
      analysis::SummaryRows(table, statistics, content_.limits);
  const double labelWidth = 160;
  const double width = kPageWidth - 2 * kMargin;
  const double cellWidth = (width - labelWidth) / 3;
  Need(kLine * static_cast<double>(rows.size() + 1));
  Fill(QRectF(kMargin, top_, width, kLine), QColor(166, 202, 240));
  const std::array<std::string, 3> titles = analysis::SummaryColumnTitles();
  for (int c = 0; c < 3; ++c) {
    Text(QRectF(kMargin + labelWidth + c * cellWidth, top_, cellWidth - 4, kLine),
         Qt::AlignRight | Qt::AlignVCenter, Utf8(titles[static_cast<std::size_t>(c)]),
         PageFont(8.5, true));
  }
  top_ += kLine;
  bool shaded = false;
  for (const analysis::SummaryRow& row : rows) {
    if (shaded) Fill(QRectF(kMargin, top_, width, kLine), QColor(232, 242, 232));
    shaded = !shaded;
    Text(QRectF(kMargin + 2, top_, labelWidth, kLine), Qt::AlignLeft | Qt::AlignVCenter,
         Utf8(row.label), PageFont(8.5, true));
    for (int c = 0; c < 3; ++c) {
      Text(QRectF(kMargin + labelWidth + c * cellWidth, top_, cellWidth - 4, kLine),
           Qt::AlignRight | Qt::AlignVCenter, Utf8(row.cells[static_cast<std::size_t>(c)]),
           PageFont(8.5));
    }
    top_ += kLine;
  }
  top_ += 10;
}

// One line per signature under a heading. Nothing without any.
void ReportLayout::SignatureList() {
  if (content_.signatures.empty()) return;
  const double width = kPageWidth - 2 * kMargin;
  Need(2 * kLine);
  Text(QRectF(kMargin, top_, width, kLine), Qt::AlignLeft | Qt::AlignVCenter,
       QStringLiteral("Firmas electrónicas:"), PageFont(9, true));
  top_ += kLine;
  for (const ReportSignature& signature : content_.signatures) {
    Need(kLine);
    Text(QRectF(kMargin + 10, top_, width - 10, kLine), Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("%1 por %2 el %3")
             .arg(signature.meaning, signature.signer, signature.signedAt),
         PageFont(9));
    top_ += kLine;
  }
  top_ += 8;
}

// Both charts, filling the rest of the page when it leaves them room enough, else on a page of
// their own.
void ReportLayout::Charts() {
  const TimeSeries series = TimeSeriesOf(*content_.table);
  const double width = kPageWidth - 2 * kMargin;
  if (series.seconds.empty()) {
    Text(QRectF(kMargin, top_, width, kLine), Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("Sin fecha y hora por muestra: los gráficos quedan vacíos."), PageFont(8));
    top_ += kLine + 4;
  }
  constexpr double kLeast = 140;
  constexpr double kMost = 260;
  double chartHeight = (kBottom - 4 - top_ - 8) / 2;
  if (chartHeight < kLeast) {
    NextPage();
    chartHeight = std::min(kMost, (kBottom - 4 - top_ - 8) / 2);
  }
  const QRectF temperatureBox(kMargin, top_, width, chartHeight);
  const QRectF humidityBox(kMargin, top_ + chartHeight + 8, width, chartHeight);
  top_ += 2 * chartHeight + 8 + 10;
  if (!painter_) return;
  // The charts lay themselves out in device pixels.
  painter_->save();
  painter_->resetTransform();
  PaintChart(*painter_, toDevice_.mapRect(temperatureBox), true, series, *content_.table,
             content_.limits.temperature);
  PaintChart(*painter_, toDevice_.mapRect(humidityBox), false, series, *content_.table,
             content_.limits.humidity);
  painter_->restore();
}

void ReportLayout::Table(const QString& heading, const QColor& titleColour,
                         const std::vector<double>& columns, const std::vector<QString>& titles,
                         const std::vector<std::vector<QString>>& rows, const QString& empty) {
  const double width = kPageWidth - 2 * kMargin;
  auto line = [&](const std::vector<QString>& cells, const QFont& font) {
    for (std::size_t c = 0; c < cells.size() && c + 1 < columns.size(); ++c) {
      const double left = kMargin + 2 + columns[c] * width;
      Text(QRectF(left, top_, (columns[c + 1] - columns[c]) * width - 4, kLine),
           Qt::AlignLeft | Qt::AlignVCenter, cells[c], font);
    }
    top_ += kLine;
  };
  auto titleRow = [&] {
    Fill(QRectF(kMargin, top_, width, kLine), titleColour);
    line(titles, PageFont(8.5, true));
  };
  // The heading never stands alone at the foot of a page.
  Need(kLine + 4 + 2 * kLine);
  Text(QRectF(kMargin, top_, width, kLine), Qt::AlignLeft | Qt::AlignVCenter, heading,
       PageFont(10, true));
  top_ += kLine + 4;
  titleRow();
  if (rows.empty()) {
    Text(QRectF(kMargin + 2, top_, width, kLine), Qt::AlignLeft | Qt::AlignVCenter, empty,
         PageFont(8.5));
    top_ += kLine;
  }
  for (const std::vector<QString>& row : rows) {
    if (Need(kLine)) titleRow();
    line(row, PageFont(8.5));
  }
  top_ += 10;
}

void ReportLayout::Excursions(const std::vector<Alarm>& alarms) {
  std::vector<std::vector<QString>> rows;
  rows.reserve(alarms.size());
  for (const Alarm& alarm : alarms) {
    rows.push_back(
        {Utf8(AlarmKindText(alarm.kind)), Utf8(AlarmLevelText(alarm.level)),
         Utf8(AlarmValueText(alarm.limit, alarm.kind)), Utf8(SpanishStampText(alarm.startedAt)),
         alarm.endedAt ? Utf8(SpanishStampText(*alarm.endedAt)) : QStringLiteral("abierta"),
         Utf8(analysis::RoundedText(alarm.minutes, 0, ',')),
         Utf8(AlarmValueText(alarm.peak, alarm.kind))});
  }
  // Column starts, as fractions of the width: kind, level, limit, start, end, minutes, peak.
  Table(QStringLiteral("Excursiones fuera de los límites de la estación: %1").arg(alarms.size()),
        QColor(240, 200, 200), {0, 0.17, 0.27, 0.39, 0.59, 0.79, 0.88, 1.0},
        {QStringLiteral("Excursión"), QStringLiteral("Nivel"), QStringLiteral("Límite"),
         QStringLiteral("Inicio"), QStringLiteral("Fin"), QStringLiteral("Minutos"),
         QStringLiteral("Pico")},
        rows,
        QStringLiteral("Ninguna excursión fuera de los límites de la estación en el periodo."));
}

void ReportLayout::Gaps(const std::vector<ReportGap>& gaps) {
  std::vector<std::vector<QString>> rows;
  rows.reserve(gaps.size());
  for (const ReportGap& gap : gaps)
    rows.push_back({gap.after, gap.before, DurationText(gap.minutes)});
  Table(QStringLiteral("Huecos del registro: %1").arg(gaps.size()), QColor(215, 215, 215),
        {0, 0.3, 0.6, 1.0},
        {QStringLiteral("Última muestra antes"), QStringLiteral("Primera muestra después"),
         QStringLiteral("Tiempo sin muestras")},
        rows,
        QStringLiteral("Ningún hueco: las grabaciones del periodo siguen una a otra sin que falte "
                       "ninguna muestra."));
}

int ReportLayout::Run() {
  BeginPage();
  Identity();
  Calibrations();
  Summary();
  SignatureList();
  Charts();
  if (content_.excursions) {
    NextPage();
    Excursions(*content_.excursions);
  }
  if (const std::optional<std::vector<ReportGap>> gaps = GapsOf(content_)) {
    if (!content_.excursions) NextPage();
    Gaps(*gaps);
  }
  return failed_ ? 0 : page_;
}

// Lays out and draws every page on `painter` (A4 pages of `page` device pixels); `newPage` begins
// the next page. Returns false when a page could not be begun.
bool PaintReportPages(QPainter& painter, const QRectF& page, const ReportContent& content,
                      const std::function<bool()>& newPage) {
  if (!content.table) return true;
  // Everything is laid out in points on an A4 page, scaled to the page given.
  const double scale = std::min(page.width() / kPageWidth, page.height() / kPageHeight);
  QTransform toDevice;
  toDevice.translate(page.left(), page.top());
  toDevice.scale(scale, scale);
  painter.save();
  const int pages =
      ReportLayout(&painter, toDevice, content, ReportPageCount(content), newPage).Run();
  painter.restore();
  return pages > 0;
}

}  // namespace

int ReportPageCount(const ReportContent& content) {
  if (!content.table) return 1;
  return ReportLayout(nullptr, QTransform(), content, 0, nullptr).Run();
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
    if (!PaintReportPages(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())),
                          content, [&writer] { return writer.newPage(); }))
      return {};
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
  if (!PaintReportPages(painter,
                        QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size()),
                        content, [&printer] { return printer.newPage(); }))
    throw std::runtime_error("No se pudo pasar a la página siguiente del informe");
  if (!painter.end()) throw std::runtime_error("No se pudo terminar la impresión del informe");
}
