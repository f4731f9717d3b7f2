// A captioned group of radio buttons in one or more columns, with the item index -1 for "none
// selected" (which a plain exclusive button group cannot return to once an item was chosen). Its
// frame is an etched line drawn directly: the style's own group frame is a picture whose loading
// brings in every image-format plug-in, a cost the main window would pay at its first paint.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

  int itemIndex() const;         // -1 when no item is selected
  void setItemIndex(int index);  // -1 clears the selection
  int count() const;
  QRadioButton* item(int index) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 signals:
  // The operator selected an item (not emitted for setItemIndex).
  void itemClicked(int index);

 private:
  QButtonGroup* buttons_;
};
