// A captioned group of radio buttons in one or more columns, with the item index -1 for "none
// selected" (which a plain exclusive button group cannot return to once an item was chosen).
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

 signals:
  // The operator selected an item (not emitted for setItemIndex).
  void itemClicked(int index);

 private:
  QButtonGroup* buttons_;
};
