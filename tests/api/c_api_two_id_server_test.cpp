#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/error_codes.h"
#include "host_texts.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/servers/photo_decoder_server.h"
#include "sim/servers/two_id_server_box.h"
#include "sim_fixture/sim_handle_bench.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Answer = TwoIdServerBox::Answer;
using Export = std::function<int(int handle, const char* host, int port)>;

struct ExportCase {
    const char* name;
    std::uint8_t command;
    int nullHandle;  // result for handle 0
    int success;     // result against a box that answers 6 bytes
    Export run;
};

std::vector<ExportCase> Cases(unsigned char* buffer, KorviCardAppConfig* config, char* text,
                              SamvLastErrorInfo* info, SamvTimeInfoEntry* items) {
    static const unsigned char kBlock[16] = {};
    return {
        {"check status", 52, 0, 1,
         [](int h, const char* a, int p) { return KorviCardGetSamvCheckStatusByServer(h, a, p); }},
        {"manager message", 53, 0, 1,
         [=](int h, const char* a, int p) {
             return KorviCardGetSamvManagerMessageByServer(h, a, p, text, 64);
         }},
        {"wait time", 54, 0, 1,
         [=](int h, const char* a, int p) {
             return KorviCardGetSamvWaitTimeByInterval(h, a, p, buffer, 64);
         }},
        {"last error", 55, 0, 1,
         [=](int h, const char* a, int p) { return KorviCardGetSamvLastErrorInfo(h, a, p, info); }},
        {"time info", 61, 0, 1,
         [=](int h, const char* a, int p) {
             return KorviCardGetSamvSendReceivTimeInfo(h, a, p, items, 80);
         }},
        {"reset PSAM", 64, -1, 6,
         [=](int h, const char* a, int p) { return KorviCardResetPsamByServer(h, a, p, buffer, 64); }},
        {"PSAM command", 65, -1, 6,
         [=](int h, const char* a, int p) {
             return KorviCardPsamCommandByServer(h, a, p, buffer, 5, 64);
         }},
        {"MAC address", 66, -1, 6,
         [=](int h, const char* a, int p) {
             return KorviCardGetTwoIdServerMacAddress(h, a, p, buffer, 64);
         }},
        {"MCU serial", 67, -1, 6,
         [=](int h, const char* a, int p) {
             return KorviCardGetTwoIdServerMcuSerialNo(h, a, p, buffer, 64);
         }},
        {"set config", 73, -1, 6,
         [=](int h, const char* a, int p) { return KorviCardSetTwoIdServerAppConfig(h, a, p, config); }},
        {"get config", 74, -1, 6,
         [=](int h, const char* a, int p) { return KorviCardGetTwoIdServerAppConfig(h, a, p, config); }},
        {"clear config", 75, -1, 1,
         [=](int h, const char* a, int p) {
             return KorviCardClearTwoIdServerAppConfig(h, a, p, config);
         }},
        {"change password", 76, -1, 1,
         [](int h, const char* a, int p) {
             return KorviCardChangeTwoIdServerAppConfigPassword(h, a, p, "old", "new");
         }},
        {"power", 77, -1, 1,
         [](int h, const char* a, int p) { return KorviCardPowerOnOffOtherDevice(h, a, p, 1, kBlock); }},
        {"LED", 79, -1, 1,
         [](int h, const char* a, int p) { return KorviCardSamvLedOnOff(h, a, p, 1); }},
    };
}

class TwoIdServerExportsTest : public ::testing::Test {
protected:
    SimHandleBench bench;
    TwoIdServerBox box{"127.0.0.44"};
    std::array<unsigned char, 64> buffer{};
    KorviCardAppConfig config{};
    char text[64] = {};
    SamvLastErrorInfo info{};
    std::array<SamvTimeInfoEntry, 80> items{};
    std::vector<ExportCase> cases =
        Cases(buffer.data(), &config, text, &info, items.data());
};

TEST_F(TwoIdServerExportsTest, ExportsReachTheBoxAndReturnTheOperationsResult) {
    box.SetHandler([](const TwoIdServerBox::Request&) {
        return Answer::Reply(0, {1, 2, 3, 4, 5, 6});
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(bench.handle, box.Address().c_str(), box.Port()), c.success);
        EXPECT_EQ(box.Requests().back().command, c.command);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 0);
    }
}

TEST_F(TwoIdServerExportsTest, NullHandleAndFailedExchange) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(0, box.Address().c_str(), box.Port()), c.nullHandle);
    }
    EXPECT_EQ(box.Connections(), 0);
    box.SetHandler([](const TwoIdServerBox::Request&) { return Answer::Raw({0x10, 0, 0}); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(bench.handle, box.Address().c_str(), box.Port()), c.nullHandle);
    }
}

