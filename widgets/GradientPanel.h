// Background panel painted with a two-colour gradient (left to right when horizontal, top to
// bottom when vertical), or with the plain window colour when the gradient is off. Other widgets
// are placed on it as children.
#pragma once

#include <QColor>
#include <QWidget>

class GradientPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor fromColor READ fromColor)
  Q_PROPERTY(QColor toColor READ toColor)
  Q_PROPERTY(Qt::Orientation orientation READ orientation WRITE setOrientation)
  Q_PROPERTY(bool gradientEnabled READ gradientEnabled WRITE setGradientEnabled)

 public:
  explicit GradientPanel(QWidget* parent = nullptr);

  QColor fromColor() const { return from_; }
  QColor toColor() const { return to_; }
  void setColors(const QColor& from, const QColor& to);
  Qt::Orientation orientation() const { return orientation_; }
  void setOrientation(Qt::Orientation orientation);
  bool gradientEnabled() const { return enabled_; }
  void setGradientEnabled(bool enabled);

  QSize sizeHint() const override { return {200, 100}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor from_{0x00, 0x00, 0x40};
  QColor to_{0x00, 0x00, 0x00};
  Qt::Orientation orientation_ = Qt::Vertical;
  bool enabled_ = true;
};
