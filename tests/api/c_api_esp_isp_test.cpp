#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <utility>

#include "esp_bench.h"
#include "korvicard/KorviCardDriver.h"
#include "support/esp_boot_packets.h"

// Flashing the WiFi module through the exports on the callback route: the frames the reader
// relayed, what the boot loader wrote, and how a flashing ends when something stops
// answering. Images are files in a temporary folder of the test's own.

namespace {

using esp_api_test::Bytes;

std::vector<std::pair<int, int>> g_progress;
sim::SimulatedReader* g_faultReader = nullptr;

void RecordProgress(int position, int size) { g_progress.emplace_back(position, size); }

// Before the second block: the reader's reply to the next request is lost.
void LoseAReplyAtTheSecondBlock(int position, int) {
    if (position == 1024 && g_faultReader != nullptr) {
        g_faultReader->QueueFault({.kind = sim::FaultKind::kNoReply});
    }
}

class EspFlashing : public ::testing::Test {
  public:
    EspFlashing() { g_progress.clear(); }
    ~EspFlashing() override { g_faultReader = nullptr; }

    // Boot loader entered and synced; the request log emptied.
    void EnterAndSync() {
        ASSERT_EQ(KorviCardSendEspEnterIspCommand(bench.handle), 1);
        ASSERT_EQ(KorviCardSendEspIspBeginCommand(bench.handle), 1);
        ASSERT_TRUE(bench.module.bootLoader().synced());
        bench.reader.ClearRequests();
    }
    Bytes Joined(std::uint8_t command) const {
        Bytes joined;
        for (const Bytes& p : bench.Payloads(command))
            joined.insert(joined.end(), p.begin(), p.end());
        return joined;
    }
    Bytes FlashAt(std::uint32_t offset, std::size_t size) const {
        const auto flash = bench.module.bootLoader().flash();
        return Bytes(flash.begin() + offset, flash.begin() + offset + size);
    }

