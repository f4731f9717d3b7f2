#include "charts/ChartPrintLayout.h"

#include <algorithm>

namespace {

double ClampPercent(double percent) {
  return std::clamp(percent, 0.0, 100.0);
}

}  // namespace

ChartPrintPlacement PlaceChartOnPage(const QRectF& page, double devicePerScreenPixel,
                                     const QSizeF& screenSize, const ChartPrintOptions& options) {
  ChartPrintPlacement placement;
  if (page.isEmpty() || screenSize.isEmpty() || devicePerScreenPixel <= 0.0) return placement;

  // Opposite margins that add up to more than the page leave no room rather than a negative one.
  const double left = page.width() * ClampPercent(options.leftMarginPercent) / 100.0;
  const double right = page.width() * ClampPercent(options.rightMarginPercent) / 100.0;
  const double top = page.height() * ClampPercent(options.topMarginPercent) / 100.0;
  const double bottom = page.height() * ClampPercent(options.bottomMarginPercent) / 100.0;
  QRectF inside(page.left() + left, page.top() + top, page.width() - left - right,
                page.height() - top - bottom);
  if (inside.width() < 1.0 || inside.height() < 1.0) return placement;

  if (options.proportional) {
    const QSizeF fitted = screenSize.scaled(inside.size(), Qt::KeepAspectRatio);
    inside = QRectF(inside.left() + (inside.width() - fitted.width()) / 2.0, inside.top(),
                    fitted.width(), fitted.height());
  }
  placement.target = inside;

  // Device pixels per laid-out pixel: the enlargement of the screen picture at detail 0, the
  // physical size of a screen pixel at detail 100, in between for the levels between.
  const double detail = std::clamp(options.detail, 0, 100) / 100.0;
  const double screenLike =
      std::min(inside.width() / screenSize.width(), inside.height() / screenSize.height());
  const double scale = screenLike + (devicePerScreenPixel - screenLike) * detail;
  placement.logicalSize = QSizeF(inside.width() / scale, inside.height() / scale);
  return placement;
}
