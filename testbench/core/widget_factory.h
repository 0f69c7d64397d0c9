#pragma once

#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace bench {

class BenchContext;

// The bench's controls, each named by its component name, with an accessible name for
// assistive technology (a button's is its text; an edit's is its label, whose buddy it is).
QPushButton* MakeButton(const QString& objectName, const QString& text, QWidget* parent);
QCheckBox* MakeCheckBox(const QString& objectName, const QString& text, bool checked,
                        QWidget* parent);
QGroupBox* MakeGroup(const QString& objectName, const QString& title, QWidget* parent);
QLabel* MakeLabel(const QString& objectName, const QString& text, QWidget* parent);

// An edit with its label: both are added to row `row` of grid, the label at `column`, the
// edit after it. maxLength 0 leaves the length free.
QLineEdit* AddLabeledEdit(QGridLayout* grid, int row, int column, const QString& objectName,
                          const QString& label, const QString& text, int maxLength = 0);
// A drop-down list with its label, added like AddLabeledEdit.
QComboBox* AddLabeledCombo(QGridLayout* grid, int row, int column, const QString& objectName,
                           const QString& label);
// An edit or list named for assistive technology when the page shows no label beside it.
void NameForAccessibility(QWidget* widget, const QString& name);

// Widens every edit and drop-down under root as far as it needs to show its text whole by its
// own font and style: an edit its text, a drop-down its longest item. Run once the widgets
// have their final fonts.
void KeepTextsWhole(QWidget* root);

// Runs handler on each click; a conversion error it throws ends the run and shows its text.
void OnClick(QPushButton* button, BenchContext& context, std::function<void()> handler);

}  // namespace bench
