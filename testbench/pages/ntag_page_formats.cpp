#include "testbench/pages/ntag_page_formats.h"

#include "testbench/core/hex_text.h"

namespace bench {

namespace {

constexpr NtagModel kModels[] = {
    {0x0F, "NTAG213", 43, 41},
    {0x11, "NTAG215", 133, 131},
    {0x13, "NTAG216", 229, 227},
};

constexpr int kUidBytes = 7;

}  // namespace

const NtagModel* FindNtagModel(std::uint8_t storageSize) {
    for (const NtagModel& model : kModels) {
        if (model.storageSize == storageSize) return &model;
    }
    return nullptr;
}

QString NtagModelLine(const NtagModel* model) {
    return QStringLiteral("卡片型号：") +
           (model != nullptr ? QString::fromLatin1(model->name) : QStringLiteral("未知"));
}

std::optional<std::array<std::uint8_t, 4>> NtagPageValue(const QString& text) {
    std::uint32_t value = 0;
    try {
        value = HexTextToValue(text);
    } catch (const ConversionError&) {
        return std::nullopt;
    }
    return std::array<std::uint8_t, 4>{
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

QStringList NtagUidLines(const std::uint8_t (&cardNo)[8]) {
    std::uint64_t n = 0;
    for (int i = 0; i < kUidBytes; ++i) n = n << 8 | cardNo[i];
    return {QStringLiteral("卡号(16进制)：") +
                QStringLiteral("%1").arg(n, 2 * kUidBytes, 16, QLatin1Char('0')).toUpper(),
            QStringLiteral("卡号(10进制)：") + QString::number(n)};
}

}  // namespace bench
