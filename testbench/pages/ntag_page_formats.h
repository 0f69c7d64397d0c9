#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace bench {

// An NTAG21x model as its version record's storage-size byte (byte 6) names it.
struct NtagModel {
    std::uint8_t storageSize;
    const char* name;
    int passwordPage;
    int configPage;  // AUTH0 in its byte 3
};

// The model of the storage-size byte, or null for one the bench does not know.
const NtagModel* FindNtagModel(std::uint8_t storageSize);
// "卡片型号：" and the model's name, or "未知" for null.
QString NtagModelLine(const NtagModel* model);

// The value of a page to write: the trimmed text as 1 to 8 hexadecimal digits, written to the
// tag most significant byte first; nothing for any other text.
std::optional<std::array<std::uint8_t, 4>> NtagPageValue(const QString& text);

// The two lines of a 7-byte UID read with its first byte most significant: 14 upper-case
// hexadecimal digits and the decimal value.
QStringList NtagUidLines(const std::uint8_t (&cardNo)[8]);

}  // namespace bench
