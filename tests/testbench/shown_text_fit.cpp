#include "testbench/shown_text_fit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QWidget>

namespace {

// What the widgets' paint code uses (protected).
struct LineEditAccess : QLineEdit {
    using QLineEdit::cursorRect;
    using QLineEdit::initStyleOption;
};
struct ComboBoxOption : QComboBox {
    using QComboBox::initStyleOption;
};

QRect CursorRect(const QLineEdit& edit) { return (edit.*&LineEditAccess::cursorRect)(); }

// The rectangle the edit draws its text in: the style's contents less the text margins.
QRect TextArea(const QLineEdit& edit) {
    QStyleOptionFrame option;
    (edit.*&LineEditAccess::initStyleOption)(&option);
    return edit.style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, &edit)
        .marginsRemoved(edit.textMargins());
}

// The cursor rectangle of position as the edit draws it after its last paint: the paint
// scrolls the text to show the cursor and the rectangle keeps that scroll.
QRect PaintedCursorAt(QLineEdit& edit, int position) {
    edit.setCursorPosition(position);
    edit.grab();
    return CursorRect(edit);
}

// Whether the edit shows its text whole, as the edit itself lays it out: with the cursor at
// the end of the text the edit has not scrolled (the start of the text stays where it is
// drawn with the cursor at the start) and the cursor lies inside its contents.
bool ShowsTextWhole(QLineEdit& edit) {
    const QSignalBlocker blocker(&edit);
    const int cursor = edit.cursorPosition();
    const QRect start = PaintedCursorAt(edit, 0);
    const QRect end = PaintedCursorAt(edit, static_cast<int>(edit.displayText().size()));
    edit.setCursorPosition(0);
    const QRect startAtEnd = CursorRect(edit);
    edit.setCursorPosition(cursor);
    const QRect area = TextArea(edit);
    const int endX = end.center().x();
    return startAtEnd == start && area.left() <= endX && endX <= area.right();
}

// Whether the edit shows text whole: the text is put in for the measure and the edit's own
// text put back, its signals held back meanwhile.
bool ShowsTextWhole(QLineEdit& edit, const QString& text) {
    if (text == edit.text()) return ShowsTextWhole(edit);
    const QSignalBlocker blocker(&edit);
    const QString own = edit.text();
    const int cursor = edit.cursorPosition();
    edit.setText(text);
    const bool whole = ShowsTextWhole(edit);
    edit.setText(own);
    edit.setCursorPosition(cursor);
    return whole;
}

// The drop-down's text area: the style's edit field beside the arrow.
QRect EditField(const QComboBox& combo) {
    QStyleOptionComboBox option;
    (combo.*&ComboBoxOption::initStyleOption)(&option);
    return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                         &combo);
}

// Whether text shows whole as the closed drop-down's label: the style draws it one pixel
// inside the edit field, so text fits when eliding it to that width leaves it as it is. An
// editable drop-down shows it in its line edit.
bool FitsComboBox(QComboBox& combo, const QString& text) {
    if (QLineEdit* edit = combo.lineEdit()) return ShowsTextWhole(*edit, text);
    const int width = EditField(combo).adjusted(1, 0, -1, 0).width();
    return combo.fontMetrics().elidedText(text, Qt::ElideRight, width) == text;
}

// The visible sibling lying over part of the widget, or null.
const QWidget* CoveringSibling(const QWidget& widget) {
    if (widget.parentWidget() == nullptr) return nullptr;
    for (const QWidget* sibling :
         widget.parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (sibling != &widget && sibling->isVisible() &&
            sibling->geometry().intersects(widget.geometry())) {
            return sibling;
        }
    }
    return nullptr;
}

// Whether every parent up to the window shows the whole widget.
bool InsideParents(const QWidget& widget) {
    const QWidget* window = widget.window();
    const QRect whole(widget.mapTo(window, QPoint(0, 0)), widget.size());
    for (const QWidget* parent = widget.parentWidget(); parent != nullptr;
         parent = parent->parentWidget()) {
        const QRect shown(parent->mapTo(window, QPoint(0, 0)), parent->size());
        if (!shown.contains(whole)) return false;
        if (parent == window) break;
    }
    return true;
}

QString Fault(const QString& where, const QWidget& widget, const QString& what) {
    return where + QLatin1Char(' ') + widget.objectName() + QLatin1Char(' ') + what;
}

QString Quoted(const QString& text) { return QStringLiteral("“") + text + QStringLiteral("”"); }

// The faults of the widget's place: cut by a parent's edge, or partly under a sibling.
QStringList PlaceFaults(const QString& where, const QWidget& widget) {
    QStringList faults;
    if (!InsideParents(widget)) faults << Fault(where, widget, QStringLiteral("cut by its parent"));
    if (const QWidget* sibling = CoveringSibling(widget)) {
        const QString name = sibling->objectName().isEmpty()
                                 ? QString::fromLatin1(sibling->metaObject()->className())
                                 : sibling->objectName();
        faults << Fault(where, widget, QStringLiteral("under ") + name);
    }
    return faults;
}

}  // namespace

QStringList CutTexts(QWidget& root, const QString& where) {
    QStringList faults;
    for (QLineEdit* edit : root.findChildren<QLineEdit*>()) {
        // A drop-down's own line edit is checked with its drop-down.
        if (!edit->isVisibleTo(&root) || qobject_cast<const QComboBox*>(edit->parentWidget())) {
            continue;
        }
        faults << PlaceFaults(where, *edit);
        if (!ShowsTextWhole(*edit)) {
            faults << Fault(where, *edit, Quoted(edit->displayText()));
        }
    }
    for (QComboBox* combo : root.findChildren<QComboBox*>()) {
        if (!combo->isVisibleTo(&root)) continue;
        faults << PlaceFaults(where, *combo);
        if (combo->lineEdit() != nullptr &&
            !EditField(*combo).contains(combo->lineEdit()->geometry())) {
            faults << Fault(where, *combo, QStringLiteral("line edit over the arrow"));
        }
        for (int i = 0; i < combo->count(); ++i) {
            if (!FitsComboBox(*combo, combo->itemText(i))) {
                faults << Fault(where, *combo, Quoted(combo->itemText(i)));
            }
        }
        // An editable drop-down may show a text of none of its items.
        const QString current = combo->currentText();
        if (combo->findText(current) < 0 && !FitsComboBox(*combo, current)) {
            faults << Fault(where, *combo, Quoted(current));
        }
    }
    return faults;
}
