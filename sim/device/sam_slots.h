#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/contact_card.h"

namespace sim {

// The reader's contact slots: slots 0-4 and the extension slot 5, one of them selected;
// per slot a power switch, two supply select lines and the card inserted (if any).
// The reader commands act on the selected slot, the voltage lines on the slot named.
//
// Supply by select lines (line 0, line 1): (0, 1) 5 V, (1, 0) 3 V, (1, 1) 1.8 V,
// (0, 0) no supply. Every slot starts unpowered at 5 V, slot 0 selected.
class SamSlots {
  public:
    static constexpr int kSlotCount = 6;

    enum class Status {
        kOk,
        kNoSuchSlot,
        kBadArgument,  // a select-line level other than 0 or 1, a command of under 4 bytes
        kNoCard,       // the slot is empty
        kCardSilent,   // no answer to reset: no supply, or a voltage the card does not take
        kNotActive,    // the card was not reset since the slot was powered or changed
    };

    struct Slot {
        std::shared_ptr<ContactCard> card;
        bool powered = false;
        std::uint8_t line0 = 0;
        std::uint8_t line1 = 1;
    };

    static std::optional<SupplyClass> SupplyOf(std::uint8_t line0, std::uint8_t line1);

    // Puts a card into a slot (replacing one there); a card arrives inactive.
    void Insert(int slot, std::shared_ptr<ContactCard> card);
    void Remove(int slot);
    const Slot& slot(int index) const { return slots_.at(static_cast<std::size_t>(index)); }
    int selected() const { return selected_; }

    // Command 45.
    Status Select(std::uint8_t index);
    // Command 42: 0 switches the selected slot off (its card is deactivated), any other
    // value on.
    Status SetPower(std::uint8_t on);
    // Commands 230 (line 0) and 231 (line 1). A change of supply deactivates the card.
    Status SetSelectLine(int line, std::uint8_t slot, std::uint8_t level);
    // Command 43: powers the selected slot and resets its card; the ATR on success.
    Status Reset(std::vector<std::uint8_t>& atr);
    // Command 44: one APDU to the card of the selected slot; the bytes it sent back
    // (ContactCard::TransmitT0).
    Status Exchange(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer);

  private:
    Slot& Selected() { return slots_[static_cast<std::size_t>(selected_)]; }

    std::array<Slot, kSlotCount> slots_{};
    int selected_ = 0;
};

}  // namespace sim
