#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the identity card read through the reader's SAMV module and of the module's
// helper commands: one operation each.

extern "C" int KORVICARD_CALL KorviCardSendSamvCommand(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendSamvCommand(param); });
}

extern "C" int KORVICARD_CALL KorviCardSendCosResult2Samv(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendCosResult2Samv(param); });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvUartData(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetSamvUartData(param); });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfo(int handle, TwoIdInfoParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetTwoIdInfo(param); });
}

extern "C" int KORVICARD_CALL KorviCardGetSdtCmd(int handle, unsigned char* buffer, int* length) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetSdtCmd(buffer, length); });
}

extern "C" int KORVICARD_CALL KorviCardClearSdtCmd(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ClearSdtCmd(); });
}

extern "C" int KORVICARD_CALL KorviCardSaveSamvResult2JpegBuffer(int handle, int flag) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.SaveSamvResult2JpegBuffer(flag); });
}

extern "C" int KORVICARD_CALL KorviCardSetSamvResultTag(int handle, int tag) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetSamvResultTag(tag); });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvPowerStatus(int handle, int* status) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetSamvPowerStatus(status); });
}

extern "C" int KORVICARD_CALL KorviCardSetSamvPowerStatus(int handle, int status) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetSamvPowerStatus(status); });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvLastApdu(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetSamvLastApdu(param); });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvLastApduResult(int handle, KorviCardParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetSamvLastApduResult(param); });
}
