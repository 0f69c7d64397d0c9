// The relay page end to end: the radio groups, the RS232 relay and the power-on states against
// the simulated reader over loopback TCP.

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "testbench/core/bench_context.h"
#include "testbench/core/radio_group.h"
#include "testbench/pages/page_test_support.h"
#include "testbench/reader_selection_panel.h"

namespace {

constexpr std::uint8_t kSetRelay = 228;
constexpr std::uint8_t kSetRelayInit = 226;

std::vector<std::uint8_t> SwitchPayload(std::uint8_t relay, std::uint8_t state,
                                        const char* password = "1357924680") {
    std::vector<std::uint8_t> payload = {relay, state};
    const auto block = Padded(password, 16);
    payload.insert(payload.end(), block.begin(), block.end());
    return payload;
}

}  // namespace

class RelayPageTest : public QObject {
    Q_OBJECT
  private slots:
    void RadioGroupsSwitchTheirRelay() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QRadioButton>("rgRelay7_1")->click();
        bench.Find<QRadioButton>("rgRelay10_1")->click();
        bench.Find<QRadioButton>("rgRelay10_0")->click();
        QCOMPARE(bench.Log("mmRelayLog"),
                 (QStringList{"调用KorviCardSetRelayStatus设置继电器7拉低成功!",
                              "调用KorviCardSetRelayStatus设置继电器10拉低成功!",
                              "调用KorviCardSetRelayStatus设置继电器10拉高成功!"}));
        const auto sent = Payloads(sim, kSetRelay);
        QCOMPARE(sent.size(), std::size_t{3});
        QVERIFY(sent[0] == SwitchPayload(6, 0));
        QVERIFY(sent[1] == SwitchPayload(9, 0));
        QVERIFY(sent[2] == SwitchPayload(9, 1));
        QCOMPARE(sim.Connections(), 1);  // the reader stays open
        QVERIFY(bench.window().context().HasReader());
        SavePageScreenshot(bench, "TabSheet9", QStringLiteral("relays_after_switch"));

