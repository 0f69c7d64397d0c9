#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the Mifare Classic and ISO 14443-A commands: one operation each.

extern "C" int KORVICARD_CALL KorviCardRequest(int handle, int mode, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Request(mode, param); });
}

extern "C" int KORVICARD_CALL KorviCardAnticoll(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Anticoll(param); });
}

extern "C" int KORVICARD_CALL KorviCardSelect(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Select(param); });
}

extern "C" int KORVICARD_CALL KorviCardAuthentication(int handle, int keyMode, int sector,
                                                      KorviCardParam* param) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.Authentication(keyMode, sector, param); });
}

extern "C" int KORVICARD_CALL KorviCardAuthenticationWithPassword(int handle, int keyMode,
                                                                  int sector,
                                                                  KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.AuthenticationWithPassword(keyMode, sector, param);
    });
}

extern "C" int KORVICARD_CALL KorviCardHalt(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Halt(); });
}

extern "C" int KORVICARD_CALL KorviCardRead(int handle, int block, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Read(block, param); });
}

extern "C" int KORVICARD_CALL KorviCardWrite(int handle, int block, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Write(block, param); });
}

extern "C" int KORVICARD_CALL KorviCardWriteBlock0(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.WriteBlock0(param); });
}

extern "C" int KORVICARD_CALL KorviCardIncrement(int handle, int block, unsigned int value) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Increment(block, value); });
}

extern "C" int KORVICARD_CALL KorviCardDecrement(int handle, int block, unsigned int value) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Decrement(block, value); });
}

extern "C" int KORVICARD_CALL KorviCardRestore(int handle, int block) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Restore(block); });
}

extern "C" int KORVICARD_CALL KorviCardTransfer(int handle, int block) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Transfer(block); });
}

extern "C" int KORVICARD_CALL KorviCardLoadKey(int handle, int keyMode, int sector,
                                               KorviCardParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.LoadKey(keyMode, sector, param); });
}

extern "C" int KORVICARD_CALL KorviCardBeep(int handle, int time) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.Beep(time); });
}

extern "C" int KORVICARD_CALL KorviCardEmptyBuffer(int handle, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.EmptyBuffer(param); });
}

extern "C" int KORVICARD_CALL KorviCardGetCardNo(int handle, int mode, KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetCardNo(mode, param); });
}

extern "C" int KORVICARD_CALL KorviCardGetCardNoEx(int handle, int requestMode, int beepTime,
                                                   int option1, int option2,
                                                   KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetCardNoEx(requestMode, beepTime, option1, option2, param);
    });
}

extern "C" int KORVICARD_CALL KorviCardInitValue(int handle, int block, int value) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.InitValue(block, value); });
}

extern "C" int KORVICARD_CALL KorviCardChangePassword(int handle, int sector, const char* keyAHex,
                                                      const char* keyBHex) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.ChangePassword(sector, keyAHex, keyBHex); });
}

extern "C" int KORVICARD_CALL KorviCardReadData(int handle, int requestMode, int block,
                                                int blockCount, int beepTime, int keyMode,
                                                KorviCardParam* param) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.ReadData(requestMode, block, blockCount, beepTime, keyMode, param);
    });
}

extern "C" int KORVICARD_CALL KorviCardWriteData(int handle, int block, int beepTime,
                                                 int blockCount, KorviCardParam* param) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.WriteData(block, beepTime, blockCount, param); });
}

extern "C" int KORVICARD_CALL KorviCardReadText(int handle, int start, char* buffer, int length) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.ReadText(start, buffer, length); });
}

extern "C" int KORVICARD_CALL KorviCardWriteText(int handle, int start, const char* text,
                                                 int length) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.WriteText(start, text, length); });
}

extern "C" int KORVICARD_CALL KorviCardSetCardType(int handle, int type) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetCardType(type); });
}
