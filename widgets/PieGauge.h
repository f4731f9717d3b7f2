// Pie-shaped progress gauge: a disc in the back colour with a slice in the fore colour that grows
// clockwise from twelve o'clock as progress goes from 0 to the maximum. It shows no text.
#pragma once

#include <QColor>
#include <QWidget>

class PieGauge : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
  Q_PROPERTY(int progress READ progress WRITE setProgress)
  Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor)
  Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)

 public:
  explicit PieGauge(QWidget* parent = nullptr);

  int maximum() const { return maximum_; }
  void setMaximum(int maximum);  // at least 1; progress is held within the new range
  int progress() const { return progress_; }
  void setProgress(int progress);  // held within 0..maximum
  QColor foreColor() const { return foreColor_; }
  void setForeColor(const QColor& color);
  QColor backColor() const { return backColor_; }
  void setBackColor(const QColor& color);

  QSize sizeHint() const override { return {31, 28}; }
  QSize minimumSizeHint() const override { return {8, 8}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int maximum_ = 50;
  int progress_ = 0;
  QColor foreColor_{0xFF, 0xA5, 0x00};
  QColor backColor_{0xFF, 0xFF, 0x00};
};
