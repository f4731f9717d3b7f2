#include "app/Unit2.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/MakerDetails.h"
#include "app/ProgramPicture.h"
#include "window_base/FormLook.h"

namespace {

// A label placed by its top-left corner; it takes the size of its text at the window's first
// showing (measuring text loads its font, which start-up need not wait for).
QLabel* TextAt(const QString& text, int left, int top, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->move(left, top);
  return label;
}

void Colour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent, CloseBoxOnlyFlags()) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("ACERCA DE DURNOSPHERE"));
  setFont(DialogFont(11));
  setFixedSize(ClientSizeForOuter(QSize(303, 242)));
}

void TForm2::setVisible(bool visible) {
  if (visible) MakeControls();
  QDialog::setVisible(visible);
}

void TForm2::MakeControls() {
  if (Panel1 != nullptr) return;
  // A box shape drawn sunken gives the lowered outer and raised inner bevel.
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setMidLineWidth(0);
  Panel1->setGeometry(4, 2, 281, 171);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setPixmap(ProgramPicture());
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setGeometry(4, 4, 69, 65);

  ProductName = TextAt(QStringLiteral("Soft de comunicación con loggers de la "), 83, 16,
                       "ProductName", Panel1);
  Label4 = TextAt(QString::fromUtf8(maker::kLoggerLine), 83, 28, "Label4", Panel1);
  Version = TextAt(QStringLiteral("Version 3.2"), 83, 44, "Version", Panel1);
  Label1 = TextAt(QStringLiteral("Desarrollado por "), 112, 64, "Label1", Panel1);

  Label2 = TextAt(QString(), 44, 78, "Label2", Panel1);
  QFont makerFont = DialogFont(13, true);
  makerFont.setItalic(true);
  makerFont.setUnderline(true);
  Label2->setFont(makerFont);
  Colour(Label2, Qt::red);
  Label2->setText(QString::fromUtf8(maker::kSpacedName));

  Copyright = TextAt(QString::fromUtf8(maker::kRightsLine), 48, 100, "Copyright", Panel1);

  QFont contactFont = DialogFont(11, true);
  contactFont.setItalic(true);
  const QColor purple(0x80, 0x00, 0x80);
  Label6 = TextAt(QString::fromUtf8(maker::kEmail), 83, 117, "Label6", Panel1);
  Label3 = TextAt(QString::fromUtf8(maker::kStreetAddress), 67, 133, "Label3", Panel1);
  Label5 = TextAt(QString::fromUtf8(maker::kTelephone), 120, 148, "Label5", Panel1);
  for (QLabel* contact : {Label6, Label3, Label5}) {
    contact->setFont(contactFont);
    Colour(contact, purple);
  }

  Comments = TextAt(QString(), 8, 104, "Comments", Panel1);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(108, 180, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &TForm2::OKButtonClick);
}

void TForm2::OKButtonClick() {
  accept();
}

void TForm2::showEvent(QShowEvent* event) {
  if (!sized_) {
    sized_ = true;
    for (QLabel* label : Panel1->findChildren<QLabel*>()) {
      if (label != ProgramIcon) label->adjustSize();
    }
  }
  if (!event->spontaneous()) CentreOnScreen(this);
  QDialog::showEvent(event);
}
