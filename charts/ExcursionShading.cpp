// Excursion bands as rectangles on a layer of their own, between the chart's panel and its grid.
#include "charts/ExcursionShading.h"

#include <algorithm>

#include "alarms/ExcursionFinder.h"
#include "charts/LineChart.h"
#include "data/SampleTable.h"
#include "record/TableGaps.h"

namespace {

const char kBandName[] = "excursion";
const char kLayerName[] = "excursions";

QCPLayer* BandLayer(LineChart& chart) {
  if (QCPLayer* layer = chart.layer(QLatin1String(kLayerName))) return layer;
  chart.addLayer(QLatin1String(kLayerName), chart.layer(QStringLiteral("grid")),
                 QCustomPlot::limBelow);
  return chart.layer(QLatin1String(kLayerName));
}

void AddBand(LineChart& chart, QCPLayer* layer, double left, double right, AlarmLevel level) {
  auto* band = new QCPItemRect(&chart);
  band->setObjectName(QLatin1String(kBandName));
  band->setLayer(layer);
  band->setPen(Qt::NoPen);
  band->setBrush(ExcursionShade(level));
  band->setSelectable(false);
  // Across the whole height, whatever the vertical range.
  band->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
  band->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
  band->topLeft->setCoords(left, 0);
  band->bottomRight->setCoords(right, 1);
}

}  // namespace

QColor ExcursionShade(AlarmLevel level) {
  // Translucent, so that the panel's gradient shows through and an alarm inside a warning reads
  // darker than either.
  return level == AlarmLevel::kAlarm ? QColor(255, 60, 60, 70) : QColor(255, 190, 0, 80);
}

void ShadeExcursions(LineChart& chart, const SampleTable& table, bool temperature,
                     const std::optional<AlarmRule>& rule, std::size_t shown,
                     const SamplePlacing& placing) {
  for (int i = chart.itemCount() - 1; i >= 0; --i) {
    if (chart.item(i)->objectName() == QLatin1String(kBandName)) chart.removeItem(i);
  }
  shown = std::min(shown, table.samples.size());
  if (!rule || shown == 0) return;
  std::vector<std::optional<double>> values;
  values.reserve(shown);
  for (std::size_t i = 0; i < shown; ++i) {
    const SampleNumbers& sample = table.samples[i];
    values.push_back(sample.hasValues
                         ? std::optional(temperature ? sample.temperature : sample.humidity)
                         : std::nullopt);
  }
  QCPLayer* layer = BandLayer(chart);
  const std::vector<record::TableGap> gaps = record::TableGaps(table);
  // Warnings first, so that an alarm's band lies over the warning it sits in.
  for (const AlarmLevel level : {AlarmLevel::kWarning, AlarmLevel::kAlarm}) {
    for (const Excursion& e : FindExcursions(values, temperature, *rule, table.rateMinutes)) {
      if (!e.raised || e.level != level) continue;
      double left = placing.x(e.first) - placing.halfWidth;
      const double right =
          e.end ? placing.x(*e.end) - placing.halfWidth : placing.x(shown - 1) + placing.halfWidth;
      // Time nothing was recorded in is not shaded: the band stops at the last sample before a
      // gap and goes on from the first after it.
      const std::size_t last = e.end ? *e.end : shown - 1;
      for (const record::TableGap& gap : gaps) {
        if (gap.first < e.first || gap.next > last) continue;
        const double gapLeft = placing.x(gap.first) + placing.halfWidth;
        if (gapLeft > left) AddBand(chart, layer, left, std::min(gapLeft, right), level);
        left = placing.x(gap.next) - placing.halfWidth;
      }
      if (right > left) AddBand(chart, layer, left, right, level);
    }
  }
}
