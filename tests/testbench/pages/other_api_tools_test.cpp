// The one-button tests of the other-API page end to end: each handler clicked in the window
// against the simulated reader over loopback TCP, its log read back.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/fm1208_application.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/rig_population.h"
#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"

using sim::FieldCard;

namespace {

constexpr char kLog[] = "mmOtherApiLog";

// A CPU card answering by the script, its ATS the FM1208's.
std::shared_ptr<sim::TypeACpuCard> ScriptedCpuCard(std::string_view script) {
    sim::AtsParameters ats;
    ats.historical = {0x86, 0x6A, 0x43, 0x50, 0x55};
    return std::make_shared<sim::TypeACpuCard>(std::make_shared<sim::ApduScript>(script), ats);
}

// The lines of one APDU of the FM1208 script that the card answers.
QStringList Apdu(const QString& apdu, const QString& answer) {
    return {QStringLiteral("开始执行指令") + apdu,
            QStringLiteral("调用KorviCardSendCOSCommand成功!"),
            QStringLiteral("指令") + apdu + QStringLiteral(" 执行结果") + answer};
}

// A CPU card answering the request as a DESFire does (ATQA 03 44): neither Mifare Classic
// nor NTAG.
class DesfireLikeCard : public sim::TypeACpuCard {
  public:
    DesfireLikeCard() : TypeACpuCard(std::make_shared<sim::ApduScript>()) {}
    std::uint16_t Atqa() const override { return 0x0344; }
};

const QStringList kFm1208Start = {"调用KorviCardBeep成功!",         "设置读卡器TYPE A成功",
                                  "卡号(16进制)：3322115A",         "卡号(10进制)：857870682",
                                  "调用KorviCardResetCpuCard成功!", "ATS：0A78007002866A435055"};

}  // namespace

class OtherApiToolsTest : public QObject {
    Q_OBJECT
  private slots:
    void TextStorageOnMifare() {
        BenchSim sim;
        BenchWindow bench(sim);
        auto* text = bench.Find<QLineEdit>("edtTestText");
        const QString sample = text->text();
        QCOMPARE(sample.size(), 20);
        bench.Click("btnWriteText");
        const QStringList cardLines = {"调用KorviCardBeep成功!",
                                       "设置读卡器TYPE A成功",
                                       "卡型：0004",
                                       "卡号(16进制)：000000917E5C3A",
                                       "卡号(10进制)：2440977466",
                                       "调用KorviCardSelect成功!",
                                       "装载密码成功！",
                                       "验证密码成功！"};
        QCOMPARE(bench.Log(kLog), cardLines + QStringList{"调用KorviCardWriteText成功!"});
        QVERIFY(!bench.window().context().HasReader());

        text->clear();
        bench.ClearLog(kLog);
        bench.Click("btnReadText");
        QCOMPARE(bench.Log(kLog), cardLines + QStringList{"调用KorviCardReadText成功!"});
        QCOMPARE(text->text(), sample);
    }

    void TextStorageOnNtag() {
        BenchSim sim(FieldCard::kNtag213);
        BenchWindow bench(sim);
        bench.Find<QLineEdit>("edtTestText")->setText(QStringLiteral("标签文本"));
        bench.Click("btnWriteText");
        QCOMPARE(bench.Log(kLog).mid(2),
                 (QStringList{"卡型：0044", "卡号(16进制)：66554433221104",
                              "卡号(10进制)：28804199028494596", "调用KorviCardWriteText成功!"}));
        bench.Find<QLineEdit>("edtTestText")->clear();
        bench.Click("btnReadText");
        QCOMPARE(bench.Find<QLineEdit>("edtTestText")->text(), QStringLiteral("标签文本"));
    }

