// A panel lamp with a caption beside it. When lit and flashing it blinks at 1 Hz: 500 ms on, then
// 500 ms off, starting with the on phase each time it is lit or set flashing. It takes no mouse
// input.
#pragma once

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

class IndicatorLamp : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool lit READ isLit WRITE setLit)
  Q_PROPERTY(bool flashing READ isFlashing WRITE setFlashing)
  Q_PROPERTY(QString text READ text WRITE setText)
  Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
  Q_PROPERTY(QColor lampColor READ lampColor WRITE setLampColor)

 public:
  static constexpr int kHalfPeriodMs = 500;

  explicit IndicatorLamp(QWidget* parent = nullptr);

  bool isLit() const { return lit_; }
  void setLit(bool lit);
  bool isFlashing() const { return flashing_; }
  void setFlashing(bool flashing);
  QString text() const { return text_; }
  void setText(const QString& text);
  QColor textColor() const { return textColor_; }
  void setTextColor(const QColor& color);
  QColor lampColor() const { return lampColor_; }
  void setLampColor(const QColor& color);

  // Whether the lamp shows light at this moment (lit, and in the on phase when flashing).
  bool lampVisibleNow() const { return lit_ && (!flashing_ || phaseOn_); }

  QSize sizeHint() const override { return {217, 33}; }
  QSize minimumSizeHint() const override { return {20, 10}; }

 public slots:
  // Moves a flashing lamp to its next half period; the blink timer calls it on every half second
  // of the computer clock.
  void blinkStep();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void restartBlinking();
  void scheduleNextBlink();
  QRectF lampRect() const;

  bool lit_ = false;
  bool flashing_ = false;
  bool phaseOn_ = true;
  QString text_;
  QColor textColor_{Qt::white};
  QColor lampColor_{0x00, 0xFF, 0x00};
  QTimer blinkTimer_;
};
