// A message straight to a printer on a serial port of its own, and its answer.
#include <cstring>

#include "core/protocol/reader_session.h"
#include "core/transport/serial_transport.h"

namespace {

constexpr int kPrinterBaud = 38400;
constexpr int kPrinterDataBits = 8;
constexpr int kPrinterStopBitCode = 0;
constexpr char kPrinterParity = 'n';
// Milliseconds: the transport waits whole seconds, at least one.
constexpr int kPrinterTimeout = 10;
constexpr int kReplyRead = 128;

}  // namespace

bool ReaderSession::SendMessage2Printer(const char* port, const std::uint8_t* message, int length,
                                        std::uint8_t* reply, int* replyLength) {
    if (port == nullptr || message == nullptr || reply == nullptr || replyLength == nullptr ||
        length <= 0 || *replyLength < kReplyRead) {
        return false;
    }
    SerialTransport printer;
    if (!printer.Open(port, kPrinterBaud, kPrinterDataBits, kPrinterStopBitCode, kPrinterParity,
                      kPrinterTimeout)) {
        return false;
    }
    if (printer.Write(message, length) < length) return false;
    std::uint8_t answer[kReplyRead];
    const int received = printer.Read(answer, kReplyRead);
    if (received > 0) {
        std::memcpy(reply, answer, static_cast<std::size_t>(received));
        *replyLength = received;
    }
    return true;
}