    void TextStorageFailures() {
        BenchSim sim(FieldCard::kNone);
        BenchWindow bench(sim);
        // A character without a GBK form is refused before the reader is opened.
        bench.Find<QLineEdit>("edtTestText")->setText(QStringLiteral("文本🙂"));
        bench.Click("btnWriteText");
        QCOMPARE(bench.Log(kLog), QStringList{"文本含有GBK以外的字符，未写入"});
        QCOMPARE(sim.Connections(), 0);

        bench.ClearLog(kLog);
        bench.Click("btnReadText");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardRequest失败! "));
        QVERIFY(bench.window().context().HasReader());  // a stop leaves the reader open

        // A card of another kind: the text operation fails without a text call.
        sim.PresentTypeA(std::make_shared<DesfireLikeCard>());
        bench.Find<QLineEdit>("edtTestText")->setText(QStringLiteral("文本"));
        bench.ClearLog(kLog);
        bench.Click("btnWriteText");
        QCOMPARE(bench.Log(kLog).mid(1, 1), QStringList{"卡型：0344"});
        QCOMPARE(bench.Log(kLog).last(), QStringLiteral("调用KorviCardWriteText失败!"));
    }

    void CardNumbers() {
        BenchSim sim(FieldCard::kTypeB);
        BenchWindow bench(sim);
        // The identity test leaves the reader on type B; the number handler sets type A again.
        bench.Click("btnGetUid");
        sim.Present(FieldCard::kNtag213);
        bench.ClearLog(kLog);
        bench.Click("btnGetCardId");
        QCOMPARE(bench.Log(kLog),
                 (QStringList{"调用KorviCardBeep成功!", "设置读卡器TYPE A成功",
                              "卡号(16进制)：04112233445566", "卡号(10进制)：1144738493519206"}));
        QVERIFY(bench.Find<QPushButton>("btnGetCardId")->isEnabled());

        sim.Present(FieldCard::kMifare1K);
        bench.ClearLog(kLog);
        bench.Click("btnGetCardId");
        QCOMPARE(bench.Log(kLog).mid(2),
                 (QStringList{"卡号(16进制)：917E5C3A", "卡号(10进制)：2440977466"}));

        sim.Present(FieldCard::kNone);
        bench.ClearLog(kLog);
        bench.Click("btnGetCardId");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardGetCardNo失败! "));
    }

