// The WIFI and ETHERNET groups of the high-frequency basics page end to end against the
// simulated reader (over its serial line where the handlers ask for a USB or serial model),
// the Ping buttons against loopback, and the address packing helpers.

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "testbench/core/bench_context.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/ip_packing.h"
#include "testbench/pages/hf_basics_page.h"
#include "testbench/pages/page_test_support.h"
#include "testbench/pages/wifi_records.h"

namespace {

constexpr std::uint8_t kSetServerAddress = 35;
constexpr std::uint8_t kSetStation = 204;
constexpr std::uint8_t kSetAppConfig = 217;

// Chooses the serial model on the simulated reader's pseudo-terminal.
void UseSerialReader(BenchWindow& bench, BenchSim& sim) {
    auto* ports = bench.Find<QComboBox>("cmbCommPort");
    ports->addItem(QString::fromStdString(sim.SerialPath()));
    ports->setCurrentIndex(ports->count() - 1);
    bench.Find<QRadioButton>("rdbV1S")->click();
}

void SetText(BenchWindow& bench, const char* edit, const QString& text) {
    bench.Find<QLineEdit>(edit)->setText(text);
}

QString Text(BenchWindow& bench, const char* edit) { return bench.Find<QLineEdit>(edit)->text(); }

}  // namespace

