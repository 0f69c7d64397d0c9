#include <cstdint>

#include "api/c_api_frame.h"
#include "core/modules/printer_text.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the printer capture, the QR relay and the string commands: one operation each.

extern "C" int KORVICARD_CALL KorviCardExecStringCommand(int handle, const char* text, int length,
                                                         char* output, int size) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.ExecStringCommand(text, length, output, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetPrinterMessageSize(int handle, int* size) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetPrinterMessageSize(size); });
}

extern "C" int KORVICARD_CALL KorviCardGetPrinterMessage(int handle, unsigned char* output,
                                                         int offset, int* count) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.GetPrinterMessage(output, offset, count); });
}

extern "C" int KORVICARD_CALL KorviCardGetPrinterAllMessage(int handle, unsigned char* output,
                                                            int* total) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetPrinterAllMessage(output, total); });
}

extern "C" int KORVICARD_CALL KorviCardClearPrinterBuffer(int handle) {
    return ForwardToReader(handle, [](ReaderSession& s) { return s.ClearPrinterBuffer(); });
}

extern "C" int KORVICARD_CALL KorviCardSendData2QrReaderHost(int handle, const unsigned char* data,
                                                             int length) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.SendData2QrReaderHost(data, length); });
}

extern "C" int KORVICARD_CALL KorviCardGetTextFromPrinterMessage(const unsigned char* message,
                                                                 int length, unsigned char* output,
                                                                 int* outputLength) {
    return Guarded(0, [&] {
        return GetTextFromPrinterMessage(message, length, output, outputLength) ? 1 : 0;
    });
}

extern "C" int KORVICARD_CALL KorviCardSendMessage2Printer(const char* port,
                                                           const unsigned char* message, int length,
                                                           unsigned char* reply, int* replyLength) {
    return Guarded(0, [&] {
        return ReaderSession::SendMessage2Printer(port, message, length, reply, replyLength) ? 1
                                                                                             : 0;
    });
}
