#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "api/cpu_card_bench.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/bank_card_application.h"
#include "sim/cards/fuel_card_application.h"
#include "sim/cards/social_security_application.h"
#include "sim/cards/tlv_builder.h"
#include "sim/contact_card_samples.h"
#include "sim_fixture/request_log.h"

// The bank, social-security and fuel-card exports through the simulated reader on the
// callback route, with cards in the field and in a SAM slot.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kSamApdu = 44;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Slice(const std::uint8_t* bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes + from, bytes + to);
}

// The APDUs a bench's reader passed to its SAM slot.
std::vector<Bytes> SamApdus(const CpuCardBench& bench) {
    return RequestPayloads(bench.reader.Requests(), kSamApdu);
}

Bytes SelectByName(const Bytes& name) {
    return Cat({0x00, 0xA4, 0x04, 0x00, static_cast<std::uint8_t>(name.size())}, name);
}

const Bytes kPan16 = {0x62, 0x22, 0x02, 0x10, 0x00, 0x12, 0x34, 0x56, 0xD2, 0x81, 0x22, 0x01};

// --- Bank cards --------------------------------------------------------------------------

struct BankCase {
    const char* what;
    Bytes track2;
    Bytes before;  // elements ahead of tag 57 in the record
    const char* contactless;
    const char* contact;
};

// The card's data of a case: its track 2 and the elements ahead of it.
sim::BankCardData CardData(const BankCase& c) {
    sim::BankCardData data;
    data.track2 = c.track2;
    data.elementsBeforeTrack2 = c.before;
    return data;
}

const BankCase kBankCases[] = {
    {"16 digits then the separator", kPan16, {}, "6222021000123456", "6222021000123456"},
    {"no separator in 20 digits",
     {0x62, 0x22, 0x02, 0x10, 0x00, 0x12, 0x34, 0x56, 0x78, 0x90},
     {},
     "62220210001234567890",
     "6222021000123456789"},
    {"separator as the 20th digit",
     {0x62, 0x22, 0x02, 0x10, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9D},
     {},
     "6222021000123456789d",
     "6222021000123456789"},
    {"a 57 byte inside the PAN element ahead",
     kPan16,
     {0x5A, 0x04, 0x62, 0x57, 0x13, 0x99, 0x50, 0x01, 0x57},
     "6222021000123456",
     "6222021000123456"},
    {"short track 2", {0x62, 0x22, 0x02, 0xD1}, {}, "622202", "622202"},
};

TEST(BankCardExportsTest, ContactlessNumberFromTrack2) {
    for (const BankCase& c : kBankCases) {
        SCOPED_TRACE(c.what);
        CpuCardBench bench;
        const sim::BankCardData data = CardData(c);
        auto card = bench.PresentCpuCard(std::make_shared<sim::BankCardApplication>(data));
        ASSERT_TRUE(bench.ActivateCpuCard());
        char number[40];
        std::memset(number, 0x55, sizeof number);
        ASSERT_EQ(KorviCardGetBankCardNo(bench.handle, number, 32), 1);
        EXPECT_STREQ(number, c.contactless);
        EXPECT_TRUE(
            std::all_of(number + std::strlen(number), number + 32, [](char b) { return b == 0; }));
        EXPECT_EQ(number[32], 0x55) << "nothing past the size given";
        const std::vector<Bytes> expected = {SelectByName(sim::BankCardApplication::kPpseName),
                                             SelectByName(data.aid),
                                             {0x00, 0xB2, 0x01, 0x0C, 0x00}};
        EXPECT_EQ(card->picc().apdus(), expected);
    }
}

