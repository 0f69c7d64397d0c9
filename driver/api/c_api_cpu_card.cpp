#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the CPU-card commands and the ISO 14443-4 layer: one operation each, on the
// handle's own session.

extern "C" int KORVICARD_CALL KorviCardSendCpuCommand(int handle, int mode, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendCpuCommand(mode, param); });
}

extern "C" int KORVICARD_CALL KorviCardResetCpuCard(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ResetCpuCard(param); });
}

extern "C" int KORVICARD_CALL KorviCardResetCpuCardNoGetCardNo(int handle, KorviCardParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.ResetCpuCardNoGetCardNo(param); });
}

extern "C" int KORVICARD_CALL KorviCardDeselectCpuCard(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.DeselectCpuCard(param); });
}

extern "C" int KORVICARD_CALL KorviCardSendCOSCommand(int handle, KorviCardParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.Iso14443SendCOSCommand(param); });
}

extern "C" int KORVICARD_CALL KorviCardCpuCardSelectByName(int handle, const char* name,
                                                           unsigned char* output, int* length) {
    if (length == nullptr) return 0;
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.CpuCardSelectByName(name, output, length, false);
    });
}

extern "C" int KORVICARD_CALL KorviCardCpuCardReadBinary(int handle, int sfi, unsigned char* output,
                                                         int* length) {
    if (length == nullptr) return 0;
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.CpuCardReadBinary(sfi, output, length, false); });
}
