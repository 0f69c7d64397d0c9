#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sim/commands/esp_isp_commands.h"
#include "sim/device/esp_wifi_module.h"
#include "sim_fixture/request_log.h"
#include "sim_fixture/sim_card_bench.h"
#include "support/esp_boot_packets.h"

// The boot-loader packets of a bare session against the simulated reader and its WiFi
// module: what the reader received, and what the boot loader made of it.

namespace {

using esp_test::Bytes;

class EspIspSession : public ::testing::Test, public SimSessionBench {
  public:
    EspIspSession() {
        module.EnterBootLoader();
        module.bootLoader().Receive(esp_test::Slip(esp_test::SyncPacket()));
    }

    // The payloads of the requests with command, in order.
    std::vector<Bytes> Payloads(std::uint8_t command) const {
        return RequestPayloads(reader.Requests(), command);
    }
    Bytes Joined(std::uint8_t command) const {
        Bytes joined;
        for (const Bytes& p : Payloads(command)) joined.insert(joined.end(), p.begin(), p.end());
        return joined;
    }

    sim::EspWifiModule module;
    sim::EspIspCommands isp{reader, module};
};

TEST_F(EspIspSession, FlashBeginCarriesItsValuesEscaped) {
    ASSERT_TRUE(session.SendEspFlashBegin(0x0000DBC0, 0xC0, 0x0000C0DB));
    ASSERT_EQ(Payloads(17).size(), 1u);
    EXPECT_EQ(Payloads(17)[0],
              esp_test::Slip(esp_test::FlashBeginPacket(0x0000DBC0, 0xC0, 1024, 0x0000C0DB)));
    EXPECT_TRUE(module.bootLoader().flashing());
    EXPECT_EQ(session.GetErrorCode(), 0);
}

TEST_F(EspIspSession, FlashDataFillsTheHeaderAndSendsTheFrameInPieces) {
    ASSERT_TRUE(session.SendEspFlashBegin(1024, 1, 0));
    ClearRequests();
    Bytes block(1024);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i % 251);
    block[0] = 0xDB;
    block[1023] = 0xC0;
    Bytes packet(24, 0x00);
    packet.insert(packet.end(), block.begin(), block.end());
    ASSERT_TRUE(session.SendEspFlashData(packet.data(), 1048, 0));

    const Bytes expected = esp_test::FlashDataPacket(block, 0);
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 24),
              Bytes(expected.begin(), expected.begin() + 24))
        << "header written into the caller's buffer";
    EXPECT_EQ(Joined(18), esp_test::Slip(expected));
    for (const Bytes& piece : Payloads(18)) {
        EXPECT_LE(piece.size(), 48u);
        EXPECT_GE(piece.size(), Payloads(18).back() == piece ? 1u : 47u);
    }
    EXPECT_EQ(module.bootLoader().blocksWritten(), 1u);
    EXPECT_EQ(module.bootLoader().flash()[0], 0xDB);
    EXPECT_EQ(module.bootLoader().flash()[1023], 0xC0);
}

TEST_F(EspIspSession, FlashDataOfUpTo2028BytesInAFrameOfUpTo2098) {
    // The ISP buffer holds the worst case of one block: 2 x (24 + 1024) + 2 = 2098 bytes.
    // 2028 bytes with 68 escaped data bytes make a frame of exactly 2098; one more does not fit.
    Bytes fits(2028, 0x22);
    std::fill(fits.begin() + 24, fits.begin() + 92, 0xDB);
    Bytes over = fits;
    over[92] = 0xC0;
    Bytes plain(2029, 0x11);
    struct Case {
        const char* what;
        std::uint8_t* packet;
        unsigned length;
    };
    const Case refused[] = {
        {"null packet", nullptr, 100},
        {"shorter than its header", plain.data(), 23},
        {"longer than 2028", plain.data(), 2029},
        {"frame of 2099 bytes", over.data(), 2028},
    };
    for (const Case& c : refused) {
        session.SetErrorCode(77);
        EXPECT_FALSE(session.SendEspFlashData(c.packet, c.length, 0)) << c.what;
        EXPECT_TRUE(reader.Requests().empty()) << c.what;
        EXPECT_EQ(session.GetErrorCode(), 77) << c.what;
    }
    // The boot loader refuses a block over the 1024 bytes of the driver's FLASH_BEGIN, but the
    // whole frame reaches it.
    session.SendEspFlashData(fits.data(), 2028, 0);
    EXPECT_EQ(Joined(18).size(), 2098u);
    EXPECT_EQ(Joined(18).back(), 0xC0);
}

TEST_F(EspIspSession, ABlockOfOnlyEndAndEscapeBytesFlashes) {
    // 1024 bytes of C0 and DB: every one is sent as a pair, the frame passes 2048 bytes.
    Bytes block(1024);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = i % 3 == 0 ? 0xDB : 0xC0;
    ASSERT_TRUE(session.SendEspFlashBegin(1024, 1, 0));
    ClearRequests();
    Bytes packet(24, 0x00);
    packet.insert(packet.end(), block.begin(), block.end());
    ASSERT_TRUE(session.SendEspFlashData(packet.data(), 1048, 0));
    const Bytes frame = esp_test::Slip(esp_test::FlashDataPacket(block, 0));
    EXPECT_GT(frame.size(), 2048u);
    EXPECT_EQ(Joined(18), frame);
    EXPECT_EQ(module.bootLoader().blocksWritten(), 1u);
    const auto flash = module.bootLoader().flash();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), flash.begin()));
}

TEST_F(EspIspSession, ARefusedPieceEndsTheBlock) {
    ASSERT_TRUE(session.SendEspFlashBegin(200, 1, 0));
    ClearRequests();
    Bytes packet(24, 0x00);
    packet.insert(packet.end(), 200, 0x33);
    // Sequence 1 where the boot loader expects 0: the piece that completes the packet fails.
    EXPECT_FALSE(session.SendEspFlashData(packet.data(), 224, 1));
    EXPECT_EQ(session.GetErrorCode(), 19);
    EXPECT_EQ(Joined(18), esp_test::Slip(esp_test::FlashDataPacket(Bytes(200, 0x33), 1)));
    EXPECT_EQ(module.bootLoader().refusals(), (Bytes{0x06}));

    // A reader that refuses the first piece stops the rest from being sent.
    ClearRequests();
    reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 2});
    EXPECT_FALSE(session.SendEspFlashData(packet.data(), 224, 0));
    EXPECT_EQ(Payloads(18).size(), 1u);
    EXPECT_EQ(session.GetErrorCode(), 2);
}

}  // namespace
