// The Mifare and NTAG pages' helpers: block numbering, the key, block and page-value texts
// they accept, the NTAG21x model table and the number formats they log.

#include <QTest>
#include <optional>

#include "testbench/core/card_type_line.h"
#include "testbench/pages/m1_page_checks.h"
#include "testbench/pages/ntag_page_formats.h"

using namespace bench;

Q_DECLARE_METATYPE(std::optional<QByteArray>)

class CardPageHelpersTest : public QObject {
    Q_OBJECT
  private slots:
    void BlockNumbers_data() {
        QTest::addColumn<int>("sector");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("card4K");
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("blocks");
        QTest::newRow("sector 0") << 0 << 0 << false << 0 << 4;
        QTest::newRow("trailer of sector 5") << 5 << 3 << false << 23 << 4;
        QTest::newRow("last small sector") << 31 << 3 << true << 127 << 4;
        QTest::newRow("first large sector") << 32 << 0 << true << 128 << 16;
        QTest::newRow("trailer of sector 32") << 32 << 15 << true << 143 << 16;
        QTest::newRow("last block of a 4K card") << 39 << 15 << true << 255 << 16;
        QTest::newRow("sector 32 of a 1K card") << 32 << 0 << false << 128 << 4;
    }
    void BlockNumbers() {
        QFETCH(int, sector);
        QFETCH(int, index);
        QFETCH(bool, card4K);
        QFETCH(int, block);
        QFETCH(int, blocks);
        QCOMPARE(M1Block(sector, index), block);
        QCOMPARE(M1BlocksInSector(sector, card4K), blocks);
    }

    void KeyTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("blockPage");
        QTest::addColumn<QString>("initPage");
        QTest::newRow("transport key") << "FFFFFFFFFFFF"
                                       << ""
                                       << "";
        QTest::newRow("lower case") << "a0a1a2a3a4a5"
                                    << ""
                                    << "";
        QTest::newRow("11 digits") << "FFFFFFFFFFF"
                                   << "密码B长度错误,应为12字符!"
                                   << "扇区7密码B！长度错误";
        QTest::newRow("13 digits") << "FFFFFFFFFFFFF"
                                   << "密码B长度错误,应为12字符!"
                                   << "扇区7密码B！长度错误";
        QTest::newRow("empty") << ""
                               << "密码B长度错误,应为12字符!"
                               << "扇区7密码B！长度错误";
        QTest::newRow("G") << "FFFFFFFFFFFG"
                           << "密码B包含非法字符!"
                           << "扇区7密码B！包含非法字符";
        QTest::newRow("blank inside") << "FFFFF FFFFFF"
                                      << "密码B包含非法字符!"
                                      << "扇区7密码B！包含非法字符";
        QTest::newRow("full-width digit") << QStringLiteral("FFFFFFFFFFF０") << "密码B包含非法字符!"
                                          << "扇区7密码B！包含非法字符";
    }
    void KeyTexts() {
        QFETCH(QString, text);
        QFETCH(QString, blockPage);
        QFETCH(QString, initPage);
        QCOMPARE(M1KeyTextError(text, QChar('B')), blockPage);
        QCOMPARE(M1NewKeyError(7, QChar('B'), text), initPage);
    }

    void BlockTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("32 digits") << "000102030405060708090A0B0C0D0E0F"
                                   << "";
        QTest::newRow("31 digits") << "000102030405060708090A0B0C0D0E0"
                                   << "数据块9长度错误,应为32字符!";
        QTest::newRow("33 digits") << "000102030405060708090A0B0C0D0E0F0"
                                   << "数据块9长度错误,应为32字符!";
        QTest::newRow("not hex") << "000102030405060708090A0B0C0D0E0-"
                                 << "数据块9包含非法字符!";
    }
    void BlockTexts() {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(M1BlockTextError(9, text), line);
    }

    void NtagModels_data() {
        QTest::addColumn<int>("storage");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("passwordPage");
        QTest::addColumn<int>("configPage");
        QTest::newRow("0F") << 0x0F << "卡片型号：NTAG213" << 43 << 41;
        QTest::newRow("11") << 0x11 << "卡片型号：NTAG215" << 133 << 131;
        QTest::newRow("13") << 0x13 << "卡片型号：NTAG216" << 229 << 227;
        QTest::newRow("12") << 0x12 << "卡片型号：未知" << -1 << -1;
        QTest::newRow("00") << 0x00 << "卡片型号：未知" << -1 << -1;
    }
    void NtagModels() {
        QFETCH(int, storage);
        QFETCH(QString, line);
        QFETCH(int, passwordPage);
        QFETCH(int, configPage);
        const NtagModel* model = FindNtagModel(static_cast<std::uint8_t>(storage));
        QCOMPARE(NtagModelLine(model), line);
        QCOMPARE(model != nullptr ? model->passwordPage : -1, passwordPage);
        QCOMPARE(model != nullptr ? model->configPage : -1, configPage);
    }

    void PageValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QByteArray>>("bytes");
        QTest::newRow("eight digits")
            << "01020304" << std::optional(QByteArray::fromHex("01020304"));
        QTest::newRow("two digits") << "A5" << std::optional(QByteArray::fromHex("000000A5"));
        QTest::newRow("blanks around")
            << "  7f  " << std::optional(QByteArray::fromHex("0000007F"));
        QTest::newRow("all ones") << "FFFFFFFF" << std::optional(QByteArray::fromHex("FFFFFFFF"));
        QTest::newRow("nine digits") << "123456789" << std::optional<QByteArray>();
        QTest::newRow("not hex") << "12G4" << std::optional<QByteArray>();
        QTest::newRow("sign") << "-1" << std::optional<QByteArray>();
        QTest::newRow("empty") << "" << std::optional<QByteArray>();
    }
    void PageValues() {
        QFETCH(QString, text);
        QFETCH(std::optional<QByteArray>, bytes);
        const auto value = NtagPageValue(text);
        QCOMPARE(value.has_value(), bytes.has_value());
        if (value) QCOMPARE(QByteArray(reinterpret_cast<const char*>(value->data()), 4), *bytes);
    }

    void NumberLines() {
        const std::uint8_t uid[8] = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x99};
        QCOMPARE(NtagUidLines(uid),
                 (QStringList{"卡号(16进制)：04112233445566", "卡号(10进制)：1144738493519206"}));
        const std::uint8_t high[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        QCOMPARE(NtagUidLines(high),
                 (QStringList{"卡号(16进制)：FFFFFFFFFFFFFF", "卡号(10进制)：72057594037927935"}));
        KorviCardParam param{};
        param.nCardType = 0x44;
        QCOMPARE(CardTypeLine(param), QString("卡型：0044"));
        param.nCardType = 0x1ABCD;
        QCOMPARE(CardTypeLine(param), QString("卡型：ABCD"));
    }
};

QTEST_MAIN(CardPageHelpersTest)
#include "card_page_helpers_test.moc"
