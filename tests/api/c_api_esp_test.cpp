#include <gtest/gtest.h>

#include <functional>

#include "esp_bench.h"
#include "korvicard/KorviCardDriver.h"

// The WiFi module exports on the callback route: the requests the simulated reader decoded,
// the pauses between them, the results and what the module and the buffers hold after.

namespace {

using esp_api_test::Bytes;
using Module = sim::EspWifiModule;
using Requests = std::vector<std::pair<std::uint8_t, Bytes>>;

constexpr std::uint8_t kUntouched = 0xEE;

Module::Record Record(std::uint8_t seed) {
    Module::Record r{};
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<std::uint8_t>(seed + 3 * i);
    return r;
}
Bytes AsBytes(const Module::Record& r) { return Bytes(r.begin(), r.end()); }
Bytes Slice(const Bytes& b, std::size_t at, std::size_t n) {
    return Bytes(b.begin() + at, b.begin() + at + n);
}

const Requests kModeTwice = {{205, {}}, {205, {}}};

Requests Cat(Requests a, const Requests& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Row {
    const char* what;
    std::function<void(Module&)> setup;
    std::size_t bufferSize;
    std::function<int(int handle, Bytes& buffer)> call;
    int result;
    int error;
    Requests requests;
    std::vector<int> pauses;
    std::function<void(const Module&, const Bytes&)> check;
};

TEST(EspWifiExports, RequestsPausesAndResultsOfEachExport) {
    const auto none = [](Module&) {};
    const auto nothing = [](const Module&, const Bytes&) {};
    const auto threeAps = [](Module& m) { m.SetAccessPoints({Record(1), Record(2), Record(3)}); };
    const Requests scan = Cat(kModeTwice, {{200, {}}, {201, {}}});
    const Row rows[] = {
        {"station read",
         [](Module& m) { m.SetStationInfo(Record(0x40)); },
         49,
         [](int h, Bytes& b) { return KorviCardGetStaInfo(h, b.data()); },
         1,
         0,
         {{203, {}}},
         {},
         [](const Module&, const Bytes& b) {
             EXPECT_EQ(Slice(b, 0, 48), AsBytes(Record(0x40)));
             EXPECT_EQ(b[48], kUntouched);
         }},
        {"station write",
         none,
         0,
         [](int h, Bytes&) {
             const Module::Record block = Record(0x70);
             return KorviCardSetStaInfo(h, block.data());
         },
         1,
         0,
         {{204, AsBytes(Record(0x70))}},
         {},
         [](const Module& m, const Bytes&) { EXPECT_EQ(m.stationInfo(), Record(0x70)); }},
        {"mode read",
         [](Module& m) { m.SetMode(3); },
         2,
         [](int h, Bytes& b) { return KorviCardGetWifiMode(h, b.data()); },
         1,
         0,
         {{205, {}}},
         {},
         [](const Module&, const Bytes& b) {
             EXPECT_EQ(b, (Bytes{3, kUntouched}));
         }},
        {"mode 3 from 1",
         none,
         0,
         [](int h, Bytes&) { return KorviCardSetWifiMode(h, 3); },
         1,
         0,
         Cat(kModeTwice, {{206, {3, 0, 0, 0}}, {205, {}}, {205, {}}}),
         {100, 1000, 1000},
         [](const Module& m, const Bytes&) { EXPECT_EQ(m.mode(), 3); }},
        {"mode already set: no write",
         none,
         0,
         [](int h, Bytes&) { return KorviCardSetWifiMode(h, 1); },
         1,
         0,
         kModeTwice,
         {100},
         nothing},
        {"mode 4 refused before writing",
         none,
         0,
         [](int h, Bytes&) { return KorviCardSetWifiMode(h, 4); },
         0,
         26,
         kModeTwice,
         {100},
         nothing},
        {"mode 0 refused before writing",
         none,
         0,
         [](int h, Bytes&) { return KorviCardSetWifiMode(h, 0); },
         0,
         26,
         kModeTwice,
         {100},
         nothing},
        {"module keeps its mode",
         [](Module& m) { m.KeepModeOnChange(true); },
         0,
         [](int h, Bytes&) { return KorviCardSetWifiMode(h, 2); },
         0,
         26,
         Cat(kModeTwice, {{206, {2, 0, 0, 0}}, {205, {}}, {205, {}}}),
         {100, 1000, 1000},
         [](const Module& m, const Bytes&) { EXPECT_EQ(m.mode(), 1); }},
        {"mode while the module is off",
         [](Module& m) { m.SetEnabled(false); },
         0,
         [](int h, Bytes&) { return KorviCardSetWifiMode(h, 2); },
         0,
         25,
         {{205, {}}},
         {},
         nothing},
        {"off",
         none,
         0,
         [](int h, Bytes&) { return KorviCardWifiDisable(h); },
         1,
         0,
         {{208, {}}},
         {},
         [](const Module& m, const Bytes&) { EXPECT_FALSE(m.enabled()); }},
        {"on",
         [](Module& m) { m.SetEnabled(false); },
         0,
         [](int h, Bytes&) { return KorviCardWifiEnable(h); },
         1,
         0,
         {{209, {}}},
         {},
         [](const Module& m, const Bytes&) { EXPECT_TRUE(m.enabled()); }},
        {"scan of 3, wait cut to 5000",
         threeAps,
         16 * 48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 16, 20000); },
         1,
         0,
         Cat(scan, {{202, {0}}, {202, {1}}, {202, {2}}}),
         {100, 100, 5000},
         [](const Module&, const Bytes& b) {
             EXPECT_EQ(Slice(b, 0, 48), AsBytes(Record(1)));
             EXPECT_EQ(Slice(b, 96, 48), AsBytes(Record(3)));
             EXPECT_EQ(b[144], kUntouched);
         }},
        {"scan of 3 into room for 2",
         threeAps,
         3 * 48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 2, 300); },
         1,
         0,
         Cat(scan, {{202, {0}}, {202, {1}}, {202, {2}}}),
         {100, 100, 300},
         [](const Module&, const Bytes& b) {
             EXPECT_EQ(Slice(b, 48, 48), AsBytes(Record(2)));
             EXPECT_EQ(Slice(b, 96, 48), Bytes(48, kUntouched));
         }},
        {"scan in mode 2",
         [](Module& m) { m.SetMode(2); },
         48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 1, 0); },
         0,
         20,
         kModeTwice,
         {100, 100},
         nothing},
        {"scan finds nothing",
         none,
         48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 1, -7); },
         1,
         0,
         scan,
         {100, 100, 0},
         [](const Module&, const Bytes& b) { EXPECT_EQ(b, Bytes(48, kUntouched)); }},
        {"record read on the third try",
         [&](Module& m) {
             threeAps(m);
             m.FailRecordReads(1, 2);
         },
         3 * 48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 3, 0); },
         1,
         0,
         Cat(scan, {{202, {0}}, {202, {1}}, {202, {1}}, {202, {1}}, {202, {2}}}),
         {100, 100, 0, 200, 200},
         [](const Module&, const Bytes& b) { EXPECT_EQ(Slice(b, 48, 48), AsBytes(Record(2))); }},
        {"record lost after one was read",
         [&](Module& m) {
             threeAps(m);
             m.FailRecordReads(1, 3);
         },
         3 * 48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 3, 0); },
         1,
         22,
         Cat(scan, {{202, {0}}, {202, {1}}, {202, {1}}, {202, {1}}}),
         {100, 100, 0, 200, 200},
         [](const Module&, const Bytes& b) {
             EXPECT_EQ(Slice(b, 0, 48), AsBytes(Record(1)));
             EXPECT_EQ(Slice(b, 48, 96), Bytes(96, kUntouched));
         }},
        {"first record lost",
         [&](Module& m) {
             threeAps(m);
             m.FailRecordReads(0, 3);
         },
         3 * 48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 3, 0); },
         0,
         22,
         Cat(scan, {{202, {0}}, {202, {0}}, {202, {0}}}),
         {100, 100, 0, 200, 200},
         [](const Module&, const Bytes& b) { EXPECT_EQ(b, Bytes(3 * 48, kUntouched)); }},
        {"scan with the module off",
         [](Module& m) { m.SetEnabled(false); },
         48,
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 1, 0); },
         0,
         25,
         {{205, {}}},
         {100},
         nothing},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        esp_api_test::RecordedPauses paused;
        esp_api_test::EspReader bench;
        ASSERT_GT(bench.handle, 0);
        row.setup(bench.module);
        Bytes buffer(row.bufferSize, kUntouched);
        EXPECT_EQ(row.call(bench.handle, buffer), row.result);
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), row.error);
        EXPECT_EQ(bench.Requests(), row.requests);
        EXPECT_EQ(paused.pauses, row.pauses);
        row.check(bench.module, buffer);
    }
}

