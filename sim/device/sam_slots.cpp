#include "sim/device/sam_slots.h"

#include <utility>

namespace sim {

std::optional<SupplyClass> SamSlots::SupplyOf(std::uint8_t line0, std::uint8_t line1) {
    if (line0 == 0 && line1 == 1) {
        return SupplyClass::kA;
    }
    if (line0 == 1 && line1 == 0) {
        return SupplyClass::kB;
    }
    if (line0 == 1 && line1 == 1) {
        return SupplyClass::kC;
    }
    return std::nullopt;
}

void SamSlots::Insert(int slot, std::shared_ptr<ContactCard> card) {
    Slot& target = slots_.at(static_cast<std::size_t>(slot));
    if (target.card) {
        target.card->Deactivate();
    }
    if (card) {
        card->Deactivate();
    }
    target.card = std::move(card);
}

void SamSlots::Remove(int slot) { Insert(slot, nullptr); }

SamSlots::Status SamSlots::Select(std::uint8_t index) {
    if (index >= kSlotCount) {
        return Status::kNoSuchSlot;
    }
    selected_ = index;
    return Status::kOk;
}

SamSlots::Status SamSlots::SetPower(std::uint8_t on) {
    Slot& slot = Selected();
    slot.powered = on != 0;
    if (!slot.powered && slot.card) {
        slot.card->Deactivate();
    }
    return Status::kOk;
}

SamSlots::Status SamSlots::SetSelectLine(int line, std::uint8_t slot, std::uint8_t level) {
    if (slot >= kSlotCount) {
        return Status::kNoSuchSlot;
    }
    if (level > 1) {
        return Status::kBadArgument;
    }
    Slot& target = slots_[slot];
    std::uint8_t& current = line == 0 ? target.line0 : target.line1;
    if (current != level && target.card) {
        target.card->Deactivate();
    }
    current = level;
    return Status::kOk;
}

SamSlots::Status SamSlots::Reset(std::vector<std::uint8_t>& atr) {
    Slot& slot = Selected();
    if (!slot.card) {
        return Status::kNoCard;
    }
    slot.powered = true;
    const std::optional<SupplyClass> supply = SupplyOf(slot.line0, slot.line1);
    std::optional<std::vector<std::uint8_t>> answer;
    if (supply) {
        answer = slot.card->Activate(*supply);
    } else {
        slot.card->Deactivate();
    }
    if (!answer) {
        return Status::kCardSilent;
    }
    atr = std::move(*answer);
    return Status::kOk;
}

SamSlots::Status SamSlots::Exchange(std::span<const std::uint8_t> command,
                                    std::vector<std::uint8_t>& answer) {
    Slot& slot = Selected();
    if (command.size() < 4) {
        return Status::kBadArgument;
    }
    if (!slot.card) {
        return Status::kNoCard;
    }
    if (!slot.powered || !slot.card->active()) {
        return Status::kNotActive;
    }
    answer = slot.card->TransmitT0(command);
    return Status::kOk;
}

}  // namespace sim
