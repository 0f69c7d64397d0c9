#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/handle_registry.h"
#include "core/modules/module_pause.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/commands/samv_commands.h"
#include "sim/device/samv_module.h"
#include "sim_fixture/request_log.h"
#include "sim_fixture/sim_handle_bench.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kReadFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x10, 0x23};

Bytes Le(std::uint32_t offset, std::uint32_t count) {
    Bytes bytes;
    for (std::uint32_t v : {offset, count}) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return bytes;
}

// The simulated reader's SAMV module with the sample identity card, reached through a C API
// handle on the callback route; pauses are logged, not slept.
class SamvBench : public SimHandleBench {
  public:
    SamvBench() {
        module.card = sim::SampleIdentityCard();
        SetModulePauseFunction([this](int ms) { pauses.push_back(ms); });
    }
    ~SamvBench() { SetModulePauseFunction({}); }

    std::vector<std::pair<std::uint8_t, Bytes>> Sent() const {
        return RequestsSent(reader.Requests());
    }

    sim::SamvModule module;
    sim::SamvCommands samv{reader, module};
    std::vector<int> pauses;
};

KorviCardParam CosCommand(const Bytes& bytes) {
    KorviCardParam record{};
    std::memcpy(record.arrCosSendBuffer, bytes.data(), bytes.size());
    record.unCosSendBufferLength = static_cast<std::uint32_t>(bytes.size());
    return record;
}

Bytes CosResult(const KorviCardParam& record) {
    return Bytes(record.arrCosResultBuffer,
                 record.arrCosResultBuffer + record.unCosReultBufferLength);
}

TEST(SamvExportsTest, ReadsTheCardWithFingerprintIntoTheRecord) {
    SamvBench bench;
    TwoIdInfoParam record{};
    ASSERT_EQ(KorviCardGetTwoIdInfo(bench.handle, &record), 1);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 0);

    const std::size_t total = 2321;
    EXPECT_EQ(bench.module.held.size(), total);
    std::vector<std::pair<std::uint8_t, Bytes>> expected = {
        {38, kReadFrame}, {246, {}}, {40, Le(0, 7)}, {246, {}}, {40, Le(0, 240)}};
    for (std::uint32_t offset = 240; offset < total; offset += 240) {
        expected.emplace_back(40, Le(offset, std::min<std::uint32_t>(240, total - offset)));
    }
    EXPECT_EQ(bench.Sent(), expected);
    EXPECT_EQ(bench.pauses, std::vector<int>{500});

    const sim::IdentityCard card = sim::SampleIdentityCard();
    EXPECT_EQ(std::memcmp(&record, card.text.data(), 256), 0);
    EXPECT_EQ(record.arrTwoIdName[0], 0x20);  // U+5F20, little-endian
    EXPECT_EQ(record.arrTwoIdName[1], 0x5F);
    EXPECT_EQ(std::memcmp(record.arrTwoIdPhoto, card.photo.data(), 1024), 0);
    EXPECT_EQ(std::memcmp(record.arrTwoIdFingerprint, card.fingerprint.data(), 1024), 0);
    EXPECT_EQ(record.unTwoIdFingerprintLength, 1024);
}

TEST(SamvExportsTest, ReadsTheCardWithoutFingerprintFromItsOwnOffsets) {
    SamvBench bench;
    bench.module.card->fingerprint.clear();
    TwoIdInfoParam record{};
    record.unTwoIdFingerprintLength = 77;
    std::memset(record.arrTwoIdFingerprint, 0x5A, sizeof record.arrTwoIdFingerprint);
    ASSERT_EQ(KorviCardGetTwoIdInfo(bench.handle, &record), 1);
    EXPECT_EQ(bench.module.held.size(), 1295u);
    EXPECT_EQ(bench.module.held[5], 0x05);
    EXPECT_EQ(bench.module.held[6], 0x08);
    EXPECT_EQ(std::memcmp(&record, bench.module.card->text.data(), 256), 0);
    EXPECT_EQ(std::memcmp(record.arrTwoIdPhoto, bench.module.card->photo.data(), 1024), 0);
    EXPECT_EQ(record.unTwoIdFingerprintLength, 0);
    EXPECT_EQ(record.arrTwoIdFingerprint[0], 0x5A);
}

// Reply handlers that stand in for the reader's own.
sim::CommandHandler Failing() {
    return [](const sim::Request&) { return sim::Reply::Failure(19); };
}

