// The signing button of the data window and what it runs.
#include "app/DataWindowSigning.h"

#include <pwd.h>
#include <unistd.h>
#include <algorithm>

#include <QEvent>
#include <QFont>
#include <QMessageBox>
#include <QToolButton>

#include "app/ArchiveModuleLoader.h"
#include "app/ReportSignatures.h"
#include "app/SignDialog.h"
#include "archive/ArchiveModule.h"
#include "data_ui/Unit5.h"
#include "window_base/ErrorReport.h"

namespace {

const QString kNothingToSign = QStringLiteral(
    "Solo se firman las descargas archivadas y los registros de estación abiertos desde el "
    "archivo de descargas");

QString LoginName() {
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

}  // namespace

DataWindowSigning::DataWindowSigning(TForm5* window) : QObject(window), window_(window) {
  setObjectName(QStringLiteral("DataWindowSigning"));
  window->installEventFilter(this);
}

bool DataWindowSigning::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Show) {
    MakeButton();
    button_->setEnabled(target_.has_value());
    button_->setToolTip(target_ ? QStringLiteral("Firmar %1 (revisado o aprobado)").arg(what_)
                                : kNothingToSign);
  } else if (watched == window_ && event->type() == QEvent::Hide) {
    Forget();
  }
  return QObject::eventFilter(watched, event);
}

QToolButton* DataWindowSigning::button() {
  MakeButton();
  return button_;
}

void DataWindowSigning::MakeButton() {
  if (button_ != nullptr) return;
  // Below "ANÁLISIS", above the notice under the table.
  button_ = new QToolButton(window_);
  button_->setObjectName(QStringLiteral("SignButton"));
  button_->setText(QStringLiteral("FIRMAR"));
  button_->setAutoRaise(true);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(8);
  font.setBold(true);
  button_->setFont(font);
  button_->setGeometry(384, 274, 49, 32);
  button_->setEnabled(false);
  // Tab goes down the column as the buttons stand: after "ANÁLISIS", above this one.
  if (auto* analysis = window_->findChild<QToolButton*>(QStringLiteral("AnalysisButton")))
    QWidget::setTabOrder(analysis, button_);
  connect(button_, &QToolButton::clicked, this, &DataWindowSigning::SignClick);
  if (window_->isVisible()) button_->show();
}

void DataWindowSigning::SetNextTarget(const std::string& path, const SignTarget& target,
                                      const QString& what) {
  path_ = path;
  target_ = target;
  what_ = what;
}

void DataWindowSigning::Forget() {
  target_.reset();
  path_.clear();
  what_.clear();
  if (button_ != nullptr) button_->setEnabled(false);
}

std::optional<SignOutcome> DataWindowSigning::Sign(const QString& user, std::string& password,
                                                   SignMeaning meaning) {
  if (!target_) {
    std::fill(password.begin(), password.end(), '\0');
    password.clear();
    return std::nullopt;
  }
  return LoadArchiveModule().Sign(path_, *target_, meaning, user.toStdString(), password,
                                  "velmorante", VELMORANTE_VERSION);
}

std::vector<SignatureRecord> DataWindowSigning::Signatures() const {
  if (!target_) return {};
  return LoadArchiveModule().ReadSignatures(path_, *target_);
}

QString DataWindowSigning::SignedText(const QString& what, const QString& meaning,
                                      const QString& signer, const QString& signedAt) {
  // "la descarga archivada 13" is signed in the feminine, "el registro de la estación" not.
  const bool feminine =
      what.startsWith(QStringLiteral("la ")) || what.startsWith(QStringLiteral("las "));
  QString text = QStringLiteral("%1 queda %2: %3 por %4 el %5.")
                     .arg(what, feminine ? QStringLiteral("firmada") : QStringLiteral("firmado"),
                          meaning, signer, signedAt);
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

void DataWindowSigning::SignClick() {
  if (!target_) return;
  SignDialog dialog(what_, LoginName(), window_);
  if (dialog.exec() != QDialog::Accepted) return;
  std::string password = dialog.TakePassword();
  const QString user = dialog.User();
  std::optional<SignOutcome> outcome;
  if (!RunReportingErrors(window_, [&] { outcome = Sign(user, password, dialog.Meaning()); }) ||
      !outcome)
    return;
  if (!outcome->signedOk) {
    ShowErrorReport(window_, QStringLiteral("Firma rechazada para %1: %2. El intento queda "
                                            "anotado en el registro de auditoría")
                                 .arg(user, QString::fromStdString(outcome->refusal)));
    return;
  }
  const ReportSignature shown = ReportSignaturesOf({*outcome->signature}).front();
  QMessageBox::information(window_, QStringLiteral("FIRMA ELECTRÓNICA"),
                           SignedText(what_, shown.meaning, shown.signer, shown.signedAt));
}
