// The save dialog and the whole-or-nothing write behind the data window's exports.
#include "data_ui/ExportFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "data_ui/TableFileWriter.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"

QString ChooseFileToWrite(QWidget* parent, const QString& title, const QString& filter,
                          const QString& suffix) {
  if (std::optional<QString> answer = AnsweredFileChoice(parent, suffix)) return *answer;
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString path = dialog.selectedFiles().first();
  // Some platform dialogs leave the extension to the caller.
  if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
  return path;
}

bool WriteChosenFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& suffix, std::string_view bytes) {
  const QString path = ChooseFileToWrite(parent, title, filter, suffix);
  if (path.isEmpty()) return false;
  TableFileWriter writer;
  if (writer.WriteBytes(path, bytes)) return true;
  ShowErrorReport(parent, writer.ErrorText());
  return false;
}

bool ExportTableToChosenFile(QWidget* parent, const SampleTable& table,
                             analysis::ExportFormat format) {
  QString title;
  QString filter;
  switch (format) {
    case analysis::ExportFormat::kCsv:
      title = QStringLiteral("Exportar CSV");
      filter = QStringLiteral("CSV, coma y punto decimal (*.csv)");
      break;
    case analysis::ExportFormat::kSpanishCsv:
      title = QStringLiteral("Exportar CSV para hoja de cálculo en español");
      filter = QStringLiteral("CSV, punto y coma y coma decimal (*.csv)");
      break;
    case analysis::ExportFormat::kJson:
      title = QStringLiteral("Exportar JSON");
      filter = QStringLiteral("JSON (*.json)");
      break;
  }
  return WriteChosenFile(parent, title, filter,
                         QString::fromLatin1(analysis::ExportExtension(format)),
                         analysis::ExportText(format, table));
}
