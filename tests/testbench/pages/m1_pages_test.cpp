// The two Mifare Classic pages end to end: key initialisation over every sector and the
// block read and write of one sector, clicked in the window against the simulated reader
// over loopback TCP.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <memory>

#include "sim/cards/mifare_classic_card.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/log_memo.h"
#include "testbench/pages/card_test_support.h"

using Card = sim::MifareClassicCard;

namespace {

constexpr std::array<std::uint8_t, 4> kUid = {0x4B, 0x6D, 0x8F, 0xA2};
const QString kCardHex = QStringLiteral("卡号(16进制)：A28F6D4B");
const QString kCardDecimal = QStringLiteral("卡号(10进制)：2727308619");
constexpr Card::Key kNewA = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
constexpr Card::Key kNewB = {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6};
constexpr Card::Key kOtherA = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
constexpr Card::Key kOtherB = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
// The trailer's access bytes after a key change: data open to both keys, trailer by key B.
constexpr std::array<std::uint8_t, 4> kChangedAccess = {0x7F, 0x07, 0x88, 0x00};

Card::Block Trailer(const Card::Key& a, std::array<std::uint8_t, 4> access, const Card::Key& b) {
    Card::Block block{};
    std::copy(a.begin(), a.end(), block.begin());
    std::copy(access.begin(), access.end(), block.begin() + 6);
    std::copy(b.begin(), b.end(), block.begin() + 10);
    return block;
}

Card::Block Pattern(std::uint8_t first) {
    Card::Block block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(first + i);
    return block;
}

QString Hex(const Card::Block& block) {
    return QByteArray(reinterpret_cast<const char*>(block.data()), block.size()).toHex().toUpper();
}

// The simulated reader with a card of our own in its field and the window opened on it.
struct CardBench {
    explicit CardBench(Card::Size size)
        : card(std::make_shared<Card>(size, kUid)), sim(sim::FieldCard::kNone), bench(sim) {
        sim.PresentTypeA(card);
    }
    // The card as it stands, read under the reader's lock.
    Card::Block Block(int block) {
        return sim.WithReader([&](sim::SimulatedReader&) { return card->RawBlock(block); });
    }
    void SetText(const char* edit, const QString& text) {
        bench.Find<QLineEdit>(edit)->setText(text);
    }

    std::shared_ptr<Card> card;
    BenchSim sim;
    BenchWindow bench;
};

}  // namespace

class M1PagesTest : public QObject {
    Q_OBJECT
  private slots:
    // All 40 sectors of a 4K card; sector 21 (card sector 20) has other keys: it fails alone,
    // the card is selected again and the sectors after it change.
    void KeyInitialisationOfEverySector() {
        CardBench t(Card::Size::k4K);
        t.card->SetTrailer(20, kOtherA, Card::kTransportAccess, kOtherB);
        t.SetText("edtASector1", "A1A2A3A4A5A6");
        t.SetText("edtBSector1", "b1b2b3b4b5b6");
        t.bench.Click("btnCopyAPass");
        t.bench.Click("btnCopyBPass");
        QCOMPARE(t.bench.Find<QLineEdit>("edtBSector40")->text(), QString("b1b2b3b4b5b6"));
        t.bench.Click("btnChangeCardPassWord");

        QStringList expected = {"设置读卡器TYPE A成功", kCardHex, kCardDecimal, "发现S70卡"};
        for (int n = 1; n <= 40; ++n) {
            expected << QStringLiteral("开始初始化扇区%1").arg(n);
            expected << (n == 21 ? QStringLiteral("调用KorviCardAuthentication失败! 三次验证错误")
                                 : QStringLiteral("扇区%1密码修改成功！").arg(n));
        }
        QCOMPARE(KeyLog(t), expected);
        QCOMPARE(t.bench.Find<QLabel>("lblMessage")->text(), QString("卡片已经中止，请换卡！"));
        QCOMPARE(t.bench.Find<QProgressBar>("pgbChangePassWord")->value(), 100);
        QVERIFY(t.bench.Find<QPushButton>("btnChangeCardPassWord")->isEnabled());
        QVERIFY(t.bench.window().context().HasReader());
        for (int sector = 0; sector < 40; ++sector) {
            const Card::Block expectedTrailer =
                sector == 20 ? Trailer(kOtherA, Card::kTransportAccess, kOtherB)
                             : Trailer(kNewA, kChangedAccess, kNewB);
            QCOMPARE(t.Block(Card::TrailerBlock(sector)), expectedTrailer);
        }
        QCOMPARE(t.card->state(), sim::TypeACard::State::kHalted);
        ShowPage(t.bench, "TabSheet2");
        SaveScreenshot(t.bench.window(), "m1_key_init_page");
    }

