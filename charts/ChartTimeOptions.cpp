// The chart window's time axis, read-out, limit lines and edge marks.
#include "charts/ChartTimeOptions.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "analysis/RoundedNumber.h"
#include "analysis/StampText.h"
#include "charts/ChartTimeAxis.h"
#include "charts/ChartWindowCharts.h"
#include "charts/ExcursionShading.h"
#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "window_base/ErrorReport.h"

namespace {

// The sample axis as the chart window sets it up: whole sample numbers.
void RestoreSampleAxis(LineChart& chart) {
  QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
  ticker->setTickStep(1.0);
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  chart.xAxis->setTicker(ticker);
  chart.xAxis->setLabel(QStringLiteral("Muestra número: (tiempo)"));
  chart.FitBottomToData(1.0);
}

}  // namespace

ChartTimeOptions::ChartTimeOptions(TForm6* window, std::function<const SampleTable*()> table,
                                   std::function<analysis::LimitSettings()> limits)
    : QObject(window), window_(window), table_(std::move(table)), limits_(std::move(limits)) {
  // Free space left of the top row of buttons, and left of the humidity chart's buttons.
  timeAxis_ = new QCheckBox(QStringLiteral("Eje de fecha y hora"), window);
  timeAxis_->setObjectName(QStringLiteral("TimeAxisBox"));
  timeAxis_->setToolTip(
      QStringLiteral("Dibuja las muestras según su fecha y hora en lugar de su número."));
  timeAxis_->setGeometry(8, 6, 176, 21);
  readOut_ = new QLabel(window);
  readOut_->setObjectName(QStringLiteral("PointReadOut"));
  readOut_->setGeometry(8, 250, 360, 21);
  readOut_->setToolTip(QStringLiteral("El punto bajo el puntero del ratón."));
  connect(timeAxis_, &QCheckBox::toggled, this, [this] { Apply(); });
  window->installEventFilter(this);
  if (window->isVisible()) {
    // Made while the window is being shown: that showing's event has gone by.
    timeAxis_->show();
    readOut_->show();
    QTimer::singleShot(0, this, [this] { Apply(); });
  }
  for (LineChart* chart : {window->Chart1, window->Chart2}) {
    chart->setMouseTracking(true);
    chart->installEventFilter(this);
  }
}

void ChartTimeOptions::Apply() {
  const SampleTable* table = table_ ? table_() : nullptr;
  if (!table) return;
  const analysis::LimitSettings limits = limits_ ? limits_() : analysis::LimitSettings{};
  if (!timeAxis_->isChecked() && onTimeAxis_) {
    // Back to the specified sample axis, filled by the window itself as when it is shown.
    onTimeAxis_ = false;
    RestoreSampleAxis(*window_->Chart1);
    RestoreSampleAxis(*window_->Chart2);
    RunReportingErrors(
        window_, [this, table] { FillWindowCharts(*window_->Chart1, *window_->Chart2, table); });
  }
  if (timeAxis_->isChecked()) {
    onTimeAxis_ = true;
    // Like the window's own filling, the points stop at the first sample that could not be read.
    pointSamples_.clear();
    timeAxisShown_ = 0;
    for (std::size_t i = 0; i < table->samples.size() && table->samples[i].hasValues; ++i) {
      timeAxisShown_ = i + 1;
      if (!table->samples[i].hasStamp) continue;
      pointSamples_.emplace_back(
          static_cast<double>(analysis::WallClockSeconds(analysis::StampOf(table->samples[i]))), i);
    }
    // Recordings that overlap in time are drawn in time order.
    std::stable_sort(pointSamples_.begin(), pointSamples_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const bool temperature : {true, false}) {
      std::vector<double> x;
      std::vector<double> values;
      for (const auto& [seconds, i] : pointSamples_) {
        const SampleNumbers& sample = table->samples[i];
        x.push_back(seconds);
        values.push_back(temperature ? sample.temperature : sample.humidity);
      }
      LineChart& chart = temperature ? *window_->Chart1 : *window_->Chart2;
      ShowOnTimeAxis(chart, x, values);
      BreakLineAtGaps(chart, *table, true, timeAxisShown_);
    }
  }
  // A rule that cannot be read is reported; the charts are drawn without shading.
  std::optional<AlarmRule> rule;
  RunReportingErrors(window_, [this, table, &rule] { rule = window_->AlarmRuleOf(*table); });
  Decorate(*window_->Chart1, limits.temperature, *table, rule);
  Decorate(*window_->Chart2, limits.humidity, *table, rule);
}

