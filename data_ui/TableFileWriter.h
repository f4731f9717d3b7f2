// Saves the data table to a text file, whole or not at all (see data/WholeFileWriter.h), and words
// a failure in Spanish for the operator. A failed save leaves an existing file exactly as it was.
#pragma once

#include <QString>
#include <string_view>

#include "data/SampleTable.h"

class TableFileWriter {
 public:
  // Writes rows 1..N of `table` in the saved-file format. True when the file is complete.
  bool Write(const QString& path, const SampleTable& table);
  // Writes `bytes` as they are (single bytes, no conversion). True when the file is complete.
  bool WriteBytes(const QString& path, std::string_view bytes);

  // After a failed write: what went wrong and why, in Spanish.
  const QString& ErrorText() const { return errorText_; }

 private:
  bool Fail(const QString& path, const QString& reason);

  QString errorText_;
};
