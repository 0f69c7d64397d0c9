#include "sim/cards/mifare_classic_card.h"

#include <algorithm>
#include <limits>

namespace sim {
namespace {

constexpr unsigned kKeyA = 1;
constexpr unsigned kKeyB = 2;
constexpr unsigned kBoth = kKeyA | kKeyB;

// Trailer rights per condition C1C2C3: key A write, access read, access write,
// key B read, key B write.
struct TrailerRights {
    unsigned keyAWrite, accessRead, accessWrite, keyBRead, keyBWrite;
};
constexpr std::array<TrailerRights, 8> kTrailerRights = {{
    {kKeyA, kKeyA, 0, kKeyA, kKeyA},      // 000
    {kKeyA, kKeyA, kKeyA, kKeyA, kKeyA},  // 001 transport
    {0, kKeyA, 0, kKeyA, 0},              // 010
    {kKeyB, kBoth, kKeyB, 0, kKeyB},      // 011
    {kKeyB, kBoth, 0, 0, kKeyB},          // 100
    {0, kBoth, kKeyB, 0, 0},              // 101
    {0, kBoth, 0, 0, 0},                  // 110
    {0, kBoth, 0, 0, 0},                  // 111
}};

int Bit(std::uint8_t byte, int bit) { return (byte >> bit) & 1; }

}  // namespace

MifareClassicCard::MifareClassicCard(Size size, std::array<std::uint8_t, 4> uid)
    : size_(size), blocks_(static_cast<std::size_t>(size == Size::k1K ? 64 : 256)) {
    Block& block0 = blocks_[0];
    std::copy(uid.begin(), uid.end(), block0.begin());
    block0[4] = uid[0] ^ uid[1] ^ uid[2] ^ uid[3];
    block0[5] = Sak();
    block0[6] = static_cast<std::uint8_t>(Atqa() & 0xFF);
    block0[7] = static_cast<std::uint8_t>(Atqa() >> 8);
    for (int sector = 0; sector < SectorCount(); ++sector) {
        SetTrailer(sector, kTransportKey, kTransportAccess, kTransportKey);
    }
}

int MifareClassicCard::FirstBlock(int sector) {
    return sector < 32 ? 4 * sector : 128 + 16 * (sector - 32);
}

int MifareClassicCard::BlocksInSector(int sector) { return sector < 32 ? 4 : 16; }

int MifareClassicCard::SectorOfBlock(int block) {
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}

std::vector<std::uint8_t> MifareClassicCard::Uid() const {
    return {blocks_[0].begin(), blocks_[0].begin() + 4};
}

void MifareClassicCard::SetTrailer(int sector, const Key& keyA, std::array<std::uint8_t, 4> access,
                                   const Key& keyB) {
    Block& trailer = blocks_.at(static_cast<std::size_t>(TrailerBlock(sector)));
    std::copy(keyA.begin(), keyA.end(), trailer.begin());
    std::copy(access.begin(), access.end(), trailer.begin() + 6);
    std::copy(keyB.begin(), keyB.end(), trailer.begin() + 10);
}

std::optional<int> MifareClassicCard::AuthenticatedSector() const {
    return InSession() ? authSector_ : std::nullopt;
}

MifareClassicCard::Block MifareClassicCard::MakeValueBlock(std::int32_t value,
                                                           std::uint8_t address) {
    Block block{};
    const auto plain = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(plain >> (8 * i));
        block[static_cast<std::size_t>(i)] = byte;
        block[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(~byte);
        block[static_cast<std::size_t>(8 + i)] = byte;
    }
    block[12] = address;
    block[13] = static_cast<std::uint8_t>(~address);
    block[14] = address;
    block[15] = static_cast<std::uint8_t>(~address);
    return block;
}

std::optional<std::int32_t> MifareClassicCard::ParseValueBlock(const Block& block) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (block[i] != block[8 + i] || block[i] != static_cast<std::uint8_t>(~block[4 + i])) {
            return std::nullopt;
        }
        value |= static_cast<std::uint32_t>(block[i]) << (8 * i);
    }
    if (block[12] != block[14] || block[13] != block[15] ||
        block[12] != static_cast<std::uint8_t>(~block[13])) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::array<std::uint8_t, 4> MifareClassicCard::EncodeAccess(std::array<std::uint8_t, 4> conditions,
                                                            std::uint8_t userByte) {
    unsigned c1 = 0, c2 = 0, c3 = 0;
    for (int g = 0; g < 4; ++g) {
        const std::uint8_t c = conditions[static_cast<std::size_t>(g)];
        c1 |= static_cast<unsigned>(Bit(c, 2)) << g;
        c2 |= static_cast<unsigned>(Bit(c, 1)) << g;
        c3 |= static_cast<unsigned>(Bit(c, 0)) << g;
    }
    return {static_cast<std::uint8_t>(((~c2 & 0xF) << 4) | (~c1 & 0xF)),
            static_cast<std::uint8_t>((c1 << 4) | (~c3 & 0xF)),
            static_cast<std::uint8_t>((c3 << 4) | c2), userByte};
}

