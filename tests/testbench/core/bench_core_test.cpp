// The bench's shared helpers: hex texts, error texts, log lines, addresses, the open a
// selection asks for, keys, GBK texts and the serial-port lister.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <vector>

#include "testbench/core/error_texts.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/ip_address.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/reader_selection.h"
#include "testbench/core/serial_port_lister.h"

using namespace bench;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

class BenchCoreTest : public QObject {
    Q_OBJECT
  private slots:
    void ErrorTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "正常执行";
        QTest::newRow("1") << 1 << "未知的错误";
        QTest::newRow("3") << 3 << "接收超时";
        QTest::newRow("9") << 9 << "三次验证错误";
        QTest::newRow("19") << 19 << "发送14443指令错误";
        QTest::newRow("27") << 27 << "复位WIFI模块错误";
        QTest::newRow("28") << 28 << "未知错误";
        QTest::newRow("31") << 31 << "未知错误";
        QTest::newRow("32") << 32 << "轮询操作失败。没有标签返回或者返回数据CRC 校验错误。";
        QTest::newRow("33") << 33 << "未知错误";
        QTest::newRow("255") << 255 << "未知错误";
        QTest::newRow("256 is 0") << 256 << "正常执行";
        QTest::newRow("-1 is 255") << -1 << "未知错误";
        QTest::newRow("262 is 6") << 262 << "寻卡错误";
    }
    void ErrorTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(ErrorCodeText(code), text);
    }

    void EveryCodeHasText() {
        QSet<QString> distinct;
        for (int code = 0; code < 256; ++code) {
            const QString text = ErrorCodeText(code);
            QVERIFY(!text.isEmpty());
            distinct.insert(text);
        }
        // 0-27 and 32 each have their own text; every other code shares one.
        QCOMPARE(distinct.size(), 30);
    }

    void IsHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hex");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("0g") << "0g" << false;
        QTest::newRow("mixed case") << "AbCdEf09" << true;
        QTest::newRow("blank") << "0A 1B" << false;
        QTest::newRow("full-width digit") << "０1" << false;
    }
    void IsHex() {
        QFETCH(QString, text);
        QFETCH(bool, hex);
        QCOMPARE(IsHexText(text), hex);
    }

    void BytesToHexForms() {
        const std::uint8_t bytes[] = {0x0A, 0xFF, 0x10};
        QCOMPARE(BytesToHex(bytes, 3, true), QStringLiteral(" 0A FF 10"));
        QCOMPARE(BytesToHex(bytes, 3, false), QStringLiteral("0AFF10"));
        QCOMPARE(BytesToHex(bytes, 2, false), QStringLiteral("0AFF"));
        QCOMPARE(BytesToHex(bytes, 0, true), QString());
        QCOMPARE(BytesToHex(bytes, 4, false), QString());
    }

    void HexToBytesCases_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::vector<std::uint8_t>>("bytes");
        QTest::newRow("pairs") << "0A1B" << std::vector<std::uint8_t>{0x0A, 0x1B};
        QTest::newRow("three digits") << "ABC" << std::vector<std::uint8_t>{0xAB, 0x0C};
        QTest::newRow("five digits drop the last")
            << "ABCDE" << std::vector<std::uint8_t>{0xAB, 0xCD};
        QTest::newRow("seven digits") << "0102030" << std::vector<std::uint8_t>{1, 2, 3, 0};
        QTest::newRow("trimmed text is parsed")
            << "  0A1B\t" << std::vector<std::uint8_t>{0x0A, 0x1B};
        QTest::newRow("one digit rounds to none") << "A" << std::vector<std::uint8_t>{};
    }
    void HexToBytesCases() {
        QFETCH(QString, text);
        QFETCH(std::vector<std::uint8_t>, bytes);
        std::array<std::uint8_t, 64> out{};
        int count = -1;
        HexToBytes(text, out, 63, count);
        QCOMPARE(count, static_cast<int>(bytes.size()));
        QCOMPARE(std::vector<std::uint8_t>(out.begin(), out.begin() + count), bytes);
    }

    void HexToBytesRefusals() {
        std::array<std::uint8_t, 64> out{};
        int count = 7;
        HexToBytes(QString(65, QLatin1Char('1')), out, 63, count);
        QCOMPARE(count, 7);
        QCOMPARE(out[0], std::uint8_t{0});
        HexToBytes(QString(64, QLatin1Char('1')), out, 63, count);
        QCOMPARE(count, 32);
        QVERIFY_THROWS_EXCEPTION(ConversionError, HexToBytes(QStringLiteral("0G"), out, 63, count));
        // A destination smaller than the text takes only what fits.
        std::array<std::uint8_t, 2> small{};
        HexToBytes(QStringLiteral("010203"), small, 63, count);
        QCOMPARE(count, 2);
    }

    void LogLineFormat() {
        const QDateTime moment(QDate(2026, 12, 9), QTime(8, 5, 3, 42));
        QCOMPARE(LogMemo::FormatLine(moment, QStringLiteral("调用KorviCardHalt成功!")),
                 QStringLiteral("12-09 08:05:03:042:调用KorviCardHalt成功!"));
    }

    void IpAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("reader default") << "192.168.4.1" << true;
        QTest::newRow("loopback") << "127.0.0.1" << true;
        QTest::newRow("broadcast") << "255.255.255.255" << false;
        QTest::newRow("host name") << "reader.local" << false;
        QTest::newRow("three parts") << "10.0.1" << false;
        QTest::newRow("part above 255") << "10.0.0.256" << false;
        QTest::newRow("empty part") << "10..0.1" << false;
        QTest::newRow("blank inside") << "10.0. 0.1" << false;
        QTest::newRow("hex part") << "0x7f.0.0.1" << false;
        QTest::newRow("empty") << "" << false;
    }
    void IpAddresses() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(IsIpAddress(text), accepted);
    }

    void OpenRequests_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("commPort");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<QString>("pid");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("vidOrPort");
        QTest::addColumn<int>("pidOut");
        QTest::addColumn<QString>("error");
        const int usb = static_cast<int>(ReaderModel::kUsbHid);
        const int serial = static_cast<int>(ReaderModel::kSerial);
        const int net = static_cast<int>(ReaderModel::kNetwork);
        const int v1k = static_cast<int>(ReaderModel::kV1K);
        QTest::newRow("usb defaults") << usb << "/dev/ttyUSB0"
                                      << "192.168.4.1"
                                      << "12345"
                                      << "0"
                                      << "0" << 0 << "" << 0 << 0 << "";
        QTest::newRow("usb ids and index") << usb << ""
                                           << ""
                                           << ""
                                           << "51a"
                                           << "511B" << 3 << "" << 0x51A << 0x511B << "";
        QTest::newRow("serial trims the port") << serial << " /dev/ttyUSB0\t"
                                               << ""
                                               << ""
                                               << "0"
                                               << "0" << 0 << "/dev/ttyUSB0" << 0 << 0 << "";
        QTest::newRow("serial without ports") << serial << ""
                                              << ""
                                              << ""
                                              << "0"
                                              << "0" << 0 << "" << 0 << 0 << "";
        QTest::newRow("network") << net << "/dev/ttyS0"
                                 << "192.168.4.1"
                                 << "12345"
                                 << "0"
                                 << "0" << 0 << "192.168.4.1" << 12345 << 0 << "";
        QTest::newRow("network broadcast") << net << ""
                                           << "255.255.255.255"
                                           << "12345"
                                           << "0"
                                           << "0" << 0 << "" << 12345 << 0 << "";
        QTest::newRow("network host name") << net << ""
                                           << "reader"
                                           << "7000"
                                           << "0"
                                           << "0" << 0 << "" << 7000 << 0 << "";
        QTest::newRow("v1k ignores the port list") << v1k << "/dev/ttyS0"
                                                   << "127.0.0.1"
                                                   << "1"
                                                   << "0"
                                                   << "0" << 1 << "" << 0 << 0 << "";
        QTest::newRow("bad vid") << usb << ""
                                 << ""
                                 << ""
                                 << "xyz"
                                 << "0" << 0 << "" << 0 << 0 << "“xyz”不是有效的整数值";
        QTest::newRow("empty pid") << usb << ""
                                   << ""
                                   << ""
                                   << "0"
                                   << "" << 0 << "" << 0 << 0 << "“”不是有效的整数值";
        QTest::newRow("bad port") << net << ""
                                  << "127.0.0.1"
                                  << "12a"
                                  << "0"
                                  << "0" << 0 << "" << 0 << 0 << "“12a”不是有效的整数值";
    }
    void OpenRequests() {
        QFETCH(int, model);
        QFETCH(QString, commPort);
        QFETCH(QString, ip);
        QFETCH(QString, port);
        QFETCH(QString, vid);
        QFETCH(QString, pid);
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(int, vidOrPort);
        QFETCH(int, pidOut);
        QFETCH(QString, error);
        ReaderSelection selection;
        selection.model = static_cast<ReaderModel>(model);
        selection.commPort = commPort;
        selection.ipAddress = ip;
        selection.devicePort = port;
        selection.vid = vid;
        selection.pid = pid;
        selection.usbIndex = index;
        const auto request = BuildOpenRequest(selection);
        if (!error.isEmpty()) {
            QVERIFY(std::holds_alternative<QString>(request));
            QCOMPARE(std::get<QString>(request), error);
            return;
        }
        QVERIFY(std::holds_alternative<OpenRequest>(request));
        const OpenRequest& open = std::get<OpenRequest>(request);
        QCOMPARE(QString::fromStdString(open.name), name);
        QCOMPARE(open.vidOrPort, vidOrPort);
        QCOMPARE(open.pid, pidOut);
        QCOMPARE(open.usbIndex, index);
    }

    void Keys() {
        const auto key = KeyFromHexText(QStringLiteral("A0a1A2a3A4a5"));
        QCOMPARE(key, (std::array<std::uint8_t, 6>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
        for (const char* bad : {"FFFFFFFFFFF", "FFFFFFFFFFFFF", "FFFFFFFFFFFG", "FFFFFF FFFFF"}) {
            QVERIFY_THROWS_EXCEPTION(ConversionError, KeyFromHexText(QString::fromLatin1(bad)));
        }
    }

    void GbkTexts() {
        const QString text = QStringLiteral("深圳市中华人民共和国读写器测试文本ABC");
        const auto gbk = ToGbk(text);
        QVERIFY(gbk.has_value());
        QCOMPARE(gbk->size(), 2 * 17 + 3);
        QCOMPARE(FromGbk(gbk->constData(), static_cast<std::size_t>(gbk->size())), text);
        // Up to the first zero byte, and never past the buffer's size.
        const char bytes[] = {'\xD6', '\xD0', 0, 'x'};
        QCOMPARE(FromGbk(bytes, sizeof bytes), QStringLiteral("中"));
        QCOMPARE(FromGbk(bytes, 1), QStringLiteral("\uFFFD"));
        QVERIFY(!ToGbk(QStringLiteral("😀")).has_value());
    }

    void SerialPorts() {
        QTemporaryDir root;
        const QString tty = root.filePath(QStringLiteral("sys/class/tty"));
        auto entry = [&](const QString& name, bool device, const char* type = nullptr) {
            QDir().mkpath(tty + QLatin1Char('/') + name);
            if (device) QDir().mkpath(tty + QLatin1Char('/') + name + QStringLiteral("/device"));
            if (type != nullptr) {
                QFile file(tty + QLatin1Char('/') + name + QStringLiteral("/type"));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(type);
            }
        };
        entry(QStringLiteral("ttyUSB10"), true);
        entry(QStringLiteral("ttyUSB2"), true);
        entry(QStringLiteral("ttyACM0"), true);
        entry(QStringLiteral("ttyS0"), true, "4\n");
        entry(QStringLiteral("ttyS1"), true, "0\n");
        entry(QStringLiteral("tty1"), false);
        entry(QStringLiteral("console"), false);
        entry(QStringLiteral("rfcomm0"), false);
        QStringList ports{QStringLiteral("stale")};
        TSysInfo(root.path()).ListSerialPorts(ports);
        QCOMPARE(ports, (QStringList{"/dev/rfcomm0", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB10",
                                     "/dev/ttyUSB2"}));

        QStringList untouched{QStringLiteral("kept")};
        TSysInfo(root.filePath(QStringLiteral("missing"))).ListSerialPorts(untouched);
        QCOMPARE(untouched, QStringList{QStringLiteral("kept")});
    }
};

QTEST_GUILESS_MAIN(BenchCoreTest)
#include "bench_core_test.moc"
