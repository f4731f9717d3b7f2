// The download history window: the archived downloads, newest first. Opening one shows it in the
// data window exactly as after a download (table, GUARDAR, GRAFICAR), connected or not, without
// touching this run's download. It also opens a saved table file or a raw captured download, and a
// station's whole record: every sample its downloads hold, once, numbered across recordings.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class AuditWindow;
class ColorButton;
class DownloadArchiver;
class DownloadHistoryModel;
class GradientPanel;
class QLabel;
class QTableView;
class TForm5;

class DownloadHistoryWindow : public QDialog {
  Q_OBJECT

 public:
  DownloadHistoryWindow(DownloadArchiver& archiver, TForm5* dataWindow, QWidget* parent = nullptr);

  // Reads the list again from the archive (at every showing).
  void Refresh();
  // Shows the record in row `row` in the data window.
  void OpenRecord(int row);
  // "ABRIR": the selected record.
  void OpenSelected();
  // "ABRIR ARCHIVO": a file the operator chooses.
  void OpenFileClick();
  // Shows a saved table file or a raw download in the data window; a file that is neither is
  // reported and nothing changes. False when nothing was shown.
  bool OpenFile(const QString& path);
  // The stations that have downloads in the archive, by name; none without an archive.
  QStringList StationNames();
  // "REGISTRO DE ESTACIÓN…": a station the operator picks.
  void OpenStationClick();
  // Shows the whole record of `station` in the data window; a station without downloads or an
  // archive that cannot be read is reported and nothing is shown. False when nothing was shown.
  bool OpenStation(const QString& station);

  // "AUDITORÍA": the archive's audit trail in a window of its own.
  void OpenAudit();
  AuditWindow* Audit() const { return audit_; }

  DownloadHistoryModel* Model() const { return model_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Return on a row of the list opens it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ShowPlace(const QString& text);

  DownloadArchiver& archiver_;
  TForm5* data_;
  DownloadHistoryModel* model_ = nullptr;
  GradientPanel* background_ = nullptr;
  QTableView* list_ = nullptr;
  QLabel* place_ = nullptr;
  ColorButton* openButton_ = nullptr;
  ColorButton* openFileButton_ = nullptr;
  ColorButton* stationButton_ = nullptr;
  ColorButton* auditButton_ = nullptr;
  AuditWindow* audit_ = nullptr;
};
