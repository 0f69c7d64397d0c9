#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/uhf_tag.h"
#include "sim/commands/m100_commands.h"
#include "sim/device/m100_module.h"
#include "sim_fixture/sim_tcp_bench.h"

// The M100 UHF exports against the simulated reader as a networked reader on 127.0.0.1.

namespace {

using Bytes = std::vector<std::uint8_t>;

// The reply wait of the session: also the silence that ends an inventory.
constexpr int kOpenTimeoutMs = 200;

struct UhfModel {
    sim::SimulatedReader reader;
    sim::M100Module module;
    sim::M100Commands commands{reader, module};
};
using NetworkReader = SimTcpBench<UhfModel>;

TEST(UhfApiOverTcp, InventoryThenTagAccessOnTheSameConnection) {
    NetworkReader net(kOpenTimeoutMs);
    ASSERT_GT(net.handle, 0);
    const Bytes first = {0xE2, 0x80, 0x11, 0x60, 0x60, 0x00, 0x02, 0x05, 0x2A, 0x9B, 0x4C, 0x01};
    net.port.WithReader([&](sim::SimulatedReader&) {
        for (std::uint8_t i = 0; i < 4; ++i) {
            Bytes epc = first;
            epc.back() = static_cast<std::uint8_t>(epc.back() + i);
            net.module.tags.emplace_back(epc, static_cast<std::int8_t>(-50 - i));
        }
        net.module.tags[0].WriteWords(sim::UhfTag::kUser, 0, Bytes{0x0F, 0x1E});
        return 0;
    });
    int count = 0;
    ASSERT_EQ(KorviCardM100UhfInventory(net.handle, &count), 1);
    EXPECT_EQ(count, 4);
    M100UhfInventoryStruct record{};
    ASSERT_EQ(KorviCardM100UhfGetInventoryStruct(net.handle, 3, &record), 1);
    EXPECT_EQ(record.ucEpcLength, 12);
    EXPECT_EQ(record.arrEpc[11], 0x04);
    EXPECT_EQ(static_cast<std::int8_t>(record.ucRssi), -53);

    // A multiple-inventory poll leaves three notices behind; the next request does not
    // take them for its answer.
    unsigned char rssi = 0, epc[128] = {};
    unsigned short pc = 0;
    int length = 0;
    ASSERT_EQ(KorviCardM100UhfReadMulti(net.handle, &rssi, &pc, epc, 128, &length), 1);
    EXPECT_EQ(Bytes(epc, epc + length), first);
    ASSERT_EQ(KorviCardM100UhfStopMulti(net.handle), 1);
    unsigned short power = 0;
    ASSERT_EQ(KorviCardM100UhfGetPower(net.handle, &power), 1);
    EXPECT_EQ(power, 2000);
    unsigned char data[64] = {};
    length = 64;
    ASSERT_EQ(KorviCardM100UhfReadData(net.handle, 0, 3, 0, 1, data, &length), 1);
    EXPECT_EQ(Bytes(data, data + length), (Bytes{0x0F, 0x1E}));
    const std::size_t moduleCommands =
        net.port.WithReader([&](sim::SimulatedReader&) { return net.module.Commands().size(); });
    EXPECT_EQ(moduleCommands, 5u);
}

}  // namespace
