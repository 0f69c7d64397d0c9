#include "core/identity/two_id_server_message.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/servers/two_id_server_box.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kSamSuccess = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x90, 0x94};
const Bytes kSamFailure = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x41, 0x45};

Bytes LengthHeader(std::uint32_t total) {
    return {static_cast<std::uint8_t>(total), static_cast<std::uint8_t>(total >> 8),
            static_cast<std::uint8_t>(total >> 16), static_cast<std::uint8_t>(total >> 24)};
}

// One request sent to the box and one reply received, with a real connection each time.
class ServerMessageTest : public ::testing::Test {
protected:
    TwoIdServerBox box{"127.0.0.41"};
    TcpClient client;
    std::array<std::uint8_t, kServerBufferSize> work{};
    std::array<std::uint8_t, kServerMessageKeySize> key{};
    std::uint8_t parameters[kServerParameterBlockSize] = {1, 2, 3, 4, 5, 6, 7, 8};

    void SetUp() override {
        MakeServerMessageKey(key.data());
        ASSERT_TRUE(client.Connect(box.Address().c_str(), box.Port(), 1));
        client.SetReceiveTimeoutMs(500);
    }

    bool Send(std::uint8_t command, const Bytes& payload) {
        std::size_t length = 0;
        return SendServerRequest(&client, command, key.data(), parameters, payload.data(),
                                 payload.size(), work, &length, true) &&
               length == kServerRequestHeaderSize + payload.size();
    }

    // Sends command 52, answered by answer; receives into the session-sized buffer.
    bool Exchange(const TwoIdServerBox::Answer& answer, std::int32_t* status, std::size_t* length,
                  TwoIdInfoParam* record = nullptr, bool keepJpeg = false) {
        box.SetHandler([answer](const TwoIdServerBox::Request&) { return answer; });
        if (!Send(52, {})) return false;
        return ReceiveServerReply(&client, status, work, work.data(), length, record, keepJpeg);
    }
};

TEST_F(ServerMessageTest, RequestsArriveAsTheBoxDecodesThem) {
    Bytes big(8192 - kServerRequestHeaderSize);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
    const struct {
        std::uint8_t command;
        Bytes payload;
    } cases[] = {{52, {}}, {65, {0x00, 0x84, 0x00, 0x00, 0x08}}, {73, Bytes(120, 0x5A)}, {65, big}};
    client.Close();
    for (const auto& c : cases) {
        TcpClient each;
        ASSERT_TRUE(each.Connect(box.Address().c_str(), box.Port(), 1));
        std::size_t length = 0;
        ASSERT_TRUE(SendServerRequest(&each, c.command, key.data(), parameters, c.payload.data(),
                                      c.payload.size(), work, &length, true));
        each.SetReceiveTimeoutMs(500);
        std::uint8_t drain[16];
        each.Receive(drain, 16);
        each.Close();
    }
    const auto requests = box.Requests();
    ASSERT_EQ(requests.size(), std::size(cases));
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const auto& r = requests[i];
        EXPECT_EQ(r.length, 24 + cases[i].payload.size());
        EXPECT_EQ(r.command, cases[i].command);
        EXPECT_EQ(r.wire[12], cases[i].command ^ key[0]);
        EXPECT_EQ(r.key, key);
        EXPECT_EQ(r.reserved, (std::array<std::uint8_t, 3>{0, 0, 0}));
        EXPECT_EQ(r.parameters, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(r.payload, cases[i].payload);
    }
}

TEST_F(ServerMessageTest, KeyIsEightLowerCaseHexDigitsFreshEachTime) {
    std::array<std::uint8_t, kServerMessageKeySize> other{};
    MakeServerMessageKey(other.data());
    EXPECT_NE(key, other);
    for (std::uint8_t c : key) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << c;
}

TEST_F(ServerMessageTest, BuildRefusesMissingPartsAndOversizedPayloads) {
    std::size_t length = 0;
    const std::uint8_t one = 1;
    Bytes tooBig(kServerBufferSize - kServerRequestHeaderSize + 1);
    EXPECT_FALSE(SendServerRequest(nullptr, 52, key.data(), parameters, nullptr, 0, work, &length,
                                   false));
    EXPECT_FALSE(SendServerRequest(&client, 52, nullptr, parameters, nullptr, 0, work, &length,
                                   false));
    EXPECT_FALSE(SendServerRequest(&client, 52, key.data(), nullptr, nullptr, 0, work, &length,
                                   false));
    EXPECT_FALSE(SendServerRequest(&client, 52, key.data(), parameters, nullptr, 1, work, &length,
                                   false));
    EXPECT_FALSE(SendServerRequest(&client, 52, key.data(), parameters, tooBig.data(),
                                   tooBig.size(), work, &length, false));
    EXPECT_TRUE(SendServerRequest(&client, 52, key.data(), parameters, &one, 1, work, &length,
                                  false));
    EXPECT_EQ(length, 25u);
}

