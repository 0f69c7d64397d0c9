#include "sim/device/esp_boot_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "sim/device/slip_stream.h"
#include "support/esp_boot_packets.h"

// The WiFi module's boot loader as its UART sees it: SLIP lines cut anywhere, the
// boot-loader packets built from the wire format.

namespace {

using esp_test::Bytes;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(SlipStream, PacketsFromFeedsCutAnywhere) {
    struct Case {
        const char* what;
        std::vector<Bytes> feeds;
        std::vector<Bytes> packets;
        std::size_t dropped;
    };
    const Case cases[] = {
        {"one feed", {{0xC0, 0x01, 0x02, 0xC0}}, {{0x01, 0x02}}, 0},
        {"C0 escape cut after DB",
         {{0xC0, 0x01, 0xDB}, {0xDC, 0x02, 0xC0}},
         {{0x01, 0xC0, 0x02}},
         0},
        {"DB escape cut after DB", {{0xC0, 0xDB}, {0xDD, 0xC0}}, {{0xDB}}, 0},
        {"escapes at both ends",
         {{0xC0, 0xDB, 0xDC, 0x05, 0xDB, 0xDD, 0xC0}},
         {{0xC0, 0x05, 0xDB}},
         0},
        {"noise before the first C0", {{0x55, 0x66, 0xC0, 0x01, 0xC0}}, {{0x01}}, 0},
        {"back-to-back C0", {{0xC0, 0xC0, 0x01, 0xC0, 0xC0, 0x02, 0xC0}}, {{0x01}, {0x02}}, 0},
        {"bad escape drops its packet", {{0xC0, 0xDB, 0x01, 0x09, 0xC0, 0x02, 0xC0}}, {{0x02}}, 1},
        {"bad escape on the closing C0", {{0xC0, 0xDB, 0xC0, 0x03, 0xC0}}, {{0x03}}, 1},
        {"packet past the limit", {{0xC0, 1, 2, 3, 4, 5, 0xC0, 0x06, 0xC0}}, {{0x06}}, 1},
        {"packet at the limit", {{0xC0, 1, 2, 3}, {0xDB, 0xDC, 0xC0}}, {{1, 2, 3, 0xC0}}, 0},
        {"unfinished packet", {{0xC0, 0x01, 0x02}}, {}, 0},
    };
    for (const Case& c : cases) {
        sim::SlipStream line(4);
        std::vector<Bytes> packets;
        for (const Bytes& feed : c.feeds) {
            for (Bytes& p : line.Feed(feed)) packets.push_back(std::move(p));
        }
        EXPECT_EQ(packets, c.packets) << c.what;
        EXPECT_EQ(line.DroppedPackets(), c.dropped) << c.what;
    }
}

class BootLoader : public ::testing::Test {
  public:
    // Bytes in, in cuts of `cut` bytes: the answers, as (status, error) pairs, and the
    // number of packets completed.
    std::vector<std::pair<int, int>> Send(const Bytes& line, std::size_t cut = 0) {
        if (cut == 0) cut = line.size();
        std::vector<std::pair<int, int>> answers;
        for (std::size_t at = 0; at < line.size(); at += cut) {
            const std::size_t n = std::min(cut, line.size() - at);
            const sim::EspBootLoader::Exchange ex = loader.Receive(std::span(line.data() + at, n));
            packets += ex.packets;
            for (const auto& r : ex.responses) answers.emplace_back(r.status, r.error);
        }
        return answers;
    }
    void Sync() { ASSERT_EQ(Send(esp_test::Slip(esp_test::SyncPacket())), (Answers{{0, 0}})); }

    using Answers = std::vector<std::pair<int, int>>;
    sim::EspBootLoader loader;
    std::size_t packets = 0;
};

TEST_F(BootLoader, IgnoresEverythingUntilSyncedThenAnswersSync) {
    EXPECT_TRUE(Send(esp_test::Slip(esp_test::FlashBeginPacket(16, 1, 1024, 0))).empty());
    Bytes wrongSync = esp_test::SyncPacket();
    wrongSync.back() = 0x54;
    EXPECT_TRUE(Send(esp_test::Slip(wrongSync)).empty());
    EXPECT_EQ(packets, 2u);
    EXPECT_FALSE(loader.synced());

    const sim::EspBootLoader::Exchange ex = loader.Receive(esp_test::Slip(esp_test::SyncPacket()));
    ASSERT_EQ(ex.responses.size(), 1u);
    EXPECT_EQ(ex.responses[0].packet, (Bytes{0x01, 0x08, 0x02, 0x00, 0, 0, 0, 0, 0x00, 0x00}));
    EXPECT_TRUE(loader.synced());
    EXPECT_EQ(sim::EspBootLoader::Frame(Bytes{0x01, 0xC0, 0xDB}),
              (Bytes{0xC0, 0x01, 0xDB, 0xDC, 0xDB, 0xDD, 0xC0}));
}

TEST_F(BootLoader, FlashesAnImageWhoseLastBlockIsShort) {
    Sync();
    Bytes image(1030);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    image[0] = 0xC0;
    image[1023] = 0xDB;
    image[1029] = 0xC0;
    const std::uint32_t offset = 0x3000;
    Bytes line = esp_test::Slip(esp_test::FlashBeginPacket(1030, 2, 1024, offset));
    line = Cat(line, esp_test::Slip(
                         esp_test::FlashDataPacket(Bytes(image.begin(), image.begin() + 1024), 0)));
    line =
        Cat(line,
            esp_test::Slip(esp_test::FlashDataPacket(Bytes(image.begin() + 1024, image.end()), 1)));
    // Cuts of 7 bytes split escapes and frame ends alike.
    EXPECT_EQ(Send(line, 7), (Answers{{0, 0}, {0, 0}, {0, 0}}));
    EXPECT_EQ(loader.blocksWritten(), 2u);
    const auto flash = loader.flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin() + offset));
    EXPECT_EQ(flash[offset + 1030], 0xFF);
    EXPECT_EQ(flash[offset - 1], 0xFF);
    EXPECT_TRUE(loader.refusals().empty());
}

