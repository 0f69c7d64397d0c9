#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/transport/hid_transport.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/hid_backend_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/contact_card.h"
#include "sim/commands/sam_slot_commands.h"
#include "sim/device/sam_slots.h"
#include "sim/simulated_reader.h"
#include "sim_fixture/request_log.h"

// The ICC_Reader_ interface against the simulated reader's contact slots, reached over the
// fake USB HID backend that the interface's own open finds.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCmdPower = 42;
constexpr std::uint8_t kCmdReset = 43;
constexpr std::uint8_t kCmdApdu = 44;
constexpr std::uint8_t kCmdSlot = 45;

const Bytes kContactAtr = {0x3B, 0x60, 0x00, 0x00};
const Bytes kSamAtr = {0x3B, 0x68, 0x00, 0x00, 0x81, 0x31, 0xFE, 0x45, 0x4A, 0x43};
const Bytes kGetChallenge = {0x00, 0x84, 0x00, 0x00, 0x04};

// (command code, payload) of a request the reader decoded.
using Sent = std::pair<std::uint8_t, Bytes>;

// A simulated reader with a contact card in slot 0 and a SAM in slot 2 (slot 1 empty),
// listed as the one USB reader while the bench lives. Each card answers GET CHALLENGE with
// bytes of its own, so an answer tells which card took the APDU. The remembered SAM slot is
// process-wide: a bench starts with it forgotten.
class IccBench {
  public:
    IccBench() {
        slots.Insert(0, contactCard);
        slots.Insert(2, sam);
        FailOpen();
    }
    ~IccBench() {
        ICC_Reader_Close(0);
        SetHidBackendFactory({});
    }
    IccBench(const IccBench&) = delete;
    IccBench& operator=(const IccBench&) = delete;

    // An open that finds no USB reader; the reader is listed again after it.
    int FailOpen() {
        SetHidBackendFactory([this] {
            return std::make_unique<sim::HidBackendAdapter>(port, std::vector<HidDeviceInfo>{});
        });
        const int result = ICC_Reader_Open("AUTO");
        SetHidBackendFactory([this] { return std::make_unique<sim::HidBackendAdapter>(port); });
        return result;
    }

    std::vector<Sent> TakeRequests() {
        return port.WithReader([](sim::SimulatedReader& r) {
            std::vector<Sent> sent = RequestsSent(r.Requests());
            r.ClearRequests();
            return sent;
        });
    }
    void QueueFault(const sim::Fault& fault) {
        port.WithReader([&](sim::SimulatedReader& r) { r.QueueFault(fault); });
    }
    void SetHandler(std::uint8_t command, sim::CommandHandler handler) {
        port.WithReader(
            [&](sim::SimulatedReader& r) { r.SetHandler(command, std::move(handler)); });
    }

    std::shared_ptr<sim::ApduScript> contactApp = std::make_shared<sim::ApduScript>(R"(
        0084000004     => C1C2C3C4 9000
        00B0000004     => B0112233 9000
        006A0000       => 6A82
        00A40400023F00 => 9000
    )");
    std::shared_ptr<sim::ApduScript> samApp = std::make_shared<sim::ApduScript>(R"(
        0084000004 => 5A5B5C5D 9000
    )");
    std::shared_ptr<sim::ContactCard> contactCard =
        std::make_shared<sim::ContactCard>(kContactAtr, contactApp);
    std::shared_ptr<sim::ContactCard> sam = std::make_shared<sim::ContactCard>(kSamAtr, samApp);

    sim::SimulatedReader reader;
    sim::ReaderPort port{reader};
    sim::SamSlots slots;
    sim::SamSlotCommands commands{reader, slots};
};

int Apdu(int slot, const Bytes& command, Bytes& answer) {
    answer.assign(256, 0xEE);
    const int n = ICC_Reader_Application(0, slot, static_cast<int>(command.size()), command.data(),
                                         answer.data());
    answer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return n;
}

