// Spanish texts of the summary table.
#include "analysis/SummaryRows.h"

#include <cmath>

#include "analysis/RoundedNumber.h"
#include "analysis/StampText.h"
#include "analysis/StatisticsJson.h"

namespace analysis {

namespace {

const char kNone[] = "\xE2\x80\x94";  // em dash

std::string StampAt(const SampleTable& table, std::size_t count, std::size_t sample) {
  if (count == 0 || sample >= table.samples.size() || !table.samples[sample].hasStamp) return kNone;
  return SpanishDateTimeText(StampOf(table.samples[sample]));
}

std::string LimitText(const ChannelLimits& limits) {
  if (limits.low && limits.high)
    return SpanishFigure(*limits.low) + " a " + SpanishFigure(*limits.high);
  if (limits.low) return "desde " + SpanishFigure(*limits.low);
  if (limits.high) return "hasta " + SpanishFigure(*limits.high);
  return kNone;
}

std::string CountText(const std::optional<LimitStatistics>& result, std::size_t field) {
  if (!result) return kNone;
  return std::to_string(field);
}

}  // namespace

std::string SpanishFigure(double value) {
  const std::string text = RoundedText(value, kStatisticsDecimals, ',');
  return text.empty() ? kNone : text;
}

std::array<std::string, 3> SummaryColumnTitles() {
  return {"Humedad relativa (%)",
          "Temperatura (\xC2\xB0"
          "C)",
          "Punto de roc\xC3\xADo (\xC2\xB0"
          "C)"};
}

std::vector<SummaryRow> SummaryRows(const SampleTable& table, const DownloadStatistics& s,
                                    const LimitSettings& limits) {
  const ChannelStatistics& h = s.humidity;
  const ChannelStatistics& t = s.temperature;
  const DewPointStatistics& d = s.dewPoint;
  auto dew = [&d](double value) { return d.count ? SpanishFigure(value) : std::string(kNone); };
  std::vector<SummaryRow> rows = {
      {"Muestras", {std::to_string(h.count), std::to_string(t.count), std::to_string(d.count)}},
      {"M\xC3\xADnimo", {SpanishFigure(h.min), SpanishFigure(t.min), dew(d.min)}},
      {"Fecha y hora del m\xC3\xADnimo",
       {StampAt(table, h.count, h.minSample), StampAt(table, t.count, t.minSample), kNone}},
      {"M\xC3\xA1ximo", {SpanishFigure(h.max), SpanishFigure(t.max), dew(d.max)}},
      {"Fecha y hora del m\xC3\xA1ximo",
       {StampAt(table, h.count, h.maxSample), StampAt(table, t.count, t.maxSample), kNone}},
      {"Media", {SpanishFigure(h.mean), SpanishFigure(t.mean), dew(d.mean)}},
      {"Desviaci\xC3\xB3n est\xC3\xA1ndar",
       {SpanishFigure(h.stdev), SpanishFigure(t.stdev), kNone}},
      {"Sin punto de roc\xC3\xADo (HR \xE2\x89\xA4 0)", {kNone, kNone, std::to_string(d.skipped)}},
      {"Temperatura cin\xC3\xA9tica media", {kNone, SpanishFigure(s.mktCelsius), kNone}},
  };
  if (s.humidityLimits || s.temperatureLimits) {
    const auto& hl = s.humidityLimits;
    const auto& tl = s.temperatureLimits;
    auto minutes = [](const std::optional<LimitStatistics>& result) {
      if (!result || !result->minutesOutside) return std::string(kNone);
      return RoundedText(*result->minutesOutside, 0);
    };
    auto percent = [](const std::optional<LimitStatistics>& result) {
      return result ? SpanishFigure(result->percentOutside) : std::string(kNone);
    };
    rows.push_back(
        {"L\xC3\xADmites", {LimitText(limits.humidity), LimitText(limits.temperature), kNone}});
    rows.push_back({"Muestras por debajo",
                    {CountText(hl, hl ? hl->below : 0), CountText(tl, tl ? tl->below : 0), kNone}});
    rows.push_back({"Muestras por encima",
                    {CountText(hl, hl ? hl->above : 0), CountText(tl, tl ? tl->above : 0), kNone}});
    rows.push_back({"Fuera de l\xC3\xADmites (%)", {percent(hl), percent(tl), kNone}});
    rows.push_back({"Tiempo fuera (minutos)", {minutes(hl), minutes(tl), kNone}});
  }
  return rows;
}

}  // namespace analysis
