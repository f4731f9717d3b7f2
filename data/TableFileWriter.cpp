#include "TableFileWriter.h"

#include <QSaveFile>
#include <algorithm>

namespace {
// Written in pieces so that a failing write is seen early on a very long table.
constexpr qint64 kChunkSize = 64 * 1024;
}  // namespace

bool TableFileWriter::Write(const QString& path, const SampleTable& table) {
  return WriteBytes(path, SavedFileText(table));
}

bool TableFileWriter::WriteBytes(const QString& path, std::string_view bytes) {
  errorText_.clear();
  QSaveFile file(path);
  // Never fall back to writing over the target in place: that is what could damage it.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return Fail(path, file.errorString());

  qint64 done = 0;
  const auto total = static_cast<qint64>(bytes.size());
  while (done < total) {
    const qint64 piece = std::min(kChunkSize, total - done);
    const qint64 written = file.write(bytes.data() + done, piece);
    if (written != piece) {
      const QString reason = file.errorString();
      file.cancelWriting();  // the temporary file is removed; the target stays untouched
      return Fail(path, reason);
    }
    done += written;
  }
  // commit() flushes the last buffered bytes and renames the temporary file over the target; a
  // flush that runs out of space or a rename that cannot replace the target fails here.
  if (!file.commit()) return Fail(path, file.errorString());
  return true;
}

bool TableFileWriter::Fail(const QString& path, const QString& reason) {
  errorText_ = QStringLiteral("No se pudo guardar el archivo \"%1\": %2").arg(path, reason);
  return false;
}
