// The identity card read through an identity server that relays the card's security
// exchange, and the dispatch server that assigns that server.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/cards/card_apdu.h"
#include "core/identity/two_id_server_message.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "core/transport/host_address.h"
#include "core/util/des.h"
#include "core/util/time_units.h"

#ifndef KORVICARD_DISPATCH_HOST
#define KORVICARD_DISPATCH_HOST "localhost"
#endif

namespace {

constexpr int kIdServerPort = 31213;
constexpr int kServerConnectSeconds = 10;
constexpr int kDispatchConnectSeconds = 1;
constexpr int kDispatchReplyMs = 2000;
constexpr int kFallBackConnectSeconds = 1;
constexpr std::uint8_t kBuiltCommandMode = 5;
constexpr std::size_t kShortAnswerRoom = 64;
constexpr std::size_t kChunkSize = 80;
constexpr int kDispatchInProgress = 1000;
constexpr int kEmptyAccount = 68;
constexpr std::size_t kAccountSize = 32;
constexpr std::size_t kDispatchRequestSize = 512;
constexpr std::size_t kReportSize = 4944;
constexpr std::size_t kReportMessageSize = 7680;
constexpr std::size_t kRecordTextSize = 292;
constexpr std::size_t kPhotoSize = 1024;
constexpr std::int32_t kServerBusy = 50;

constexpr std::uint8_t kGetChallenge[] = {0x00, 0x84, 0x00, 0x00, 0x08};
constexpr std::uint8_t kSelectFirstFile[] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, 0x02};
constexpr std::uint8_t kReadFirstFile[] = {0x80, 0xB0, 0x00, 0x00, 0x20};

// The card files: server command, file identifier low byte, size read, place in the buffer.
struct CardFile {
    std::uint8_t type;
    std::uint8_t id;
    std::size_t size;
    std::size_t place;
};
constexpr CardFile kCardFiles[] = {
    {5, 0x11, 214, 32}, {6, 0x12, 256, 248}, {7, 0x13, 1024, 504}, {8, 0x21, 1024, 1528}};
constexpr int kFileFailCodes[] = {TIEC_READ_SEND_SECOND_FILE, TIEC_READ_SEND_THIRD_FILE,
                                  TIEC_READ_SEND_FOURTH_FILE};

void PutLe32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

void CopyText(std::uint8_t* out, const char* text, std::size_t room) {
    std::memcpy(out, text, strnlen(text, room));
}

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

bool ReaderSession::RelayCardCommand(std::uint8_t mode, const std::uint8_t* apdu,
                                     std::size_t length, KorviCardParamLong* record) {
    *record = {};
    if (length > sizeof record->param.arrBuffer) return false;
    std::memcpy(record->param.arrBuffer, apdu, length);
    record->param.nBufferSize = static_cast<int>(length);
    const bool sent = SendCpuCommand(mode, &record->param);
    CallIdCallBack();
    return sent && ApduStatusIs(record->param, 0x90, 0x00);
}

