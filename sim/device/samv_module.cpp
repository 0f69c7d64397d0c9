#include "sim/device/samv_module.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

namespace {

constexpr std::array<std::uint8_t, 5> kPreamble = {0xAA, 0xAA, 0xAA, 0x96, 0x69};
constexpr std::size_t kBodyStart = 7;
constexpr std::size_t kCardChunk = 80;

// A file of the identity card, as the module reads it.
struct CardFile {
    std::uint8_t id;  // the low byte of 60xx
    std::size_t size;
};

void PutBigEndian16(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

}  // namespace

void IdentityCard::SetField(std::size_t offset, std::size_t size, std::u16string_view value) {
    if (offset > text.size() || size > text.size() - offset || value.size() > size / 2) {
        throw std::length_error("identity card text does not fit its field");
    }
    for (std::size_t i = 0; i + 1 < size && offset + i + 1 < text.size(); i += 2) {
        const char16_t unit = i / 2 < value.size() ? value[i / 2] : u' ';
        text[offset + i] = static_cast<std::uint8_t>(unit);
        text[offset + i + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
}

IdentityCard SampleIdentityCard() {
    IdentityCard card;
    card.SetField(0, 30, u"\u5f20\u4e09");
    card.SetField(30, 2, u"1");
    card.SetField(32, 4, u"01");
    card.SetField(36, 16, u"19800101");
    card.SetField(52, 70, u"Sample Street 1");
    card.SetField(122, 36, u"110101198001010011");
    card.SetField(158, 30, u"Sample Police");
    card.SetField(188, 16, u"20200101");
    card.SetField(204, 16, u"20400101");
    for (std::size_t i = 0; i < card.photo.size(); ++i) {
        card.photo[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    card.fingerprint.resize(1024);
    for (std::size_t i = 0; i < card.fingerprint.size(); ++i) {
        card.fingerprint[i] = static_cast<std::uint8_t>(0xFF - i);
    }
    return card;
}

void SamvModule::Answer(std::uint8_t status, std::span<const std::uint8_t> data) {
    held.assign(kPreamble.begin(), kPreamble.end());
    PutBigEndian16(held, 3 + data.size() + 1);
    held.insert(held.end(), {0x00, 0x00, status});
    held.insert(held.end(), data.begin(), data.end());
    std::uint8_t check = 0;
    for (std::size_t i = kPreamble.size(); i < held.size(); ++i) check ^= held[i];
    held.push_back(check);
}

bool SamvModule::CardTakes(const std::vector<std::uint8_t>& apdu) const {
    const std::optional<std::vector<std::uint8_t>> response = cardLink(apdu);
    return response && response->size() >= 2 && (*response)[response->size() - 2] == 0x90 &&
           response->back() == 0x00;
}

void SamvModule::ReadCardFiles() const {
    if (!cardLink) return;
    std::vector<CardFile> files = {{0x11, 214}, {0x12, 256}, {0x13, 1024}};
    if (!card->fingerprint.empty()) files.push_back({0x21, 1024});
    for (const CardFile& file : files) {
        if (!CardTakes({0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, file.id})) return;
        for (std::size_t offset = 0; offset < file.size; offset += kCardChunk) {
            const std::size_t count = std::min(kCardChunk, file.size - offset);
            if (!CardTakes({0x80, 0xB0, static_cast<std::uint8_t>(offset >> 8),
                            static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(count)})) {
                return;
            }
        }
    }
}

void SamvModule::Receive(std::span<const std::uint8_t> frame) {
    frames.emplace_back(frame.begin(), frame.end());
    held.clear();
    if (frame.size() < kBodyStart + 1 ||
        !std::equal(kPreamble.begin(), kPreamble.end(), frame.begin())) {
        return;
    }
    const std::size_t length = (static_cast<std::size_t>(frame[5]) << 8) | frame[6];
    if (length == 0 || frame.size() < kBodyStart + length) return;
    std::uint8_t check = 0;
    for (std::size_t i = kPreamble.size(); i < kBodyStart + length; ++i) check ^= frame[i];
    if (check != 0) return Answer(kStatusCheckByte);
    const auto body = frame.subspan(kBodyStart, length - 1);
    if (body.size() != 2) return Answer(body.size() < 2 ? kStatusLength : kStatusUnknownCommand);
    const std::uint16_t command = static_cast<std::uint16_t>((body[0] << 8) | body[1]);
    switch (command) {
        case 0x3010: {
            if (!card) return Answer(kStatusNoCard);
            ReadCardFiles();
            std::vector<std::uint8_t> data;
            PutBigEndian16(data, card->text.size());
            PutBigEndian16(data, card->photo.size());
            if (!card->fingerprint.empty()) PutBigEndian16(data, card->fingerprint.size());
            data.insert(data.end(), card->text.begin(), card->text.end());
            data.insert(data.end(), card->photo.begin(), card->photo.end());
            data.insert(data.end(), card->fingerprint.begin(), card->fingerprint.end());
            return Answer(kStatusOk, data);
        }
        case 0x2001:
            return Answer(card ? kStatusFound : kStatusNoCard);
        case 0x2002:
            return Answer(card ? kStatusOk : kStatusSelectFailed);
        case 0x10FF:
        case 0x12FF:
            return Answer(kStatusOk);
        default:
            return Answer(kStatusUnknownCommand);
    }
}

}  // namespace sim
