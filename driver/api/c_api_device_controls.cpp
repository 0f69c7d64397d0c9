#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the reader's device controls: one operation each.

namespace {

std::uint8_t* Block(KorviCardAppConfig* config) { return reinterpret_cast<std::uint8_t*>(config); }

const std::uint8_t* Block(const KorviCardAppConfig* config) {
    return reinterpret_cast<const std::uint8_t*>(config);
}

}  // namespace

extern "C" int KORVICARD_CALL KorviCardGetDeviceNo(int handle, char* buffer, int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetDeviceNo(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetDeviceMacAddress(int handle, unsigned char* buffer,
                                                           int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetDeviceMacAddress(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetMcuSerailNo(int handle, char* buffer, int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetMcuSerailNo(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardSetRfOnOff(int handle, int on) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetRfOnOff(on); });
}

extern "C" int KORVICARD_CALL KorviCardSetLedStatus(int handle, int state) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetLedStatus(state); });
}

extern "C" int KORVICARD_CALL KorviCardResetRfIc(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ResetRfIc(); });
}

extern "C" int KORVICARD_CALL KorviCardSetServerIpPort(int handle, unsigned int address, int port) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.SetServerIpPort(address, port); });
}

extern "C" int KORVICARD_CALL KorviCardGetServerIpPort(int handle, unsigned int* address,
                                                       unsigned short* port) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetServerIpPort(address, port); });
}

extern "C" int KORVICARD_CALL KorviCardGetMcuConfig(int handle, unsigned char* buffer, int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetMcuConfig(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetIspOption(int handle, unsigned char* buffer, int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetIspOption(buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardSetIspOption(int handle, const unsigned char* data,
                                                    int length) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetIspOption(data, length); });
}

extern "C" int KORVICARD_CALL KorviCardReadWriteRfRegister(int handle, int mode, int reg,
                                                           int value) {
    return WithReader(handle, 0, [&](ReaderSession& s) -> int {
        return s.ReadWriteRfRegister(mode, reg, value);
    });
}

extern "C" int KORVICARD_CALL KorviCardSetMcuUartParam(int handle, const unsigned char* block) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetMcuUartParam(block); });
}

extern "C" int KORVICARD_CALL KorviCardSendCommand2McuUart(int handle, int uart,
                                                           const unsigned char* data, int length) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.SendCommand2McuUart(static_cast<std::uint32_t>(uart), data, length);
    });
}

extern "C" int KORVICARD_CALL KorviCardReceiveResultOfMcuUart(int handle, int uart,
                                                              unsigned char* buffer, int* length) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.ReceiveResultOfMcuUart(static_cast<std::uint32_t>(uart), buffer, length);
    });
}

extern "C" int KORVICARD_CALL KorviCardSetAppConfig(int handle, const KorviCardAppConfig* config) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetAppConfig(config); });
}

extern "C" int KORVICARD_CALL KorviCardGetAppConfig(int handle, KorviCardAppConfig* config) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetAppConfig(config); });
}

extern "C" int KORVICARD_CALL KorviCardSetAppConfigE2s(int handle,
                                                       const KorviCardAppConfig* config) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.SetAppConfigE2s(Block(config)); });
}

extern "C" int KORVICARD_CALL KorviCardGetAppConfigE2s(int handle, KorviCardAppConfig* config) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetAppConfigE2s(Block(config)); });
}

extern "C" int KORVICARD_CALL KorviCardSendPs2Key(int handle, const unsigned char* keys, int length,
                                                  unsigned int* result) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.SendPs2Key(keys, length, result); });
}

extern "C" int KORVICARD_CALL KorviCardSendTiCaiKey(int handle, int index, unsigned int* result) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SendTiCaiKey(index, result); });
}

extern "C" int KORVICARD_CALL KorviCardSetRelayStatus(int handle, int relay, int status,
                                                      const char* password) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.SetRelayStatus(relay, status, password); });
}

extern "C" int KORVICARD_CALL KorviCardGetRelayStatus(int handle, int relay,
                                                      unsigned char* status) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetRelayStatus(relay, status); });
}

extern "C" int KORVICARD_CALL KorviCardSetRelayInitStatus(int handle, const unsigned char* states,
                                                          const unsigned char* password,
                                                          unsigned int seconds) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.SetRelayInitStatus(states, password, seconds); });
}

extern "C" int KORVICARD_CALL KorviCardGetRelayInitStatus(int handle, unsigned char* states,
                                                          unsigned char* password,
                                                          unsigned int* seconds) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.GetRelayInitStatus(states, password, seconds); });
}

extern "C" int KORVICARD_CALL KorviCardGetChargeVoltage(int handle, float* voltage) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetChargeVoltage(voltage); });
}

extern "C" int KORVICARD_CALL KorviCardGetChargeStatus(int handle, unsigned char* status) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetChargeStatus(status); });
}

extern "C" int KORVICARD_CALL KorviCardSetChargeCurrent(int handle, int current) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetChargeCurrent(current); });
}

extern "C" int KORVICARD_CALL KorviCardGetChargeCurrent(int handle, int* current) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetChargeCurrent(current); });
}

extern "C" int KORVICARD_CALL KorviCardGetUsbCharge(int handle, int* value) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetUsbCharge(value); });
}

extern "C" int KORVICARD_CALL KorviCardResetMcu(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.ResetMcu(); });
}

extern "C" int KORVICARD_CALL KorviCardSetMcuBkp(int handle, int value) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.SetMcuBkp(value); });
}

extern "C" int KORVICARD_CALL KorviCardGetMcuDebugBkp(int handle, unsigned int* value) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetMcuDebugBkp(value); });
}

extern "C" int KORVICARD_CALL KorviCardGetFirewareBuildTime(int handle, char* buffer, int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetFirewareBuildTime(buffer, size); });
}