    // A card initialised before takes its trailer only with key B: every sector goes the
    // second way (select again, both keys, write). The reader was left on type B.
    void KeyInitialisationAgainWithKeyB() {
        CardBench t(Card::Size::k1K);
        for (int sector = 0; sector < 16; ++sector) {
            t.card->SetTrailer(sector, kNewA, kChangedAccess, kNewB);
        }
        LeaveReaderOnTypeB(t.bench);
        t.SetText("edtOldPassWrodA", "A1A2A3A4A5A6");
        t.SetText("edtOldPassWrodB", "B1B2B3B4B5B6");
        t.bench.Click("btnChangeCardPassWord");
        const QStringList log = KeyLog(t);
        EXPECT_LINES(log, "设置读卡器TYPE A成功", "发现S50卡", "扇区1密码修改成功！",
                     "扇区16密码修改成功！");
        QCOMPARE(log.filter("密码修改成功！").size(), 16);
        QCOMPARE(t.bench.Find<QProgressBar>("pgbChangePassWord")->value(), 100);
        for (int sector = 0; sector < 16; ++sector) {
            QCOMPARE(t.Block(Card::TrailerBlock(sector)),
                     Trailer(Card::kTransportKey, kChangedAccess, Card::kTransportKey));
        }
    }

    // Sector 3 takes no trailer write with either key, sector 5 has another key B: each fails
    // on its own line after the second attempt, and the sectors after each still change.
    void KeyInitialisationSecondAttemptFailures() {
        CardBench t(Card::Size::k1K);
        t.card->SetTrailer(2, Card::kTransportKey, Card::EncodeAccess({0, 0, 0, 6}),
                           Card::kTransportKey);
        t.card->SetTrailer(4, Card::kTransportKey, kChangedAccess, kOtherB);
        t.bench.Click("btnChangeCardPassWord");
        QStringList expected = {"设置读卡器TYPE A成功", "卡号(16进制)：A28F6D4B",
                                "卡号(10进制)：2727308619", "发现S50卡"};
        for (int n = 1; n <= 16; ++n) {
            expected << QStringLiteral("开始初始化扇区%1").arg(n);
            expected << (n == 3 ? QStringLiteral("调用KorviCardChangePassword失败! 写错误")
                         : n == 5 ? QStringLiteral("调用KorviCardAuthentication失败! 三次验证错误")
                                  : QStringLiteral("扇区%1密码修改成功！").arg(n));
        }
        QCOMPARE(KeyLog(t), expected);
        QCOMPARE(t.bench.Find<QLabel>("lblMessage")->text(), QString("卡片已经中止，请换卡！"));
        QCOMPARE(t.Block(Card::TrailerBlock(5)),
                 Trailer(Card::kTransportKey, kChangedAccess, Card::kTransportKey));
    }

