#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/error_codes.h"
#include "host_texts.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_responder.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim/servers/dispatch_server.h"
#include "sim_fixture/sim_handle_bench.h"

// The identity card read through the dispatch server and the identity server it assigns:
// the card's exchange relayed between a simulated type B identity card on the callback
// route and a simulated dispatch server on its own loopback address.

namespace {

using Bytes = std::vector<std::uint8_t>;

// ctest runs each case in its own process at the same time as the others: each case has
// its own loopback address, all on port 31213.
std::string CaseAddress() {
    static const char* const kCases[] = {"WholeReadThroughAssignedServerAndReport",
                                         "AlternativeModeFetchesFingerprint",
                                         "ZeroFingerprintFileCompletesTheRelay",
                                         "FailuresOfTheRelayStillReport",
                                         "DispatchAnswerFailures",
                                         "SilentDispatchServerTimesOut",
                                         "MissingArgumentsSendNothing",
                                         "CardNumberAsLowerCaseHex",
                                         "FallBacksAfterTheRelayFailed",
                                         "PsamPreambleBeforeTheRelay",
                                         "ServerExportsAndTheirArguments",
                                         "TimeOutsOfMillionsOfSecondsRunClean",
                                         "AnIdentifierLongerThanItsRoomFailsAndNoStaleOneIsSent",
                                         "ADnLongerThanItsRoomFails",
                                         "OnlyADottedAddressConnects"};
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    int index = 0;
    while (index < static_cast<int>(std::size(kCases)) && name != kCases[index]) ++index;
    return "127.0.0." + std::to_string(116 + index);
}
constexpr char kAccount[] = "station-07";
const Bytes kUid = {0x5A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71};

int callbacks = 0;
void CountCallback(int a, int b, int c, int d) {
    EXPECT_EQ(a | b | c | d, 0);
    ++callbacks;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i % 200 + 1);
    return bytes;
}

std::uint32_t Le32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The identity card: its identifier, challenges, and files selected by 00 A4 00 00 02 60 xx
// and read by 80 B0 offset-high offset-low length.
class IdentityCard : public sim::ApduResponder {
  public:
    IdentityCard() {
        files[0x02] = Pattern(32, 0x30);
        files[0x11] = Pattern(214, 0x11);
        files[0x12] = Pattern(256, 0x12);
        files[0x13] = Pattern(1024, 0x13);
        files[0x21] = Pattern(1024, 0x21);
    }
    sim::ApduAnswer Process(std::span<const std::uint8_t> c) override {
        const Bytes command(c.begin(), c.end());
        if (command == Bytes{0x00, 0x36, 0x00, 0x00, 0x08}) return {uid, 0x90, 0x00};
        if (command == Bytes{0x00, 0x84, 0x00, 0x00, 0x08}) {
            return {Pattern(8, static_cast<std::uint8_t>(0xA0 + challenges++)), 0x90, 0x00};
        }
        if (command.size() == 7 && command[1] == 0xA4 && command[5] == 0x60 &&
            files.count(command[6]) != 0) {
            selected = command[6];
            return sim::ApduAnswer::Status(0x90, 0x00);
        }
        if (command.size() == 5 && command[0] == 0x80 && command[1] == 0xB0) {
            const Bytes& file = files[selected];
            const std::size_t offset = command[2] << 8 | command[3];
            // A card that answers more than asked: the whole file past the offset.
            const std::size_t count = overlongReads ? file.size() - offset : command[4];
            if (offset + count > file.size()) return sim::ApduAnswer::Status(0x6B, 0x00);
            return {Bytes(file.begin() + offset, file.begin() + offset + count), 0x90, 0x00};
        }
        if (command.size() >= 5 && (command[1] == 0x88 || command[1] == 0x82)) {
            authentications.push_back(command);
            return {command[1] == 0x88 ? Pattern(8, 0x88) : Bytes{}, 0x90, 0x00};
        }
        return sim::ApduAnswer::Status(0x6D, 0x00);
    }

    std::map<std::uint8_t, Bytes> files;
    Bytes uid = kUid;
    bool overlongReads = false;
    std::uint8_t selected = 0;
    int challenges = 0;
    std::vector<Bytes> authentications;
};

const Bytes kInternalAuthenticate = {0x00, 0x88, 0x00, 0x00, 0x08, 1, 2, 3, 4, 5, 6, 7, 8};
const Bytes kExternalAuthenticate = {0x00, 0x82, 0x00, 0x00, 0x08, 8, 7, 6, 5, 4, 3, 2, 1};