TEST(BankCardExportsTest, ContactNumberFromTrack2InTheSamSlot) {
    for (const BankCase& c : kBankCases) {
        SCOPED_TRACE(c.what);
        CpuCardBench bench;
        const sim::BankCardData data = CardData(c);
        auto application = std::make_shared<sim::BankCardApplication>(data);
        bench.InsertContactCard(application);
        char number[32];
        std::memset(number, 0x55, sizeof number);
        ASSERT_EQ(KorviCardGetBankCardNoBy7816(bench.handle, number, sizeof number), 1);
        EXPECT_STREQ(number, c.contact);
        const std::vector<Bytes> apdus = SamApdus(bench);
        ASSERT_EQ(apdus.size(), 8u);
        EXPECT_EQ(apdus[0], SelectByName(sim::BankCardApplication::kPseName));
        EXPECT_EQ(apdus[1], (Bytes{0x00, 0xC0, 0x00, 0x00,
                                   static_cast<std::uint8_t>(application->pseFci.size())}));
        EXPECT_EQ(apdus[2], (Bytes{0x00, 0xB2, 0x01, 0x0C, 0x00}));
        EXPECT_EQ(apdus[3], (Bytes{0x00, 0xB2, 0x01, 0x0C,
                                   static_cast<std::uint8_t>(application->pseRecord.size())}));
        EXPECT_EQ(apdus[4], SelectByName(data.aid));
        EXPECT_EQ(apdus[7],
                  (Bytes{0x00, 0xB2, 0x01, 0x0C,
                         static_cast<std::uint8_t>(application->applicationRecord.size())}));
    }
}

// The PPSE FCI with one directory entry whose AID has `length` bytes.
Bytes PpseFciWithAid(std::size_t length) {
    using sim::Tlv;
    return Tlv(
        {0x6F},
        {Tlv({0x84}, sim::BankCardApplication::kPpseName),
         Tlv({0xA5}, {Tlv({0xBF, 0x0C}, {Tlv({0x61}, {Tlv({0x4F}, Bytes(length, 0xA0))})})})});
}