TEST_F(ServerMessageTest, RepliesAreUnscrambledAndClassified) {
    const struct {
        const char* name;
        std::int32_t status;
        Bytes payload;
        bool ok;
    } cases[] = {
        {"empty payload", 7, {}, true},
        {"plain payload", -3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, true},
        {"SAM success answer", 0, kSamSuccess, true},
        {"SAM failing short answer", 0, kSamFailure, false},
        {"short head alone", 0, Bytes(kSamSuccess.begin(), kSamSuccess.begin() + 7), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        client.Close();
        ASSERT_TRUE(client.Connect(box.Address().c_str(), box.Port(), 1));
        client.SetReceiveTimeoutMs(500);
        std::int32_t status = 99;
        std::size_t length = work.size();
        EXPECT_EQ(Exchange(TwoIdServerBox::Answer::Reply(c.status, c.payload), &status, &length), c.ok);
        EXPECT_EQ(length, c.payload.size());
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(Bytes(work.begin(), work.begin() + static_cast<long>(c.payload.size())),
                  c.payload);
    }
}

TEST_F(ServerMessageTest, FailingSamAnswerIsKeptAsJpegWhenAsked) {
    auto record = std::make_unique<TwoIdInfoParam>();
    std::int32_t status = 0;
    std::size_t length = work.size();
    EXPECT_FALSE(Exchange(TwoIdServerBox::Answer::Reply(0, kSamFailure), &status, &length, record.get(), true));
    EXPECT_EQ(record->unTwoIdPhotoJpegLength, static_cast<std::int32_t>(kSamFailure.size()));
    EXPECT_EQ(std::memcmp(record->arrTwoIdPhotoJpeg, kSamFailure.data(), kSamFailure.size()), 0);
}

TEST_F(ServerMessageTest, LongFailingSamAnswerIsKeptOnlyUpToTheJpegField) {
    auto record = std::make_unique<TwoIdInfoParam>();
    Bytes payload(6000, 0x33);
    std::copy(kSamFailure.begin(), kSamFailure.end(), payload.begin());
    std::int32_t status = 0;
    std::size_t length = work.size();
    EXPECT_FALSE(Exchange(TwoIdServerBox::Answer::Reply(0, payload), &status, &length, record.get(), true));
    EXPECT_EQ(record->unTwoIdPhotoJpegLength,
              static_cast<std::int32_t>(sizeof record->arrTwoIdPhotoJpeg));
}

TEST_F(ServerMessageTest, BrokenRepliesFailWithoutOverrun) {
    const Bytes full = TwoIdServerBox::BuildReply({'k', 'e', 'y', 'k', 'e', 'y', '0', '1'}, 0,
                                                  Bytes(24, 0x11));
    auto concat = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* name;
        Bytes raw;
    } cases[] = {
        {"closed before the length", {}},
        {"closed inside the length", {0x28, 0x00}},
        {"closed mid-message", Bytes(full.begin(), full.begin() + 20)},
        {"length below the reply header", concat(LengthHeader(15), Bytes(11, 0))},
        {"length past the 8192-byte buffer", concat(LengthHeader(8193), Bytes(8189, 0))},
        {"length of 4 GiB", concat(LengthHeader(0xFFFFFFFFu), Bytes(64, 0))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        client.Close();
        ASSERT_TRUE(client.Connect(box.Address().c_str(), box.Port(), 1));
        client.SetReceiveTimeoutMs(500);
        std::int32_t status = 0;
        std::size_t length = work.size();
        EXPECT_FALSE(Exchange(TwoIdServerBox::Answer::Raw(c.raw), &status, &length));
    }
}

TEST_F(ServerMessageTest, ReplyLargerThanTheCallersCapacityFails) {
    std::int32_t status = 0;
    std::size_t length = 15;  // the capacity must hold all L - 4 bytes after the length
    EXPECT_FALSE(Exchange(TwoIdServerBox::Answer::Reply(0, Bytes(4, 0x22)), &status, &length));
}

TEST_F(ServerMessageTest, SilentBoxTimesOutWithinTheReceiveTimeout) {
    std::int32_t status = 0;
    std::size_t length = work.size();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Exchange(TwoIdServerBox::Answer::Silent(), &status, &length));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

}  // namespace
