#include "data_ui/TableFileWriter.h"

#include <cerrno>
#include <cstring>

#include "data/SavedFileFormat.h"
#include "data/WholeFileWriter.h"

namespace {
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
    case ELOOP:
      return QStringLiteral("los enlaces simbólicos forman un ciclo");
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
  const WriteResult result = WriteWholeFile(path.toLocal8Bit().toStdString(), bytes);
  if (result.ok()) return true;
  if (result.failure == WriteFailure::kDatabase) {
    return Fail(path, QStringLiteral("es una base de datos (el archivo de descargas o uno de sus "
                                     "archivos auxiliares) y no se reemplaza"));
  }
  if (result.failure == WriteFailure::kNotARegularFile && result.error != EISDIR) {
    return Fail(path, QStringLiteral("no es un archivo normal (es un dispositivo, una tubería o un "
                                     "conector) y no se reemplaza"));
  }
  return Fail(path, Reason(result.error, QString::fromLocal8Bit(std::strerror(result.error))));
}

bool TableFileWriter::Fail(const QString& path, const QString& reason) {
  errorText_ = QStringLiteral("No se pudo guardar el archivo \"%1\": %2").arg(path, reason);
  return false;
}
