// The audit trail window, opened from the download history: every entry of the archive's audit
// trail, picked by station, action and a text, exported as CSV or printed.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "archive/AuditTrail.h"

class DownloadArchiver;
class GradientPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class ColorButton;

class AuditWindow : public QDialog {
  Q_OBJECT

 public:
  // Prints the listing's document (HTML), asking for the printer; set by the program, which
  // leaves printing to the chart module.
  using Printer = std::function<void(QWidget* owner, const QString& html)>;

  AuditWindow(DownloadArchiver& archiver, Printer printer, QWidget* parent = nullptr);

  // Reads the entries again from the archive (at every showing) and lists those picked.
  void Refresh();
  // The entries listed now, after the filters.
  const std::vector<AuditEntry>& Shown() const { return shown_; }
  // "EXPORTAR CSV…": the listed entries to a file the operator names. False when none was written.
  bool ExportClick();
  // Writes the listed entries as CSV to `path`; reported and false when it cannot.
  bool ExportTo(const QString& path);
  // "IMPRIMIR…".
  void PrintClick();
  // The listed entries as the printed page's HTML.
  QString PrintedHtml() const;

  // The Spanish name of an action, as the list shows it.
  static QString ActionText(AuditAction action);
  // What an entry was about as the list shows it, in Spanish: "download 13" as "descarga 13",
  // "station camara1" as "estación camara1", a station's signed period with its times in local
  // form; a file's path as it is.
  static QString ObjectText(const std::string& object);
  QTableWidget* List() const { return list_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  // Lists the entries read that the filters pick.
  void ApplyFilters();
  void FillStationChoices();
  // Sizes the columns to their contents, each within a width that keeps the last one in view.
  void FitColumns();

  DownloadArchiver& archiver_;
  Printer printer_;
  std::vector<AuditEntry> entries_;
  std::vector<AuditEntry> shown_;
  GradientPanel* background_ = nullptr;
  QComboBox* station_ = nullptr;
  QComboBox* action_ = nullptr;
  QLineEdit* text_ = nullptr;
  QTableWidget* list_ = nullptr;
  QLabel* place_ = nullptr;
  ColorButton* exportButton_ = nullptr;
  ColorButton* printButton_ = nullptr;
};
