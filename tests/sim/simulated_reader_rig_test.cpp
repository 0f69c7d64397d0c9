#include "sim/simulated_reader_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/sim_frames.h"
#include "support/esp_boot_packets.h"
#include "support/m100_frames.h"

// The whole simulated reader: every command family answers on the one reader, with the
// population korvicard-sim starts with, driven with hand-built request frames.

namespace {

using sim::FieldCard;
using sim_test::Answer;
using sim_test::Bytes;

constexpr sim::FrameMask kMask = {0x3C, 0xA7, 0x10, 0x5E};
constexpr std::uint8_t kReqAll = 0x52;

Answer Ok(Bytes payload = {}) { return {0, std::move(payload)}; }
Answer Fail(std::uint8_t code) { return {1, {code}}; }

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Where part first lies in bytes (bytes.size() when nowhere).
std::size_t Find(const Bytes& bytes, const Bytes& part) {
    return static_cast<std::size_t>(
        std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) - bytes.begin());
}
bool Contains(const Bytes& bytes, const Bytes& part) { return Find(bytes, part) < bytes.size(); }

// One request and the answer it must get.
struct Step {
    const char* what;
    std::uint8_t command;
    Bytes payload;
    Answer answer;
};

class ReaderRigTest : public ::testing::Test {
  public:
    Answer Send(std::uint8_t command, const Bytes& payload) {
        return sim_test::Exchange(rig.reader(), kMask, sequence++, command, payload);
    }
    void Run(const std::vector<Step>& steps, const std::string& context = {}) {
        for (const Step& s : steps) {
            EXPECT_EQ(Send(s.command, s.payload), s.answer) << context << ": " << s.what;
        }
    }
    // The payloads of every reply frame the reader sends to one request.
    std::vector<Bytes> SendForAll(std::uint8_t command, const Bytes& payload) {
        std::vector<Bytes> payloads;
        for (const sim::Emission& e :
             rig.reader().Process(sim_test::Request(kMask, sequence++, command, payload))) {
            const sim_test::PlainReply plain = sim_test::Unscramble(e.bytes, kMask);
            if (!plain.checkOk || plain.body.size() < 3 || plain.body[1] != 0) return {};
            payloads.emplace_back(plain.body.begin() + 3, plain.body.end());
        }
        return payloads;
    }

    sim::ReaderRig rig;
    std::uint8_t sequence = 0;
};

// A CPU-card command carrying an APDU: mode 7, the count, the APDU.
Bytes CpuApdu(const Bytes& apdu) {
    Bytes payload = {0x07, static_cast<std::uint8_t>(apdu.size())};
    payload.insert(payload.end(), apdu.begin(), apdu.end());
    return payload;
}

TEST_F(ReaderRigTest, EveryReaderSideFamilyAnswersWithTheDefaultPopulation) {
    const Bytes psamAtr = {0x3B, 0x08, 'K', 'V', 'P', 'S', 'A', 'M', '0', '1'};
    const Bytes sync = esp_test::Slip(esp_test::SyncPacket());
    const std::string firmware = "M100 26dBm V1.0";
    Bytes firmwareAnswer = {0x00};
    firmwareAnswer.insert(firmwareAnswer.end(), firmware.begin(), firmware.end());
    Run({
        {"Mifare card number of the 1K card",
         50,
         {kReqAll, 0, 0, 0},
         Ok({0x04, 0x00, 0x08, 0x3A, 0x5C, 0x7E, 0x91})},
        {"beep", 11, {0x0A, 0x00}, Ok()},
        {"device number of a V3-U", 31, {}, Ok({0x45, 0x23, 0x01, 0x00, 0x01, 0x30, 0x00, 0x00})},
        {"RF field on", 32, {1}, Ok()},
        {"NFC buffer: an empty English Text record",
         25,
         {},
         Ok({0x03, 0x07, 0xD1, 0x01, 0x03, 0x54, 0x02, 'e', 'n', 0xF3})},
        {"SAM slot 0", 45, {0}, Ok()},
        {"PSAM reset", 43, {}, Ok(psamAtr)},
        {"PSAM GET CHALLENGE over T=0",
         44,
         {0x00, 0x84, 0x00, 0x00, 0x04},
         Ok({0x84, 0x1A, 0x2B, 0x3C, 0x4D, 0x90, 0x00})},
        {"M100 hardware version", 30, m100_test::Frame(0, 0x03, {0x00}),
         Ok(m100_test::Frame(1, 0x03, firmwareAnswer))},
        {"WiFi mode: station", 205, {}, Ok({1, 0, 0, 0})},
        {"SYNC outside the boot loader", 16, sync, Fail(3)},
        {"module into its boot loader", 15, {}, Ok()},
        {"SYNC", 16, sync, Ok({0x01, 0x08, 0x02, 0x00, 0, 0, 0, 0, 0x00, 0x00})},
        {"module back to its firmware", 19, {}, Ok()},
        {"printer capture piece",
         221,
         {0, 0, 0, 0, 5, 0, 0, 0},
         Ok({0x1B, 0x40, 0x1B, 0x61, 0x01})},
        {"QR relay", 223, Text("KORVI"), Ok()},
        {"no FeliCa card by default", 20, {'F'}, Ok()},
        {"FeliCa polling", 21, {0}, Fail(6)},
        {"no type B card by default", 20, {'B'}, Ok()},
        {"request B", 27, {0}, Fail(6)},
        {"CPU-card command without a card", 14, CpuApdu({0x00, 0x84, 0x00, 0x00, 0x04}), Fail(19)},
        {"an unknown command", 99, {}, Fail(19)},
    });
    ASSERT_EQ(rig.printerCommands().QrRelayed().size(), 1u);
    EXPECT_EQ(rig.printerCommands().QrRelayed()[0], Text("KORVI"));
}

