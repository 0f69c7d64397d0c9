// The NTAG page end to end: pages read and written, the NTAG21x version and model, and the
// password protection switched on, used and switched off, against the simulated reader over
// loopback TCP.

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <memory>

#include "sim/cards/ntag_tag.h"
#include "testbench/pages/card_test_support.h"

using Tag = sim::NtagTag;

namespace {

// The default UID 04 11 22 33 44 55 66, first byte most significant.
const QStringList kOpening = {"调用KorviCardBeep成功!", "设置读卡器TYPE A成功", "卡型：0044",
                              "卡号(16进制)：04112233445566", "卡号(10进制)：1144738493519206"};

// The simulated reader with a tag of our own in its field and the window opened on it.
struct TagBench {
    explicit TagBench(Tag::Model model)
        : tag(std::make_shared<Tag>(model)), sim(sim::FieldCard::kNone), bench(sim) {
        sim.PresentTypeA(tag);
    }
    Tag::Page Page(int page) {
        return sim.WithReader([&](sim::SimulatedReader&) { return tag->RawPage(page); });
    }
    QString Edit(const char* name) { return bench.Find<QLineEdit>(name)->text(); }

    std::shared_ptr<Tag> tag;
    BenchSim sim;
    BenchWindow bench;
};

}  // namespace

class NtagPageTest : public QObject {
    Q_OBJECT
  private slots:
    void ReadAllPages() {
        TagBench t(Tag::Model::kNtag216);
        t.sim.WithReader([&](sim::SimulatedReader&) {
            t.tag->SetRawPage(130, {0x13, 0x00, 0x01, 0x30});
            t.tag->SetRawPage(226, {0x22, 0x6A, 0xBC, 0xDE});
            return 0;
        });
        t.bench.Click("btnReadNtag203");
        QCOMPARE(t.bench.Log("mmNtagLog"), kOpening);
        QCOMPARE(t.Edit("edtPage0"), QString("041122BF"));
        QCOMPARE(t.Edit("edtPage3"), QString("E1106D00"));
        QCOMPARE(t.Edit("edtPage44"), QString("00000000"));
        QCOMPARE(t.Edit("edtPage130"), QString("13000130"));
        QCOMPARE(t.Edit("edtPage226"), QString("226ABCDE"));
        QVERIFY(!t.bench.window().context().HasReader());
        ShowPage(t.bench, "TabSheet3");
        SaveScreenshot(t.bench.window(), "ntag_page");
    }

    // An NTAG213 has no page 128: its 45 pages are shown, the run ends with the reader open.
    void ReadStopsAtMissingPages() {
        TagBench t(Tag::Model::kNtag213);
        t.bench.Click("btnReadNtag203");
        QCOMPARE(t.bench.Log("mmNtagLog").last(),
                 QString("调用KorviCardRead读取128PAGE失败! 读错误"));
        QCOMPARE(t.Edit("edtPage3"), QString("E1101200"));
        QCOMPARE(t.Edit("edtPage41"), QString("040000FF"));
        QCOMPARE(t.Edit("edtPage130"), QString("12345678"));
        QVERIFY(t.bench.window().context().HasReader());
    }

