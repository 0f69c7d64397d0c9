#include "api/c_api_frame.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// The error getters. A handle that names no reader answers 1 (LCEC_UNKNOWN).

extern "C" int KORVICARD_CALL KorviCardGetErrorCode(int handle) {
    return WithReader(handle, 1, [](ReaderSession& session) { return session.GetErrorCode(); });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdErrorCode(int handle) {
    return WithReader(handle, 1,
                      [](ReaderSession& session) { return session.GetTwoIdErrorCode(); });
}

// Names a code without asking the reader, for an open reader's handle only.
extern "C" void KORVICARD_CALL KorviCardGetTwoIdErrorInfo(int handle, int code, char* buffer,
                                                          int size) {
    WithReaderVoid(handle,
                   [&](ReaderSession&) { GetTwoIdErrorName(code, buffer, SizeArgument(size)); });
}

extern "C" void KORVICARD_CALL KorviCardGetTwoIdDispatchServerErrorInfo(int handle, char* buffer,
                                                                        int size) {
    WithReaderVoid(handle, [&](ReaderSession& session) {
        session.GetTwoIdDispatchServerErrorInfo(buffer, SizeArgument(size));
    });
}
