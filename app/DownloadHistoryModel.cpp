#include "app/DownloadHistoryModel.h"

#include <QDateTime>

#include "data/StartTexts.h"

namespace {

enum Column { kReceived, kStation, kStart, kRate, kSamples, kStatus, kSaved, kColumnCount };

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void DownloadHistoryModel::SetRecords(std::vector<DownloadSummary> records) {
  beginResetModel();
  records_ = std::move(records);
  endResetModel();
}

int DownloadHistoryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int DownloadHistoryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString DownloadHistoryModel::ReceivedText(const DownloadSummary& record) {
  const QDateTime utc =
      QDateTime::fromString(QString::fromStdString(record.receivedAt), Qt::ISODate);
  if (!utc.isValid()) return QString::fromStdString(record.receivedAt);
  return utc.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString DownloadHistoryModel::StatusText(const DownloadSummary& record) {
  QString status;
  switch (record.reason) {
    case EndReason::kNone:
      status = QStringLiteral("completa");
      break;
    case EndReason::kLineLost:
      status = QStringLiteral("cortada: se perdió la línea");
      break;
    case EndReason::kSwitchedOff:
      status = QStringLiteral("cortada: se desconectó");
      break;
    case EndReason::kSizeLimit:
      status = QStringLiteral("abandonada: demasiado larga");
      break;
    case EndReason::kTimedOut:
      status = QStringLiteral("cortada: el logger dejó de enviar");
      break;
    case EndReason::kRestarted:
      status = QStringLiteral("cortada: se descargó de nuevo");
      break;
    case EndReason::kProgramClosed:
      status = QStringLiteral("cortada: se cerró el programa");
      break;
  }
  if (record.kind == DownloadKind::kWholeMemory) status += QStringLiteral(" (memoria completa)");
  return status;
}

QVariant DownloadHistoryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const DownloadSummary& r = records_[static_cast<std::size_t>(index.row())];
  if (role == Qt::ToolTipRole) {
    return QStringLiteral("Descarga %1, %2 caracteres, puerto %3, %4\nSHA-256 %5")
        .arg(r.id)
        .arg(r.size)
        .arg(QString::fromStdString(r.port), QString::fromStdString(r.program),
             QString::fromStdString(r.sha256));
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kReceived:
      return ReceivedText(r);
    case kStation:
      // A download taken in the window itself belongs to no station.
      return r.station.empty() ? QStringLiteral("-") : QString::fromStdString(r.station);
    case kStart:
      return r.start ? Latin1(StartDateText(r.start) + ' ' + StartTimeText(r.start))
                     : QStringLiteral("-");
    case kRate:
      return r.rateMinutes > 0 ? Latin1(RateCaption(r.rateMinutes)) : QStringLiteral("-");
    case kSamples:
      return static_cast<qlonglong>(r.samples);
    case kStatus:
      return StatusText(r);
    case kSaved:
      return r.savedCount > 0 ? QStringLiteral("sí") : QStringLiteral("no");
  }
  return {};
}

QVariant DownloadHistoryModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  static const char* const kHeadings[kColumnCount] = {
      "RECIBIDA", "ESTACIÓN", "INICIO DEL LOGGER", "TASA", "MUESTRAS", "ESTADO", "GUARDADA"};
  return QString::fromUtf8(kHeadings[section]);
}
