#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/cards/command_apdu.h"
#include "sim/cards/select_read_application.h"

namespace sim {

// What a PBOC/EMV debit card carries for the card-number reads.
struct BankCardData {
    std::vector<std::uint8_t> aid = {0xA0, 0x00, 0x00, 0x03, 0x33, 0x01, 0x01, 0x01};
    std::string label = "PBOC DEBIT";
    // Value of tag 57 (track 2 equivalent data): PAN digits, separator D, expiry, ...
    std::vector<std::uint8_t> track2 = {0x62, 0x22, 0x02, 0x10, 0x00, 0x12, 0x34, 0x56, 0x78,
                                        0xD2, 0x81, 0x22, 0x01, 0x00, 0x00, 0x00, 0x00, 0x0F};
    // Whole elements placed in the record ahead of tag 57.
    std::vector<std::uint8_t> elementsBeforeTrack2;
};

// A dual-interface bank card application: the contact directory (PSE "1PAY.SYS.DDF01",
// directory records in SFI 1), the contactless one (PPSE "2PAY.SYS.DDF01", the directory
// entry in its FCI) and the payment application, whose SFI 1 record 1 carries track 2.
// SELECT by name and READ RECORD; the record read depends on what is selected.
class BankCardApplication : public SelectReadApplication {
  public:
    static const std::vector<std::uint8_t> kPseName;
    static const std::vector<std::uint8_t> kPpseName;

    explicit BankCardApplication(BankCardData data = {});

    // The answers as built from the data; a test may put others in their place.
    std::vector<std::uint8_t> pseFci;
    std::vector<std::uint8_t> ppseFci;
    std::vector<std::uint8_t> pseRecord;  // SFI 1 record 1 under the PSE
    std::vector<std::uint8_t> applicationFci;
    std::vector<std::uint8_t> applicationRecord;  // SFI 1 record 1 under the application

    void Reset() override { selected_ = Selected::kNothing; }

  private:
    enum class Selected { kNothing, kPse, kPpse, kApplication };

    ApduAnswer Select(const CommandApdu& apdu) override;
    ApduAnswer ReadRecord(const CommandApdu& apdu) const override;

    BankCardData data_;
    Selected selected_ = Selected::kNothing;
};

}  // namespace sim