    // Keys are checked before the reader is opened; a run with a bad one touches no card.
    void KeyInitialisationRefusesBadKeys_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("message");
        QTest::newRow("short new key A") << "edtASector5"
                                         << "FFFFFFFFFFF"
                                         << "扇区5密码A！长度错误"
                                         << ""
                                         << "";
        QTest::newRow("new key B not hex") << "edtBSector40"
                                           << "FFFFFFFFFFFG"
                                           << "扇区40密码B！包含非法字符"
                                           << ""
                                           << "";
        QTest::newRow("blank in a new key") << "edtASector17"
                                            << "FFFFFF FFFFF"
                                            << "扇区17密码A！包含非法字符"
                                            << ""
                                            << "";
        QTest::newRow("short old key A") << "edtOldPassWrodA"
                                         << "FFFF"
                                         << ""
                                         << "原密码A长度错误"
                                         << "";
        QTest::newRow("short old key B") << "edtOldPassWrodB"
                                         << ""
                                         << ""
                                         << "原密码B长度错误"
                                         << "";
        QTest::newRow("old key not hex") << "edtOldPassWrodB"
                                         << "FFFFFFFFFFFZ"
                                         << ""
                                         << ""
                                         << "密码“FFFFFFFFFFFZ”不是12位十六进制数";
    }
    void KeyInitialisationRefusesBadKeys() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, line);
        QFETCH(QString, label);
        QFETCH(QString, message);
        CardBench t(Card::Size::k1K);
        t.SetText(edit.toLatin1().constData(), text);
        t.bench.Click("btnChangeCardPassWord");
        QCOMPARE(KeyLog(t), line.isEmpty() ? QStringList() : QStringList{line});
        QCOMPARE(t.bench.Find<QLabel>("lblMessage")->text(), label);
        QCOMPARE(t.bench.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(t.sim.Connections(), 0);
        QCOMPARE(t.Block(3),
                 Trailer(Card::kTransportKey, Card::kTransportAccess, Card::kTransportKey));
    }

    void KeyInitialisationWithoutMifareCard() {
        BenchSim sim(sim::FieldCard::kNtag213);
        BenchWindow bench(sim);
        bench.Click("btnChangeCardPassWord");
        QCOMPARE(bench.Find<QLabel>("lblMessage")->text(), QString("非S50/S70卡!"));
        QVERIFY(
            bench.Find<bench::LogMemo>("mmChangePassWordLog")->Lines().filter("开始").isEmpty());

        sim.Present(sim::FieldCard::kNone);
        bench.Click("btnChangeCardPassWord");
        QCOMPARE(bench.Find<QLabel>("lblMessage")->text(), QString("调用KorviCardRequest失败!"));
        QCOMPARE(bench.Find<bench::LogMemo>("mmChangePassWordLog")->Lines().last(),
                 QString("调用KorviCardRequest失败! 寻卡错误"));
        QVERIFY(bench.window().context().HasReader());
    }

    // Sector 0 of a 1K card: blocks 1 and 2 written, the manufacturer block and the trailer
    // not; reading shows all four, the trailer read-only, and leaves the rest alone.
    void BlocksOfSectorZero() {
        CardBench t(Card::Size::k1K);
        for (int i = 0; i < 16; ++i) {
            t.SetText(qPrintable(QStringLiteral("edtBlockData%1").arg(i)),
                      Hex(Pattern(static_cast<std::uint8_t>(16 * i))));
        }
        t.bench.Click("btnWriteData");
        const QStringList written = t.bench.Log("mmM1RWLog");
        QCOMPARE(written, (QStringList{"调用KorviCardBeep成功!", "设置读卡器TYPE A成功", kCardHex,
                                       kCardDecimal, "装载密码A成功！", "验证密码A成功！",
                                       "调用KorviCardWrite成功!块索引:1",
                                       "调用KorviCardWrite成功!块索引:2"}));
        QCOMPARE(t.Block(1), Pattern(16));
        QCOMPARE(t.Block(2), Pattern(32));
        QCOMPARE(t.Block(0)[0], kUid[0]);
        QVERIFY(!t.bench.window().context().HasReader());

        t.bench.ClearLog("mmM1RWLog");
        t.bench.Click("btnReadData");
        const QStringList read = t.bench.Log("mmM1RWLog");
        EXPECT_LINES(read, "调用KorviCardBeep成功!", kCardHex, "发现S50卡", "装载密码A成功！",
                     "验证密码A成功！", "读取块1数据：" + Hex(Pattern(16)),
                     "读取块2数据：" + Hex(Pattern(32)),
                     "读取块3数据：000000000000FF078069FFFFFFFFFFFF");
        QVERIFY(read.filter("读取块").size() == 4);
        QCOMPARE(t.bench.Find<QLineEdit>("edtBlockData3")->text(),
                 QString("000000000000FF078069FFFFFFFFFFFF"));
        QVERIFY(t.bench.Find<QLineEdit>("edtBlockData2")->isEnabled());
        QVERIFY(!t.bench.Find<QLineEdit>("edtBlockData3")->isEnabled());
        QVERIFY(!t.bench.Find<QLineEdit>("edtBlockData4")->isEnabled());
        QCOMPARE(t.bench.Find<QLineEdit>("edtBlockData4")->text(), Hex(Pattern(64)));
        QCOMPARE(t.bench.Find<QProgressBar>("ProgressBar1")->value(), 100);
        QVERIFY(!t.bench.window().context().HasReader());
        ShowPage(t.bench, "TabSheet6");
        SaveScreenshot(t.bench.window(), "m1_read_write_page");
    }

    // Sector 32 of a 4K card has 16 blocks: 128-142 written, the trailer 143 read only.
    void BlocksOfALargeSector() {
        CardBench t(Card::Size::k4K);
        t.bench.Find<QComboBox>("cmbM1RWSectorList")->setCurrentIndex(32);
        t.bench.Click("btnWriteData");
        const QStringList written = t.bench.Log("mmM1RWLog");
        QCOMPARE(written.filter("调用KorviCardWrite成功!块索引:").size(), 15);
        EXPECT_LINES(written, "调用KorviCardWrite成功!块索引:0",
                     "调用KorviCardWrite成功!块索引:14");
        for (int block = 128; block < 143; ++block) {
            QCOMPARE(Hex(t.Block(block)), QString("000102030405060708090A0B0C0D0E0F"));
        }
        t.bench.ClearLog("mmM1RWLog");
        t.bench.Click("btnReadData");
        const QStringList read = t.bench.Log("mmM1RWLog");
        EXPECT_LINES(read, "发现S70卡", "读取块15数据：000000000000FF078069FFFFFFFFFFFF");
        QCOMPARE(read.filter("读取块").size(), 16);
        QVERIFY(t.bench.Find<QLineEdit>("edtBlockData14")->isEnabled());
        QVERIFY(!t.bench.Find<QLineEdit>("edtBlockData15")->isEnabled());
    }

    // Key B too, sent with each authentication instead of loaded first; the reader was left
    // on type B.
    void BlocksWithKeyBAndKeysInTheCommand() {
        CardBench t(Card::Size::k1K);
        t.card->SetTrailer(1, kNewA, kChangedAccess, kNewB);
        t.card->SetRawBlock(5, Pattern(0x50));
        LeaveReaderOnTypeB(t.bench);
        t.bench.Find<QComboBox>("cmbM1RWSectorList")->setCurrentIndex(1);
        t.bench.Find<QCheckBox>("chkAuthB")->setChecked(true);
        t.bench.Find<QCheckBox>("chkBuiltInPassword")->setChecked(false);
        t.SetText("edtM1RWPasswordA", "a1a2a3a4a5a6");
        t.SetText("edtM1RWPasswordB", "B1B2B3B4B5B6");
        t.bench.Click("btnReadData");
        const QStringList log = t.bench.Log("mmM1RWLog");
        EXPECT_LINES(log, "设置读卡器TYPE A成功", "验证密码A成功！", "验证密码B成功！",
                     "读取块1数据：" + Hex(Pattern(0x50)));
        QVERIFY(log.filter("装载").isEmpty());
    }

    void BlockPageFailures_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("sector");
        QTest::addColumn<QString>("keyA");
        QTest::addColumn<int>("dataCondition");
        QTest::addColumn<QString>("line");
        QTest::newRow("wrong key A") << "btnReadData" << 1 << "A1A2A3A4A5A6" << 0
                                     << "调用KorviCardAuthentication失败! 三次验证错误";
        QTest::newRow("sector beyond a 1K card") << "btnReadData" << 16 << "FFFFFFFFFFFF" << 0
                                                 << "调用KorviCardAuthentication失败! 三次验证错误";
        QTest::newRow("block 1 not readable")
            << "btnReadData" << 1 << "FFFFFFFFFFFF" << 7 << "调用KorviCardRead失败! 读错误";
        QTest::newRow("block 1 read-only")
            << "btnWriteData" << 1 << "FFFFFFFFFFFF" << 2 << "调用KorviCardWrite失败! 写错误";
    }
    void BlockPageFailures() {
        QFETCH(QString, button);
        QFETCH(int, sector);
        QFETCH(QString, keyA);
        QFETCH(int, dataCondition);
        QFETCH(QString, line);
        CardBench t(Card::Size::k1K);
        t.card->SetTrailer(1, Card::kTransportKey,
                           Card::EncodeAccess({0, static_cast<std::uint8_t>(dataCondition), 0, 1}),
                           Card::kTransportKey);
        t.bench.Find<QComboBox>("cmbM1RWSectorList")->setCurrentIndex(sector);
        t.SetText("edtM1RWPasswordA", keyA);
        t.bench.Click(button.toLatin1().constData());
        QCOMPARE(t.bench.Log("mmM1RWLog").last(), line);
        QVERIFY(t.bench.window().context().HasReader());
        QVERIFY(t.bench.Find<QPushButton>(button.toLatin1().constData())->isEnabled());
    }

    void BlockPageWithoutMifareCard() {
        BenchSim sim(sim::FieldCard::kNtag213);
        BenchWindow bench(sim);
        bench.Click("btnReadData");
        QCOMPARE(bench.Log("mmM1RWLog").last(), QString("非S50/S70卡!"));
        sim.Present(sim::FieldCard::kNone);
        bench.Click("btnWriteData");
        QCOMPARE(bench.Log("mmM1RWLog").last(), QString("调用KorviCardGetCardNo失败! 寻卡错误"));
    }

    // Key and block texts are refused before the reader is opened.
    void BlockPageInputChecks_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("authB");
        QTest::addColumn<QString>("line");
        QTest::newRow("key A short") << "edtM1RWPasswordA"
                                     << "FFFFFFFFFFF" << false << "密码A长度错误,应为12字符!";
        QTest::newRow("key A with G") << "edtM1RWPasswordA"
                                      << "FFFFFFFFFFFG" << false << "密码A包含非法字符!";
        QTest::newRow("key B short") << "edtM1RWPasswordB"
                                     << "FF" << true << "密码B长度错误,应为12字符!";
        QTest::newRow("key B with blank") << "edtM1RWPasswordB"
                                          << "FFFFF FFFFFF" << true << "密码B包含非法字符!";
        QTest::newRow("block 31 digits")
            << "edtBlockData5"
            << "000102030405060708090A0B0C0D0E0" << false << "数据块5长度错误,应为32字符!";
        QTest::newRow("block not hex")
            << "edtBlockData15"
            << "000102030405060708090A0B0C0D0E0X" << false << "数据块15包含非法字符!";
    }
    void BlockPageInputChecks() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(bool, authB);
        QFETCH(QString, line);
        CardBench t(Card::Size::k1K);
        t.SetText(edit.toLatin1().constData(), text);
        t.bench.Find<QCheckBox>("chkAuthB")->setChecked(authB);
        t.bench.Click("btnWriteData");
        QCOMPARE(t.bench.Log("mmM1RWLog"), QStringList{line});
        QCOMPARE(t.sim.Connections(), 0);
        if (!edit.startsWith("edtBlockData")) {
            t.bench.Click("btnReadData");
            QCOMPARE(t.bench.Log("mmM1RWLog"), (QStringList{line, line}));
            QCOMPARE(t.sim.Connections(), 0);
        }
    }

    void KeyBIsCheckedOnlyWhenUsed() {
        CardBench t(Card::Size::k1K);
        t.SetText("edtM1RWPasswordB", "not a key");
        t.bench.Click("btnReadData");
        EXPECT_LINES(t.bench.Log("mmM1RWLog"), "读取块3数据：000000000000FF078069FFFFFFFFFFFF");
    }

  private:
    static QStringList KeyLog(CardBench& t) {
        return t.bench.Find<bench::LogMemo>("mmChangePassWordLog")->Lines();
    }
};

QTEST_MAIN(M1PagesTest)
#include "m1_pages_test.moc"
