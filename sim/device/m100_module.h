#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "sim/cards/uhf_tag.h"

namespace sim {

// The reader's M100 UHF module and the tags in its field, from the module's serial frames:
//
//     BB  type  command  PL (2, big-endian)  parameters (PL)  checksum  7E
//
// type 0 command (the only type it takes), 1 response, 2 notice; checksum the 8-bit sum of
// type to last parameter. A frame that fails these checks gets no answer. 16-bit values are
// big-endian. A command is answered by a response carrying its command byte; setters answer
// the single parameter 00. An error is the response BB 01 FF 00 01 <code>.
//
// Commands (parameters -> answer parameters):
//  03 firmware text (kind 0 hardware, 1 software, 2 manufacturer) -> kind, the text
//  22 inventory ()                        -> a notice 22 per tag: RSSI, PC (2), EPC, CRC (2);
//                                            error 15 when no tag answers
//  27 multiple inventory (22, rounds (2)) -> the same notices, round after round (at most
//                                            kMaxNotices); error 15 when no tag answers
//  28 stop multiple inventory ()
//  0C select (SelParam: target 3 bits, action 3 bits, bank 2 bits; bit pointer (4); mask
//     length in bits; truncate; the mask, at least the bits named, at most 32 bytes)
//  12 inventory mode (0 select before every command, 1 never, 2 before tag access only)
//  39 read (access password (4), bank, start word (2), words (2), 0 the rest of the bank up
//     to 32 words) -> UL, PC, EPC, the words      (UL: the bytes of PC and EPC)
//  49 write (access password (4), bank, start word (2), words (2, 1-16), the data)
//                                         -> UL, PC, EPC, 00
//  82 lock (access password (4), lock payload (3)) -> UL, PC, EPC, 00
//  65 kill (kill password (4))            -> UL, PC, EPC, 00; the tag leaves the field
//  0D query parameter () -> (2); 0E query parameter (2)
//  07 region (01 China 900 MHz, 02 US, 03 Europe, 04 China 800 MHz, 06 Korea): channel 0
//  AB RF channel (index within the region), AA () -> index
//  AD frequency hopping (FF on, 00 off); B0 carrier (FF on, 00 off)
//  B7 power () -> hundredths of a dBm (2); B6 power (2, at most kMaxPower)
//  F1 modem () -> mixer gain, IF amplifier gain, threshold (2); F0 the same to set
//  F2 jammer scan (), F3 RSSI scan () -> first and last channel of the region, a signed
//     dBm value per channel
// Tag access (39, 49, 82, 65) works on the first tag in the field, or the first the select
// matches in modes 0 and 2; inventories in mode 0 see only the tags the select matches.
// Error codes: 17 a command it does not know, a parameter of the wrong size or a value out
// of range; 15 no tag; 16 an access password that does not match; 09 read, 10 write, 13
// lock and 12 kill without a tag (12 also for a kill password that is zero or wrong); A3
// words beyond the bank.
class M100Module {
  public:
    static constexpr std::uint8_t kErrorCommand = 0xFF;
    static constexpr std::uint8_t kBadCommand = 0x17;
    static constexpr std::uint8_t kNoTag = 0x15;
    static constexpr std::uint8_t kWrongPassword = 0x16;
    static constexpr std::uint8_t kReadFailed = 0x09;
    static constexpr std::uint8_t kWriteFailed = 0x10;
    static constexpr std::uint8_t kLockFailed = 0x13;
    static constexpr std::uint8_t kKillFailed = 0x12;
    static constexpr std::uint8_t kMemoryOverrun = 0xA3;
    static constexpr std::uint16_t kMaxPower = 2600;
    static constexpr std::size_t kMaxNotices = 64;

    // A command frame as the module decoded it.
    struct Command {
        std::uint8_t command = 0;
        std::vector<std::uint8_t> parameters;
    };

    // Damage done to the module's next answer frame (a module with a noisy serial line).
    enum class AnswerFault {
        kBadChecksum,  // checksum byte wrong
        kBadEnd,       // end byte not 7E
        kBadHeader,    // first byte not BB
        kTruncate,     // only the first truncateTo bytes leave
        kLongLength,   // PL one more than the parameters carried, checksum over what is there
    };

    struct Select {
        std::uint8_t selParam = 0;
        std::uint32_t pointer = 0;
        std::uint8_t maskBits = 0;
        std::uint8_t truncate = 0;
        std::vector<std::uint8_t> mask;
    };

    M100Module();

    // One frame from the reader in; the module's answer frames out, in order.
    std::vector<std::vector<std::uint8_t>> Process(std::span<const std::uint8_t> frame);

    const std::vector<Command>& Commands() const { return commands_; }
    void ClearCommands() { commands_.clear(); }
    std::size_t RejectedFrames() const { return rejectedFrames_; }
    void QueueAnswerFault(AnswerFault fault, std::size_t truncateTo = 0);

    // Channels of the current region.
    std::size_t ChannelCount() const;

    // State a test sets and inspects.
    std::array<std::string, 3> info = {"M100 26dBm V1.0", "V2.3.5", "Korvi UHF Systems"};
    std::vector<UhfTag> tags;
    std::uint16_t power = 2000;
    std::uint8_t region = 0x01;
    std::uint8_t channel = 0;
    bool frequencyHopping = true;
    bool carrier = false;
    std::uint16_t queryParameter = 0x1020;
    std::uint8_t mixerGain = 3;
    std::uint8_t ifGain = 6;
    std::uint16_t threshold = 0x01B0;
    std::uint8_t inventoryMode = 1;
    Select select;
    bool multipleInventory = false;
    // Per channel of the region; resized (new channels at -80 dBm) when the region changes.
    std::vector<std::int8_t> jammerLevels;
    std::vector<std::int8_t> rssiLevels;

  private:
    using Frame = std::vector<std::uint8_t>;
    using Frames = std::vector<Frame>;

    Frames Run(const Command& command);
    Frames Inventory(std::size_t rounds);
    Frames ReadTag(const std::vector<std::uint8_t>& p);
    Frames WriteTag(const std::vector<std::uint8_t>& p);
    Frames LockTag(const std::vector<std::uint8_t>& p);
    Frames KillTag(const std::vector<std::uint8_t>& p);
    Frames SetSelect(const std::vector<std::uint8_t>& p);
    bool Selected(const UhfTag& tag) const;
    // The tag a tag access works on, or null.
    UhfTag* AccessTarget();
    void FitLevels();
    void Damage(Frame& frame);

    std::vector<Command> commands_;
    std::size_t rejectedFrames_ = 0;
    std::deque<std::pair<AnswerFault, std::size_t>> faults_;
};

}  // namespace sim
