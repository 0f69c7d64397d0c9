#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/servers/two_id_server_box.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Answer = TwoIdServerBox::Answer;

const Bytes kSamFailure = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x41, 0x45};

Bytes Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes Counting(std::size_t n, std::uint8_t from = 1) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(from + i);
    return b;
}

class ServerCommandsTest : public ::testing::Test {
protected:
    TwoIdServerBox box{"127.0.0.42"};
    ReaderSession session;
    const char* host() const { return box.Address().c_str(); }

    void Answering(Answer answer) {
        box.SetHandler([answer](const TwoIdServerBox::Request&) { return answer; });
    }
};

// An operation run against the box; returns the operation's result as an int.
using Operation = std::function<int(ReaderSession&, const char* host, int port)>;

TEST_F(ServerCommandsTest, EachCommandSendsItsCodeAndPayloadAndCopiesTheAnswer) {
    std::uint8_t buffer[64] = {};
    auto config = std::make_unique<KorviCardAppConfig>();
    const std::uint8_t block[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    Bytes passwords(32, 0);
    std::memcpy(passwords.data(), "old", 3);
    std::memcpy(passwords.data() + 16, "a-new-password-1", 16);
    Bytes power = Le32(1);
    power.insert(power.end(), block, block + 16);
    power.resize(32);
    Bytes led = Le32(0x0102);
    led.resize(32);
    const Bytes apdu = {0x00, 0x84, 0x00, 0x00, 0x08};
    const struct {
        const char* name;
        std::uint8_t command;
        Bytes sent;
        Bytes answer;
        int result;
        Operation run;
        // Where the answer's first `result` bytes must land, for the commands that copy it.
        const std::uint8_t* out = nullptr;
    } cases[] = {
        {"check status", 52, {}, {}, 1,
         [](ReaderSession& s, const char* h, int p) { return int(s.GetSamvCheckStatusByServer(h, p)); }},
        {"wait time", 54, {}, Counting(10), 1,
         [&](ReaderSession& s, const char* h, int p) {
             return int(s.GetSamvWaitTimeByInterval(h, p, buffer, 10));
         }},
        {"reset PSAM", 64, {}, Counting(8), 8,
         [&](ReaderSession& s, const char* h, int p) { return s.ResetPsamByServer(h, p, buffer, 8); },
         buffer},
        {"PSAM command", 65, apdu, {0x11, 0x22, 0x90, 0x00}, 4,
         [&](ReaderSession& s, const char* h, int p) {
             std::memcpy(buffer, apdu.data(), apdu.size());
             return s.PsamCommandByServer(h, p, buffer, 5, 64);
         },
         buffer},
        {"MAC address", 66, {}, Counting(6), 6,
         [&](ReaderSession& s, const char* h, int p) {
             return s.GetTwoIdServerMacAddress(h, p, buffer, 6);
         },
         buffer},
        {"MCU serial", 67, {}, Counting(12), 12,
         [&](ReaderSession& s, const char* h, int p) {
             return s.GetTwoIdServerMcuSerialNo(h, p, buffer, 64);
         },
         buffer},
        {"set config", 73, Bytes(120, 0x5C), Counting(120), 120,
         [&](ReaderSession& s, const char* h, int p) {
             std::memset(config.get(), 0x5C, sizeof *config);
             return s.SetTwoIdServerAppConfig(h, p, config.get());
         },
         reinterpret_cast<const std::uint8_t*>(config.get())},
        {"get config", 74, {}, Counting(40), 40,
         [&](ReaderSession& s, const char* h, int p) {
             return s.GetTwoIdServerAppConfig(h, p, config.get());
         },
         reinterpret_cast<const std::uint8_t*>(config.get())},
        {"clear config", 75, Bytes(120, 0x00), {}, 1,
         [&](ReaderSession& s, const char* h, int p) {
             std::memset(config.get(), 0, sizeof *config);
             return s.ClearTwoIdServerAppConfig(h, p, config.get());
         }},
        {"change password", 76, passwords, {}, 1,
         [](ReaderSession& s, const char* h, int p) {
             return s.ChangeTwoIdServerAppConfigPassword(h, p, "old",
                                                         "a-new-password-1-and-more");
         }},
        {"power other device", 77, power, {}, 1,
         [&](ReaderSession& s, const char* h, int p) {
             return s.PowerOnOffOtherDevice(h, p, 1, block);
         }},
        {"LED", 79, led, {}, 1,
         [](ReaderSession& s, const char* h, int p) { return s.SamvLedOnOff(h, p, 0x0102); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(buffer, 0, sizeof buffer);
        Answering(Answer::Reply(0, c.answer));
        const std::size_t before = box.Requests().size();
        session.SetTwoIdErrorCode(99);
        EXPECT_EQ(c.run(session, host(), box.Port()), c.result);
        EXPECT_EQ(session.GetTwoIdErrorCode(), 0);
        const auto requests = box.Requests();
        ASSERT_EQ(requests.size(), before + 1);
        EXPECT_EQ(requests.back().command, c.command);
        EXPECT_EQ(requests.back().parameters, (std::array<std::uint8_t, 8>{}));
        EXPECT_EQ(requests.back().payload, c.sent);
        EXPECT_FALSE(session.serverClient.IsConnected());
        if (c.out != nullptr) {
            EXPECT_EQ(Bytes(c.out, c.out + c.result),
                      Bytes(c.answer.begin(), c.answer.begin() + c.result));
        }
    }
}

TEST_F(ServerCommandsTest, FailedReplySetsTheCommandsErrorCode) {
    std::uint8_t buffer[64];
    auto config = std::make_unique<KorviCardAppConfig>();
    SamvLastErrorInfo info{};
    std::vector<SamvTimeInfoEntry> items(80);
    char text[64];
    const std::uint8_t block[16] = {};
    const struct {
        const char* name;
        int code;
        int failure;
        Operation run;
    } cases[] = {
        {"check status", TIEC_SAMV_RESET_ERROR, 0,
         [](ReaderSession& s, const char* h, int p) { return int(s.GetSamvCheckStatusByServer(h, p)); }},
        {"manager message", TIEC_SAMV_MANAGER_MESSAGE, 0,
         [&](ReaderSession& s, const char* h, int p) {
             return int(s.GetSamvManagerMessageByServer(h, p, text, 64));
         }},
        {"wait time", TIEC_SAMV_MANAGER_MESSAGE, 0,
         [&](ReaderSession& s, const char* h, int p) {
             return int(s.GetSamvWaitTimeByInterval(h, p, buffer, 64));
         }},
        {"last error", TIEC_GET_SAMV_LAST_ERROR, 0,
         [&](ReaderSession& s, const char* h, int p) { return int(s.GetSamvLastErrorInfo(h, p, &info)); }},
        {"time info", TIEC_GET_SAMV_LAST_ERROR, 0,
         [&](ReaderSession& s, const char* h, int p) {
             return int(s.GetSamvSendReceivTimeInfo(h, p, items.data(), 80));
         }},
        {"reset PSAM", TIEC_RESET_PSAM, -1,
         [&](ReaderSession& s, const char* h, int p) { return s.ResetPsamByServer(h, p, buffer, 64); }},
        {"MCU serial", TIEC_RESET_PSAM, -1,
         [&](ReaderSession& s, const char* h, int p) {
             return s.GetTwoIdServerMcuSerialNo(h, p, buffer, 64);
         }},
        {"set config", TIEC_SET_APP_CONFIG, -1,
         [&](ReaderSession& s, const char* h, int p) {
             return s.SetTwoIdServerAppConfig(h, p, config.get());
         }},
        {"get config", TIEC_GET_APP_CONFIG, -1,
         [&](ReaderSession& s, const char* h, int p) {
             return s.GetTwoIdServerAppConfig(h, p, config.get());
         }},
        {"clear config", TIEC_CLEAR_APP_CONFIG, -1,
         [&](ReaderSession& s, const char* h, int p) {
             return s.ClearTwoIdServerAppConfig(h, p, config.get());
         }},
        {"change password", TIEC_CHANGE_APP_CONFIG_PASSWORD, -1,
         [](ReaderSession& s, const char* h, int p) {
             return s.ChangeTwoIdServerAppConfigPassword(h, p, "a", "b");
         }},
        {"power", TIEC_POWER_ON_OFF, -1,
         [&](ReaderSession& s, const char* h, int p) { return s.PowerOnOffOtherDevice(h, p, 0, block); }},
        {"LED", TIEC_LED_ON_OFF, -1,
         [](ReaderSession& s, const char* h, int p) { return s.SamvLedOnOff(h, p, 1); }},
    };
    const Answer broken[] = {Answer::Reply(0, kSamFailure), Answer::Raw(Le32(9000)),
                             Answer::Raw({0x20, 0x00, 0x00, 0x00, 1, 2, 3})};
    for (const auto& answer : broken) {
        Answering(answer);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(c.run(session, host(), box.Port()), c.failure);
            EXPECT_EQ(session.GetTwoIdErrorCode(), c.code);
            EXPECT_FALSE(session.serverClient.IsConnected());
        }
    }

    // Nothing listening: connect error, same results.
    int deadPort = 0;
    {
        TwoIdServerBox gone("127.0.0.43");
        deadPort = gone.Port();
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(session, "127.0.0.43", deadPort), c.failure);
        EXPECT_EQ(session.GetTwoIdErrorCode(), TIEC_CONNECT_SERVER);
    }
    // Not a dotted address: 0, no lookup, nothing sent.
    const std::size_t sent = box.Requests().size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(session, "localhost", box.Port()), 0);
        EXPECT_EQ(session.GetTwoIdErrorCode(), TIEC_IPADDRESS);
    }
    EXPECT_EQ(box.Requests().size(), sent);
}

