// The dialog in which a signer names their account, types its password and chooses what the
// signature means ("Revisado" or "Aprobado").
#pragma once

#include <QDialog>
#include <QString>

#include "archive/SignatureRecords.h"

class QComboBox;
class QLineEdit;

class SignDialog : public QDialog {
  Q_OBJECT

 public:
  // `what` says what is signed ("la descarga archivada 42"); `user` is proposed as the signer.
  SignDialog(const QString& what, const QString& user, QWidget* parent = nullptr);

  QString User() const;
  // The password as typed; the box is emptied, so that it is read once.
  std::string TakePassword();
  SignMeaning Meaning() const;

  QLineEdit* userBox() const { return user_; }
  QLineEdit* passwordBox() const { return password_; }
  QComboBox* meaningBox() const { return meaning_; }

 private:
  QLineEdit* user_;
  QLineEdit* password_;
  QComboBox* meaning_;
};
