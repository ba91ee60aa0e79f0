#pragma once
// A titled group of radio buttons in columns whose value is the index of
// the checked item, as the settings windows' port, class and ring choices.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace telvane {

class RadioGroup : public QGroupBox {
  Q_OBJECT
public:
  RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent = nullptr);
  int itemIndex() const;
  // An index outside the items checks none.
  void setItemIndex(int index);

private:
  QButtonGroup* buttons_;
};

}  // namespace telvane
