#include "sim/cards/bank_card_application.h"

#include <algorithm>

#include "sim/cards/command_apdu.h"
#include "sim/cards/tlv_builder.h"

namespace sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace

const Bytes BankCardApplication::kPseName = Text("1PAY.SYS.DDF01");
const Bytes BankCardApplication::kPpseName = Text("2PAY.SYS.DDF01");

BankCardApplication::BankCardApplication(BankCardData data) : data_(std::move(data)) {
    const Bytes directoryEntry =
        Tlv({0x61}, {Tlv({0x4F}, data_.aid), Tlv({0x50}, data_.label), Tlv({0x87}, Bytes{0x01})});
    pseFci = Tlv({0x6F}, {Tlv({0x84}, kPseName),
                          Tlv({0xA5}, {Tlv({0x88}, Bytes{0x01}), Tlv({0x5F, 0x2D}, "zh")})});
    ppseFci =
        Tlv({0x6F}, {Tlv({0x84}, kPpseName), Tlv({0xA5}, {Tlv({0xBF, 0x0C}, {directoryEntry})})});
    pseRecord = Tlv({0x70}, {directoryEntry});
    applicationFci =
        Tlv({0x6F}, {Tlv({0x84}, data_.aid),
                     Tlv({0xA5}, {Tlv({0x50}, data_.label), Tlv({0x87}, Bytes{0x01})})});
    Bytes recordBody = data_.elementsBeforeTrack2;
    const Bytes track2 = Tlv({0x57}, data_.track2);
    recordBody.insert(recordBody.end(), track2.begin(), track2.end());
    applicationRecord = Tlv({0x70}, recordBody);
}

ApduAnswer BankCardApplication::Select(const CommandApdu& apdu) {
    if (apdu.p1 != 0x04 || apdu.p2 != 0x00) {
        return ApduAnswer::Status(0x6A, 0x86);
    }
    const auto is = [&apdu](const Bytes& name) {
        return std::equal(name.begin(), name.end(), apdu.data.begin(), apdu.data.end());
    };
    if (is(kPseName)) {
        selected_ = Selected::kPse;
        return {pseFci, 0x90, 0x00};
    }
    if (is(kPpseName)) {
        selected_ = Selected::kPpse;
        return {ppseFci, 0x90, 0x00};
    }
    if (is(data_.aid)) {
        selected_ = Selected::kApplication;
        return {applicationFci, 0x90, 0x00};
    }
    return ApduAnswer::Status(0x6A, 0x82);
}

ApduAnswer BankCardApplication::ReadRecord(const CommandApdu& apdu) const {
    if ((apdu.p2 & 0x07) != 0x04) {
        return ApduAnswer::Status(0x6A, 0x86);
    }
    const std::uint8_t sfi = apdu.p2 >> 3;
    if (sfi == 1 && apdu.p1 == 1) {
        if (selected_ == Selected::kPse) {
            return {pseRecord, 0x90, 0x00};
        }
        if (selected_ == Selected::kApplication) {
            return {applicationRecord, 0x90, 0x00};
        }
    }
    return ApduAnswer::Status(0x6A, 0x83);
}

}  // namespace sim
