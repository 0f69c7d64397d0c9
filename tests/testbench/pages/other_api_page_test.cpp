// The identity card's identifier and DN test of the other-API page, against the simulated
// identity card's type-B side.

#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"

using sim::FieldCard;

class OtherApiPageTest : public QObject {
    Q_OBJECT
  private slots:
    void IdentifierAndDn() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        bench.Click("btnGetUid");
        const QStringList log = bench.Log("mmOtherApiLog");
        QCOMPARE(log.mid(0, 2), (QStringList{"调用KorviCardBeep成功!", "设置读卡器TYPE B成功"}));
        QVERIFY(log[2].startsWith("Type B寻卡信息： "));
        QVERIFY(log[3].startsWith("Type B选卡信息： "));
        // The card answers each GET CHALLENGE with fresh bytes.
        const QString second = log.value(9);
        QVERIFY2(QRegularExpression(QStringLiteral("^随机数：[0-9A-F]{16}9000$"))
                     .match(second)
                     .hasMatch(),
                 qPrintable(log.join('\n')));
        QVERIFY(second != log.value(7));
        QCOMPARE(log.mid(4), (QStringList{
                                 "调用KorviCardSendCpuCommand成功!长度10",
                                 "二代证ID：5A1B2C3D4E5F60719000",
                                 "调用KorviCardSendCpuCommand成功!长度10",
                                 "随机数：8C31F0275D9A44E39000",
                                 "调用KorviCardSendCpuCommand成功!长度10",
                                 second,
                                 "调用KorviCardSendCpuCommand成功!长度2",
                                 "选取文件6002：9000",
                                 "调用KorviCardSendCpuCommand成功!长度34",
                                 "DN码：4B564341524"
                                 "42D444E2D303030310000000000000000000000000000000000009000",
                             }));
        QCOMPARE(bench.Find<QLabel>("lblOtherApiCount")->text(),
                 QStringLiteral("计数：成功1失败：0"));
        QVERIFY(!bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnGetUid")->isEnabled());
    }

    void Statistics() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        for (int run = 0; run < 3; ++run) bench.Click("btnGetUid");
        // A card whose SELECT of 6002 is refused.
        sim.PresentTypeBScript(
            "0036000008 => 01 02 03 04 05 06 07 08 9000\n"
            "0084000008 => 11 12 13 14 15 16 17 18 9000\n"
            "00A40000026002 => 6A82\n");
        bench.Click("btnGetUid");
        const QString error = QStringLiteral("选取文件6002：6A82格式错误");
        QCOMPARE(bench.Log("mmOtherApiLog").last(), error);
        QCOMPARE(bench.Find<QLabel>("lblError")->text(), error);
        QCOMPARE(bench.Find<QLabel>("lblOtherApiCount")->text(),
                 QStringLiteral("计数：成功3失败：1"));
        QVERIFY(!bench.window().context().HasReader());

        sim.Present(FieldCard::kNone);
        bench.Click("btnGetUid");  // no card: a wake-up failure is not counted
        QCOMPARE(bench.Find<QLabel>("lblOtherApiCount")->text(),
                 QStringLiteral("计数：成功3失败：1"));
        QVERIFY(bench.Log("mmOtherApiLog").last().startsWith("调用KorviCardRequestB失败! "));
    }

    void ClearResetsStatistics() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        bench.Click("btnGetUid");
        bench.Click("btnClearOtherApiLog");
        QVERIFY(bench.Log("mmOtherApiLog").isEmpty());
        // The label shows the new values at the next count.
        QCOMPARE(bench.Find<QLabel>("lblOtherApiCount")->text(),
                 QStringLiteral("计数：成功1失败：0"));
        bench.Click("btnGetUid");
        QCOMPARE(bench.Find<QLabel>("lblOtherApiCount")->text(),
                 QStringLiteral("计数：成功1失败：0"));
    }

    void McuSerialNumber() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        bench.Click("btnGetMcuSerialNo");
        const QStringList log = bench.Log("mmOtherApiLog");
        QCOMPARE(log.size(), 4);
        QCOMPARE(log.mid(0, 2),
                 (QStringList{"GetMcuSerialNo开始!", "调用KorviCardGetMcuSerailNo开始!"}));
        QVERIFY2(log[2].startsWith("调用KorviCardGetMcuSerailNo成功!序列号号:"),
                 qPrintable(log[2]));
        QVERIFY(log[2].size() > 30);
        QCOMPARE(log[3], QStringLiteral("GetMcuSerialNo结束!"));
        QVERIFY(bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnGetMcuSerialNo")->isEnabled());
    }
};

QTEST_MAIN(OtherApiPageTest)
#include "other_api_page_test.moc"