TEST(IccReaderApi, SessionOverBothSlotsSendsTheSlotCommandsAndKeepsTheSamSlot) {
    IccBench bench;
    const int handle = ICC_Reader_Open("AUTO");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(ICC_Reader_GetStatus(handle, 0x11), 0);
    bench.TakeRequests();

    Bytes answer;
    struct Step {
        const char* what;
        std::function<int()> call;
        int result;
        std::vector<Sent> sent;
        Bytes answer;  // checked when the result is positive
    };
    const Step steps[] = {
        {"SAM power-on: slot 1 is empty, slot 2 answers",
         [&] {
             answer.assign(64, 0);
             const int n = ICC_Reader_PowerOn(handle, 0x11, answer.data());
             answer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
             return n;
         },
         static_cast<int>(kSamAtr.size()),
         {{kCmdSlot, {0}},
          {kCmdPower, {1}},
          {kCmdSlot, {1}},
          {kCmdReset, {}},
          {kCmdSlot, {2}},
          {kCmdReset, {}}},
         kSamAtr},
        {"contact power-on",
         [&] {
             answer.assign(64, 0);
             const int n = ICC_Reader_PowerOn(handle, 0x01, answer.data());
             answer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
             return n;
         },
         static_cast<int>(kContactAtr.size()),
         {{kCmdSlot, {0}}, {kCmdPower, {1}}, {kCmdSlot, {0}}, {kCmdPower, {1}}, {kCmdReset, {}}},
         kContactAtr},
        {"slot byte 0x11 goes to the SAM in slot 2",
         [&] { return Apdu(0x11, kGetChallenge, answer); },
         6,
         {{kCmdSlot, {2}}, {kCmdApdu, kGetChallenge}},
         {0x5A, 0x5B, 0x5C, 0x5D, 0x90, 0x00}},
        {"any slot byte above 0x0F does",
         [&] { return Apdu(0xFF, kGetChallenge, answer); },
         6,
         {{kCmdSlot, {2}}, {kCmdApdu, kGetChallenge}},
         {0x5A, 0x5B, 0x5C, 0x5D, 0x90, 0x00}},
        {"slot byte 0x01 goes to the contact card",
         [&] { return Apdu(0x01, kGetChallenge, answer); },
         6,
         {{kCmdSlot, {0}}, {kCmdApdu, kGetChallenge}},
         {0xC1, 0xC2, 0xC3, 0xC4, 0x90, 0x00}},
        {"SAM power-off does nothing",
         [&] { return ICC_Reader_PowerOff(handle, 0x11); },
         0,
         {},
         {}},
        {"contact power-off switches slot 0 off",
         [&] { return ICC_Reader_PowerOff(handle, 0x0F); },
         0,
         {{kCmdSlot, {0}}, {kCmdPower, {0}}},
         {}},
        {"the contact card is off",
         [&] { return Apdu(0x01, kGetChallenge, answer); },
         -4,
         {{kCmdSlot, {0}}, {kCmdApdu, kGetChallenge}},
         {}},
        {"the SAM still answers",
         [&] { return Apdu(0x11, kGetChallenge, answer); },
         6,
         {{kCmdSlot, {2}}, {kCmdApdu, kGetChallenge}},
         {0x5A, 0x5B, 0x5C, 0x5D, 0x90, 0x00}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.call(), step.result);
        EXPECT_EQ(bench.TakeRequests(), step.sent);
        if (step.result > 0) {
            EXPECT_EQ(answer, step.answer);
        }
    }
    EXPECT_TRUE(bench.sam->active());
    EXPECT_FALSE(bench.contactCard->active());
    EXPECT_EQ(ICC_Reader_Close(handle), 0);
    EXPECT_EQ(ICC_Reader_Close(handle), -11);
    EXPECT_EQ(ICC_Reader_PowerOff(handle, 0x01), -11);
    Bytes atr(64);
    EXPECT_EQ(ICC_Reader_PowerOn(handle, 0x01, atr.data()), -11);
    EXPECT_EQ(Apdu(0x01, kGetChallenge, answer), -11);
    EXPECT_TRUE(bench.TakeRequests().empty());
}

TEST(IccReaderApi, TheSamSlotOutlivesAReopenAndOnlyAFailedOpenForgetsIt) {
    IccBench bench;
    ASSERT_GT(ICC_Reader_Open("AUTO"), 0);
    Bytes atr(64);
    ASSERT_EQ(ICC_Reader_PowerOn(0, 0x11, atr.data()), static_cast<int>(kSamAtr.size()));
    ASSERT_EQ(ICC_Reader_Close(0), 0);
    bench.TakeRequests();

    Bytes answer;
    // A caller that powers the SAM once and opens the reader for each transaction.
    for (int transaction = 1; transaction <= 3; ++transaction) {
        SCOPED_TRACE(transaction);
        ASSERT_GT(ICC_Reader_Open("AUTO"), 0);
        EXPECT_EQ(Apdu(0x11, kGetChallenge, answer), 6);
        EXPECT_EQ(answer, (Bytes{0x5A, 0x5B, 0x5C, 0x5D, 0x90, 0x00}));
        EXPECT_EQ(bench.TakeRequests(),
                  (std::vector<Sent>{{kCmdSlot, {2}}, {kCmdApdu, kGetChallenge}}));
        EXPECT_EQ(ICC_Reader_Close(0), 0);
    }

    EXPECT_EQ(bench.FailOpen(), -11);
    ASSERT_GT(ICC_Reader_Open("AUTO"), 0);
    bench.TakeRequests();
    EXPECT_EQ(Apdu(0x11, kGetChallenge, answer), -14) << "the failed open forgot the SAM slot";
    EXPECT_TRUE(bench.TakeRequests().empty());
    ASSERT_EQ(ICC_Reader_PowerOn(0, 0x11, atr.data()), static_cast<int>(kSamAtr.size()));
    EXPECT_EQ(Apdu(0x11, kGetChallenge, answer), 6);
}

