#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/cards/apdu_responder.h"
#include "sim/cards/command_apdu.h"

namespace sim {

// What a fuel card holds: its application, PIN, purse and transaction log.
struct FuelCardData {
    std::vector<std::uint8_t> aid;
    std::vector<std::uint8_t> fci;  // data of the answer to SELECT
    std::vector<std::uint8_t> pin;
    unsigned pinTries = 3;
    // A blocked PIN answers 69 83; when false it answers 63 C0 again.
    bool blockedAnswers6983 = true;
    std::uint32_t balance = 0;
    // Purse log (SFI 0x18), newest first, 23 bytes each.
    std::vector<std::array<std::uint8_t, 23>> records;
};

// The purse application of a fuel card (a contact card): SELECT of its AID, VERIFY of the
// PIN with a try counter (63 Cx with the tries left, then 69 83), GET BALANCE (80 5C, after
// VERIFY) and READ RECORD of the log file (P2 C4, records from 1; 6A 83 past the last).
class FuelCardApplication : public ApduResponder {
  public:
    explicit FuelCardApplication(FuelCardData data);

    // The two issuers' cards: AID A0 00 00 00 03 "SINOPEC" / "PETROCHINA", and an FCI
    // whose issuer data (tag 9F0C) puts the card number, issue and validity dates at the
    // offsets the cards use (11 bytes at 30, 41 and 45; 8 bytes at 40, 48 and 52).
    static FuelCardData Sinopec(const std::array<std::uint8_t, 11>& cardNo,
                                const std::array<std::uint8_t, 4>& issueDate,
                                const std::array<std::uint8_t, 4>& validityEnd);
    static FuelCardData PetroChina(const std::array<std::uint8_t, 8>& cardNo,
                                   const std::array<std::uint8_t, 4>& issueDate,
                                   const std::array<std::uint8_t, 4>& validityEnd);

    unsigned pinTriesLeft() const { return triesLeft_; }

    void Reset() override;
    ApduAnswer Process(std::span<const std::uint8_t> command) override;

  private:
    ApduAnswer Verify(const CommandApdu& apdu);

    FuelCardData data_;
    unsigned triesLeft_;
    bool selected_ = false;
    bool verified_ = false;
};

}  // namespace sim