struct ReadFault {
    const char* what;
    std::function<void(SamvBench&)> setup;
    int twoIdCode;
};

TEST(SamvExportsTest, EachFailedStepLeavesItsCodeAndTheRecordAsItWas) {
    const ReadFault faults[] = {
        {"no card: the module's short error answer", [](SamvBench& b) { b.module.card.reset(); },
         67},
        {"the reader refuses the frame", [](SamvBench& b) { b.reader.SetHandler(38, Failing()); },
         58},
        {"the reader does not answer the frame",
         [](SamvBench& b) { b.reader.QueueFault({.kind = sim::FaultKind::kNoReply}); }, 58},
        {"the poll fails", [](SamvBench& b) { b.reader.SetHandler(246, Failing()); }, 65},
        {"six bytes held through 21 polls",
         [](SamvBench& b) {
             b.samv.slowPolls = 21;
             b.samv.partialCount = 6;
         },
         66},
        {"the whole answer never arrives",
         [](SamvBench& b) {
             b.samv.slowPolls = 30;
             b.samv.partialCount = 100;
         },
         66},
        {"the read fails", [](SamvBench& b) { b.reader.SetHandler(40, Failing()); }, 59},
        {"first chunk one byte short",
         [](SamvBench& b) {
             b.reader.SetHandler(40, [&b](const sim::Request& r) {
                 Bytes held = b.module.held;
                 const std::uint32_t count = r.payload[4] == 7 ? 7 : 239;
                 return sim::Reply::Ok(Bytes(held.begin(), held.begin() + count));
             });
         },
         61},
        {"later reads bring nothing",
         [](SamvBench& b) {
             b.reader.SetHandler(40, [&b](const sim::Request& r) {
                 if (r.payload[0] != 0) return sim::Reply::Ok();
                 const std::size_t count = r.payload[4];
                 return sim::Reply::Ok(Bytes(b.module.held.begin(), b.module.held.begin() + count));
             });
         },
         59},
    };
    for (const ReadFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        SamvBench bench;
        fault.setup(bench);
        TwoIdInfoParam record;
        std::memset(&record, 0xEE, sizeof record);
        EXPECT_EQ(KorviCardGetTwoIdInfo(bench.handle, &record), 0);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), fault.twoIdCode);
        for (std::size_t i = 0; i < sizeof record; ++i) {
            ASSERT_EQ(reinterpret_cast<const std::uint8_t*>(&record)[i], 0xEE) << i;
        }
    }
}

// The module's answer altered in the reader's buffer after it was made: a corrupt or
// truncated SAMV frame inside good reader replies.
struct HeldFault {
    const char* what;
    std::function<void(Bytes&)> alter;
    int twoIdCode;
};

TEST(SamvExportsTest, ACorruptOrTruncatedModuleFrameIsRefused) {
    const HeldFault faults[] = {
        {"a data byte flipped", [](Bytes& h) { h[700] ^= 0x01; }, 62},
        {"the check byte wrong", [](Bytes& h) { h.back() ^= 0xFF; }, 62},
        {"no preamble", [](Bytes& h) { h[0] = 0x55; }, 60},
        {"cut short of its length", [](Bytes& h) { h.resize(1000); }, 66},
        {"announces more than the layout holds",
         [](Bytes& h) {
             h[5] = 0x0B;
             h[6] = 0xB8;
         },
         67},
        {"announces a size between the layouts",
         [](Bytes& h) {
             h[5] = 0x02;
             h[6] = 0x00;
             h.resize(0x200 + 7);
         },
         67},
    };
    for (const HeldFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        SamvBench bench;
        bench.reader.SetHandler(38, [&bench, &fault](const sim::Request& r) {
            bench.module.Receive(r.payload);
            fault.alter(bench.module.held);
            return sim::Reply::Ok();
        });
        TwoIdInfoParam record{};
        EXPECT_EQ(KorviCardGetTwoIdInfo(bench.handle, &record), 0);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), fault.twoIdCode);
        EXPECT_EQ(record.arrTwoIdPhoto[0], 0);
    }
}

TEST(SamvExportsTest, SevenBytesAtTheLastPollStillSucceed) {
    SamvBench bench;
    bench.samv.slowPolls = 20;
    bench.samv.partialCount = 6;
    TwoIdInfoParam record{};
    EXPECT_EQ(KorviCardGetTwoIdInfo(bench.handle, &record), 1);
    EXPECT_EQ(RequestPayloads(bench.reader.Requests(), 246).size(), 22u);
}

