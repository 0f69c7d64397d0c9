// Text kept over the data blocks of a Mifare sector or over the user pages of a tag.
#include <algorithm>
#include <cstring>

#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::int32_t kMifare4K = 2;
constexpr std::int32_t kMifare1K = 4;
constexpr std::int32_t kNtag = 0x44;
constexpr int kMaxSector = 39;
constexpr int kFirstTagUserPage = 4;
constexpr int kReadBytes = 16;

// The units a text occupies: [first, end) blocks of 16 bytes or pages of 4 bytes.
struct TextArea {
    int first = 0;
    int end = 0;
    int unitBytes = 0;
};

// The data blocks of a Mifare sector: the manufacturer block and the trailer excluded.
bool SectorArea(int sector, TextArea& area) {
    if (sector < 0 || sector > kMaxSector) return false;
    const int first = sector < 32 ? 4 * sector : 128 + 16 * (sector - 32);
    const int trailer = first + (sector < 32 ? 3 : 15);
    area = {sector == 0 ? 1 : first, trailer, 16};
    return true;
}

// The page after the tag's user memory, from its capability container's size byte: the
// two known sizes, otherwise the memory that byte announces (size x 8 bytes from page 4),
// and never past page 39.
int TagPageLimit(std::uint8_t sizeByte) {
    if (sizeByte == 0x3E) return 129;
    if (sizeByte == 0x6D) return 225;
    return std::min(39, kFirstTagUserPage + 2 * sizeByte);
}

// The tag's user pages from start: reads the capability container first.
bool TagArea(ReaderSession& session, int start, TextArea& area) {
    if (start < kFirstTagUserPage) return false;
    KorviCardParam record{};
    if (!session.Read(0, &record) || record.nBufferSize < kReadBytes) return false;
    const int limit = TagPageLimit(record.arrBuffer[14]);  // page 3, byte 2
    if (start >= limit) return false;
    area = {start, limit, 4};
    return true;
}

bool TextAreaFor(ReaderSession& session, int start, TextArea& area) {
    if (session.cardType == kMifare4K || session.cardType == kMifare1K) {
        return SectorArea(start, area);
    }
    if (session.cardType == kNtag) return TagArea(session, start, area);
    return false;
}

}  // namespace

bool ReaderSession::ReadText(int start, char* output, int count) {
    if (output == nullptr || count <= 0) return false;
    TextArea area;
    if (!TextAreaFor(*this, start, area)) return false;
    const int unitsPerRead = kReadBytes / area.unitBytes;
    int total = 0;
    for (int unit = area.first; unit < area.end; unit += unitsPerRead) {
        KorviCardParam record{};
        if (!Read(unit, &record)) return false;
        // A read near the end of the area carries bytes past it: they are not text.
        const int bytes = std::min(kReadBytes, (area.end - unit) * area.unitBytes);
        if (record.nBufferSize < bytes) return false;
        total += bytes;
        if (count < total) return true;
        std::memcpy(output + total - bytes, record.arrBuffer, static_cast<std::size_t>(bytes));
        if (std::memchr(record.arrBuffer, 0, static_cast<std::size_t>(bytes)) != nullptr) {
            return true;
        }
    }
    return true;
}

bool ReaderSession::WriteText(int start, const char* text, int count) {
    if (text == nullptr || count <= 0) return false;
    TextArea area;
    if (!TextAreaFor(*this, start, area)) return false;
    if (count > (area.end - area.first) * area.unitBytes) return false;
    int written = 0;
    for (int unit = area.first; unit < area.end; ++unit) {
        KorviCardParamLong record{};
        const int bytes = std::clamp(count - written, 0, area.unitBytes);
        std::memcpy(record.param.arrBuffer, text + written, static_cast<std::size_t>(bytes));
        record.param.nBufferSize = 16;
        if (!Write(unit, &record.param)) return false;
        written += area.unitBytes;
        if (count < written) return true;
    }
    return true;
}
