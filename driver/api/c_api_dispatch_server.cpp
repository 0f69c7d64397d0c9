#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the identity-card reads relayed through an identity server and the dispatch server.

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByServer(int handle, const char* host,
                                                            TwoIdInfoParam* param) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetTwoIdInfoByServer(host, param); });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByServerEx(int handle, const char* host,
                                                              int port, TwoIdInfoParam* param,
                                                              int timeoutSeconds) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetTwoIdInfoByServerEx(host, port, param, timeoutSeconds);
    });
}

namespace {

int ByWireless(int handle, const char* host, int port, TwoIdInfoParam* param, int timeoutSeconds,
               bool alternative) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetTwoIdInfoByWireless(host, port, param, timeoutSeconds, alternative);
    });
}

int ByPsamServer(int handle, const char* host, int port, TwoIdInfoParam* param, int timeoutSeconds,
                 bool alternative) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetTwoIdInfoByPsamServer(host, port, param, timeoutSeconds, alternative);
    });
}

int ByMcuServer(int handle, const char* dispatchHost, const uint32_t* dispatchValue,
                const char* account, TwoIdInfoParam* param, uint32_t firstRequest,
                uint32_t secondRequest, int timeoutSeconds, bool alternative) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.GetTwoIdInfoByMcuServer(dispatchHost, dispatchValue, account, param, firstRequest,
                                         secondRequest, timeoutSeconds, alternative);
    });
}

}  // namespace

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByWireless(int handle, const char* host,
                                                              int port, TwoIdInfoParam* param,
                                                              int timeoutSeconds) {
    return ByWireless(handle, host, port, param, timeoutSeconds, false);
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByWirelessEx(int handle, const char* host,
                                                                int port, TwoIdInfoParam* param,
                                                                int timeoutSeconds) {
    return ByWireless(handle, host, port, param, timeoutSeconds, true);
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByPsamServer(int handle, const char* host,
                                                                int port, TwoIdInfoParam* param,
                                                                int timeoutSeconds) {
    return ByPsamServer(handle, host, port, param, timeoutSeconds, false);
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByPsamServerEx(int handle, const char* host,
                                                                  int port, TwoIdInfoParam* param,
                                                                  int timeoutSeconds) {
    return ByPsamServer(handle, host, port, param, timeoutSeconds, true);
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByMcuServer(
    int handle, const char* dispatchHost, const uint32_t* dispatchValue, const char* account,
    TwoIdInfoParam* param, uint32_t firstRequest, uint32_t secondRequest, int timeoutSeconds) {
    return ByMcuServer(handle, dispatchHost, dispatchValue, account, param, firstRequest,
                       secondRequest, timeoutSeconds, false);
}

extern "C" int KORVICARD_CALL KorviCardGetTwoIdInfoByMcuServerEx(
    int handle, const char* dispatchHost, const uint32_t* dispatchValue, const char* account,
    TwoIdInfoParam* param, uint32_t firstRequest, uint32_t secondRequest, int timeoutSeconds) {
    return ByMcuServer(handle, dispatchHost, dispatchValue, account, param, firstRequest,
                       secondRequest, timeoutSeconds, true);
}

extern "C" int KORVICARD_CALL KorviCardGetTwoGenerationIDCardNo(int handle, char* text, int size) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.GetTwoGenerationIDCardNo(text, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetTwoGenerationIDDnNo(int handle, char* text, int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetTwoGenerationIDDnNo(text, size); });
}