    esp_api_test::TempFolder folder;
    esp_api_test::EspReader bench;
};

TEST_F(EspFlashing, SyncPacketAndTheWayInAndOut) {
    Bytes sync = {0xC0, 0x00, 0x08, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x07, 0x12, 0x20};
    sync.insert(sync.end(), 32, 0x55);
    sync.push_back(0xC0);
    ASSERT_EQ(sync.size(), 46u);

    EXPECT_EQ(KorviCardSendEspIspBeginCommand(bench.handle), 0) << "module not in its boot loader";
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
    EXPECT_EQ(KorviCardSendEspEnterIspCommand(bench.handle), 1);
    EXPECT_TRUE(bench.module.inBootLoader());
    EXPECT_EQ(KorviCardSendEspIspBeginCommand(bench.handle), 1);
    EXPECT_TRUE(bench.module.bootLoader().synced());
    EXPECT_EQ(KorviCardSendEspIspEndCommand(bench.handle), 1);
    EXPECT_FALSE(bench.module.inBootLoader());
    EXPECT_EQ(bench.Requests(), (std::vector<std::pair<std::uint8_t, Bytes>>{
                                    {16, sync}, {15, {}}, {16, sync}, {19, {}}}));
}

TEST_F(EspFlashing, ImageOfThreeBlocksWithEscapesOnPieceBoundaries) {
    Bytes image = esp_api_test::Image(2049);
    // The frame of the first block: C0, 24 header bytes, image byte 0 escaped (DB DD), so
    // image byte 21 is frame byte 47: an escape pair there straddles the first piece boundary.
    image[0] = 0xDB;
    image[21] = 0xC0;
    image[1023] = 0xC0;
    image[1024] = 0xC0;
    image[2048] = 0xDB;
    const Bytes first(image.begin(), image.begin() + 1024);
    ASSERT_NE(esp_test::BlockChecksum(first), 0xC0u);
    ASSERT_NE(esp_test::BlockChecksum(first), 0xDBu);
    ASSERT_EQ(esp_test::Slip(esp_test::FlashDataPacket(first, 0))[47], 0xDB);

    const std::string path = folder.Write("firmware.bin", image);
    EnterAndSync();
    const std::uint32_t offset = 0x20000;
    ASSERT_EQ(KorviCardWriteEspFile2Flash(bench.handle, path.c_str(), offset, RecordProgress), 1);

    ASSERT_EQ(bench.Payloads(17).size(), 1u);
    EXPECT_EQ(bench.Payloads(17)[0],
              esp_test::Slip(esp_test::FlashBeginPacket(2049, 3, 1024, offset)));
    const Bytes commands = bench.Commands();
    EXPECT_EQ(commands.front(), 17);
    EXPECT_TRUE(std::all_of(commands.begin() + 1, commands.end(), [](int c) { return c == 18; }));

    const std::vector<Bytes> pieces = bench.Payloads(18);
    EXPECT_EQ(pieces.front().size(), 47u) << "the pair moves to the next piece";
    EXPECT_EQ(pieces[1][0], 0xDB);
    for (const Bytes& piece : pieces) {
        EXPECT_LE(piece.size(), 48u);
        EXPECT_NE(piece.back(), 0xDB);
    }
    const std::vector<Bytes> packets = esp_test::Unslip(Joined(18));
    ASSERT_EQ(packets.size(), 3u);
    const std::size_t sizes[] = {1024, 1024, 1};
    for (std::uint32_t i = 0; i < 3; ++i) {
        const Bytes block(image.begin() + 1024 * i, image.begin() + 1024 * i + sizes[i]);
        EXPECT_EQ(packets[i], esp_test::FlashDataPacket(block, i)) << "block " << i;
    }
    EXPECT_EQ(FlashAt(offset, 2049), image);
    EXPECT_EQ(bench.module.bootLoader().blocksWritten(), 3u);
    EXPECT_EQ(g_progress,
              (std::vector<std::pair<int, int>>{{0, 2049}, {1024, 2049}, {2048, 2049}}));
}

TEST_F(EspFlashing, ImageDenseInEndAndEscapeBytesFlashes) {
    // Two blocks of only C0 and DB bytes: each block's frame passes 2,048 bytes, which the
    // boot loader takes as it takes any other.
    Bytes image(1024 + 1024);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = i % 2 == 0 ? 0xC0 : 0xDB;
    image[1024] = 0xDB;
    const Bytes first(image.begin(), image.begin() + 1024);
    ASSERT_GT(esp_test::Slip(esp_test::FlashDataPacket(first, 0)).size(), 2048u);
    const std::string path = folder.Write("dense.bin", image);
    EnterAndSync();
    ASSERT_EQ(KorviCardWriteEspFile2Flash(bench.handle, path.c_str(), 0x4000, nullptr), 1);
    const std::vector<Bytes> packets = esp_test::Unslip(Joined(18));
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0], esp_test::FlashDataPacket(first, 0));
    EXPECT_EQ(bench.module.bootLoader().blocksWritten(), 2u);
    EXPECT_EQ(FlashAt(0x4000, image.size()), image);
}

TEST_F(EspFlashing, ImageSizesAndTheirBlocks) {
    struct Case {
        std::size_t size;
        std::uint32_t blocks;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{1023, 1}, Case{1024, 1}, Case{1025, 2}}) {
        SCOPED_TRACE(c.size);
        esp_api_test::EspReader reader;
        ASSERT_EQ(KorviCardSendEspEnterIspCommand(reader.handle), 1);
        ASSERT_EQ(KorviCardSendEspIspBeginCommand(reader.handle), 1);
        const Bytes image = esp_api_test::Image(c.size, static_cast<std::uint8_t>(c.size));
        const std::string path = folder.Write("image-" + std::to_string(c.size), image);
        EXPECT_EQ(KorviCardWriteEspFile2Flash(reader.handle, path.c_str(), 0x1000, nullptr), 1);
        EXPECT_EQ(reader.Payloads(17).at(0),
                  esp_test::Slip(esp_test::FlashBeginPacket(static_cast<std::uint32_t>(c.size),
                                                            c.blocks, 1024, 0x1000)));
        EXPECT_EQ(reader.module.bootLoader().blocksWritten(), c.blocks);
        const auto flash = reader.module.bootLoader().flash();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin() + 0x1000));
    }
}