class DispatchRead : public ::testing::Test {
  protected:
    DispatchRead() {
        card->SetApplication(identity);
        typeB.Present(card);
        cpu.PresentTypeB(card);
        bench.field.SetProtocol('B');
        KorviCardSetIdCallBack(bench.handle, CountCallback);
        callbacks = 0;
        text = Pattern(256, 0x40);
        photo = Pattern(1024, 0x50);
        server.SetHandler([this](const DispatchServer::Request& r) { return Answer(r); });
    }

    // The dispatch answer: decoder address and port, a 34-byte block, the server's text.
    Bytes DispatchAnswer() const {
        Bytes answer = {127, 0, 0, lastOctet, 0xED, 0x79, 0, 0};
        answer.resize(42, 0x3C);
        answer.insert(answer.end(), errorText.begin(), errorText.end());
        answer.push_back(0);
        return answer;
    }
    Bytes Result(bool alternative) const {
        Bytes result(14, 0);
        if (alternative) {
            result.push_back(static_cast<std::uint8_t>(fingerprint.size() >> 8));
            result.push_back(static_cast<std::uint8_t>(fingerprint.size()));
        }
        result.insert(result.end(), text.begin(), text.end());
        result.insert(result.end(), photo.begin(), photo.end());
        return result;
    }
    DispatchServer::Step Answer(const DispatchServer::Request& r) {
        if (r.command == closeOn || r.command == dropOn) return {{}, true};
        switch (r.command) {
            case 58:
                return {{dispatchReply.empty() ? DispatchServer::Reply(0, DispatchAnswer())
                                               : dispatchReply}};
            case 70:
                return {{DispatchServer::Reply(0, psamStatus)}};
            case 68:
                return {{DispatchServer::Reply(0, psamKey)}};
            case 69:
                return {{DispatchServer::Reply(0, psamVerify)}};
            case 1:
            case 9:
            case 71:
            case 78:
                alternative = r.command == 9 || r.command == 78;
                chunks = 0;
                return {{DispatchServer::Reply(startStatus, kInternalAuthenticate)}};
            case 3:
                return {{DispatchServer::Reply(0, kExternalAuthenticate)}};
            case 5:
            case 6:
            case 7:
            case 8: {
                // The result follows the last chunk: 3 + 4 + 13 + 13 of them, the 13 of an
                // empty fingerprint file never sent.
                const bool noFingerprint = identity->files[0x21] == Bytes(1024, 0);
                if (++chunks != (noFingerprint ? 20 : 33)) return {};
                return {{DispatchServer::Reply(0, Result(alternative))}};
            }
            case 62:
            case 63:
            case 11:
            case 12:
                fallBack = r.command;
                return {{DispatchServer::Reply(0, kInternalAuthenticate)}};
            case 2:
                if (fallBack == 0) return {};
                return {{DispatchServer::Reply(0, Result(fallBack == 11 || fallBack == 12))}};
            case 13:
                return {{DispatchServer::Reply(0, fingerprint)}};
            case 72:
                return {{DispatchServer::Reply(0, {})}};
            default:
                return {};
        }
    }
    int Read(bool alternative = false, const char* account = kAccount) {
        const std::uint32_t value = 0x01020304;
        return (alternative ? KorviCardGetTwoIdInfoByMcuServerEx
                            : KorviCardGetTwoIdInfoByMcuServer)(
            bench.handle, address.c_str(), &value, account, &record, 11, 22, 1);
    }
    std::vector<std::uint8_t> Commands() const {
        std::vector<std::uint8_t> commands;
        for (const auto& r : server.Requests()) commands.push_back(r.command);
        return commands;
    }
    const DispatchServer::Request* Find(std::uint8_t command) const {
        requests = server.Requests();
        for (const auto& r : requests) {
            if (r.command == command) return &r;
        }
        return nullptr;
    }

