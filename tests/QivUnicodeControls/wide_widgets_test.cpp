// Wide text, hints, shortcut texts, hint sizes and action links over Qt widgets.

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <functional>
#include <memory>

#include "QivUnicodeControls/wide_action_link.h"
#include "QivUnicodeControls/wide_control_text.h"
#include "QivUnicodeControls/wide_shortcut_text.h"
#include "QivUnicodeControls/wide_text_extent.h"

using namespace qiv;

using WidgetMaker = std::function<QWidget*()>;
using ShownText = std::function<QString(QWidget*)>;
Q_DECLARE_METATYPE(WidgetMaker)
Q_DECLARE_METATYPE(ShownText)
Q_DECLARE_METATYPE(QKeyCombination)

namespace {

template <class W>
WidgetMaker Make() {
    return [] { return new W; };
}

// What a widget of class W shows, read with its getter.
template <class W>
ShownText Shown(QString (W::*getter)() const) {
    return [getter](QWidget* w) { return (qobject_cast<W*>(w)->*getter)(); };
}

QWidget* EditableDropDown() {
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->addItems({QStringLiteral("127.0.0.1"), QStringLiteral("服务器")});
    return combo;
}

QString DropDownEditText(QWidget* w) { return qobject_cast<QComboBox*>(w)->lineEdit()->text(); }

QWidget* SpinBox() {
    auto* spin = new QSpinBox;
    spin->setValue(42);
    return spin;
}

QWidget* DropDownList() {
    auto* combo = new QComboBox;
    combo->addItem(QStringLiteral("COM1"));
    return combo;
}

// How an action was given its hint: not at all, by QAction::setToolTip only, or
// through the layer.
enum class HintBy { None, ToolTip, Layer };

}  // namespace

Q_DECLARE_METATYPE(HintBy)

class WideWidgetsTest : public QObject {
    Q_OBJECT
  private slots:
    // Each kind of widget keeps the wide text where it shows it: an editable drop-down and
    // a spin box in their line edit. A drop-down list and a bare window keep it in the
    // window title.
    void WindowTextIsWhatTheWidgetShows_data() {
        QTest::addColumn<WidgetMaker>("make");
        QTest::addColumn<ShownText>("shown");
        QTest::addColumn<bool>("inTitle");
        QTest::newRow("edit") << Make<QLineEdit>() << Shown(&QLineEdit::text) << false;
        QTest::newRow("button") << Make<QPushButton>() << Shown(&QPushButton::text) << false;
        QTest::newRow("label") << Make<QLabel>() << Shown(&QLabel::text) << false;
        QTest::newRow("group box") << Make<QGroupBox>() << Shown(&QGroupBox::title) << false;
        QTest::newRow("memo") << Make<QPlainTextEdit>() << Shown(&QPlainTextEdit::toPlainText)
                              << false;
        QTest::newRow("editable drop-down")
            << WidgetMaker(EditableDropDown) << ShownText(DropDownEditText) << false;
        QTest::newRow("spin box") << WidgetMaker(SpinBox) << Shown(&QAbstractSpinBox::text)
                                  << false;
        QTest::newRow("drop-down list")
            << WidgetMaker(DropDownList) << Shown(&QWidget::windowTitle) << true;
        QTest::newRow("window") << Make<QWidget>() << Shown(&QWidget::windowTitle) << true;
    }
    void WindowTextIsWhatTheWidgetShows() {
        QFETCH(WidgetMaker, make);
        QFETCH(ShownText, shown);
        QFETCH(bool, inTitle);
        const std::unique_ptr<QWidget> widget(make());
        const QString before = shown(widget.get());
        QCOMPARE(WideGetWindowText(widget.get()), before);
        const QString text = QStringLiteral("二代证 \U00020000");
        WideSetWindowText(widget.get(), text);
        QCOMPARE(shown(widget.get()), text);
        QCOMPARE(WideGetWindowText(widget.get()), text);
        if (!inTitle) QCOMPARE(widget->windowTitle(), QString());
    }

