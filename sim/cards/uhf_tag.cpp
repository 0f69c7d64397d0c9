#include "sim/cards/uhf_tag.h"

#include <algorithm>
#include <stdexcept>

namespace sim {
namespace {

constexpr std::size_t kCrcBytes = 2;
constexpr std::size_t kEpcOffset = 4;  // stored CRC, PC
constexpr std::size_t kMaxEpcBytes = 62;
constexpr std::size_t kUserWords = 8;

std::uint32_t Be32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 |
           static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

void PutBe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

bool BitAt(std::span<const std::uint8_t> bytes, std::size_t bit) {
    return (bytes[bit / 8] >> (7 - bit % 8) & 1) != 0;
}

}  // namespace

std::uint16_t Gen2Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>(crc << 1 ^ 0x1021)
                                      : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return static_cast<std::uint16_t>(~crc);
}

UhfTag::UhfTag(std::vector<std::uint8_t> epc, std::int8_t rssiValue) : rssi(rssiValue) {
    if (epc.size() % 2 != 0 || epc.size() > kMaxEpcBytes) {
        throw std::invalid_argument("an EPC is whole words, at most 31");
    }
    const auto words = static_cast<std::uint16_t>(epc.size() / 2);
    const auto pc = static_cast<std::uint16_t>(words << 11);
    banks_[kReserved].assign(8, 0);
    banks_[kEpcBank] = {0, 0, static_cast<std::uint8_t>(pc >> 8), static_cast<std::uint8_t>(pc)};
    banks_[kEpcBank].insert(banks_[kEpcBank].end(), epc.begin(), epc.end());
    banks_[kTid] = {0xE2, 0x00, 0x34, 0x12, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::copy_n(epc.begin(), std::min<std::size_t>(epc.size(), 6), banks_[kTid].begin() + 6);
    banks_[kUser].assign(2 * kUserWords, 0);
    UpdateStoredCrc();
}

std::uint16_t UhfTag::Pc() const {
    return static_cast<std::uint16_t>(banks_[kEpcBank][2] << 8 | banks_[kEpcBank][3]);
}

std::span<const std::uint8_t> UhfTag::Epc() const {
    const std::span<const std::uint8_t> bank = banks_[kEpcBank];
    const std::size_t length = std::min<std::size_t>(2 * (Pc() >> 11), bank.size() - kEpcOffset);
    return bank.subspan(kEpcOffset, length);
}

std::uint16_t UhfTag::StoredCrc() const {
    return static_cast<std::uint16_t>(banks_[kEpcBank][0] << 8 | banks_[kEpcBank][1]);
}

std::uint32_t UhfTag::KillPassword() const { return Be32(banks_[kReserved], 0); }

std::uint32_t UhfTag::AccessPassword() const { return Be32(banks_[kReserved], 4); }

void UhfTag::SetPasswords(std::uint32_t kill, std::uint32_t access) {
    PutBe32(banks_[kReserved], 0, kill);
    PutBe32(banks_[kReserved], 4, access);
}

const std::vector<std::uint8_t>& UhfTag::BankBytes(std::uint8_t bank) const {
    return banks_.at(bank);
}

std::optional<std::vector<std::uint8_t>> UhfTag::ReadWords(std::uint8_t bank, std::size_t start,
                                                           std::size_t count) const {
    if (bank >= kBankCount) return std::nullopt;
    const std::vector<std::uint8_t>& bytes = banks_[bank];
    if (2 * (start + count) > bytes.size()) return std::nullopt;
    return std::vector<std::uint8_t>(
        bytes.begin() + static_cast<std::ptrdiff_t>(2 * start),
        bytes.begin() + static_cast<std::ptrdiff_t>(2 * (start + count)));
}

bool UhfTag::WriteWords(std::uint8_t bank, std::size_t start, std::span<const std::uint8_t> data) {
    if (bank >= kBankCount || data.size() % 2 != 0) return false;
    std::vector<std::uint8_t>& bytes = banks_[bank];
    if (2 * start + data.size() > bytes.size()) return false;
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(2 * start));
    if (bank == kEpcBank) UpdateStoredCrc();
    return true;
}

bool UhfTag::Matches(std::uint8_t bank, std::uint32_t pointer, std::size_t bitCount,
                     std::span<const std::uint8_t> mask) const {
    if (bank >= kBankCount || mask.size() * 8 < bitCount) return false;
    const std::vector<std::uint8_t>& bytes = banks_[bank];
    if (pointer + bitCount > bytes.size() * 8) return false;
    for (std::size_t i = 0; i < bitCount; ++i) {
        if (BitAt(bytes, pointer + i) != BitAt(mask, i)) return false;
    }
    return true;
}

void UhfTag::UpdateStoredCrc() {
    std::vector<std::uint8_t>& bank = banks_[kEpcBank];
    const std::span<const std::uint8_t> covered =
        std::span<const std::uint8_t>(bank).subspan(kCrcBytes, 2 + Epc().size());
    const std::uint16_t crc = Gen2Crc16(covered);
    bank[0] = static_cast<std::uint8_t>(crc >> 8);
    bank[1] = static_cast<std::uint8_t>(crc);
}

}  // namespace sim