bool ReaderSession::StartCardSession() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    relayComplete = false;
    relayStarted = false;
    firstFile.fill(0);
    cardFileBuffer.fill(0);
    firstFileLength = 0;
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    // A new card: the identifier of the last one goes, whatever this session reads.
    cardIdentifier.fill(0);
    cardIdentifierLength = 0;
    int length = static_cast<int>(cardIdentifier.size());
    if (!ReadIdCardUid(cardIdentifier.data(), &length)) {
        if (GetTwoIdErrorCode() == TIEC_NO_ERROR) SetTwoIdErrorCode(TIEC_GET_NO_OTHER);
        return false;
    }
    cardIdentifierLength = static_cast<std::size_t>(length);
    struct Step {
        const std::uint8_t* apdu;
        std::size_t length;
        int sendCode;
    };
    const Step steps[] = {{kGetChallenge, sizeof kGetChallenge, TIEC_GET_RANDOM},
                          {kSelectFirstFile, sizeof kSelectFirstFile, TIEC_SELECT_FIRST_FILE},
                          {kReadFirstFile, sizeof kReadFirstFile, TIEC_READ_FIRST_FILE}};
    KorviCardParamLong record{};
    for (const Step& step : steps) {
        record = {};
        std::memcpy(record.param.arrBuffer, step.apdu, step.length);
        record.param.nBufferSize = static_cast<int>(step.length);
        if (!SendCpuCommand(kBuiltCommandMode, &record.param)) {
            SetTwoIdErrorCode(step.sendCode);
            return false;
        }
        if (!ApduStatusIs(record.param, 0x90, 0x00)) {
            SetTwoIdErrorCode(step.sendCode + 1);
            return false;
        }
        if (step.apdu == kGetChallenge) {
            const std::span<const std::uint8_t> data = ApduData(record.param);
            cardChallenge.fill(0);
            std::memcpy(cardChallenge.data(), data.data(),
                        std::min(data.size(), cardChallenge.size()));
        }
    }
    const std::span<const std::uint8_t> data = ApduData(record.param);
    firstFileLength = std::min(data.size(), firstFile.size());
    std::memcpy(firstFile.data(), data.data(), firstFileLength);
    std::memcpy(cardFileBuffer.data(), firstFile.data(), 32);
    return true;
}

bool ReaderSession::SendFlowMessage(std::uint8_t command, const std::uint8_t* key,
                                    const std::uint8_t* payload, std::size_t length) {
    std::uint8_t parameters[kServerParameterBlockSize] = {};
    std::memcpy(parameters, cardIdentifier.data(), sizeof parameters);
    std::size_t requestLength = 0;
    return SendServerRequest(&serverClient, command, key, parameters, payload, length, serverBuffer,
                             &requestLength, true);
}

bool ReaderSession::ReceiveFlowReply(std::size_t room, std::int32_t* status, std::size_t* length,
                                     TwoIdInfoParam* record) {
    *length = room;
    return ReceiveServerReply(&serverClient, status, serverBuffer, serverBuffer.data(), length,
                              record, jpegResultFlag == 1);
}

bool ReaderSession::ChunkRelay(std::uint8_t type, std::size_t total, bool send) {
    relayDetail = 0;
    const CardFile* file = std::find_if(std::begin(kCardFiles), std::end(kCardFiles),
                                        [&](const CardFile& f) { return f.type == type; });
    const std::uint8_t select[] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, file->id};
    KorviCardParamLong record{};
    if (!RelayCardCommand(kBuiltCommandMode, select, sizeof select, &record)) return false;
    for (std::size_t offset = 0; offset < total;) {
        const std::size_t length = std::min(kChunkSize, total - offset);
        std::uint8_t key[kServerMessageKeySize];
        MakeServerMessageKey(key);
        const std::uint8_t read[] = {0x80, 0xB0, static_cast<std::uint8_t>(offset >> 8),
                                     static_cast<std::uint8_t>(offset),
                                     static_cast<std::uint8_t>(length)};
        const bool ok = RelayCardCommand(kBuiltCommandMode, read, sizeof read, &record);
        const std::span<const std::uint8_t> answer = ApduResult(record.param);
        if (answer.size() == 2 && answer[0] != 0x90) {
            relayDetail = TIEC_COS_RESULT_ERROR;
            return false;
        }
        if (!ok) {
            relayDetail = TIEC_SEND_COS_FALSE;
            return false;
        }
        const std::span<const std::uint8_t> data = ApduData(record.param);
        if (AllZero(data)) {
            relayDetail = TIEC_ZERO_DATA;
            return false;
        }
        std::memcpy(cardFileBuffer.data() + file->place + offset, data.data(),
                    std::min(data.size(), length));
        if (send && !SendFlowMessage(type, key, answer.data(), answer.size())) {
            relayDetail = TIEC_SEND_NETWORK_ERROR;
        }
        offset += length;
    }
    return true;
}

