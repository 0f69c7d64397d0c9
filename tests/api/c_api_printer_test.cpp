#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/error_codes.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/printer_commands.h"
#include "sim/device/printer_capture.h"
#include "sim_fixture/request_log.h"
#include "sim_fixture/sim_handle_bench.h"

// The printer capture, QR relay and string-command exports against the simulated reader
// on the callback route (one case over TCP loopback), and the ticket-text export.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCmdCaptureSize = 220;
constexpr std::uint8_t kCmdCapturePiece = 221;
constexpr std::uint8_t kCmdClearCapture = 222;
constexpr std::uint8_t kCmdQrHost = 223;

Bytes Le32(std::uint32_t a, std::uint32_t b) {
    Bytes bytes;
    for (std::uint32_t v : {a, b}) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return bytes;
}

Bytes Counting(std::size_t n, std::uint8_t first = 0) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class PrinterBench : public SimHandleBench {
  public:
    // The requests the reader decoded since the last call, as (command, payload).
    std::vector<std::pair<std::uint8_t, Bytes>> TakeRequests() {
        std::vector<std::pair<std::uint8_t, Bytes>> sent = RequestsSent(reader.Requests());
        ClearRequests();
        return sent;
    }

    sim::PrinterCapture capture;
    sim::PrinterCommands printer{reader, capture};
    sim::CpuCardCommands cpu{reader, field};
};

TEST(PrinterExports, CaptureSizePiecesWholeCopyAndClear) {
    PrinterBench bench;
    const int h = bench.handle;
    ASSERT_GT(h, 0);
    const Bytes job = Counting(300, 7);
    bench.capture.Print(job);

    int size = -1;
    ASSERT_EQ(KorviCardGetPrinterMessageSize(h, &size), 1);
    EXPECT_EQ(size, 300);
    EXPECT_EQ(bench.TakeRequests(),
              (std::vector<std::pair<std::uint8_t, Bytes>>{{kCmdCaptureSize, {}}}));

    struct Piece {
        int offset;
        int count;
        int result;
        Bytes payload;  // empty: nothing sent
        Bytes stored;
    };
    const Piece pieces[] = {
        {10, 5, 1, Le32(10, 5), Bytes(job.begin() + 10, job.begin() + 15)},
        {290, 50, 1, Le32(290, 50), Bytes(job.begin() + 290, job.end())},
        {300, 16, 1, Le32(300, 16), {}},
        {0, 0, 1, Le32(0, 0), {}},
        {0, 301, 0, {}, {}},
        {0, -1, 0, {}, {}},
        {-1, 4, 0, {}, {}},
    };
    for (const Piece& p : pieces) {
        SCOPED_TRACE(testing::Message() << "offset " << p.offset << " count " << p.count);
        Bytes out(320, 0xEE);
        int count = p.count;
        EXPECT_EQ(KorviCardGetPrinterMessage(h, out.data(), p.offset, &count), p.result);
        const auto sent = bench.TakeRequests();
        if (p.payload.empty()) {
            EXPECT_TRUE(sent.empty());
            EXPECT_EQ(count, p.count);
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].first, kCmdCapturePiece);
        EXPECT_EQ(sent[0].second, p.payload);
        EXPECT_EQ(count, static_cast<int>(p.stored.size()));
        EXPECT_EQ(Bytes(out.begin(), out.begin() + count), p.stored);
        EXPECT_EQ(out[static_cast<std::size_t>(count)], 0xEE);
    }

    struct Whole {
        int room;
        std::vector<Bytes> payloads;
        int total;
    };
    const Whole wholes[] = {
        {1000, {Le32(0, 128), Le32(128, 128), Le32(256, 128)}, 300},
        {256, {Le32(0, 128), Le32(128, 128)}, 256},
        {200, {Le32(0, 128), Le32(128, 72)}, 200},
        {0, {}, 0},
    };
    for (const Whole& w : wholes) {
        SCOPED_TRACE(testing::Message() << "room " << w.room);
        Bytes out(static_cast<std::size_t>(w.room) + 1, 0xEE);
        int total = w.room;
        ASSERT_EQ(KorviCardGetPrinterAllMessage(h, out.data(), &total), 1);
        EXPECT_EQ(total, w.total);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + total), Bytes(job.begin(), job.begin() + total));
        EXPECT_EQ(out[static_cast<std::size_t>(w.room)], 0xEE);
        std::vector<Bytes> payloads;
        for (const auto& [command, payload] : bench.TakeRequests()) {
            EXPECT_EQ(command, kCmdCapturePiece);
            payloads.push_back(payload);
        }
        EXPECT_EQ(payloads, w.payloads);
    }

    ASSERT_EQ(KorviCardClearPrinterBuffer(h), 1);
    EXPECT_TRUE(bench.capture.data().empty());
    ASSERT_EQ(KorviCardGetPrinterMessageSize(h, &size), 1);
    EXPECT_EQ(size, 0);
}

