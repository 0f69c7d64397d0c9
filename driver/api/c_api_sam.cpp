#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the SAM and contact-card slot commands: one operation each.

extern "C" int KORVICARD_CALL KorviCardSetSamSlotIndex(int handle, int slot) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetSamSlotIndex(slot); });
}

extern "C" int KORVICARD_CALL KorviCardSetSamPowerOnOff(int handle, int on) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetSamPowerOnOff(on); });
}

extern "C" int KORVICARD_CALL KorviCardSetSamVSel0(int handle, int slot, int level) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetSamVSel0(slot, level); });
}

extern "C" int KORVICARD_CALL KorviCardSetSamVSel1(int handle, int slot, int level) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetSamVSel1(slot, level); });
}

extern "C" int KORVICARD_CALL KorviCardResetSam(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ResetSam(param); });
}

extern "C" int KORVICARD_CALL KorviCardSendSamAPDU(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendSamAPDU(param); });
}
