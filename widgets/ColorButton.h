// Push button of the instrument panel with separate captions for its released and held states.
//
// Released it shows textOff in textColor on a raised face; held down it shows textOn in lime on a
// sunken face (nothing at all when textOn is empty). The face is a dark panel gradient unless
// setFaceGradient() gives another one (left to right). Focused, Space, Return and Enter click it.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

class ColorButton : public QAbstractButton {
  Q_OBJECT
  Q_PROPERTY(QString textOff READ textOff WRITE setTextOff)
  Q_PROPERTY(QString textOn READ textOn WRITE setTextOn)
  Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
  Q_PROPERTY(int bevelWidth READ bevelWidth WRITE setBevelWidth)

 public:
  static inline const QColor kHeldTextColor{0x00, 0xFF, 0x00};

  explicit ColorButton(QWidget* parent = nullptr);

  QString textOff() const { return textOff_; }
  void setTextOff(const QString& text);
  QString textOn() const { return textOn_; }
  void setTextOn(const QString& text);
  QColor textColor() const { return textColor_; }
  void setTextColor(const QColor& color);
  QColor faceFrom() const { return faceFrom_; }
  QColor faceTo() const { return faceTo_; }
  void setFaceGradient(const QColor& from, const QColor& to);
  int bevelWidth() const { return bevelWidth_; }
  void setBevelWidth(int width);

  // The caption and its colour as drawn now (held or released).
  QString shownText() const { return isDown() ? textOn_ : textOff_; }
  QColor shownTextColor() const { return isDown() ? kHeldTextColor : textColor_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return {20, 12}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Return and Enter press a focused button as Space does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString textOff_;
  QString textOn_;
  QColor textColor_{Qt::white};
  QColor faceFrom_{0x5A, 0x5A, 0x5A};
  QColor faceTo_{0x28, 0x28, 0x28};
  int bevelWidth_ = 2;
};
