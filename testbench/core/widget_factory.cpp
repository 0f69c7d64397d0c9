#include "testbench/core/widget_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include "testbench/core/bench_context.h"
#include "testbench/core/hex_text.h"

namespace bench {

namespace {

// The style option an edit paints with (initStyleOption is protected).
struct LineEditOption : QLineEdit {
    using QLineEdit::initStyleOption;
};

// A line edit keeps this many pixels free on each side of its contents, and one pixel for
// the cursor after the text.
constexpr int kLineEditMargin = 2;

// The width at which the edit shows its text without scrolling it.
int WidthShowingText(const QLineEdit& edit) {
    QStyleOptionFrame option;
    (edit.*&LineEditOption::initStyleOption)(&option);
    const QMargins margins = edit.textMargins();
    const int contents = qRound(QFontMetricsF(edit.font()).horizontalAdvance(edit.text())) + 1 +
                         2 * kLineEditMargin + margins.left() + margins.right();
    return edit.style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(contents, edit.height()), &edit)
        .width();
}

void KeepAtLeast(QWidget& widget, int width) {
    if (widget.minimumWidth() < width) widget.setMinimumWidth(width);
    if (widget.maximumWidth() < width) widget.setMaximumWidth(width);
}

}  // namespace

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

void KeepTextsWhole(QWidget* root) {
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        // A drop-down sizes its own line edit.
        if (qobject_cast<QComboBox*>(edit->parentWidget()) == nullptr) {
            KeepAtLeast(*edit, WidthShowingText(*edit));
        }
    }
    for (QComboBox* combo : root->findChildren<QComboBox*>()) {
        KeepAtLeast(*combo, combo->minimumSizeHint().width());
    }
}

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