TEST(BankCardExportsTest, CardDataThatDoesNotHoldTogetherFails) {
    using sim::Tlv;
    struct Case {
        const char* what;
        void (*spoil)(sim::BankCardApplication&);
        std::size_t apdusSent;
    };
    const Case cases[] = {
        {"AID of 4 bytes", [](sim::BankCardApplication& a) { a.ppseFci = PpseFciWithAid(4); }, 1},
        {"AID of 17 bytes", [](sim::BankCardApplication& a) { a.ppseFci = PpseFciWithAid(17); }, 1},
        {"AID length past the answer",
         [](sim::BankCardApplication& a) { a.ppseFci.resize(a.ppseFci.size() - 3); }, 1},
        {"directory entry outside the FCI template",
         [](sim::BankCardApplication& a) {
             a.ppseFci = Cat(Tlv({0x6F}, {Tlv({0x84}, sim::BankCardApplication::kPpseName)}),
                             Tlv({0x61}, {Tlv({0x4F}, Bytes(7, 0xA0))}));
         },
         1},
        {"record without track 2",
         [](sim::BankCardApplication& a) {
             a.applicationRecord = Tlv({0x70}, {Tlv({0x5A}, Bytes{0x57, 0x57, 0x57, 0x57})});
         },
         3},
        {"track 2 length past the record",
         [](sim::BankCardApplication& a) {
             a.applicationRecord = {0x70, 0x04, 0x57, 0x13, 0x62, 0x22};
         },
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CpuCardBench bench;
        auto application = std::make_shared<sim::BankCardApplication>();
        c.spoil(*application);
        auto card = bench.PresentCpuCard(application);
        ASSERT_TRUE(bench.ActivateCpuCard());
        char number[32];
        std::memset(number, 0x55, sizeof number);
        EXPECT_EQ(KorviCardGetBankCardNo(bench.handle, number, sizeof number), 0);
        EXPECT_EQ(card->picc().apdus().size(), c.apdusSent);
    }
}

TEST(BankCardExportsTest, ShortOrMissingOutputFailsBeforeSending) {
    CpuCardBench bench;
    bench.PresentCpuCard(std::make_shared<sim::BankCardApplication>());
    ASSERT_TRUE(bench.ActivateCpuCard());
    char number[32] = {};
    EXPECT_EQ(KorviCardGetBankCardNo(bench.handle, number, 31), 0);
    EXPECT_EQ(KorviCardGetBankCardNo(bench.handle, nullptr, 32), 0);
    EXPECT_EQ(KorviCardGetBankCardNoBy7816(bench.handle, number, 31), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

// --- Social-security cards -----------------------------------------------------------------

const Bytes kName = {0xD5, 0xC5, 0xC8, 0xFD};  // two characters in GBK
const Bytes kSelectEf05 = {0x00, 0xA4, 0x02, 0x00, 0x02, 0xEF, 0x05};
const Bytes kSelectEf06 = {0x00, 0xA4, 0x02, 0x00, 0x02, 0xEF, 0x06};

// The SELECTs by file identifier (P1 02) among the APDUs.
std::vector<Bytes> FileSelects(const std::vector<Bytes>& apdus) {
    std::vector<Bytes> selects;
    std::copy_if(apdus.begin(), apdus.end(), std::back_inserter(selects), [](const Bytes& apdu) {
        return apdu.size() >= 3 && apdu[0] == 0x00 && apdu[1] == 0xA4 && apdu[2] == 0x02;
    });
    return selects;
}

// The simulator's sample card file (card number A12345678), with another card number.
sim::SocialSecurityApplication::Records CardFile(Bytes cardNumber = Text("A12345678")) {
    sim::SocialSecurityApplication::Records records = sim::SampleSocialSecurityCardFile();
    records[7] = std::move(cardNumber);
    return records;
}

sim::SocialSecurityApplication::Records HolderFile(Bytes name = kName) {
    return {{1, Text("110101199001011234")}, {2, std::move(name)},         {3, {'1'}}, {4, {0x01}},
            {5, {0x01, 0x02, 0x03}},         {6, {0x19, 0x90, 0x01, 0x01}}};
}

TEST(SocialSecurityExportsTest, HolderRecordFromTheSamSlot) {
    CpuCardBench bench;
    bench.InsertContactCard(
        std::make_shared<sim::SocialSecurityApplication>(CardFile(), HolderFile()));
    std::vector<std::uint8_t> record(216, 0xEE);
    ASSERT_EQ(KorviCardGetSocialSecurityInfoBy7816(bench.handle, record.data()), 1);
    std::vector<std::uint8_t> expected(216, 0);
    const auto put = [&](std::size_t at, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    };
    put(0, Text("A12345678"));
    put(16, kName);
    put(48, Text("110101199001011234"));
    put(80, {'1'});
    put(88, {0xBA, 0xBA});  // the GBK name of nationality 1
    put(152, Text("20150601"));
    put(184, Text("20250601"));
    EXPECT_EQ(record, expected);
    const std::vector<Bytes> apdus = SamApdus(bench);
    ASSERT_FALSE(apdus.empty());
    EXPECT_EQ(apdus[0], (Bytes{0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}));
    EXPECT_EQ(apdus[1], SelectByName(sim::SocialSecurityApplication::kDfName));
    EXPECT_EQ(FileSelects(apdus), (std::vector<Bytes>{kSelectEf05, kSelectEf06}));
}

TEST(SocialSecurityExportsTest, FieldsLongerThanTheirSlotsAreLeftOut) {
    CpuCardBench bench;
    bench.InsertContactCard(std::make_shared<sim::SocialSecurityApplication>(
        CardFile(Bytes(17, '9')), HolderFile(Bytes(33, 0xB0))));
    std::vector<std::uint8_t> record(216, 0xEE);
    ASSERT_EQ(KorviCardGetSocialSecurityInfoBy7816(bench.handle, record.data()), 1);
    EXPECT_EQ(Slice(record.data(), 0, 48), Bytes(48, 0)) << "card number and name left out";
    EXPECT_EQ(Slice(record.data(), 48, 66), Text("110101199001011234"));
    EXPECT_EQ(Slice(record.data(), 152, 160), Text("20150601"));
}

TEST(SocialSecurityExportsTest, BasicInformationOverEitherPath) {
    for (const bool contact : {false, true}) {
        SCOPED_TRACE(contact ? "SAM slot" : "field");
        CpuCardBench bench;
        auto application =
            std::make_shared<sim::SocialSecurityApplication>(CardFile(), HolderFile());
        std::shared_ptr<sim::TypeACpuCard> card;
        if (contact) {
            bench.InsertContactCard(application);
        } else {
            card = bench.PresentCpuCard(application);
            ASSERT_TRUE(bench.ActivateCpuCard());
        }
        std::vector<std::uint8_t> record(200, 0xEE);
        ASSERT_EQ(KorviCardGetSocialSecurityInfo(bench.handle, contact ? -1 : 0, record.data()), 1);
        std::vector<std::uint8_t> expected(200, 0);
        const auto put = [&](std::size_t at, const std::string& text) {
            std::copy(text.begin(), text.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
        };
        put(0, "110000D15600000586000000012345AB");
        put(64, "3");
        put(68, "2.00");
        put(72, "310000000000000000001234");
        put(104, "20150601");
        put(136, "20250601");
        put(168, "A12345678");
        EXPECT_EQ(record, expected);
        EXPECT_EQ(SamApdus(bench).empty(), !contact);
        EXPECT_EQ(bench.CpuPayloads().empty(), contact);
        const std::vector<Bytes> apdus = contact ? SamApdus(bench) : card->picc().apdus();
        EXPECT_EQ(FileSelects(apdus), std::vector<Bytes>{kSelectEf05});
    }
}

TEST(SocialSecurityExportsTest, BasicInformationKeepsLongRecordsOutOfTheNextField) {
    CpuCardBench bench;
    auto ef05 = CardFile(Bytes(40, '7'));
    ef05[3] = Text("2.000");  // 5 bytes for a 4-byte field
    bench.InsertContactCard(std::make_shared<sim::SocialSecurityApplication>(ef05, HolderFile()));
    std::vector<std::uint8_t> record(200, 0xEE);
    ASSERT_EQ(KorviCardGetSocialSecurityInfo(bench.handle, 1, record.data()), 1);
    EXPECT_EQ(Slice(record.data(), 168, 200), Bytes(32, 0));
    EXPECT_EQ(Slice(record.data(), 68, 72), Bytes(4, 0));
    EXPECT_EQ(Slice(record.data(), 64, 65), Text("3"));
}

TEST(SocialSecurityExportsTest, MissingFilesFail) {
    CpuCardBench bench;
    bench.InsertContactCard(std::make_shared<sim::ApduScript>("00A40000023F00 => 6A82"));
    std::vector<std::uint8_t> record(216, 0xEE);
    EXPECT_EQ(KorviCardGetSocialSecurityInfoBy7816(bench.handle, record.data()), 0);
    EXPECT_EQ(record, std::vector<std::uint8_t>(216, 0));
    EXPECT_EQ(KorviCardGetSocialSecurityInfoBy7816(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardGetSocialSecurityInfo(bench.handle, 1, nullptr), 0);
}

// --- Fuel cards --------------------------------------------------------------------------

const std::array<std::uint8_t, 11> kSinopecNo = {0x10, 0x00, 0x01, 0x23, 0x45, 0x67,
                                                 0x89, 0x01, 0x23, 0x45, 0x67};
const std::array<std::uint8_t, 4> kIssued = {0x20, 0x20, 0x03, 0x15};
const std::array<std::uint8_t, 4> kValidTo = {0x20, 0x30, 0x03, 0x14};

std::array<std::uint8_t, 23> LogRecord(std::uint8_t n) {
    std::array<std::uint8_t, 23> record{};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(n * 16 + i);
    return record;
}

sim::FuelCardData Sinopec(std::size_t records) {
    sim::FuelCardData data = sim::FuelCardApplication::Sinopec(kSinopecNo, kIssued, kValidTo);
    data.pin = {0x12, 0x34, 0x56};
    data.balance = 123456;
    for (std::size_t i = 0; i < records; ++i)
        data.records.push_back(LogRecord(static_cast<std::uint8_t>(i + 1)));
    return data;
}

class FuelCardExports : public ::testing::Test {
  protected:
    std::shared_ptr<sim::FuelCardApplication> Insert(sim::FuelCardData data) {
        auto application = std::make_shared<sim::FuelCardApplication>(std::move(data));
        bench.InsertContactCard(application);
        return application;
    }
    KorviCardSinopecCardParam Blank() {
        KorviCardSinopecCardParam card;
        std::memset(&card, 0xEE, sizeof card);
        return card;
    }

    CpuCardBench bench;
};

TEST_F(FuelCardExports, SinopecCardWithPinBalanceAndLog) {
    Insert(Sinopec(3));
    KorviCardSinopecCardParam card = Blank();
    ASSERT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, "123456"), 1);
    EXPECT_EQ(Slice(card.arrCardNo, 0, 16),
              Cat(Bytes(kSinopecNo.begin(), kSinopecNo.end()), Bytes(5, 0)));
    EXPECT_EQ(Slice(card.arrSignedDate, 0, 4), Bytes(kIssued.begin(), kIssued.end()));
    EXPECT_EQ(Slice(card.arrValidityEndDate, 0, 4), Bytes(kValidTo.begin(), kValidTo.end()));
    EXPECT_EQ(card.nCardBalance, 123456);
    EXPECT_EQ(card.nPinFalseCount, 0);
    for (std::size_t i = 0; i < KORVICARD_SINOPEC_RECORD_COUNT; ++i) {
        SCOPED_TRACE(i);
        const auto* slot = reinterpret_cast<const std::uint8_t*>(&card.arrSinopecRecord[i]);
        Bytes expected(24, 0);
        if (i < 3) {
            const auto record = LogRecord(static_cast<std::uint8_t>(i + 1));
            std::copy(record.begin(), record.end(), expected.begin());
        }
        EXPECT_EQ(Slice(slot, 0, 24), expected) << "record bytes, pad byte zero";
    }
    const std::vector<Bytes> apdus = SamApdus(bench);
    ASSERT_EQ(apdus.size(), 14u) << "select, get response, verify, balance, 10 records";
    EXPECT_EQ(apdus[0],
              SelectByName({0xA0, 0x00, 0x00, 0x00, 0x03, 'S', 'I', 'N', 'O', 'P', 'E', 'C'}));
    EXPECT_EQ(apdus[2], (Bytes{0x00, 0x20, 0x00, 0x00, 0x03, 0x12, 0x34, 0x56}));
    EXPECT_EQ(apdus[3], (Bytes{0x80, 0x5C, 0x00, 0x01, 0x04}));
    EXPECT_EQ(apdus[13], (Bytes{0x00, 0xB2, 0x0A, 0xC4, 0x17}));
}

TEST_F(FuelCardExports, FullLogStaysInItsSlots) {
    Insert(Sinopec(10));
    KorviCardSinopecCardParam card = Blank();
    ASSERT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, "123456"), 1);
    for (std::size_t i = 0; i < 10; ++i) {
        const auto record = LogRecord(static_cast<std::uint8_t>(i + 1));
        EXPECT_EQ(card.arrSinopecRecord[i].arrEtNo[0], record[0]);
        EXPECT_EQ(card.arrSinopecRecord[i].ucPad, 0);
    }
    const auto* rest = reinterpret_cast<const std::uint8_t*>(&card.arrSinopecRecord[10]);
    EXPECT_EQ(Slice(rest, 0, 6 * 24), Bytes(6 * 24, 0));
}

TEST_F(FuelCardExports, PinTextsAndTheirOutcomes) {
    struct Case {
        const char* pin;
        int result;
        int pinFalseCount;
        Bytes verify;  // empty: no VERIFY sent
    };
    const Case cases[] = {
        {"CARDNO", 1, 0, {}},
        {"E7E7E7", 1, 0, {0x00, 0x20, 0x00, 0x00, 0x02, 0x88, 0x88}},
        {"111111", 0, 2, {0x00, 0x20, 0x00, 0x00, 0x03, 0x11, 0x11, 0x11}},
        {"12345a", 0, 2, {0x00, 0x20, 0x00, 0x00, 0x03, 0x12, 0x34, 0x5A}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pin);
        bench.ClearRequests();
        sim::FuelCardData data = Sinopec(1);
        if (std::string(c.pin) == "E7E7E7") data.pin = {0x88, 0x88};
        Insert(data);
        KorviCardSinopecCardParam card = Blank();
        EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, c.pin), c.result);
        EXPECT_EQ(card.nPinFalseCount, c.pinFalseCount);
        EXPECT_EQ(Slice(card.arrCardNo, 0, 11), Bytes(kSinopecNo.begin(), kSinopecNo.end()));
        const std::vector<Bytes> apdus = SamApdus(bench);
        if (c.verify.empty()) {
            EXPECT_EQ(apdus.size(), 2u) << "select and get response only";
            EXPECT_EQ(card.nCardBalance, 0);
        } else {
            ASSERT_GE(apdus.size(), 3u);
            EXPECT_EQ(apdus[2], c.verify);
        }
    }
}