TEST(IccReaderApi, AnswersKeepTheCardsDataAndLoseOnlyAnEchoedProcedureByte) {
    IccBench bench;
    ASSERT_GT(ICC_Reader_Open(nullptr), 0);
    Bytes atr(64);
    ASSERT_EQ(ICC_Reader_PowerOn(0, 0x01, atr.data()), static_cast<int>(kContactAtr.size()));
    Bytes answer;
    // Data that begin with the INS byte are the card's data.
    EXPECT_EQ(Apdu(0x01, {0x00, 0xB0, 0x00, 0x00, 0x04}, answer), 6);
    EXPECT_EQ(answer, (Bytes{0xB0, 0x11, 0x22, 0x33, 0x90, 0x00}));
    // A bare status word equal to the INS stays whole.
    EXPECT_EQ(Apdu(0x01, {0x00, 0x6A, 0x00, 0x00}, answer), 2);
    EXPECT_EQ(answer, (Bytes{0x6A, 0x82}));

    // A reader that passes the card's procedure byte on behind its own.
    struct Row {
        const char* what;
        Bytes command;
        Bytes reply;
        Bytes answer;
    };
    const Row rows[] = {
        {"case 2: one byte more than Le and the status word",
         kGetChallenge,
         {0x00, 0x84, 0x11, 0x22, 0x33, 0x44, 0x90, 0x00},
         {0x11, 0x22, 0x33, 0x44, 0x90, 0x00}},
        {"case 3: a status word behind the INS",
         {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00},
         {0x00, 0xA4, 0x61, 0x10},
         {0x61, 0x10}},
        {"case 4 answered with its data",
         {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00, 0x02},
         {0x00, 0xA4, 0x6F, 0x00, 0x90, 0x00},
         {0x6F, 0x00, 0x90, 0x00}},
        {"case 4 data that begin with the INS",
         {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00, 0x02},
         {0x00, 0xA4, 0x01, 0x90, 0x00},
         {0xA4, 0x01, 0x90, 0x00}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bench.SetHandler(kCmdApdu,
                         [&row](const sim::Request&) { return sim::Reply::Ok(row.reply); });
        EXPECT_EQ(Apdu(0x01, row.command, answer), static_cast<int>(row.answer.size()));
        EXPECT_EQ(answer, row.answer);
    }
}

TEST(IccReaderApi, BadArgumentsAndReaderFailuresGiveTheirCodes) {
    IccBench bench;
    Bytes answer(256);
    const Bytes command = kGetChallenge;
    auto application = [&](int slot, const unsigned char* cmd, int length, unsigned char* out) {
        return ICC_Reader_Application(0, slot, length, cmd, out);
    };
    ASSERT_GT(ICC_Reader_Open("USB"), 0);
    bench.TakeRequests();

    // Refused before anything is sent.
    const Bytes longest(257, 0x00);
    EXPECT_EQ(application(0x01, command.data(), 0, answer.data()), -14);
    EXPECT_EQ(application(0x01, command.data(), -5, answer.data()), -14);
    EXPECT_EQ(application(0x01, longest.data(), 257, answer.data()), -14);
    EXPECT_EQ(application(0x01, nullptr, 5, answer.data()), -14);
    EXPECT_EQ(application(0x01, command.data(), 5, nullptr), -14);
    EXPECT_EQ(ICC_Reader_PowerOn(0, 0x01, nullptr), -14);
    // No SAM answered a power-on yet: its APDU must not reach the contact card.
    EXPECT_EQ(application(0x11, command.data(), 5, answer.data()), -14);
    EXPECT_TRUE(bench.TakeRequests().empty());

    struct Row {
        const char* what;
        std::function<void()> arrange;
        int slot;
        int result;
    };
    const Row rows[] = {
        {"the first select refused",
         [&] { bench.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 19}); }, 0x01,
         -14},
        {"no contact card", [&] { bench.slots.Remove(0); }, 0x01, -13},
        {"no SAM in slot 1 or 2", [&] { bench.slots.Remove(2); }, 0x11, -2},
        {"an empty answer to reset",
         [&] { bench.SetHandler(kCmdReset, [](const sim::Request&) { return sim::Reply::Ok(); }); },
         0x01, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.arrange();
        Bytes atr(64, 0xEE);
        EXPECT_EQ(ICC_Reader_PowerOn(0, row.slot, atr.data()), row.result);
        EXPECT_EQ(atr, Bytes(64, 0xEE));
    }

    // A one-byte command is only read as far as it goes; the reader refuses it.
    const std::unique_ptr<unsigned char[]> single(new unsigned char[1]{0x84});
    EXPECT_EQ(application(0x01, single.get(), 1, answer.data()), -4);
    bench.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 19});
    EXPECT_EQ(application(0x01, command.data(), 5, answer.data()), -4);
    bench.QueueFault({.kind = sim::FaultKind::kNoReply});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(application(0x01, command.data(), 5, answer.data()), -4);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(IccReaderApi, FailedOpenLeavesTheReaderClosed) {
    IccBench bench;
    EXPECT_EQ(bench.FailOpen(), -11);
    Bytes buffer(256);
    EXPECT_EQ(ICC_Reader_PowerOn(0, 0x01, buffer.data()), -11);
    EXPECT_EQ(ICC_Reader_Application(0, 0x01, 5, kGetChallenge.data(), buffer.data()), -11);
    EXPECT_EQ(ICC_Reader_PowerOff(0, 0x01), -11);
    EXPECT_EQ(ICC_Reader_Close(0), -11);
}

