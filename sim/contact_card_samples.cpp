#include "sim/contact_card_samples.h"

#include <algorithm>
#include <string_view>

#include "sim/cards/apdu_script.h"

namespace sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Selecting answers with the file's 22-byte status, held back for GET RESPONSE (9F 16).
constexpr std::string_view kSimScript =
    "A0A40000023F00 => 00 00 1F 40 3F 00 01 00 00 00 00 00 09 13 00 0A 04 00 83 8A 83 8A 9000\n"
    "A0A40000027F20 => 00 00 00 00 7F 20 02 00 00 00 00 00 09 13 00 0A 04 00 83 8A 83 8A 9000\n"
    "A0A40000027FF0 => 00 00 00 00 7F F0 02 00 00 00 00 00 09 13 00 0A 04 00 83 8A 83 8A 9000\n"
    "A0A40000026F07 => 00 00 00 09 6F 07 04 00 11 F0 44 01 02 00 00 00 00 00 00 00 00 00 9000\n"
    "A0A40000022FE2 => 00 00 00 0A 2F E2 04 00 0A F0 44 01 02 00 00 00 00 00 00 00 00 00 9000\n"
    "A0B0000009     => 08 49 06 10 32 54 76 98 00 9000\n"
    "A0B000000A     => 98 68 00 21 43 65 87 09 21 43 9000\n";

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A purse log record: ET number, overdraft, amount (big-endian cents), type, terminal, date,
// time.
std::array<std::uint8_t, 23> Purchase(std::uint8_t n, std::uint32_t cents) {
    return {0x00,
            n,
            0x00,
            0x00,
            0x00,
            static_cast<std::uint8_t>(cents >> 24),
            static_cast<std::uint8_t>(cents >> 16),
            static_cast<std::uint8_t>(cents >> 8),
            static_cast<std::uint8_t>(cents),
            0x06,
            0x11,
            0x22,
            0x33,
            0x44,
            0x55,
            n,
            0x20,
            0x24,
            0x05,
            n,
            0x08,
            0x30,
            n};
}

FuelCardData WithPurse(FuelCardData data, std::vector<std::uint8_t> pin) {
    data.pin = std::move(pin);
    data.balance = 12345;
    data.records = {Purchase(3, 20000), Purchase(2, 5050), Purchase(1, 100)};
    return data;
}

}  // namespace

std::vector<std::uint8_t> SampleAtr(std::string_view historical) {
    Bytes atr(2 + historical.size());
    atr[0] = 0x3B;
    atr[1] = static_cast<std::uint8_t>(historical.size());
    std::copy(historical.begin(), historical.end(), atr.begin() + 2);
    return atr;
}

std::shared_ptr<ContactCard> SampleSimCard() {
    auto card =
        std::make_shared<ContactCard>(SampleAtr("KVSIM"), std::make_shared<ApduScript>(kSimScript));
    card->SetGetResponseSw1(0x9F);
    return card;
}

SocialSecurityApplication::Records SampleSocialSecurityCardFile() {
    return {{1,
             {0x11, 0x00, 0x00, 0xD1, 0x56, 0x00, 0x00, 0x05, 0x86, 0x00, 0x00, 0x00, 0x01, 0x23,
              0x45, 0xAB}},
            {2, {'3'}},
            {3, Text("2.00")},
            {4, {0x31, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34}},
            {5, {0x20, 0x15, 0x06, 0x01}},
            {6, {0x20, 0x25, 0x06, 0x01}},
            {7, Text("A12345678")}};
}

SocialSecurityApplication::Records SampleSocialSecurityHolderFile() {
    return {{1, Text("110101199001011234")}, {2, {0xD5, 0xC5, 0xC8, 0xFD}}, {3, {'1'}}, {4, {0x01}},
            {5, {0x01, 0x02, 0x03}},         {6, {0x19, 0x90, 0x01, 0x01}}};
}

std::shared_ptr<ContactCard> SampleSocialSecurityCard() {
    return std::make_shared<ContactCard>(
        SampleAtr("KVSSC3"), std::make_shared<SocialSecurityApplication>(
                                 SampleSocialSecurityCardFile(), SampleSocialSecurityHolderFile()));
}

std::shared_ptr<TypeACpuCard> SampleContactlessSocialSecurityCard() {
    return std::make_shared<TypeACpuCard>(
        std::make_shared<SocialSecurityApplication>(SampleSocialSecurityCardFile(),
                                                    SampleSocialSecurityHolderFile()),
        AtsParameters{}, std::array<std::uint8_t, 4>{0x3E, 0x51, 0x0C, 0x77});
}

FuelCardData SampleSinopecData() {
    return WithPurse(FuelCardApplication::Sinopec(
                         {0x10, 0x00, 0x01, 0x23, 0x45, 0x67, 0x89, 0x01, 0x23, 0x45, 0x67},
                         {0x20, 0x20, 0x03, 0x15}, {0x20, 0x30, 0x03, 0x14}),
                     {0x88, 0x88});
}

FuelCardData SamplePetroChinaData() {
    return WithPurse(
        FuelCardApplication::PetroChina({0x90, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07},
                                        {0x20, 0x20, 0x03, 0x15}, {0x20, 0x30, 0x03, 0x14}),
        {0xE7, 0xE7, 0xE7});
}

std::shared_ptr<ContactCard> SampleFuelCard(FuelCardData data) {
    return std::make_shared<ContactCard>(SampleAtr("KVFUEL"),
                                         std::make_shared<FuelCardApplication>(std::move(data)));
}

}  // namespace sim
