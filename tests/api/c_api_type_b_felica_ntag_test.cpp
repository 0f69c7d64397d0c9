#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/error_codes.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/felica_card.h"
#include "sim/cards/ntag_tag.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/felica_commands.h"
#include "sim/commands/nfc_buffer_commands.h"
#include "sim/commands/ntag_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim/device/nfc_text_buffer.h"
#include "sim_fixture/sim_handle_bench.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const sim::FelicaCard::Id kIdm = {0x01, 0x16, 0x05, 0x00, 0x2A, 0x3B, 0x4C, 0x5D};
const std::array<std::uint8_t, 4> kPupi = {0x9A, 0x8B, 0x7C, 0x6D};
const std::array<std::uint8_t, 7> kTagUid = {0x04, 0x51, 0x62, 0x73, 0x84, 0x95, 0xA6};
const sim::NtagTag::Page kTagPassword = {'5', '6', '7', '8'};

Bytes Atqb() { return {0x50, 0x9A, 0x8B, 0x7C, 0x6D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x71}; }

// The simulated reader with a type B card, a FeliCa card and an NTAG213 in its field, and
// its NFC buffer, reached through a C API handle on the callback route.
class TypeBFelicaNtagBench : public SimHandleBench {
  public:
    TypeBFelicaNtagBench() {
        typeB.Present(typeBCard);
        felica.Present(felicaCard);
        tag->SetPassword(kTagPassword, {0x4F, 0x4B});
        field.PresentTypeA(tag);
    }

    // Request and anticollision of the tag, as the NTAG page does before its commands.
    void ActivateTag() {
        field.SetProtocol('A');
        KorviCardParam record{};
        ASSERT_EQ(KorviCardRequest(handle, 0x26, &record), 1);
        ASSERT_EQ(KorviCardAnticoll(handle, &record), 1);
        ClearRequests();
    }

    std::shared_ptr<sim::TypeBCard> typeBCard = std::make_shared<sim::TypeBCard>(kPupi);
    std::shared_ptr<sim::FelicaCard> felicaCard = std::make_shared<sim::FelicaCard>(kIdm);
    std::shared_ptr<sim::NtagTag> tag =
        std::make_shared<sim::NtagTag>(sim::NtagTag::Model::kNtag213, kTagUid);
    sim::NfcTextBuffer nfcBuffer;
    sim::TypeBCommands typeB{reader, field};
    sim::FelicaCommands felica{reader, field};
    sim::NfcBufferCommands nfc{reader, nfcBuffer};
    sim::NtagCommands ntag{reader, field};
};

Bytes Head(const std::uint8_t* bytes, std::size_t count) { return Bytes(bytes, bytes + count); }

// One export call of a sequence on one bench: the frame the reader decoded, the result,
// the error code, and what the call left in the record or buffer.
struct Step {
    const char* what;
    char protocol;
    std::function<int(TypeBFelicaNtagBench&, KorviCardParam&)> call;
    int result;
    int error;
    std::uint8_t command;
    Bytes payload;
    std::function<void(TypeBFelicaNtagBench&, const KorviCardParam&)> check;
};

