// The wide edit holds exactly the UTF-16 text it is given or typed, and
// signals only real changes.

#include "QivUnicodeControls/tqiv_edit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "QivUnicodeControls/convert_utf7.h"
#include "QivUnicodeControls/recording_filer.h"

namespace {

// A name with a CJK Extension B character (a surrogate pair) and a lone surrogate.
QString NameWithPairAndLoneSurrogate() {
    const char16_t units[] = {u'张', 0xD840, 0xDC00, 0xDC01, u'三'};
    return QString(reinterpret_cast<const QChar*>(units), std::size(units));
}

}  // namespace

class TQivEditTest : public QObject {
    Q_OBJECT
  private slots:
    void TextRoundTripsExactly_data() {
        QTest::addColumn<bool>("shownFirst");
        QTest::newRow("set before show") << false;
        QTest::newRow("set after show") << true;
    }
    void TextRoundTripsExactly() {
        QFETCH(bool, shownFirst);
        const QString name = NameWithPairAndLoneSurrogate();
        TQivEdit edit;
        if (shownFirst) edit.show();
        edit.SetText(name);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QCOMPARE(edit.Text(), name);
        QCOMPARE(edit.Text().size(), 5);
        QCOMPARE(edit.text(), name);
    }

    void SameTextSignalsNothing() {
        TQivEdit edit;
        QSignalSpy changed(&edit, &QLineEdit::textChanged);
        edit.SetText(NameWithPairAndLoneSurrogate());
        edit.SetText(NameWithPairAndLoneSurrogate());
        QCOMPARE(changed.count(), 1);
        edit.SetText(QStringLiteral("李四"));
        edit.SetText(QStringLiteral("李四"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(edit.Text(), QStringLiteral("李四"));
    }

    void HintIsTheToolTip() {
        TQivEdit edit;
        edit.SetHint(QStringLiteral("姓名 \U00020000"));
        QCOMPARE(edit.toolTip(), QStringLiteral("姓名 \U00020000"));
        edit.setToolTip(QStringLiteral("住址"));
        QCOMPARE(edit.Hint(), QStringLiteral("住址"));
    }

    // Text and Hint go into a form as UTF-7 only when 8-bit text cannot carry
    // them, and come back from it while the form is designed.
    void TextAndHintStreamAsUtf7() {
        TQivEdit edit;
        edit.SetText(NameWithPairAndLoneSurrogate());
        edit.SetHint(QStringLiteral("Name"));
        qiv_test::RecordingFiler writer;
        qiv::DefineWideProperties(writer, edit);
        QVERIFY(writer.Find("Text_UTF7").hasData);
        QVERIFY(!writer.Find("Hint_UTF7").hasData);
        const std::string written = writer.Find("Text_UTF7").writer();
        QCOMPARE(QString::fromStdU16String(qiv::Utf7ToWide(written)), edit.Text());

        TQivEdit read;
        qiv_test::RecordingFiler reader;
        qiv::DefineWideProperties(reader, read);
        reader.Find("Text_UTF7").reader(written);
        reader.Find("HintW").reader("\xE5\xA7\x93\xE5\x90\x8D");
        QCOMPARE(read.Text(), edit.Text());
        QCOMPARE(read.Hint(), QStringLiteral("姓名"));
    }

    void TypedTextArrivesOnceUnchanged_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byInputMethod");
        QTest::newRow("key: CJK") << QStringLiteral("中") << false;
        QTest::newRow("key: Extension B") << QStringLiteral("\U00020000") << false;
        QTest::newRow("key: Hangul") << QStringLiteral("한") << false;
        QTest::newRow("commit: CJK and Extension B") << QStringLiteral("汉\U0002A6D6字") << true;
        QTest::newRow("commit: one character") << QStringLiteral("\u0100") << true;
    }
    void TypedTextArrivesOnceUnchanged() {
        QFETCH(QString, typed);
        QFETCH(bool, byInputMethod);
        TQivEdit edit;
        edit.SetText(QStringLiteral("甲"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QSignalSpy edited(&edit, &QLineEdit::textEdited);
        if (byInputMethod) {
            QInputMethodEvent event;
            event.setCommitString(typed);
            QCoreApplication::sendEvent(&edit, &event);
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, typed);
            QCoreApplication::sendEvent(&edit, &press);
            QCoreApplication::sendEvent(&edit, &release);
        }
        QCOMPARE(edited.count(), 1);
        QCOMPARE(edit.Text(), QStringLiteral("甲") + typed);
        QCOMPARE(edited.at(0).at(0).toString(), edit.Text());
    }
};

QTEST_MAIN(TQivEditTest)
#include "tqiv_edit_test.moc"
