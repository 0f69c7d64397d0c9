#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the type B, FeliCa, NFC buffer and NTAG21x commands: one operation each.

extern "C" int KORVICARD_CALL KorviCardRequestB(int handle, int mode, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.RequestB(mode, param); });
}

extern "C" int KORVICARD_CALL KorviCardSelectB(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SelectB(param); });
}

extern "C" int KORVICARD_CALL KorviCardHaltB(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.HaltB(); });
}

extern "C" int KORVICARD_CALL KorviCardFelicaPolling(int handle, int request,
                                                     KorviCardParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.FelicaPolling(request, param); });
}

extern "C" int KORVICARD_CALL KorviCardReadNfcBuffer(int handle, char* buffer, int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ReadNfcBuffer(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardWriteNfcBuffer(int handle, const char* text, int length) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.WriteNfcBuffer(text, length); });
}

extern "C" int KORVICARD_CALL KorviCardNtagGetVersion(int handle, unsigned char* buffer, int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.NtagGetVersion(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardNtagPwdAuth(int handle, const unsigned char* password,
                                                   int length) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.NtagPwdAuth(password, length); });
}
