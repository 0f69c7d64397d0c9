#pragma once

#include <cstdint>
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
// idle -> ready (request) -> active (anticollision/select) -> halted (halt).
class TypeACard {
  public:
    enum class State { kIdle, kReady, kActive, kHalted };

    static constexpr std::uint8_t kReqA = 0x26;  // wakes idle cards only
    static constexpr std::uint8_t kWupA = 0x52;  // wakes idle and halted cards

    virtual ~TypeACard() = default;

    // ATQA, least significant byte first on the air (0x0004 answers 04 00).
    virtual std::uint16_t Atqa() const = 0;
    virtual std::uint8_t Sak() const = 0;
    // 4 or 7 bytes.
    virtual std::vector<std::uint8_t> Uid() const = 0;

    // 16 bytes from `block` (a Mifare block, or four pages from an Ultralight page).
    virtual CardStatus Read(std::uint8_t block, std::span<std::uint8_t, 16> out) = 0;
    virtual CardStatus Write(std::uint8_t block, std::span<const std::uint8_t> data) = 0;

    // Entering the field: the card starts idle.
    void PowerOn();
    // REQA/WUPA: true (card now ready) when the card answers the request code.
    bool Request(std::uint8_t code);
    // Anticollision of a ready card. A 4-byte UID card is left ready for Select;
    // a 7-byte UID card runs both cascade levels and ends selected.
    bool Anticollision();
    // Select of a ready card by the first four UID bytes.
    bool Select(std::span<const std::uint8_t> uid4);
    // True when an active card was halted.
    bool Halt();

    State state() const { return state_; }
    bool IsDoubleSizeUid() const { return Uid().size() == 7; }

  protected:
    // Called when the card leaves the active state (halt, power-on, an error answer).
    virtual void OnDeactivated() {}
    // A refused command ends the card's session: it goes back to idle.
    void Deactivate();

  private:
    State state_ = State::kIdle;
};

}  // namespace sim
