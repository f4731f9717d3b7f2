#include "app/DownloadArchiver.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <cstring>

#include "app/ArchiveModuleLoader.h"
#include "app/DataWindowSigning.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "archive/AuditChanges.h"
#include "archive/RescueFile.h"
#include "data_ui/Unit5.h"
#include "window_base/ErrorReport.h"

QString ArchiveProblemText(const ArchiveError& error, const std::string& path) {
  const QString file = QString::fromStdString(path);
  const QString detail = QString::fromLocal8Bit(error.what());
  switch (error.kind()) {
    case ArchiveError::Kind::kNotAnArchive:
      return QStringLiteral(
                 "el archivo %1 no es un archivo de descargas; no se modifica y el "
                 "programa sigue sin archivar")
          .arg(file);
    case ArchiveError::Kind::kDamaged:
      return QStringLiteral(
                 "el archivo de descargas %1 está dañado; no se modifica y el "
                 "programa sigue sin archivar (%2). Copie el archivo a un lugar seguro, "
                 "compruebe la copia con «velmorante-cli history verify --archive COPIA» y "
                 "recupere lo que contiene con la orden .recover de sqlite3 en un archivo nuevo")
          .arg(file, detail);
    case ArchiveError::Kind::kNewerVersion:
      return QStringLiteral(
                 "el archivo de descargas %1 es de una versión más nueva del "
                 "programa; no se modifica y el programa sigue sin archivar")
          .arg(file);
    case ArchiveError::Kind::kCannotOpen:
      return QStringLiteral("no se puede abrir ni crear el archivo de descargas (%1)").arg(detail);
    case ArchiveError::Kind::kCannotWrite:
      return QStringLiteral("no se puede escribir en el archivo de descargas %1 (%2)")
          .arg(file, detail);
    case ArchiveError::Kind::kNoSuchRecord:
      return QStringLiteral("la descarga ya no está en el archivo (%1)").arg(detail);
  }
  return detail;
}

std::unique_ptr<DownloadArchiver> MakeDownloadArchiver(QWidget* parent) {
  return std::make_unique<DownloadArchiver>(
      std::string(), "velmorante " VELMORANTE_VERSION,
      [] { return std::chrono::system_clock::now(); }, parent);
}

DownloadArchiver::DownloadArchiver(std::string archivePath, std::string program, Clock clock,
                                   QWidget* parent)
    : path_(std::move(archivePath)),
      program_(std::move(program)),
      clock_(std::move(clock)),
      parent_(parent) {}

DownloadArchiver::~DownloadArchiver() = default;

void DownloadArchiver::SetPath(const std::string& archivePath) {
  path_ = archivePath;
  archive_.reset();
  unusable_ = unusableReported_ = false;
  problem_.clear();
}

ArchiveStore* DownloadArchiver::Archive() {
  if (archive_ || path_.empty() || unusable_) return archive_.get();
  try {
    archive_ = LoadArchiveModule().Open(path_);
    problem_.clear();
  } catch (const ArchiveError& error) {
    problem_ = ArchiveProblemText(error, path_);
    unusable_ = error.FileIsUnusable();
  } catch (const std::exception& error) {
    // The module could not be loaded: said once, and the run goes on without an archive.
    problem_ = QString::fromStdString(error.what());
    if (!problem_.isEmpty()) problem_[0] = problem_[0].toLower();
    unusable_ = true;
  }
  return archive_.get();
}

void DownloadArchiver::Started(const std::string& port, bool wholeMemory) {
  running_ = true;
  port_ = port;
  kind_ = wholeMemory ? DownloadKind::kWholeMemory : DownloadKind::kNormal;
}

void DownloadArchiver::Interrupted(const std::string& text, EndReason reason) {
  if (!running_) return;
  running_ = false;
  // Nothing came: there is nothing to keep.
  if (!text.empty()) Keep(text, reason);
}

void DownloadArchiver::Completed(const std::string& text, TForm5* data) {
  running_ = false;
  const std::optional<std::int64_t> id = Keep(text, EndReason::kNone);
  if (!data) return;
  if (id) {
    data->SetDownloadSavedListener([this, id](const QString& file) { NoteSaved(*id, file); });
    // Archived, it may be signed while the data window shows it.
    if (auto* signing = data->findChild<DataWindowSigning*>()) {
      signing->SetNextTarget(path_, SignTarget::Download(*id),
                             QStringLiteral("la descarga archivada %1").arg(*id));
    }
  } else {
    data->SetDownloadSavedListener({});
  }
}

