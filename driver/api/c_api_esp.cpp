#include <type_traits>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the ESP WiFi module and its firmware flashing: one operation each.

static_assert(std::is_same_v<EspFlashProgressCallBack, ReaderSession::EspFlashProgress>,
              "the progress callback of the header is the session's");

extern "C" int KORVICARD_CALL KorviCardGetStaInfo(int handle, unsigned char* buffer) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetStaInfo(buffer); });
}

extern "C" int KORVICARD_CALL KorviCardSetStaInfo(int handle, const unsigned char* buffer) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetStaInfo(buffer); });
}

extern "C" int KORVICARD_CALL KorviCardGetWifiMode(int handle, unsigned char* mode) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetWifiMode(mode); });
}

extern "C" int KORVICARD_CALL KorviCardSetWifiMode(int handle, int mode) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetWifiMode(mode); });
}

extern "C" int KORVICARD_CALL KorviCardWifiDisable(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.WifiDisable(); });
}

extern "C" int KORVICARD_CALL KorviCardWifiEnable(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.WifiEnable(); });
}

extern "C" int KORVICARD_CALL KorviCardScanAp(int handle, unsigned char* buffer, int capacity,
                                              int waitMs) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.ScanAp(buffer, capacity, waitMs); });
}

extern "C" int KORVICARD_CALL KorviCardSendEspEnterIspCommand(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendEspEnterIspCommand(); });
}

extern "C" int KORVICARD_CALL KorviCardSendEspIspBeginCommand(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendEspIspBeginCommand(); });
}

extern "C" int KORVICARD_CALL KorviCardWriteEspFile2Flash(int handle, const char* path,
                                                          unsigned int offset,
                                                          EspFlashProgressCallBack progress) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.WriteEspFile2Flash(path, offset, progress); });
}

extern "C" int KORVICARD_CALL KorviCardSendEspIspEndCommand(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendEspIspEndCommand(); });
}
