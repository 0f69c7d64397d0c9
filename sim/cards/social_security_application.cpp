#include "sim/cards/social_security_application.h"

#include "sim/cards/tlv_builder.h"

namespace sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

}  // namespace

// "sx1.sh." and the GBK bytes of the four characters "social security".
const Bytes SocialSecurityApplication::kDfName = {'s',  'x',  '1',  '.',  's',  'h',  '.', 0xC9,
                                                  0xE7, 0xBB, 0xE1, 0xB1, 0xA3, 0xD5, 0xCF};

SocialSecurityApplication::SocialSecurityApplication(Records ef05, Records ef06)
    : ef05_(std::move(ef05)), ef06_(std::move(ef06)) {}

void SocialSecurityApplication::Reset() {
    level_ = Level::kNone;
    currentEf_ = nullptr;
}

ApduAnswer SocialSecurityApplication::Select(const CommandApdu& apdu) {
    if (apdu.p2 != 0x00) {
        return ApduAnswer::Status(0x6A, 0x86);
    }
    if (apdu.p1 == 0x00 && apdu.data == Bytes{0x3F, 0x00}) {
        level_ = Level::kMaster;
        currentEf_ = nullptr;
        return {Tlv({0x6F}, {Tlv({0x83}, Bytes{0x3F, 0x00})}), 0x90, 0x00};
    }
    if (apdu.p1 == 0x04 && apdu.data == kDfName) {
        level_ = Level::kApplication;
        currentEf_ = nullptr;
        return {Tlv({0x6F}, {Tlv({0x84}, kDfName), Tlv({0xA5}, {Tlv({0x9F, 0x08}, Bytes{0x02})})}),
                0x90, 0x00};
    }
    if (apdu.p1 == 0x02 && level_ == Level::kApplication) {
        if (apdu.data == Bytes{0xEF, 0x05}) {
            currentEf_ = &ef05_;
            return ApduAnswer::Status(0x90, 0x00);
        }
        if (apdu.data == Bytes{0xEF, 0x06}) {
            currentEf_ = &ef06_;
            return ApduAnswer::Status(0x90, 0x00);
        }
    }
    return ApduAnswer::Status(0x6A, 0x82);
}

ApduAnswer SocialSecurityApplication::ReadRecord(const CommandApdu& apdu) const {
    // P2 00 (record identifier P1) and 04 (record number P1) of the current EF.
    if (apdu.p2 != 0x00 && apdu.p2 != 0x04) {
        return ApduAnswer::Status(0x6A, 0x86);
    }
    if (currentEf_ == nullptr) {
        return ApduAnswer::Status(0x69, 0x86);
    }
    const auto record = currentEf_->find(apdu.p1);
    if (record == currentEf_->end()) {
        return ApduAnswer::Status(0x6A, 0x83);
    }
    return {Tlv({apdu.p1}, record->second), 0x90, 0x00};
}

}  // namespace sim
