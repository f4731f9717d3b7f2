// The two charts' looks: titles, colours, axis ranges and fonts.
#include "charts/ChartLooks.h"

namespace {

LineChartLook CommonLook() {
  LineChartLook look;
  look.titleFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);
  look.titleColor = QColor(0, 0, 255);
  look.gradientTop = QColor(0xD7, 0xD7, 0xD7);
  look.frameColor = QColor(0, 0, 255);
  look.bottomAxisTitle = QStringLiteral("Muestra número: (tiempo)");
  look.axisTitleFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);
  look.axisTitleColor = QColor(0, 128, 128);
  look.seriesWidth = 2;
  return look;
}

}  // namespace

LineChartLook TemperatureChartLook() {
  LineChartLook look = CommonLook();
  look.title = QStringLiteral("TEMPERATURA vs. TIEMPO");
  look.gradientBottom = QColor(0xC4, 0xFF, 0xFF);
  look.leftAxisTitle = QStringLiteral("TEMPERATURA °C");
  look.leftMinimum = -10.0;
  look.leftMaximum = 45.0;
  look.seriesName = QStringLiteral("Series1");
  look.seriesColor = QColor(255, 0, 0);
  return look;
}

LineChartLook HumidityChartLook() {
  LineChartLook look = CommonLook();
  look.title = QStringLiteral("HUMEDAD vs. TIEMPO");
  look.gradientBottom = QColor(0xFF, 0xFF, 0xC1);
  look.leftAxisTitle = QStringLiteral("HUMEDAD RELATIVA %");
  look.leftMinimum = 0.0;
  look.leftMaximum = 100.0;
  look.seriesName = QStringLiteral("LineSeries1");
  look.seriesColor = QColor(0, 0, 255);
  return look;
}
