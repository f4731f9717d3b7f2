// The stations window: every station of the download archive with what its service last saw
// (running or not, the logger's memory and battery, the clock's drift, the downloads). Read-only;
// while it shows, the archive is read again every few seconds, opened read-only each time.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

class AlarmsWindow;
class ColorButton;
class GradientPanel;
class QLabel;
class QTableWidget;
class QTimer;
class StationComparisonWindow;

class StationsWindow : public QDialog {
  Q_OBJECT

 public:
  // `archivePath` gives the archive's file at each reading (empty: none).
  explicit StationsWindow(std::function<std::string()> archivePath, QWidget* parent = nullptr);

  // Reads the stations again from the archive.
  void Refresh();

  QTableWidget* Table() const { return table_; }
  QTimer* RefreshTimer() const { return timer_; }
  ColorButton* AlarmsButton() const { return alarmsButton_; }
  // "ALARMAS": the alarms window over this one, on the same archive.
  void AlarmsButtonClick();
  ColorButton* CompareButton() const { return compareButton_; }
  // "COMPARAR": the comparison window over this one, on the same archive.
  void CompareButtonClick();
  // The line under the table: the archive's file, or why it could not be read.
  QString PlaceText() const;

  static constexpr int kRefreshMs = 3000;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void ShowPlace(const QString& text);

  std::function<std::string()> archivePath_;
  GradientPanel* background_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* place_ = nullptr;
  ColorButton* alarmsButton_ = nullptr;
  ColorButton* compareButton_ = nullptr;
  ColorButton* closeButton_ = nullptr;
  AlarmsWindow* alarms_ = nullptr;
  StationComparisonWindow* comparison_ = nullptr;
  QTimer* timer_ = nullptr;
};
