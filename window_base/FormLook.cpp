#include "window_base/FormLook.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace {

// `families` with the installed ones first, in their order. A font asked for by a family that is
// not installed sends the font database on a search through every installed font (once per family
// and style); asking first for one that is installed finds it directly, and draws the same text.
QStringList InstalledFirst(const QStringList& families) {
  static const QSet<QString> installed = [] {
    const QStringList all = QFontDatabase::families();
    return QSet<QString>(all.begin(), all.end());
  }();
  QStringList ordered;
  for (const QString& family : families)
    if (installed.contains(family)) ordered << family;
  for (const QString& family : families)
    if (!installed.contains(family)) ordered << family;
  return ordered;
}

QFont FontFromFamilies(const QStringList& families, int pixelSize, bool bold) {
  QFont font;
  font.setFamilies(InstalledFirst(families));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  // The windows' fixed Spanish texts are all in these fonts: no search for fallback fonts (a costly
  // sort of every installed font, once per family and style) is needed to draw them. Latin text
  // needs no shaping either: its glyphs are placed by their advances alone, without kerning, which
  // spares a shaping pass over every caption drawn or measured.
  font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferNoShaping));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

}  // namespace

QFont DialogFont(int pixelSize, bool bold) {
  return FontFromFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                           QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")},
                          pixelSize, bold);
}

QFont ArialFont(int pixelSize, bool bold) {
  return FontFromFamilies(
      {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
      pixelSize, bold);
}

Qt::WindowFlags CloseBoxOnlyFlags() {
  return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  // The frame is not known before the window is first shown; the outer size it will have is.
  const QSize frame = window->frameGeometry().size().expandedTo(window->size());
  window->move(area.x() + (area.width() - frame.width()) / 2,
               area.y() + (area.height() - frame.height()) / 2);
}

namespace {

void FitTextToWidthNow(QLabel* label) {
  const QString text = label->text();
  if (text.size() < 2) return;
  QFont font = label->font();
  const qreal overflow =
      QFontMetricsF(font).horizontalAdvance(text) - label->contentsRect().width();
  if (overflow <= 0) return;
  // Spread the overflow, and a pixel to spare for rounding, over the gaps between letters, at most
  // one pixel per gap.
  const qreal perGap = std::min<qreal>(1.0, (overflow + 1) / (text.size() - 1));
  font.setLetterSpacing(QFont::AbsoluteSpacing, -perGap);
  label->setFont(font);
}

// Fits a label's text once, as the label is first shown (before it is painted), then goes away.
class FitAtFirstShow : public QObject {
 public:
  explicit FitAtFirstShow(QLabel* label) : QObject(label), label_(label) {
    label->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == label_ && event->type() == QEvent::Show) {
      label_->removeEventFilter(this);
      FitTextToWidthNow(label_);
      deleteLater();
    }
    return false;
  }

 private:
  QLabel* label_;
};

}  // namespace

void FitTextToWidth(QLabel* label) {
  if (label->isVisible()) {
    FitTextToWidthNow(label);
  } else {
    new FitAtFirstShow(label);
  }
}