std::optional<std::int64_t> DownloadArchiver::Keep(const std::string& text, EndReason reason) {
  if (path_.empty()) return std::nullopt;
  const std::chrono::system_clock::time_point receivedAt = clock_();
  ArchiveStore* archive = Archive();
  if (!archive) {
    // An unusable file is reported once, and that message says that every later download of the
    // run is kept beside it in the same way; those files are then written without a word.
    if (unusable_ && unusableReported_) {
      int error = 0;
      WriteRescueFile(path_, text, receivedAt, error);
      return std::nullopt;
    }
    unusableReported_ = unusable_;
    ReportNotArchived(problem_, text, receivedAt);
    return std::nullopt;
  }
  NewDownload download;
  download.rawText = text;
  download.receivedAt = receivedAt;
  download.port = port_;
  download.program = program_;
  download.kind = kind_;
  download.reason = reason;
  download.loggerClock = loggerClock_;
  download.clockDriftSeconds = clockDrift_;
  try {
    return archive->Add(download);
  } catch (const ArchiveError& error) {
    // Opened again at the next download: the cause (a full disk) may have gone by then.
    archive_.reset();
    ReportNotArchived(ArchiveProblemText(error, path_), text, receivedAt);
    return std::nullopt;
  }
}

void DownloadArchiver::ReportNotArchived(const QString& cause, const std::string& text,
                                         std::chrono::system_clock::time_point receivedAt) {
  QString message = QStringLiteral("La descarga no se archivó: %1.").arg(cause);
  int error = 0;
  if (const std::optional<std::string> file = WriteRescueFile(path_, text, receivedAt, error)) {
    message += QStringLiteral(" Los %1 caracteres recibidos se guardaron en %2.")
                   .arg(text.size())
                   .arg(QString::fromStdString(*file));
    if (unusable_) {
      message += QStringLiteral(
          " Las próximas descargas se guardarán igual, junto al archivo de descargas.");
    }
  } else {
    message += QStringLiteral(
                   " Tampoco se pudieron guardar junto al archivo de descargas (%1): guarde "
                   "la tabla con GUARDAR.")
                   .arg(QString::fromLocal8Bit(std::strerror(error)));
  }
  Report(message);
}

void DownloadArchiver::NoteSaved(std::int64_t id, const QString& file) {
  ArchiveStore* archive = Archive();
  if (!archive) return;
  try {
    archive->RecordSave(id, file.toStdString(), clock_());
  } catch (const ArchiveError& error) {
    Report(QStringLiteral("El archivo se guardó, pero el archivo de descargas no lo registró: %1")
               .arg(ArchiveProblemText(error, path_)));
    return;
  }
  // The file as written, identified by its SHA-256 in the audit trail.
  QFile saved(file);
  if (!saved.open(QIODevice::ReadOnly)) return;
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&saved)) return;
  NoteInAuditTrail(
      FileWrittenChange(AuditAction::kExport, "", QFileInfo(file).absoluteFilePath().toStdString(),
                        hash.result().toHex().toStdString(), "download " + std::to_string(id)));
}

void DownloadArchiver::NoteInAuditTrail(const AuditChange& change) {
  ArchiveStore* archive = Archive();
  if (!archive) return;
  // The program's name and version, as its downloads carry them ("velmorante 3.2.0").
  const std::size_t space = program_.rfind(' ');
  const std::string name = space == std::string::npos ? program_ : program_.substr(0, space);
  const std::string version = space == std::string::npos ? "" : program_.substr(space + 1);
  try {
    archive->Audit(name, version, change);
  } catch (const std::exception& error) {
    const ArchiveError* archiveError = dynamic_cast<const ArchiveError*>(&error);
    Report(QStringLiteral("El archivo de descargas no registró la operación en su registro de "
                          "auditoría: %1")
               .arg(archiveError ? ArchiveProblemText(*archiveError, path_)
                                 : QString::fromStdString(error.what())));
  }
}

void DownloadArchiver::Report(const QString& text) {
  // Shown once the window that follows (the data window after a download) is up, over it.
  QPointer<QWidget> parent = parent_;
  QObject* context = parent_ ? static_cast<QObject*>(parent_) : qApp;
  QMetaObject::invokeMethod(
      context,
      [parent, text] {
        QWidget* front = QApplication::activeModalWidget();
        ShowErrorReport(front ? front : parent.data(), text);
      },
      Qt::QueuedConnection);
}
