#include "core/cards/ber_tlv.h"

namespace {

constexpr int kMaxDepth = 8;
constexpr std::size_t kMaxTagBytes = 3;
constexpr std::size_t kMaxLengthBytes = 4;

bool IsPadding(std::uint8_t byte) { return byte == 0x00 || byte == 0xFF; }

// Calls visit(object) for each object directly inside data, skipping padding; stops when
// visit returns true (answering that object) or at a malformed object.
template <class Visit>
std::optional<TlvObject> ForEachTlv(std::span<const std::uint8_t> data, Visit&& visit) {
    std::size_t offset = 0;
    while (offset < data.size()) {
        if (IsPadding(data[offset])) {
            ++offset;
            continue;
        }
        const std::optional<TlvObject> object = ReadTlv(data.subspan(offset));
        if (!object) {
            return std::nullopt;
        }
        if (visit(*object)) {
            return object;
        }
        offset += object->size;
    }
    return std::nullopt;
}

std::optional<TlvObject> Find(std::span<const std::uint8_t> data, std::uint32_t tag, int depth) {
    std::optional<TlvObject> found;
    ForEachTlv(data, [&](const TlvObject& object) {
        if (object.tag == tag) {
            found = object;
        } else if (object.constructed && depth < kMaxDepth) {
            found = Find(object.value, tag, depth + 1);
        }
        return found.has_value();
    });
    return found;
}

}  // namespace

std::optional<TlvObject> ReadTlv(std::span<const std::uint8_t> data) {
    std::size_t offset = 0;
    if (data.empty()) {
        return std::nullopt;
    }
    TlvObject object;
    const std::uint8_t first = data[offset++];
    object.tag = first;
    object.constructed = (first & 0x20) != 0;
    if ((first & 0x1F) == 0x1F) {
        std::uint8_t byte = 0;
        do {
            if (offset >= data.size() || offset >= kMaxTagBytes) {
                return std::nullopt;
            }
            byte = data[offset++];
            object.tag = object.tag << 8 | byte;
        } while ((byte & 0x80) != 0);
    }
    if (offset >= data.size()) {
        return std::nullopt;
    }
    std::size_t length = data[offset++];
    if (length > 0x7F) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > kMaxLengthBytes || data.size() - offset < count) {
            return std::nullopt;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i) {
            length = length << 8 | data[offset++];
        }
    }
    if (data.size() - offset < length) {
        return std::nullopt;
    }
    object.value = data.subspan(offset, length);
    object.size = offset + length;
    return object;
}

std::optional<TlvObject> FindTlv(std::span<const std::uint8_t> data, std::uint32_t tag) {
    return Find(data, tag, 0);
}

std::optional<TlvObject> FindTlvPath(std::span<const std::uint8_t> data,
                                     std::initializer_list<std::uint32_t> path) {
    std::optional<TlvObject> current;
    std::span<const std::uint8_t> within = data;
    for (const std::uint32_t tag : path) {
        current = ForEachTlv(within, [tag](const TlvObject& object) { return object.tag == tag; });
        if (!current) {
            return std::nullopt;
        }
        within = current->value;
    }
    return current;
}
