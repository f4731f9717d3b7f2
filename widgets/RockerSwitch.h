// Two-position vertical rocker switch with a pilot lamp above it and a caption below it.
//
// A left-button press flips the rocker to its other position at once; releasing the button over the
// switch emits clicked() and then released(), and the owner then sets the position it wants with
// setOn(). A press that is released away from the switch puts the rocker back where it was and
// emits only released(), so the switch never shows a position that nobody asked for.
//
// The switch takes the keyboard focus; Space works it as a click does (press flips, release
// emits clicked() and released()).
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

class RockerSwitch : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool on READ isOn WRITE setOn)
  Q_PROPERTY(QString text READ text WRITE setText)
  Q_PROPERTY(QColor onLampColor READ onLampColor WRITE setOnLampColor)
  Q_PROPERTY(QColor offLampColor READ offLampColor WRITE setOffLampColor)

 public:
  explicit RockerSwitch(QWidget* parent = nullptr);

  bool isOn() const { return on_; }
  void setOn(bool on);
  QString text() const { return text_; }
  void setText(const QString& text);
  QColor onLampColor() const { return onLamp_; }
  void setOnLampColor(const QColor& color);
  QColor offLampColor() const { return offLamp_; }
  void setOffLampColor(const QColor& color);
  // Every caption the switch will show: the caption's font is sized so that the longest fits, and
  // keeps that size whichever of them is shown.
  void setCaptionTexts(const QStringList& texts);
  // The font the caption is drawn in now.
  QFont captionFont() const;

  QSize sizeHint() const override { return {91, 85}; }
  QSize minimumSizeHint() const override { return {30, 30}; }

 signals:
  void clicked();
  void released();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Press();
  void Release(bool overSwitch);
  QRectF CaptionRect() const;

  bool on_ = false;
  bool pressed_ = false;
  bool onBeforePress_ = false;
  QString text_;
  QStringList captionTexts_;
  QColor onLamp_{0x00, 0xFF, 0x00};
  QColor offLamp_{0x00, 0x80, 0x00};
};
