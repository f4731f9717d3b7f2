#include "app/Unit7.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <utility>

#include "link/LoggerProtocol.h"
#include "window_base/ErrorReport.h"
#include "window_base/FormLook.h"

namespace {

constexpr int kColumns = 2;

// Places the buttons of a caption-less radio group column by column, the rows sharing the height
// below the group's top line evenly.
void ArrangeRadioButtons(QGroupBox* group, const QList<QAbstractButton*>& buttons, int columns) {
  const int count = static_cast<int>(buttons.size());
  const int perColumn = (count + columns - 1) / columns;
  const int fontHeight = QFontMetrics(group->font()).height();
  const int buttonWidth = (group->width() - 10) / columns;
  const int usable = group->height() - fontHeight - 5;
  const int buttonHeight = usable / perColumn;
  const int topMargin = fontHeight + 1 + (usable % perColumn) / 2;
  for (int i = 0; i < count; ++i) {
    buttons[i]->setGeometry((i / perColumn) * buttonWidth + 8,
                            (i % perColumn) * buttonHeight + topMargin, buttonWidth, buttonHeight);
  }
}

}  // namespace

TForm7::TForm7(std::function<bool()> isConnected, std::function<void(int choice)> setRate,
               QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()),
      isConnected_(std::move(isConnected)),
      setRate_(std::move(setRate)) {
  setObjectName(QStringLiteral("Form7"));
  setWindowTitle(QStringLiteral("Selección de tasa de muestreo"));
  setFont(DialogFont(11));
  setFixedSize(308, 172);
}

void TForm7::setVisible(bool visible) {
  if (visible) MakeControls();
  QDialog::setVisible(visible);
}

void TForm7::MakeControls() {
  if (Label1 != nullptr) return;
  Label1 = new QLabel(QStringLiteral("HAGA CLICK EN LA TASA QUE DESEE"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setFont(ArialFont(13, true));
  QPalette grey = Label1->palette();
  grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  Label1->setPalette(grey);
  Label1->setGeometry(39, 6, 238, 16);
  FitTextToWidth(Label1);

  RadioGroup1 = new QGroupBox(this);
  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  RadioGroup1->setFont(ArialFont(11, true));
  RadioGroup1->setCursor(Qt::PointingHandCursor);
  RadioGroup1->setGeometry(54, 30, 208, 105);
  items_ = new QButtonGroup(this);
  for (int i = 0; i < protocol::kRateCount; ++i) {
    auto* item = new QRadioButton(QString::fromUtf8(protocol::kRateItems[i]), RadioGroup1);
    item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
    items_->addButton(item, i);
  }
  ArrangeRadioButtons(RadioGroup1, items_->buttons(), kColumns);
  // Only a newly selected item counts: clicking the selected one again toggles nothing.
  connect(items_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup1Click();
  });

  // The button's picture is looked up in the icon theme, which is slow; it is fetched at the first
  // showing instead of at start-up.
  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(123, 141, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm7::BitBtn1Click);
}

int TForm7::ItemIndex() const {
  return items_ != nullptr ? items_->checkedId() : -1;
}

QRadioButton* TForm7::Item(int index) const {
  return items_ != nullptr ? qobject_cast<QRadioButton*>(items_->button(index)) : nullptr;
}

void TForm7::FormActivate() {
  ClearSelection();
}

void TForm7::RadioGroup1Click() {
  if (!isConnected_ || !isConnected_()) return;
  const int choice = ItemIndex();
  if (choice < 0) return;
  const bool sent = RunReportingErrors(this, [&] { setRate_(choice); });
  // A rate that did not reach the logger is not left selected, so that clicking it again retries.
  if (!sent) ClearSelection();
}

void TForm7::BitBtn1Click() {
  accept();
}

void TForm7::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    if (BitBtn1->icon().isNull())
      BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    CentreOnScreen(this);
    FormActivate();
  }
  QDialog::showEvent(event);
}

void TForm7::ClearSelection() {
  if (items_ == nullptr) return;
  // An exclusive group never lets its last checked button go; lift that for the moment.
  QAbstractButton* checked = items_->checkedButton();
  if (checked == nullptr) return;
  items_->setExclusive(false);
  checked->setChecked(false);
  items_->setExclusive(true);
}
