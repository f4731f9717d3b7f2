// Asking the operator where a file goes and writing it whole or not at all: the exports of the data
// window and its report. A failed write is shown in the standard error report and leaves any file
// that was there as it was.
#pragma once

#include <QString>
#include <string_view>

#include "analysis/ExportFormat.h"
#include "data/SampleDecoder.h"

class QWidget;

// Asks for the file: a save dialog with `filter` whose names get `suffix` when typed without one,
// and that asks before replacing a file. Empty when the operator cancels.
QString ChooseFileToWrite(QWidget* parent, const QString& title, const QString& filter,
                          const QString& suffix);

// Asks for a file and writes `bytes` to it. True when a file was written; false when the operator
// cancelled or the write failed (then reported).
bool WriteChosenFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& suffix, std::string_view bytes);

// The export of `table` in `format`, to a file the operator chooses.
bool ExportTableToChosenFile(QWidget* parent, const SampleTable& table,
                             analysis::ExportFormat format);