std::optional<std::array<std::uint8_t, 4>> MifareClassicCard::DecodeAccess(
    std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 3) {
        return std::nullopt;
    }
    const unsigned c1 = bytes[1] >> 4, c2 = bytes[2] & 0xF, c3 = bytes[2] >> 4;
    if ((bytes[0] & 0xF) != (~c1 & 0xF) || (bytes[0] >> 4) != (~c2 & 0xF) ||
        (bytes[1] & 0xF) != (~c3 & 0xF)) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> conditions{};
    for (int g = 0; g < 4; ++g) {
        conditions[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(
            (((c1 >> g) & 1) << 2) | (((c2 >> g) & 1) << 1) | ((c3 >> g) & 1));
    }
    return conditions;
}

unsigned MifareClassicCard::DataPermission(std::uint8_t condition, Op op) {
    // Rows C1C2C3 000..111: read, write, increment, decrement/transfer/restore.
    static constexpr std::array<std::array<unsigned, 4>, 8> kData = {{
        {kBoth, kBoth, kBoth, kBoth},  // 000
        {kBoth, 0, 0, kBoth},          // 001
        {kBoth, 0, 0, 0},              // 010
        {kKeyB, kKeyB, 0, 0},          // 011
        {kBoth, kKeyB, 0, 0},          // 100
        {kKeyB, 0, 0, 0},              // 101
        {kBoth, kKeyB, kKeyB, kBoth},  // 110
        {0, 0, 0, 0},                  // 111
    }};
    return kData[condition][static_cast<std::size_t>(op)];
}

int MifareClassicCard::ConditionOf(int block) const {
    const int sector = SectorOfBlock(block);
    const int index = block - FirstBlock(sector);
    const int group = BlocksInSector(sector) == 4 ? index : std::min(index / 5, 3);
    const Block& trailer = blocks_[static_cast<std::size_t>(TrailerBlock(sector))];
    const auto conditions = DecodeAccess(std::span(trailer).subspan(6, 3));
    // Malformed access bytes block the whole sector.
    return conditions ? (*conditions)[static_cast<std::size_t>(group)] : 7;
}

bool MifareClassicCard::KeyBReadable(int sector) const {
    return kTrailerRights[static_cast<std::size_t>(ConditionOf(TrailerBlock(sector)))].keyBRead !=
           0;
}

void MifareClassicCard::OnDeactivated() {
    authSector_.reset();
    transferBuffer_.reset();
}

CardStatus MifareClassicCard::Refuse(CardStatus status) {
    Deactivate();
    return status;
}

CardStatus MifareClassicCard::Authenticate(KeyType type, std::uint8_t block, const Key& key) {
    if (!InSession()) {
        return CardStatus::kNoAnswer;
    }
    transferBuffer_.reset();
    if (block >= BlockCount()) {
        return Refuse(CardStatus::kOutOfRange);
    }
    const int sector = SectorOfBlock(block);
    const Block& trailer = blocks_[static_cast<std::size_t>(TrailerBlock(sector))];
    const auto stored = trailer.begin() + (type == KeyType::kA ? 0 : 10);
    if (!std::equal(key.begin(), key.end(), stored)) {
        return Refuse(CardStatus::kNotAuthenticated);
    }
    authSector_ = sector;
    authKey_ = type;
    return CardStatus::kOk;
}

// The session's key as a rights mask: a key B that the trailer lets be read grants nothing.
CardStatus MifareClassicCard::CheckAccess(int block, Op op) {
    if (!InSession()) {
        return CardStatus::kNoAnswer;
    }
    if (block >= BlockCount()) {
        return Refuse(CardStatus::kOutOfRange);
    }
    const int sector = SectorOfBlock(block);
    if (authSector_ != sector) {
        return Refuse(CardStatus::kNotAuthenticated);
    }
    unsigned key = authKey_ == KeyType::kA ? kKeyA : kKeyB;
    if (key == kKeyB && KeyBReadable(sector)) {
        key = 0;
    }
    unsigned allowed = 0;
    if (block == TrailerBlock(sector)) {
        const TrailerRights& rights = kTrailerRights[static_cast<std::size_t>(ConditionOf(block))];
        allowed = op == Op::kRead    ? rights.accessRead
                  : op == Op::kWrite ? (rights.keyAWrite | rights.accessWrite | rights.keyBWrite)
                                     : 0;
    } else if (block == 0 && op != Op::kRead) {
        allowed = 0;  // the manufacturer block is read-only
    } else {
        allowed = DataPermission(static_cast<std::uint8_t>(ConditionOf(block)), op);
    }
    if ((allowed & key) == 0) {
        return Refuse(CardStatus::kDenied);
    }
    return CardStatus::kOk;
}

