#pragma once

#include <QGridLayout>
#include <QGroupBox>
#include <algorithm>
#include <initializer_list>

namespace bench {

// The grid of a network group: a smaller font and tight spacing, so that both network
// groups fit in one row of the basics page.
inline QGridLayout* CompactGrid(QGroupBox* group) {
    QFont font = group->font();
    font.setPixelSize(12);
    group->setFont(font);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(1);
    return grid;
}

// Rows of 21 pixels for the group's edits, lists and buttons; edits and lists at least 106
// pixels wide, those named in narrow (short numbers) 48. KeepTextsWhole widens them further
// where their texts need it.
inline void CompactRows(QGroupBox* group, std::initializer_list<QWidget*> narrow = {}) {
    // The group's own controls: a drop-down's line edit stays inside its drop-down.
    for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool field = child->inherits("QLineEdit") || child->inherits("QComboBox");
        if (field || child->inherits("QPushButton")) child->setFixedHeight(21);
        if (field)
            child->setMinimumWidth(
                std::find(narrow.begin(), narrow.end(), child) != narrow.end() ? 48 : 106);
    }
}

}  // namespace bench
