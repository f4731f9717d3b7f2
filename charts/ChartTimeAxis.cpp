// Time axis, limit lines and beyond-range marks on a LineChart.
#include "charts/ChartTimeAxis.h"

#include "analysis/StampText.h"
#include "charts/LineChart.h"
#include "record/TableGaps.h"

namespace {

const char kLimitLineName[] = "limit-line";
const char kBeyondMarksName[] = "beyond-range";

// A date-time ticker whose labels get finer as the view narrows: days apart show the date and the
// hour, minutes apart the seconds too. The seconds count a uniform wall clock, read as UTC so that
// no daylight-saving jump bends the axis.
class AdaptiveDateTimeTicker : public QCPAxisTickerDateTime {
 protected:
  double getTickStep(const QCPRange& range) override {
    setDateTimeFormat(QString::fromLatin1(TimeAxisFormat(range.size())));
    return QCPAxisTickerDateTime::getTickStep(range);
  }
};

void RemoveItemsNamed(LineChart& chart, const QString& name) {
  for (int i = chart.itemCount() - 1; i >= 0; --i) {
    if (chart.item(i)->objectName() == name) chart.removeItem(i);
  }
}

}  // namespace

const char* TimeAxisFormat(double seconds) {
  if (seconds <= 15 * 60) return "hh:mm:ss\ndd/MM/yy";
  if (seconds <= 2 * 86400) return "hh:mm\ndd/MM/yy";
  return "dd/MM/yy\nhh:mm";
}

TimeSeries TimeSeriesOf(const SampleTable& table) {
  TimeSeries series;
  series.seconds.reserve(table.samples.size());
  series.humidity.reserve(table.samples.size());
  series.temperature.reserve(table.samples.size());
  series.sampleNumbers.reserve(table.samples.size());
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    if (!sample.hasStamp || !sample.hasValues) continue;
    series.seconds.push_back(
        static_cast<double>(analysis::WallClockSeconds(analysis::StampOf(sample))));
    series.humidity.push_back(sample.humidity);
    series.temperature.push_back(sample.temperature);
    series.sampleNumbers.push_back(static_cast<int>(i + 1));
  }
  return series;
}

void UseTimeAxis(LineChart& chart) {
  QSharedPointer<AdaptiveDateTimeTicker> ticker(new AdaptiveDateTimeTicker);
  ticker->setDateTimeSpec(Qt::UTC);
  ticker->setTickCount(5);
  chart.xAxis->setTicker(ticker);
  chart.xAxis->setLabel(QStringLiteral("Fecha y hora"));
}

void ShowOnTimeAxis(LineChart& chart, const std::vector<double>& seconds,
                    const std::vector<double>& values) {
  UseTimeAxis(chart);
  chart.SetPoints(seconds, values);
  // Half an hour either side of a lone sample; undoing a zoom comes back to this view.
  chart.FitBottomToData(1800);
}

void BreakLineAtGaps(LineChart& chart, const SampleTable& table, bool timeAxis, std::size_t shown) {
  const auto secondsOf = [&table](std::size_t i) {
    return static_cast<double>(analysis::WallClockSeconds(analysis::StampOf(table.samples[i])));
  };
  for (const record::TableGap& gap : record::TableGaps(table)) {
    if (gap.next >= shown) break;
    if (!timeAxis) {
      chart.BreakLineAt(static_cast<double>(gap.first + gap.next) / 2);
    } else if (secondsOf(gap.next) > secondsOf(gap.first)) {
      chart.BreakLineAt((secondsOf(gap.first) + secondsOf(gap.next)) / 2);
    }
  }
}

void ShowLimitLines(LineChart& chart, const analysis::ChannelLimits& limits) {
  RemoveItemsNamed(chart, QLatin1String(kLimitLineName));
  for (const std::optional<double>& limit : {limits.low, limits.high}) {
    if (!limit) continue;
    auto* line = new QCPItemStraightLine(&chart);
    line->setObjectName(QLatin1String(kLimitLineName));
    line->setPen(QPen(QColor(230, 120, 0), 1.5, Qt::DashLine));
    line->point1->setCoords(0, *limit);
    line->point2->setCoords(1, *limit);
  }
}

void MarkValuesBeyondRange(LineChart& chart, const std::vector<double>& x,
                           const std::vector<double>& values) {
  for (int i = chart.graphCount() - 1; i >= 0; --i) {
    if (chart.graph(i)->name() == QLatin1String(kBeyondMarksName))
      chart.removeGraph(chart.graph(i));
  }
  const QCPRange range = chart.yAxis->range();
  // Just inside the edge, so that the whole triangle shows.
  const double inset = 0.025 * range.size();
  QVector<double> aboveX, aboveY, belowX, belowY;
  for (std::size_t i = 0; i < values.size() && i < x.size(); ++i) {
    if (values[i] > range.upper) {
      aboveX.push_back(x[i]);
      aboveY.push_back(range.upper - inset);
    } else if (values[i] < range.lower) {
      belowX.push_back(x[i]);
      belowY.push_back(range.lower + inset);
    }
  }
  const QColor colour = chart.series()->pen().color();
  auto addMarks = [&](const QVector<double>& xs, const QVector<double>& ys,
                      QCPScatterStyle::ScatterShape shape) {
    if (xs.isEmpty()) return;
    QCPGraph* marks = chart.addGraph(chart.xAxis, chart.yAxis);
    marks->setName(QLatin1String(kBeyondMarksName));
    marks->setLineStyle(QCPGraph::lsNone);
    marks->setScatterStyle(QCPScatterStyle(shape, colour, colour, 7));
    marks->setData(xs, ys, true);
  };
  addMarks(aboveX, aboveY, QCPScatterStyle::ssTriangle);
  addMarks(belowX, belowY, QCPScatterStyle::ssTriangleInverted);
}