    void SettingTheSameTextOrHintChangesNothing() {
        QLineEdit edit;
        QSignalSpy changed(&edit, &QLineEdit::textChanged);
        WideSetWindowText(&edit, QStringLiteral("张三"));
        WideSetWindowText(&edit, QStringLiteral("张三"));
        QCOMPARE(changed.count(), 1);
        WideSetHint(&edit, QStringLiteral("姓名"));
        edit.setToolTip(QString());
        WideSetHint(&edit, QStringLiteral("姓名"));
        QCOMPARE(edit.toolTip(), QStringLiteral("姓名"));
    }

    void NullWidgetHasNoTexts() {
        WideSetWindowText(nullptr, QStringLiteral("x"));
        WideSetHint(nullptr, QStringLiteral("x"));
        QCOMPARE(WideGetWindowText(nullptr), QString());
        QCOMPARE(WideGetHint(nullptr), QString());
        QCOMPARE(WideGetHintFromParents(nullptr), QString());
    }

    void HintComesFromTheNearestParentThatHasOne() {
        QWidget window;
        auto* group = new QGroupBox(&window);
        auto* edit = new QLineEdit(group);
        auto* other = new QLineEdit(&window);
        QCOMPARE(WideGetHintFromParents(edit), QString());
        WideSetHint(&window, QStringLiteral("窗口|长提示"));
        QCOMPARE(WideGetHintFromParents(edit), QStringLiteral("窗口|长提示"));
        WideSetHint(group, QStringLiteral("分组 \U00020000"));
        QCOMPARE(WideGetHintFromParents(edit), QStringLiteral("分组 \U00020000"));
        WideSetHint(edit, QStringLiteral("姓名"));
        QCOMPARE(WideGetHintFromParents(edit), QStringLiteral("姓名"));
        QCOMPARE(WideGetHintFromParents(other), QStringLiteral("窗口|长提示"));
    }

