#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// What a type A card answers to one memory command.
enum class CardStatus {
    kOk,
    kNoAnswer,           // the card is not in a state that answers (not selected, halted)
    kNotAuthenticated,   // no authentication, or one for another sector
    kDenied,             // the access conditions forbid it
    kOutOfRange,         // no such block or page on this card
    kBadValue,           // the block does not hold a valid value, or the result overflows
    kNoTransferPending,  // transfer without a preceding increment, decrement or restore
    kBadLength,          // data of a size the card does not take
};

// ISO 14443-3 activation shared by every type A card in the simulated field:
// idle -> ready (request) -> ready at each further cascade level (anticollision, select)
// -> active (select of the last level) -> halted (halt).
//
// Frames travel without their CRC_A (the reader adds and checks it). A UID of 4, 7 or 10
// bytes takes one, two or three cascade levels; UID CLn is four bytes: the cascade tag 88 and
// the next three UID bytes on every level but the last, the last four UID bytes on the last.
class TypeACard {
  public:
    enum class State { kIdle, kReady, kActive, kHalted };
    // UID CLn and its BCC (the XOR of its four bytes), as the card answers ANTICOLLISION.
    using UidCln = std::array<std::uint8_t, 5>;

    static constexpr std::uint8_t kReqA = 0x26;  // wakes idle cards only
    static constexpr std::uint8_t kWupA = 0x52;  // wakes idle and halted cards
    // SEL of cascade levels 1, 2 and 3.
    static constexpr std::array<std::uint8_t, 3> kSelCodes = {0x93, 0x95, 0x97};
    static constexpr std::uint8_t kNvbAnticollision = 0x20;  // SEL and NVB only, no UID bits
    static constexpr std::uint8_t kNvbSelect = 0x70;         // all 40 bits of UID CLn and BCC
    static constexpr std::uint8_t kCascadeTag = 0x88;
    static constexpr std::uint8_t kSakCascadeBit = 0x04;  // in a SAK: the UID is not complete

    virtual ~TypeACard() = default;

    // ATQA, least significant byte first on the air (0x0004 answers 04 00).
    virtual std::uint16_t Atqa() const = 0;
    // The SAK of the last cascade level.
    virtual std::uint8_t Sak() const = 0;
    // 4, 7 or 10 bytes.
    virtual std::vector<std::uint8_t> Uid() const = 0;

    // 16 bytes from `block` (a Mifare block, or four pages from an Ultralight page).
    virtual CardStatus Read(std::uint8_t block, std::span<std::uint8_t, 16> out) = 0;
    virtual CardStatus Write(std::uint8_t block, std::span<const std::uint8_t> data) = 0;

    // Entering the field: the card starts idle.
    void PowerOn();
    // REQA/WUPA: true (card now ready) when the card answers the request code.
    bool Request(std::uint8_t code);
    // ANTICOLLISION of a ready card, SEL 20 (the reader knows no UID bits yet; a card alone in
    // the field never collides): UID CLn of the level SEL names and its BCC. Nothing for
    // another NVB, a level other than the one the card has reached, or a card not ready.
    std::optional<UidCln> Anticollision(std::span<const std::uint8_t> command);
    // SELECT of a ready card, SEL 70 UID CLn BCC: the SAK. Before the last level it is the
    // cascade bit and the card waits at the next level; at the last it is Sak() and the card
    // is active. Nothing for bytes other than the card's own at the level it has reached.
    std::optional<std::uint8_t> Select(std::span<const std::uint8_t> command);
    // True when an active card was halted.
    bool Halt();

    State state() const { return state_; }

    // BCC of UID CLn: the XOR of its four bytes.
    static std::uint8_t Bcc(std::span<const std::uint8_t, 4> uidCln);

  protected:
    // Called when the card leaves the active state (halt, power-on, an error answer).
    virtual void OnDeactivated() {}
    // A refused command ends the card's session: it goes back to idle.
    void Deactivate();

  private:
    // 1, 2 or 3 for a UID of 4, 7 or 10 bytes.
    std::size_t CascadeLevels() const { return (Uid().size() - 1) / 3; }
    // UID CLn and BCC of the level the card has reached.
    UidCln CurrentUidCln() const;
    // True when a ready card's command starts with the SEL of its level and this NVB.
    bool AddressesLevel(std::span<const std::uint8_t> command, std::uint8_t nvb) const;

    State state_ = State::kIdle;
    std::size_t level_ = 0;  // the cascade level a ready card answers, 0 for level 1
};

}  // namespace sim
