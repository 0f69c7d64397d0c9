#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/iso14443_4_picc.h"
#include "sim/cards/type_a_card.h"

namespace sim {

// A contactless CPU card of type A: ISO 14443-3 activation (SAK 0x20: ISO 14443-4
// compliant), then the ISO 14443-4 protocol of its Iso14443_4Picc, which waits for RATS
// once the card is selected. S(DESELECT) halts the card at layer 3. It has no memory
// blocks: Mifare reads and writes get no answer.
class TypeACpuCard : public TypeACard {
  public:
    // A card with a 4-byte UID (ATQA 0x0004), such as an FM1208.
    TypeACpuCard(std::shared_ptr<ApduResponder> application, AtsParameters ats = {},
                 std::array<std::uint8_t, 4> uid = {0x5A, 0x11, 0x22, 0x33});
    // A card with a 7-byte UID, selected over two cascade levels; ATQA 0x0344 (double-size
    // UID, bit frame anticollision), as a DESFire answers.
    TypeACpuCard(std::shared_ptr<ApduResponder> application, AtsParameters ats,
                 std::array<std::uint8_t, 7> uid);

    std::uint16_t Atqa() const override { return uid_.size() == 7 ? 0x0344 : 0x0004; }
    std::uint8_t Sak() const override { return 0x20; }
    std::vector<std::uint8_t> Uid() const override { return uid_; }
    CardStatus Read(std::uint8_t, std::span<std::uint8_t, 16>) override {
        return CardStatus::kNoAnswer;
    }
    CardStatus Write(std::uint8_t, std::span<const std::uint8_t>) override {
        return CardStatus::kNoAnswer;
    }

    // One ISO 14443-4 frame (RATS or a block) to the selected card; its answer, or nothing.
    std::optional<std::vector<std::uint8_t>> Transceive(std::span<const std::uint8_t> frame);
    // The protocol side, ready for its first frame when the card is selected.
    Iso14443_4Picc& Protocol();

    Iso14443_4Picc& picc() { return picc_; }

  protected:
    void OnDeactivated() override { picc_.Deactivate(); }

  private:
    Iso14443_4Picc picc_;
    std::vector<std::uint8_t> uid_;
};

}  // namespace sim
