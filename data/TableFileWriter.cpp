#include "data/TableFileWriter.h"

#include <unistd.h>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/SavedFileFormat.h"

namespace {
// Written in pieces so that a failing write is seen early on a very long table.
constexpr qint64 kChunkSize = 64 * 1024;

// The program speaks Spanish whatever the desktop's language: the usual reasons a save fails are
// named here, and only an unusual one is left in the system's words.
QString Reason(int error, const QString& systemText) {
  switch (error) {
    case ENOENT:
      return QStringLiteral("la carpeta no existe");
    case ENOTDIR:
      return QStringLiteral("una parte del camino no es una carpeta");
    case EACCES:
    case EPERM:
      return QStringLiteral("acceso denegado");
    case EROFS:
      return QStringLiteral("el disco es de solo lectura");
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("disco lleno");
    case EFBIG:
      return QStringLiteral("el archivo es demasiado grande");
    case EISDIR:
      return QStringLiteral("el nombre es el de una carpeta");
    case ENAMETOOLONG:
      return QStringLiteral("el nombre es demasiado largo");
    case EIO:
      return QStringLiteral("error de entrada/salida");
    default:
      return systemText.isEmpty() ? QStringLiteral("error desconocido") : systemText;
  }
}
}  // namespace

bool TableFileWriter::Write(const QString& path, const SampleTable& table) {
  return WriteBytes(path, SavedFileText(table));
}

bool TableFileWriter::WriteBytes(const QString& path, std::string_view bytes) {
  errorText_.clear();
  // A folder standing where the file should go is named as such, not by a stray system error.
  if (QFileInfo(path).isDir()) return Fail(path, Reason(EISDIR, QString()));
  QSaveFile file(path);
  // Never fall back to writing over the target in place: that is what could damage it.
  file.setDirectWriteFallback(false);
  // Unbuffered, so that every write reaches the system here and its result can be checked. A
  // buffered write would only be flushed inside commit(), where a short write (the disk or the
  // file-size limit running out part way) can pass unnoticed and a truncated file be committed.
  errno = 0;
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    return Fail(path, Reason(errno, file.errorString()));

  qint64 done = 0;
  const auto total = static_cast<qint64>(bytes.size());
  while (done < total) {
    const qint64 piece = std::min(kChunkSize, total - done);
    errno = 0;
    const qint64 written = file.write(bytes.data() + done, piece);
    if (written <= 0) return Abandon(file, path, Reason(errno, file.errorString()));
    // A short write is followed by another for the rest, which then reports why it stopped.
    done += written;
  }
  // Make sure the bytes are on the disk before the temporary file replaces the target: some file
  // systems report a lack of space only here.
  if (::fsync(file.handle()) != 0) {
    const int error = errno;
    return Abandon(file, path, Reason(error, QString::fromLocal8Bit(strerror(error))));
  }
  // commit() renames the temporary file over the target; a rename that cannot replace the target
  // fails here.
  errno = 0;
  if (!file.commit()) return Fail(path, Reason(errno, file.errorString()));
  return true;
}

bool TableFileWriter::Abandon(QSaveFile& file, const QString& path, const QString& reason) {
  file.cancelWriting();  // the temporary file is removed when `file` goes; the target stays
                         // untouched
  return Fail(path, reason);
}

bool TableFileWriter::Fail(const QString& path, const QString& reason) {
  errorText_ = QStringLiteral("No se pudo guardar el archivo \"%1\": %2").arg(path, reason);
  return false;
}
