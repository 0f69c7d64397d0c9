#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the identity-card server box commands, the photo decoder and the settings. The box's
// administrative commands return the operation's integer unchanged, -1 for a null handle.

namespace {

template <class Body>
int ServerCommand(int handle, Body&& body) noexcept {
    return WithReader(handle, -1, [&](ReaderSession& s) { return body(s); });
}

}  // namespace

extern "C" int KORVICARD_CALL KorviCardWlDecodeByServer(int handle, const char* host,
                                                        TwoIdInfoParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.WlDecodeByServer(host, param); });
}

extern "C" int KORVICARD_CALL KorviCardSetIdPhotoAddress(int handle, unsigned char* buffer,
                                                         int size, int flag) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.SetIdPhotoAddress(buffer, size, flag != 0 ? 1 : 0);
    });
}

extern "C" int KORVICARD_CALL KorviCardResetMcuByServer(int handle, const char* host, int port) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ResetMcuByServer(host, port); });
}

extern "C" int KORVICARD_CALL KorviCardResetSamvByServer(int handle, const char* host, int port) {
    return KorviCardResetMcuByServer(handle, host, port);
}

extern "C" int KORVICARD_CALL KorviCardGetSamvCheckStatusByServer(int handle, const char* host,
                                                                  int port) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetSamvCheckStatusByServer(host, port); });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvManagerMessageByServer(int handle, const char* host,
                                                                     int port, char* text,
                                                                     int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetSamvManagerMessageByServer(host, port, text, size);
    });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvWaitTimeByInterval(int handle, const char* host,
                                                                 int port, unsigned char* buffer,
                                                                 int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetSamvWaitTimeByInterval(host, port, buffer, size);
    });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvLastErrorInfo(int handle, const char* host, int port,
                                                            SamvLastErrorInfo* record) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.GetSamvLastErrorInfo(host, port, record); });
}

extern "C" int KORVICARD_CALL KorviCardGetSamvSendReceivTimeInfo(int handle, const char* host,
                                                                 int port,
                                                                 SamvTimeInfoEntry* items,
                                                                 int count) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetSamvSendReceivTimeInfo(host, port, items, count);
    });
}

extern "C" int KORVICARD_CALL KorviCardResetPsamByServer(int handle, const char* host, int port,
                                                         unsigned char* buffer, int size) {
    return ServerCommand(
        handle, [&](ReaderSession& s) { return s.ResetPsamByServer(host, port, buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardPsamCommandByServer(int handle, const char* host, int port,
                                                           unsigned char* buffer, int length,
                                                           int size) {
    return ServerCommand(handle, [&](ReaderSession& s) {
        return s.PsamCommandByServer(host, port, buffer, length, size);
    });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdServerMacAddress(int handle, const char* host,
                                                                int port, unsigned char* buffer,
                                                                int size) {
    return ServerCommand(handle, [&](ReaderSession& s) {
        return s.GetTwoIdServerMacAddress(host, port, buffer, size);
    });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdServerMcuSerialNo(int handle, const char* host,
                                                                 int port, unsigned char* buffer,
                                                                 int size) {
    return ServerCommand(handle, [&](ReaderSession& s) {
        return s.GetTwoIdServerMcuSerialNo(host, port, buffer, size);
    });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdServerAppConfig(int handle, const char* host,
                                                               int port,
                                                               KorviCardAppConfig* config) {
    return ServerCommand(
        handle, [&](ReaderSession& s) { return s.GetTwoIdServerAppConfig(host, port, config); });
}

extern "C" int KORVICARD_CALL KorviCardSetTwoIdServerAppConfig(int handle, const char* host,
                                                               int port,
                                                               KorviCardAppConfig* config) {
    return ServerCommand(
        handle, [&](ReaderSession& s) { return s.SetTwoIdServerAppConfig(host, port, config); });
}

extern "C" int KORVICARD_CALL KorviCardClearTwoIdServerAppConfig(int handle, const char* host,
                                                                 int port,
                                                                 KorviCardAppConfig* config) {
    return ServerCommand(
        handle, [&](ReaderSession& s) { return s.ClearTwoIdServerAppConfig(host, port, config); });
}

extern "C" int KORVICARD_CALL KorviCardChangeTwoIdServerAppConfigPassword(
    int handle, const char* host, int port, const char* oldPassword, const char* newPassword) {
    return ServerCommand(handle, [&](ReaderSession& s) {
        return s.ChangeTwoIdServerAppConfigPassword(host, port, oldPassword, newPassword);
    });
}

extern "C" int KORVICARD_CALL KorviCardPowerOnOffOtherDevice(int handle, const char* host,
                                                             int port, int value,
                                                             const unsigned char* block) {
    return ServerCommand(
        handle, [&](ReaderSession& s) { return s.PowerOnOffOtherDevice(host, port, value, block); });
}

extern "C" int KORVICARD_CALL KorviCardSamvLedOnOff(int handle, const char* host, int port,
                                                    int value) {
    return ServerCommand(handle, [&](ReaderSession& s) { return s.SamvLedOnOff(host, port, value); });
}