    void WritePage_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("most significant first")
            << 10 << "01020304" << 14 << QByteArray::fromHex("01020304");
        QTest::newRow("short value") << 0 << " A5 " << 4 << QByteArray::fromHex("000000A5");
        QTest::newRow("last page") << 35 << "ffffffff" << 39 << QByteArray::fromHex("FFFFFFFF");
    }
    void WritePage() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(int, page);
        QFETCH(QByteArray, bytes);
        TagBench t(Tag::Model::kNtag213);
        t.bench.Find<QComboBox>("cmbPageIndex")->setCurrentIndex(index);
        t.bench.Find<QLineEdit>("edtPageData")->setText(text);
        t.bench.Click("btnWriteNtag203");
        QCOMPARE(
            t.bench.Log("mmNtagLog"),
            kOpening + QStringList{QStringLiteral("调用KorviCardWrite成功 写入PAGE%1!").arg(page)});
        const Tag::Page written = t.Page(page);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(written.data()), 4), bytes);
        QVERIFY(!t.bench.window().context().HasReader());
    }

    void WriteRefusesValueFirst_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("nine digits") << "123456789";
        QTest::newRow("not hex") << "12G4";
        QTest::newRow("empty") << "";
    }
    void WriteRefusesValueFirst() {
        QFETCH(QString, text);
        TagBench t(Tag::Model::kNtag213);
        t.bench.Find<QLineEdit>("edtPageData")->setText(text);
        t.bench.Click("btnWriteNtag203");
        QCOMPARE(t.bench.Log("mmNtagLog"), QStringList{"写入Page数据有误！非16进制数据！"});
        QCOMPARE(t.sim.Connections(), 0);
    }

    void Version_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("213") << int(Tag::Model::kNtag213) << "版本信息： 00 04 04 02 01 00 0F 03"
                             << "卡片型号：NTAG213";
        QTest::newRow("215") << int(Tag::Model::kNtag215) << "版本信息： 00 04 04 02 01 00 11 03"
                             << "卡片型号：NTAG215";
        QTest::newRow("216") << int(Tag::Model::kNtag216) << "版本信息： 00 04 04 02 01 00 13 03"
                             << "卡片型号：NTAG216";
    }
    void Version() {
        QFETCH(int, model);
        QFETCH(QString, version);
        QFETCH(QString, line);
        TagBench t(static_cast<Tag::Model>(model));
        LeaveReaderOnTypeB(t.bench);
        t.bench.Click("btnNtagGetVersion");
        QCOMPARE(t.bench.Log("mmNtagLog"), kOpening + (QStringList{version, line}));
        QVERIFY(!t.bench.window().context().HasReader());
    }

    // Protection on an NTAG215: password page 133, then AUTH0 := 4 in page 131; writes then
    // need the password; unlocking sets AUTH0 back to FF.
    void PasswordProtection() {
        TagBench t(Tag::Model::kNtag215);
        t.bench.Click("btnLockNtag21x");
        EXPECT_LINES(t.bench.Log("mmNtagLog"), "卡片型号：NTAG215",
                     "调用KorviCardWrite成功 写入PAGE133!", "调用KorviCardWrite成功 写入PAGE131!");
        QCOMPARE(t.Page(131), (Tag::Page{0x04, 0x00, 0x00, 0x04}));
        const Tag::Page password = t.Page(133);
        QVERIFY(std::all_of(password.begin(), password.end(),
                            [](std::uint8_t c) { return c >= '0' && c <= '9'; }));

        t.bench.ClearLog("mmNtagLog");
        t.bench.Click("btnWriteNtag203");
        QCOMPARE(t.bench.Log("mmNtagLog").last(),
                 QString("调用KorviCardWrite写入PAGE4失败! 三次验证错误"));
        QVERIFY(t.bench.window().context().HasReader());

        t.bench.ClearLog("mmNtagLog");
        t.bench.Click("btnNtagPwdAuth");
        QCOMPARE(t.bench.Log("mmNtagLog").last(), QString("调用KorviCardNtagPwdAuth成功!"));
        QVERIFY(!t.bench.window().context().HasReader());

        t.bench.ClearLog("mmNtagLog");
        t.bench.Click("btnUnlockNtag21x");
        EXPECT_LINES(t.bench.Log("mmNtagLog"), "调用KorviCardNtagPwdAuth成功!",
                     "调用KorviCardWrite成功 写入PAGE131!");
        QCOMPARE(t.Page(131), (Tag::Page{0x04, 0x00, 0x00, 0xFF}));
        t.bench.Click("btnWriteNtag203");
        QCOMPARE(t.bench.Log("mmNtagLog").last(), QString("调用KorviCardWrite成功 写入PAGE4!"));
    }

    // Another password on the tag: authentication and unlocking fail and write nothing.
    void WrongPassword() {
        TagBench t(Tag::Model::kNtag213);
        t.sim.WithReader([&](sim::SimulatedReader&) {
            t.tag->SetPassword({'0', '0', '0', '0'}, {0, 0});
            t.tag->SetProtection(4, false);
            return 0;
        });
        for (const char* button : {"btnNtagPwdAuth", "btnUnlockNtag21x"}) {
            t.bench.ClearLog("mmNtagLog");
            t.bench.Click(button);
            QCOMPARE(t.bench.Log("mmNtagLog").last(),
                     QString("调用KorviCardNtagPwdAuth失败! 三次验证错误"));
        }
        QCOMPARE(t.Page(41), (Tag::Page{0x04, 0x00, 0x00, 0x04}));
    }

    void TagFailures() {
        BenchSim sim(sim::FieldCard::kMifare1K);
        BenchWindow bench(sim);
        bench.Click("btnNtagGetVersion");
        QCOMPARE(bench.Log("mmNtagLog").last(),
                 QString("调用KorviCardNtagGetVersion失败! 发送14443指令错误"));
        bench.Click("btnLockNtag21x");
        QVERIFY(bench.Log("mmNtagLog").filter("写入PAGE").isEmpty());

        sim.Present(sim::FieldCard::kNone);
        bench.ClearLog("mmNtagLog");
        bench.Click("btnReadNtag203");
        QCOMPARE(bench.Log("mmNtagLog").last(), QString("调用KorviCardRequest失败! 寻卡错误"));
        QVERIFY(bench.window().context().HasReader());
    }
};

QTEST_MAIN(NtagPageTest)
#include "ntag_page_test.moc"
