// Digital clock showing the computer's current date ("dd/MM/yyyy") or time ("hh:mm:ss", 24-hour)
// in seven-segment digits. While shown it repaints itself just after every change of second.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

class ClockDisplay : public QWidget {
  Q_OBJECT
  Q_PROPERTY(Mode mode READ mode WRITE setMode)
  Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)

 public:
  enum Mode { Date, Time };
  Q_ENUM(Mode)

  explicit ClockDisplay(QWidget* parent = nullptr);

  Mode mode() const { return mode_; }
  void setMode(Mode mode);
  QColor textColor() const { return textColor_; }
  void setTextColor(const QColor& color);

  // What the display shows at this moment.
  QString text() const;
  static QString formatFor(Mode mode);

  // Where the display reads the time; the computer's local clock unless replaced (for tests).
  void setClockSource(std::function<QDateTime()> source);

  QSize sizeHint() const override { return {101, 28}; }
  QSize minimumSizeHint() const override { return {30, 10}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void tick();
  void scheduleNextTick();

  Mode mode_ = Time;
  QString shownText_;  // as last painted: a tick repaints only when the text moves on
  QColor textColor_{0x00, 0xFF, 0x00};
  std::function<QDateTime()> clock_;
  QTimer tickTimer_;
};
