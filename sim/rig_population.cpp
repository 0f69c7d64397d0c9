#include "sim/rig_population.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "sim/cards/apdu_script.h"
#include "sim/cards/bank_card_application.h"
#include "sim/cards/fm1208_application.h"
#include "sim/cards/fresh_challenge_application.h"
#include "sim/contact_card_samples.h"

namespace sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The identity card's type-B side: GET CHALLENGE draws from this seed, the script answers
// the rest.
constexpr std::array<std::uint8_t, 8> kIdentityCardChallengeSeed = {0x8C, 0x31, 0xF0, 0x27,
                                                                    0x5D, 0x9A, 0x44, 0xE3};
constexpr std::string_view kIdentityCardScript =
    "0036000008     => 5A 1B 2C 3D 4E 5F 60 71 9000\n"
    "00A40000026002 => 9000\n"
    "80B0000020     => 4B 56 43 41 52 44 2D 44 4E 2D 30 30 30 31 00 00"
    "                  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 9000\n"
    // The reads relayed to an identity server: authentications, the files 60xx, chunks.
    "0088*          => 5E 1D 94 C2 07 B3 68 AF 9000\n"
    "0082*          => 9000\n"
    "00A400000260*  => 9000\n"
    "80B0*          => 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F 30"
    "                  31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F 40"
    "                  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50"
    "                  51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E 5F 60"
    "                  61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 9000\n";

// A city transit card: the payment system environment and its public file (SFI 4), whose
// first eight bytes are the card serial.
constexpr std::string_view kTransitCardScript =
    "00A404000E315041592E5359532E4444463031 => 6F 15 84 0E 31 50 41 59 2E 53 59 53 2E 44 44 46"
    "                                          30 31 A5 03 88 01 01 9000\n"
    "00B0840000 => 10 00 07 51 23 45 67 89 02 01 20 19 07 01 20 29 12 31 00 00 00 00 00 00"
    "              00 00 00 00 00 00 9000\n";

constexpr std::string_view kPsamScript =
    "00A40000023F00 => 9000\n"
    "A0A40000023F00 => 9000\n"
    "0084000004     => 1A 2B 3C 4D 9000\n"
    "0084000008     => 1A 2B 3C 4D 5E 6F 70 81 9000\n"
    "00B0960006     => 01 02 03 04 05 06 9000\n";

// Text into a zero-padded field of a 48-byte record.
void PutText(EspWifiModule::Record& record, std::size_t offset, std::string_view text) {
    std::copy(text.begin(), text.end(), record.begin() + static_cast<std::ptrdiff_t>(offset));
}

// Access-point record: SSID (32) at 0, channel at 32, RSSI at 33, encryption at 34.
EspWifiModule::Record AccessPoint(std::string_view ssid, std::uint8_t channel, std::int8_t rssi,
                                  std::uint8_t encryption) {
    EspWifiModule::Record record{};
    PutText(record, 0, ssid);
    record[32] = channel;
    record[33] = static_cast<std::uint8_t>(rssi);
    record[34] = encryption;
    return record;
}

}  // namespace

std::shared_ptr<MifareClassicCard> SampleMifareCard(MifareClassicCard::Size size) {
    return std::make_shared<MifareClassicCard>(
        size, size == MifareClassicCard::Size::k1K
                  ? std::array<std::uint8_t, 4>{0x3A, 0x5C, 0x7E, 0x91}
                  : std::array<std::uint8_t, 4>{0x4B, 0x6D, 0x8F, 0xA2});
}

std::shared_ptr<NtagTag> SampleNtagTag(NtagTag::Model model) {
    return std::make_shared<NtagTag>(model);
}

std::shared_ptr<TypeBCard> SampleIdentityTypeBCard() {
    auto card = std::make_shared<TypeBCard>();
    card->SetApplication(std::make_shared<FreshChallengeApplication>(
        std::make_shared<ApduScript>(kIdentityCardScript), kIdentityCardChallengeSeed));
    return card;
}

std::shared_ptr<TypeACpuCard> SampleFm1208Card() {
    AtsParameters ats;
    ats.historical = {0x86, 0x6A, 0x43, 0x50, 0x55};
    return std::make_shared<TypeACpuCard>(std::make_shared<Fm1208Application>(), ats);
}

