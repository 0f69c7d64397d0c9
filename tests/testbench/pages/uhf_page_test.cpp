// The UHF page end to end against the simulated reader's M100 module over loopback TCP, and
// the page's number formats.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "testbench/core/bench_context.h"
#include "testbench/core/hex_text.h"
#include "testbench/pages/page_test_support.h"
#include "testbench/pages/uhf_formats.h"

using bench::kUhfRegions;

namespace {

const QString kEpc[] = {QStringLiteral("E2000017220A012345600001"),
                        QStringLiteral("E2000017220A012345600002"),
                        QStringLiteral("E2000017220A012345600003")};

QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

}  // namespace

class UhfPageTest : public QObject {
    Q_OBJECT
  private slots:
    void ChannelTexts_data() {
        QTest::addColumn<int>("region");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("text");
        QTest::newRow("China 900 first") << 0 << 0 << "920.125MHz";
        QTest::newRow("China 900 last") << 0 << 19 << "924.875MHz";
        QTest::newRow("China 800 last") << 1 << 19 << "844.875MHz";
        QTest::newRow("US last") << 2 << 51 << "927.75MHz";
        QTest::newRow("Europe first") << 3 << 0 << "865.1MHz";
        QTest::newRow("Europe last, no rounding tail") << 3 << 14 << "867.9MHz";
        QTest::newRow("Korea last") << 4 << 31 << "923.3MHz";
        QTest::newRow("past the list") << 3 << 20 << "869.1MHz";
    }
    void ChannelTexts() {
        QFETCH(int, region);
        QFETCH(int, channel);
        QFETCH(QString, text);
        QCOMPARE(bench::ChannelText(kUhfRegions[static_cast<std::size_t>(region)], channel), text);
    }