TEST_F(FuelCardExports, OnlyTheFirstSixCharactersOfAPinTextCount) {
    const Bytes verify123456 = {0x00, 0x20, 0x00, 0x00, 0x03, 0x12, 0x34, 0x56};
    struct Case {
        const char* pin;
        bool petroChina;
        Bytes cardPin;
        Bytes verify;
    };
    const Case cases[] = {
        {"1234567", false, {0x12, 0x34, 0x56}, verify123456},
        {"123456 and more", false, {0x12, 0x34, 0x56}, verify123456},
        {"E7E7E7E7", false, {0x88, 0x88}, {0x00, 0x20, 0x00, 0x00, 0x02, 0x88, 0x88}},
        {"E7E7E7CARDNO", false, {0x88, 0x88}, {0x00, 0x20, 0x00, 0x00, 0x02, 0x88, 0x88}},
        {"1234567", true, {0x12, 0x34, 0x56}, verify123456},
        {"E7E7E7E7", true, {0xE7, 0xE7, 0xE7}, {0x00, 0x20, 0x00, 0x00, 0x03, 0xE7, 0xE7, 0xE7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pin) + (c.petroChina ? " (PetroChina)" : " (Sinopec)"));
        bench.ClearRequests();
        sim::FuelCardData data =
            c.petroChina ? sim::FuelCardApplication::PetroChina(
                               {0x90, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}, kIssued, kValidTo)
                         : Sinopec(1);
        data.pin = c.cardPin;
        data.balance = 77;
        Insert(data);
        KorviCardSinopecCardParam card = Blank();
        EXPECT_EQ(c.petroChina ? KorviCardGetPetroChinaCardInfo(bench.handle, &card, c.pin)
                               : KorviCardGetSinopecCardInfo(bench.handle, &card, c.pin),
                  1);
        EXPECT_EQ(card.nCardBalance, 77);
        const std::vector<Bytes> apdus = SamApdus(bench);
        ASSERT_GE(apdus.size(), 3u);
        EXPECT_EQ(apdus[2], c.verify);
    }
}