TEST_F(BootLoader, RefusesPacketsItCannotTake) {
    const Bytes block(16, 0x11);
    Bytes badChecksum = esp_test::FlashDataPacket(block, 0);
    badChecksum[4] ^= 0x01;
    Bytes checksumHighByte = esp_test::FlashDataPacket(block, 0);
    checksumHighByte[6] = 0x01;
    Bytes sizeMismatch = esp_test::FlashDataPacket(block, 0);
    sizeMismatch[8] = 15;
    Bytes headerSizeWrong = esp_test::FlashDataPacket(block, 0);
    headerSizeWrong[2] ^= 0x01;
    struct Case {
        const char* what;
        bool begin;  // FLASH_BEGIN of 2 x 16 bytes at 0x1000 first
        Bytes packet;
        int error;
    };
    const Case cases[] = {
        {"bad checksum", true, badChecksum, 0x07},
        {"checksum with a high byte", true, checksumHighByte, 0x07},
        {"data size field", true, sizeMismatch, 0x05},
        {"packet size field", true, headerSizeWrong, 0x05},
        {"out of sequence", true, esp_test::FlashDataPacket(block, 1), 0x06},
        {"block over the packet size", true, esp_test::FlashDataPacket(Bytes(17, 1), 0), 0x05},
        {"data without FLASH_BEGIN", false, esp_test::FlashDataPacket(block, 0), 0x06},
        {"erase past the flash", false,
         esp_test::FlashBeginPacket(0x2000, 2, 0x1000, sim::EspBootLoader::kFlashSize - 0x1000),
         0x06},
        {"FLASH_BEGIN of 12 bytes", false, esp_test::Request(0x02, Bytes(12, 0)), 0x05},
        {"unknown operation", false, esp_test::Request(0x77, {}), 0x05},
        {"response direction", false, {0x01, 0x08, 0, 0, 0, 0, 0, 0}, 0x05},
    };
    for (const Case& c : cases) {
        sim::EspBootLoader fresh;
        loader = fresh;
        Sync();
        if (c.begin) {
            ASSERT_EQ(Send(esp_test::Slip(esp_test::FlashBeginPacket(32, 2, 16, 0x1000))),
                      (Answers{{0, 0}}));
        }
        EXPECT_EQ(Send(esp_test::Slip(c.packet)), (Answers{{1, c.error}})) << c.what;
        EXPECT_EQ(loader.blocksWritten(), 0u) << c.what;
        EXPECT_EQ(loader.flash()[0x1000], 0xFF) << c.what;
    }
}

TEST_F(BootLoader, BlockRefusedForItsChecksumCanBeSentAgain) {
    Sync();
    ASSERT_EQ(Send(esp_test::Slip(esp_test::FlashBeginPacket(16, 1, 16, 0))), (Answers{{0, 0}}));
    const Bytes block(16, 0xC0);
    Bytes bad = esp_test::FlashDataPacket(block, 0);
    bad.back() = 0xDB;  // the data changed on the way, the checksum did not
    EXPECT_EQ(Send(esp_test::Slip(bad)), (Answers{{1, 0x07}}));
    EXPECT_EQ(Send(esp_test::Slip(esp_test::FlashDataPacket(block, 0))), (Answers{{0, 0}}));
    EXPECT_EQ(loader.flash()[15], 0xC0);
    EXPECT_EQ(loader.refusals(), (Bytes{0x07}));
}

TEST_F(BootLoader, HungLoaderAnswersNothingAndActsOnNothing) {
    Sync();
    loader.StopAnsweringAfter(1);
    ASSERT_EQ(Send(esp_test::Slip(esp_test::FlashBeginPacket(32, 2, 16, 0))), (Answers{{0, 0}}));
    EXPECT_TRUE(Send(esp_test::Slip(esp_test::FlashDataPacket(Bytes(16, 0x42), 0))).empty());
    EXPECT_EQ(loader.blocksWritten(), 0u);
    EXPECT_EQ(loader.flash()[0], 0xFF);
    EXPECT_EQ(packets, 3u);
}

TEST_F(BootLoader, ResetForgetsTheSyncAndAHalfReceivedFrame) {
    Sync();
    const Bytes frame = esp_test::Slip(esp_test::SyncPacket());
    Send(Bytes(frame.begin(), frame.begin() + 10));
    loader.Reset();
    EXPECT_FALSE(loader.synced());
    // The tail of the old frame is noise; a whole SYNC syncs again.
    EXPECT_TRUE(Send(Bytes(frame.begin() + 10, frame.end())).empty());
    Sync();
}

}  // namespace
