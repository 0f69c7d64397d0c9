#include "sim/commands/mifare_commands.h"

#include <algorithm>
#include <optional>

#include "core/protocol/error_codes.h"
#include "sim/device/iso14443_3_pcd.h"

namespace sim {
namespace {

using Payload = std::vector<std::uint8_t>;

std::optional<MifareClassicCard::KeyType> KeyTypeOf(std::uint8_t mode) {
    if (mode == 0x60 || mode == 0x00) return MifareClassicCard::KeyType::kA;
    if (mode == 0x61 || mode == 0x01) return MifareClassicCard::KeyType::kB;
    return std::nullopt;
}

// A card's answer as the reader reports it: refusals carry the command's own code, a
// missing authentication code 9.
Reply Answer(CardStatus status, std::uint8_t refused, Payload payload = {}) {
    switch (status) {
        case CardStatus::kOk:
            return Reply::Ok(std::move(payload));
        case CardStatus::kNotAuthenticated:
            return Reply::Failure(LCEC_AUTHENTICATION);
        default:
            return Reply::Failure(refused);
    }
}

std::uint32_t Value(const Payload& p, std::size_t at) {
    return static_cast<std::uint32_t>(p[at]) | static_cast<std::uint32_t>(p[at + 1]) << 8 |
           static_cast<std::uint32_t>(p[at + 2]) << 16 |
           static_cast<std::uint32_t>(p[at + 3]) << 24;
}

MifareClassicCard::Key KeyAt(const Payload& p, std::size_t at) {
    MifareClassicCard::Key key{};
    std::copy(p.begin() + static_cast<std::ptrdiff_t>(at),
              p.begin() + static_cast<std::ptrdiff_t>(at + key.size()), key.begin());
    return key;
}

// ATQA low byte first, SAK, then the UID (all of it, or its first four bytes).
Payload CardIdentity(const TypeACard& card, bool firstFourOnly) {
    Payload out{static_cast<std::uint8_t>(card.Atqa()), static_cast<std::uint8_t>(card.Atqa() >> 8),
                card.Sak()};
    const std::vector<std::uint8_t> uid = card.Uid();
    out.insert(out.end(), uid.begin(), firstFourOnly ? uid.begin() + 4 : uid.end());
    return out;
}

constexpr std::uint8_t kMalformed = LCEC_SEND_COMMAND;

}  // namespace

MifareCommands::MifareCommands(SimulatedReader& reader, CardField& field) : field_(field) {
    for (auto& byType : keys_) byType.fill(MifareClassicCard::kTransportKey);
    Register(reader);
}

TypeACard* MifareCommands::Activate(std::uint8_t mode) {
    TypeACard* card = field_.TypeA();
    if (card == nullptr || !card->Request(mode) || !RunAnticollision(*card, true)) return nullptr;
    return card;
}

MifareClassicCard* MifareCommands::Classic() const {
    return dynamic_cast<MifareClassicCard*>(field_.TypeA());
}

void MifareCommands::Sound(std::uint16_t time) {
    if (time != 0) beeps_.push_back(time);
}

void MifareCommands::Register(SimulatedReader& reader) {
    reader.SetHandler(1, [this](const Request& r) {
        if (r.payload.size() != 1) return Reply::Failure(kMalformed);
        TypeACard* card = field_.TypeA();
        if (card == nullptr || !card->Request(r.payload[0])) return Reply::Failure(LCEC_REQUEST);
        return Reply::Ok({static_cast<std::uint8_t>(card->Atqa()),
                          static_cast<std::uint8_t>(card->Atqa() >> 8)});
    });
    reader.SetHandler(2, [this](const Request& r) {
        if (!r.payload.empty()) return Reply::Failure(kMalformed);
        TypeACard* card = field_.TypeA();
        if (card == nullptr) return Reply::Failure(LCEC_REQUEST);
        std::optional<std::vector<std::uint8_t>> uid = RunAnticollision(*card, false);
        if (!uid) return Reply::Failure(LCEC_ANTICOLL);
        return Reply::Ok(std::move(*uid));
    });
    reader.SetHandler(3, [this](const Request& r) {
        if (r.payload.size() != 4) return Reply::Failure(kMalformed);
        TypeACard* card = field_.TypeA();
        if (card == nullptr) return Reply::Failure(LCEC_REQUEST);
        const std::optional<std::uint8_t> sak =
            SelectFirstLevel(*card, std::span(r.payload).first<4>());
        if (!sak) return Reply::Failure(LCEC_SELECT);
        return Reply::Ok({*sak});
    });

    // Authentication with a loaded key (4) or with the key in the request (46).
    const auto authenticate = [this](std::uint8_t mode, std::uint8_t sector,
                                     const std::optional<Key>& given) {
        MifareClassicCard* card = Classic();
        const auto type = KeyTypeOf(mode);
        if (card == nullptr || !type || sector >= card->SectorCount()) {
            return Reply::Failure(LCEC_AUTHENTICATION);
        }
        const Key& key = given ? *given : LoadedKey(*type, sector);
        const CardStatus status = card->Authenticate(
            *type, static_cast<std::uint8_t>(MifareClassicCard::TrailerBlock(sector)), key);
        const std::vector<std::uint8_t> uid = card->Uid();
        return Answer(status, LCEC_AUTHENTICATION, {uid.begin(), uid.begin() + 4});
    };
    reader.SetHandler(4, [authenticate](const Request& r) {
        if (r.payload.size() != 2) return Reply::Failure(kMalformed);
        return authenticate(r.payload[0], r.payload[1], std::nullopt);
    });
    reader.SetHandler(46, [authenticate](const Request& r) {
        if (r.payload.size() != 8) return Reply::Failure(kMalformed);
        return authenticate(r.payload[0], r.payload[1], KeyAt(r.payload, 2));
    });

    reader.SetHandler(5, [this](const Request& r) {
        if (!r.payload.empty()) return Reply::Failure(kMalformed);
        TypeACard* card = field_.TypeA();
        return card != nullptr && card->Halt() ? Reply::Ok() : Reply::Failure(LCEC_HALT);
    });
    reader.SetHandler(6, [this](const Request& r) {
        if (r.payload.size() != 1) return Reply::Failure(kMalformed);
        TypeACard* card = field_.TypeA();
        if (card == nullptr) return Reply::Failure(LCEC_READ);
        std::array<std::uint8_t, 16> data{};
        const CardStatus status = card->Read(r.payload[0], data);
        return Answer(status, LCEC_READ, {data.begin(), data.end()});
    });
    reader.SetHandler(7, [this](const Request& r) {
        if (r.payload.size() < 2) return Reply::Failure(kMalformed);
        TypeACard* card = field_.TypeA();
        if (card == nullptr) return Reply::Failure(LCEC_WRITE);
        return Answer(card->Write(r.payload[0], std::span(r.payload).subspan(1)), LCEC_WRITE);
    });
    reader.SetHandler(37, [this](const Request& r) {
        if (r.payload.size() != 16 && r.payload.size() != 17) return Reply::Failure(kMalformed);
        MifareClassicCard* card = Classic();
        if (card == nullptr) return Reply::Failure(LCEC_WRITE);
        return Answer(card->WriteManufacturerBlock(std::span(r.payload).first(16)), LCEC_WRITE);
    });

    // Value operations: 8 and 9 store their result into the block they read.
    const auto valueOp = [this](const Request& r, std::size_t size, std::uint8_t refused,
                                auto&& op) {
        if (r.payload.size() != size) return Reply::Failure(kMalformed);
        MifareClassicCard* card = Classic();
        if (card == nullptr) return Reply::Failure(refused);
        return Answer(op(*card), refused);
    };
    reader.SetHandler(8, [valueOp](const Request& r) {
        return valueOp(r, 5, LCEC_INCREMENT, [&](MifareClassicCard& card) {
            const CardStatus status = card.Increment(r.payload[0], Value(r.payload, 1));
            return status == CardStatus::kOk ? card.Transfer(r.payload[0]) : status;
        });
    });
    reader.SetHandler(9, [valueOp](const Request& r) {
        return valueOp(r, 5, LCEC_DECREMENT, [&](MifareClassicCard& card) {
            const CardStatus status = card.Decrement(r.payload[0], Value(r.payload, 1));
            return status == CardStatus::kOk ? card.Transfer(r.payload[0]) : status;
        });
    });
    reader.SetHandler(12, [valueOp](const Request& r) {
        return valueOp(r, 1, LCEC_RESTORE,
                       [&](MifareClassicCard& card) { return card.Restore(r.payload[0]); });
    });
    reader.SetHandler(13, [valueOp](const Request& r) {
        return valueOp(r, 1, LCEC_TRANSFER,
                       [&](MifareClassicCard& card) { return card.Transfer(r.payload[0]); });
    });

    reader.SetHandler(10, [this](const Request& r) {
        if (r.payload.size() != 8) return Reply::Failure(kMalformed);
        const auto type = KeyTypeOf(r.payload[0]);
        if (!type || r.payload[1] >= kKeySectors) return Reply::Failure(LCEC_LOADKEY);
        keys_[*type == KeyType::kA ? 0 : 1][r.payload[1]] = KeyAt(r.payload, 2);
        return Reply::Ok();
    });
    reader.SetHandler(11, [this](const Request& r) {
        if (r.payload.size() != 2) return Reply::Failure(kMalformed);
        Sound(static_cast<std::uint16_t>(r.payload[0] | r.payload[1] << 8));
        return Reply::Ok();
    });
    reader.SetHandler(41, [this](const Request& r) {
        if (!r.payload.empty()) return Reply::Failure(kMalformed);
        Payload out = std::move(buffer_);
        buffer_.clear();
        return Reply::Ok(std::move(out));
    });

    reader.SetHandler(50, [this](const Request& r) {
        if (r.payload.size() != 4) return Reply::Failure(kMalformed);
        TypeACard* card = Activate(r.payload[0]);
        if (card == nullptr) return Reply::Failure(LCEC_REQUEST);
        Sound(r.payload[1]);
        return Reply::Ok(CardIdentity(*card, false));
    });
    reader.SetHandler(51, [this](const Request& r) {
        if (r.payload.size() != 11) return Reply::Failure(kMalformed);
        const std::uint8_t block = r.payload[1], count = r.payload[2];
        const auto type = KeyTypeOf(r.payload[4]);
        if (count < 1 || count > 3) return Reply::Failure(kMalformed);
        if (Activate(r.payload[0]) == nullptr) return Reply::Failure(LCEC_REQUEST);
        MifareClassicCard* card = Classic();
        if (card == nullptr || !type) return Reply::Failure(LCEC_AUTHENTICATION);
        const CardStatus auth = card->Authenticate(*type, block, KeyAt(r.payload, 5));
        if (auth != CardStatus::kOk) return Answer(auth, LCEC_AUTHENTICATION);
        Payload out = CardIdentity(*card, true);
        for (int i = 0; i < count; ++i) {
            std::array<std::uint8_t, 16> data{};
            const CardStatus status = card->Read(static_cast<std::uint8_t>(block + i), data);
            if (status != CardStatus::kOk) return Answer(status, LCEC_READ);
            out.insert(out.end(), data.begin(), data.end());
        }
        Sound(r.payload[3]);
        return Reply::Ok(std::move(out));
    });
    reader.SetHandler(52, [this](const Request& r) {
        if (r.payload.size() < 3) return Reply::Failure(kMalformed);
        const std::uint8_t block = r.payload[0], count = r.payload[2];
        if (count < 1 || count > 3 || r.payload.size() != 3 + 16u * count) {
            return Reply::Failure(kMalformed);
        }
        TypeACard* card = field_.TypeA();
        if (card == nullptr) return Reply::Failure(LCEC_WRITE);
        for (int i = 0; i < count; ++i) {
            const CardStatus status = card->Write(static_cast<std::uint8_t>(block + i),
                                                  std::span(r.payload).subspan(3 + 16u * i, 16));
            if (status != CardStatus::kOk) return Answer(status, LCEC_WRITE);
        }
        Sound(r.payload[1]);
        return Reply::Ok();
    });

    reader.SetHandler(20, [this](const Request& r) {
        if (r.payload.size() != 1) return Reply::Failure(kMalformed);
        const char letter = static_cast<char>(r.payload[0]);
        if (letter != 'A' && letter != 'B' && letter != 'C' && letter != 'F') {
            return Reply::Failure(kMalformed);
        }
        field_.SetProtocol(letter);
        return Reply::Ok();
    });
}

}  // namespace sim