    SimHandleBench bench;
    sim::TypeBCommands typeB{bench.reader, bench.field};
    sim::CpuCardCommands cpu{bench.reader, bench.field};
    std::shared_ptr<sim::TypeBCard> card = std::make_shared<sim::TypeBCard>();
    std::shared_ptr<IdentityCard> identity = std::make_shared<IdentityCard>();
    std::string address = CaseAddress();
    std::uint8_t lastOctet =
        static_cast<std::uint8_t>(std::stoi(address.substr(address.rfind('.') + 1)));
    DispatchServer server{address};
    TwoIdInfoParam record{};
    Bytes text, photo, fingerprint;
    std::string errorText = "decoder 4 assigned";
    std::int32_t startStatus = 0;
    int closeOn = -1;
    bool alternative = false;
    int dropOn = -1;
    int chunks = 0;
    Bytes psamStatus = {0}, psamKey, psamVerify = {1};
    // The fall-back command being served: the card's answer (2) gets the result.
    std::uint8_t fallBack = 0;
    Bytes dispatchReply;
    mutable std::vector<DispatchServer::Request> requests;
};

// Messages of one whole relay: start, internal authentication, challenge, the chunks of
// the four files (214, 256, 1024, 1024 bytes in chunks of 80).
std::vector<std::uint8_t> RelayCommands(std::uint8_t start) {
    std::vector<std::uint8_t> commands = {58, start, 2, 3};
    for (auto [type, count] : {std::pair{5, 3}, {6, 4}, {7, 13}, {8, 13}}) {
        commands.insert(commands.end(), count, static_cast<std::uint8_t>(type));
    }
    return commands;
}

TEST_F(DispatchRead, WholeReadThroughAssignedServerAndReport) {
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 0);
    EXPECT_EQ(Bytes(reinterpret_cast<std::uint8_t*>(&record),
                    reinterpret_cast<std::uint8_t*>(&record) + 256),
              text);
    EXPECT_EQ(Bytes(record.arrTwoIdPhoto, record.arrTwoIdPhoto + 1024), photo);
    std::vector<std::uint8_t> expected = RelayCommands(1);
    expected.push_back(72);
    EXPECT_EQ(Commands(), expected);
    EXPECT_EQ(server.Connections(), 3);
    EXPECT_EQ(identity->authentications,
              (std::vector<Bytes>{kInternalAuthenticate, kExternalAuthenticate}));

    const DispatchServer::Request* request = Find(58);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(Bytes(request->parameters.begin(), request->parameters.end()), kUid);
    ASSERT_EQ(request->payload.size(), 512u);
    EXPECT_EQ(Bytes(request->payload.begin(), request->payload.begin() + 32),
              identity->files[0x02]);
    EXPECT_EQ(Le32(request->payload, 34), 0x01020304u);
    EXPECT_STREQ(reinterpret_cast<const char*>(request->payload.data() + 38), kAccount);
    EXPECT_EQ(Le32(request->payload, 294), 11u);
    EXPECT_EQ(Le32(request->payload, 298), 22u);

    const DispatchServer::Request* start = Find(1);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(Bytes(start->key.begin(), start->key.end()), Pattern(8, 0xA0));
    EXPECT_EQ(start->payload, identity->files[0x02]);
    const DispatchServer::Request* challenge = Find(3);
    ASSERT_NE(challenge, nullptr);
    EXPECT_EQ(challenge->payload, Pattern(8, 0xA1));
    const DispatchServer::Request* chunk = Find(5);
    ASSERT_NE(chunk, nullptr);
    Bytes first(identity->files[0x11].begin(), identity->files[0x11].begin() + 80);
    first.insert(first.end(), {0x90, 0x00});
    EXPECT_EQ(chunk->payload, first);

    const DispatchServer::Request* report = Find(72);
    ASSERT_NE(report, nullptr);
    ASSERT_EQ(report->payload.size(), 7680u);
    EXPECT_EQ(Le32(report->payload, 0), 0x01020304u);
    const std::size_t at = 260;
    EXPECT_EQ(Bytes(report->payload.begin() + at + 2340, report->payload.begin() + at + 2348),
              kUid);
    EXPECT_EQ(
        Bytes(report->payload.begin() + at + 2380 + 1528, report->payload.begin() + at + 4932),
        identity->files[0x21]);
    EXPECT_EQ(Bytes(report->payload.begin() + at + 4932, report->payload.begin() + at + 4936),
              (Bytes{127, 0, 0, lastOctet}));
    EXPECT_EQ(Le32(report->payload, at + 4936), 31213u);
    EXPECT_EQ(Le32(report->payload, at + 4940), 0u);

    // The card session's identifier read and every relayed card command: internal and
    // external authentication, the challenge, each file's SELECT and chunk reads.
    EXPECT_EQ(callbacks, 1 + 3 + (1 + 3) + (1 + 4) + (1 + 13) + (1 + 13));

    char bounded[8];
    std::memset(bounded, 'X', sizeof bounded);
    KorviCardGetTwoIdDispatchServerErrorInfo(bench.handle, bounded, sizeof bounded);
    EXPECT_STREQ(bounded, "decoder");
    char whole[80] = {};
    KorviCardGetTwoIdDispatchServerErrorInfo(bench.handle, whole, sizeof whole);
    EXPECT_EQ(std::string(whole), errorText);
}

