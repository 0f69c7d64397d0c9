#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "api/cpu_card_bench.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/bank_card_application.h"

// The CPU-card exports through the simulated reader on the callback route: what the reader
// was sent, what reached the card, and the record after the call.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kBlockLayerFailure = 0xF4;
constexpr int kReaderCommandFailed = 19;

const Bytes kSelectApplication = {0x00, 0xA4, 0x04, 0x00, 0x07, 0xA0,
                                  0x00, 0x00, 0x00, 0x03, 0x10, 0x10};

Bytes Counting(std::size_t count, std::uint8_t first) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Head(const std::uint8_t* bytes, std::size_t count) { return Bytes(bytes, bytes + count); }

Bytes Result(const KorviCardParam& r) {
    return Head(r.arrCosResultBuffer, r.unCosReultBufferLength);
}

KorviCardParam Cos(const Bytes& apdu) {
    KorviCardParam record{};
    std::memcpy(record.arrCosSendBuffer, apdu.data(), apdu.size());
    record.unCosSendBufferLength = static_cast<std::uint32_t>(apdu.size());
    return record;
}

// A card application: 150 bytes for the application select, 16 for READ BINARY of SFI 4,
// 100 for SFI 6, 300 (more than a result buffer holds) for any other READ BINARY.
std::shared_ptr<sim::ApduScript> Application() {
    auto script = std::make_shared<sim::ApduScript>();
    script->Add(kSelectApplication, {Counting(150, 1), 0x90, 0x00});
    script->Add({0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.', 'S', 'Y', 'S', '.', 'D',
                 'D', 'F', '0', '1'},
                {{0x6F, 0x03, 0x84, 0x01, 0x31}, 0x90, 0x00});
    script->Add({0x00, 0xB0, 0x84, 0x00, 0x00}, {Counting(16, 0x40), 0x90, 0x00});
    script->Add({0x00, 0xB0, 0x86, 0x00, 0x00}, {Counting(100, 0x10), 0x90, 0x00});
    script->Add({0x00, 0xB0}, {Bytes(300, 0xCC), 0x90, 0x00}, true);
    return script;
}

class CpuCardExports : public ::testing::Test {
  protected:
    CpuCardExports() { card = bench.PresentCpuCard(script); }

    CpuCardBench bench;
    std::shared_ptr<sim::ApduScript> script = Application();
    std::shared_ptr<sim::TypeACpuCard> card;
};

TEST_F(CpuCardExports, ResetReadsTheCardNumberThenTheAts) {
    KorviCardParam record{};
    ASSERT_EQ(KorviCardResetCpuCard(bench.handle, &record), 1);
    EXPECT_EQ(bench.Commands(), (Bytes{1, 2, 3, 14}));
    EXPECT_EQ(bench.LastPayload(), (Bytes{0x00, 0x02, 0xE0, 0x50}));
    const Bytes ats = {0x05, 0x78, 0x00, 0x70, 0x02};
    EXPECT_EQ(Head(record.arrBuffer, 5), ats);
    EXPECT_EQ(record.nBufferSize, 5);
    EXPECT_EQ(Result(record), ats);
    EXPECT_EQ(Head(record.arrCardNo, 4), card->Uid());
    EXPECT_EQ(card->picc().fsd(), 64u);
}

TEST_F(CpuCardExports, CosCommandChainsTheAnswerBlockByBlock) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    KorviCardParam record = Cos(kSelectApplication);
    ASSERT_EQ(KorviCardSendCOSCommand(bench.handle, &record), 1);
    EXPECT_EQ(Result(record), Cat(Counting(150, 1), {0x90, 0x00}));
    EXPECT_EQ(Head(record.arrCosSendBuffer, kSelectApplication.size()), kSelectApplication);
    // 152 bytes come back in blocks of 60 (FSD 64 less PCB, CID and EDC): two R(ACK)s.
    const std::vector<Bytes> payloads = bench.CpuPayloads();
    ASSERT_EQ(payloads.size(), 3u);
    EXPECT_EQ(payloads[0], Cat({0x00, 0x0E, 0x0A, 0x00}, kSelectApplication));
    EXPECT_EQ(payloads[1], (Bytes{0x00, 0x02, 0xAB, 0x00}));
    EXPECT_EQ(payloads[2], (Bytes{0x00, 0x02, 0xAA, 0x00}));

    KorviCardParam shortForm{};
    std::memcpy(shortForm.arrBuffer, kSelectApplication.data(), kSelectApplication.size());
    shortForm.nBufferSize = static_cast<int>(kSelectApplication.size());
    ASSERT_EQ(KorviCardSendCOSCommand(bench.handle, &shortForm), 1);
    EXPECT_EQ(Result(shortForm), Result(record));
    EXPECT_EQ(card->picc().apdus().size(), 2u);
}