bool ReaderSession::ReadRelayResult(TwoIdInfoParam* record, bool alternative) {
    std::int32_t status = 0;
    std::size_t length = 0;
    if (!ReceiveFlowReply(serverBuffer.size(), &status, &length, record)) {
        SetTwoIdErrorCode(TIEC_RECEIVE_LAST_DATA);
        return false;
    }
    const std::uint8_t* result = serverBuffer.data();
    const std::size_t textAt = alternative ? 16 : 14;
    // A result without room for the text and photo is refused, never read past its end.
    if (length < textAt + 256 + kPhotoSize) {
        SetTwoIdErrorCode(TIEC_RECEIVE_LAST_DATA);
        return false;
    }
    if (jpegResultFlag == 1) {
        const std::size_t kept = std::min(length, sizeof record->arrTwoIdPhotoJpeg);
        std::memcpy(record->arrTwoIdPhotoJpeg, result, kept);
        record->unTwoIdPhotoJpegLength = static_cast<std::int32_t>(kept);
    }
    std::memcpy(record, result + textAt, 256);
    if (result[textAt] == 0 && result[textAt + 1] == 0) {
        SetTwoIdErrorCode(TIEC_DATA_EMPTY);
        return false;
    }
    std::memcpy(record->arrTwoIdPhoto, result + textAt + 256, kPhotoSize);
    if (!alternative) return true;
    const std::uint16_t fingerprintLength =
        static_cast<std::uint16_t>(result[14] << 8 | result[15]);
    record->unTwoIdFingerprintLength = fingerprintLength;
    if (fingerprintLength == 0) return true;
    std::uint8_t key[kServerMessageKeySize];
    MakeServerMessageKey(key);
    if (!SendFlowMessage(13, key, nullptr, 0) ||
        !ReceiveFlowReply(serverBuffer.size(), &status, &length, record)) {
        return true;
    }
    if (jpegResultFlag == 1) {
        const std::size_t held =
            static_cast<std::size_t>(std::max(record->unTwoIdPhotoJpegLength, 1));
        const std::size_t start = std::min(held - 1, sizeof record->arrTwoIdPhotoJpeg);
        const std::size_t kept = std::min(length, sizeof record->arrTwoIdPhotoJpeg - start);
        std::memcpy(record->arrTwoIdPhotoJpeg + start, serverBuffer.data(), kept);
        record->unTwoIdPhotoJpegLength = static_cast<std::int32_t>(start + kept);
    }
    std::memcpy(record->arrTwoIdFingerprint, serverBuffer.data(),
                std::min({static_cast<std::size_t>(fingerprintLength), kPhotoSize, length}));
    return true;
}

bool ReaderSession::RelayInternalAuthentication(TwoIdInfoParam* record) {
    std::int32_t status = 0;
    std::size_t length = 0;
    if (!ReceiveFlowReply(kShortAnswerRoom, &status, &length, record)) {
        SetTwoIdErrorCode(TIEC_RECEIVE_INTERNAL_AUTHENTICATE);
        return false;
    }
    if (status == kServerBusy) {
        SetTwoIdErrorCode(TIEC_SAMV_BUSY);
        return false;
    }
    KorviCardParamLong card{};
    if (!RelayCardCommand(static_cast<std::uint8_t>(length), serverBuffer.data(), length, &card)) {
        SetTwoIdErrorCode(TIEC_EXEC_INTERNAL_AUTHENTICATE);
        return false;
    }
    std::uint8_t key[kServerMessageKeySize];
    MakeServerMessageKey(key);
    const std::span<const std::uint8_t> answer = ApduResult(card.param);
    if (!SendFlowMessage(2, key, answer.data(), answer.size())) {
        SetTwoIdErrorCode(TIEC_SEND_INTERNAL_AUTHENTICATE);
        return false;
    }
    return true;
}

