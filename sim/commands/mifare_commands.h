#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/cards/card_field.h"
#include "sim/cards/mifare_classic_card.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of the Mifare Classic and ISO 14443-A commands, on the type A
// card in the field, plus the reader's key memory, buzzer and the choice of RF protocol.
//
// Request formats (payload bytes) and answers:
//   1 request (mode)                      -> ATQA, low byte first
//   2 anticollision ()                    -> UID, over the card's cascade levels
//                                            (RunAnticollision): 4 bytes, the card left for
//                                            select; 7 or 10, the card selected
//   3 select (UID 4)                      -> SAK (SELECT of cascade level 1)
//   4 authentication (key mode, sector)   -> UID[0-3]; with the key loaded for them
//  46 authentication (key mode, sector, key 6) -> UID[0-3]
//   5 halt ()
//   6 read (block)                        -> 16 bytes
//   7 write (block, data)                 16 bytes for a Mifare block, 4-16 for a tag page
//  37 manufacturer block (16 bytes, one more ignored)
//   8/9 increment/decrement (block, value 4 LE): the operation and its transfer into block
//  12 restore (block), 13 transfer (block)
//  10 load key (key mode, sector 0-39, key 6): kept in the reader, transport key FF..FF at
//     power-up
//  11 beep (time 2 LE)
//  41 empty buffer ()                    -> the reader's buffer, emptied
//  50 card number (request mode, beep time, 2 reserved) -> ATQA 2, SAK, UID
//  51 read data (request mode, block, block count 1-3, beep time, key mode, key 6)
//                                         -> ATQA 2, SAK, UID[0-3], the blocks
//  52 write data (block, beep time, block count 1-3, 16 bytes per block) on the card
//     authenticated before
//  20 RF protocol (letter 'A', 'B', 'C' or 'F')
// Key modes: 0x60 or 0 key A, 0x61 or 1 key B. A beep time of 0 sounds nothing.
//
// Failure codes: no card answering a request/anticollision/select-type command 6
// (LCEC_REQUEST); anticollision of a card not ready 7, a select that matches no card 8;
// wrong key, no or other sector authenticated 9 (LCEC_AUTHENTICATION); halt of no selected
// card 10; read refused 11; write refused or block locked 12; increment 13, decrement 14,
// restore 17, transfer 18 refused; load key refused 15; a malformed request 19.
class MifareCommands {
  public:
    using Key = MifareClassicCard::Key;
    using KeyType = MifareClassicCard::KeyType;
    static constexpr int kKeySectors = 40;

    // Registers the handlers; both must outlive this object's use by the reader.
    MifareCommands(SimulatedReader& reader, CardField& field);
    MifareCommands(const MifareCommands&) = delete;
    MifareCommands& operator=(const MifareCommands&) = delete;

    const Key& LoadedKey(KeyType type, int sector) const {
        return keys_[type == KeyType::kA ? 0 : 1].at(static_cast<std::size_t>(sector));
    }
    // Beep times in the order they sounded.
    const std::vector<std::uint16_t>& Beeps() const { return beeps_; }
    // What command 41 answers next (at most 251 bytes).
    void SetReaderBuffer(std::vector<std::uint8_t> bytes) { buffer_ = std::move(bytes); }

  private:
    void Register(SimulatedReader& reader);
    // Request, anticollision and select: the card that answered, or null.
    TypeACard* Activate(std::uint8_t mode);
    MifareClassicCard* Classic() const;
    void Sound(std::uint16_t time);

    CardField& field_;
    std::array<std::array<Key, kKeySectors>, 2> keys_;
    std::vector<std::uint16_t> beeps_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sim