TEST(SamvExportsTest, NullRecordsAndHandles) {
    SamvBench bench;
    EXPECT_EQ(KorviCardGetTwoIdInfo(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 63);
    EXPECT_EQ(KorviCardSendSamvCommand(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardSendCosResult2Samv(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardGetSamvUartData(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardGetSamvLastApdu(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardGetSamvLastApduResult(bench.handle, nullptr), 0);
    EXPECT_EQ(KorviCardGetSamvPowerStatus(bench.handle, nullptr), 0);
    int length = 64;
    EXPECT_EQ(KorviCardGetSdtCmd(bench.handle, nullptr, &length), 0);
    unsigned char buffer[64];
    EXPECT_EQ(KorviCardGetSdtCmd(bench.handle, buffer, nullptr), 0);
    length = 31;
    EXPECT_EQ(KorviCardGetSdtCmd(bench.handle, buffer, &length), 0);
    KorviCardParam tooLong{};
    tooLong.unCosSendBufferLength = 257;
    EXPECT_EQ(KorviCardSendSamvCommand(bench.handle, &tooLong), 0);
    EXPECT_EQ(KorviCardSendCosResult2Samv(bench.handle, &tooLong), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());

    KorviCardParam record{};
    TwoIdInfoParam info{};
    int value = 0;
    for (int handle : {0, -1, 12345}) {
        EXPECT_EQ(KorviCardGetTwoIdInfo(handle, &info), 0);
        EXPECT_EQ(KorviCardSendSamvCommand(handle, &record), 0);
        EXPECT_EQ(KorviCardSendCosResult2Samv(handle, &record), 0);
        EXPECT_EQ(KorviCardGetSamvUartData(handle, &record), 0);
        EXPECT_EQ(KorviCardGetSdtCmd(handle, buffer, &length), 0);
        EXPECT_EQ(KorviCardClearSdtCmd(handle), 0);
        EXPECT_EQ(KorviCardSaveSamvResult2JpegBuffer(handle, 1), 0);
        EXPECT_EQ(KorviCardSetSamvResultTag(handle, 1), 0);
        EXPECT_EQ(KorviCardGetSamvPowerStatus(handle, &value), 0);
        EXPECT_EQ(KorviCardSetSamvPowerStatus(handle, 1), 0);
        EXPECT_EQ(KorviCardGetSamvLastApdu(handle, &record), 0);
        EXPECT_EQ(KorviCardGetSamvLastApduResult(handle, &record), 0);
    }
}

struct Step {
    const char* what;
    std::function<int(int, KorviCardParam&)> call;
    int result;
    std::vector<std::pair<std::uint8_t, Bytes>> sent;
    std::function<void(const SamvBench&, const KorviCardParam&)> check;
};

TEST(SamvExportsTest, HelperCommandsSendTheirRequestsAndFillTheirOutputs) {
    SamvBench bench;
    bench.samv.sdtCommand = Bytes(40, 'S');
    bench.samv.powerStatus = 0x01020304;
    bench.samv.lastApdu = {0x00, 0x84, 0x00, 0x00, 0x08};
    bench.samv.lastApduResult = {0x11, 0x22, 0x90, 0x00};
    const Bytes findCard = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x01, 0x22};
    const Step steps[] = {
        {"result tag",
         [](int h, KorviCardParam&) { return KorviCardSetSamvResultTag(h, 0x105); },
         1,
         {{241, {0x05, 0x01, 0x00, 0x00}}},
         [](const SamvBench& b, const auto&) { EXPECT_EQ(b.samv.resultTag, 0x105u); }},
        {"result tag 0",
         [](int h, KorviCardParam&) { return KorviCardSetSamvResultTag(h, 0); },
         0,
         {},
         nullptr},
        {"power status set",
         [](int h, KorviCardParam&) { return KorviCardSetSamvPowerStatus(h, 0x0A0B0C0D); },
         1,
         {{243, {0x0D, 0x0C, 0x0B, 0x0A}}},
         nullptr},
        {"power status get",
         [](int h, KorviCardParam& r) { return KorviCardGetSamvPowerStatus(h, &r.nBufferSize); },
         1,
         {{242, {}}},
         [](const SamvBench&, const auto& r) { EXPECT_EQ(r.nBufferSize, 0x0A0B0C0D); }},
        {"SDT command",
         [](int h, KorviCardParam& r) {
             r.nKeysSize = 64;
             return KorviCardGetSdtCmd(h, r.arrKeys, &r.nKeysSize);
         },
         1,
         {{239, {}}},
         [](const SamvBench&, const auto& r) {
             EXPECT_EQ(r.nKeysSize, 40);
             EXPECT_EQ(r.arrKeys[39], 'S');
         }},
        {"SDT command clear",
         [](int h, KorviCardParam&) { return KorviCardClearSdtCmd(h); },
         1,
         {{240, {}}},
         [](const SamvBench& b, const auto&) { EXPECT_TRUE(b.samv.sdtCommand.empty()); }},
        {"last APDU",
         [](int h, KorviCardParam& r) { return KorviCardGetSamvLastApdu(h, &r); },
         1,
         {{244, {}}},
         [](const SamvBench& b, const auto& r) { EXPECT_EQ(CosResult(r), b.samv.lastApdu); }},
        {"last APDU result",
         [](int h, KorviCardParam& r) { return KorviCardGetSamvLastApduResult(h, &r); },
         1,
         {{245, {}}},
         [](const SamvBench& b, const auto& r) { EXPECT_EQ(CosResult(r), b.samv.lastApduResult); }},
        {"COS result to the module",
         [](int h, KorviCardParam& r) {
             r = CosCommand({0x90, 0x00});
             return KorviCardSendCosResult2Samv(h, &r);
         },
         1,
         {{39, {0x90, 0x00}}},
         [](const SamvBench& b, const auto&) {
             EXPECT_EQ(b.samv.cosResults, std::vector<Bytes>{Bytes({0x90, 0x00})});
         }},
        {"module command: find card",
         [findCard](int h, KorviCardParam& r) {
             r = CosCommand(findCard);
             return KorviCardSendSamvCommand(h, &r);
         },
         1,
         {{38, findCard}, {246, {}}, {40, Le(0, 11)}},
         [](const SamvBench& b, const auto& r) {
             EXPECT_EQ(CosResult(r),
                       (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x9F, 0x9B}));
             EXPECT_EQ(b.pauses, std::vector<int>{1000});
         }},
        {"UART data",
         [](int h, KorviCardParam& r) { return KorviCardGetSamvUartData(h, &r); },
         1,
         {{40, Le(0, 40)}},
         [](const SamvBench&, const auto& r) { EXPECT_EQ(r.unCosReultBufferLength, 11u); }},
        {"module command without answer",
         [](int h, KorviCardParam& r) {
             r = CosCommand({0x01, 0x02});
             return KorviCardSendSamvCommand(h, &r);
         },
         0,
         {{38, {0x01, 0x02}}, {246, {}}, {246, {}}, {246, {}}},
         [](const SamvBench& b, const auto& r) {
             EXPECT_EQ(KorviCardGetTwoIdErrorCode(b.handle), 66);
             EXPECT_EQ(r.unCosReultBufferLength, 0u);
             EXPECT_EQ(b.pauses, (std::vector<int>{1000, 1000, 1000}));
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        bench.ClearRequests();
        bench.pauses.clear();
        KorviCardParam record{};
        EXPECT_EQ(step.call(bench.handle, record), step.result);
        EXPECT_EQ(bench.Sent(), step.sent);
        if (step.check) step.check(bench, record);
    }
    bench.ClearRequests();
    const std::shared_ptr<ReaderSession> session = Readers().Find(bench.handle);
    ASSERT_TRUE(session);
    EXPECT_EQ(KorviCardSaveSamvResult2JpegBuffer(bench.handle, 1), 1);
    EXPECT_EQ(session->jpegResultFlag, 1);
    EXPECT_EQ(KorviCardSaveSamvResult2JpegBuffer(bench.handle, 2), 1);
    EXPECT_EQ(session->jpegResultFlag, 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

TEST(SamvExportsTest, ReaderErrorsOfTheHelpersKeepTheirCodes) {
    SamvBench bench;
    bench.reader.SetHandler(242, [](const sim::Request&) { return sim::Reply::Ok({0x01, 0x02}); });
    int status = 7;
    EXPECT_EQ(KorviCardGetSamvPowerStatus(bench.handle, &status), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
    EXPECT_EQ(status, 7);
    bench.reader.SetHandler(239, Failing());
    unsigned char buffer[32];
    int length = 32;
    EXPECT_EQ(KorviCardGetSdtCmd(bench.handle, buffer, &length), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 19);
}

}  // namespace