CardStatus MifareClassicCard::Read(std::uint8_t block, std::span<std::uint8_t, 16> out) {
    transferBuffer_.reset();
    const CardStatus status = CheckAccess(block, Op::kRead);
    if (status != CardStatus::kOk) {
        return status;
    }
    Block data = blocks_[block];
    const int sector = SectorOfBlock(block);
    if (block == TrailerBlock(sector)) {
        const TrailerRights& rights = kTrailerRights[static_cast<std::size_t>(ConditionOf(block))];
        const unsigned key = authKey_ == KeyType::kA ? kKeyA : kKeyB;
        std::fill(data.begin(), data.begin() + 6, 0);  // key A never reads back
        if ((rights.keyBRead & key) == 0) {
            std::fill(data.begin() + 10, data.end(), 0);
        }
    }
    std::copy(data.begin(), data.end(), out.begin());
    return CardStatus::kOk;
}

CardStatus MifareClassicCard::Write(std::uint8_t block, std::span<const std::uint8_t> data) {
    transferBuffer_.reset();
    if (!InSession()) {
        return CardStatus::kNoAnswer;
    }
    if (data.size() != 16) {
        return Refuse(CardStatus::kBadLength);
    }
    const CardStatus status = CheckAccess(block, Op::kWrite);
    if (status != CardStatus::kOk) {
        return status;
    }
    Block& target = blocks_[block];
    if (block != TrailerBlock(SectorOfBlock(block))) {
        std::copy(data.begin(), data.end(), target.begin());
        return CardStatus::kOk;
    }
    const TrailerRights& rights = kTrailerRights[static_cast<std::size_t>(ConditionOf(block))];
    const unsigned key = authKey_ == KeyType::kA ? kKeyA : kKeyB;
    const bool writesAccess = (rights.accessWrite & key) != 0;
    if (writesAccess && !DecodeAccess(data.subspan(6, 3))) {
        return Refuse(CardStatus::kDenied);
    }
    if ((rights.keyAWrite & key) != 0) {
        std::copy(data.begin(), data.begin() + 6, target.begin());
    }
    if (writesAccess) {
        std::copy(data.begin() + 6, data.begin() + 10, target.begin() + 6);
    }
    if ((rights.keyBWrite & key) != 0) {
        std::copy(data.begin() + 10, data.end(), target.begin() + 10);
    }
    return CardStatus::kOk;
}

CardStatus MifareClassicCard::LoadTransfer(std::uint8_t block, Op op, std::int64_t delta) {
    transferBuffer_.reset();
    const CardStatus status = CheckAccess(block, op);
    if (status != CardStatus::kOk) {
        return status;
    }
    const Block& source = blocks_[block];
    const std::optional<std::int32_t> value = ParseValueBlock(source);
    if (!value) {
        return Refuse(CardStatus::kBadValue);
    }
    const std::int64_t result = static_cast<std::int64_t>(*value) + delta;
    if (result > std::numeric_limits<std::int32_t>::max() ||
        result < std::numeric_limits<std::int32_t>::min()) {
        return Refuse(CardStatus::kBadValue);
    }
    transferBuffer_ = MakeValueBlock(static_cast<std::int32_t>(result), source[12]);
    return CardStatus::kOk;
}

CardStatus MifareClassicCard::Increment(std::uint8_t block, std::uint32_t operand) {
    return LoadTransfer(block, Op::kIncrement, operand);
}

CardStatus MifareClassicCard::Decrement(std::uint8_t block, std::uint32_t operand) {
    return LoadTransfer(block, Op::kDecrementTransferRestore, -static_cast<std::int64_t>(operand));
}

CardStatus MifareClassicCard::Restore(std::uint8_t block) {
    return LoadTransfer(block, Op::kDecrementTransferRestore, 0);
}

CardStatus MifareClassicCard::Transfer(std::uint8_t block) {
    if (!InSession()) {
        return CardStatus::kNoAnswer;
    }
    std::optional<Block> pending = std::move(transferBuffer_);
    transferBuffer_.reset();
    if (!pending) {
        return Refuse(CardStatus::kNoTransferPending);
    }
    const CardStatus status = CheckAccess(block, Op::kDecrementTransferRestore);
    if (status != CardStatus::kOk) {
        return status;
    }
    blocks_[block] = *pending;
    return CardStatus::kOk;
}

CardStatus MifareClassicCard::WriteManufacturerBlock(std::span<const std::uint8_t> data) {
    transferBuffer_.reset();
    if (!InSession()) {
        return CardStatus::kNoAnswer;
    }
    if (data.size() < 16) {
        return Refuse(CardStatus::kBadLength);
    }
    if (!block0Writable_ || data[4] != (data[0] ^ data[1] ^ data[2] ^ data[3])) {
        return Refuse(CardStatus::kDenied);
    }
    std::copy(data.begin(), data.begin() + 16, blocks_[0].begin());
    return CardStatus::kOk;
}

}  // namespace sim