TEST_F(ReaderRigTest, EachFieldCardAnswersItsFamily) {
    const Bytes atqb = {0x50, 0x1B, 0x2C, 0x3D, 0x4E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x71};
    const Bytes ntagNumber = {0x44, 0x00, 0x00, 0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const auto ntagVersion = [](std::uint8_t storage) {
        return Ok({0x00, 0x04, 0x04, 0x02, 0x01, 0x00, storage, 0x03});
    };
    const struct {
        FieldCard card;
        std::vector<Step> steps;
    } cases[] = {
        {FieldCard::kMifare1K,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok({0x04, 0x00, 0x08, 0x3A, 0x5C, 0x7E, 0x91})},
          {"authentication with the transport key",
           46,
           {0x60, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           Ok({0x3A, 0x5C, 0x7E, 0x91})}}},
        {FieldCard::kMifare4K,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok({0x02, 0x00, 0x18, 0x4B, 0x6D, 0x8F, 0xA2})},
          {"a sector only a 4K card has",
           46,
           {0x60, 39, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           Ok({0x4B, 0x6D, 0x8F, 0xA2})}}},
        {FieldCard::kNtag213,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok(ntagNumber)},
          {"GET_VERSION", 100, {}, ntagVersion(0x0F)}}},
        {FieldCard::kNtag215,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok(ntagNumber)},
          {"GET_VERSION", 100, {}, ntagVersion(0x11)}}},
        {FieldCard::kNtag216,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok(ntagNumber)},
          {"GET_VERSION", 100, {}, ntagVersion(0x13)},
          {"PWD_AUTH with the default password", 103, {0xFF, 0xFF, 0xFF, 0xFF}, Ok({0, 0})}}},
        {FieldCard::kTypeB,
         {{"no type A card", 50, {kReqAll, 0, 0, 0}, Fail(6)},
          {"protocol B", 20, {'B'}, Ok()},
          {"request B", 27, {0}, Ok(atqb)},
          {"select B", 28, {}, Ok({0x00})},
          {"identity card identifier", 14, CpuApdu({0x00, 0x36, 0x00, 0x00, 0x08}),
           Ok({0x5A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71, 0x90, 0x00})},
          {"SELECT of file 6002", 14, CpuApdu({0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, 0x02}),
           Ok({0x90, 0x00})},
          {"halt B", 29, {}, Ok()}}},
        {FieldCard::kCpu,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok({0x04, 0x00, 0x20, 0x5A, 0x11, 0x22, 0x33})},
          {"RATS passed as a frame",
           14,
           {0x00, 0x02, 0xE0, 0x80},
           Ok({0x0A, 0x78, 0x00, 0x70, 0x02, 0x86, 0x6A, 0x43, 0x50, 0x55})},
          {"erase", 14, CpuApdu({0x80, 0x0E, 0x00, 0x00, 0x00}), Ok({0x90, 0x00})},
          {"GET CHALLENGE", 14, CpuApdu({0x00, 0x84, 0x00, 0x00, 0x04}),
           Ok({0x3C, 0x9A, 0x51, 0xE7, 0x90, 0x00})}}},
        {FieldCard::kBank,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok({0x04, 0x00, 0x20, 0x6B, 0x21, 0x43, 0x65})}}},
        {FieldCard::kFm1208Issued,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok({0x04, 0x00, 0x20, 0x5A, 0x44, 0x55, 0x66})},
          {"RATS passed as a frame",
           14,
           {0x00, 0x02, 0xE0, 0x80},
           Ok({0x0A, 0x78, 0x00, 0x70, 0x02, 0x86, 0x6A, 0x43, 0x50, 0x55})},
          {"erase before authentication", 14, CpuApdu({0x80, 0x0E, 0x00, 0x00, 0x00}),
           Ok({0x69, 0x85})}}},
        {FieldCard::kDesfire,
         {{"request", 1, {kReqAll}, Ok({0x44, 0x03})},
          {"anticollision over both cascade levels",
           2,
           {},
           Ok({0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80})},
          {"RATS with no select after it",
           14,
           {0x00, 0x02, 0xE0, 0x50},
           Ok({0x06, 0x75, 0x77, 0x81, 0x02, 0x80})},
          {"an APDU it has no answer for", 14, CpuApdu({0x00, 0x84, 0x00, 0x00, 0x04}),
           Ok({0x6D, 0x00})},
          {"card number",
           50,
           {kReqAll, 0, 0, 0},
           Ok({0x44, 0x03, 0x20, 0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80})}}},
        {FieldCard::kTransit,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Ok({0x04, 0x00, 0x20, 0x7C, 0x31, 0x52, 0x08})}}},
        {FieldCard::kFelica,
         {{"protocol F", 20, {'F'}, Ok()},
          {"polling",
           21,
           {0},
           Ok({0x01, 0x2E, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F, 0x03, 0x01, 0x4B, 0x02, 0x4F, 0x49,
               0x93, 0xFF})}}},
        {FieldCard::kNone,
         {{"card number", 50, {kReqAll, 0, 0, 0}, Fail(6)},
          {"protocol B", 20, {'B'}, Ok()},
          {"request B", 27, {0}, Fail(6)},
          {"protocol F", 20, {'F'}, Ok()},
          {"polling", 21, {0}, Fail(6)}}},
    };
    for (const auto& c : cases) {
        Send(20, {'A'});
        rig.PresentFieldCard(c.card);
        Run(c.steps, "card " + std::to_string(static_cast<int>(c.card)));
    }
}