std::shared_ptr<TypeACpuCard> SampleIssuedFm1208Card() {
    AtsParameters ats;
    ats.historical = {0x86, 0x6A, 0x43, 0x50, 0x55};
    return std::make_shared<TypeACpuCard>(
        std::make_shared<Fm1208Application>(std::vector<std::uint8_t>(16, 0xFF)), ats,
        std::array<std::uint8_t, 4>{0x5A, 0x44, 0x55, 0x66});
}

std::shared_ptr<TypeACpuCard> SampleTransitCard() {
    return std::make_shared<TypeACpuCard>(std::make_shared<ApduScript>(kTransitCardScript),
                                          AtsParameters{},
                                          std::array<std::uint8_t, 4>{0x7C, 0x31, 0x52, 0x08});
}

std::shared_ptr<TypeACpuCard> SampleContactlessBankCard() {
    return std::make_shared<TypeACpuCard>(std::make_shared<BankCardApplication>(), AtsParameters{},
                                          std::array<std::uint8_t, 4>{0x6B, 0x21, 0x43, 0x65});
}

std::shared_ptr<TypeACpuCard> SampleDesfireCard() {
    // FSC 64 bytes; TA(1) 77: 212, 424 and 848 kbit/s both ways; TB(1) 81: FWI 8, SFGI 1;
    // TC(1) 02: CID supported.
    const AtsParameters ats = {
        .fsci = 5, .ta1 = 0x77, .tb1 = 0x81, .tc1 = 0x02, .historical = {0x80}};
    return std::make_shared<TypeACpuCard>(
        std::make_shared<ApduScript>(), ats,
        std::array<std::uint8_t, 7>{0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80});
}

std::shared_ptr<ContactCard> SamplePsam() {
    return std::make_shared<ContactCard>(SampleAtr("KVPSAM01"),
                                         std::make_shared<ApduScript>(kPsamScript));
}

std::shared_ptr<ContactCard> SampleContactBankCard() {
    return std::make_shared<ContactCard>(SampleAtr("PBOCDEBIT"),
                                         std::make_shared<BankCardApplication>());
}

std::vector<UhfTag> SampleUhfTags() {
    std::vector<UhfTag> tags;
    const std::int8_t levels[] = {-52, -61, -70};
    for (std::uint8_t i = 0; i < 3; ++i) {
        tags.emplace_back(Bytes{0xE2, 0x00, 0x00, 0x17, 0x22, 0x0A, 0x01, 0x23, 0x45, 0x60, 0x00,
                                static_cast<std::uint8_t>(i + 1)},
                          levels[i]);
    }
    return tags;
}

std::vector<EspWifiModule::Record> SampleAccessPoints() {
    return {AccessPoint("KorviCard-Lab", 6, -48, 3), AccessPoint("Office-2G", 1, -67, 4),
            AccessPoint("Guest", 11, -80, 0)};
}

EspWifiModule::Record SampleStationInfo() {
    EspWifiModule::Record record{};
    PutText(record, 0, "KorviCard-Lab");
    PutText(record, 16, "1357924680");
    return record;
}

std::vector<std::uint8_t> SampleTicket() {
    using namespace std::string_view_literals;
    // ESC @, ESC a 1, the title "中国体育彩票" in GBK, ESC ! 08, the ticket number; GS ( k
    // storing 32 bytes of QR data (pL 23 = 3 + 32), GS ( k printing the symbol, GS V cut.
    constexpr std::string_view kTicket =
        "\x1B\x40\x1B\x61\x01"
        "\xD6\xD0\xB9\xFA\xCC\xE5\xD3\xFD\xB2\xCA\xC6\xB1\n"
        "\x1B\x21\x08"
        "No. 2024-000123\n"
        "\x1D\x28\x6B\x23\x00\x30\x50\x30"
        "KORVICARD-LOTTERY-2024-000123-OK"
        "\x1D\x28\x6B\x03\x00\x30\x51\x30\n"
        "\x1D\x56\x00"sv;
    return Bytes(kTicket.begin(), kTicket.end());
}

}  // namespace sim
