#include <gtest/gtest.h>

#include <functional>

#include "sim/commands/esp_isp_commands.h"
#include "sim/commands/esp_wifi_commands.h"
#include "sim/sim_frames.h"
#include "support/esp_boot_packets.h"

// The reader firmware's WiFi module commands and its relay to the module's boot loader,
// driven with hand-built request frames.

namespace {

using esp_test::Bytes;
using Module = sim::EspWifiModule;

constexpr sim::FrameMask kMask = {0x5A, 0x01, 0xC3, 0x7E};

using sim_test::Answer;

Answer Ok(Bytes payload = {}) { return {0, std::move(payload)}; }
Answer Fail(Bytes payload) { return {1, std::move(payload)}; }

Module::Record Record(std::uint8_t seed) {
    Module::Record r{};
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<std::uint8_t>(seed + i);
    return r;
}

Bytes AsBytes(const Module::Record& r) { return Bytes(r.begin(), r.end()); }

class EspFirmware : public ::testing::Test {
  public:
    Answer Send(std::uint8_t command, const Bytes& payload) {
        return sim_test::Exchange(reader, kMask, sequence++, command, payload);
    }

    sim::SimulatedReader reader;
    Module module;
    sim::EspWifiCommands wifi{reader, module};
    sim::EspIspCommands isp{reader, module};
    std::uint8_t sequence = 0;
};

TEST_F(EspFirmware, WifiCommandsOnTheModule) {
    struct Step {
        const char* what;
        std::function<void(Module&)> setup;
        std::uint8_t command;
        Bytes payload;
        Answer answer;
        std::function<bool(const Module&)> after;
    };
    const auto none = [](Module&) {};
    const auto any = [](const Module&) { return true; };
    const Step steps[] = {
        {"mode read", none, 205, {}, Ok({1, 0, 0, 0}), any},
        {"mode 3", none, 206, {3, 0, 0, 0}, Ok(), [](const Module& m) { return m.mode() == 3; }},
        {"mode 4",
         none,
         206,
         {4, 0, 0, 0},
         Fail({19}),
         [](const Module& m) { return m.mode() == 3; }},
        {"mode of 1 byte", none, 206, {2}, Fail({19}), any},
        {"mode kept by the module",
         [](Module& m) { m.KeepModeOnChange(true); },
         206,
         {1, 0, 0, 0},
         Ok(),
         [](const Module& m) { return m.mode() == 3; }},
        {"station block", none, 204, AsBytes(Record(0x30)), Ok(),
         [](const Module& m) { return m.stationInfo() == Record(0x30); }},
        {"station block of 47 bytes", none, 204, Bytes(47, 1), Fail({19}),
         [](const Module& m) { return m.stationInfo() == Record(0x30); }},
        {"station read", none, 203, {}, Ok(AsBytes(Record(0x30))), any},
        {"result before any scan", none, 201, {}, Fail({22}), any},
        {"scan",
         [](Module& m) {
             m.SetAccessPoints({Record(1), Record(2)});
         },
         200,
         {},
         Ok(),
         any},
        {"scan result", none, 201, {}, Ok({2}), any},
        {"record 1", none, 202, {1}, Ok(AsBytes(Record(2))), any},
        {"record 2 past the count", none, 202, {2}, Fail({22}), any},
        {"record index of 2 bytes", none, 202, {0, 0}, Fail({19}), any},
        {"record read that fails",
         [](Module& m) { m.FailRecordReads(0, 1); },
         202,
         {0},
         Fail({22}),
         any},
        {"record read again", none, 202, {0}, Ok(AsBytes(Record(1))), any},
        {"scan in mode 2",
         [](Module& m) {
             m.KeepModeOnChange(false);
             m.SetMode(2);
         },
         200,
         {},
         Fail({20}),
         any},
        {"old results stay", none, 201, {}, Ok({2}), any},
        {"off", none, 208, {}, Ok(), [](const Module& m) { return !m.enabled(); }},
        {"mode read while off", none, 205, {}, Fail({25}), any},
        {"mode write while off", none, 206, {1, 0, 0, 0}, Fail({26}), any},
        {"station read while off", none, 203, {}, Fail({23}), any},
        {"station write while off", none, 204, Bytes(48, 0), Fail({24}), any},
        {"scan while off", none, 200, {}, Fail({20}), any},
        {"on", none, 209, {}, Ok(), [](const Module& m) { return m.enabled(); }},
        {"mode read again", none, 205, {}, Ok({2, 0, 0, 0}), any},
        {"in the boot loader", [](Module& m) { m.EnterBootLoader(); }, 203, {}, Fail({23}), any},
    };
    for (const Step& s : steps) {
        s.setup(module);
        EXPECT_EQ(Send(s.command, s.payload), s.answer) << s.what;
        EXPECT_TRUE(s.after(module)) << s.what;
    }
}

TEST_F(EspFirmware, BootLoaderReachedThroughTheReader) {
    const Bytes sync = esp_test::Slip(esp_test::SyncPacket());
    const Bytes syncAnswer = {0x01, 0x08, 0x02, 0x00, 0, 0, 0, 0, 0x00, 0x00};
    EXPECT_EQ(Send(16, sync), Fail({3})) << "the module's firmware does not answer SLIP";
    EXPECT_EQ(Send(15, {}), Ok());
    EXPECT_TRUE(module.inBootLoader());
    EXPECT_EQ(Send(16, Bytes(sync.begin(), sync.end() - 1)), Fail({3})) << "half a frame";
    EXPECT_EQ(Send(16, {0xC0}), Ok(syncAnswer)) << "its end completes it";
    EXPECT_EQ(Send(16, {}), Fail({19}));

    const Bytes begin = esp_test::Slip(esp_test::FlashBeginPacket(20, 1, 1024, 0x8000));
    EXPECT_EQ(Send(17, begin), Ok({0x01, 0x02, 0x02, 0x00, 0, 0, 0, 0, 0x00, 0x00}));

    // FLASH_DATA in pieces: an escape pair cut between two pieces is put together again.
    Bytes block(20, 0x11);
    block[12] = 0xC0;
    const Bytes frame = esp_test::Slip(esp_test::FlashDataPacket(block, 0));
    ASSERT_EQ(frame[37], 0xDB);
    EXPECT_EQ(Send(18, Bytes(frame.begin(), frame.begin() + 38)), Ok());
    EXPECT_EQ(Send(18, Bytes(frame.begin() + 38, frame.end())),
              Ok({0x01, 0x03, 0x02, 0x00, 0, 0, 0, 0, 0x00, 0x00}));
    EXPECT_EQ(module.bootLoader().flash()[0x8000 + 12], 0xC0);
    EXPECT_EQ(Send(18, Bytes(49, 0x11)), Fail({19})) << "a piece over 48 bytes";

    EXPECT_EQ(Send(19, {}), Ok());
    EXPECT_FALSE(module.inBootLoader());
    EXPECT_EQ(Send(205, {}), Ok({1, 0, 0, 0}));
}

TEST_F(EspFirmware, RefusedAndUnansweredPackets) {
    Send(15, {});
    ASSERT_EQ(Send(16, esp_test::Slip(esp_test::SyncPacket())).status, 0);
    ASSERT_EQ(Send(17, esp_test::Slip(esp_test::FlashBeginPacket(32, 2, 16, 0))).status, 0);
    Bytes bad = esp_test::FlashDataPacket(Bytes(16, 0x22), 0);
    bad[4] ^= 0xFF;
    EXPECT_EQ(Send(18, esp_test::Slip(bad)), Fail({19, 1, 0x07})) << "bad checksum";
    EXPECT_EQ(Send(18, esp_test::Slip(esp_test::FlashDataPacket(Bytes(16, 0x22), 1))),
              Fail({19, 1, 0x06}))
        << "out of sequence";

    module.bootLoader().StopAnsweringAfter(0);
    const Bytes frame = esp_test::Slip(esp_test::FlashDataPacket(Bytes(16, 0x22), 0));
    EXPECT_EQ(Send(18, Bytes(frame.begin(), frame.begin() + 10)), Ok()) << "no packet yet";
    EXPECT_EQ(Send(18, Bytes(frame.begin() + 10, frame.end())), Fail({3})) << "hung";
    EXPECT_EQ(module.bootLoader().blocksWritten(), 0u);
}

}  // namespace
