#include "testbench/core/radio_group.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>

namespace bench {

RadioGroup::RadioGroup(const QString& objectName, const QString& title, const QStringList& items,
                       int itemIndex, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
    setObjectName(objectName);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], this);
        radio->setObjectName(objectName + QStringLiteral("_") + QString::number(i));
        radio->setAccessibleName(title + QLatin1Char(' ') + items[i]);
        buttons_->addButton(radio, i);
        row->addWidget(radio);
    }
    SetItemIndex(itemIndex);
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) emit clicked();
    });
}

int RadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = buttons_->button(index)) button->setChecked(true);
}

}  // namespace bench
