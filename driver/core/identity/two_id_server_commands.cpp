#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/identity/two_id_server_message.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "core/transport/host_address.h"

namespace {

constexpr int kServerConnectSeconds = 1;
constexpr int kServerReplyTimeoutMs = 2000;
// The 102 x 126 24-bit photo as a bitmap file: 54-byte header, rows padded to 308 bytes.
constexpr int kIdPhotoBitmapSize = 54 + 308 * 126;
constexpr std::size_t kSamvErrorRecordSize = 156;
constexpr std::size_t kAppConfigSize = 120;
constexpr std::size_t kPasswordSize = 16;
constexpr int kMinTimeInfoItems = 80;

std::uint32_t Le32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

std::uint16_t Le16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | in[1] << 8);
}

void PutLe32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Result of an int-returning command: the failure values of the exchange, else `success`.
int IntResult(int exchanged, int success) {
    if (exchanged == -2) return 0;
    return exchanged < 0 ? -1 : success;
}

// Copies what fits of the answer into out (room bytes); true when all of it fitted.
bool CopyAnswer(const std::uint8_t* answer, int length, std::uint8_t* out, std::size_t room) {
    const std::size_t whole = static_cast<std::size_t>(length);
    std::memcpy(out, answer, std::min(whole, room));
    return whole <= room;
}

}  // namespace

int ReaderSession::ServerExchange(const char* host, int port, std::uint8_t command,
                                  const std::uint8_t* payload, std::size_t payloadLength,
                                  int failCode) {
    std::uint8_t key[kServerMessageKeySize];
    MakeServerMessageKey(key);
    if (host == nullptr || !IsDottedAddress(host)) {
        SetTwoIdErrorCode(TIEC_IPADDRESS);
        return kServerNotDotted;
    }
    if (!serverClient.Connect(host, port, kServerConnectSeconds)) {
        SetTwoIdErrorCode(TIEC_CONNECT_SERVER);
        serverClient.Close();
        return kServerFailed;
    }
    serverClient.SetReceiveTimeoutMs(kServerReplyTimeoutMs);
    const std::uint8_t parameters[kServerParameterBlockSize] = {};
    std::size_t requestLength = 0;
    int result = kServerFailed;
    if (SendServerRequest(&serverClient, command, key, parameters, payload, payloadLength,
                          serverBuffer, &requestLength, true)) {
        std::int32_t status = 0;
        std::size_t length = serverBuffer.size();
        if (ReceiveServerReply(&serverClient, &status, serverBuffer, serverBuffer.data(), &length,
                               nullptr, false)) {
            result = static_cast<int>(length);
        } else {
            SetTwoIdErrorCode(failCode);
        }
    }
    serverClient.Close();
    return result;
}

bool ReaderSession::GetSamvCheckStatusByServer(const char* host, int port) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    return ServerExchange(host, port, 52, nullptr, 0, TIEC_SAMV_RESET_ERROR) >= 0;
}

bool ReaderSession::GetSamvManagerMessageByServer(const char* host, int port, char* text,
                                                  int size) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    const int length = ServerExchange(host, port, 53, nullptr, 0, TIEC_SAMV_MANAGER_MESSAGE);
    if (length < 0) return false;
    if (length == 27 && text != nullptr && size > 36) {
        const std::uint8_t* p = serverBuffer.data();
        std::memset(text, 0, static_cast<std::size_t>(size));
        // Values wider than their fields make a longer text: one cut to size fails.
        const int written =
            std::snprintf(text, static_cast<std::size_t>(size), "%02d.%02u-%08u-%010u-%010u",
                          static_cast<int>(Le16(p + 10)), static_cast<unsigned>(Le16(p + 12)),
                          Le32(p + 14), Le32(p + 18), Le32(p + 22));
        if (written >= size) {
            SetTwoIdErrorCode(TIEC_SAMV_MANAGER_MESSAGE);
            return false;
        }
    }
    return true;
}

