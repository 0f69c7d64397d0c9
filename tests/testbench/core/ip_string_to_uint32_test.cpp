// Dotted-address packing for the network handlers: first part in the high byte.

#include <QTest>

#include "testbench/core/hex_text.h"
#include "testbench/core/ip_string_to_uint32.h"

class IpStringToUInt32Test : public QObject {
    Q_OBJECT
  private slots:
    void Packs_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("value");
        QTest::newRow("reader default") << "192.168.4.1" << 0xC0A80401u;
        QTest::newRow("private network") << "10.0.0.1" << 0x0A000001u;
        QTest::newRow("loopback") << "127.0.0.1" << 0x7F000001u;
        QTest::newRow("broadcast") << "255.255.255.255" << 0xFFFFFFFFu;
        // Fewer parts fill the high bytes only; a part above 255 carries into the next byte.
        QTest::newRow("two parts") << "1.2" << 0x01020000u;
        QTest::newRow("part above 255") << "0.0.1.256" << 0x00000200u;
        // A fifth part shifts by -8, taken modulo 32 as 24.
        QTest::newRow("five parts") << "1.2.3.4.5" << 0x06020304u;
        QTest::newRow("negative part") << "0.0.0.-1" << 0xFFFFFFFFu;
    }
    void Packs() {
        QFETCH(QString, text);
        QFETCH(quint32, value);
        QCOMPARE(bench::IpStringToUInt32(text), value);
    }

    void RefusesPartsThatAreNoIntegers_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("empty part") << "192..4.1";
        QTest::newRow("letters") << "192.168.x.1";
        QTest::newRow("host name") << "localhost";
    }
    void RefusesPartsThatAreNoIntegers() {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(bench::ConversionError, bench::IpStringToUInt32(text));
    }
};

QTEST_MAIN(IpStringToUInt32Test)
#include "ip_string_to_uint32_test.moc"