        // A password the reader does not take: the failure line, no error text.
        bench.ClearLog("mmRelayLog");
        bench.Find<QLineEdit>("edtReplayPassword")->setText("0000");
        bench.Find<QRadioButton>("rgRelay2_1")->click();
        QCOMPARE(bench.Log("mmRelayLog"),
                 QStringList{"调用KorviCardSetRelayStatus设置继电器2拉低失败!"});
        QVERIFY(Payloads(sim, kSetRelay).back() == SwitchPayload(1, 0, "0000"));
    }

    void Rs232Relay() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btn232RelayLow");
        bench.Click("btn232RelayHigh");
        QCOMPARE(bench.Log("mmRelayLog"),
                 (QStringList{"调用KorviCardSetRelayStatus设置继电器成功!",
                              "调用KorviCardSetRelayStatus设置继电器成功!"}));
        const auto sent = Payloads(sim, kSetRelay);
        QCOMPARE(sent.size(), std::size_t{2});
        QVERIFY(sent[0] == SwitchPayload(0, 0));
        QVERIFY(sent[1] == SwitchPayload(0, 1));

        bench.ClearLog("mmRelayLog");
        FailNextRequest(sim, 19);
        bench.Click("btn232RelayHigh");
        QCOMPARE(bench.Log("mmRelayLog"),
                 QStringList{"调用KorviCardSetRelayStatus设置继电器失败!"});
    }

    void StatusButtonNeverReachesTheReader() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnGetRelayStatus");
        QCOMPARE(bench.Find<bench::RadioGroup>("rgRelay1")->ItemIndex(), 1);
        QVERIFY(bench.Find<QRadioButton>("rgRelay1_1")->isChecked());
        QVERIFY(bench.Log("mmRelayLog").isEmpty());
        QCOMPARE(sim.Connections(), 0);
        // Without the guard the same change switches the relay.
        bench.Find<bench::RadioGroup>("rgRelay1")->SetItemIndex(0);
        QCOMPARE(bench.Log("mmRelayLog"),
                 QStringList{"调用KorviCardSetRelayStatus设置继电器1拉高成功!"});
    }

    void InitialStates() {
        BenchSim sim;
        BenchWindow bench(sim);
        for (int n : {1, 3, 10}) {
            bench.Find<QCheckBox>(qPrintable(QStringLiteral("chkRelayInit%1").arg(n)))->click();
        }
        bench.Find<QLineEdit>("edtResetInitStatus")->setText("30");
        bench.Click("btnSetRelayInit");
        QCOMPARE(bench.Log("mmRelayLog"), QStringList{"KorviCardSetRelayInitStatus 执行成功!"});
        std::vector<std::uint8_t> expected = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};
        const auto password = Padded("1357924680", 16);
        expected.insert(expected.end(), password.begin(), password.end());
        expected.insert(expected.end(), {30, 0, 0, 0});
        QVERIFY(Payloads(sim, kSetRelayInit) == std::vector<std::vector<std::uint8_t>>{expected});

        // Read back into cleared boxes.
        for (int n = 1; n <= 10; ++n) {
            bench.Find<QCheckBox>(qPrintable(QStringLiteral("chkRelayInit%1").arg(n)))
                ->setChecked(n % 2 == 0);
        }
        bench.Find<QLineEdit>("edtResetInitStatus")->setText("0");
        bench.ClearLog("mmRelayLog");
        bench.Click("btnGetRelayInit");
        QCOMPARE(bench.Log("mmRelayLog"), QStringList{"KorviCardGetRelayInitStatus 执行成功!"});
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(bench.Find<QCheckBox>(qPrintable(QStringLiteral("chkRelayInit%1").arg(n)))
                         ->isChecked(),
                     n == 1 || n == 3 || n == 10);
        }
        QCOMPARE(bench.Find<QLineEdit>("edtResetInitStatus")->text(), QStringLiteral("30"));

        // All boxes checked: sixteen bytes of 1.
        for (int n = 1; n <= 10; ++n) {
            bench.Find<QCheckBox>(qPrintable(QStringLiteral("chkRelayInit%1").arg(n)))
                ->setChecked(true);
        }
        bench.Click("btnSetRelayInit");
        const auto all = Payloads(sim, kSetRelayInit).back();
        QVERIFY(std::all_of(all.begin(), all.begin() + 16, [](std::uint8_t b) { return b == 1; }));

        bench.ClearLog("mmRelayLog");
        FailNextRequest(sim, 19);
        bench.Click("btnGetRelayInit");
        FailNextRequest(sim, 19);
        bench.Click("btnSetRelayInit");
        QCOMPARE(bench.Log("mmRelayLog"), (QStringList{"KorviCardGetRelayInitStatus 执行失败!",
                                                       "KorviCardSetRelayInitStatus 执行失败!"}));
    }

    void BadRestoreTimeSendsNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("letters") << "abc";
        QTest::newRow("negative") << "-5";
        QTest::newRow("empty") << "";
    }
    void BadRestoreTimeSendsNothing() {
        QFETCH(QString, text);
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QLineEdit>("edtResetInitStatus")->setText(text);
        bench.Click("btnSetRelayInit");
        QCOMPARE(bench.messages, QStringList{QStringLiteral("“%1”不是有效的整数值").arg(text)});
        QVERIFY(bench.Log("mmRelayLog").isEmpty());
        QCOMPARE(sim.Connections(), 0);
    }

    void NoReader() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.window().selection().UseNetworkReader("127.0.0.1", "1");
        bench.Find<QRadioButton>("rgRelay4_1")->click();
        bench.Click("btnGetRelayInit");
        bench.Click("btnSetRelayInit");
        bench.Click("btn232RelayHigh");
        QCOMPARE(bench.Log("mmRelayLog"),
                 (QStringList{"打开设备失败!", "打开设备失败!", "打开设备失败!"}));
        QCOMPARE(bench.messages.size(), 4);
        QVERIFY(bench.messages.startsWith("打开设备失败"));
    }
};

QTEST_MAIN(RelayPageTest)
#include "relay_page_test.moc"
