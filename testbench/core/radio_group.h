#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace bench {

// A titled group of radio buttons with one item chosen, as a list of choices: its item index
// and a click signal whenever the chosen item changes, by the user or by SetItemIndex.
class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    RadioGroup(const QString& objectName, const QString& title, const QStringList& items,
               int itemIndex, QWidget* parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);

  signals:
    void clicked();

  private:
    QButtonGroup* buttons_;
};

}  // namespace bench
