// The report's content as the page shows it.
#include "charts/ReportContent.h"

#include <QDateTime>

ReportOrigin ReportOriginOf(const DownloadOrigin& origin) {
  const QDateTime received =
      QDateTime::fromString(QString::fromStdString(origin.receivedAt), Qt::ISODate);
  ReportOrigin shown;
  shown.receivedAt = received.isValid()
                         ? received.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                         : QString::fromStdString(origin.receivedAt);
  shown.receivedWhere = QString::fromStdString(origin.port);
  shown.sha256 = QString::fromStdString(origin.sha256);
  return shown;
}