    void ShortCutText_data() {
        QTest::addColumn<QKeyCombination>("shortcut");
        QTest::addColumn<QString>("text");
        QTest::newRow("Ctrl+Shift+A") << (Qt::CTRL | Qt::SHIFT | Qt::Key_A) << "Shift+Ctrl+A";
        QTest::newRow("all three")
            << (Qt::ALT | Qt::CTRL | Qt::SHIFT | Qt::Key_Delete) << "Shift+Ctrl+Alt+Del";
        QTest::newRow("Alt+F4") << (Qt::ALT | Qt::Key_F4) << "Alt+F4";
        QTest::newRow("F24") << QKeyCombination(Qt::Key_F24) << "F24";
        QTest::newRow("digit") << (Qt::CTRL | Qt::Key_7) << "Ctrl+7";
        QTest::newRow("numeric pad digit")
            << QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_5) << "Ctrl+5";
        QTest::newRow("page down") << (Qt::SHIFT | Qt::Key_PageDown) << "Shift+PgDown";
        QTest::newRow("no key") << QKeyCombination(Qt::CTRL, Qt::Key(0)) << "";
        QTest::newRow("unknown key") << (Qt::SHIFT | Qt::Key_unknown) << "";
    }
    void ShortCutText() {
        QFETCH(QKeyCombination, shortcut);
        QFETCH(QString, text);
        QCOMPARE(WideShortCutToText(shortcut), text);
    }

    void HintSizes() {
        QFont font = QApplication::font();
        font.setPixelSize(12);
        const QFontMetrics metrics(font);
        const QString shortHint = QStringLiteral("姓名 R&D");
        const QSize extent = WideCanvasTextExtent(metrics, shortHint);
        QCOMPARE(extent, QSize(metrics.horizontalAdvance(shortHint), metrics.height()));
        QVERIFY(extent.width() > WideCanvasTextWidth(metrics, QStringLiteral("姓名")));
        QCOMPARE(WideCanvasTextHeight(metrics, QString()), metrics.height());
        QCOMPARE(WideHintCaptionSize(metrics, shortHint), extent + QSize(6, 6));

        // One line fits: its width plus 6, a line's height plus 2; "&" is a character.
        const QRect oneLine = WideHintRect(metrics, 400, shortHint);
        QCOMPARE(oneLine.topLeft(), QPoint(0, 0));
        QCOMPARE(oneLine.width(), extent.width() + 6);
        QVERIFY(oneLine.height() >= metrics.height() + 2);
        QVERIFY(oneLine.height() < 2 * metrics.height() + 2);

        // A long hint wraps at words within the maximum width.
        const QString longHint = QStringLiteral("住址 北京市 海淀区 中关村 大街 一号 院 二号 楼");
        const QRect wrapped = WideHintRect(metrics, 80, longHint);
        QVERIFY(wrapped.width() <= 80 + 6);
        QVERIFY(wrapped.height() >= 2 * metrics.height() + 2);
    }

    // Columns: check-defaults flag, the action's text, its hint and how it was given
    // one, the button's text and hint (its object name is btnRead); what the button
    // shows after the action's change.
    void ActionChange_data() {
        QTest::addColumn<bool>("checkDefaults");
        QTest::addColumn<QString>("actionText");
        QTest::addColumn<HintBy>("hintBy");
        QTest::addColumn<QString>("actionHint");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<QString>("hintAfter");
        const QString caption = QStringLiteral("读卡(&R)");
        const QString tip = QStringLiteral("读二代证 \U00020000");
        const QString print = QStringLiteral("Print");
        QTest::newRow("always") << false << caption << HintBy::ToolTip << tip << "旧"
                                << "旧提示" << caption << tip;
        QTest::newRow("defaults: empty") << true << caption << HintBy::ToolTip << tip << ""
                                         << "" << caption << tip;
        QTest::newRow("defaults: object name")
            << true << caption << HintBy::ToolTip << tip << "btnRead"
            << "" << caption << tip;
        QTest::newRow("defaults: own texts") << true << caption << HintBy::ToolTip << tip << "旧"
                                             << "旧提示"
                                             << "旧"
                                             << "旧提示";
        QTest::newRow("defaults: own text, no hint")
            << true << caption << HintBy::ToolTip << tip << "旧"
            << ""
            << "旧" << tip;
        // An action without a tool tip has no hint, though QAction::toolTip() shows its text.
        QTest::newRow("always, an action without a tip") << false << caption << HintBy::None << ""
                                                         << "旧"
                                                         << "旧提示" << caption << "";
        QTest::newRow("defaults, an action without a tip") << true << caption << HintBy::None << ""
                                                           << ""
                                                           << "" << caption << "";
        // A plain tool tip that only restates the text is no hint; one set through the
        // layer is taken as given, the same as the text or not.
        QTest::newRow("plain tool tip as its text")
            << false << print << HintBy::ToolTip << print << "旧"
            << "旧提示" << print << "";
        QTest::newRow("hint as its text") << false << print << HintBy::Layer << print << "旧"
                                          << "旧提示" << print << print;
        QTest::newRow("defaults: hint as its text") << true << print << HintBy::Layer << print << ""
                                                    << "" << print << print;
        QTest::newRow("hint as its text without the mnemonic")
            << false << caption << HintBy::Layer << QStringLiteral("读卡(R)") << "旧"
            << "旧提示" << caption << QStringLiteral("读卡(R)");
        QTest::newRow("hint of its own") << false << caption << HintBy::Layer << tip << "旧"
                                         << "旧提示" << caption << tip;
    }
    void ActionChange() {
        QFETCH(bool, checkDefaults);
        QFETCH(QString, actionText);
        QFETCH(HintBy, hintBy);
        QFETCH(QString, actionHint);
        QFETCH(QString, text);
        QFETCH(QString, hint);
        QFETCH(QString, textAfter);
        QFETCH(QString, hintAfter);
        QAction action(actionText);
        if (hintBy == HintBy::ToolTip) action.setToolTip(actionHint);
        if (hintBy == HintBy::Layer) {
            SetWideActionHint(action, actionHint);
            QCOMPARE(action.toolTip(), actionHint);
        }
        QPushButton button(text);
        button.setObjectName(QStringLiteral("btnRead"));
        button.setToolTip(hint);
        ControlActionChange(&button, action, checkDefaults);
        QCOMPARE(button.text(), textAfter);
        QCOMPARE(button.toolTip(), hintAfter);
    }
};

QTEST_MAIN(WideWidgetsTest)
#include "wide_widgets_test.moc"