TEST_F(ServerCommandsTest, MissingOrShortOutputsFailBeforeConnecting) {
    std::uint8_t buffer[16];
    std::vector<SamvTimeInfoEntry> items(80);
    const struct {
        const char* name;
        int failure;
        Operation run;
    } cases[] = {
        {"MAC into 5 bytes", -1,
         [&](ReaderSession& s, const char* h, int p) { return s.GetTwoIdServerMacAddress(h, p, buffer, 5); }},
        {"MCU serial into 11 bytes", -1,
         [&](ReaderSession& s, const char* h, int p) { return s.GetTwoIdServerMcuSerialNo(h, p, buffer, 11); }},
        {"reset PSAM into null", -1,
         [](ReaderSession& s, const char* h, int p) { return s.ResetPsamByServer(h, p, nullptr, 16); }},
        {"PSAM command of 0 bytes", -1,
         [&](ReaderSession& s, const char* h, int p) { return s.PsamCommandByServer(h, p, buffer, 0, 16); }},
        {"PSAM command past the message buffer", -1,
         [&](ReaderSession& s, const char* h, int p) {
             return s.PsamCommandByServer(h, p, buffer, 8192 - 23, 16);
         }},
        {"config null", -1,
         [](ReaderSession& s, const char* h, int p) { return s.GetTwoIdServerAppConfig(h, p, nullptr); }},
        {"password null", -1,
         [](ReaderSession& s, const char* h, int p) {
             return s.ChangeTwoIdServerAppConfigPassword(h, p, nullptr, "x");
         }},
        {"power block null", -1,
         [](ReaderSession& s, const char* h, int p) { return s.PowerOnOffOtherDevice(h, p, 1, nullptr); }},
        {"79 time items", 0,
         [&](ReaderSession& s, const char* h, int p) {
             return int(s.GetSamvSendReceivTimeInfo(h, p, items.data(), 79));
         }},
        {"last error into null", 0,
         [](ReaderSession& s, const char* h, int p) { return int(s.GetSamvLastErrorInfo(h, p, nullptr)); }},
        {"reset MCU", 0,
         [](ReaderSession& s, const char* h, int p) { return int(s.ResetMcuByServer(h, p)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(session, host(), box.Port()), c.failure);
        EXPECT_EQ(session.GetTwoIdErrorCode(), 0);
    }
    EXPECT_EQ(box.Connections(), 0);
}

TEST_F(ServerCommandsTest, ManagerMessageIsFormattedFromA27ByteAnswerOnly) {
    Bytes answer(27, 0);
    const Bytes fields[] = {{0x07, 0x00}, {0x03, 0x00}, Le32(12345678), Le32(4000000000u),
                            Le32(42)};
    std::size_t at = 10;
    for (const auto& f : fields) {
        std::copy(f.begin(), f.end(), answer.begin() + static_cast<long>(at));
        at += f.size();
    }
    char text[64];
    std::memset(text, 'x', sizeof text);
    Answering(Answer::Reply(0, answer));
    EXPECT_TRUE(session.GetSamvManagerMessageByServer(host(), box.Port(), text, 64));
    EXPECT_STREQ(text, "07.03-12345678-4000000000-0000000042");

    const struct {
        std::size_t length;
        int size;
    } untouched[] = {{30, 64}, {27, 36}};
    for (const auto& u : untouched) {
        std::memset(text, 'x', sizeof text);
        Answering(Answer::Reply(0, Bytes(u.length, 1)));
        EXPECT_TRUE(session.GetSamvManagerMessageByServer(host(), box.Port(), text, u.size));
        EXPECT_EQ(text[0], 'x');
    }
    // The widest values make 44 characters: cut to a smaller text they fail, what fits kept.
    Answering(Answer::Reply(0, Bytes(27, 0xFF)));
    const std::string widest = "65535.65535-4294967295-4294967295-4294967295";
    std::memset(text, 'x', sizeof text);
    EXPECT_FALSE(session.GetSamvManagerMessageByServer(host(), box.Port(), text, 37));
    EXPECT_EQ(session.GetTwoIdErrorCode(), TIEC_SAMV_MANAGER_MESSAGE);
    EXPECT_EQ(std::string(text), widest.substr(0, 36));
    EXPECT_EQ(text[37], 'x');
    EXPECT_TRUE(session.GetSamvManagerMessageByServer(host(), box.Port(), text, 45));
    EXPECT_EQ(std::string(text), widest);
}

TEST_F(ServerCommandsTest, LastErrorInfoUsesTheStoredAddressForAnEmptyHost) {
    SamvLastErrorInfo info;
    Answering(Answer::Reply(0, Counting(200)));
    ASSERT_TRUE(session.SetIdServerAddress("1.2", box.Port()));
    EXPECT_FALSE(session.GetSamvLastErrorInfo("", 0, &info));
    EXPECT_EQ(box.Connections(), 0);

    ASSERT_TRUE(session.SetIdServerAddress(host(), box.Port()));
    std::memset(&info, 0xEE, sizeof info);
    EXPECT_TRUE(session.GetSamvLastErrorInfo(nullptr, 0, &info));
    EXPECT_EQ(std::memcmp(&info, Counting(156).data(), 156), 0);
    ASSERT_EQ(box.Requests().size(), 1u);
    EXPECT_EQ(box.Requests()[0].command, 55);

    // A short answer fills what it has and zeroes the rest.
    Answering(Answer::Reply(0, Counting(8)));
    EXPECT_TRUE(session.GetSamvLastErrorInfo(host(), box.Port(), &info));
    EXPECT_EQ(info.arrLastCommand[4], 0);
}

TEST_F(ServerCommandsTest, TimeInfoSplitsDirectionBitAndTime) {
    Bytes answer = Le32(0x80000010u);
    for (auto v : Le32(0x7FFFFFFFu)) answer.push_back(v);
    std::vector<SamvTimeInfoEntry> items(80, SamvTimeInfoEntry{5, 5});
    Answering(Answer::Reply(0, answer));
    EXPECT_TRUE(session.GetSamvSendReceivTimeInfo(host(), box.Port(), items.data(), 80));
    EXPECT_EQ(items[0].nDirection, 1);
    EXPECT_EQ(items[0].unTimeStamp, 0x10u);
    EXPECT_EQ(items[1].nDirection, 0);
    EXPECT_EQ(items[1].unTimeStamp, 0x7FFFFFFFu);
    EXPECT_EQ(items[2].nDirection, 5);
}

TEST(ServerSettings, AddressPhotoBufferAndPhoneIdentity) {
    ReaderSession session;
    EXPECT_FALSE(session.SetIdServerAddress(nullptr, 1));
    EXPECT_FALSE(session.SetIdServerAddress("127.0.0.1", 0));
    const std::string longest = std::string(22, '0') + "127.0.0.1";
    EXPECT_TRUE(session.SetIdServerAddress(longest.c_str(), 7000));
    EXPECT_EQ(std::string(session.idServerAddress.data()), longest);
    EXPECT_EQ(session.idServerPort, 7000);
    // One character more and the text is not stored: cut, it would name another address.
    EXPECT_FALSE(session.SetIdServerAddress((longest + "5").c_str(), 7001));
    EXPECT_STREQ(session.idServerAddress.data(), "");
    EXPECT_EQ(session.idServerPort, 7000);

    std::vector<std::uint8_t> photo(38862);
    EXPECT_FALSE(session.SetIdPhotoAddress(photo.data(), 38861, 1));
    EXPECT_TRUE(session.SetIdPhotoAddress(photo.data(), 38862, 0));
    EXPECT_EQ(session.idPhotoBuffer, photo.data());
    EXPECT_EQ(session.idPhotoFlag, 0);
    EXPECT_TRUE(session.SetIdPhotoAddress(nullptr, 0, 1));
    EXPECT_EQ(session.idPhotoBuffer, nullptr);

    const Bytes identity = Counting(160);
    session.SetPhoneIdentity(nullptr);
    session.SetPhoneIdentity(identity.data());
    EXPECT_EQ(Bytes(session.phoneIdentity.begin(), session.phoneIdentity.end()), identity);
}

}  // namespace
