#include "testbench/pages/m1_page_checks.h"

#include "testbench/core/hex_text.h"

namespace bench {

namespace {

constexpr int kKeyDigits = 12;
constexpr int kBlockDigits = 32;

}  // namespace

int M1Block(int sector, int index) {
    return sector < 32 ? 4 * sector + index : 128 + 16 * (sector - 32) + index;
}

int M1BlocksInSector(int sector, bool card4K) { return card4K && sector >= 32 ? 16 : 4; }

QString M1KeyTextError(const QString& key, QChar which) {
    if (key.size() != kKeyDigits) {
        return QStringLiteral("密码%1长度错误,应为12字符!").arg(which);
    }
    if (!IsHexText(key)) return QStringLiteral("密码%1包含非法字符!").arg(which);
    return {};
}

QString M1BlockTextError(int index, const QString& data) {
    if (data.size() != kBlockDigits) {
        return QStringLiteral("数据块%1长度错误,应为32字符!").arg(index);
    }
    if (!IsHexText(data)) return QStringLiteral("数据块%1包含非法字符!").arg(index);
    return {};
}

QString M1NewKeyError(int n, QChar which, const QString& key) {
    if (key.size() != kKeyDigits) {
        return QStringLiteral("扇区%1密码%2！长度错误").arg(n).arg(which);
    }
    if (!IsHexText(key)) return QStringLiteral("扇区%1密码%2！包含非法字符").arg(n).arg(which);
    return {};
}

}  // namespace bench
