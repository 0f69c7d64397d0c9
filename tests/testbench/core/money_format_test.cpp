// Amounts as the fuel-card lines show them: the pattern "####.00".

#include <QTest>

#include "testbench/core/money_format.h"

class MoneyFormatTest : public QObject {
    Q_OBJECT
  private slots:
    void FormatsCents_data() {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero has no integer digit") << qint64{0} << ".00";
        QTest::newRow("half") << qint64{50} << ".50";
        QTest::newRow("one cent") << qint64{1} << ".01";
        QTest::newRow("one unit") << qint64{100} << "1.00";
        QTest::newRow("balance") << qint64{12345} << "123.45";
        QTest::newRow("more digits than the pattern") << qint64{123456789} << "1234567.89";
        QTest::newRow("negative") << qint64{-50} << "-.50";
        QTest::newRow("largest 32-bit amount") << qint64{4294967295} << "42949672.95";
        QTest::newRow("smallest 32-bit balance") << qint64{-2147483648LL} << "-21474836.48";
    }
    void FormatsCents() {
        QFETCH(qint64, cents);
        QFETCH(QString, text);
        QCOMPARE(bench::FormatCents(cents), text);
    }
};

QTEST_MAIN(MoneyFormatTest)
#include "money_format_test.moc"
