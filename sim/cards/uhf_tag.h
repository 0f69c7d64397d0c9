#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// An EPC Gen2 tag: its four memory banks as words (big-endian bytes), the RSSI the module
// measures for it and the last lock payload it took.
//
// Bank 0 reserved: kill password (words 0-1), access password (words 2-3).
// Bank 1 EPC: stored CRC (word 0), PC (word 1), the EPC (from word 2); the PC's top five
// bits give the EPC's length in words. Writing the bank recomputes the stored CRC.
// Bank 2 TID, bank 3 user memory.
class UhfTag {
  public:
    enum Bank : std::uint8_t { kReserved = 0, kEpcBank = 1, kTid = 2, kUser = 3 };
    static constexpr std::size_t kBankCount = 4;

    // A tag carrying epc (an even number of bytes, at most 62), with a TID and 8 words of
    // user memory; passwords zero.
    explicit UhfTag(std::vector<std::uint8_t> epc, std::int8_t rssi = -60);

    std::uint16_t Pc() const;
    std::span<const std::uint8_t> Epc() const;
    // The stored CRC word of the EPC bank.
    std::uint16_t StoredCrc() const;
    std::uint32_t KillPassword() const;
    std::uint32_t AccessPassword() const;
    void SetPasswords(std::uint32_t kill, std::uint32_t access);

    const std::vector<std::uint8_t>& BankBytes(std::uint8_t bank) const;
    // count words from word start of bank; nothing when the range leaves the bank.
    std::optional<std::vector<std::uint8_t>> ReadWords(std::uint8_t bank, std::size_t start,
                                                       std::size_t count) const;
    // False (nothing written) when the range leaves the bank.
    bool WriteWords(std::uint8_t bank, std::size_t start, std::span<const std::uint8_t> data);
    // True when the bits of bank from bit pointer on equal the first bitCount bits of mask.
    bool Matches(std::uint8_t bank, std::uint32_t pointer, std::size_t bitCount,
                 std::span<const std::uint8_t> mask) const;

    std::int8_t rssi = -60;
    std::optional<std::array<std::uint8_t, 3>> lockPayload;

  private:
    void UpdateStoredCrc();

    std::array<std::vector<std::uint8_t>, kBankCount> banks_;
};

// CRC-16 of EPC Gen2 (polynomial 0x1021, preset 0xFFFF, result inverted).
std::uint16_t Gen2Crc16(std::span<const std::uint8_t> bytes);

}  // namespace sim
