// The signing dialog's controls.
#include "app/SignDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SignDialog::SignDialog(const QString& what, const QString& user, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("SignDialog"));
  setWindowTitle(QStringLiteral("FIRMA ELECTRÓNICA"));
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(QStringLiteral("Firmar %1 con la contraseña de su cuenta.").arg(what));
  heading->setWordWrap(true);
  layout->addWidget(heading);
  auto* form = new QFormLayout;
  user_ = new QLineEdit(user);
  user_->setObjectName(QStringLiteral("SignUser"));
  password_ = new QLineEdit;
  password_->setObjectName(QStringLiteral("SignPassword"));
  password_->setEchoMode(QLineEdit::Password);
  meaning_ = new QComboBox;
  meaning_->setObjectName(QStringLiteral("SignMeaning"));
  meaning_->addItem(QStringLiteral("Revisado"));
  meaning_->addItem(QStringLiteral("Aprobado"));
  form->addRow(QStringLiteral("Usuario:"), user_);
  form->addRow(QStringLiteral("Contraseña:"), password_);
  form->addRow(QStringLiteral("Significado:"), meaning_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("FIRMAR"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  password_->setFocus();
}

QString SignDialog::User() const {
  return user_->text().trimmed();
}

std::string SignDialog::TakePassword() {
  std::string password = password_->text().toStdString();
  password_->clear();
  return password;
}

SignMeaning SignDialog::Meaning() const {
  return meaning_->currentIndex() == 1 ? SignMeaning::kAprobado : SignMeaning::kRevisado;
}