    void PowerAndQueryFormats_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("power");
        QTest::addColumn<QString>("query");
        QTest::newRow("20 dBm") << 2000 << "20"
                                << "07D0";
        QTest::newRow("fraction") << 2350 << "23.5"
                                  << "092E";
        QTest::newRow("hundredths") << 1999 << "19.99"
                                    << "07CF";
        QTest::newRow("small") << 0x0001 << "0.01"
                               << "0001";
        QTest::newRow("signed word") << 0xFF9C << "-1"
                                     << "FFFFFF9C";
        QTest::newRow("top bit") << 0x8000 << "-327.68"
                                 << "FFFF8000";
    }
    void PowerAndQueryFormats() {
        QFETCH(int, word);
        QFETCH(QString, power);
        QFETCH(QString, query);
        QCOMPARE(bench::PowerText(static_cast<std::uint16_t>(word)), power);
        QCOMPARE(bench::QueryParameterHex(static_cast<std::uint16_t>(word)), query);
    }

    void PowerFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hundredths");  // -1: refused
        QTest::newRow("whole") << "20" << 2000;
        QTest::newRow("blanks") << " 26 " << 2600;
        QTest::newRow("rounded") << "23.456" << 2346;
        QTest::newRow("half up") << "0.125" << 13;
        QTest::newRow("letters") << "20dBm" << -1;
        QTest::newRow("comma") << "20,5" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("beyond a word") << "400" << -1;
    }
    void PowerFromText() {
        QFETCH(QString, text);
        QFETCH(int, hundredths);
        if (hundredths < 0) {
            QVERIFY_THROWS_EXCEPTION(bench::ConversionError, bench::PowerFromText(text));
        } else {
            QCOMPARE(bench::PowerFromText(text), hundredths);
        }
    }

    void FirmwareAndInventory() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnGetUhfFwVersion");
        QCOMPARE(bench.Log("mmUhfLog"),
                 (QStringList{"调用KorviCardBeep成功!", "硬件版本：M100 26dBm V1.0",
                              "软件版本：V2.3.5", "生产商：Korvi UHF Systems"}));
        QVERIFY(!bench.window().context().HasReader());

        bench.ClearLog("mmUhfLog");
        bench.Click("btnInventory");
        QCOMPARE(
            bench.Log("mmUhfLog"),
            (QStringList{"调用KorviCardBeep成功!", "发现标签3张", "RSSI：-52dBm", "PC： 30 00",
                         "EPC： E2 00 00 17 22 0A 01 23 45 60 00 01", "RSSI：-61dBm", "PC： 30 00",
                         "EPC： E2 00 00 17 22 0A 01 23 45 60 00 02", "RSSI：-70dBm", "PC： 30 00",
                         "EPC： E2 00 00 17 22 0A 01 23 45 60 00 03"}));
        auto* epcList = bench.Find<QComboBox>("cmbEpcList");
        QCOMPARE(Items(epcList), (QStringList{kEpc[0], kEpc[1], kEpc[2]}));
        QCOMPARE(epcList->currentIndex(), 0);
        SavePageScreenshot(bench, "TabSheet5", QStringLiteral("uhf_after_inventory"));

        bench.ClearLog("mmUhfLog");
        bench.Click("btnReadMulti");
        bench.Click("btnStopMulti");
        EXPECT_LINES(bench.Log("mmUhfLog"), "RSSI：-52dBm", "PC： 30 00",
                     "EPC： E2 00 00 17 22 0A 01 23 45 60 00 01", "调用KorviCardBeep成功!");
    }

    void SelectNarrowsTheInventory() {
        BenchSim sim;
        BenchWindow bench(sim);
        // Nothing in the EPC list: Select does nothing at all.
        bench.Click("btnSetSelectParameter");
        QCOMPARE(sim.Connections(), 0);
        QVERIFY(bench.Log("mmUhfLog").isEmpty());

        bench.Click("btnInventory");
        bench.Find<QComboBox>("cmbEpcList")->setCurrentIndex(1);
        bench.ClearLog("mmUhfLog");
        bench.Click("btnSetSelectParameter");
        bench.Find<QComboBox>("cmbSetInventoryMode")->setCurrentIndex(0);
        bench.Click("btnInventory");
        QCOMPARE(bench.Log("mmUhfLog"),
                 (QStringList{
                     "调用KorviCardBeep成功!", "调用KorviCardM100UhfSetSelectParameter成功!",
                     "调用KorviCardBeep成功!", "调用KorviCardBeep成功!", "发现标签1张",
                     "RSSI：-61dBm", "PC： 30 00", "EPC： E2 00 00 17 22 0A 01 23 45 60 00 02"}));
        QCOMPARE(Items(bench.Find<QComboBox>("cmbEpcList")), QStringList{kEpc[1]});
    }

    void TagMemory() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnUhfReadData");  // EPC bank from word 0, 8 words
        const QStringList log = bench.Log("mmUhfLog");
        QVERIFY2(log.last().startsWith("返回数据: ") && log.last().size() == 5 + 16 * 3,
                 qPrintable(log.join('\n')));
        QVERIFY(log.last().endsWith(" 30 00 E2 00 00 17 22 0A 01 23 45 60 00 01"));
        QCOMPARE(bench.Find<QLineEdit>("edtMemData")->text().size(), 32);

        bench.Find<QComboBox>("cmbMemBank")->setCurrentIndex(3);
        bench.Find<QLineEdit>("edtStart")->setText("1");
        bench.Find<QLineEdit>("edtDataLength")->setText("2");
        bench.Find<QLineEdit>("edtMemData")->setText("A1B2C3D4");
        bench.ClearLog("mmUhfLog");
        bench.Click("btnUhfWriteData");
        bench.Find<QLineEdit>("edtMemData")->clear();
        bench.Click("btnUhfReadData");
        EXPECT_LINES(bench.Log("mmUhfLog"), "调用KorviCardM100UhfWriteData成功!",
                     "返回数据: A1 B2 C3 D4");
        QCOMPARE(bench.Find<QLineEdit>("edtMemData")->text(), QStringLiteral("A1B2C3D4"));

        bench.ClearLog("mmUhfLog");
        bench.Click("btnLockUnlock");
        bench.Click("btnKill");  // a kill password of zero is refused by the tag
        QCOMPARE(bench.Log("mmUhfLog"),
                 (QStringList{"调用KorviCardBeep成功!", "调用KorviCardBeep成功!",
                              "调用KorviCardM100UhfKill失败! 未知的错误"}));
        QVERIFY(bench.window().context().HasReader());  // kept open after the failure
    }

    void BadNumbersSendNothing_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("power") << "edtPower"
                               << "btnSetPower"
                               << "“2x”不是有效的浮点数值";
        QTest::newRow("start") << "edtStart"
                               << "btnUhfReadData"
                               << "“2x”不是有效的整数值";
        QTest::newRow("length") << "edtDataLength"
                                << "btnUhfWriteData"
                                << "“2x”不是有效的整数值";
    }
    void BadNumbersSendNothing() {
        QFETCH(QString, edit);
        QFETCH(QString, button);
        QFETCH(QString, message);
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QLineEdit>(qPrintable(edit))->setText("2x");
        bench.Click(qPrintable(button));
        QCOMPARE(bench.messages, QStringList{message});
        QCOMPARE(sim.Connections(), 0);
    }

    void PowerRegionAndChannel() {
        BenchSim sim;
        BenchWindow bench(sim);
        auto* channels = bench.Find<QComboBox>("cmbRFChannel");
        QCOMPARE(channels->count(), 20);  // filled at creation for the default region
        QCOMPARE(channels->currentText(), QStringLiteral("920.125MHz"));

        bench.Find<QLineEdit>("edtPower")->setText("23.5");
        bench.Click("btnSetPower");
        bench.Find<QLineEdit>("edtPower")->setText("0");
        bench.Click("btnGetPower");
        EXPECT_LINES(bench.Log("mmUhfLog"), "功率：23.5dBm", "功率：23.5dBm");
        QCOMPARE(bench.Find<QLineEdit>("edtPower")->text(), QStringLiteral("23.5"));

        bench.Find<QComboBox>("cmbRegion")->setCurrentIndex(3);
        QCOMPARE(channels->count(), 15);
        QCOMPARE(channels->itemText(14), QStringLiteral("867.9MHz"));
        bench.Find<QComboBox>("cmbRegion")->setCurrentIndex(2);
        QCOMPARE(channels->count(), 52);
        bench.ClearLog("mmUhfLog");
        bench.Click("btnSetRegion");
        channels->setCurrentIndex(51);
        // The EPC and bank lists leave the chosen channel alone.
        bench.Find<QComboBox>("cmbMemBank")->setCurrentIndex(2);
        bench.Click("btnInventory");
        QCOMPARE(channels->currentIndex(), 51);
        bench.Click("btnSetRFChannel");
        channels->setCurrentIndex(0);
        bench.Click("btnGetRFChannel");
        EXPECT_LINES(bench.Log("mmUhfLog"), "调用KorviCardBeep成功!", "当前信道：927.75MHz",
                     "当前信道：927.75MHz");
        QCOMPARE(channels->currentText(), QStringLiteral("927.75MHz"));
    }

    void ModuleSettings() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QCheckBox>("chkSetFHSS")->click();
        bench.Find<QCheckBox>("chkSetFHSS")->click();
        bench.Find<QCheckBox>("chkSetCW")->click();
        bench.Find<QCheckBox>("chkSetCW")->click();
        bench.Click("btnSetQueryParameter");
        bench.Click("btnGetQueryParameter");
        bench.Click("btnReadModemParameter");
        bench.Click("btnSetModemParameter");
        bench.Find<QComboBox>("cmbSetInventoryMode")->setCurrentIndex(2);
        const QStringList log = bench.Log("mmUhfLog");
        QCOMPARE(log.filter("调用KorviCardBeep成功!").size(), 9);
        EXPECT_LINES(log, "取消自动跳频成功!", "设置自动跳频成功!", "取消发射连续载波成功!",
                     "设置发射连续载波成功!", "QUERY参数:0x0000!");
        QVERIFY2(log.filter("失败").isEmpty(), qPrintable(log.join('\n')));

        bench.ClearLog("mmUhfLog");
        bench.Click("btnScanJammer");
        bench.Click("btnScanRssi");
        const QStringList scans = bench.Log("mmUhfLog").filter("返回数据:");
        QCOMPARE(scans.size(), 2);
        for (const QString& line : scans) QCOMPARE(line.size(), 5 + 20 * 3);  // 20 channels
    }

    void ModuleFailures() {
        BenchSim sim;
        BenchWindow bench(sim);
        // The firmware and stop lines carry no error text; the others do.
        const std::pair<const char*, QString> cases[] = {
            {"btnGetUhfFwVersion", "调用KorviCardGetUhfFwVersion失败!"},
            {"btnStopMulti", "调用KorviCardM100UhfStopMulti失败!"},
            {"btnGetPower", "调用KorviCardM100UhfGetPower失败! 接收超时"},
            {"btnInventory", "调用KorviCardM100UhfInventory失败! 接收超时"},
        };
        // The reader refuses every module frame with code 3.
        sim.WithReader([](sim::SimulatedReader& reader) {
            reader.SetHandler(30, [](const sim::Request&) { return sim::Reply::Failure(3); });
            return 0;
        });
        for (const auto& [button, line] : cases) {
            bench.ClearLog("mmUhfLog");
            bench.Click(button);
            QCOMPARE(bench.Log("mmUhfLog"), (QStringList{"调用KorviCardBeep成功!", line}));
            QVERIFY(bench.window().context().HasReader());
        }
    }
};

QTEST_MAIN(UhfPageTest)
#include "uhf_page_test.moc"