TEST(TypeBFelicaNtagExportsTest, RequestsAndRecordsOfEachExport) {
    TypeBFelicaNtagBench bench;
    ASSERT_GT(bench.handle, 0);
    const int h = bench.handle;
    static char text[64];
    static std::uint8_t version[8];
    const Step steps[] = {
        {"REQB",
         'B',
         [h](auto&, KorviCardParam& r) { return KorviCardRequestB(h, 0, &r); },
         1,
         0,
         27,
         {0x00},
         [](auto&, const KorviCardParam& r) {
             EXPECT_EQ(Head(r.arrBuffer, 12), Atqb());
             EXPECT_EQ(r.nBufferSize, 12);
         }},
        {"ATTRIB",
         'B',
         [h](auto&, KorviCardParam& r) { return KorviCardSelectB(h, &r); },
         1,
         0,
         28,
         {},
         [](auto& b, const KorviCardParam& r) {
             EXPECT_EQ(r.nBufferSize, 1);
             EXPECT_EQ(r.arrBuffer[0], 0x00);
             EXPECT_EQ(b.typeBCard->state(), sim::TypeBCard::State::kActive);
         }},
        {"HLTB",
         'B',
         [h](auto&, KorviCardParam&) { return KorviCardHaltB(h); },
         1,
         0,
         29,
         {},
         [](auto& b, const KorviCardParam&) {
             EXPECT_EQ(b.typeBCard->state(), sim::TypeBCard::State::kHalted);
         }},
        {"REQB misses the halted card",
         'B',
         [h](auto&, KorviCardParam& r) { return KorviCardRequestB(h, 0, &r); },
         0,
         LCEC_REQUEST,
         27,
         {0x00},
         [](auto&, const KorviCardParam& r) { EXPECT_EQ(r.nBufferSize, 0); }},
        {"WUPB wakes it",
         'B',
         [h](auto&, KorviCardParam& r) { return KorviCardRequestB(h, 1, &r); },
         1,
         0,
         27,
         {0x01},
         [](auto&, const KorviCardParam& r) { EXPECT_EQ(Head(r.arrBuffer, 12), Atqb()); }},
        {"FeliCa polling",
         'F',
         [h](auto&, KorviCardParam& r) { return KorviCardFelicaPolling(h, 1, &r); },
         1,
         0,
         21,
         {0x01},
         [](auto&, const KorviCardParam& r) {
             EXPECT_EQ(Head(r.arrCardNo, 8), Bytes(kIdm.begin(), kIdm.end()));
         }},
        {"NFC buffer write",
         'C',
         [h](auto&, KorviCardParam&) { return KorviCardWriteNfcBuffer(h, "abc", 3); },
         1,
         0,
         26,
         {0x03, 0x0A, 0xD1, 0x01, 0x06, 0x54, 0x02, 0x65, 0x6E, 0x61, 0x62, 0x63, 0xF3},
         [](auto& b, const KorviCardParam&) { EXPECT_EQ(b.nfcBuffer.Text(), "abc"); }},
        {"NFC buffer read",
         'C',
         [h](auto&, KorviCardParam&) {
             std::memset(text, 0x55, sizeof text);
             return KorviCardReadNfcBuffer(h, text, 48);
         },
         1,
         0,
         25,
         {},
         [](auto&, const KorviCardParam&) {
             EXPECT_EQ(std::string(text, 4), std::string("abc\0", 4));
             EXPECT_EQ(text[47], 0);     // zeroed over the size given
             EXPECT_EQ(text[48], 0x55);  // and not beyond
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        bench.field.SetProtocol(step.protocol);
        bench.ClearRequests();
        KorviCardParam record{};
        EXPECT_EQ(step.call(bench, record), step.result);
        EXPECT_EQ(KorviCardGetErrorCode(h), step.error);
        ASSERT_EQ(bench.Commands(), Bytes{step.command});
        EXPECT_EQ(bench.LastPayload(), step.payload);
        step.check(bench, record);
    }

    // The NTAG21x commands after the tag's request and anticollision.
    bench.ActivateTag();
    ASSERT_EQ(KorviCardNtagGetVersion(h, version, sizeof version), 1);
    EXPECT_EQ(bench.Commands(), Bytes{100});
    EXPECT_TRUE(bench.LastPayload().empty());
    EXPECT_EQ(Head(version, 8), (Bytes{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x0F, 0x03}));
    bench.ClearRequests();
    const unsigned char password[] = {'5', '6', '7', '8', '9'};
    ASSERT_EQ(KorviCardNtagPwdAuth(h, password, 5), 1);
    EXPECT_EQ(bench.Commands(), Bytes{103});
    EXPECT_EQ(bench.LastPayload(), (Bytes{'5', '6', '7', '8'}));  // the first four only
    EXPECT_TRUE(bench.tag->authenticated());
}

TEST(TypeBFelicaNtagExportsTest, RefusalsOfTheReaderCarryTheirCodes) {
    struct Row {
        const char* what;
        std::function<void(TypeBFelicaNtagBench&)> setup;
        std::function<int(int, KorviCardParam&)> call;
        int error;
    };
    static const unsigned char wrong[] = {'0', '0', '0', '0'};
    static std::uint8_t version[8];
    const Row rows[] = {
        {"no type B card", [](auto& b) { b.typeB.Present(nullptr); },
         [](int h, KorviCardParam& r) { return KorviCardRequestB(h, 0, &r); }, LCEC_REQUEST},
        {"type B card while the reader runs type A", [](auto& b) { b.field.SetProtocol('A'); },
         [](int h, KorviCardParam& r) { return KorviCardRequestB(h, 0, &r); }, LCEC_REQUEST},
        {"select before any request", [](auto&) {},
         [](int h, KorviCardParam& r) { return KorviCardSelectB(h, &r); }, LCEC_SELECT},
        {"select of no card", [](auto& b) { b.typeB.Present(nullptr); },
         [](int h, KorviCardParam& r) { return KorviCardSelectB(h, &r); }, LCEC_REQUEST},
        {"halt of an idle card", [](auto&) {},
         [](int h, KorviCardParam&) { return KorviCardHaltB(h); }, LCEC_HALT},
        {"REQB mode the reader does not know", [](auto&) {},
         [](int h, KorviCardParam& r) { return KorviCardRequestB(h, 7, &r); }, LCEC_SEND_COMMAND},
        {"FeliCa polling without the FeliCa protocol", [](auto&) {},
         [](int h, KorviCardParam& r) { return KorviCardFelicaPolling(h, 0, &r); }, LCEC_REQUEST},
        {"FeliCa polling of no card",
         [](auto& b) {
             b.felica.Present(nullptr);
             b.field.SetProtocol('F');
         },
         [](int h, KorviCardParam& r) { return KorviCardFelicaPolling(h, 0, &r); }, LCEC_REQUEST},
        {"wrong tag password", [](auto& b) { b.ActivateTag(); },
         [](int h, KorviCardParam&) { return KorviCardNtagPwdAuth(h, wrong, 4); },
         LCEC_AUTHENTICATION},
        {"password of a tag not activated", [](auto& b) { b.field.SetProtocol('A'); },
         [](int h, KorviCardParam&) { return KorviCardNtagPwdAuth(h, wrong, 4); },
         LCEC_AUTHENTICATION},
        {"version of an Ultralight",
         [](auto& b) {
             b.field.PresentTypeA(std::make_shared<sim::NtagTag>(sim::NtagTag::Model::kUltralight));
             b.ActivateTag();
         },
         [](int h, KorviCardParam&) { return KorviCardNtagGetVersion(h, version, 8); },
         LCEC_SEND_COMMAND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TypeBFelicaNtagBench bench;
        bench.field.SetProtocol('B');
        row.setup(bench);
        bench.ClearRequests();
        KorviCardParam record{};
        std::memset(record.arrBuffer, 0xEE, sizeof record.arrBuffer);
        EXPECT_EQ(row.call(bench.handle, record), 0);
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), row.error);
        EXPECT_EQ(bench.Commands().size(), 1u);
        EXPECT_EQ(record.arrBuffer[0], 0xEE);  // a failed call leaves the record alone
    }
}

TEST(TypeBFelicaNtagExportsTest, BadArgumentsAndNullHandlesSendNothing) {
    TypeBFelicaNtagBench bench;
    static char text[48];
    static std::uint8_t version[8];
    static const unsigned char password[4] = {};
    const std::string tooLong(48, 'x');
    struct Row {
        const char* what;
        std::function<int(int)> call;
        bool badArgument;  // also refused with the bench's handle
    };
    const Row rows[] = {
        {"RequestB null record", [](int h) { return KorviCardRequestB(h, 0, nullptr); }, true},
        {"SelectB null record", [](int h) { return KorviCardSelectB(h, nullptr); }, true},
        {"FelicaPolling null record", [](int h) { return KorviCardFelicaPolling(h, 0, nullptr); },
         true},
        {"ReadNfcBuffer null buffer", [](int h) { return KorviCardReadNfcBuffer(h, nullptr, 48); },
         true},
        {"ReadNfcBuffer negative size", [](int h) { return KorviCardReadNfcBuffer(h, text, -1); },
         true},
        {"WriteNfcBuffer null text", [](int h) { return KorviCardWriteNfcBuffer(h, nullptr, 3); },
         true},
        {"WriteNfcBuffer text of 48 bytes",
         [&tooLong](int h) { return KorviCardWriteNfcBuffer(h, tooLong.c_str(), 48); }, true},
        {"WriteNfcBuffer negative length",
         [](int h) { return KorviCardWriteNfcBuffer(h, "a", -1); }, true},
        {"NtagGetVersion null buffer", [](int h) { return KorviCardNtagGetVersion(h, nullptr, 8); },
         true},
        {"NtagGetVersion 7-byte buffer",
         [](int h) { return KorviCardNtagGetVersion(h, version, 7); }, true},
        {"NtagPwdAuth null password", [](int h) { return KorviCardNtagPwdAuth(h, nullptr, 4); },
         true},
        {"NtagPwdAuth 3 bytes", [](int h) { return KorviCardNtagPwdAuth(h, password, 3); }, true},
        {"HaltB", [](int h) { return KorviCardHaltB(h); }, false},
        {"RequestB",
         [](int h) {
             KorviCardParam r{};
             return KorviCardRequestB(h, 0, &r);
         },
         false},
        {"ReadNfcBuffer", [](int h) { return KorviCardReadNfcBuffer(h, text, 48); }, false},
        {"WriteNfcBuffer", [](int h) { return KorviCardWriteNfcBuffer(h, "a", 1); }, false},
        {"NtagGetVersion", [](int h) { return KorviCardNtagGetVersion(h, version, 8); }, false},
    };
    KorviCardParam record{};
    bench.field.SetProtocol('A');
    ASSERT_EQ(KorviCardRequestB(bench.handle, 0, &record), 0);  // leaves a code of its own
    const int before = KorviCardGetErrorCode(bench.handle);
    ASSERT_EQ(before, LCEC_REQUEST);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bench.ClearRequests();
        for (int badHandle : {0, -1, bench.handle + 1000}) {
            EXPECT_EQ(row.call(badHandle), 0);
        }
        if (row.badArgument) {
            EXPECT_EQ(row.call(bench.handle), 0);
            EXPECT_EQ(KorviCardGetErrorCode(bench.handle), before);
        }
        EXPECT_TRUE(bench.Commands().empty());
    }
}