bool ReaderSession::FallBack(const char* host, int port, TwoIdInfoParam* record,
                             std::uint8_t command, bool withFiles) {
    if (!serverClient.Connect(host, port, kFallBackConnectSeconds)) {
        SetTwoIdErrorCode(TIEC_CONNECT_SERVER);
        serverClient.Close();
        return false;
    }
    serverClient.SetReceiveTimeoutMs(kDispatchReplyMs);
    std::size_t length = 0;
    if (withFiles) {
        const bool noFingerprint = AllZero(std::span(cardFileBuffer).subspan(1528, kChunkSize));
        length = noFingerprint ? 1528 : cardFileBuffer.size();
    }
    bool ok = false;
    if (!SendFlowMessage(command, cardChallenge.data(), withFiles ? cardFileBuffer.data() : nullptr,
                         length)) {
        SetTwoIdErrorCode(TIEC_RECEIVE_INTERNAL_AUTHENTICATE);
    } else {
        ok = RelayInternalAuthentication(record) &&
             ReadRelayResult(record, command == 11 || command == 12);
    }
    serverClient.Close();
    return ok;
}

bool ReaderSession::RunFallBacks(const char* host, int port, TwoIdInfoParam* record,
                                 bool alternative) {
    if (!relayComplete) {
        for (std::size_t i = 0; i < 4; ++i) {
            const bool read = ChunkRelay(kCardFiles[i].type, kCardFiles[i].size, false);
            if (!read && !(i == 3 && relayDetail == TIEC_ZERO_DATA)) {
                SetTwoIdErrorCode(i < 3 ? kFileFailCodes[i] : TIEC_READ_SEND_FIFTH_FILE);
                return false;
            }
        }
    }
    const bool ok = FallBack(host, port, record, alternative ? 11 : 62, true) ||
                    FallBack(host, port, record, alternative ? 12 : 63, false);
    if (ok) SetTwoIdErrorCode(TIEC_NO_ERROR);
    return ok;
}

bool ReaderSession::RelayWithFallBacks(const char* host, int port, TwoIdInfoParam* record,
                                       int timeoutSeconds, bool alternative, bool psam) {
    if (host == nullptr || port == 0 || record == nullptr) return false;
    SetIdServerAddress(host, port);
    if (!StartCardSession()) return false;
    if (RelayThroughIdServer(idServerAddress.data(), port, record, timeoutSeconds, alternative,
                             psam)) {
        return true;
    }
    return relayStarted && RunFallBacks(idServerAddress.data(), port, record, alternative);
}

bool ReaderSession::GetTwoIdInfoByWireless(const char* host, int port, TwoIdInfoParam* record,
                                           int timeoutSeconds, bool alternative) {
    return RelayWithFallBacks(host, port, record, timeoutSeconds, alternative, false);
}

bool ReaderSession::GetTwoIdInfoByPsamServer(const char* host, int port, TwoIdInfoParam* record,
                                             int timeoutSeconds, bool alternative) {
    return RelayWithFallBacks(host, port, record, timeoutSeconds, alternative, true);
}

bool ReaderSession::PsamPreamble(TwoIdInfoParam* record) {
    std::int32_t status = 0;
    std::size_t length = 0;
    std::uint8_t key[kServerMessageKeySize];
    MakeServerMessageKey(key);
    if (!SendFlowMessage(70, key, nullptr, 0) ||
        !ReceiveFlowReply(kShortAnswerRoom, &status, &length, record) || length == 0) {
        SetTwoIdErrorCode(TIEC_QUERY_PSAM_STATUS);
        return false;
    }
    if (serverBuffer[0] != 0) return true;
    MakeServerMessageKey(key);
    if (!SendFlowMessage(68, key, nullptr, 0) ||
        !ReceiveFlowReply(kShortAnswerRoom, &status, &length, record)) {
        SetTwoIdErrorCode(TIEC_QUERY_PSAM_STATUS);
        return false;
    }
    if (length < 24) {
        SetTwoIdErrorCode(TIEC_GET_PSAM_MFKEY);
        return false;
    }
    char data[17] = {};
    char desKey[33] = {};
    FormatHex(std::span(serverBuffer.data(), 8), data, false);
    FormatHex(std::span(serverBuffer.data() + 8, 16), desKey, false);
    const std::optional<std::string> unlock = TripleDesHex(data, desKey, false);
    std::uint8_t command[13] = {0x00, 0x82, 0x00, 0xFF, 0x08};
    for (std::size_t i = 0; unlock && i < 8; ++i) {
        command[5 + i] =
            static_cast<std::uint8_t>(std::stoul(unlock->substr(2 * i, 2), nullptr, 16));
    }
    MakeServerMessageKey(key);
    if (!unlock || !SendFlowMessage(69, key, command, sizeof command) ||
        !ReceiveFlowReply(kShortAnswerRoom, &status, &length, record) || length != 1 ||
        serverBuffer[0] == 0) {
        SetTwoIdErrorCode(TIEC_PROCESS_PSAM_VERIFY_LOCK_DATA);
        return false;
    }
    return true;
}

