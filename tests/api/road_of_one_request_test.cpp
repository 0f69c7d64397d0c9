#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"
#include "sim/commands/device_commands.h"
#include "sim/device/reader_device.h"
#include "sim_fixture/sim_card_bench.h"

// A Mifare block read as the test bench makes it: open, beep, RF protocol, card number,
// key, authentication, read, close; every frame counted on its way to the reader.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Card = sim::MifareClassicCard;

std::atomic<int> framesWritten{0};

// The caller's transport: counts the pieces that start a request frame (a request of these
// commands fits one piece) and hands every piece to the simulated reader.
int CountingTransport(int handle, int direction, unsigned char* buffer, int size) {
    if (direction == 0) ++framesWritten;
    return sim::SimulatorTransport(handle, direction, buffer, size);
}

TEST(RoadOfOneRequest, ReadingAMifareBlockTakesOneFramePerCommand) {
    SimCardBench bench;
    sim::ReaderDevice device;
    sim::DeviceCommands deviceCommands{bench.reader, device};
    std::shared_ptr<Card> card = bench.PresentMifare(Card::Size::k1K);
    Card::Block block1{};
    for (std::size_t i = 0; i < block1.size(); ++i) block1[i] = static_cast<std::uint8_t>(0xB0 + i);
    card->SetRawBlock(1, block1);
    framesWritten = 0;

    const int handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 2000, CountingTransport);
    ASSERT_GT(handle, 0);
    sim::AttachSimulator(handle, bench.reader);
    EXPECT_EQ(framesWritten, 0) << "opening on the callback route sends nothing";

    KorviCardParam record{};
    std::memset(record.arrKeys, 0xFF, 6);
    EXPECT_EQ(KorviCardBeep(handle, 10), 1);
    EXPECT_EQ(KorviCardSetCardType(handle, 'A'), 1);
    EXPECT_EQ(KorviCardGetCardNo(handle, 0x26, &record), 1);
    EXPECT_EQ(KorviCardLoadKey(handle, 0x60, 0, &record), 1);
    EXPECT_EQ(KorviCardAuthentication(handle, 0x60, 0, &record), 1);
    EXPECT_EQ(KorviCardRead(handle, 1, &record), 1);
    EXPECT_EQ(KorviCardGetErrorCode(handle), 0);
    sim::DetachSimulator(handle);
    KorviCardCloseDevice(handle);

    // Beep; protocol and the device number it asks for; request, anticollision, select;
    // load key; authentication; read.
    EXPECT_EQ(bench.Commands(), (Bytes{11, 20, 31, 1, 2, 3, 10, 4, 6}));
    EXPECT_EQ(framesWritten, 9);
    EXPECT_EQ(bench.reader.RejectedFrames(), 0u);
    EXPECT_EQ(record.nCardType, 4);
    EXPECT_EQ(Bytes(record.arrCardNo, record.arrCardNo + 4),
              Bytes(SimCardBench::kUid.begin(), SimCardBench::kUid.end()));
    EXPECT_EQ(Bytes(record.arrBuffer, record.arrBuffer + 16), Bytes(block1.begin(), block1.end()));
    EXPECT_EQ(record.nBufferSize, 16);
    EXPECT_EQ(bench.mifare.Beeps(), (std::vector<std::uint16_t>{10}));
}

}  // namespace