TEST(IccReaderApi, BeforeAnyOpenNothingReachesAReader) {
    // The global reader is 0 only in a process that never opened one: the child runs this
    // test alone in a fresh process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Bytes buffer(256);
            const bool ok =
                ICC_Reader_Close(0) == 0 && ICC_Reader_PowerOff(0, 0x01) == 0 &&
                ICC_Reader_PowerOn(0, 0x01, buffer.data()) == -14 &&
                ICC_Reader_Application(0, 0x01, 5, kGetChallenge.data(), buffer.data()) == -4 &&
                ICC_Reader_Close(0) == 0;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(IccReaderApi, LibraryInformationIsExactly32Bytes) {
    std::string info(40, '#');
    EXPECT_EQ(ICC_Reader_Libinfo(info.data()), 0);
    EXPECT_EQ(info, std::string("\xBF\xC6\xCE\xAC\xD6\xC7\xC4\xDC        V2-U          16") +
                        std::string(8, '#'));
    EXPECT_EQ(ICC_Reader_Libinfo(nullptr), -14);
    EXPECT_EQ(ICC_Reader_GetPIN(0, 0, 0, 0), 0);
    EXPECT_EQ(ICC_GetInputPassEx(0, 0, 0, 0, 0, 0), 0);
}

TEST(IccReaderApi, CallsFromTwoThreadsKeepTheirSlots) {
    IccBench bench;
    ASSERT_GT(ICC_Reader_Open("AUTO"), 0);
    Bytes atr(64);
    ASSERT_GT(ICC_Reader_PowerOn(0, 0x11, atr.data()), 0);
    ASSERT_GT(ICC_Reader_PowerOn(0, 0x01, atr.data()), 0);
    auto run = [](int slot, Bytes expected, int* wrong) {
        for (int i = 0; i < 25; ++i) {
            Bytes answer;
            if (Apdu(slot, kGetChallenge, answer) != 6 || answer != expected) ++*wrong;
        }
    };
    int wrongSam = 0;
    int wrongContact = 0;
    std::thread samThread(run, 0x11, Bytes{0x5A, 0x5B, 0x5C, 0x5D, 0x90, 0x00}, &wrongSam);
    std::thread contactThread(run, 0x01, Bytes{0xC1, 0xC2, 0xC3, 0xC4, 0x90, 0x00}, &wrongContact);
    samThread.join();
    contactThread.join();
    EXPECT_EQ(wrongSam, 0);
    EXPECT_EQ(wrongContact, 0);
}

}  // namespace
