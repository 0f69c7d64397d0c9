// The identity page's pure helpers: the JPEG photo decoder and the identity texts.

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <vector>

#include "testbench/core/hex_text.h"
#include "testbench/core/id_card_texts.h"
#include "testbench/core/jpeg_photo.h"

using namespace bench;

namespace {

std::vector<std::uint8_t> JpegOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 2, y * 2, 128));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG")) qFatal("no JPEG writer");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Utf16(std::u16string_view text, std::size_t width) {
    std::vector<std::uint8_t> field(width, 0);
    for (std::size_t i = 0; i < text.size() && 2 * i + 1 < width; ++i) {
        field[2 * i] = static_cast<std::uint8_t>(text[i]);
        field[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return field;
}

}  // namespace

class IdCardDisplayTest : public QObject {
    Q_OBJECT
  private slots:
    void ValidPhotoDecodesToItsSize() {
        const std::vector<std::uint8_t> jpeg = JpegOf(102, 126);
        const QImage image = DecodeJpeg(jpeg);
        QCOMPARE(image.size(), QSize(102, 126));
        QVERIFY(qAbs(qRed(image.pixel(50, 0)) - 100) <= 4);  // lossy
    }

    void RefusedPhotosFailCleanly() {
        const std::vector<std::uint8_t> jpeg = JpegOf(102, 126);
        std::vector<std::uint8_t> corrupt = jpeg;
        for (std::size_t i = 2; i < 40; ++i) corrupt[i] = 0x5A;
        std::vector<std::uint8_t> badScan = jpeg;
        for (std::size_t i = badScan.size() / 2; i < badScan.size() - 2; ++i) badScan[i] = 0xFF;
        const std::vector<std::vector<std::uint8_t>> cases = {
            {},
            {0xFF, 0xD8, 0xFF, 0xD9},
            std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 20),
            std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2),
            corrupt,
            badScan,
            std::vector<std::uint8_t>(300, 0x41),
        };
        for (const auto& bytes : cases) QVERIFY(DecodeJpeg(bytes).isNull());
    }

    void FieldTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("shown");
        QTest::newRow("padded") << QStringLiteral("  张三 \t ") << 30 << QStringLiteral("张三");
        QTest::newRow("full width, no zero")
            << QStringLiteral("一二三四五六七八九十一二三四五") << 30
            << QStringLiteral("一二三四五六七八九十一二三四五");
        QTest::newRow("zero in the middle") << QStringLiteral("ab\u0000cd") << 30 << "ab";
        QTest::newRow("blanks only") << QStringLiteral("        ") << 16 << QString();
        QTest::newRow("odd width ignores the last byte") << QStringLiteral("xy") << 5 << "xy";
    }
    void FieldTexts() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, shown);
        const std::vector<std::uint8_t> field =
            Utf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                      static_cast<std::size_t>(text.size())),
                  static_cast<std::size_t>(width));
        QCOMPARE(TwoIdFieldText(field), shown);
    }

    void NationNames() {
        const std::pair<const char*, const char*> cases[] = {
            {"01", "汉"},       {"1", "汉"},    {"02", "蒙古"}, {"05", "维吾尔"},
            {"29", "柯尔克孜"}, {"46", "德昂"}, {"56", "基诺"}, {"00", ""},
            {"57", ""},         {"97", ""},     {"-3", ""},     {"", "民族编码为空"},
        };
        for (const auto& [code, name] : cases) {
            QCOMPARE(NationName(QString::fromUtf8(code)), QString::fromUtf8(name));
        }
        QVERIFY_THROWS_EXCEPTION(ConversionError, NationName(QStringLiteral("x1")));
    }

    void ErrorTextsByLowByte() {
        QCOMPARE(TwoIdErrorText(0), QStringLiteral("正常执行 没有错误"));
        QCOMPARE(TwoIdErrorText(256), QStringLiteral("正常执行 没有错误"));
        QCOMPARE(TwoIdErrorText(24), QStringLiteral("连接服务器失败"));
        QCOMPARE(TwoIdErrorText(12), QStringLiteral("读第一个文件错误结果 没有返回9000"));
        QCOMPARE(TwoIdErrorText(42), QStringLiteral("处理PSAM校验加密数据失败"));
        QCOMPARE(TwoIdErrorText(43), QStringLiteral("未知错误"));
        QCOMPARE(TwoIdErrorText(1000), TwoIdErrorText(232));
        QCOMPARE(TwoIdErrorText(-1), QStringLiteral("未知错误"));
    }

    // A failure line tells an error's text only when the driver reported one.
    void ErrorDetailOfFailureLines() {
        QCOMPARE(TwoIdErrorDetail(24), QStringLiteral("24错误描述:连接服务器失败"));
        QCOMPARE(TwoIdErrorDetail(1000), QStringLiteral("1000错误描述:") + TwoIdErrorText(232));
        QCOMPARE(TwoIdErrorDetail(0), QStringLiteral("0"));
        QCOMPARE(TwoIdErrorDetail(256), QStringLiteral("256"));
    }

    void SamDataTypeNames() {
        QCOMPARE(SamDataTypeName(1), QStringLiteral("第一个文件"));
        QCOMPARE(SamDataTypeName(4), QStringLiteral("外部认证"));
        QCOMPARE(SamDataTypeName(8), QStringLiteral("第五个文件"));
        QCOMPARE(SamDataTypeName(0), QString());
        QCOMPARE(SamDataTypeName(9), QString());
        QCOMPARE(SamDataTypeName(255), QString());
    }
};

QTEST_MAIN(IdCardDisplayTest)
#include "id_card_display_test.moc"