bool ReaderSession::RelayThroughIdServer(const char* host, int port, TwoIdInfoParam* record,
                                         int connectSeconds, bool alternative, bool psam) {
    std::memset(record, 0, sizeof *record);
    if (!IsDottedAddress(host)) {
        SetTwoIdErrorCode(TIEC_IPADDRESS);
        return false;
    }
    if (!serverClient.Connect(host, port, connectSeconds)) {
        SetTwoIdErrorCode(TIEC_CONNECT_SERVER);
        serverClient.Close();
        return false;
    }
    serverClient.SetReceiveTimeoutMs(SecondsToMs(std::max(connectSeconds, 1)));
    const bool ok = [&] {
        std::int32_t status = 0;
        std::size_t length = 0;
        KorviCardParamLong card{};
        std::uint8_t key[kServerMessageKeySize];
        if (psam && !PsamPreamble(record)) return false;
        const std::uint8_t start = psam ? (alternative ? 78 : 71) : (alternative ? 9 : 1);
        if (!SendFlowMessage(start, cardChallenge.data(), firstFile.data(), firstFileLength)) {
            SetTwoIdErrorCode(TIEC_RECEIVE_INTERNAL_AUTHENTICATE);
            return false;
        }
        if (!RelayInternalAuthentication(record)) return false;
        if (!RelayCardCommand(kBuiltCommandMode, kGetChallenge, sizeof kGetChallenge, &card)) {
            SetTwoIdErrorCode(TIEC_EXEC_GET_RANDOM);
            return false;
        }
        const std::span<const std::uint8_t> challenge = ApduData(card.param);
        std::memcpy(cardChallenge.data(), challenge.data(),
                    std::min(challenge.size(), cardChallenge.size()));
        MakeServerMessageKey(key);
        if (!SendFlowMessage(3, key, cardChallenge.data(), cardChallenge.size())) {
            SetTwoIdErrorCode(TIEC_SEND_RANDOM);
            return false;
        }
        if (!ReceiveFlowReply(kShortAnswerRoom, &status, &length, record)) {
            SetTwoIdErrorCode(TIEC_RECEIVE_EXTERNAL_AUTHENTICATE);
            return false;
        }
        if (!RelayCardCommand(static_cast<std::uint8_t>(length), serverBuffer.data(), length,
                              &card)) {
            SetTwoIdErrorCode(TIEC_EXEC_EXTERNAL_AUTHENTICATE);
            return false;
        }
        relayStarted = true;
        for (std::size_t i = 0; i < 3; ++i) {
            if (!ChunkRelay(kCardFiles[i].type, kCardFiles[i].size, true) &&
                relayDetail != TIEC_SEND_NETWORK_ERROR) {
                SetTwoIdErrorCode(kFileFailCodes[i]);
                return false;
            }
        }
        const bool last = ChunkRelay(kCardFiles[3].type, kCardFiles[3].size, true);
        if (last || relayDetail == 0 || relayDetail == TIEC_ZERO_DATA ||
            relayDetail == TIEC_SEND_NETWORK_ERROR) {
            relayComplete = true;
        }
        return ReadRelayResult(record, alternative);
    }();
    serverClient.Close();
    return ok;
}

bool ReaderSession::GetTwoIdInfoByServer(const char* host, TwoIdInfoParam* record) {
    if (host == nullptr || record == nullptr) return false;
    SetIdServerAddress(host, kIdServerPort);
    if (!StartCardSession()) return false;
    return RelayThroughIdServer(idServerAddress.data(), kIdServerPort, record,
                                kServerConnectSeconds, false, false);
}