TEST_F(DispatchRead, AlternativeModeFetchesFingerprint) {
    fingerprint = Pattern(300, 0x70);
    ASSERT_EQ(Read(true), 1);
    EXPECT_EQ(record.unTwoIdFingerprintLength, 300);
    EXPECT_EQ(Bytes(record.arrTwoIdFingerprint, record.arrTwoIdFingerprint + 300), fingerprint);
    EXPECT_EQ(Bytes(reinterpret_cast<std::uint8_t*>(&record),
                    reinterpret_cast<std::uint8_t*>(&record) + 256),
              text);
    std::vector<std::uint8_t> expected = RelayCommands(9);
    expected.insert(expected.end(), {13, 72});
    EXPECT_EQ(Commands(), expected);
}

TEST_F(DispatchRead, ZeroFingerprintFileCompletesTheRelay) {
    identity->files[0x21] = Bytes(1024, 0);
    ASSERT_EQ(Read(), 1);
    std::vector<std::uint8_t> expected = RelayCommands(1);
    expected.resize(expected.size() - 13);
    expected.push_back(72);
    EXPECT_EQ(Commands(), expected);
}

struct FailureCase {
    const char* name;
    int closeOn;
    std::int32_t startStatus;
    int code;
};

TEST_F(DispatchRead, FailuresOfTheRelayStillReport) {
    const FailureCase cases[] = {
        {"closed before the start answer", 1, 0, 13},
        {"closed before the external authentication", 3, 0, 18},
        {"decoder module busy", -1, 50, 25},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        closeOn = c.closeOn;
        startStatus = c.startStatus;
        const int before = static_cast<int>(server.Requests().size());
        EXPECT_EQ(Read(), 0);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), c.code);
        const std::vector<DispatchServer::Request> all = server.Requests();
        ASSERT_GT(static_cast<int>(all.size()), before);
        EXPECT_EQ(all.back().command, 72);
        EXPECT_EQ(Le32(all.back().payload, 260 + 4940), static_cast<std::uint32_t>(c.code));
    }
}

TEST_F(DispatchRead, DispatchAnswerFailures) {
    Bytes oversized = DispatchServer::Reply(0, DispatchAnswer());
    oversized[0] = 0xFF;
    oversized[1] = 0xFF;
    oversized[2] = 0xFF;
    oversized[3] = 0x7F;
    Bytes zeroPort = DispatchServer::Reply(0, [&] {
        Bytes a = DispatchAnswer();
        a[4] = 0;
        a[5] = 0;
        return a;
    }());
    Bytes tooShort = DispatchServer::Reply(0, Bytes(20, 1));
    struct Case {
        const char* name;
        Bytes reply;
        int closeOn;
        const char* text;
    };
    const Case cases[] = {
        {"oversized length", oversized, -1, "ReceiveData From DispatchServer False!"},
        {"closed without answer", {}, 58, "ReceiveData From DispatchServer False!"},
        {"answer without the port", tooShort, -1, "ReceiveData From DispatchServer False!"},
        {"zero port", zeroPort, -1, "decoder 4 assigned"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dispatchReply = c.reply;
        closeOn = c.closeOn;
        const std::size_t before = server.Requests().size();
        EXPECT_EQ(Read(), 0);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 31);
        char text[80] = {};
        KorviCardGetTwoIdDispatchServerErrorInfo(bench.handle, text, sizeof text);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(server.Requests().size(), before + 1);
    }
}

TEST_F(DispatchRead, SilentDispatchServerTimesOut) {
    server.SetHandler([](const DispatchServer::Request&) { return DispatchServer::Step{}; });
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(4));
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 31);
}

