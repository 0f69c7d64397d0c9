#include "sim/callback_adapter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "sim_frames.h"

namespace {

using sim_test::Bytes;

constexpr int kHandle = 77;
constexpr sim::FrameMask kMask = {0xA1, 0xB2, 0xC3, 0xD4};

class CallbackAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reader.SetHandler(1, [](const sim::Request& r) {
            return sim::Reply::Ok(
                Bytes(r.payload.begin(),
                      r.payload.begin() + std::min<std::size_t>(r.payload.size(), 251)));
        });
        sim::AttachSimulator(kHandle, reader);
    }
    void TearDown() override { sim::DetachSimulator(kHandle); }

    // Writes frame as the driver does: 64 bytes, then count byte (255 for 63) and data.
    static bool Write(const Bytes& frame) {
        Bytes piece(256, 0);
        std::size_t at = std::min<std::size_t>(64, frame.size());
        std::copy(frame.begin(), frame.begin() + at, piece.begin());
        if (sim::SimulatorTransport(kHandle, 0, piece.data(), 256) != 1) return false;
        while (at < frame.size()) {
            const std::size_t n = std::min<std::size_t>(63, frame.size() - at);
            std::fill(piece.begin(), piece.end(), 0);
            piece[0] = frame.size() - at > 63 ? 255 : static_cast<std::uint8_t>(n);
            std::copy(frame.begin() + at, frame.begin() + at + n, piece.begin() + 1);
            if (sim::SimulatorTransport(kHandle, 0, piece.data(), 256) != 1) return false;
            at += n;
        }
        return true;
    }

    static Bytes ReadPiece() {
        Bytes piece(256, 0xCC);
        EXPECT_EQ(sim::SimulatorTransport(kHandle, 1, piece.data(), 256), 1);
        return piece;
    }

    sim::SimulatedReader reader;
};

TEST_F(CallbackAdapterTest, CarriesALongRequestAndServesItsReplyInPieces) {
    Bytes payload(200);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(Write(sim_test::Request(kMask, 4, 1, payload)));
    ASSERT_EQ(reader.Requests().size(), 1u);
    EXPECT_EQ(reader.Requests()[0].payload, payload);

    const Bytes expected = sim::EncodeReply(5, 0, payload, kMask);  // 205 bytes
    Bytes first = ReadPiece();
    ASSERT_EQ(first[0], 64);
    Bytes got(first.begin() + 1, first.begin() + 65);
    EXPECT_EQ(Bytes(first.begin() + 65, first.end()), Bytes(191, 0));
    while (got.size() < expected.size()) {
        const Bytes piece = ReadPiece();
        ASSERT_GE(piece[0], 2);
        const std::size_t n = piece[0] - 1u;
        EXPECT_EQ(piece[1], expected.size() - got.size() > 63 ? 255 : n);
        got.insert(got.end(), piece.begin() + 2, piece.begin() + 2 + n);
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(ReadPiece()[0], 0);  // nothing more
}

TEST_F(CallbackAdapterTest, DelayedOutputIsNotReadyBeforeItsTime) {
    reader.QueueFault({.kind = sim::FaultKind::kDelay, .delayMs = 80});
    ASSERT_TRUE(Write(sim_test::Request(kMask, 0, 1, {9})));
    EXPECT_EQ(ReadPiece()[0], 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Bytes piece = ReadPiece();
    EXPECT_EQ(Bytes(piece.begin() + 1, piece.begin() + 1 + piece[0]),
              sim::EncodeReply(1, 0, Bytes{9}, kMask));
}

TEST_F(CallbackAdapterTest, RefusesWhatDoesNotFitAFrame) {
    Bytes piece(256, 0);
    EXPECT_EQ(sim::SimulatorTransport(kHandle + 1, 1, piece.data(), 256), 0);
    EXPECT_EQ(sim::SimulatorTransport(kHandle, 1, piece.data(), 255), 0);
    EXPECT_EQ(sim::SimulatorTransport(kHandle, 1, nullptr, 256), 0);
    // A 100-byte request whose second piece claims fewer bytes than remain.
    const Bytes frame = sim_test::Request(kMask, 0, 1, Bytes(90, 1));
    std::copy(frame.begin(), frame.begin() + 64, piece.begin());
    ASSERT_EQ(sim::SimulatorTransport(kHandle, 0, piece.data(), 256), 1);
    std::fill(piece.begin(), piece.end(), 0);
    piece[0] = 10;
    EXPECT_EQ(sim::SimulatorTransport(kHandle, 0, piece.data(), 256), 0);
    EXPECT_TRUE(reader.Requests().empty());
    // The link starts over with the next frame.
    ASSERT_TRUE(Write(frame));
    EXPECT_EQ(reader.Requests().size(), 1u);
}

}  // namespace