bool ReaderSession::GetTwoIdInfoByServerEx(const char* host, int port, TwoIdInfoParam* record,
                                           int timeoutSeconds) {
    if (host == nullptr || port == 0 || record == nullptr) return false;
    SetIdServerAddress(host, port);
    if (!StartCardSession()) return false;
    return RelayThroughIdServer(idServerAddress.data(), port, record, timeoutSeconds, false, false);
}

void ReaderSession::ReaderIdentityTexts(std::uint8_t* deviceNumber, std::uint8_t* mcuSerial) {
    char text[64] = {};
    if (GetDeviceNo(text, sizeof text)) CopyText(deviceNumber, text, 32);
    std::memset(text, 0, sizeof text);
    if (GetMcuSerailNo(text, sizeof text)) CopyText(mcuSerial, text, 32);
}

bool ReaderSession::RequestDispatch(const char* host, std::uint32_t dispatchValue,
                                    const char* account, std::uint32_t firstRequest,
                                    std::uint32_t secondRequest, char* assigned,
                                    std::size_t assignedSize, int* port) {
    std::uint8_t key[kServerMessageKeySize];
    MakeServerMessageKey(key);
    if (!StartCardSession()) return false;
    std::uint8_t payload[kDispatchRequestSize] = {};
    std::memcpy(payload, firstFile.data(), 34);
    PutLe32(payload + 34, dispatchValue);
    CopyText(payload + 38, account, kAccountSize);
    ReaderIdentityTexts(payload + 70, payload + 102);
    std::memcpy(payload + 134, phoneIdentity.data(), phoneIdentity.size());
    PutLe32(payload + 294, firstRequest);
    PutLe32(payload + 298, secondRequest);
    if (!serverClient.Connect(host, kIdServerPort, kDispatchConnectSeconds)) {
        SetTwoIdErrorCode(TIEC_CONNECT_DISPATCH_SERVER);
        serverClient.Close();
        return false;
    }
    serverClient.SetReceiveTimeoutMs(kDispatchReplyMs);
    dispatchErrorText.fill('\0');
    bool ok = false;
    if (SendFlowMessage(58, key, payload, sizeof payload)) {
        std::int32_t status = 0;
        std::size_t length = 0;
        // An answer without room for the address, port and block counts as no answer.
        if (!ReceiveFlowReply(serverBuffer.size(), &status, &length, nullptr) || length < 42) {
            SetTwoIdErrorCode(TIEC_GET_SAMV_IP_PORT);
            std::snprintf(dispatchErrorText.data(), dispatchErrorText.size(), "%s",
                          "ReceiveData From DispatchServer False!");
        } else {
            const std::uint8_t* answer = serverBuffer.data();
            std::snprintf(assigned, assignedSize, "%u.%u.%u.%u", answer[0], answer[1], answer[2],
                          answer[3]);
            *port = static_cast<int>(GetLe32(answer + 4));
            std::memcpy(dispatchBlock.data(), answer + 8, dispatchBlock.size());
            dispatchBlockLength = dispatchBlock.size();
            const std::size_t textLength = std::min(length - 42, dispatchErrorText.size() - 1);
            std::memcpy(dispatchErrorText.data(), answer + 42,
                        strnlen(reinterpret_cast<const char*>(answer + 42), textLength));
            ok = *port != 0;
            if (!ok) SetTwoIdErrorCode(TIEC_GET_SAMV_IP_PORT);
        }
    }
    serverClient.Close();
    return ok;
}

