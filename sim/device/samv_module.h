#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sim {

// A resident identity card as the SAMV module reads it: 256 bytes of UTF-16LE text fields
// (name 15 units, sex 1, nation 2, birthday 8, address 35, number 18, department 15, validity
// begin 8 and end 8, newest address 35), a 1024-byte encoded photo and, on newer cards, a
// fingerprint block (512 or 1024 bytes).
struct IdentityCard {
    std::array<std::uint8_t, 256> text{};
    std::array<std::uint8_t, 1024> photo{};
    std::vector<std::uint8_t> fingerprint;

    // Writes text as UTF-16LE units into field bytes [offset, offset + size), space-padded.
    // Throws std::length_error when the field lies outside the text or the text is longer
    // than the field.
    void SetField(std::size_t offset, std::size_t size, std::u16string_view value);
};

// A card with every text field set, a patterned photo and a 1024-byte fingerprint block.
IdentityCard SampleIdentityCard();

// The reader's path to the type B card in its field: the card's response (data and status
// word) to one APDU, or nothing when no card is active there or it does not answer.
using CardApduPath =
    std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t>)>;

// The reader's SAMV module, from its serial frames:
//
//     AA AA AA 96 69  length (2, big-endian: body and check byte)  body  check byte
//
// the check byte the XOR of the length field and body. A request body is the command (2
// bytes) and its data; an answer body the status 00 00 SW, then data. A stream that is not
// a frame (no preamble, fewer bytes than announced) gets no answer; a wrong check byte the
// status 10, a length that does not fit the command 11, a command it does not know 21.
//
// Commands:
//  30 10 read text, photo and fingerprint -> 90, text length (2), photo length (2),
//        fingerprint length (2, only when the card has one), text, photo, fingerprint;
//        80 no card on the module
//  20 01 find card -> 9F, or 80 without card;  20 02 select card -> 90, or 81 without card
//  10 FF reset the SAM -> 90;  12 FF reset module -> 90
// The answer waits in the reader's buffer until the next frame replaces it.
//
// The read also talks to the card in the reader's field through `cardLink`: it selects the
// card's files 6011 (214 bytes), 6012 (256), 6013 (1024) and, when the card holds a
// fingerprint, 6021 (1024), and reads each with READ BINARY (class 80) in chunks of 80 bytes,
// until the card refuses one (a status other than 90 00) or gives no answer. The module does
// not decipher what it reads: its answer comes from `card`.
class SamvModule {
  public:
    static constexpr std::uint8_t kStatusOk = 0x90;
    static constexpr std::uint8_t kStatusFound = 0x9F;
    static constexpr std::uint8_t kStatusCheckByte = 0x10;
    static constexpr std::uint8_t kStatusLength = 0x11;
    static constexpr std::uint8_t kStatusUnknownCommand = 0x21;
    static constexpr std::uint8_t kStatusNoCard = 0x80;
    static constexpr std::uint8_t kStatusSelectFailed = 0x81;

    // A frame from the reader's UART.
    void Receive(std::span<const std::uint8_t> frame);

    // The answer bytes the reader holds; a test may cut or alter them.
    std::vector<std::uint8_t> held;
    std::optional<IdentityCard> card;
    // Unset: the module reaches no card in the field.
    CardApduPath cardLink;
    // Frames received, in order.
    std::vector<std::vector<std::uint8_t>> frames;

  private:
    void Answer(std::uint8_t status, std::span<const std::uint8_t> data = {});
    void ReadCardFiles() const;
    // True when the card in the field answers the APDU with 90 00.
    bool CardTakes(const std::vector<std::uint8_t>& apdu) const;
};

}  // namespace sim