TEST(EspWifiExports, NullPointersAndNullHandlesReachNoReader) {
    esp_api_test::RecordedPauses paused;
    esp_api_test::EspReader bench;
    const int h = bench.handle;
    ASSERT_GT(h, 0);
    ASSERT_EQ(KorviCardWifiEnable(h), 1);
    bench.reader.ClearRequests();
    EXPECT_EQ(KorviCardGetStaInfo(h, nullptr), 0);
    EXPECT_EQ(KorviCardSetStaInfo(h, nullptr), 0);
    EXPECT_EQ(KorviCardGetWifiMode(h, nullptr), 0);
    EXPECT_EQ(KorviCardScanAp(h, nullptr, 16, 0), 0);
    EXPECT_EQ(KorviCardWriteEspFile2Flash(h, nullptr, 0, nullptr), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
    EXPECT_EQ(KorviCardGetErrorCode(h), 0);

    Bytes buffer(16 * 48);
    for (const int none : {0, -1, h + 1000}) {
        EXPECT_EQ(KorviCardGetStaInfo(none, buffer.data()), 0);
        EXPECT_EQ(KorviCardSetStaInfo(none, buffer.data()), 0);
        EXPECT_EQ(KorviCardGetWifiMode(none, buffer.data()), 0);
        EXPECT_EQ(KorviCardSetWifiMode(none, 1), 0);
        EXPECT_EQ(KorviCardWifiDisable(none), 0);
        EXPECT_EQ(KorviCardWifiEnable(none), 0);
        EXPECT_EQ(KorviCardScanAp(none, buffer.data(), 16, 0), 0);
        EXPECT_EQ(KorviCardSendEspEnterIspCommand(none), 0);
        EXPECT_EQ(KorviCardSendEspIspBeginCommand(none), 0);
        EXPECT_EQ(KorviCardWriteEspFile2Flash(none, "/nonexistent", 0, nullptr), 0);
        EXPECT_EQ(KorviCardSendEspIspEndCommand(none), 0);
    }
    EXPECT_TRUE(bench.reader.Requests().empty());
    EXPECT_TRUE(paused.pauses.empty());
}

TEST(EspWifiExports, ShortAnswersFailWithCode3AndLeaveTheOutputs) {
    struct Case {
        const char* what;
        std::uint8_t command;
        Bytes answer;
        std::function<int(int, Bytes&)> call;
    };
    const Case cases[] = {
        {"station block of 47 bytes", 203, Bytes(47, 0x01),
         [](int h, Bytes& b) { return KorviCardGetStaInfo(h, b.data()); }},
        {"mode answer empty",
         205,
         {},
         [](int h, Bytes& b) { return KorviCardGetWifiMode(h, b.data()); }},
        {"scan count empty",
         201,
         {},
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 1, 0); }},
        {"record of 40 bytes, three times", 202, Bytes(40, 0x01),
         [](int h, Bytes& b) { return KorviCardScanAp(h, b.data(), 1, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        esp_api_test::RecordedPauses paused;
        esp_api_test::EspReader bench;
        bench.module.SetAccessPoints({Record(9)});
        const Bytes answer = c.answer;
        bench.reader.SetHandler(c.command,
                                [answer](const sim::Request&) { return sim::Reply::Ok(answer); });
        Bytes buffer(48, kUntouched);
        EXPECT_EQ(c.call(bench.handle, buffer), 0);
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
        EXPECT_EQ(buffer, Bytes(48, kUntouched));
    }
}

TEST(EspWifiExports, ReaderThatDoesNotAnswerEndsWithinTheTimeOut) {
    esp_api_test::EspReader bench;
    bench.reader.QueueFault({.kind = sim::FaultKind::kNoReply});
    unsigned char mode = kUntouched;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(KorviCardGetWifiMode(bench.handle, &mode), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
    EXPECT_EQ(mode, kUntouched);
    EXPECT_LT(waited, std::chrono::milliseconds(1500));
}

}  // namespace
