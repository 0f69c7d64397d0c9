#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "esp_bench.h"
#include "korvicard/KorviCardDriver.h"
#include "sim_fixture/sim_tcp_bench.h"

// The WiFi module and its flashing against the simulated reader as a networked reader on
// 127.0.0.1.

namespace {

using esp_api_test::Bytes;

struct EspModel {
    sim::SimulatedReader reader;
    sim::EspWifiModule module;
    sim::EspWifiCommands wifi{reader, module};
    sim::EspIspCommands isp{reader, module};
};
using NetworkReader = SimTcpBench<EspModel>;

TEST(EspOverTcp, StationSettingsModeAndAFlashing) {
    esp_api_test::RecordedPauses paused;
    esp_api_test::TempFolder folder;
    NetworkReader net;
    ASSERT_GT(net.handle, 0);
    const int h = net.handle;

    Bytes station(48);
    std::iota(station.begin(), station.end(), std::uint8_t{0xB0});
    ASSERT_EQ(KorviCardSetStaInfo(h, station.data()), 1);
    Bytes read(48, 0);
    ASSERT_EQ(KorviCardGetStaInfo(h, read.data()), 1);
    EXPECT_EQ(read, station);
    ASSERT_EQ(KorviCardSetWifiMode(h, 3), 1);
    unsigned char mode = 0;
    ASSERT_EQ(KorviCardGetWifiMode(h, &mode), 1);
    EXPECT_EQ(mode, 3);
    EXPECT_EQ(net.TakeCommands(), (Bytes{204, 203, 205, 205, 206, 205, 205, 205}));

    const Bytes image = esp_api_test::Image(2049);
    const std::string path = folder.Write("firmware.bin", image);
    ASSERT_EQ(KorviCardSendEspEnterIspCommand(h), 1);
    ASSERT_EQ(KorviCardSendEspIspBeginCommand(h), 1);
    ASSERT_EQ(KorviCardWriteEspFile2Flash(h, path.c_str(), 0x40000, nullptr), 1);
    ASSERT_EQ(KorviCardSendEspIspEndCommand(h), 1);
    const Bytes commands = net.TakeCommands();
    EXPECT_EQ(Bytes(commands.begin(), commands.begin() + 3), (Bytes{15, 16, 17}));
    EXPECT_EQ(commands.back(), 19);
    net.port.WithReader([&](sim::SimulatedReader&) {
        const auto flash = net.module.bootLoader().flash();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin() + 0x40000));
        EXPECT_EQ(net.module.bootLoader().blocksWritten(), 3u);
        EXPECT_FALSE(net.module.inBootLoader());
    });
    EXPECT_EQ(net.server.Connections(), 1);
}

}  // namespace