TEST_F(ReaderRigTest, TheIdentityCardAnswersEachChallengeWithFreshBytes) {
    rig.PresentFieldCard(FieldCard::kTypeB);
    ASSERT_EQ(Send(20, {'B'}), Ok());
    ASSERT_EQ(Send(27, {0}).status, 0);
    ASSERT_EQ(Send(28, {}), Ok({0x00}));
    const Bytes challenge = CpuApdu({0x00, 0x84, 0x00, 0x00, 0x08});
    const Answer first = Send(14, challenge);
    const Answer second = Send(14, challenge);
    for (const Answer& a : {first, second}) {
        ASSERT_EQ(a.status, 0);
        ASSERT_EQ(a.payload.size(), 10u);
        EXPECT_EQ(Bytes(a.payload.end() - 2, a.payload.end()), (Bytes{0x90, 0x00}));
    }
    EXPECT_NE(first, second);
    EXPECT_EQ(Send(14, CpuApdu({0x00, 0x84, 0x00, 0x00, 0x04})).payload.size(), 6u);
}

TEST_F(ReaderRigTest, BankCardsGiveTheirTrack2InTheFieldAndInSlot1) {
    const Bytes track2 = {0x62, 0x22, 0x02, 0x10, 0x00, 0x12, 0x34, 0x56, 0x78, 0xD2};
    const Bytes ppse = Text("2PAY.SYS.DDF01");
    const Bytes aid = {0xA0, 0x00, 0x00, 0x03, 0x33, 0x01, 0x01, 0x01};
    const auto select = [](const Bytes& name) {
        Bytes apdu = {0x00, 0xA4, 0x04, 0x00, static_cast<std::uint8_t>(name.size())};
        apdu.insert(apdu.end(), name.begin(), name.end());
        return apdu;
    };
    const Bytes readRecord = {0x00, 0xB2, 0x01, 0x0C, 0x00};

    rig.PresentFieldCard(FieldCard::kBank);
    ASSERT_EQ(Send(50, {kReqAll, 0, 0, 0}).status, 0);
    const Answer directory = Send(14, CpuApdu(select(ppse)));
    ASSERT_EQ(directory.status, 0);
    EXPECT_TRUE(Contains(directory.payload, aid)) << "the PPSE names the application";
    EXPECT_EQ(Send(14, CpuApdu(select(aid))).status, 0);
    const Answer record = Send(14, CpuApdu(readRecord));
    ASSERT_EQ(record.status, 0);
    EXPECT_TRUE(Contains(record.payload, track2));
    EXPECT_EQ(Bytes(record.payload.end() - 2, record.payload.end()), (Bytes{0x90, 0x00}));

    // The contact card in slot 1 over T=0: SELECT of the payment application is taken (its
    // procedure byte) and announces its FCI with 61 xx; GET RESPONSE fetches it.
    ASSERT_EQ(Send(45, {1}), Ok());
    EXPECT_EQ(Send(43, {}), Ok({0x3B, 0x09, 'P', 'B', 'O', 'C', 'D', 'E', 'B', 'I', 'T'}));
    const Answer selected = Send(44, select(aid));
    ASSERT_EQ(selected.status, 0);
    ASSERT_EQ(selected.payload.size(), 3u);
    EXPECT_EQ(selected.payload[0], 0xA4);
    EXPECT_EQ(selected.payload[1], 0x61);
    const Answer fci = Send(44, {0x00, 0xC0, 0x00, 0x00, selected.payload[2]});
    ASSERT_EQ(fci.status, 0);
    EXPECT_EQ(fci.payload.size(), 1u + selected.payload[2] + 2u);
    EXPECT_TRUE(Contains(fci.payload, aid));
}