TEST_F(CpuCardExports, AnAnswerPastTheResultBufferFailsAndLeavesTheRecord) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    KorviCardParam record = Cos({0x00, 0xB0, 0x00, 0x00, 0x00});
    std::memset(record.arrCosResultBuffer, 0x5A, sizeof record.arrCosResultBuffer);
    record.unCosReultBufferLength = 7;
    EXPECT_EQ(KorviCardSendCOSCommand(bench.handle, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kBlockLayerFailure);
    EXPECT_EQ(record.unCosReultBufferLength, 7u);
    EXPECT_TRUE(std::all_of(std::begin(record.arrCosResultBuffer),
                            std::end(record.arrCosResultBuffer),
                            [](std::uint8_t b) { return b == 0x5A; }));
}

TEST_F(CpuCardExports, CommandLengthsAreCheckedBeforeAnythingIsSent) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    struct Case {
        const char* what;
        int nBufferSize;
        std::uint32_t cosLength;
    };
    const Case cases[] = {{"COS command over 256 bytes", 0, 257},
                          {"short command over 64 bytes", 65, 0},
                          {"negative short length", -1, 0},
                          {"no command at all", 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KorviCardParam record{};
        record.nBufferSize = c.nBufferSize;
        record.unCosSendBufferLength = c.cosLength;
        EXPECT_EQ(KorviCardSendCOSCommand(bench.handle, &record), 0);
    }
    KorviCardParamLong longForm{};
    longForm.param.unCosSendBufferLength = 289;
    EXPECT_EQ(KorviCardSendCpuCommand(bench.handle, 4, &longForm.param), 0);
    longForm.param.unCosSendBufferLength = 0;
    longForm.param.nBufferSize = 65;
    EXPECT_EQ(KorviCardSendCpuCommand(bench.handle, 7, &longForm.param), 0);
    EXPECT_EQ(KorviCardSendCOSCommand(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardSendCpuCommand(bench.handle, 7, nullptr), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

TEST_F(CpuCardExports, CpuCommandCarriesLongFramesAndModeApdus) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    KorviCardParamLong longForm{};
    // The longest command a request carries: 288 bytes, the last 32 from the extension.
    const Bytes command = Counting(288, 0);
    std::memcpy(longForm.param.arrCosSendBuffer, command.data(), 256);
    std::memcpy(longForm.arrCosSendBufferMore, command.data() + 256, 32);
    longForm.param.unCosSendBufferLength = 288;
    KorviCardSendCpuCommand(bench.handle, 4, &longForm.param);
    EXPECT_EQ(bench.LastPayload(), Cat({0x01, 0x20}, command)) << "first 256 bytes, then 672 on";

    KorviCardParam record{};
    std::memcpy(record.arrBuffer, kSelectApplication.data(), kSelectApplication.size());
    record.nBufferSize = static_cast<int>(kSelectApplication.size());
    ASSERT_EQ(KorviCardSendCpuCommand(bench.handle, 7, &record), 1);
    EXPECT_EQ(bench.LastPayload(), Cat({0x07, 0x0C}, kSelectApplication));
    const Bytes answer = Cat(Counting(150, 1), {0x90, 0x00});
    EXPECT_EQ(Result(record), answer);
    EXPECT_EQ(Head(record.arrBuffer, 64), Bytes(answer.begin(), answer.begin() + 64));
    EXPECT_EQ(record.nBufferSize, 152) << "the whole length, more than arrBuffer holds";
}

TEST_F(CpuCardExports, SelectByNameAndReadBinaryStoreWithinTheRoomGiven) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    std::uint8_t output[256] = {};
    int length = sizeof output;
    ASSERT_EQ(KorviCardCpuCardSelectByName(bench.handle, "1PAY.SYS.DDF01", output, &length), 1);
    EXPECT_EQ(Head(output, static_cast<std::size_t>(length)),
              (Bytes{0x6F, 0x03, 0x84, 0x01, 0x31, 0x90, 0x00}));
    length = sizeof output;
    ASSERT_EQ(KorviCardCpuCardReadBinary(bench.handle, 4, output, &length), 1);
    EXPECT_EQ(Head(output, static_cast<std::size_t>(length)),
              Cat(Counting(16, 0x40), {0x90, 0x00}));
    EXPECT_EQ(card->picc().apdus().back(), (Bytes{0x00, 0xB0, 0x84, 0x00, 0x00}));

    std::vector<std::uint8_t> room(64 + 8, 0xEE);
    length = 64;
    bench.ClearRequests();
    ASSERT_EQ(KorviCardCpuCardReadBinary(bench.handle, 6, room.data(), &length), 1);
    EXPECT_EQ(length, 64);
    EXPECT_EQ(Bytes(room.begin(), room.begin() + 64), Counting(64, 0x10));
    EXPECT_EQ(Bytes(room.begin() + 64, room.end()), Bytes(8, 0xEE));

    length = 63;
    EXPECT_EQ(KorviCardCpuCardSelectByName(bench.handle, "1PAY.SYS.DDF01", output, &length), 0);
    EXPECT_EQ(KorviCardCpuCardSelectByName(bench.handle, "1PAY.SYS.DDF01", output, nullptr), 0);
    length = 256;
    EXPECT_EQ(KorviCardCpuCardSelectByName(bench.handle, "1PAY.SYS.DDF01", nullptr, &length), 0);
    EXPECT_EQ(KorviCardCpuCardSelectByName(bench.handle, nullptr, output, &length), 0);
    EXPECT_EQ(
        KorviCardCpuCardSelectByName(bench.handle, std::string(251, 'N').c_str(), output, &length),
        0);
    EXPECT_EQ(KorviCardCpuCardReadBinary(bench.handle, 4, output, nullptr), 0);
    EXPECT_EQ(bench.Commands(), (Bytes{14, 14})) << "the read of SFI 6 and its R(ACK) only";
}

TEST_F(CpuCardExports, DeselectSendsTheSBlockAndTheCardFallsSilent) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    KorviCardParam record{};
    ASSERT_EQ(KorviCardDeselectCpuCard(bench.handle, &record), 1);
    EXPECT_EQ(bench.LastPayload(), (Bytes{0x04, 0x02, 0xCA, 0x00}));
    EXPECT_EQ(Result(record), (Bytes{0xCA, 0x00}));
    EXPECT_EQ(card->state(), sim::TypeACard::State::kHalted);
    KorviCardParam next = Cos(kSelectApplication);
    EXPECT_EQ(KorviCardSendCOSCommand(bench.handle, &next), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kReaderCommandFailed);
    EXPECT_EQ(KorviCardDeselectCpuCard(bench.handle, &record), 0);
}

