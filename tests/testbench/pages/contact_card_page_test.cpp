// The contact-card page end to end: its handlers clicked in the window against the simulated
// reader's slots over loopback TCP, the log read back.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "sim/cards/apdu_script.h"
#include "sim/contact_card_samples.h"
#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"
#include "testbench/pages/page_test_support.h"

namespace {

constexpr char kLog[] = "mmSamLog";

// A card in a slot answering by the script, whose commands the test reads back.
struct ScriptedContactCard {
    explicit ScriptedContactCard(std::string_view script)
        : application(std::make_shared<sim::ApduScript>(script)),
          card(std::make_shared<sim::ContactCard>(sim::SampleAtr("KVTEST"), application)) {}

    std::shared_ptr<sim::ApduScript> application;
    std::shared_ptr<sim::ContactCard> card;
};

// The slot chosen in the list, selected, powered and reset through the page's buttons.
void PrepareSlot(BenchWindow& bench, int slot) {
    bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(slot);
    bench.Click("btnSetSamSlotIndex");
    bench.Click("btnSamPowerOn");
    bench.Click("btnResetSam");
    bench.ClearLog(kLog);
}

QStringList SamApdu(const QString& apdu, const QString& answer) {
    return {QStringLiteral("开始执行指令:") + apdu, QStringLiteral("调用KorviCardSendSamAPDU成功!"),
            QStringLiteral("返回值：") + answer};
}

}  // namespace

class ContactCardPageTest : public QObject {
    Q_OBJECT
  private slots:
    void SlotHandlersKeepTheReaderOpen() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnSetSamSlotIndex");
        bench.Click("btnSamPowerOn");
        bench.Click("btnResetSam");
        bench.Click("btnSendSamAPDU");
        bench.Click("btnSamPowerOff");
        QCOMPARE(bench.Log(kLog),
                 QStringList({"调用KorviCardSetSamSlotIndex成功!",
                              "调用KorviCardSetSamPowerOnOff上电成功!",
                              "调用KorviCardResetSam成功!", "ATR：3B084B565053414D3031"}) +
                     SamApdu("A0A40000023F00", "9000") +
                     QStringList{"调用KorviCardSetSamPowerOnOff下电成功!"});
        QVERIFY(bench.window().context().HasReader());
        QCOMPARE(sim.Connections(), 1);