TEST_F(ReaderRigTest, ModulesHoldTheirSamplePopulation) {
    // Inventory: one notice a tag, the 96-bit EPCs ...01 to ...03.
    const std::vector<Bytes> notices = SendForAll(30, m100_test::Frame(0, 0x22, {}));
    ASSERT_EQ(notices.size(), 3u);
    for (std::size_t i = 0; i < notices.size(); ++i) {
        const Bytes epc = {0xE2, 0x00, 0x00, 0x17, 0x22, 0x0A,
                           0x01, 0x23, 0x45, 0x60, 0x00, static_cast<std::uint8_t>(i + 1)};
        ASSERT_GT(notices[i].size(), 8u + epc.size());
        EXPECT_EQ(Bytes(notices[i].begin(), notices[i].begin() + 3), (Bytes{0xBB, 0x02, 0x22}));
        EXPECT_EQ(Bytes(notices[i].begin() + 8, notices[i].begin() + 20), epc) << i;
    }

    // WiFi scan: three access points, the first "KorviCard-Lab" on channel 6 at -48 dBm.
    EXPECT_EQ(Send(200, {}), Ok());
    EXPECT_EQ(Send(201, {}), Ok({3}));
    const Answer ap = Send(202, {0});
    ASSERT_EQ(ap.status, 0);
    ASSERT_EQ(ap.payload.size(), 48u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ap.payload.data())), "KorviCard-Lab");
    EXPECT_EQ(ap.payload[32], 6);
    EXPECT_EQ(static_cast<std::int8_t>(ap.payload[33]), -48);
    EXPECT_EQ(Send(202, {3}), Fail(22));
    const Answer station = Send(203, {});
    ASSERT_EQ(station.status, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(station.payload.data() + 16)),
              "1357924680");

    // The printer capture: one ticket, its text from the GBK start marker on, ahead of the
    // QR store command and its 32 bytes of data.
    const Answer size = Send(220, {});
    ASSERT_EQ(size.status, 0);
    ASSERT_EQ(size.payload.size(), 4u);
    EXPECT_EQ(Bytes(size.payload.begin() + 1, size.payload.end()), (Bytes{0, 0, 0}));
    const std::uint8_t held = size.payload[0];
    const Answer ticket = Send(221, {0, 0, 0, 0, held, 0, 0, 0});
    ASSERT_EQ(ticket.payload.size(), held);
    const std::size_t text = Find(ticket.payload, {0xD6, 0xD0, 0xB9, 0xFA});
    const std::size_t qr = Find(ticket.payload, {0x1D, 0x28, 0x6B, 0x23, 0x00, 0x30, 0x50, 0x30});
    EXPECT_LT(text, qr);
    ASSERT_LE(qr + 8 + 32, ticket.payload.size());
}

TEST(FieldCardNames, EveryNameOfTheUsageTextParsesToItsOwnCard) {
    const std::string names = sim::FieldCardNames("|");
    EXPECT_EQ(names,
              "mifare1k|mifare4k|ntag213|ntag215|ntag216|typeb|cpu|fm1208issued|transit|bank|"
              "desfire|felica|none");
    std::vector<FieldCard> cards;
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find('|', start), names.size());
        const std::optional<FieldCard> card = sim::ParseFieldCard(names.substr(start, end - start));
        ASSERT_TRUE(card) << names.substr(start, end - start);
        EXPECT_EQ(std::count(cards.begin(), cards.end(), *card), 0);
        cards.push_back(*card);
        start = end + 1;
    }
    for (const char* bad : {"", "Mifare1K", "mifare", "none ", "ntag21", "typeb|cpu"}) {
        EXPECT_FALSE(sim::ParseFieldCard(bad)) << bad;
    }
}

}  // namespace
