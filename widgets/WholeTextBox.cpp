#include "widgets/WholeTextBox.h"

#include <QFontMetricsF>
#include <QLineEdit>

namespace {

// Room a line edit keeps beside its text: frame, margins and the cursor's width.
constexpr int kTextPadding = 6;

void FitText(QLineEdit* box, int fullPixelSize) {
  QFont font = box->font();
  const qreal room = box->contentsRect().width() - kTextPadding;
  int size = fullPixelSize;
  font.setPixelSize(size);
  while (size > 6 && QFontMetricsF(font).horizontalAdvance(box->text()) > room) {
    font.setPixelSize(--size);
  }
  if (font.pixelSize() != box->font().pixelSize()) box->setFont(font);
  box->setCursorPosition(0);  // should it still not fit, the leading digits matter most
}

}  // namespace

void KeepWholeTextVisible(QLineEdit* box) {
  const int fullPixelSize = box->font().pixelSize() > 0 ? box->font().pixelSize() : 11;
  QObject::connect(box, &QLineEdit::textChanged, box,
                   [box, fullPixelSize] { FitText(box, fullPixelSize); });
  FitText(box, fullPixelSize);
}