TEST(TypeBFelicaNtagExportsTest, AnswersLongerOrShorterThanTheRecordHolds) {
    TypeBFelicaNtagBench bench;
    const int h = bench.handle;
    bench.field.SetProtocol('B');

    // An 80-byte answer to REQB: 64 bytes stored, 80 reported, nothing written past arrBuffer.
    Bytes answer(80);
    for (std::size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<std::uint8_t>(i + 1);
    bench.typeBCard->SetAtqb(answer);
    KorviCardParam record{};
    std::memset(record.arrKeys, 0xEE, sizeof record.arrKeys);
    ASSERT_EQ(KorviCardRequestB(h, 0, &record), 1);
    EXPECT_EQ(Head(record.arrBuffer, 64), Bytes(answer.begin(), answer.begin() + 64));
    EXPECT_EQ(record.nBufferSize, 80);
    EXPECT_EQ(record.arrKeys[0], 0xEE);
    // The same length of answer to ATTRIB: nBufferSize tells what arrBuffer holds.
    bench.typeBCard->SetAttribAnswer(answer);
    ASSERT_EQ(KorviCardSelectB(h, &record), 1);
    EXPECT_EQ(record.nBufferSize, 64);
    EXPECT_EQ(record.arrKeys[0], 0xEE);

    // NFC buffers whose length byte gives no text, or more text than the answer carries.
    struct NfcRow {
        const char* what;
        Bytes contents;
        int size;
        std::string text;  // what lands in the buffer, zeros after it
    };
    const NfcRow rows[] = {
        {"length byte 5: the text length wraps",
         {0x03, 0x05, 0xD1, 0x01, 0x40, 0x54, 0x02, 'e', 'n', 'x', 'y', 0xF3},
         48,
         ""},
        {"length byte 55: 48 bytes of text",
         [] {
             Bytes b = {0x03, 55, 0xD1, 0x01, 51, 0x54, 0x02, 'e', 'n'};
             b.resize(9 + 48, 'z');
             return b;
         }(),
         48, ""},
        {"length byte 54: 47 bytes of text", sim::NfcTextBuffer::MakeTextTlv(std::string(47, 'q')),
         48, std::string(47, 'q')},
        {"length byte 20 over an answer of 12 bytes",
         {0x03, 20, 0xD1, 0x01, 16, 0x54, 0x02, 'e', 'n', 'h', 'i', 0xF3},
         48,
         std::string("hi\xF3", 3)},
        {"buffer smaller than the text", sim::NfcTextBuffer::MakeTextTlv("hello"), 2, "he"},
        {"answer without a length byte", {0x03}, 48, ""},
    };
    bench.field.SetProtocol('C');
    for (const NfcRow& row : rows) {
        SCOPED_TRACE(row.what);
        bench.nfcBuffer.SetContents(row.contents);
        char buffer[64];
        std::memset(buffer, 0x55, sizeof buffer);
        ASSERT_EQ(KorviCardReadNfcBuffer(h, buffer, row.size), 1);
        std::string expected = row.text;
        expected.resize(static_cast<std::size_t>(row.size), '\0');
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(row.size)), expected);
        EXPECT_EQ(buffer[row.size], 0x55);
    }

    // A FeliCa answer or a tag version shorter than 8 bytes fails as a short reply and
    // leaves the caller's bytes as they were.
    bench.reader.SetHandler(21, [](const sim::Request&) { return sim::Reply::Ok({1, 2, 3, 4}); });
    bench.reader.SetHandler(100, [](const sim::Request&) { return sim::Reply::Ok({0, 4, 4}); });
    std::memset(record.arrCardNo, 0xAB, sizeof record.arrCardNo);
    EXPECT_EQ(KorviCardFelicaPolling(h, 0, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_RECV_TIME_OUT);
    EXPECT_EQ(Head(record.arrCardNo, 8), Bytes(8, 0xAB));
    std::uint8_t version[8];
    std::memset(version, 0xAB, sizeof version);
    EXPECT_EQ(KorviCardNtagGetVersion(h, version, 8), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_RECV_TIME_OUT);
    EXPECT_EQ(Head(version, 8), Bytes(8, 0xAB));
}

}  // namespace