TEST(PrinterExports, ReaderRefusalsShortRepliesAndBadPointers) {
    PrinterBench bench;
    const int h = bench.handle;
    bench.capture.Print(Counting(40));
    Bytes out(64, 0xEE);
    int count = 8;
    int size = 77;
    int total = 64;

    struct Row {
        const char* what;
        std::function<int()> call;
    };
    const Row nothingSent[] = {
        {"size, null", [&] { return KorviCardGetPrinterMessageSize(h, nullptr); }},
        {"piece, null buffer", [&] { return KorviCardGetPrinterMessage(h, nullptr, 0, &count); }},
        {"piece, null count",
         [&] { return KorviCardGetPrinterMessage(h, out.data(), 0, nullptr); }},
        {"whole, null buffer", [&] { return KorviCardGetPrinterAllMessage(h, nullptr, &total); }},
        {"whole, null total",
         [&] { return KorviCardGetPrinterAllMessage(h, out.data(), nullptr); }},
        {"null handle", [&] { return KorviCardGetPrinterMessageSize(0, &size); }},
        {"closed handle", [&] { return KorviCardClearPrinterBuffer(-1); }},
        {"string command, null handle",
         [&] { return KorviCardExecStringCommand(0, "x,x,x,Halt,x", 12, nullptr, 256); }},
    };
    for (const Row& row : nothingSent) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.call(), 0);
        EXPECT_TRUE(bench.TakeRequests().empty());
    }

    bench.reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 19});
    EXPECT_EQ(KorviCardGetPrinterMessageSize(h, &size), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_SEND_COMMAND);
    EXPECT_EQ(size, 77);

    bench.reader.QueueFault({.kind = sim::FaultKind::kNoReply});
    EXPECT_EQ(KorviCardClearPrinterBuffer(h), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_RECV_TIME_OUT);

    // A piece failing half way leaves the total as it was.
    bench.reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 19});
    total = 64;
    EXPECT_EQ(KorviCardGetPrinterAllMessage(h, out.data(), &total), 0);
    EXPECT_EQ(total, 64);

    // A reader answering fewer size bytes, or more piece bytes than asked for.
    bench.reader.SetHandler(kCmdCaptureSize, [](const sim::Request&) {
        return sim::Reply::Ok({0x10, 0x00});
    });
    EXPECT_EQ(KorviCardGetPrinterMessageSize(h, &size), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_RECV_TIME_OUT);
    EXPECT_EQ(size, 77);
    bench.reader.SetHandler(kCmdCapturePiece,
                            [](const sim::Request&) { return sim::Reply::Ok(Counting(200)); });
    count = 8;
    out.assign(64, 0xEE);
    ASSERT_EQ(KorviCardGetPrinterMessage(h, out.data(), 0, &count), 1);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(out, Join({Counting(8), Bytes(56, 0xEE)}));
}