bool ReaderSession::GetSamvWaitTimeByInterval(const char* host, int port, std::uint8_t* buffer,
                                              int size) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    const int length = ServerExchange(host, port, 54, nullptr, 0, TIEC_SAMV_MANAGER_MESSAGE);
    if (length < 0) return false;
    if (buffer != nullptr && !CopyAnswer(serverBuffer.data(), length, buffer,
                                         size < 0 ? 0 : static_cast<std::size_t>(size))) {
        SetTwoIdErrorCode(TIEC_SAMV_MANAGER_MESSAGE);
        return false;
    }
    return true;
}

bool ReaderSession::GetSamvLastErrorInfo(const char* host, int port, SamvLastErrorInfo* record) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (record == nullptr) return false;
    if (host == nullptr || host[0] == '\0') {
        if (std::strlen(idServerAddress.data()) < 4) return false;
        host = idServerAddress.data();
        port = idServerPort;
    }
    const int length = ServerExchange(host, port, 55, nullptr, 0, TIEC_GET_SAMV_LAST_ERROR);
    if (length < 0) return false;
    std::memset(record, 0, sizeof *record);
    std::memcpy(record, serverBuffer.data(),
                std::min(static_cast<std::size_t>(length), kSamvErrorRecordSize));
    return true;
}

bool ReaderSession::GetSamvSendReceivTimeInfo(const char* host, int port,
                                              SamvTimeInfoEntry* items, int count) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (items == nullptr || count < kMinTimeInfoItems) return false;
    const int length = ServerExchange(host, port, 61, nullptr, 0, TIEC_GET_SAMV_LAST_ERROR);
    if (length < 0) return false;
    const int values = std::min(length / 4, count);
    for (int i = 0; i < values; ++i) {
        const std::uint32_t value = Le32(serverBuffer.data() + 4 * i);
        items[i].nDirection = static_cast<std::int32_t>(value >> 31);
        items[i].unTimeStamp = value & 0x7FFFFFFFu;
    }
    if (length / 4 > count) {
        SetTwoIdErrorCode(TIEC_GET_SAMV_LAST_ERROR);
        return false;
    }
    return true;
}

int ReaderSession::ServerExchangeInto(const char* host, int port, std::uint8_t command,
                                      const std::uint8_t* payload, std::size_t payloadLength,
                                      int failCode, std::uint8_t* out, std::size_t room) {
    const int length = ServerExchange(host, port, command, payload, payloadLength, failCode);
    if (length < 0) return IntResult(length, 0);
    if (!CopyAnswer(serverBuffer.data(), length, out, room)) {
        SetTwoIdErrorCode(failCode);
        return -1;
    }
    return length;
}

int ReaderSession::ResetPsamByServer(const char* host, int port, std::uint8_t* buffer, int size) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (buffer == nullptr || size <= 0) return -1;
    return ServerExchangeInto(host, port, 64, nullptr, 0, TIEC_RESET_PSAM, buffer,
                              static_cast<std::size_t>(size));
}

int ReaderSession::PsamCommandByServer(const char* host, int port, std::uint8_t* buffer,
                                       int length, int size) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (buffer == nullptr || length <= 0 || size <= 0 ||
        static_cast<std::size_t>(length) > kServerBufferSize - kServerRequestHeaderSize) {
        return -1;
    }
    return ServerExchangeInto(host, port, 65, buffer, static_cast<std::size_t>(length),
                              TIEC_RESET_PSAM, buffer, static_cast<std::size_t>(size));
}

int ReaderSession::GetTwoIdServerMacAddress(const char* host, int port, std::uint8_t* buffer,
                                            int size) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (buffer == nullptr || size < 6) return -1;
    return ServerExchangeInto(host, port, 66, nullptr, 0, TIEC_RESET_PSAM, buffer,
                              static_cast<std::size_t>(size));
}