TEST_F(CpuCardExports, AnAnswerThatIsNoDeselectResponseFails) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    card->picc().ReplaceNextAnswer({0xA2});
    KorviCardParam record{};
    EXPECT_EQ(KorviCardDeselectCpuCard(bench.handle, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kBlockLayerFailure);
}

TEST_F(CpuCardExports, AMalformedAtsFailsTheResetAndLeavesTheRecord) {
    card->picc().SetRawAts({0x09, 0x78, 0x00});
    KorviCardParam record{};
    ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &record), 1);
    std::memset(record.arrBuffer, 0x5A, sizeof record.arrBuffer);
    record.nBufferSize = 3;
    EXPECT_EQ(KorviCardResetCpuCardNoGetCardNo(bench.handle, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kBlockLayerFailure);
    EXPECT_EQ(record.nBufferSize, 3);
    EXPECT_EQ(record.arrBuffer[0], 0x5A);
}

// A hostile card behind the reader's CPU-card command: every block it gets is answered with
// a chained I-block of its block number (and CID), carrying dataBytes bytes, after pauseMs.
void AnswerEveryBlockWithAChain(sim::SimulatedReader& reader, std::size_t dataBytes,
                                int pauseMs) {
    reader.SetHandler(sim::CpuCardCommands::kCommand, [=](const sim::Request& r) {
        const std::uint8_t pcb = r.payload.at(2);
        if (pcb == 0xE0) return sim::Reply::Ok({0x05, 0x78, 0x00, 0x70, 0x02});  // RATS
        Bytes answer = {static_cast<std::uint8_t>(0x12 | (pcb & 0x09))};
        if ((pcb & 0x08) != 0) answer.push_back(r.payload.at(3));
        answer.insert(answer.end(), dataBytes, 0x5A);
        if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        return sim::Reply::Ok(answer);
    });
}

TEST_F(CpuCardExports, ACardThatChainsForEverEndsWithTheBlockProtocolCode) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    for (const std::size_t dataBytes : {std::size_t{0}, std::size_t{1}}) {
        SCOPED_TRACE(dataBytes);
        AnswerEveryBlockWithAChain(bench.reader, dataBytes, 0);
        bench.ClearRequests();
        KorviCardParam record = Cos(kSelectApplication);
        record.unCosReultBufferLength = 77;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(KorviCardSendCOSCommand(bench.handle, &record), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kBlockLayerFailure);
        EXPECT_EQ(record.unCosReultBufferLength, 77u);
        // The command block, then one R(ACK) per chained answer up to the bound (or the room).
        EXPECT_LE(bench.CpuPayloads().size(), 1u + 255u);
        EXPECT_GE(bench.CpuPayloads().size(), 200u);
        // The APDU helpers go through the same exchange: the bank card's number, for one.
        char number[64] = {};
        const auto helper = std::chrono::steady_clock::now();
        EXPECT_EQ(KorviCardGetBankCardNo(bench.handle, number, sizeof number), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - helper, std::chrono::milliseconds(1000));
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kBlockLayerFailure);
    }
}