TEST(PrinterExports, QrDataOfAPrintJobGoesToTheQrHost) {
    PrinterBench bench;
    const int h = bench.handle;
    const Bytes store89 = {0x1D, 0x28, 0x6B, 0x5C, 0x00, 0x30, 0x50, 0x30};
    const Bytes store32 = {0x1D, 0x28, 0x6B, 0x23, 0x00, 0x30, 0x50, 0x30};
    const Bytes text = {0x1B, 0x40, 'T', 'I', 'C', 'K', 'E', 'T', 0x0A};
    const Bytes data = Counting(120, 0x40);
    struct Row {
        const char* what;
        Bytes job;
        int result;
        Bytes relayed;  // empty: nothing sent
    };
    const Row rows[] = {
        {"pL 0x5C: at most 89 bytes", Join({text, store89, data}), 1,
         Bytes(data.begin(), data.begin() + 89)},
        {"pL 0x5C before pL 0x23 in the job", Join({store32, Counting(4), store89, Counting(10)}),
         1, Counting(10)},
        {"pL 0x23: at most 32 bytes", Join({text, store32, data}), 1,
         Bytes(data.begin(), data.begin() + 32)},
        {"short data end with the job", Join({store32, Counting(3)}), 1, Counting(3)},
        {"one data byte after a store at the start", Join({store89, {0x31}}), 1, {0x31}},
        {"no store command", Join({text, data}), 0, {}},
        {"a store with no data after it", Join({text, store89}), 0, {}},
        {"8 bytes are too few", store89, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(
            KorviCardSendData2QrReaderHost(h, row.job.data(), static_cast<int>(row.job.size())),
            row.result);
        const auto sent = bench.TakeRequests();
        if (row.relayed.empty()) {
            EXPECT_TRUE(sent.empty());
        } else {
            ASSERT_EQ(sent.size(), 1u);
            EXPECT_EQ(sent[0].first, kCmdQrHost);
            EXPECT_EQ(sent[0].second, row.relayed);
        }
    }
    EXPECT_EQ(bench.printer.QrRelayed().size(), 5u);
    EXPECT_EQ(KorviCardSendData2QrReaderHost(h, nullptr, 20), 0);
    EXPECT_EQ(KorviCardSendData2QrReaderHost(h, store89.data(), -3), 0);
    EXPECT_TRUE(bench.TakeRequests().empty());
    bench.reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 19});
    const Bytes job = Join({store89, data});
    EXPECT_EQ(KorviCardSendData2QrReaderHost(h, job.data(), static_cast<int>(job.size())), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_SEND_COMMAND);
}

TEST(PrinterExports, TicketTextIsCutOutAndItsFormattingTakenOut) {
    const Bytes china = {0xD6, 0xD0, 0xB9, 0xFA};
    const Bytes lottery = {0xCC, 0xE5, 0xB2, 0xCA};
    const Bytes qr = {0x1D, 0x28, 0x6B, 0x5C, 0x00, 0x31};
    const Bytes init = {0x1B, 0x40};
    struct Row {
        const char* what;
        Bytes message;
        int result;
        Bytes text;
    };
    const Row rows[] = {
        {"ESC ! and GS ! with their parameters",
         Join({init, china, {0x41, 0x1B, 0x21, 0x08, 0x42, 0x1D, 0x21, 0x11, 0x43}, qr}), 1,
         Join({china, {0x41, 0x42, 0x43}})},
        {"every formatting command, each as often as it comes",
         Join({china,
               {0x1B, 0x61, 0x01, 0x31, 0x1B, 0x45, 0x01, 0x32, 0x1B, 0x33, 0x18, 0x33, 0x1B, 0x61,
                0x00, 0x1B, 0x21, 0x00},
               qr}),
         1, Join({china, {0x31, 0x32, 0x33}})},
        {"a run made by taking another out goes too",
         Join({china, {0x1B, 0x1B, 0x21, 0x00, 0x21, 0x05, 0x34}, qr}), 1, Join({china, {0x34}})},
        {"the parameter byte is not compared", Join({china, {0x1B, 0x21, 0x1B, 0x35}, qr}), 1,
         Join({china, {0x35}})},
        {"a command cut by the end stays", Join({china, {0x36, 0x1B, 0x21}, qr}), 1,
         Join({china, {0x36, 0x1B, 0x21}})},
        {"the lottery marker when there is no 中国", Join({lottery, {0x37}, qr, lottery}), 1,
         Join({lottery, {0x37}})},
        {"the first QR command ends the text", Join({china, {0x38}, qr, {0x39}, qr}), 1,
         Join({china, {0x38}})},
        {"a QR command ending the message", Join({china, {0x3A}, {0x1D, 0x28, 0x6B}}), 1,
         Join({china, {0x3A}})},
        {"the only start after the QR command", Join({{0x41}, qr, china, {0x42}}), 0, {}},
        {"no QR command", Join({china, {0x41, 0x42}}), 0, {}},
        {"no start marker", Join({{0x41, 0x42}, qr}), 0, {}},
        {"three bytes", {0x1D, 0x28, 0x6B}, 0, {}},
        {"two bytes", {0xD6, 0xD0}, 0, {}},
        {"one byte", {0x1D}, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // The message in a buffer of its exact size, so that a read past it is caught.
        const std::size_t n = row.message.size();
        std::unique_ptr<unsigned char[]> message(new unsigned char[n]);
        std::memcpy(message.get(), row.message.data(), n);
        Bytes out(n + 4, 0xEE);
        int length = static_cast<int>(n);
        ASSERT_EQ(KorviCardGetTextFromPrinterMessage(message.get(), static_cast<int>(n), out.data(),
                                                     &length),
                  row.result);
        if (row.result == 0) {
            EXPECT_EQ(length, static_cast<int>(n));
            continue;
        }
        ASSERT_EQ(length, static_cast<int>(row.text.size()));
        EXPECT_EQ(Bytes(out.begin(), out.begin() + length), row.text);
        EXPECT_EQ(out[static_cast<std::size_t>(length)], 0);
    }

    const Bytes message = Join({china, {0x41}, qr});
    Bytes out(message.size());
    int length = static_cast<int>(message.size()) - 1;
    EXPECT_EQ(KorviCardGetTextFromPrinterMessage(message.data(), static_cast<int>(message.size()),
                                                 out.data(), &length),
              0);
    length = static_cast<int>(out.size());
    EXPECT_EQ(KorviCardGetTextFromPrinterMessage(nullptr, 4, out.data(), &length), 0);
    EXPECT_EQ(KorviCardGetTextFromPrinterMessage(message.data(), 0, out.data(), &length), 0);
    EXPECT_EQ(KorviCardGetTextFromPrinterMessage(message.data(), 11, nullptr, &length), 0);
    EXPECT_EQ(KorviCardGetTextFromPrinterMessage(message.data(), 11, out.data(), nullptr), 0);
}

// The string commands over the Mifare and CPU-card operations.
struct StringCase {
    const char* command;
    int result;
    const char* output;                  // nullptr: the output is left as it was
    std::vector<std::uint8_t> commands;  // reader commands decoded, in order
};

void RunStringCases(PrinterBench& bench, const std::vector<StringCase>& cases) {
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.command);
        char output[300];
        std::memset(output, '#', sizeof output);
        EXPECT_EQ(KorviCardExecStringCommand(bench.handle, c.command,
                                             static_cast<int>(std::strlen(c.command)), output, 256),
                  c.result);
        if (c.output == nullptr) {
            EXPECT_EQ(output[0], '#');
        } else {
            EXPECT_STREQ(output, c.output);
        }
        std::vector<std::uint8_t> commands;
        for (const auto& [command, payload] : bench.TakeRequests()) commands.push_back(command);
        EXPECT_EQ(commands, c.commands);
    }
}