TEST_F(FuelCardExports, PinTextsOfAnotherFormAreRefusedBeforeAnythingIsSent) {
    auto application = Insert(Sinopec(1));
    // "CARDNO" asks for the card data only as the whole text; longer, it is no PIN.
    const char* refused[] = {"12345",  "12345G",  "",         "E7E7",   "cardno",
                             " 12345", "CARDNO0", "CARDNO 1", "12 456", "12 4567"};
    for (const char* pin : refused) {
        SCOPED_TRACE(pin);
        KorviCardSinopecCardParam card = Blank();
        EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, pin), 0);
        EXPECT_EQ(KorviCardGetPetroChinaCardInfo(bench.handle, &card, pin), 0);
        EXPECT_EQ(card.nPinFalseCount, static_cast<std::int32_t>(0xEEEEEEEE)) << "record untouched";
    }
    KorviCardSinopecCardParam card = Blank();
    EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, nullptr), 0);
    EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, nullptr, "123456"), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
    EXPECT_EQ(application->pinTriesLeft(), 3u);
}

TEST_F(FuelCardExports, BlockedPin) {
    sim::FuelCardData data = Sinopec(1);
    data.pinTries = 1;
    Insert(data);
    KorviCardSinopecCardParam card = Blank();
    EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, "000000"), 0);
    EXPECT_EQ(card.nPinFalseCount, 0) << "63 C0: no tries left";
    EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, "123456"), 0);
    EXPECT_EQ(card.nPinFalseCount, -1) << "69 83: blocked";
}

