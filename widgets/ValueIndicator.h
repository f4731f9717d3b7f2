// Digital value display: a dark window with lit seven-segment digits, a caption at its top left
// and the unit at its top right. The value is shown with one decimal and a decimal comma, rounded
// half away from zero (76.048 shows "76,0", -1.25 shows "-1,3").
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class ValueIndicator : public QWidget {
  Q_OBJECT
  Q_PROPERTY(double value READ value WRITE setValue)
  Q_PROPERTY(QString caption READ caption WRITE setCaption)
  Q_PROPERTY(QString unit READ unit WRITE setUnit)
  Q_PROPERTY(QColor digitColor READ digitColor WRITE setDigitColor)

 public:
  explicit ValueIndicator(QWidget* parent = nullptr);

  double value() const { return value_; }
  void setValue(double value);
  QString valueText() const;
  QString caption() const { return caption_; }
  void setCaption(const QString& caption);
  QString unit() const { return unit_; }
  void setUnit(const QString& unit);
  QColor digitColor() const { return digitColor_; }
  void setDigitColor(const QColor& color);

  QSize sizeHint() const override { return {99, 34}; }
  QSize minimumSizeHint() const override { return {30, 14}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double value_ = 0.0;
  QString caption_;
  QString unit_;
  QColor digitColor_{0x00, 0xFF, 0x00};
};