int ReaderSession::GetTwoIdServerMcuSerialNo(const char* host, int port, std::uint8_t* buffer,
                                             int size) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (buffer == nullptr || size < 12) return -1;
    return ServerExchangeInto(host, port, 67, nullptr, 0, TIEC_RESET_PSAM, buffer,
                              static_cast<std::size_t>(size));
}

int ReaderSession::SetTwoIdServerAppConfig(const char* host, int port,
                                           KorviCardAppConfig* config) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (config == nullptr) return -1;
    auto* bytes = reinterpret_cast<std::uint8_t*>(config);
    return ServerExchangeInto(host, port, 73, bytes, kAppConfigSize, TIEC_SET_APP_CONFIG, bytes,
                              kAppConfigSize);
}

int ReaderSession::GetTwoIdServerAppConfig(const char* host, int port,
                                           KorviCardAppConfig* config) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (config == nullptr) return -1;
    return ServerExchangeInto(host, port, 74, nullptr, 0, TIEC_GET_APP_CONFIG,
                              reinterpret_cast<std::uint8_t*>(config), kAppConfigSize);
}

int ReaderSession::ClearTwoIdServerAppConfig(const char* host, int port,
                                             KorviCardAppConfig* config) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (config == nullptr) return -1;
    return IntResult(ServerExchange(host, port, 75, reinterpret_cast<std::uint8_t*>(config),
                                    kAppConfigSize, TIEC_CLEAR_APP_CONFIG),
                     1);
}

int ReaderSession::ChangeTwoIdServerAppConfigPassword(const char* host, int port,
                                                      const char* oldPassword,
                                                      const char* newPassword) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (oldPassword == nullptr || newPassword == nullptr) return -1;
    std::uint8_t payload[2 * kPasswordSize] = {};
    std::memcpy(payload, oldPassword, strnlen(oldPassword, kPasswordSize));
    std::memcpy(payload + kPasswordSize, newPassword, strnlen(newPassword, kPasswordSize));
    return IntResult(ServerExchange(host, port, 76, payload, sizeof payload,
                                    TIEC_CHANGE_APP_CONFIG_PASSWORD),
                     1);
}

int ReaderSession::PowerOnOffOtherDevice(const char* host, int port, int value,
                                         const std::uint8_t* block) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    if (block == nullptr) return -1;
    std::uint8_t payload[32] = {};
    PutLe32(payload, static_cast<std::uint32_t>(value));
    std::memcpy(payload + 4, block, 16);
    return IntResult(ServerExchange(host, port, 77, payload, sizeof payload, TIEC_POWER_ON_OFF),
                     1);
}

int ReaderSession::SamvLedOnOff(const char* host, int port, int value) {
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    std::uint8_t payload[32] = {};
    PutLe32(payload, static_cast<std::uint32_t>(value));
    return IntResult(ServerExchange(host, port, 79, payload, sizeof payload, TIEC_LED_ON_OFF), 1);
}

bool ReaderSession::ResetMcuByServer(const char*, int) { return false; }

bool ReaderSession::SetIdServerAddress(const char* host, int port) {
    idServerAddress.fill('\0');
    if (host == nullptr || port == 0) return false;
    const std::size_t length = strnlen(host, idServerAddress.size());
    if (length == idServerAddress.size()) return false;  // no room for the terminator
    std::memcpy(idServerAddress.data(), host, length);
    idServerPort = port;
    return true;
}

bool ReaderSession::SetIdPhotoAddress(std::uint8_t* buffer, int size, std::uint8_t flag) {
    if (buffer != nullptr && size < kIdPhotoBitmapSize) return false;
    idPhotoBuffer = buffer;
    idPhotoBufferSize = size;
    idPhotoFlag = flag;
    return true;
}

void ReaderSession::SetPhoneIdentity(const std::uint8_t* block) {
    if (block != nullptr) std::memcpy(phoneIdentity.data(), block, phoneIdentity.size());
}