void ChartTimeOptions::Decorate(LineChart& chart, const analysis::ChannelLimits& limits,
                                const SampleTable& table, const std::optional<AlarmRule>& rule) {
  std::vector<double> x;
  std::vector<double> values;
  for (auto point = chart.series()->data()->constBegin();
       point != chart.series()->data()->constEnd(); ++point) {
    if (std::isnan(point->value)) continue;  // a break in the line
    x.push_back(point->key);
    values.push_back(point->value);
  }
  ShowLimitLines(chart, limits);
  MarkValuesBeyondRange(chart, x, values);
  // Both axes show the samples up to the first one that could not be read.
  const std::size_t shown =
      onTimeAxis_ ? timeAxisShown_ : static_cast<std::size_t>(chart.PointCount());
  SamplePlacing placing;
  if (onTimeAxis_) {
    placing.x = [&table](std::size_t i) {
      return static_cast<double>(analysis::WallClockSeconds(analysis::StampOf(table.samples[i])));
    };
    placing.halfWidth = table.rateMinutes * 30.0;
  } else {
    placing.x = [](std::size_t i) { return static_cast<double>(i); };
  }
  ShadeExcursions(chart, table, &chart == window_->Chart1, rule, shown, placing);
  chart.replot(QCustomPlot::rpQueuedReplot);
}

QString ChartTimeOptions::ReadOutAt(LineChart& chart, int x) const {
  const SampleTable* table = table_ ? table_() : nullptr;
  if (!table || chart.PointCount() == 0) return {};
  const double key = chart.xAxis->pixelToCoord(x);
  std::size_t sampleIndex = 0;
  if (onTimeAxis_) {
    if (pointSamples_.empty()) return {};
    auto nearest = std::lower_bound(pointSamples_.begin(), pointSamples_.end(), key,
                                    [](const auto& point, double k) { return point.first < k; });
    if (nearest == pointSamples_.end()) --nearest;
    if (nearest != pointSamples_.begin() &&
        std::fabs((nearest - 1)->first - key) < std::fabs(nearest->first - key))
      --nearest;
    sampleIndex = nearest->second;
  } else {
    const double last = static_cast<double>(chart.PointCount() - 1);
    sampleIndex = static_cast<std::size_t>(std::lround(std::clamp(key, 0.0, last)));
  }
  if (sampleIndex >= table->samples.size()) return {};
  const SampleNumbers& sample = table->samples[sampleIndex];
  const bool temperature = &chart == window_->Chart1;
  const QString value = QString::fromStdString(analysis::RoundedText(
                            temperature ? sample.temperature : sample.humidity, 1, ',')) +
                        (temperature ? QStringLiteral(" °C") : QStringLiteral(" %HR"));
  const QString when =
      sample.hasStamp
          ? QString::fromStdString(analysis::SpanishDateTimeText(analysis::StampOf(sample)))
          : QStringLiteral("sin fecha ni hora");
  return QStringLiteral("Muestra %1   %2   %3").arg(sampleIndex + 1).arg(when, value);
}

bool ChartTimeOptions::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Show) {
    // After the window's own filling, which runs in the same show event.
    QTimer::singleShot(0, this, [this] { Apply(); });
  } else if (event->type() == QEvent::MouseMove) {
    if (auto* chart = qobject_cast<LineChart*>(watched)) {
      const auto* move = static_cast<QMouseEvent*>(event);
      readOut_->setText(ReadOutAt(*chart, static_cast<int>(move->position().x())));
    }
  } else if (event->type() == QEvent::Leave && qobject_cast<LineChart*>(watched)) {
    readOut_->clear();
  }
  return false;
}