TEST_F(FuelCardExports, PetroChinaCard) {
    sim::FuelCardData data = sim::FuelCardApplication::PetroChina(
        {0x90, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}, kIssued, kValidTo);
    data.pin = {0xE7, 0xE7, 0xE7};
    data.balance = 500;
    data.records = {LogRecord(1), LogRecord(2)};
    data.pinTries = 1;
    Insert(data);
    KorviCardSinopecCardParam card = Blank();
    ASSERT_EQ(KorviCardGetPetroChinaCardInfo(bench.handle, &card, "E7E7E7"), 1);
    EXPECT_EQ(Slice(card.arrCardNo, 0, 16),
              (Bytes{0x90, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slice(card.arrSignedDate, 0, 4), Bytes(kIssued.begin(), kIssued.end()));
    EXPECT_EQ(card.nCardBalance, 500);
    EXPECT_EQ(card.arrSinopecRecord[1].arrEtNo[0], LogRecord(2)[0]);
    const std::vector<Bytes> apdus = SamApdus(bench);
    EXPECT_EQ(apdus[2], (Bytes{0x00, 0x20, 0x00, 0x00, 0x03, 0xE7, 0xE7, 0xE7}))
        << "no built-in PIN";

    EXPECT_EQ(KorviCardGetPetroChinaCardInfo(bench.handle, &card, "000000"), 0);
    card = Blank();
    EXPECT_EQ(KorviCardGetPetroChinaCardInfo(bench.handle, &card, "E7E7E7"), 0);
    EXPECT_EQ(card.nPinFalseCount, 0) << "69 83 does not count here";
}

TEST_F(FuelCardExports, ALogStatusOfNinetyWithAQualifierFails) {
    const sim::FuelCardData data = Sinopec(0);
    auto script = std::make_shared<sim::ApduScript>();
    script->Add(SelectByName(data.aid), {data.fci, 0x90, 0x00});
    script->Add({0x00, 0x20, 0x00, 0x00, 0x03, 0x12, 0x34, 0x56},
                sim::ApduAnswer::Status(0x90, 0x00));
    script->Add({0x80, 0x5C, 0x00, 0x01, 0x04}, {{0, 0, 0, 9}, 0x90, 0x00});
    script->Add({0x00, 0xB2, 0x01, 0xC4, 0x17}, {Bytes(23, 0x31), 0x90, 0x01});
    bench.InsertContactCard(script);
    KorviCardSinopecCardParam card = Blank();
    EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, "123456"), 0);
    EXPECT_EQ(card.nCardBalance, 9);
}

TEST_F(FuelCardExports, ShortFciFails) {
    const sim::FuelCardData data = Sinopec(0);
    auto script = std::make_shared<sim::ApduScript>();
    script->Add(SelectByName(data.aid),
                {Bytes(data.fci.begin(), data.fci.begin() + 40), 0x90, 0x00});
    bench.InsertContactCard(script);
    KorviCardSinopecCardParam card = Blank();
    EXPECT_EQ(KorviCardGetSinopecCardInfo(bench.handle, &card, "123456"), 0);
    EXPECT_EQ(Slice(card.arrCardNo, 0, 16), Bytes(16, 0));
    EXPECT_EQ(SamApdus(bench).size(), 2u);
}

}  // namespace