TEST(PrinterExports, StringCommandsDriveTheMifareOperations) {
    PrinterBench bench;
    bench.PresentMifare(sim::MifareClassicCard::Size::k1K);
    RunStringCases(bench,
                   {
                       {"x,x,x,Beep,x,20", 1, nullptr, {11}},
                       {"x,x,x,GetCardNo,x,38", 1, "3a5c7e91,4,8", {1, 2, 3}},
                       {"x,x,x,LoadKey,x,96,1,FFFFFFFFFFFF", 1, nullptr, {10}},
                       {"x,x,x,Authentication,x,96,1", 1, nullptr, {4}},
                       {"x,x,x,Write,x,4,00112233445566778899aabbccddeeff", 1, nullptr, {7}},
                       {"x,x,x,Read,x,4", 1, "00112233445566778899aabbccddeeff", {6}},
                       {"x,x,x,Write,x,5,0123456789ABCDEF0123456789ABCDEF0000", 1, nullptr, {7}},
                       {"x,x,x,Read,x,5", 1, "0123456789abcdef0123456789abcdef", {6}},
                       {"x,x,x,Halt,x", 1, nullptr, {5}},
                       {"x,x,x,Read,x,4", 0, nullptr, {6}},
                       {"x,x,x,Beep,x", 0, "Too few parameters", {}},
                       {"x,x,x,LoadKey,x,96,1", 0, "Too few parameters", {}},
                       {"x,x,x,Foo,x", 1, "Unknown Command", {}},
                       {"x,x,x,beep,x,20", 1, "Unknown Command", {}},
                       {"x,x,x,Beep", 0, nullptr, {}},
                       {"", 0, nullptr, {}},
                       {"x,x,x,Beep,x,ten", 0, nullptr, {}},
                       {"x,x,x,Beep,x,70000", 0, nullptr, {}},
                       {"x,x,x,Read,x,-1", 0, nullptr, {}},
                       {"x,x,x,Read,x,4x", 0, nullptr, {}},
                       {"x,x,x,LoadKey,x,96,1,FFFFFFFFFFF", 0, nullptr, {}},
                       {"x,x,x,LoadKey,x,96,1,FFFFFFFFFFGG", 0, nullptr, {}},
                       {"x,x,x,Write,x,4,00112233445566778899aabbccddee", 0, nullptr, {}},
                       {"x,x,x,Write,x,4,0011223344556677889900aabbccddzz", 0, nullptr, {}},
                   });
    // A key text longer than the record's key field.
    const std::string longKey = "x,x,x,LoadKey,x,96,1," + std::string(130, 'F');
    RunStringCases(bench, {{longKey.c_str(), 0, nullptr, {}}});
}