TEST_F(DispatchRead, MissingArgumentsSendNothing) {
    EXPECT_EQ(Read(false, ""), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 68);
    const std::uint32_t value = 1;
    EXPECT_EQ(
        KorviCardGetTwoIdInfoByMcuServer(bench.handle, nullptr, &value, kAccount, &record, 0, 0, 1),
        0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 1000);
    EXPECT_EQ(KorviCardGetTwoIdInfoByMcuServer(bench.handle, address.c_str(), nullptr, kAccount,
                                               &record, 0, 0, 1),
              0);
    EXPECT_EQ(
        KorviCardGetTwoIdInfoByMcuServer(0, address.c_str(), &value, kAccount, &record, 0, 0, 1),
        0);
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

TEST_F(DispatchRead, CardNumberAsLowerCaseHex) {
    char text[40] = {};
    ASSERT_EQ(KorviCardGetTwoGenerationIDCardNo(bench.handle, text, sizeof text), 1);
    EXPECT_STREQ(text, "5a1b2c3d4e5f6071");
    EXPECT_EQ(KorviCardGetTwoGenerationIDCardNo(bench.handle, text, 31), 0);
    char dn[64] = {};
    EXPECT_EQ(KorviCardGetTwoGenerationIDDnNo(bench.handle, dn, sizeof dn), 0);
    char dnText[65] = {};
    ASSERT_EQ(KorviCardGetTwoGenerationIDDnNo(bench.handle, dnText, sizeof dnText), 1);
    EXPECT_EQ(std::string(dnText).substr(0, 4), "3132");
}

TEST_F(DispatchRead, AnIdentifierLongerThanItsRoomFailsAndNoStaleOneIsSent) {
    ASSERT_EQ(Read(), 1);
    ASSERT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, address.c_str(), DispatchServer::kPort,
                                              &record, 1),
              1);
    const std::size_t before = server.Requests().size();
    // The next card answers with 40 bytes where 32 are the room: no text of zeros, no read.
    identity->uid = Pattern(40, 0x90);
    char text[81] = {};
    EXPECT_EQ(KorviCardGetTwoGenerationIDCardNo(bench.handle, text, sizeof text), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 5);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 5);
    EXPECT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, address.c_str(), DispatchServer::kPort,
                                              &record, 1),
              0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByWirelessEx(bench.handle, address.c_str(),
                                                DispatchServer::kPort, &record, 1),
              0);
    // Nothing reached a server after the first card: its identifier was not sent again.
    EXPECT_EQ(server.Requests().size(), before);
    // 32 bytes fit exactly.
    identity->uid = Pattern(32, 0x90);
    EXPECT_EQ(KorviCardGetTwoGenerationIDCardNo(bench.handle, text, sizeof text), 1);
    EXPECT_EQ(std::string(text).size(), 64u);
}

TEST_F(DispatchRead, ADnLongerThanItsRoomFails) {
    // The DN read runs on a card in session: its identifier read first.
    char number[40] = {};
    ASSERT_EQ(KorviCardGetTwoGenerationIDCardNo(bench.handle, number, sizeof number), 1);
    char dn[65] = {};
    ASSERT_EQ(KorviCardGetTwoGenerationIDDnNo(bench.handle, dn, sizeof dn), 1);
    // The DN file read answers 40 bytes: more than the 32 of its room.
    identity->files[0x02] = Pattern(40, 0x30);
    identity->overlongReads = true;
    std::memset(dn, 0, sizeof dn);
    EXPECT_EQ(KorviCardGetTwoGenerationIDDnNo(bench.handle, dn, sizeof dn), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 57);
    EXPECT_STREQ(dn, "");
}

}  // namespace

