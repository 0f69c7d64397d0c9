#include "testbench/core/widget_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "testbench/core/bench_context.h"
#include "testbench/core/hex_text.h"

namespace bench {

QPushButton* MakeButton(const QString& objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(text);
    return button;
}

QCheckBox* MakeCheckBox(const QString& objectName, const QString& text, bool checked,
                        QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(objectName);
    box->setAccessibleName(text);
    box->setChecked(checked);
    return box;
}

QGroupBox* MakeGroup(const QString& objectName, const QString& title, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(objectName);
    return group;
}

QLabel* MakeLabel(const QString& objectName, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

QLineEdit* AddLabeledEdit(QGridLayout* grid, int row, int column, const QString& objectName,
                          const QString& label, const QString& text, int maxLength) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(objectName);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    auto* caption = new QLabel(label);
    caption->setBuddy(edit);
    edit->setAccessibleName(label);
    grid->addWidget(caption, row, column);
    grid->addWidget(edit, row, column + 1);
    return edit;
}

QComboBox* AddLabeledCombo(QGridLayout* grid, int row, int column, const QString& objectName,
                           const QString& label) {
    auto* combo = new QComboBox;
    combo->setObjectName(objectName);
    auto* caption = new QLabel(label);
    caption->setBuddy(combo);
    combo->setAccessibleName(label);
    grid->addWidget(caption, row, column);
    grid->addWidget(combo, row, column + 1);
    return combo;
}

void NameForAccessibility(QWidget* widget, const QString& name) { widget->setAccessibleName(name); }

void OnClick(QPushButton* button, BenchContext& context, std::function<void()> handler) {
    QObject::connect(button, &QPushButton::clicked, button,
                     [&context, handler = std::move(handler)] {
                         try {
                             handler();
                         } catch (const ConversionError& error) {
                             context.ShowMessage(error.text());
                         }
                     });
}

}  // namespace bench