TEST(PrinterExports, StringCommandsDriveTheCpuCardOperations) {
    PrinterBench bench;
    auto app = std::make_shared<sim::ApduScript>(R"(
        0084000008 => 1122334455667788 9000
        00B00000C8 => )" + std::string(400, 'A') +
                                                 R"( 9000
    )");
    bench.field.PresentTypeA(std::make_shared<sim::TypeACpuCard>(app));
    char output[256];
    ASSERT_EQ(KorviCardExecStringCommand(bench.handle, "x,x,x,GetCardNo,x,82", 20, output, 256), 1);
    bench.TakeRequests();
    RunStringCases(bench,
                   {
                       {"x,x,x,ResetCpuCardNoGetCardNo,x", 1, "0578007002", {14}},
                       {"x,x,x,SendCOSCommand,x,0084000008", 1, "11223344556677889000", {14}},
                       {"x,x,x,SendCOSCommand,x,008400000", 0, nullptr, {}},
                       {"x,x,x,SendCOSCommand,x,", 0, nullptr, {}},
                       // 202 bytes of answer take more than the output holds as text.
                       {"x,x,x,SendCOSCommand,x,00B00000C8", 0, nullptr, {14, 14, 14, 14}},
                       {"x,x,x,DeselectCpuCard,x", 1, "ca00", {14}},
                   });
    EXPECT_EQ(app->received().size(), 2u);
}

TEST(PrinterExports, StringCommandArgumentsAndOutputBounds) {
    PrinterBench bench;
    bench.PresentMifare(sim::MifareClassicCard::Size::k1K);
    char output[256];
    std::memset(output, '#', sizeof output);
    // An output below 256 bytes, a null text or output, a length of 0: nothing happens.
    EXPECT_EQ(KorviCardExecStringCommand(bench.handle, "x,x,x,Foo,x", 11, output, 255), 0);
    EXPECT_EQ(KorviCardExecStringCommand(bench.handle, nullptr, 11, output, 256), 0);
    EXPECT_EQ(KorviCardExecStringCommand(bench.handle, "x,x,x,Foo,x", 11, nullptr, 256), 0);
    EXPECT_EQ(KorviCardExecStringCommand(bench.handle, "x,x,x,Foo,x", 0, output, 256), 0);
    EXPECT_EQ(output[0], '#');
    // The text ends at its length or at its first zero, whichever comes first.
    EXPECT_EQ(KorviCardExecStringCommand(bench.handle, "x,x,x,Read,x,4", 12, output, 256), 0);
    EXPECT_STREQ(output, "Too few parameters");
    const char withZero[] = "x,x,x,Foo,x\0,4";
    EXPECT_EQ(KorviCardExecStringCommand(bench.handle, withZero, sizeof withZero, output, 256), 1);
    EXPECT_STREQ(output, "Unknown Command");
    EXPECT_TRUE(bench.TakeRequests().empty());
}

TEST(PrinterExports, CaptureAndStringCommandOverTcp) {
    sim::SimulatedReader reader;
    sim::PrinterCapture capture;
    sim::PrinterCommands printer{reader, capture};
    sim::ReaderPort port{reader};
    sim::TcpServer server{port};
    ASSERT_TRUE(server.Start());
    const Bytes job = Counting(150, 1);
    capture.Print(job);
    const int h = KorviCardOpenDevice("127.0.0.1", server.Port(), 0, 0, 1000, nullptr);
    ASSERT_GT(h, 0);
    Bytes out(200, 0);
    int total = 200;
    ASSERT_EQ(KorviCardGetPrinterAllMessage(h, out.data(), &total), 1);
    EXPECT_EQ(total, 150);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + total), job);
    ASSERT_EQ(KorviCardClearPrinterBuffer(h), 1);
    char output[256] = {};
    EXPECT_EQ(KorviCardExecStringCommand(h, "1,2,3,Halt,4", 12, output, 256), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_SEND_COMMAND);
    KorviCardCloseDevice(h);
    server.Stop();
    EXPECT_TRUE(capture.data().empty());
}

}  // namespace