// Every export that takes only a dotted address: a text that is none fails at once and
// the box sees no connection.
TEST_F(TwoIdServerExportsTest, OnlyADottedAddressConnects) {
    box.SetHandler([](const TwoIdServerBox::Request&) {
        return Answer::Reply(0, {1, 2, 3, 4, 5, 6});
    });
    for (const api_test::HostText& host : api_test::HostTextsAround(box.Address())) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + host.what + " \"" + host.text + '"');
            const int before = box.Connections();
            const int result = c.run(bench.handle, host.text.c_str(), box.Port());
            if (host.address) {
                EXPECT_EQ(result, c.success);
                EXPECT_EQ(box.Connections(), before + 1);
                continue;
            }
            EXPECT_EQ(result, 0);
            EXPECT_EQ(box.Connections(), before);
            // An empty host sends the last-error export to the stored address: none is stored.
            const bool stored = c.command == 55 && host.text.empty();
            EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle),
                      stored ? TIEC_NO_ERROR : TIEC_IPADDRESS);
        }
    }
}

Bytes Counting(std::size_t n) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i + 1);
    return bytes;
}

// An answer longer than the caller's buffer is no success: the export fails with the
// command's error code and the buffer holds what fits, nothing past it.
TEST_F(TwoIdServerExportsTest, AnAnswerLongerThanTheBufferFailsAndKeepsWhatFits) {
    using Copy = std::function<int(int, const char*, int, unsigned char* out, int room)>;
    struct Trial {
        std::size_t answer;
        int room;
        int result;
    };
    auto config = [](unsigned char* out) { return reinterpret_cast<KorviCardAppConfig*>(out); };
    const struct {
        const char* name;
        int code;
        Copy run;
        std::vector<Trial> trials;
    } cases[] = {
        {"reset PSAM",
         TIEC_RESET_PSAM,
         [](int h, const char* a, int p, unsigned char* out, int room) {
             return KorviCardResetPsamByServer(h, a, p, out, room);
         },
         {{12, 12, 12}, {12, 7, -1}, {12, 1, -1}, {11, 12, 11}}},
        {"PSAM command",
         TIEC_RESET_PSAM,
         [](int h, const char* a, int p, unsigned char* out, int room) {
             return KorviCardPsamCommandByServer(h, a, p, out, 1, room);
         },
         {{12, 12, 12}, {12, 7, -1}, {12, 1, -1}}},
        {"MAC address",
         TIEC_RESET_PSAM,
         [](int h, const char* a, int p, unsigned char* out, int room) {
             return KorviCardGetTwoIdServerMacAddress(h, a, p, out, room);
         },
         {{6, 6, 6}, {7, 6, -1}}},
        {"MCU serial",
         TIEC_RESET_PSAM,
         [](int h, const char* a, int p, unsigned char* out, int room) {
             return KorviCardGetTwoIdServerMcuSerialNo(h, a, p, out, room);
         },
         {{12, 12, 12}, {13, 12, -1}}},
        {"get config",
         TIEC_GET_APP_CONFIG,
         [&](int h, const char* a, int p, unsigned char* out, int) {
             return KorviCardGetTwoIdServerAppConfig(h, a, p, config(out));
         },
         {{120, 120, 120}, {121, 120, -1}}},
        {"set config",
         TIEC_SET_APP_CONFIG,
         [&](int h, const char* a, int p, unsigned char* out, int) {
             return KorviCardSetTwoIdServerAppConfig(h, a, p, config(out));
         },
         {{120, 120, 120}, {121, 120, -1}}},
        {"wait time",
         TIEC_SAMV_MANAGER_MESSAGE,
         [](int h, const char* a, int p, unsigned char* out, int room) {
             return KorviCardGetSamvWaitTimeByInterval(h, a, p, out, room);
         },
         {{12, 12, 1}, {12, 7, 0}, {12, 0, 0}}},
    };
    for (const auto& c : cases) {
        for (const Trial& t : c.trials) {
            SCOPED_TRACE(std::string(c.name) + ": " + std::to_string(t.answer) + " bytes into " +
                         std::to_string(t.room));
            const Bytes answer = Counting(t.answer);
            box.SetHandler(
                [answer](const TwoIdServerBox::Request&) { return Answer::Reply(0, answer); });
            // Its own allocation, so the sanitizer also sees a write past the guard byte.
            Bytes out(static_cast<std::size_t>(t.room) + 1, 0xEE);
            EXPECT_EQ(c.run(bench.handle, box.Address().c_str(), box.Port(), out.data(), t.room),
                      t.result);
            const std::size_t kept = std::min(t.answer, static_cast<std::size_t>(t.room));
            EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(kept)),
                      Bytes(answer.begin(), answer.begin() + static_cast<long>(kept)));
            EXPECT_EQ(out.back(), 0xEE);
            const bool whole = t.answer <= static_cast<std::size_t>(t.room);
            EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), whole ? 0 : c.code);
        }
    }
}

