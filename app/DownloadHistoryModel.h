// The archived downloads as the history window's table: one row per record, newest first, with
// when it was received (local time), the station that took it, the logger's start, the rate, the
// number of samples, whether it is complete (or why not) and whether it was saved.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "archive/DownloadRecord.h"

class DownloadHistoryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRecords(std::vector<DownloadSummary> records);
  const DownloadSummary& Record(int row) const { return records_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The texts of a record's cells, as shown.
  static QString ReceivedText(const DownloadSummary& record);
  static QString StatusText(const DownloadSummary& record);

 private:
  std::vector<DownloadSummary> records_;
};
