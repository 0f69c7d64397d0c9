#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/type_a_card.h"

namespace sim {

// A Mifare Classic 1K (16 sectors of 4 blocks) or 4K (32 sectors of 4 blocks, then
// 8 sectors of 16 blocks) card: keys A and B per sector, access bits enforced on every
// access, value blocks, a read-only manufacturer block unless the card is one whose
// block 0 may be rewritten.
class MifareClassicCard : public TypeACard {
  public:
    enum class Size { k1K, k4K };
    enum class KeyType { kA, kB };
    using Block = std::array<std::uint8_t, 16>;
    using Key = std::array<std::uint8_t, 6>;

    static constexpr Key kTransportKey = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    // Access bytes 6-9 of a fresh trailer: data blocks open to both keys, trailer
    // written with key A.
    static constexpr std::array<std::uint8_t, 4> kTransportAccess = {0xFF, 0x07, 0x80, 0x69};

    // A fresh card: block 0 from the UID, every trailer with the transport keys and
    // access bytes, every other block zero.
    MifareClassicCard(Size size, std::array<std::uint8_t, 4> uid);

    // Geometry, the same for both sizes where the card has the sector.
    static int FirstBlock(int sector);
    static int BlocksInSector(int sector);
    static int TrailerBlock(int sector) { return FirstBlock(sector) + BlocksInSector(sector) - 1; }
    static int SectorOfBlock(int block);
    int SectorCount() const { return size_ == Size::k1K ? 16 : 40; }
    int BlockCount() const { return size_ == Size::k1K ? 64 : 256; }

    std::uint16_t Atqa() const override { return size_ == Size::k1K ? 0x0004 : 0x0002; }
    std::uint8_t Sak() const override { return size_ == Size::k1K ? 0x08 : 0x18; }
    std::vector<std::uint8_t> Uid() const override;

    // Three-pass authentication of the sector that holds `block`. A wrong key leaves
    // the card idle. Without the sector, kOutOfRange.
    CardStatus Authenticate(KeyType type, std::uint8_t block, const Key& key);
    CardStatus Read(std::uint8_t block, std::span<std::uint8_t, 16> out) override;
    // Exactly 16 bytes. A trailer write stores only the parts its access bits let the
    // authenticated key write, and is refused when none may be written or the new
    // access bytes are not a valid encoding.
    CardStatus Write(std::uint8_t block, std::span<const std::uint8_t> data) override;
    // Value operations load the card's transfer buffer; Transfer stores it.
    CardStatus Increment(std::uint8_t block, std::uint32_t operand);
    CardStatus Decrement(std::uint8_t block, std::uint32_t operand);
    CardStatus Restore(std::uint8_t block);
    CardStatus Transfer(std::uint8_t block);
    // Backdoor write of the manufacturer block, without authentication; only a card
    // made with a rewritable block 0 takes it. Bytes 0-3 become the UID; byte 4 must
    // be their XOR.
    CardStatus WriteManufacturerBlock(std::span<const std::uint8_t> data);

    // Test access to the memory as it stands, without access checks.
    const Block& RawBlock(int block) const { return blocks_.at(static_cast<std::size_t>(block)); }
    void SetRawBlock(int block, const Block& data) {
        blocks_.at(static_cast<std::size_t>(block)) = data;
    }
    void SetTrailer(int sector, const Key& keyA, std::array<std::uint8_t, 4> access,
                    const Key& keyB);
    void SetBlock0Writable(bool writable) { block0Writable_ = writable; }
    // The authenticated sector and key, when there is one.
    std::optional<int> AuthenticatedSector() const;

    // Value block layout: value, ~value, value, address, ~address, address, ~address.
    static Block MakeValueBlock(std::int32_t value, std::uint8_t address);
    static std::optional<std::int32_t> ParseValueBlock(const Block& block);
    // Access bytes 6-8 for the C1C2C3 conditions of groups 0-3 (3 = trailer), byte 9 as given.
    static std::array<std::uint8_t, 4> EncodeAccess(std::array<std::uint8_t, 4> conditions,
                                                    std::uint8_t userByte = 0x69);
    // Conditions C1C2C3 (bit 2 = C1) of groups 0-3, or nothing when the bytes are malformed.
    static std::optional<std::array<std::uint8_t, 4>> DecodeAccess(
        std::span<const std::uint8_t> bytes);

  protected:
    void OnDeactivated() override;

  private:
    enum class Op { kRead, kWrite, kIncrement, kDecrementTransferRestore };

    // Which keys may do `op` on a data block under `condition`, as a mask (1 key A, 2 key B).
    static unsigned DataPermission(std::uint8_t condition, Op op);
    int ConditionOf(int block) const;
    CardStatus CheckAccess(int block, Op op);
    bool KeyBReadable(int sector) const;
    CardStatus LoadTransfer(std::uint8_t block, Op op, std::int64_t delta);
    CardStatus Refuse(CardStatus status);
    bool InSession() const { return state() == State::kActive; }

    Size size_;
    std::vector<Block> blocks_;
    bool block0Writable_ = false;
    std::optional<int> authSector_;
    KeyType authKey_ = KeyType::kA;
    std::optional<Block> transferBuffer_;
};

}  // namespace sim