TEST_F(CpuCardExports, ASlowEndlessChainEndsOnceTheCommandTimeOutHasPassed) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    AnswerEveryBlockWithAChain(bench.reader, 0, 40);
    KorviCardParam record = Cos(kSelectApplication);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(KorviCardSendCOSCommand(bench.handle, &record), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1000));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000 + 40 + 300));
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), kBlockLayerFailure);
    EXPECT_LT(bench.CpuPayloads().size(), 40u);
}

TEST(CpuCardExportsTest, EveryExportRefusesANullHandle) {
    KorviCardParam record{};
    KorviCardSinopecCardParam fuel{};
    std::uint8_t output[256] = {};
    char text[32] = {};
    int length = sizeof output;
    for (const int handle : {0, -1}) {
        EXPECT_EQ(KorviCardSendCpuCommand(handle, 4, &record), 0);
        EXPECT_EQ(KorviCardResetCpuCard(handle, &record), 0);
        EXPECT_EQ(KorviCardResetCpuCardNoGetCardNo(handle, &record), 0);
        EXPECT_EQ(KorviCardDeselectCpuCard(handle, &record), 0);
        EXPECT_EQ(KorviCardSendCOSCommand(handle, &record), 0);
        EXPECT_EQ(KorviCardCpuCardSelectByName(handle, "1PAY.SYS.DDF01", output, &length), 0);
        EXPECT_EQ(KorviCardCpuCardReadBinary(handle, 1, output, &length), 0);
        EXPECT_EQ(KorviCardGetBankCardNo(handle, text, sizeof text), 0);
        EXPECT_EQ(KorviCardGetBankCardNoBy7816(handle, text, sizeof text), 0);
        EXPECT_EQ(KorviCardGetSocialSecurityInfoBy7816(handle, output), 0);
        EXPECT_EQ(KorviCardGetSocialSecurityInfo(handle, 1, output), 0);
        EXPECT_EQ(KorviCardGetSinopecCardInfo(handle, &fuel, "123456"), 0);
        EXPECT_EQ(KorviCardGetPetroChinaCardInfo(handle, &fuel, "123456"), 0);
    }
}

// Two readers open at once, each with its own card: every call on a handle reaches that
// handle's reader and card only, however the calls interleave.
TEST(CpuCardExportsTest, TwoReadersEachReachTheirOwnCard) {
    CpuCardBench first;
    CpuCardBench second;
    sim::BankCardData firstCard;
    firstCard.track2 = {0x62, 0x22, 0x02, 0x10, 0x00, 0x12, 0x34, 0x56, 0xD2, 0x81};
    sim::BankCardData secondCard;
    secondCard.track2 = {0x62, 0x17, 0x00, 0x00, 0x99, 0x88, 0x77, 0x66, 0xD3, 0x01};
    auto firstPicc = first.PresentCpuCard(std::make_shared<sim::BankCardApplication>(firstCard));
    auto secondPicc = second.PresentCpuCard(std::make_shared<sim::BankCardApplication>(secondCard));

    KorviCardParam record{};
    ASSERT_EQ(KorviCardResetCpuCard(first.handle, &record), 1);
    ASSERT_EQ(KorviCardResetCpuCard(second.handle, &record), 1);
    first.ClearRequests();
    second.ClearRequests();

    char firstNo[32] = {};
    char secondNo[32] = {};
    ASSERT_EQ(KorviCardGetBankCardNo(first.handle, firstNo, sizeof firstNo), 1);
    const std::size_t firstRequests = first.reader.Requests().size();
    EXPECT_TRUE(second.reader.Requests().empty());
    ASSERT_EQ(KorviCardGetBankCardNo(second.handle, secondNo, sizeof secondNo), 1);
    EXPECT_EQ(first.reader.Requests().size(), firstRequests);
    EXPECT_STREQ(firstNo, "6222021000123456");
    EXPECT_STREQ(secondNo, "6217000099887766");

    KorviCardParam select = Cos({0x00, 0xA4, 0x04, 0x00, 0x0E, '2', 'P', 'A', 'Y', '.', 'S', 'Y',
                                 'S', '.', 'D', 'D', 'F', '0', '1'});
    ASSERT_EQ(KorviCardSendCOSCommand(first.handle, &select), 1);
    EXPECT_EQ(first.reader.Requests().size(), firstRequests + 1);
    EXPECT_EQ(firstPicc->picc().apdus().size(), 4u);
    EXPECT_EQ(secondPicc->picc().apdus().size(), 3u);
}

}  // namespace
