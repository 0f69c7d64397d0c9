#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The reader's NFC card-emulation buffer: one NDEF message TLV (03, length, one short
// record) closed by the reader's end byte F3. Command 26 stores it, command 25 answers it.
// A fresh reader holds an empty English Text record.
class NfcTextBuffer {
  public:
    static constexpr std::size_t kCapacity = 64;
    static constexpr std::uint8_t kEndByte = 0xF3;

    NfcTextBuffer();

    // The TLV of one NDEF Text record (well-known type "T", UTF-8, language `language`).
    static std::vector<std::uint8_t> MakeTextTlv(std::string_view text,
                                                 std::string_view language = "en");

    // Command 26: stores `tlv` when it is a whole TLV of this form that fits the buffer:
    // 03, length = size - 3, a short record whose header, type and payload fill the
    // value exactly, then F3. Anything else is refused and the buffer kept.
    bool Store(std::span<const std::uint8_t> tlv);
    // Command 25's answer.
    const std::vector<std::uint8_t>& contents() const { return contents_; }
    // Test access: any bytes, checked or not.
    void SetContents(std::vector<std::uint8_t> contents) { contents_ = std::move(contents); }
    // The text of the Text record held, or nothing when the buffer holds no such record.
    std::optional<std::string> Text() const;

  private:
    std::vector<std::uint8_t> contents_;
};

}  // namespace sim