class NetworkGroupsTest : public QObject {
    Q_OBJECT
  private slots:
    void AddressPacking_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("packed");
        QTest::newRow("first octet in the low byte") << "10.1.2.3" << 0x0302010Au;
        QTest::newRow("zero") << "0.0.0.0" << 0u;
        QTest::newRow("all ones") << "255.255.255.255" << 0xFFFFFFFFu;
        QTest::newRow("leading zeros are decimal") << "010.001.002.009" << 0x0902010Au;
        QTest::newRow("blanks around") << " 127.0.0.1 " << 0x0100007Fu;
    }
    void AddressPacking() {
        QFETCH(QString, text);
        QFETCH(quint32, packed);
        const auto octets = bench::AddressOrThrow(text);
        QCOMPARE(bench::PackLowByteFirst(octets), packed);
        QCOMPARE(bench::UnpackLowByteFirst(packed), bench::DottedText(octets.data()));
    }

    void AddressRefusals_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("three parts") << "10.1.2";
        QTest::newRow("five parts") << "10.1.2.3.4";
        QTest::newRow("above 255") << "10.1.2.256";
        QTest::newRow("letters") << "10.1.b.3";
        QTest::newRow("sign") << "10.1.-2.3";
        QTest::newRow("empty part") << "10..2.3";
        QTest::newRow("empty") << "";
    }
    void AddressRefusals() {
        QFETCH(QString, text);
        try {
            bench::AddressOrThrow(text);
            QFAIL("accepted");
        } catch (const bench::ConversionError& error) {
            QCOMPARE(error.text(), QStringLiteral("Ip不是整形数据类型!"));
        }
    }

    void AccessPointRecords() {
        std::array<std::uint8_t, bench::kApRecordSize> record{};
        QVERIFY(!bench::ReadAccessPoint(record));  // no SSID, no access point
        const char ssid[] = "Lab 5G";
        std::copy(ssid, ssid + 6, record.begin());
        record[32] = 11;
        record[33] = 0xB0;  // -80 dBm
        record[34] = 4;
        record[35] = 1;
        record[36] = 0xFE;  // offset -2
        record[37] = 0xFF;
        record[38] = 0x10;  // correction 272
        record[39] = 0x01;
        const auto ap = bench::ReadAccessPoint(record);
        QVERIFY(ap);
        QCOMPARE(ap->ssid, QStringLiteral("Lab 5G"));
        QCOMPARE(ap->channel, 11);
        QCOMPARE(ap->rssi, -80);
        QCOMPARE(ap->encryption, 4);
        QCOMPARE(ap->hidden, 1);
        QCOMPARE(ap->frequencyOffset, -2);
        QCOMPARE(ap->frequencyCorrection, 272);
        // An SSID that fills all 32 bytes stays within them.
        std::fill(record.begin(), record.begin() + 32, 'A');
        QCOMPARE(bench::ReadAccessPoint(record)->ssid, QString(32, QLatin1Char('A')));
        QCOMPARE(bench::WifiModeName(3), QStringLiteral("SOFTAP+STASION"));
        QCOMPARE(bench::WifiModeName(0), QStringLiteral("未知模式"));
    }

    void ModelChecks() {
        BenchSim sim;
        BenchWindow bench(sim);  // the network model
        bench.Click("btnGetWifiMode");
        bench.Click("btnSetStaInfo");
        bench.Click("btnGetAppConfigEthernet");
        bench.Click("btnSetAppConfigEthernet");
        QCOMPARE(bench.messages, (QStringList{"型号请选v1-u!", "型号请选V1-U/V3-U!"}));
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"仅USB RS232 通道支持配置", "仅USB RS232 通道支持配置"}));
        QCOMPARE(sim.Connections(), 0);
    }

    void WifiModes() {
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        auto* modes = bench.Find<QComboBox>("cmbWifiMode");
        QCOMPARE(modes->currentIndex(), 2);
        bench.Click("btnGetWifiMode");
        QCOMPARE(bench.Log("mmLog"), QStringList{"当前模式：STATION"});
        QCOMPARE(modes->currentIndex(), 0);
        QVERIFY(!bench.window().context().HasReader());

        bench.Click("btnSetMode");  // station already
        QCOMPARE(bench.messages, QStringList{"当前模式已经是：STATION"});

        modes->setCurrentIndex(1);
        bench.ClearLog("mmLog");
        bench.Click("btnSetMode");
        bench.Click("btnScanAp");  // an access point alone cannot scan
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"当前模式：STATION", "设置WIFI模式成功!", "当前模式：SOFTAP"}));
        QCOMPARE(bench.messages.last(), QStringLiteral("SOFTAP模式不能扫描AP!"));
        QVERIFY(bench.Find<QPushButton>("btnScanAp")->isEnabled());

        bench.ClearLog("mmLog");
        sim.WithReader([](sim::SimulatedReader& reader) {
            reader.SetHandler(206, [](const sim::Request&) { return sim::Reply::Failure(26); });
            return 0;
        });
        modes->setCurrentIndex(0);
        bench.Click("btnSetMode");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"当前模式：SOFTAP", "设置WIFI模式失败! 设置模式错误"}));
    }

    void WifiFailures() {
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        const auto failWith = [&](std::uint8_t command, std::uint8_t code) {
            sim.WithReader([command, code](sim::SimulatedReader& reader) {
                reader.SetHandler(
                    command, [code](const sim::Request&) { return sim::Reply::Failure(code); });
                return 0;
            });
        };
        failWith(200, 20);  // the scan does not start
        bench.Click("btnScanAp");
        QCOMPARE(bench.messages, QStringList{"执行扫描动作失败!"});
        EXPECT_LINES(bench.Log("mmLog"), "当前模式：STATION", "发送扫描动作开始信号错误");

        failWith(204, 24);
        bench.Find<QComboBox>("cmbApList")->setEditText("KorviCard-Lab");
        bench.ClearLog("mmLog");
        bench.Click("btnSetStaInfo");
        QCOMPARE(bench.Log("mmLog"), QStringList{"设置STA信息失败"});

        failWith(217, 19);
        failWith(218, 19);
        bench.ClearLog("mmLog");
        bench.Click("btnSetAppConfigEthernet");
        bench.Click("btnGetAppConfigEthernet");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"调用KorviCardSetAppConfig失败!", "调用KorviCardGetAppConfig失败!"}));

        failWith(205, 25);
        bench.messages.clear();
        bench.ClearLog("mmLog");
        bench.Click("btnGetWifiMode");
        bench.Click("btnScanAp");
        QCOMPARE(bench.messages, QStringList{"获取WIFI模式失败!"});
        QCOMPARE(bench.Log("mmLog"), QStringList{"获取WIFI模式失败! 获取模式错误"});
    }

    void WifiWithoutReader() {
        BenchSim sim;
        BenchWindow bench(sim);
        auto* ports = bench.Find<QComboBox>("cmbCommPort");
        ports->addItem("/nonexistent/ttyKorvi");
        ports->setCurrentIndex(ports->count() - 1);
        bench.Find<QRadioButton>("rdbV1S")->click();
        bench.Click("btnScanAp");
        bench.Click("btnWifiEnable");
        bench.Click("btnGetAppConfigEthernet");
        QCOMPARE(bench.messages,
                 (QStringList{"打开设备失败", "打开设备失败!", "打开设备失败", "打开设备失败"}));
        QCOMPARE(bench.Log("mmLog"), QStringList{"扫描完成，共0个AP"});
        QVERIFY(bench.Find<QPushButton>("btnScanAp")->isEnabled());
    }

    void AccessPointScan() {
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        bench.Click("btnScanAp");
        const QStringList log = bench.Log("mmLog");
        EXPECT_LINES(log, "当前模式：STATION", "KorviCard-Lab", "-48DB", "通道6", "加密3",
                     "是否隐藏0", "频率偏移0", "频率修正0", "Office-2G", "-67DB", "通道1", "Guest",
                     "-80DB", "通道11", "加密0", "扫描完成，共3个AP");
        auto* aps = bench.Find<QComboBox>("cmbApList");
        QCOMPARE(aps->count(), 3);
        QCOMPARE(aps->currentText(), QStringLiteral("KorviCard-Lab"));
        SavePageScreenshot(bench, "TabSheet1", QStringLiteral("wifi_after_scan"));
        // The groups leave the window at its own height, and the page within its width.
        QVERIFY(bench.window().minimumSizeHint().height() <= bench::TfrmMain::kHeight);
        QWidget* page = bench.Find<QWidget>("TabSheet1");
        const int around = bench.window().width() - page->width();
        QVERIFY(page->minimumSizeHint().width() <= bench::TfrmMain::kWidth - around);
    }

    void StationSettings() {
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        bench.Click("btnGetIP");
        QCOMPARE(bench.Log("mmLog"), QStringList{"0.0.0.0"});
        QCOMPARE(Text(bench, "edtIPAdress"), QStringLiteral("127.0.0.1"));  // last octet 0
        QCOMPARE(bench.Find<QComboBox>("cmbApList")->currentText(),
                 QStringLiteral("KorviCard-Lab"));
        QCOMPARE(Text(bench, "edtWifiPassWord"), QStringLiteral("1357924680"));

        // DHCP: zero addresses, no address check.
        SetText(bench, "edtStaticIp", "not an address");
        bench.Click("btnSetStaInfo");
        StationRecordCheck(sim, "KorviCard-Lab", "1357924680", {});

        bench.Find<QCheckBox>("chkUseDhcp")->click();
        QVERIFY(bench.Find<QLineEdit>("edtStaticIp")->isEnabled());
        SetText(bench, "edtStaticIp", "10.0.0.40");
        SetText(bench, "edtNetworkMask", "255.255.255.0");
        SetText(bench, "edtDns", "10.0.0.53");
        SetText(bench, "edtGateWay", "10.0.0.1");
        bench.Find<QComboBox>("cmbApList")->setEditText("Office-2G");
        SetText(bench, "edtWifiPassWord", " secret ");
        bench.ClearLog("mmLog");
        bench.Click("btnSetStaInfo");
        QCOMPARE(bench.Log("mmLog"), QStringList{"设置STA信息成功"});
        StationRecordCheck(sim, "Office-2G", "secret",
                           {10, 0, 0, 40, 255, 255, 255, 0, 10, 0, 0, 53, 10, 0, 0, 1});

        bench.ClearLog("mmLog");
        bench.Click("btnGetIP");
        QCOMPARE(bench.Log("mmLog"), QStringList{"10.0.0.40"});
        QCOMPARE(Text(bench, "edtIPAdress"), QStringLiteral("10.0.0.40"));
        QCOMPARE(Text(bench, "edtDns"), QStringLiteral("10.0.0.53"));
        QCOMPARE(Text(bench, "edtGateWay"), QStringLiteral("10.0.0.1"));
        QCOMPARE(Text(bench, "edtWifiPassWord"), QStringLiteral("secret"));
    }

    void StationChecksSendNothing_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty address") << "edtStaticIp"
                                       << " "
                                       << "静态IP地址不能为空"
                                       << "";
        QTest::newRow("empty mask") << "edtNetworkMask"
                                    << ""
                                    << "子网掩码地址不能为空"
                                    << "";
        QTest::newRow("empty gateway") << "edtGateWay"
                                       << ""
                                       << "GW地址不能为空"
                                       << "";
        QTest::newRow("empty DNS") << "edtDns"
                                   << ""
                                   << "DNS地址不能为空"
                                   << "";
        QTest::newRow("three parts") << "edtStaticIp"
                                     << "10.0.40"
                                     << ""
                                     << "Ip不是整形数据类型!";
        QTest::newRow("octet above 255") << "edtGateWay"
                                         << "10.0.0.256"
                                         << ""
                                         << "Ip不是整形数据类型!";
        QTest::newRow("hex is no decimal") << "edtDns"
                                           << "0x0A.0.0.1"
                                           << ""
                                           << "Ip不是整形数据类型!";
        QTest::newRow("SSID of 16 bytes") << "cmbApList"
                                          << "0123456789ABCDEF"
                                          << "SSID超过15字节，未执行"
                                          << "";
        QTest::newRow("pass phrase of 8 GBK characters") << "edtWifiPassWord"
                                                         << "一二三四五六七八"
                                                         << "WIFI密码超过15字节，未执行"
                                                         << "";
        QTest::newRow("no SSID") << "cmbApList"
                                 << " "
                                 << ""
                                 << "";
    }
    void StationChecksSendNothing() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, line);
        QFETCH(QString, message);
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        bench.Find<QCheckBox>("chkUseDhcp")->click();
        bench.Find<QComboBox>("cmbApList")->setEditText("KorviCard-Lab");
        if (edit == "cmbApList") {
            bench.Find<QComboBox>("cmbApList")->setEditText(text);
        } else {
            SetText(bench, qPrintable(edit), text);
        }
        bench.Click("btnSetStaInfo");
        QCOMPARE(bench.Log("mmLog"), line.isEmpty() ? QStringList{} : QStringList{line});
        QCOMPARE(bench.messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QVERIFY(Payloads(sim, kSetStation).empty());
    }

    void ServerAddress() {
        BenchSim sim;
        BenchWindow bench(sim);
        SetText(bench, "edtServerIp", " 10.1.2.3 ");
        SetText(bench, "edtServerPort", "8080");
        bench.Click("btnSetIpPort");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"调用KorviCardBeep成功!", "调用KorviCardSetServerIpPort成功!"}));
        const std::vector<std::vector<std::uint8_t>> serverRequest = {{10, 1, 2, 3, 0x90, 0x1F}};
        QVERIFY(Payloads(sim, kSetServerAddress) == serverRequest);
        QVERIFY(!bench.window().context().HasReader());

        SetText(bench, "edtServerIp", "");
        SetText(bench, "edtServerPort", "");
        bench.ClearLog("mmLog");
        bench.Click("btnGetIpPort");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"调用KorviCardBeep成功!", "调用KorviCardGetServerIpPort成功!"}));
        QCOMPARE(Text(bench, "edtServerIp"), QStringLiteral("10.1.2.3"));
        QCOMPARE(Text(bench, "edtServerPort"), QStringLiteral("8080"));

        // A failure keeps the reader open.
        bench.ClearLog("mmLog");
        sim.WithReader([](sim::SimulatedReader& reader) {
            reader.SetHandler(kSetServerAddress,
                              [](const sim::Request&) { return sim::Reply::Failure(19); });
            return 0;
        });
        bench.Click("btnSetIpPort");
        QCOMPARE(bench.Log("mmLog").last(), QStringLiteral("调用KorviCardSetServerIpPort失败!"));
        QVERIFY(bench.window().context().HasReader());
    }

    void ServerAddressChecksSendNothing_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("five parts") << "10.1.2.3.4"
                                    << "7777"
                                    << "Ip不是整形数据类型!";
        QTest::newRow("part above 255") << "10.1.2.300"
                                        << "7777"
                                        << "Ip不是整形数据类型!";
        QTest::newRow("three parts") << "10.1.2"
                                     << "7777"
                                     << "Ip不是整形数据类型!";
        QTest::newRow("letters") << "a.b.c.d"
                                 << "7777"
                                 << "Ip不是整形数据类型!";
        QTest::newRow("port text") << "10.1.2.3"
                                   << "77x"
                                   << "“77x”不是有效的整数值";
        QTest::newRow("port too big") << "10.1.2.3"
                                      << "65536"
                                      << "“65536”不是有效的端口";
    }
    void ServerAddressChecksSendNothing() {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, message);
        BenchSim sim;
        BenchWindow bench(sim);
        SetText(bench, "edtServerIp", address);
        SetText(bench, "edtServerPort", port);
        bench.Click("btnSetIpPort");
        QCOMPARE(bench.messages, QStringList{message});
        QCOMPARE(sim.Connections(), 0);
    }

    void ModuleSwitches() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnWifiDisable");
        bench.Click("btnWifiEnable");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"调用KorviCardWifiDisable成功!", "调用KorviCardWifiEnable成功!"}));
        FailNextRequest(sim, 27);
        bench.Click("btnWifiEnable");
        QCOMPARE(bench.Log("mmLog").last(), QStringLiteral("调用KorviCardWifiEnable失败!"));
    }

    void MacAddress() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnGetMcuMacAddressEx");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"调用KorviCardBeep成功!", "调用KorviCardGetDeviceMacAddress成功!",
                              "返回值:001A511B3C4D"}));
        QVERIFY(!bench.window().context().HasReader());
        sim.WithReader([](sim::SimulatedReader& reader) {
            reader.SetHandler(224, [](const sim::Request&) { return sim::Reply::Failure(19); });
            return 0;
        });
        bench.Click("btnGetMcuMacAddressEx");
        QCOMPARE(bench.Log("mmLog").last(),
                 QStringLiteral("调用KorviCardGetDeviceMacAddress失败!"));
        QVERIFY(bench.window().context().HasReader());
    }

    void AppConfigRoundTrip() {
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        SetText(bench, "edtStaticIpEthernet", "10.9.8.7");
        SetText(bench, "edtNetworkMaskEthernet", "255.255.0.0");
        SetText(bench, "edtGateWayEthernet", "10.9.0.1");
        SetText(bench, "edtDnsAddress", "10.9.0.53");
        SetText(bench, "edtServerIpEthernet", "10.9.0.10");
        SetText(bench, "edtServerPortEthernt", "7001");
        SetText(bench, "edtOperatePassword", "0123456789ABCDE");  // 15 bytes: the most
        SetText(bench, "edtDispatchPostCode", "100080");
        SetText(bench, "edtDispatchAccount", "4294967295");
        SetText(bench, "edtDispatchPassword", " 调度密码 ");
        SetText(bench, "edtDispatchUrl", " dispatch.example ");
        bench.Find<QComboBox>("cmbDispatchLineType")->setCurrentIndex(3);
        bench.Find<QCheckBox>("chkSTM32IapEthernet")->click();
        bench.Click("btnSetAppConfigEthernet");
        QCOMPARE(bench.Log("mmLog"), QStringList{"调用KorviCardSetAppConfig成功!"});
        QVERIFY(!bench.window().context().HasReader());
        const auto sent = Payloads(sim, kSetAppConfig);
        QCOMPARE(sent.size(), std::size_t{1});
        const std::vector<std::uint8_t>& record = sent[0];
        QCOMPARE(record.size(), std::size_t{120});
        QVERIFY((std::vector<std::uint8_t>(record.begin(), record.begin() + 16) ==
                 std::vector<std::uint8_t>{0, 0, 0, 0, 10, 9, 8, 7, 255, 255, 0, 0, 10, 9, 0, 1}));
        QCOMPARE(record[36], std::uint8_t{0x59});  // 7001 little-endian
        QCOMPARE(record[37], std::uint8_t{0x1B});
        QCOMPARE(record[44], std::uint8_t{3});
        QCOMPARE(record[31], std::uint8_t{0});     // the password's terminator
        QCOMPARE(record[52], std::uint8_t{0xB5});  // "调" in GBK
        QCOMPARE(record[84], std::uint8_t{'d'});

        for (const char* edit : {"edtStaticIpEthernet", "edtOperatePassword", "edtDispatchUrl",
                                 "edtDispatchPassword", "edtDispatchAccount"}) {
            SetText(bench, edit, "");
        }
        bench.Find<QCheckBox>("chkSTM32IapEthernet")->setChecked(true);
        bench.ClearLog("mmLog");
        bench.Click("btnGetAppConfigEthernet");
        QCOMPARE(bench.Log("mmLog"),
                 (QStringList{"调用KorviCardGetAppConfig成功!", "IP地址:10.9.8.7",
                              "子网掩码:255.255.0.0", "网关:10.9.0.1", "DNS:10.9.0.53"}));
        QVERIFY(bench.window().context().HasReader());  // the read leaves it open
        QVERIFY(!bench.Find<QCheckBox>("chkSTM32IapEthernet")->isChecked());
        QCOMPARE(Text(bench, "edtStaticIpEthernet"), QStringLiteral("10.9.8.7"));
        QCOMPARE(Text(bench, "edtOperatePassword"), QStringLiteral("0123456789ABCDE"));
        QCOMPARE(Text(bench, "edtDispatchPassword"), QStringLiteral("调度密码"));
        QCOMPARE(Text(bench, "edtDispatchUrl"), QStringLiteral("dispatch.example"));
        QCOMPARE(Text(bench, "edtDispatchAccount"), QStringLiteral("4294967295"));
        QCOMPARE(bench.Find<QComboBox>("cmbDispatchLineType")->currentIndex(), 3);
    }

    void AppConfigChecksSendNothing_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("port") << "edtServerPortEthernt"
                              << "7a"
                              << "端口不是整形数据类型!";
        QTest::newRow("port too big") << "edtServerPortEthernt"
                                      << "65536"
                                      << "端口不是整形数据类型!";
        QTest::newRow("account") << "edtDispatchAccount"
                                 << "-1"
                                 << "调度账号不是整形数据类型!";
        QTest::newRow("post code") << "edtDispatchPostCode"
                                   << "10008x"
                                   << "调度邮编不是整形数据类型!";
        QTest::newRow("device address") << "edtStaticIpEthernet"
                                        << "10.9.8"
                                        << "Ip不是整形数据类型!";
        QTest::newRow("DNS above 255") << "edtDnsAddress"
                                       << "10.9.0.256"
                                       << "Ip不是整形数据类型!";
        QTest::newRow("password of 16 bytes") << "edtOperatePassword"
                                              << "0123456789ABCDEF"
                                              << "操作密码超过15字节，未执行";
        QTest::newRow("URL of 32 bytes")
            << "edtDispatchUrl" << QString(32, QLatin1Char('u')) << "URL超过31字节，未执行";
        QTest::newRow("dispatch password of 16 GBK characters")
            << "edtDispatchPassword" << QString(16, QChar(0x8C03)) << "调度密码超过31字节，未执行";
    }
    void AppConfigChecksSendNothing() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, line);
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        SetText(bench, qPrintable(edit), text);
        bench.Click("btnSetAppConfigEthernet");
        QCOMPARE(bench.Log("mmLog"), QStringList{line});
        QVERIFY(Payloads(sim, kSetAppConfig).empty());
        QVERIFY(!bench.window().context().HasReader());
    }

    void PingButtons() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnPing");  // the reader address, 127.0.0.1
        SetText(bench, "edtStaticIpEthernet", " 127.0.0.3 ");
        bench.Click("btnPingEthernet");
        const QStringList log = bench.Log("mmLog");
        QCOMPARE(log.count("PING 127.0.0.1"), 4);
        QCOMPARE(log.count("PING 127.0.0.3"), 4);
        QCOMPARE(log.count("返回字节32"), 8);
        QCOMPARE(log.filter(QRegularExpression("^执行时间\\d+ms$")).size(), 8);
        QVERIFY(bench.Find<QPushButton>("btnPing")->isEnabled());
        QVERIFY(bench.Find<QPushButton>("btnPingEthernet")->isEnabled());

        bench.ClearLog("mmLog");
        SetText(bench, "edtStaticIpEthernet", "  ");
        bench.Click("btnPingEthernet");
        QVERIFY(bench.Log("mmLog").isEmpty());
        SetText(bench, "edtStaticIpEthernet", "localhost");
        bench.Click("btnPingEthernet");
        QCOMPARE(bench.messages, QStringList{"PING出错!“localhost”不是IPv4地址"});
        QVERIFY(bench.Log("mmLog").isEmpty());
    }

    void HiddenButtonsNeedAnOpenReader() {
        BenchSim sim;
        BenchWindow bench(sim);
        UseSerialReader(bench, sim);
        bench.Find<QPushButton>("Button1")->click();
        bench.Find<QPushButton>("Button2")->click();
        QCOMPARE(bench.Log("mmLog"), (QStringList{"设备未打开，未执行", "设备未打开，未执行"}));
        QCOMPARE(sim.Connections(), 0);

        bench.Click("btnGetAppConfigEthernet");  // leaves the reader open
        bench.ClearLog("mmLog");
        bench.Find<QPushButton>("Button1")->click();
        bench.Find<QPushButton>("Button2")->click();
        EXPECT_LINES(bench.Log("mmLog"), "KorviCard-Lab", "-48DB", "通道6", "加密3", "Guest");
        const auto station = Payloads(sim, kSetStation);
        QCOMPARE(station.size(), std::size_t{1});
        QVERIFY(std::equal(station[0].begin(), station[0].begin() + 15, "KorviCard-Diag"));
        QVERIFY(std::equal(station[0].begin() + 16, station[0].begin() + 31, "Diag1357924680"));
    }

    // Placing the groups again, before or after the page is laid out, leaves the page's rows
    // as they were: no second stretch, no group twice.
    void GroupsPlacedAgain() {
        QWidget window;
        bench::BenchContext context(&window);
        auto* page = new bench::HfBasicsPage(context, &window);
        auto* wifi = new QWidget;
        wifi->setObjectName("WIFI");
        auto* ethernet = new QWidget;
        ethernet->setObjectName("GroupBox13");
        const auto rows = [page] {
            QStringList items;
            for (const QBoxLayout* row : page->findChildren<QBoxLayout*>()) {
                QStringList names;
                for (int i = 0; i < row->count(); ++i) {
                    QLayoutItem* item = row->itemAt(i);
                    names << (item->widget()       ? item->widget()->objectName()
                              : item->spacerItem() ? QStringLiteral("stretch")
                                                   : QStringLiteral("layout"));
                }
                items << names.join(QLatin1Char(' '));
            }
            return items;
        };
        page->PlaceNetworkGroups(wifi, ethernet);
        const QStringList placed = rows();
        page->PlaceNetworkGroups(wifi, ethernet);
        QCOMPARE(rows(), placed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        page->PlaceNetworkGroups(wifi, ethernet);
        QCOMPARE(rows(), placed);
    }

    // On the shown first page the ETHERNET group heads its column beside the card groups,
    // level with them, and the WIFI group heads the row below them.
    void GroupsShownInPlace() {
        BenchSim sim;
        BenchWindow bench(sim);
        auto* page = bench.Find<QWidget>("TabSheet1");
        bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(page);
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window()));
        const auto at = [&](const char* group) {
            return bench.Find<QWidget>(group)->mapTo(page, QPoint(0, 0));
        };
        QCOMPARE(at("GroupBox13").y(), at("GroupBoxM1").y());
        QCOMPARE(at("GroupBox13").y(), at("GroupBoxCpu").y());
        QVERIFY(at("GroupBox13").x() > at("GroupBoxCpu").x());
        QCOMPARE(at("WIFI").x(), at("GroupBoxM1").x());
    }

  private:
    static void StationRecordCheck(BenchSim& sim, const char* ssid, const char* passPhrase,
                                   const std::vector<std::uint8_t>& addresses) {
        const auto sent = Payloads(sim, kSetStation);
        QVERIFY(!sent.empty());
        const std::vector<std::uint8_t>& record = sent.back();
        QCOMPARE(record.size(), std::size_t{48});
        QVERIFY(std::vector<std::uint8_t>(record.begin(), record.begin() + 16) == Padded(ssid, 16));
        QVERIFY(std::vector<std::uint8_t>(record.begin() + 16, record.begin() + 32) ==
                Padded(passPhrase, 16));
        std::vector<std::uint8_t> expected = addresses;
        expected.resize(16, 0);
        QVERIFY(std::vector<std::uint8_t>(record.begin() + 32, record.end()) == expected);
    }
};

QTEST_MAIN(NetworkGroupsTest)
#include "network_groups_test.moc"
