// Signatures for the report page.
#include "app/ReportSignatures.h"

#include <QDateTime>

#include "app/ArchiveModuleLoader.h"
#include "archive/ArchiveModule.h"

std::vector<ReportSignature> ReportSignaturesOf(const std::vector<SignatureRecord>& records) {
  std::vector<ReportSignature> shown;
  for (const SignatureRecord& record : records) {
    const QDateTime at =
        QDateTime::fromString(QString::fromStdString(record.signedAt), Qt::ISODate);
    shown.push_back({QString::fromLatin1(SignMeaningTitle(record.meaning)),
                     QString::fromStdString(record.signer),
                     at.isValid() ? at.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                                  : QString::fromStdString(record.signedAt)});
  }
  return shown;
}

std::vector<ReportSignature> ReadReportSignatures(const std::string& path,
                                                  const SignTarget& target) {
  return ReportSignaturesOf(LoadArchiveModule().ReadSignatures(path, target));
}