namespace {

Bytes CardFileBuffer(IdentityCard& card) {
    Bytes buffer = card.files[0x02];
    for (std::uint8_t id : {0x11, 0x12, 0x13, 0x21}) {
        buffer.insert(buffer.end(), card.files[id].begin(), card.files[id].end());
        if (id == 0x11) buffer.resize(248, 0);
    }
    return buffer;
}

TEST_F(DispatchRead, FallBacksAfterTheRelayFailed) {
    struct Case {
        const char* name;
        bool alternative;
        bool zeroFingerprint;
        int closeOn;
        std::uint8_t sent;
        std::size_t payload;
    };
    const Case cases[] = {
        {"whole card file buffer", false, false, -1, 62, 2552},
        {"without the empty fingerprint file", false, true, -1, 62, 1528},
        {"server drives the card", false, false, 62, 63, 0},
        {"alternative mode, fingerprint fetched after", true, false, -1, 11, 2552},
    };
    // The identity server drops the relay in the middle of file 6013.
    dropOn = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        identity->files[0x21] = c.zeroFingerprint ? Bytes(1024, 0) : Pattern(1024, 0x21);
        closeOn = c.closeOn;
        fingerprint = Pattern(40, 0x33);
        const std::size_t before = server.Requests().size();
        fallBack = 0;
        ASSERT_EQ(
            (c.alternative ? KorviCardGetTwoIdInfoByWirelessEx : KorviCardGetTwoIdInfoByWireless)(
                bench.handle, address.c_str(), DispatchServer::kPort, &record, 1),
            1);
        EXPECT_EQ(Bytes(reinterpret_cast<std::uint8_t*>(&record),
                        reinterpret_cast<std::uint8_t*>(&record) + 256),
                  text);
        EXPECT_EQ(record.unTwoIdFingerprintLength, c.alternative ? 40 : 0);
        const std::vector<DispatchServer::Request> all = server.Requests();
        std::size_t at = all.size();
        while (at > before && all[at - 1].command != c.sent) --at;
        ASSERT_GT(at, before);
        ASSERT_LT(at, all.size());
        const DispatchServer::Request& sent = all[at - 1];
        EXPECT_EQ(Bytes(sent.key.begin(), sent.key.end()),
                  Pattern(8, static_cast<std::uint8_t>(0xA0 + identity->challenges - 1)));
        Bytes expected = CardFileBuffer(*identity);
        expected.resize(c.payload);
        EXPECT_EQ(sent.payload, expected);
        EXPECT_EQ(all[at].command, 2);
        EXPECT_EQ(all[at].payload,
                  (Bytes{0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x90, 0x00}));
    }
}

}  // namespace

namespace {

TEST_F(DispatchRead, PsamPreambleBeforeTheRelay) {
    Bytes key24 = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0x10; i < 0x20; ++i) key24.push_back(static_cast<std::uint8_t>(i));
    // 01..08 under the two-key triple DES key 10..1F.
    const Bytes unlock = {0x00, 0x82, 0x00, 0xFF, 0x08, 0x22, 0xF3,
                          0x17, 0x3A, 0x11, 0x5B, 0x60, 0x17};
    struct Case {
        const char* name;
        bool alternative;
        Bytes status, key, verify;
        int closeOn;
        int result;
        int code;
        std::vector<std::uint8_t> head;
    };
    const Case cases[] = {
        {"unlocked already", false, {1}, key24, {1}, -1, 1, 0, {70, 71, 2, 3}},
        {"unlock data sent", false, {0}, key24, {1}, -1, 1, 0, {70, 68, 69, 71, 2, 3}},
        {"alternative mode", true, {0}, key24, {1}, -1, 1, 0, {70, 68, 69, 78, 2, 3}},
        {"status not answered", false, {0}, key24, {1}, 70, 0, 40, {70}},
        {"key data too short", false, {0}, Bytes(23, 1), {1}, -1, 0, 41, {70, 68}},
        {"unlock refused", false, {0}, key24, {0}, -1, 0, 42, {70, 68, 69}},
        {"unlock answer too long", false, {0}, key24, {1, 1}, -1, 0, 42, {70, 68, 69}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        psamStatus = c.status;
        psamKey = c.key;
        psamVerify = c.verify;
        closeOn = c.closeOn;
        fingerprint.clear();
        const std::size_t before = server.Requests().size();
        EXPECT_EQ((c.alternative ? KorviCardGetTwoIdInfoByPsamServerEx
                                 : KorviCardGetTwoIdInfoByPsamServer)(
                      bench.handle, address.c_str(), DispatchServer::kPort, &record, 1),
                  c.result);
        EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), c.code);
        const std::vector<DispatchServer::Request> all = server.Requests();
        ASSERT_GE(all.size(), before + c.head.size());
        std::vector<std::uint8_t> head;
        for (std::size_t i = 0; i < c.head.size(); ++i) head.push_back(all[before + i].command);
        EXPECT_EQ(head, c.head);
        if (c.head.size() > 2 && c.head[2] == 69) {
            EXPECT_EQ(all[before + 2].payload, unlock);
        }
    }
}

}  // namespace

