#include "sim/cards/fuel_card_application.h"

#include <algorithm>
#include <string_view>

#include "sim/cards/tlv_builder.h"

namespace sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes IssuerAid(std::string_view name) {
    constexpr std::array<std::uint8_t, 5> kRid = {0xA0, 0x00, 0x00, 0x00, 0x03};
    Bytes aid(kRid.size() + name.size());
    std::copy(name.begin(), name.end(), std::copy(kRid.begin(), kRid.end(), aid.begin()));
    return aid;
}

// FCI 6F { 84 AID, A5 { 9F0C issuer data } } with the issuer data of `size` bytes; the
// three fields are placed at their offsets counted from the start of the FCI.
template <std::size_t N>
Bytes IssuerFci(const Bytes& aid, std::size_t size, std::size_t cardNoOffset,
                const std::array<std::uint8_t, N>& cardNo,
                const std::array<std::uint8_t, 4>& issueDate,
                const std::array<std::uint8_t, 4>& validityEnd) {
    // 6F L 84 L AID A5 L 9F 0C L: the issuer data starts after these bytes.
    const std::size_t dataStart = 2 + 2 + aid.size() + 2 + 3;
    Bytes issuer(size);
    for (std::size_t i = 0; i < size; ++i) {
        issuer[i] = static_cast<std::uint8_t>(0x10 + i);
    }
    const std::size_t at = cardNoOffset - dataStart;
    std::copy(cardNo.begin(), cardNo.end(), issuer.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy(issueDate.begin(), issueDate.end(),
              issuer.begin() + static_cast<std::ptrdiff_t>(at + N));
    std::copy(validityEnd.begin(), validityEnd.end(),
              issuer.begin() + static_cast<std::ptrdiff_t>(at + N + 4));
    return Tlv({0x6F}, {Tlv({0x84}, aid), Tlv({0xA5}, {Tlv({0x9F, 0x0C}, issuer)})});
}

// An issuer's card: its AID and an FCI of issuer data laid out as IssuerFci does.
template <std::size_t N>
FuelCardData IssuerCard(std::string_view name, std::size_t size, std::size_t cardNoOffset,
                        const std::array<std::uint8_t, N>& cardNo,
                        const std::array<std::uint8_t, 4>& issueDate,
                        const std::array<std::uint8_t, 4>& validityEnd) {
    FuelCardData data;
    data.aid = IssuerAid(name);
    data.fci = IssuerFci(data.aid, size, cardNoOffset, cardNo, issueDate, validityEnd);
    return data;
}

}  // namespace

FuelCardApplication::FuelCardApplication(FuelCardData data)
    : data_(std::move(data)), triesLeft_(data_.pinTries) {}

FuelCardData FuelCardApplication::Sinopec(const std::array<std::uint8_t, 11>& cardNo,
                                          const std::array<std::uint8_t, 4>& issueDate,
                                          const std::array<std::uint8_t, 4>& validityEnd) {
    return IssuerCard("SINOPEC", 30, 30, cardNo, issueDate, validityEnd);
}

FuelCardData FuelCardApplication::PetroChina(const std::array<std::uint8_t, 8>& cardNo,
                                             const std::array<std::uint8_t, 4>& issueDate,
                                             const std::array<std::uint8_t, 4>& validityEnd) {
    return IssuerCard("PETROCHINA", 32, 40, cardNo, issueDate, validityEnd);
}

void FuelCardApplication::Reset() {
    selected_ = false;
    verified_ = false;
}

ApduAnswer FuelCardApplication::Process(std::span<const std::uint8_t> command) {
    const std::optional<CommandApdu> apdu = CommandApdu::Parse(command);
    if (!apdu) {
        return ApduAnswer::Status(0x67, 0x00);
    }
    if (apdu->cla == 0x00 && apdu->ins == 0xA4) {
        if (apdu->p1 != 0x04 || apdu->data != data_.aid) {
            return ApduAnswer::Status(0x6A, 0x82);
        }
        selected_ = true;
        verified_ = false;
        return {data_.fci, 0x90, 0x00};
    }
    if (!selected_) {
        return ApduAnswer::Status(0x69, 0x85);
    }
    if (apdu->cla == 0x00 && apdu->ins == 0x20) {
        return Verify(*apdu);
    }
    if (apdu->cla == 0x80 && apdu->ins == 0x5C) {
        if (apdu->p1 != 0x00 || apdu->p2 != 0x01 || apdu->le != 4u) {
            return ApduAnswer::Status(0x6A, 0x86);
        }
        if (!verified_) {
            return ApduAnswer::Status(0x69, 0x82);
        }
        const std::uint32_t b = data_.balance;
        return {{static_cast<std::uint8_t>(b >> 24), static_cast<std::uint8_t>(b >> 16),
                 static_cast<std::uint8_t>(b >> 8), static_cast<std::uint8_t>(b)},
                0x90,
                0x00};
    }
    if (apdu->cla == 0x00 && apdu->ins == 0xB2) {
        if (apdu->p2 != 0xC4) {
            return ApduAnswer::Status(0x6A, 0x82);
        }
        if (apdu->p1 == 0 || apdu->p1 > data_.records.size()) {
            return ApduAnswer::Status(0x6A, 0x83);
        }
        const auto& record = data_.records[apdu->p1 - 1];
        return {Bytes(record.begin(), record.end()), 0x90, 0x00};
    }
    return ApduAnswer::Status(0x6D, 0x00);
}

ApduAnswer FuelCardApplication::Verify(const CommandApdu& apdu) {
    if (apdu.p1 != 0x00 || apdu.p2 != 0x00 || apdu.data.empty()) {
        return ApduAnswer::Status(0x6A, 0x86);
    }
    if (triesLeft_ == 0) {
        return data_.blockedAnswers6983 ? ApduAnswer::Status(0x69, 0x83)
                                        : ApduAnswer::Status(0x63, 0xC0);
    }
    if (apdu.data == data_.pin) {
        triesLeft_ = data_.pinTries;
        verified_ = true;
        return ApduAnswer::Status(0x90, 0x00);
    }
    --triesLeft_;
    verified_ = false;
    return ApduAnswer::Status(0x63, static_cast<std::uint8_t>(0xC0 | triesLeft_));
}

}  // namespace sim