TEST_F(EspFlashing, FilesThatCannotBeReadSendNothing) {
    EnterAndSync();
    const std::string missing = (folder.path() / "missing.bin").string();
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, missing.c_str(), 0, nullptr), 0);
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, folder.path().c_str(), 0, nullptr), 0);
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, "", 0, nullptr), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

TEST_F(EspFlashing, AFifoOrADeviceNodeFailsAtOnce) {
    EnterAndSync();
    const std::string fifo = (folder.path() / "firmware.fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    auto flashing = std::async(std::launch::async, [&] {
        return KorviCardWriteEspFile2Flash(bench.handle, fifo.c_str(), 0, nullptr);
    });
    const bool ended = flashing.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!ended) {
        // An open that blocks waits for a writer: be one, so the test ends.
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) close(writer);
    }
    EXPECT_TRUE(ended) << "the open of a FIFO without a writer blocked";
    EXPECT_EQ(flashing.get(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, "/dev/null", 0, nullptr), 0);
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, "/dev/zero", 0, nullptr), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

TEST_F(EspFlashing, RefusedOrUnansweredFlashBeginSendsNoBlock) {
    const std::string path = folder.Write("firmware.bin", esp_api_test::Image(3000));
    // Not synced: the boot loader does not answer, the reader says so.
    ASSERT_EQ(KorviCardSendEspEnterIspCommand(bench.handle), 1);
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, path.c_str(), 0, nullptr), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
    // Synced, but the area passes the end of the flash: refused.
    ASSERT_EQ(KorviCardSendEspIspBeginCommand(bench.handle), 1);
    const std::uint32_t nearEnd = sim::EspBootLoader::kFlashSize - 1024;
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, path.c_str(), nearEnd, nullptr), 0);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 19);
    EXPECT_EQ(bench.Commands(), (Bytes{15, 17, 16, 17}));
    EXPECT_EQ(bench.module.bootLoader().refusals(), (Bytes{0x06}));
}

TEST_F(EspFlashing, BootLoaderThatHangsMidFlashEndsTheFlashing) {
    const std::string path = folder.Write("firmware.bin", esp_api_test::Image(3 * 1024));
    EnterAndSync();
    bench.module.bootLoader().StopAnsweringAfter(2);  // FLASH_BEGIN and block 0
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(KorviCardWriteEspFile2Flash(bench.handle, path.c_str(), 0, RecordProgress), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
    EXPECT_EQ(esp_test::Unslip(Joined(18)).size(), 2u) << "block 2 never sent";
    EXPECT_EQ(bench.module.bootLoader().blocksWritten(), 1u);
    EXPECT_EQ(g_progress.size(), 2u);
}

TEST_F(EspFlashing, ReaderThatStopsAnsweringMidFlashEndsWithinThePieceTimeOut) {
    const std::string path = folder.Write("firmware.bin", esp_api_test::Image(3 * 1024));
    EnterAndSync();
    g_faultReader = &bench.reader;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        KorviCardWriteEspFile2Flash(bench.handle, path.c_str(), 0, LoseAReplyAtTheSecondBlock), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3);
    // Block 0 whole, then the one piece of block 1 whose reply was lost.
    const std::vector<Bytes> pieces = bench.Payloads(18);
    Bytes firstBlock;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        firstBlock.insert(firstBlock.end(), pieces[i].begin(), pieces[i].end());
    }
    EXPECT_EQ(esp_test::Unslip(firstBlock).size(), 1u);
    EXPECT_EQ(pieces.back().front(), 0xC0);
}

}  // namespace
