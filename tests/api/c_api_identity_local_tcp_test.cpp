#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/modules/module_pause.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/commands/samv_commands.h"
#include "sim/device/samv_module.h"
#include "sim_fixture/sim_tcp_bench.h"

// The identity card read through the SAMV module of a networked reader on 127.0.0.1.

namespace {

struct SamvReader {
    SamvReader() { module.card = sim::SampleIdentityCard(); }
    sim::SimulatedReader reader;
    sim::SamvModule module;
    sim::SamvCommands samv{reader, module};
};

// Pauses of the module flows skipped while a test runs.
struct NoPauses {
    NoPauses() {
        SetModulePauseFunction([](int) {});
    }
    ~NoPauses() { SetModulePauseFunction({}); }
};

TEST(SamvOverTcp, ReadsTheIdentityCardAndRunsAModuleCommand) {
    NoPauses noPauses;
    SimTcpBench<SamvReader> net;
    ASSERT_GT(net.handle, 0);
    TwoIdInfoParam record{};
    ASSERT_EQ(KorviCardGetTwoIdInfo(net.handle, &record), 1);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(net.handle), 0);
    const sim::IdentityCard card = sim::SampleIdentityCard();
    EXPECT_EQ(std::memcmp(&record, card.text.data(), card.text.size()), 0);
    EXPECT_EQ(std::memcmp(record.arrTwoIdPhoto, card.photo.data(), card.photo.size()), 0);
    EXPECT_EQ(record.unTwoIdFingerprintLength, 1024);
    EXPECT_EQ(std::memcmp(record.arrTwoIdFingerprint, card.fingerprint.data(), 1024), 0);
    const std::vector<std::uint8_t> commands = net.TakeCommands();
    EXPECT_EQ(std::vector<std::uint8_t>(commands.begin(), commands.begin() + 5),
              (std::vector<std::uint8_t>{38, 246, 40, 246, 40}));
    EXPECT_EQ(commands.size(), 5u + 9u);

    KorviCardParam command{};
    const std::uint8_t reset[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x12, 0xFF, 0xEE};
    std::memcpy(command.arrCosSendBuffer, reset, sizeof reset);
    command.unCosSendBufferLength = sizeof reset;
    ASSERT_EQ(KorviCardSendSamvCommand(net.handle, &command), 1);
    ASSERT_EQ(command.unCosReultBufferLength, 11u);
    EXPECT_EQ(command.arrCosResultBuffer[9], 0x90);
}

}  // namespace
