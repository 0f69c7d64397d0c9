// The card polling thread: identity passes and card-number passes against the simulated
// reader, stopping while a pass runs, and closing the window while the thread runs.

#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "korvicard/KorviCardDriver.h"
#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"
#include "testbench/reader_selection_panel.h"

using sim::FieldCard;

namespace {

int PassCount(BenchWindow& bench) {
    const QString text = bench.Find<QLabel>("lblCount")->text();
    return text.startsWith(QStringLiteral("计数:")) ? text.mid(3).toInt() : 0;
}

}  // namespace

class PollingThreadTest : public QObject {
    Q_OBJECT
  private slots:
    void IdentityPasses() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        bench.Click("btnGetCardNoStartThread");
        QVERIFY(!bench.Find<QPushButton>("btnGetCardNoStartThread")->isEnabled());
        QVERIFY(bench.Find<QCheckBox>("chkCloseDevice")->isChecked());
        for (const char* name : {"btnGetCardNoEx", "btnEasyApiTest", "btnRestCpuCard",
                                 "btnTestUltraLight", "btnFelicaPolling", "btnNfcCard"}) {
            QVERIFY(!bench.Find<QPushButton>(name)->isEnabled());
        }
        QVERIFY(WaitUntil([&] { return PassCount(bench) >= 3; }));
        bench.Click("btnGetCardNoStopThread");
        QVERIFY(bench.Find<QPushButton>("btnGetCardNoStartThread")->isEnabled());
        const int passes = PassCount(bench);
        const QStringList log = bench.Log("mmLog");
        QCOMPARE(
            log.count(QStringLiteral("DN码：4B564341524"
                                     "42D444E2D303030310000000000000000000000000000000000009000")),
            passes);
        // Each pass closed the reader: one connection a pass.
        QVERIFY(sim.Connections() >= passes);
        QVERIFY(!bench.window().context().HasReader());
        // Nothing runs after the stop.
        QTest::qWait(100);
        QCOMPARE(PassCount(bench), passes);
    }

    void AnswerErrorKeepsReaderOpen() {
        BenchSim sim;
        sim.PresentTypeBScript("0036000008 => 6A82\n");
        BenchWindow bench(sim);
        bench.Click("btnGetCardNoStartThread");
        QVERIFY(WaitUntil([&] { return bench.Log("mmLog").size() >= 2; }));
        bench.Click("btnGetCardNoStopThread");
        QCOMPARE(bench.Log("mmLog").first(), QStringLiteral("二代证ID：6A82格式错误"));
        QCOMPARE(bench.Find<QLabel>("lblError")->text(), QStringLiteral("二代证ID：6A82格式错误"));
        // The reader stayed open through every pass, despite chkCloseDevice.
        QVERIFY(bench.window().context().HasReader());
        QCOMPARE(sim.Connections(), 1);
    }

    void CardNumberPasses_data() {
        QTest::addColumn<int>("card");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("mifare") << static_cast<int>(FieldCard::kMifare1K)
                                << QStringList{"卡号(16进制)：917E5C3A",
                                               "卡号(10进制)：2440977466"};
        QTest::newRow("bank card")
            << static_cast<int>(FieldCard::kBank) << QStringList{"调用KorviCardResetCpuCard成功!"};
    }
    void CardNumberPasses() {
        QFETCH(int, card);
        QFETCH(QStringList, lines);
        BenchSim sim(static_cast<FieldCard>(card));
        BenchWindow bench(sim);
        bench.Find<QCheckBox>("chkTestId")->setChecked(false);
        bench.Click("btnGetCardNoStartThread");
        // The first pass tests the network reader's connection before it opens it.
        QVERIFY(WaitUntil([&] { return bench.Log("mmLog").size() >= 3; }));
        bench.Click("btnGetCardNoStopThread");
        const QStringList log = bench.Log("mmLog");
        QCOMPARE(log.first(), QStringLiteral("等1秒"));
        QCOMPARE(log.mid(1, lines.size()), lines);
        if (card == static_cast<int>(FieldCard::kBank)) {
            QVERIFY(log[2].startsWith("ATS："));
            QVERIFY2(log[3].startsWith("银行卡号："), qPrintable(log.join('\n')));
        }
        // The connection test, then one reader connection: the card-number pass leaves the
        // reader open for the next one.
        QCOMPARE(sim.Connections(), 2);
        QVERIFY(bench.messages.isEmpty());
    }

    void ConnectionPreTestFails() {
        BenchSim sim;
        BenchWindow bench(sim);
        // A port nobody listens on: the pre-test refuses before any open.
        const std::uint16_t closedPort = sim.Port() == 1 ? 2 : 1;
        bench.window().selection().UseNetworkReader("127.0.0.1", QString::number(closedPort));
        bench.Click("btnGetCardNoEx");
        QCOMPARE(bench.messages, QStringList{"测试连接设备127.0.0.1失败"});
        QCOMPARE(sim.Connections(), 0);
        // The simulator's port passes it.
        bench.messages.clear();
        bench.window().selection().UseNetworkReader("127.0.0.1", QString::number(sim.Port()));
        bench.Click("btnGetCardNoEx");
        QCOMPARE(bench.Log("mmLog").mid(0, 3),
                 (QStringList{"等1秒", "设置读卡器TYPE A成功", "卡号(16进制)：917E5C3A"}));
    }

    void StopWhilePassRuns() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        bench.Click("btnGetCardNoStartThread");
        QVERIFY(WaitUntil([&] { return PassCount(bench) >= 1; }));
        // Slow replies: the stop lands inside a pass, which still finishes and hands its lines
        // over while the window waits.
        sim.WithReader([](sim::SimulatedReader& reader) {
            reader.QueueFault({.kind = sim::FaultKind::kDelay, .times = 40, .delayMs = 20});
            return 0;
        });
        QTest::qWait(50);
        bench.Click("btnGetCardNoStopThread");
        QVERIFY(bench.Find<QPushButton>("btnGetCardNoStartThread")->isEnabled());
        const int passes = PassCount(bench);
        QTest::qWait(100);
        QCOMPARE(PassCount(bench), passes);
        // A new start runs again.
        bench.Click("btnGetCardNoStartThread");
        QVERIFY(WaitUntil([&] { return PassCount(bench) >= 1; }));
        bench.Click("btnGetCardNoStopThread");
    }

    void CloseWindowWhileRunning() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        bench.Find<QCheckBox>("chkTestId")->setChecked(true);
        bench.Click("btnGetCardNoStartThread");
        QVERIFY(WaitUntil([&] { return PassCount(bench) >= 2; }));
        bench.Find<QCheckBox>("chkCloseDevice")->setChecked(false);
        sim.WithReader([](sim::SimulatedReader& reader) {
            reader.QueueFault({.kind = sim::FaultKind::kDelay, .times = 5, .delayMs = 30});
            return 0;
        });
        bench.Close();
        // Close() ends the thread after the pass under way, and nothing of the window is left
        // to count a later pass; the test waits instead for the simulator to answer a reader
        // of its own. The simulator serves one connection at a time, in the order they come,
        // and a pass opens the reader and keeps it (chkCloseDevice off): that reader taken as
        // the next connection, its beep the only request since the close, shows that the
        // window closed its reader last and that no pass came between the close and the
        // answer.
        const int connections = sim.Connections();
        const auto requests = [&] {
            return sim.WithReader([](sim::SimulatedReader& r) { return r.Requests().size(); });
        };
        const std::size_t requestsAtClose = requests();
        const int handle = KorviCardOpenDevice("127.0.0.1", sim.Port(), 0, 0, 1000, nullptr);
        QVERIFY(handle > 0);
        QCOMPARE(KorviCardBeep(handle, 10), 1);
        QCOMPARE(sim.Connections(), connections + 1);
        QCOMPARE(requests(), requestsAtClose + 1);
        KorviCardCloseDevice(handle);
    }
};

QTEST_MAIN(PollingThreadTest)
#include "polling_thread_test.moc"
