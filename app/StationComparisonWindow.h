// The comparison window: the stations of the download archive on one time axis, two charts
// (temperature and relative humidity) with a line of its own colour per station. The operator ticks
// the stations to compare (all at first) and may narrow the period; each chart zooms, pans, copies
// and prints as the chart window's do. The archive is read through its module, each station once
// per showing; the charts come from the chart module, made at the first showing.
#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "record/StationComparison.h"

class ColorButton;
class GradientPanel;
class LineChart;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QTimer;

class StationComparisonWindow : public QDialog {
  Q_OBJECT

 public:
  // `archivePath` gives the archive's file at each showing (empty: none).
  explicit StationComparisonWindow(std::function<std::string()> archivePath,
                                   QWidget* parent = nullptr);

  // Lists the archive's stations again, every one ticked, and draws them.
  void Reload();
  // Draws the ticked stations over the chosen period; a station is read from the archive the first
  // time it is drawn after a Reload.
  void Apply();

  QListWidget* StationList() const { return stations_; }
  QCheckBox* FromBox() const { return fromBox_; }
  QDateTimeEdit* FromEdit() const { return fromEdit_; }
  QCheckBox* ToBox() const { return toBox_; }
  QDateTimeEdit* ToEdit() const { return toEdit_; }
  // Null until the charts are made, or when the chart module could not be loaded.
  LineChart* TemperatureChart() const { return temperature_; }
  LineChart* HumidityChart() const { return humidity_; }
  // The line under the charts: what is drawn, or why nothing is.
  QString PlaceText() const;

  // The colour of the station in place `index` of the list, in the list and on both charts.
  static QColor StationColour(std::size_t index);

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildChoices();
  // Makes the charts through the chart module; false (and says why) when it cannot be loaded.
  bool MakeCharts();
  void ShowPlace(const QString& text);
  void CopyChart(LineChart* chart);
  void PrintChart(LineChart* chart);

  std::function<std::string()> archivePath_;
  std::string path_;  // the archive of the stations listed
  record::ComparisonRecords records_;
  GradientPanel* background_ = nullptr;
  QListWidget* stations_ = nullptr;
  QCheckBox* fromBox_ = nullptr;
  QDateTimeEdit* fromEdit_ = nullptr;
  QCheckBox* toBox_ = nullptr;
  QDateTimeEdit* toEdit_ = nullptr;
  QWidget* temperatureHolder_ = nullptr;
  QWidget* humidityHolder_ = nullptr;
  LineChart* temperature_ = nullptr;
  LineChart* humidity_ = nullptr;
  QLabel* place_ = nullptr;
  ColorButton* closeButton_ = nullptr;
  QTimer* periodTimer_ = nullptr;  // draws again once the operator stops changing the period
};
