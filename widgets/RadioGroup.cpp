#include "widgets/RadioGroup.h"

#include <qdrawutil.h>
#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, caption.isEmpty() ? 4 : 2, 4, 2);
  layout->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    buttons_->addButton(button, i);
    layout->addWidget(button);
  }
  connect(buttons_, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

int RadioGroup::itemIndex() const {
  return buttons_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
  if (index == itemIndex()) return;
  if (QAbstractButton* button = buttons_->button(index)) {
    button->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; lift that for a moment to clear it.
  buttons_->setExclusive(false);
  if (QAbstractButton* checked = buttons_->checkedButton()) checked->setChecked(false);
  buttons_->setExclusive(true);
}

int RadioGroup::count() const {
  return static_cast<int>(buttons_->buttons().size());
}

QRadioButton* RadioGroup::item(int index) const {
  return qobject_cast<QRadioButton*>(buttons_->button(index));
}

void RadioGroup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  const QRect frame =
      style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
  qDrawShadeRect(&painter, frame.adjusted(0, 0, -1, -1), palette(), true, 1, 0);
  if (title().isEmpty()) return;
  // The caption interrupts the line, on the window's background.
  const QRect label =
      style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
  painter.fillRect(label, palette().brush(backgroundRole()));
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(label, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}