    void BankCardNumber() {
        BenchSim sim(FieldCard::kBank);
        BenchWindow bench(sim);
        bench.Click("btnGetBankCardNo");
        const QStringList log = bench.Log(kLog);
        QCOMPARE(log.mid(0, 3), (QStringList{"调用KorviCardBeep成功!", "设置读卡器TYPE A成功",
                                             "调用KorviCardResetCpuCard成功!"}));
        QVERIFY(log[3].startsWith("ATS："));
        QVERIFY2(log[4].startsWith("银行卡号：62") && log[4].size() > 16, qPrintable(log[4]));
        QVERIFY(!bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnGetBankCardNo")->isEnabled());

        // A Mifare card has no CPU layer: the reset fails and the reader stays open.
        sim.Present(FieldCard::kMifare1K);
        bench.ClearLog(kLog);
        bench.Click("btnGetBankCardNo");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardResetCpuCard失败! "));
        QVERIFY(bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnGetBankCardNo")->isEnabled());
    }

    void ReaderQueries_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("device number")
            << "btnGetDeviceNo"
            << QStringList{"GetDeviceNo开始!", "调用KorviCardGetDeviceNo开始!",
                           "调用KorviCardGetDeviceNo成功!设备号:V3-U0000300100012345",
                           "GetDeviceNo结束!"};
        QTest::newRow("LEDs off") << "btnLedOff" << QStringList{"调用KorviCardSetLedStatus成功!"};
        QTest::newRow("MCU configuration")
            << "btnMcuConfig"
            << QStringList{"调用KorviCardBeep成功!",
                           "调用KorviCardGetMcuConfig成功!配置0:00000001 配置1:00000000"};
        QTest::newRow("ISP option") << "btnGetIspOption"
                                    << QStringList{"调用KorviCardBeep成功!",
                                                   "调用KorviCardGetIspOption成功!选项值:00000000"};
        QTest::newRow("ISP on") << "btnEnableIsp" << QStringList{"调用KorviCardSetIspOption成功!"};
        QTest::newRow("RF chip reset")
            << "btnResetRfIc"
            << QStringList{"调用KorviCardBeep成功!", "调用KorviCardResetRfIc成功!",
                           "设置读卡器TYPE A成功"};
        QTest::newRow("charge voltage")
            << "btnGetChargeVoltage"
            << QStringList{"调用KorviCardGetChargeVoltage成功!", "充电电压4.12500V"};
        QTest::newRow("USB charge")
            << "btnGetUsbChargeStatus"
            << QStringList{"调用KorviCardGetUsbCharge成功!", "USB充电状态1"};
        QTest::newRow("charge current")
            << "btnGetChargeCurrent"
            << QStringList{"调用KorviCardGetChargeCurrent成功!", "USB充电电流0"};
        QTest::newRow("battery") << "btnGetChargeStatus"
                                 << QStringList{"调用KorviCardGetChargeStatus成功!",
                                                "电池充电状态1"};
        QTest::newRow("set charge current")
            << "btnSetChargeCurrent" << QStringList{"调用KorviCardSetChargeCurrent成功!"};
        QTest::newRow("MCU reset") << "btnResetMcu" << QStringList{"调用KorviCardResetMcu成功!"};
        QTest::newRow("backup register")
            << "btnSetMcuBkp" << QStringList{"调用KorviCardSetMcuBkp成功!"};
        QTest::newRow("debug backup register")
            << "btnGetDebugBkp" << QStringList{"调用KorviCardGetMcuDebugBkp成功!00000000"};
        QTest::newRow("MAC address")
            << "btnGetDeviceMacAddress"
            << QStringList{"调用KorviCardBeep成功!", "调用KorviCardGetDeviceMacAddress成功!",
                           "返回值:001A511B3C4D"};
        QTest::newRow("firmware build time")
            << "btnFirewareBuildTime"
            << QStringList{"调用KorviCardBeep成功!", "调用KorviCardGetFirewareBuildTime成功!",
                           "返回值:Mar  3 2021 10:22:01"};
    }
    void ReaderQueries() {
        QFETCH(QString, button);
        QFETCH(QStringList, lines);
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click(button.toLatin1().constData());
        QCOMPARE(bench.Log(kLog), lines);
        QVERIFY(!bench.window().context().HasReader());
    }

    void LibraryBuildTime() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnLibBuildTime");
        const QStringList log = bench.Log(kLog);
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[1], QStringLiteral("调用KorviCardGetLibBuildTime成功!"));
        // The library's own date and time, as the driver gives them to any caller.
        const int handle = KorviCardOpenDevice("127.0.0.1", sim.Port(), 0, 0, 1000, nullptr);
        char buildTime[64] = {};
        QCOMPARE(KorviCardGetLibBuildTime(handle, buildTime, sizeof buildTime), 1);
        KorviCardCloseDevice(handle);
        QCOMPARE(log[2], QStringLiteral("返回值:") + QString::fromLatin1(buildTime));
        QCOMPARE(log[2].size(), 4 + 20);
    }

    void ChargeCurrentChoice() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QComboBox>("cmbChargeCurrent")->setCurrentIndex(1);
        bench.Click("btnSetChargeCurrent");
        bench.ClearLog(kLog);
        bench.Click("btnGetChargeCurrent");
        QCOMPARE(bench.Log(kLog).last(), QStringLiteral("USB充电电流1"));
    }

    void RfFieldAndRegisters() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnSetRfOff");
        QCOMPARE(bench.Log(kLog),
                 (QStringList{"调用KorviCardBeep成功!", "关闭射频前寄存器值：131",
                              "(16进制)关闭射频前寄存器值：83", "调用KorviCardSetRfOnOff成功!",
                              "关闭射频后寄存器值：128", "(16进制)关闭射频后寄存器值：80"}));
        bench.ClearLog(kLog);
        bench.Click("btnSetRfOn");
        QCOMPARE(bench.Log(kLog).mid(1, 2),
                 (QStringList{"打开射频前寄存器值：128", "(16进制)打开射频前寄存器值：80"}));
        QCOMPARE(bench.Log(kLog).mid(4),
                 (QStringList{"打开射频后寄存器值：131", "(16进制)打开射频后寄存器值：83"}));

        // Register 0x14 of the RF chip, named as typed.
        bench.Find<QLineEdit>("edtRfRegister")->setText("14");
        bench.Find<QLineEdit>("edtRfRegisterValue")->setText("80");
        bench.ClearLog(kLog);
        bench.Click("btnWriteRfRegiter");
        QCOMPARE(bench.Log(kLog), (QStringList{"调用KorviCardBeep成功!", "寄存器0x14值：128",
                                               "寄存器0x14(16进制)值：80"}));
        bench.ClearLog(kLog);
        bench.Click("btnReadRfRegiter");
        QCOMPARE(bench.Log(kLog), (QStringList{"寄存器0x14值：128", "寄存器0x14(16进制)值：80"}));

        // A register text that is no hexadecimal number ends the handler before any call.
        bench.Find<QLineEdit>("edtRfRegister")->setText("1G");
        bench.ClearLog(kLog);
        bench.Click("btnReadRfRegiter");
        QVERIFY(bench.Log(kLog).isEmpty());
        QCOMPARE(bench.messages.size(), 1);
    }

    void StringCommandOnlyFails() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnExecStringCommand");
        const QStringList log = bench.Log(kLog);
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0], QStringLiteral("调用ExecStringCommand开始!"));
        QCOMPARE(log[1], QStringLiteral("调用ExecStringCommand失败!"));
        QVERIFY(bench.window().context().HasReader());
    }

    void RawUsbDataOnANetworkReader() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnReadUsb");
        // The driver refuses before the reader is asked: no reader error text.
        QCOMPARE(bench.Log(kLog).last(), QStringLiteral("调用KorviCardReadUsbData失败!"));
    }

    void Beep() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QLineEdit>("edtBeepLen")->setText("50");
        bench.Click("btnBeep");
        QCOMPARE(bench.Log(kLog), QStringList{"调用KorviCardBeep成功!"});
        QVERIFY(!bench.window().context().HasReader());

        bench.Find<QLineEdit>("edtBeepLen")->setText("5O");
        bench.ClearLog(kLog);
        bench.Click("btnBeep");
        QVERIFY(bench.Log(kLog).isEmpty());
        QCOMPARE(bench.messages, QStringList{"“5O”不是有效的整数值"});
        QVERIFY(bench.Find<QPushButton>("btnBeep")->isEnabled());
    }

    void BluetoothNeedsTheUsbModel() {
        BenchSim sim;
        BenchWindow bench(sim);
        for (const char* button : {"btnSendBluetoothAtCommand", "btnSetBluetoothBaudRate"}) {
            bench.ClearLog(kLog);
            bench.Click(button);
            QCOMPARE(bench.Log(kLog), QStringList{"USB接口才能使用！"});
        }
        QCOMPARE(sim.Connections(), 0);
    }

    void BluetoothModule() {
        BenchSim sim;
        BenchWindow bench(sim);
        // The USB model, reaching the simulated reader over loopback in place of USB.
        bench.Find<QRadioButton>("rdbV1U")->click();
        const int port = sim.Port();
        bench.window().context().openDevice = [port](const bench::OpenRequest&, int timeout) {
            return KorviCardOpenDevice("127.0.0.1", port, 0, 0, timeout, nullptr);
        };
        bench.Click("btnSendBluetoothAtCommand");
        QCOMPARE(
            bench.Log(kLog),
            (QStringList{"调用KorviCardBeep成功!", "调用KorviCardSendCommand2McuUart 0成功!",
                         "调用KorviCardReceiveResultOfMcuUart 0成功!", "返回数据(hex): 4F 4B 0D 0A",
                         "返回数据(string):OK", "",  // the answer's CR LF ends the text's line
                         "返回数据长度:4"}));
        QVERIFY(!bench.window().context().HasReader());

        bench.Find<QComboBox>("cmbBlueToolthBaudReate")->setCurrentIndex(1);
        bench.ClearLog(kLog);
        bench.Click("btnSetBluetoothBaudRate");
        QCOMPARE(bench.Log(kLog),
                 (QStringList{"调用KorviCardBeep成功!", "调用KorviCardSetMcuUartParam 0成功!"}));
    }

    void TransitCard() {
        BenchSim sim;
        BenchWindow bench(sim);
        sim.PresentTypeA(sim::SampleTransitCard());
        bench.Click("btnBeijingCardNo");
        QCOMPARE(
            bench.Log(kLog),
            (QStringList{"调用KorviCardBeep成功!", "设置读卡器TYPE A成功", "卡号(16进制)：0852317C",
                         "卡号(10进制)：139604348", "调用KorviCardResetCpuCard成功!",
                         "ATS：0578007002", "调用KorviCardCpuCardSelectByName成功!",
                         "返回值：6F15840E315041592E5359532E4444463031A5038801019000",
                         "调用KorviCardCpuCardReadBinary成功!",
                         "返回值：1000075123456789020120190701202912310000000000000000000000009000",
                         "卡片序号：1000075123456789", "调用KorviCardDeselectCpuCard成功!",
                         "返回值：CA00"}));
        QVERIFY(bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnBeijingCardNo")->isEnabled());
    }

    void TransitCardFailures() {
        BenchSim sim(FieldCard::kMifare1K);
        BenchWindow bench(sim);
        bench.Click("btnBeijingCardNo");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardResetCpuCard失败! "));
        QVERIFY(bench.window().context().HasReader());

        // A CPU card without the payment system environment: the script shows its answers.
        sim.PresentTypeA(ScriptedCpuCard("00A4* => 6A82\n00B0* => 6A82\n"));
        bench.ClearLog(kLog);
        bench.Click("btnBeijingCardNo");
        EXPECT_LINES(bench.Log(kLog), "调用KorviCardCpuCardSelectByName成功!", "返回值：6A82",
                     "调用KorviCardCpuCardReadBinary成功!", "返回值：6A82", "卡片序号：6A82");

        sim.Present(FieldCard::kNone);
        bench.ClearLog(kLog);
        bench.Click("btnBeijingCardNo");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardGetCardNo失败! "));
        QVERIFY(!bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnBeijingCardNo")->isEnabled());
    }

    void Fm1208BlankCard() {
        BenchSim sim;
        BenchWindow bench(sim);
        auto card = std::make_shared<sim::Fm1208Application>();
        sim::AtsParameters ats;
        ats.historical = {0x86, 0x6A, 0x43, 0x50, 0x55};
        sim.PresentTypeA(std::make_shared<sim::TypeACpuCard>(card, ats));
        bench.Click("btnTestFm1208");
        const QString key36 = QStringLiteral("80D401000D36F0F0FF33") + QString(16, 'F');
        const QString key39 = QStringLiteral("80D401001539F0F0AA88") + QString(32, 'F');
        QCOMPARE(bench.Log(kLog), kFm1208Start + Apdu("00A40000023F00", "6F0684043F000000") +
                                      Apdu("800E000000", "9000") + Apdu("00A4000000", "9000") +
                                      Apdu("80E00000073F005001F0FFFF", "9000") +
                                      Apdu(key36, "9000") + Apdu(key39, "9000") +
                                      Apdu("80E00001072A0213F000FFFF", "9000") +
                                      Apdu("80E00001072A0213F000FFFF", "6A89"));
        QVERIFY(card->hasKeyFile());
        QCOMPARE(card->Key(0x39, 0), std::vector<std::uint8_t>(16, 0xFF));
        QCOMPARE(card->Key(0x36, 0), std::vector<std::uint8_t>(8, 0xFF));
        QCOMPARE(card->files(), std::set<std::uint16_t>{0x0001});
        QVERIFY(bench.window().context().HasReader());
        QVERIFY(bench.Find<QPushButton>("btnTestFm1208")->isEnabled());

        bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(bench.Find<QWidget>("TabSheet4"));
        SaveScreenshot(bench.window(), QStringLiteral("page_TabSheet4_fm1208"));
    }

    void Fm1208IssuedCard() {
        BenchSim sim;
        BenchWindow bench(sim);
        sim.PresentTypeA(sim::SampleIssuedFm1208Card());
        bench.Click("btnTestFm1208");
        const QStringList log = bench.Log(kLog);
        QCOMPARE(log.mid(2, 2),
                 (QStringList{"卡号(16进制)：6655445A", "卡号(10进制)：1716864090"}));
        // The cryptogram of challenge 3C9A51E7 under the all-FF key, by libcrypto.
        const QStringList expected =
            Apdu("00A40000023F00", "6F0684043F000000") + Apdu("800E000000", "6985") +
            QStringList{"清空卡片"} + Apdu("0084000004", "3C9A51E7") +
            QStringList{"3Des参数:DATA:3C9A51E700000000",
                        QString(28 - 19, ' ') + "KEY:" + QString(32, 'F'),
                        "3Des解密结果:CFED6EF3F86D9D0F"} +
            Apdu("0082000008CFED6EF3F86D9D0F", "9000") + Apdu("80E00001072A0213F000FFFF", "9000") +
            Apdu("80E00001072A0213F000FFFF", "6A89");
        QCOMPARE(log.mid(6), expected);
    }

    void Fm1208ChallengeAndKeyAnswers_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("authenticates");
        QTest::addColumn<QString>("line");
        // The erase answers with data and 9000: the data stay, the challenge path runs.
        QTest::newRow("erase with data, key not found")
            << "800E000000 => 01 9000\n0084000004 => 11 22 33 44 9000\n0082* => 6A88\n"
            << true << "密钥未找到";
        // A challenge of 8 bytes, or a refused one, is no challenge: no authentication.
        QTest::newRow("challenge of 8 bytes")
            << "800E000000 => 6985\n0084000004 => 11 22 33 44 55 66 77 88 9000\n"
            << false << "取随机数失败，不执行外部认证";
        QTest::newRow("challenge refused") << "800E000000 => 6985\n0084000004 => 6D00\n"
                                           << false << "取随机数失败，不执行外部认证";
    }
    void Fm1208ChallengeAndKeyAnswers() {
        QFETCH(QString, script);
        QFETCH(bool, authenticates);
        QFETCH(QString, line);
        BenchSim sim;
        BenchWindow bench(sim);
        auto application = std::make_shared<sim::ApduScript>(script.toStdString());
        application->SetUnmatchedAnswer(sim::ApduAnswer::Status(0x90, 0x00));
        sim.PresentTypeA(std::make_shared<sim::TypeACpuCard>(application));
        bench.Click("btnTestFm1208");
        const QStringList log = bench.Log(kLog);
        QVERIFY2(log.contains(line), qPrintable(log.join('\n')));
        int authentications = 0;
        for (const auto& command : application->received()) {
            if (command.size() > 1 && command[1] == 0x82) ++authentications;
        }
        QCOMPARE(authentications, authenticates ? 1 : 0);
        if (authenticates) {
            QCOMPARE(log.mid(log.indexOf(line) + 1), Apdu("80E00001072A0213F000FFFF", "9000") +
                                                         Apdu("80E00001072A0213F000FFFF", "9000"));
        } else {
            QCOMPARE(log.last(), line);
        }
        QVERIFY(bench.Find<QPushButton>("btnTestFm1208")->isEnabled());
    }

    void Fm1208WithoutACpuCard() {
        BenchSim sim(FieldCard::kNone);
        BenchWindow bench(sim);
        bench.Click("btnTestFm1208");
        QVERIFY(bench.Log(kLog).last().startsWith("调用KorviCardGetCardNo失败! "));
        QVERIFY(!bench.window().context().HasReader());
    }

    void SdtPreset() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QRadioButton>("rdbV1U")->click();
        auto* sdt = bench.Find<QCheckBox>("chkSDT");
        sdt->click();
        QCOMPARE(bench.Find<QLineEdit>("edtVid")->text(), QStringLiteral("2F81"));
        QCOMPARE(bench.Find<QLineEdit>("edtPid")->text(), QStringLiteral("7209"));
        sdt->click();
        QCOMPARE(bench.Find<QLineEdit>("edtVid")->text(), QStringLiteral("0"));
        QCOMPARE(bench.Find<QLineEdit>("edtPid")->text(), QStringLiteral("0"));
        QCOMPARE(sim.Connections(), 0);
    }
};

QTEST_MAIN(OtherApiToolsTest)
#include "other_api_tools_test.moc"