void ReaderSession::ReportToDispatch(const char* host, std::uint32_t dispatchValue,
                                     const char* account, const TwoIdInfoParam& record,
                                     const char* assigned, int port) {
    if (!workBuffer) workBuffer = std::make_unique<std::uint8_t[]>(kReportSize);
    std::uint8_t* report = workBuffer.get();
    std::memset(report, 0, kReportSize);
    std::memcpy(report, &record, kRecordTextSize);
    std::memcpy(report + 292, record.arrTwoIdPhoto, kPhotoSize);
    std::memcpy(report + 1316, record.arrTwoIdFingerprint, kPhotoSize);
    std::memcpy(report + 2340, cardIdentifier.data(), 8);
    std::memcpy(report + 2348, firstFile.data(), 32);
    std::memcpy(report + 2380, cardFileBuffer.data(), cardFileBuffer.size());
    in_addr address{};
    inet_pton(AF_INET, assigned, &address);
    std::memcpy(report + 4932, &address.s_addr, 4);
    PutLe32(report + 4936, static_cast<std::uint32_t>(port));
    PutLe32(report + 4940, static_cast<std::uint32_t>(GetTwoIdErrorCode()));

    auto message = std::make_unique<std::uint8_t[]>(kReportMessageSize);
    std::memset(message.get(), 0, kReportMessageSize);
    PutLe32(message.get(), dispatchValue);
    CopyText(message.get() + 4, account, kAccountSize);
    ReaderIdentityTexts(message.get() + 36, message.get() + 68);
    std::memcpy(message.get() + 100, phoneIdentity.data(), phoneIdentity.size());
    std::memcpy(message.get() + 260, report, kReportSize);
    std::uint8_t key[kServerMessageKeySize];
    MakeServerMessageKey(key);
    if (serverClient.Connect(host, kIdServerPort, kDispatchConnectSeconds)) {
        serverClient.SetReceiveTimeoutMs(kDispatchReplyMs);
        if (SendFlowMessage(72, key, message.get(), kReportMessageSize)) {
            std::int32_t status = 0;
            std::size_t length = 0;
            ReceiveFlowReply(serverBuffer.size(), &status, &length, nullptr);
        }
    }
    serverClient.Close();
}

bool ReaderSession::GetTwoIdInfoByMcuServer(const char* dispatchHost,
                                            const std::uint32_t* dispatchValue, const char* account,
                                            TwoIdInfoParam* record, std::uint32_t firstRequest,
                                            std::uint32_t secondRequest, int timeoutSeconds,
                                            bool alternative) {
    SetTwoIdErrorCode(kDispatchInProgress);
    if (dispatchHost == nullptr || dispatchValue == nullptr || account == nullptr ||
        record == nullptr) {
        return false;
    }
    if (account[0] == '\0') {
        SetTwoIdErrorCode(kEmptyAccount);
        return false;
    }
    if (strnlen(account, kAccountSize + 1) > kAccountSize) return false;
    char host[64] = {};
    if (!ResolveHostAddress(dispatchHost[0] == '\0' ? KORVICARD_DISPATCH_HOST : dispatchHost, host,
                            sizeof host)) {
        SetTwoIdErrorCode(TIEC_DOMAIN_NAME_ERROR);
        return false;
    }
    char assigned[16] = {};
    int port = 0;
    if (!RequestDispatch(host, *dispatchValue, account, firstRequest, secondRequest, assigned,
                         sizeof assigned, &port)) {
        return false;
    }
    SetIdServerAddress(assigned, port);
    const bool ok =
        RelayThroughIdServer(assigned, port, record, timeoutSeconds, alternative, false) ||
        (relayStarted && RunFallBacks(assigned, port, record, alternative));
    ReportToDispatch(host, *dispatchValue, account, *record, assigned, port);
    return ok;
}

bool ReaderSession::GetTwoGenerationIDCardNo(char* text, int size) {
    if (text == nullptr || size <= 31) return false;
    std::uint8_t identifier[32] = {};
    int length = sizeof identifier;
    if (!ReadIdCardUid(identifier, &length) || size < 2 * length + 1) return false;
    std::memset(text, 0, static_cast<std::size_t>(size));
    FormatHex(std::span(identifier, static_cast<std::size_t>(length)), text, false);
    return true;
}

bool ReaderSession::GetTwoGenerationIDDnNo(char* text, int size) {
    if (text == nullptr || size <= 63) return false;
    std::uint8_t dn[32] = {};
    int length = sizeof dn;
    if (!ReadIdCardDnNo(dn, &length) || size < 2 * length + 1) return false;
    std::memset(text, 0, static_cast<std::size_t>(size));
    FormatHex(std::span(dn, static_cast<std::size_t>(length)), text, false);
    return true;
}