// The two copies into records of the caller: time entries (at least 80) and the manager
// message text (up to 44 characters with the widest values).
TEST_F(TwoIdServerExportsTest, TimeEntriesAndManagerTextThatDoNotFitFail) {
    for (int values : {80, 81}) {
        SCOPED_TRACE(std::to_string(values) + " time values");
        box.SetHandler([values](const TwoIdServerBox::Request&) {
            return Answer::Reply(0, Bytes(static_cast<std::size_t>(values) * 4, 0x81));
        });
        std::vector<SamvTimeInfoEntry> entries(81, SamvTimeInfoEntry{5, 5});
        EXPECT_EQ(KorviCardGetSamvSendReceivTimeInfo(bench.handle, box.Address().c_str(),
                                                     box.Port(), entries.data(), 80),
                  values <= 80 ? 1 : 0);
        EXPECT_EQ(entries[79].nDirection, 1);
        EXPECT_EQ(entries[79].unTimeStamp, 0x01818181u);
        EXPECT_EQ(entries[80].nDirection, 5);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle),
                  values <= 80 ? 0 : TIEC_GET_SAMV_LAST_ERROR);
    }
    box.SetHandler(
        [](const TwoIdServerBox::Request&) { return Answer::Reply(0, Bytes(27, 0xFF)); });
    const std::string widest = "65535.65535-4294967295-4294967295-4294967295";
    for (int size : {37, 44, 45}) {
        SCOPED_TRACE(std::to_string(size) + "-byte text");
        std::string text(static_cast<std::size_t>(size) + 1, 'x');
        const bool fits = size > static_cast<int>(widest.size());
        EXPECT_EQ(KorviCardGetSamvManagerMessageByServer(bench.handle, box.Address().c_str(),
                                                         box.Port(), text.data(), size),
                  fits ? 1 : 0);
        EXPECT_EQ(std::string(text.c_str()), widest.substr(0, static_cast<std::size_t>(size) - 1));
        EXPECT_EQ(text.back(), 'x');
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), fits ? 0 : TIEC_SAMV_MANAGER_MESSAGE);
    }
}

TEST_F(TwoIdServerExportsTest, PhotoDecoderExport) {
    PhotoDecoderServer decoder("127.0.0.49");
    auto record = std::make_unique<TwoIdInfoParam>();
    std::memset(record->arrTwoIdPhoto, 0x3C, sizeof record->arrTwoIdPhoto);
    EXPECT_EQ(KorviCardWlDecodeByServer(0, "127.0.0.49", record.get()), 0);
    EXPECT_EQ(decoder.Requests(), 0);
    EXPECT_EQ(KorviCardWlDecodeByServer(bench.handle, "127.0.0.49", record.get()), 1);
    const Bytes expected = PhotoDecoderServer::PictureFor(Bytes(1024, 0x3C));
    EXPECT_EQ(Bytes(record->arrTwoIdPhotoJpeg,
                    record->arrTwoIdPhotoJpeg + record->unTwoIdPhotoJpegLength),
              expected);
    EXPECT_EQ(KorviCardWlDecodeByServer(bench.handle, "127.0.0.50", record.get()), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), TIEC_CONNECT_WL_DECODER_SERVER);
}

TEST_F(TwoIdServerExportsTest, SettingsAndTheResetStub) {
    EXPECT_EQ(KorviCardResetMcuByServer(bench.handle, box.Address().c_str(), box.Port()), 0);
    EXPECT_EQ(KorviCardResetSamvByServer(bench.handle, box.Address().c_str(), box.Port()), 0);
    EXPECT_EQ(box.Connections(), 0);
    std::vector<unsigned char> photo(38862);
    EXPECT_EQ(KorviCardSetIdPhotoAddress(0, photo.data(), 38862, 1), 0);
    EXPECT_EQ(KorviCardSetIdPhotoAddress(bench.handle, photo.data(), 100, 1), 0);
    EXPECT_EQ(KorviCardSetIdPhotoAddress(bench.handle, photo.data(), 38862, 7), 1);
}

}  // namespace
