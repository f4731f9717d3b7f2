// Vertical LED-segment bar for a value from 0 to 100, with two caption lines above it and the value
// as text ("##0" followed by the unit) beside it. Values outside 0..100 are held at the nearest
// end.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class LedBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(double value READ value WRITE setValue)
  Q_PROPERTY(QColor barColor READ barColor WRITE setBarColor)
  Q_PROPERTY(QColor fontColor READ fontColor WRITE setFontColor)
  Q_PROPERTY(QString caption1 READ caption1 WRITE setCaption1)
  Q_PROPERTY(QString caption2 READ caption2 WRITE setCaption2)
  Q_PROPERTY(QString unit READ unit WRITE setUnit)

 public:
  static constexpr double kMinimum = 0.0;
  static constexpr double kMaximum = 100.0;
  static constexpr int kSegments = 20;

  explicit LedBar(QWidget* parent = nullptr);

  double value() const { return value_; }
  void setValue(double value);
  QString valueText() const;  // "##0": no decimals, rounded half away from zero
  QColor barColor() const { return barColor_; }
  void setBarColor(const QColor& color);
  QColor fontColor() const { return fontColor_; }
  void setFontColor(const QColor& color);
  QString caption1() const { return caption1_; }
  void setCaption1(const QString& caption);
  QString caption2() const { return caption2_; }
  void setCaption2(const QString& caption);
  QString unit() const { return unit_; }
  void setUnit(const QString& unit);

  // How many segments the value lights (a segment lights once the value reaches its middle).
  int litSegments() const;

  QSize sizeHint() const override { return {125, 176}; }
  QSize minimumSizeHint() const override { return {30, 40}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double value_ = 0.0;
  QColor barColor_{0x00, 0xFF, 0x00};
  QColor fontColor_{0x00, 0xFF, 0x00};
  QString caption1_;
  QString caption2_;
  QString unit_;
};