namespace {

TEST_F(DispatchRead, TimeOutsOfMillionsOfSecondsRunClean) {
    // Seconds become milliseconds only after a clamp: no overflow for the sanitizers to see.
    for (const int seconds : {3000000, INT_MAX}) {
        SCOPED_TRACE(seconds);
        record = {};
        ASSERT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, address.c_str(),
                                                  DispatchServer::kPort, &record, seconds),
                  1);
        EXPECT_EQ(Bytes(record.arrTwoIdPhoto, record.arrTwoIdPhoto + 1024), photo);
        ASSERT_EQ(KorviCardGetTwoIdInfoByWirelessEx(bench.handle, address.c_str(),
                                                    DispatchServer::kPort, &record, seconds),
                  1);
    }
}

TEST_F(DispatchRead, ServerExportsAndTheirArguments) {
    // The plain export always goes to port 31213, whatever port was stored before.
    ASSERT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, address.c_str(), 1, &record, 1), 0);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle), 24);
    ASSERT_EQ(KorviCardGetTwoIdInfoByServer(bench.handle, address.c_str(), &record), 1);
    EXPECT_EQ(Bytes(record.arrTwoIdPhoto, record.arrTwoIdPhoto + 1024), photo);
    ASSERT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, address.c_str(), DispatchServer::kPort,
                                              &record, 1),
              1);
    EXPECT_EQ(server.Connections(), 2);

    EXPECT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, nullptr, 31213, &record, 1), 0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByServerEx(bench.handle, address.c_str(), 0, &record, 1), 0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByWireless(bench.handle, address.c_str(), 0, &record, 1), 0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByPsamServer(bench.handle, nullptr, 31213, &record, 1), 0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByServer(bench.handle, address.c_str(), nullptr), 0);
    EXPECT_EQ(server.Connections(), 2);

    // A null handle.
    EXPECT_EQ(KorviCardGetTwoIdInfoByServer(0, address.c_str(), &record), 0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByWirelessEx(0, address.c_str(), 31213, &record, 1), 0);
    EXPECT_EQ(KorviCardGetTwoIdInfoByPsamServerEx(0, address.c_str(), 31213, &record, 1), 0);
    char text[80];
    EXPECT_EQ(KorviCardGetTwoGenerationIDCardNo(0, text, sizeof text), 0);
    EXPECT_EQ(KorviCardGetTwoGenerationIDDnNo(0, text, sizeof text), 0);
    EXPECT_EQ(server.Connections(), 2);
}

// The reads through an identity server take only a dotted address: a text that is none
// fails after the card session, before any connection.
TEST_F(DispatchRead, OnlyADottedAddressConnects) {
    psamStatus = {1};  // the server's PSAM needs no unlocking
    using Read = std::function<int(const char* host)>;
    const int h = bench.handle;
    const int port = DispatchServer::kPort;
    const struct {
        const char* name;
        Read run;
    } reads[] = {
        {"server", [&](const char* a) { return KorviCardGetTwoIdInfoByServer(h, a, &record); }},
        {"server ex",
         [&](const char* a) { return KorviCardGetTwoIdInfoByServerEx(h, a, port, &record, 1); }},
        {"wireless",
         [&](const char* a) { return KorviCardGetTwoIdInfoByWireless(h, a, port, &record, 1); }},
        {"wireless ex",
         [&](const char* a) { return KorviCardGetTwoIdInfoByWirelessEx(h, a, port, &record, 1); }},
        {"PSAM server",
         [&](const char* a) { return KorviCardGetTwoIdInfoByPsamServer(h, a, port, &record, 1); }},
        {"PSAM server ex",
         [&](const char* a) {
             return KorviCardGetTwoIdInfoByPsamServerEx(h, a, port, &record, 1);
         }},
    };
    for (const api_test::HostText& host : api_test::HostTextsAround(address)) {
        for (const auto& read : reads) {
            SCOPED_TRACE(std::string(read.name) + ", " + host.what + " \"" + host.text + '"');
            const int before = server.Connections();
            EXPECT_EQ(read.run(host.text.c_str()), host.address ? 1 : 0);
            EXPECT_EQ(server.Connections(), before + (host.address ? 1 : 0));
            EXPECT_EQ(KorviCardGetTwoIdErrorCode(bench.handle),
                      host.address ? TIEC_NO_ERROR : TIEC_IPADDRESS);
        }
    }
}

}  // namespace