        // "EX" is slot 5, which holds no card: its reset fails.
        bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(5);
        bench.ClearLog(kLog);
        bench.Click("btnSetSamSlotIndex");
        bench.Click("btnResetSam");
        const QStringList log = bench.Log(kLog);
        QCOMPARE(log[0], QStringLiteral("调用KorviCardSetSamSlotIndex成功!"));
        QVERIFY(log[1].startsWith("调用KorviCardResetSam失败! "));
        QVERIFY(bench.window().context().HasReader());
    }

    void ApduTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("five bytes")
            << "00A4040000" << SamApdu("00A4040000", "9000") << QByteArray::fromHex("00A4040000");
        QTest::newRow("seven digits give four bytes")
            << "0084000" << SamApdu("0084000", "9000") << QByteArray::fromHex("00840000");
        QTest::newRow("blanks and control characters trimmed")
            << " \t00B0000001\r\n"
            << SamApdu("00B0000001", "9000") << QByteArray::fromHex("00B0000001");
        QTest::newRow("empty") << "" << QStringList{} << QByteArray();
        QTest::newRow("one digit is no byte") << "0" << QStringList{} << QByteArray();
        QTest::newRow("longer than the command buffer")
            << QString(514, QLatin1Char('0')) << QStringList{"APDU指令257字节，超过256字节，未执行"}
            << QByteArray();
    }
    void ApduTexts() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, sent);
        BenchSim sim;
        BenchWindow bench(sim);
        ScriptedContactCard card("");
        card.application->SetUnmatchedAnswer(sim::ApduAnswer::Status(0x90, 0x00));
        sim.InsertContactCard(0, card.card);
        PrepareSlot(bench, 0);
        bench.Find<QLineEdit>("edtSamApdu")->setText(text);
        bench.Click("btnSendSamAPDU");
        QCOMPARE(bench.Log(kLog), lines);
        const auto& received = card.application->received();
        QCOMPARE(received.size(), sent.isEmpty() ? 0u : 1u);
        if (!sent.isEmpty()) {
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(received[0].data()),
                                static_cast<qsizetype>(received[0].size())),
                     sent);
        }
        QVERIFY(bench.Find<QPushButton>("btnSendSamAPDU")->isEnabled());
    }

    void ApduTextThatIsNoHex() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QLineEdit>("edtSamApdu")->setText("00A4ZZ");
        bench.Click("btnSendSamAPDU");
        QVERIFY(bench.Log(kLog).isEmpty());
        QCOMPARE(bench.messages, QStringList{"“ZZ”不是有效的整数值"});
        QVERIFY(bench.Find<QPushButton>("btnSendSamAPDU")->isEnabled());
    }

    void SimSequences() {
        BenchSim sim;
        BenchWindow bench(sim);
        // The SIM the simulated reader holds in slot 2.
        bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(2);
        bench.Click("btnSetSamSlotIndex");
        bench.ClearLog(kLog);
        bench.Click("btnSimCardNo");
        QCOMPARE(bench.Log(kLog),
                 QStringList({"调用KorviCardResetSam成功!", "ATR：3B054B5653494D"}) +
                     SamApdu("A0A40000023F00", "9F16") + SamApdu("A0A40000022FE2", "9F16") +
                     SamApdu("A0B000000A", "986800214365870921439000"));

        bench.ClearLog(kLog);
        bench.Click("btnSimIsWhite");
        const QStringList log = bench.Log(kLog);
        QCOMPARE(log.size(), 2 + 9 * 3);
        QCOMPARE(log.mid(2 + 3 * 3, 3), SamApdu("A0B0000009", "0849061032547698009000"));
        // GET RESPONSE serves the status of 7FF0 held back by the select before it.
        QCOMPARE(log.mid(2 + 6 * 3, 3),
                 SamApdu("A0C0000016", "000000007FF00200000000000913000A0400838A838A9000"));

        // Without a card the reset fails and no APDU is sent.
        bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(5);
        bench.Click("btnSetSamSlotIndex");
        bench.ClearLog(kLog);
        bench.Click("btnSimIsWhite");
        QCOMPARE(bench.Log(kLog).size(), 1);
        QVERIFY(bench.Log(kLog)[0].startsWith("调用KorviCardResetSam失败! "));
    }

    void SupplyVoltage() {
        BenchSim sim;
        BenchWindow bench(sim);
        // A card that answers to reset at 3 V only.
        ScriptedContactCard card("");
        card.card->SetSupplyClasses(static_cast<unsigned>(sim::SupplyClass::kB));
        sim.InsertContactCard(1, card.card);
        bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(1);
        bench.Click("btnSet7816Voltage");
        bench.Click("btnResetSam");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardResetSam失败! "));

        bench.Find<QComboBox>("cmb7816Voltage")->setCurrentIndex(1);
        bench.ClearLog(kLog);
        bench.Click("btnSet7816Voltage");
        bench.Click("btnResetSam");
        QCOMPARE(bench.Log(kLog),
                 (QStringList{"调用KorviCardSetSamSlotIndex成功!", "调用电压设置成功!",
                              "调用KorviCardSetSamPowerOnOff下电成功!",
                              "调用KorviCardSetSamPowerOnOff上电成功!",
                              "调用KorviCardResetSam成功!", "ATR：3B064B5654455354"}));
        QVERIFY(bench.Find<QPushButton>("btnSet7816Voltage")->isEnabled());
        QVERIFY(bench.window().context().HasReader());
    }

    void BankCardNumber() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(1);
        bench.Click("btnSetSamSlotIndex");
        bench.ClearLog(kLog);
        bench.Click("btnGetBankCardNoBy7816");
        QCOMPARE(
            bench.Log(kLog),
            (QStringList{"调用KorviCardSetSamPowerOnOff上电成功!", "调用KorviCardResetSam成功!",
                         "ATR：3B0950424F434445424954", "银行卡号：622202100012345678"}));
        QVERIFY(!bench.window().context().HasReader());
    }

    // The card reads of slot 0, which holds a PSAM: the reader carries every command and
    // reports no error, the PSAM refuses the application, so the failure line tells no
    // reader error text. The reader is closed and the button enabled all the same.
    void SlotReadFailsWithoutAReaderError_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("line");
        QTest::newRow("bank card") << "btnGetBankCardNoBy7816"
                                   << "调用KorviCardGetBankCardNoBy7816失败!";
        QTest::newRow("social-security card") << "btnGetSSCCardInfo"
                                              << "调用KorviCardGetSocialSecurityInfoBy7816失败!";
        QTest::newRow("social-security card V3") << "btnGetSSCCardInfoV3"
                                                 << "调用KorviCardGetSocialSecurityInfo失败!";
    }
    void SlotReadFailsWithoutAReaderError() {
        QFETCH(QString, button);
        QFETCH(QString, line);
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click(qPrintable(button));
        const QStringList log = bench.Log(kLog);
        QVERIFY2(log.contains("调用KorviCardResetSam成功!"), qPrintable(log.join('\n')));
        QCOMPARE(log.last(), line);
        QVERIFY2(log.filter("正常执行").isEmpty(), qPrintable(log.join('\n')));
        QVERIFY(!bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>(qPrintable(button))->isEnabled());

        // A failure the reader reports keeps the reader's error text.
        FailNextRequest(sim, 19);
        bench.ClearLog(kLog);
        bench.Click(qPrintable(button));
        QCOMPARE(bench.Log(kLog).last(),
                 QStringLiteral("调用KorviCardSetSamPowerOnOff 上电失败! 发送14443指令错误"));
    }

    void SocialSecurityCard() {
        BenchSim sim;
        BenchWindow bench(sim);
        sim.InsertContactCard(0, sim::SampleSocialSecurityCard());
        bench.Click("btnGetSSCCardInfo");
        QCOMPARE(bench.Log(kLog).mid(3),
                 (QStringList{"社保卡号：A12345678", "社保号：110101199001011234", "姓名：张三",
                              "性别：男", "民族：汉族", "发卡日期：20150601", "到期日：20250601"}));
        QVERIFY(!bench.window().context().HasReader());

        auto holder = sim::SampleSocialSecurityHolderFile();
        holder[3] = {'2'};
        sim.InsertContactCard(
            0, std::make_shared<sim::ContactCard>(
                   sim::SampleAtr("KVSSC3"), std::make_shared<sim::SocialSecurityApplication>(
                                                 sim::SampleSocialSecurityCardFile(), holder)));
        bench.ClearLog(kLog);
        bench.Click("btnGetSSCCardInfo");
        QVERIFY(bench.Log(kLog).contains("性别：女"));

        // A slot without a card: the reset fails, the reader is closed.
        bench.Find<QComboBox>("cmbSamSlotIndex")->setCurrentIndex(5);
        bench.Click("btnSetSamSlotIndex");
        bench.ClearLog(kLog);
        bench.Click("btnGetSSCCardInfo");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardResetSam失败! "));
        QVERIFY(!bench.window().context().HasReader());
    }

    void SocialSecurityCardV3() {
        BenchSim sim(sim::FieldCard::kNone);
        BenchWindow bench(sim);
        const QStringList record = {"社保卡号：A12345678",
                                    "发卡日期：20150601",
                                    "到期日：20250601",
                                    "初始化机构编号：310000000000000000001234",
                                    "规范版本：2.00",
                                    "卡的类别：3",
                                    "卡的识别码：110000D15600000586000000012345AB"};
        sim.InsertContactCard(0, sim::SampleSocialSecurityCard());
        bench.Click("btnGetSSCCardInfoV3");
        QCOMPARE(bench.Log(kLog),
                 QStringList({"调用KorviCardSetSamPowerOnOff上电成功!",
                              "调用KorviCardResetSam成功!", "ATR：3B064B5653534333"}) +
                     record);
        QVERIFY(!bench.window().context().HasReader());

        // Contactless, after the identity test left type B: type A is set again.
        sim.PresentTypeBScript("0036000008 => 01 02 03 04 05 06 07 08 9000\n");
        bench.window().context().SetCurCardType('B');
        bench.Find<QCheckBox>("chkSSCCardUse7816")->setChecked(false);
        bench.ClearLog(kLog);
        bench.Click("btnGetSSCCardInfoV3");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardGetCardNo失败! "));
        QVERIFY(!bench.window().context().HasReader());

        sim.PresentTypeA(sim::SampleContactlessSocialSecurityCard());
        bench.ClearLog(kLog);
        bench.Click("btnGetSSCCardInfoV3");
        QCOMPARE(bench.Log(kLog),
                 QStringList({"设置读卡器TYPE A成功", "调用KorviCardResetCpuCard成功!",
                              "ATS：0578007002"}) +
                     record);
    }

    void FuelCards() {
        BenchSim sim;
        BenchWindow bench(sim);
        sim.InsertContactCard(0, sim::SampleFuelCard(sim::SampleSinopecData()));
        PrepareSlot(bench, 0);
        bench.Click("btnSinopec");
        QCOMPARE(
            bench.Log(kLog),
            (QStringList{"调用KorviCardGetSinopecCardInfo成功!", "卡号0012345678901234567",
                         "签发日期20200315", "到期日期20300314", "卡片余额123.45",
                         "交易记录0类型06日期20240503时间083003交易金额200.00终端号112233445503",
                         "交易记录1类型06日期20240502时间083002交易金额50.50终端号112233445502",
                         "交易记录2类型06日期20240501时间083001交易金额1.00终端号112233445501"}));
        QVERIFY(bench.window().context().HasReader());
        bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(bench.Find<QWidget>("TabSheet8"));
        SaveScreenshot(bench.window(), QStringLiteral("page_TabSheet8_fuel_card"));

        // Card number only: no balance read, no records.
        bench.Find<QCheckBox>("chkOnlyCardNo")->click();
        QCOMPARE(bench.Find<QLineEdit>("edtCardPassword")->text(), QStringLiteral("CARDNO"));
        bench.ClearLog(kLog);
        bench.Click("btnSinopec");
        QCOMPARE(bench.Log(kLog).mid(4), QStringList{"卡片余额0.00"});

        sim.InsertContactCard(0, sim::SampleFuelCard(sim::SamplePetroChinaData()));
        PrepareSlot(bench, 0);
        bench.Click("btnPetroChina");
        QCOMPARE(bench.Log(kLog),
                 (QStringList{"调用KorviCardGetPetroChinaCardInfo成功!", "卡号9001020304050607",
                              "签发日期20200315", "到期日期20300314", "卡片余额.00"}));
        bench.Find<QCheckBox>("chkOnlyCardNo")->click();
        QCOMPARE(bench.Find<QLineEdit>("edtCardPassword")->text(), QStringLiteral("E7E7E7"));
        bench.ClearLog(kLog);
        bench.Click("btnPetroChina");
        QCOMPARE(
            bench.Log(kLog).mid(4, 2),
            (QStringList{"卡片余额123.45",
                         "交易记录0类型06日期20240503时间083003交易金额200.00终端号112233445503"}));
    }

    void FuelCardPinStates() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QLineEdit>("edtCardPassword")->setText("111111");
        sim.InsertContactCard(0, sim::SampleFuelCard(sim::SampleSinopecData()));
        PrepareSlot(bench, 0);
        bench.Click("btnSinopec");
        // The card refused the PIN; the reader reported no error.
        QCOMPARE(bench.Log(kLog)[0], QStringLiteral("调用KorviCardGetSinopecCardInfo失败!"));
        QCOMPARE(bench.Log(kLog).mid(1), QStringList{"PIN计数2"});

        sim::FuelCardData blocked = sim::SampleSinopecData();
        blocked.pinTries = 0;
        sim.InsertContactCard(0, sim::SampleFuelCard(blocked));
        PrepareSlot(bench, 0);
        bench.Click("btnSinopec");
        QCOMPARE(bench.Log(kLog).mid(1), QStringList{"PIN密钥被锁死"});

        blocked = sim::SamplePetroChinaData();
        blocked.pinTries = 0;
        sim.InsertContactCard(0, sim::SampleFuelCard(blocked));
        PrepareSlot(bench, 0);
        bench.Click("btnPetroChina");
        QCOMPARE(bench.Log(kLog), QStringList{"调用KorviCardGetPetroChinaCardInfo失败!"});
    }

    void IccReaderScriptWithoutAUsbReader() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnTestICC");
        QCOMPARE(bench.Log(kLog), QStringList{"打开设备失败，返回值:-11"});
        QCOMPARE(sim.Connections(), 0);
    }

    void HiddenButtons() {
        BenchSim sim;
        BenchWindow bench(sim);
        for (const char* name :
             {"btnSam5VPowerOn", "btnSam5VPowerOff", "btnSam3VPowerOn", "btnSam3VPowerOff"}) {
            auto* button = bench.Find<QPushButton>(name);
            QVERIFY(!button->isVisible());
            button->click();
        }
        QVERIFY(bench.Log(kLog).isEmpty());
        QCOMPARE(sim.Connections(), 0);
    }
};

QTEST_MAIN(ContactCardPageTest)
#include "contact_card_page_test.moc"
