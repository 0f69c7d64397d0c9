// Commands of the reader's M100 UHF module, its frames carried by reader command 30.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "core/modules/m100_frame.h"
#include "core/protocol/command_exchange.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::uint8_t kCmdModule = 30;
constexpr int kTimeout = 1000;
// Wait for each further tag notice of an inventory.
constexpr int kInventoryWaitMs = 200;
// An inventory reads at most this many replies, so a module that never falls silent ends it.
constexpr unsigned kMaxInventoryReplies = 256;

enum : std::uint8_t {
    kM100GetFwVersion = 0x03,
    kM100SetRegion = 0x07,
    kM100SetSelect = 0x0C,
    kM100GetQuery = 0x0D,
    kM100SetQuery = 0x0E,
    kM100SetInventoryMode = 0x12,
    kM100Inventory = 0x22,
    kM100ReadMulti = 0x27,
    kM100StopMulti = 0x28,
    kM100ReadData = 0x39,
    kM100WriteData = 0x49,
    kM100Kill = 0x65,
    kM100Lock = 0x82,
    kM100GetChannel = 0xAA,
    kM100SetChannel = 0xAB,
    kM100SetFhss = 0xAD,
    kM100SetCw = 0xB0,
    kM100SetPower = 0xB6,
    kM100GetPower = 0xB7,
    kM100SetModem = 0xF0,
    kM100ReadModem = 0xF1,
    kM100ScanJammer = 0xF2,
    kM100ScanRssi = 0xF3,
};

constexpr int kMaxReadWords = 32;
// Password, bank, start and count ahead of the data leave room for 16 words.
constexpr int kMaxWriteWords = 16;
constexpr int kMaxMaskBytes = 32;
constexpr int kMinEpcRoom = 32;
constexpr std::size_t kLockPayloadSize = 3;
// UL and PC ahead of the EPC in a tag-access answer.
constexpr std::size_t kAccessHeader = 3;

using Parameters = std::vector<std::uint8_t>;

void PutBe16(Parameters& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutBe32(Parameters& out, std::uint32_t value) {
    PutBe16(out, value >> 16);
    PutBe16(out, value);
}

std::uint16_t Be16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// One tag of a notice: RSSI, PC, EPC, CRC.
struct TagNotice {
    std::uint8_t rssi = 0;
    std::uint16_t pc = 0;
    std::span<const std::uint8_t> epc;
};

// False when the parameters cannot hold RSSI, PC and CRC.
bool ReadTagNotice(std::span<const std::uint8_t> parameters, TagNotice& tag) {
    constexpr std::size_t kAroundEpc = 5;
    if (parameters.size() < kAroundEpc) return false;
    tag.rssi = parameters[0];
    tag.pc = Be16(parameters, 1);
    tag.epc = parameters.subspan(3, parameters.size() - kAroundEpc);
    return true;
}

// Sends one command frame and reads the module's answer from the reply. False when the
// reader exchange fails or the reply carries no whole module frame (error code set); answer
// stays empty when the reply carries nothing.
bool ModuleExchange(ReaderSession& s, std::uint8_t command, const Parameters& parameters,
                    std::optional<M100Frame>& answer) {
    answer.reset();
    if (!s.SendM100Command(kM100TypeCommand, command, static_cast<unsigned>(parameters.size()),
                           parameters.data())) {
        return false;
    }
    const std::span<const std::uint8_t> payload = s.ReplyPayload();
    if (payload.empty()) return true;
    M100Frame frame;
    const int code = ParseM100Frame(payload, frame);
    if (code != LCEC_OK) {
        s.SetErrorCode(code);
        return false;
    }
    answer = frame;
    return true;
}

// Fails the command with the code of an answer that is not its own.
bool RefuseAnswer(ReaderSession& s, const M100Frame& answer) {
    const int code = M100ReplyError(&answer);
    s.SetErrorCode(code != LCEC_OK ? code : static_cast<int>(LCEC_UNKNOWN));
    return false;
}

// A command that takes any answer but the module's error: a response to another command.
bool TunnelCommand(ReaderSession& s, std::uint8_t command, const Parameters& parameters = {}) {
    std::optional<M100Frame> answer;
    if (!ModuleExchange(s, command, parameters, answer)) return false;
    if (answer && answer->type == kM100TypeResponse && answer->command != command) {
        return RefuseAnswer(s, *answer);
    }
    return true;
}

// A command whose answer, when there is one, must carry the command sent.
bool EchoedCommand(ReaderSession& s, std::uint8_t command, const Parameters& parameters,
                   std::optional<M100Frame>& answer) {
    if (!ModuleExchange(s, command, parameters, answer)) return false;
    if (answer && answer->command != command) return RefuseAnswer(s, *answer);
    return true;
}

bool EchoedCommand(ReaderSession& s, std::uint8_t command, const Parameters& parameters = {}) {
    std::optional<M100Frame> answer;
    return EchoedCommand(s, command, parameters, answer);
}

// A getter: the echoed answer must be there with at least `needed` parameters (else 3).
std::optional<M100Frame> QueryCommand(ReaderSession& s, std::uint8_t command, std::size_t needed,
                                      const Parameters& parameters = {}) {
    std::optional<M100Frame> answer;
    if (!EchoedCommand(s, command, parameters, answer)) return std::nullopt;
    if (!answer || answer->parameters.size() < needed) {
        s.SetErrorCode(LCEC_RECV_TIME_OUT);
        return std::nullopt;
    }
    return answer;
}

// A command whose one parameter is the caller's byte, sent as `run` sends it.
bool ByteParameterCommand(ReaderSession& s, std::uint8_t command, int value,
                          bool (*run)(ReaderSession&, std::uint8_t, const Parameters&)) {
    return CheckedByteCommand(s, {value}, [&](std::span<const std::uint8_t> payload) {
        return run(s, command, Parameters(payload.begin(), payload.end()));
    });
}

// Channel scans: start, end, then one value per channel.
bool ScanChannels(ReaderSession& s, std::uint8_t command, std::uint8_t* start, std::uint8_t* end,
                  std::uint8_t* output, int* length) {
    if (start == nullptr || end == nullptr || output == nullptr || length == nullptr) return false;
    const std::optional<M100Frame> answer = QueryCommand(s, command, 2);
    if (!answer) return false;
    const std::span<const std::uint8_t> values = answer->parameters.subspan(2);
    if (values.size() > static_cast<std::size_t>(std::max(*length, 0))) {
        s.SetErrorCode(LCEC_UNKNOWN);
        return false;
    }
    *start = answer->parameters[0];
    *end = answer->parameters[1];
    std::copy(values.begin(), values.end(), output);
    *length = static_cast<int>(values.size());
    return true;
}

// Password, bank, start word and word count of a tag access.
Parameters AccessParameters(std::uint32_t password, int bank, int start, int count) {
    Parameters parameters;
    PutBe32(parameters, password);
    parameters.push_back(Low8(bank));
    PutBe16(parameters, static_cast<std::uint32_t>(start));
    PutBe16(parameters, static_cast<std::uint32_t>(count));
    return parameters;
}

// Bank a byte, start word and count 16-bit values (code 2 otherwise); then count at most
// maxWords and length room for them.
bool AccessArgumentsFit(ReaderSession& s, int bank, int start, int count, int maxWords,
                        const int* length) {
    return length != nullptr &&
           ArgumentsFit(s, {ByteField(bank), WordField(start), WordField(count)}) &&
           count <= maxWords && *length >= 2 * count;
}

}  // namespace

bool ReaderSession::SendM100Command(std::uint8_t type, std::uint8_t command,
                                    unsigned parameterLength, const std::uint8_t* parameters) {
    std::array<std::uint8_t, kM100MaxSendFrame> frame{};
    const std::size_t length =
        BuildM100Frame(type, command, parameterLength, parameters, frame.data());
    if (length == 0) return false;
    return Transact(kCmdModule, frame.data(), static_cast<unsigned>(length), kTimeout);
}

bool ReaderSession::GetUhfFwVersion(int infoType, char* output, int size) {
    if (output == nullptr || size < 1 || !ArgumentsFit(*this, {ByteField(infoType)})) {
        return false;
    }
    const std::optional<M100Frame> answer =
        QueryCommand(*this, kM100GetFwVersion, 1, Parameters{Low8(infoType)});
    if (!answer) return false;
    const std::span<const std::uint8_t> text = answer->parameters.subspan(1);
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(output, text.data(), n);
    output[n] = '\0';
    return true;
}

bool ReaderSession::M100Inventory(int* count) {
    if (count == nullptr) return false;
    SetErrorCode(LCEC_UNKNOWN);
    std::array<std::uint8_t, kM100MaxSendFrame> frame{};
    const auto length = static_cast<unsigned>(
        BuildM100Frame(kM100TypeCommand, kM100Inventory, 0, nullptr, frame.data()));
    if (!SendFrame(kCmdModule, frame.data(), length, kTimeout)) return false;
    uhfInventory.fill(M100UhfInventoryStruct{});
    uhfInventoryCount = 0;
    *count = 0;
    int refused = LCEC_OK;
    for (unsigned replies = 0; replies < kMaxInventoryReplies; ++replies) {
        if (!ReceiveFrame(kCmdModule, frame.data(), length, kInventoryWaitMs)) break;
        const std::span<const std::uint8_t> payload = ReplyPayload();
        if (payload.empty()) continue;
        M100Frame notice;
        const int code = ParseM100Frame(payload, notice);
        if (code != LCEC_OK) {
            refused = code;
            continue;
        }
        if (notice.type == kM100TypeResponse) {
            SetErrorCode(M100ReplyError(&notice));
            return false;
        }
        if (notice.parameters.empty()) continue;
        TagNotice tag;
        M100UhfInventoryStruct& record = uhfInventory[static_cast<std::size_t>(uhfInventoryCount)];
        if (!ReadTagNotice(notice.parameters, tag) || tag.epc.size() > sizeof record.arrEpc) {
            refused = LCEC_RECV_TIME_OUT;
            continue;
        }
        std::copy(tag.epc.begin(), tag.epc.end(), record.arrEpc);
        record.ucEpcLength = static_cast<std::uint8_t>(tag.epc.size());
        record.ucRssi = tag.rssi;
        record.usPc = tag.pc;
        *count = ++uhfInventoryCount;
        if (uhfInventoryCount == kM100InventorySlots) break;
    }
    if (uhfInventoryCount > 0) {
        SetErrorCode(LCEC_OK);
        return true;
    }
    if (refused != LCEC_OK) {
        SetErrorCode(refused);
    } else if (GetErrorCode() == LCEC_OK) {
        SetErrorCode(LCEC_UNKNOWN);
    }
    return false;
}

bool ReaderSession::M100UhfGetInventoryStruct(int index, M100UhfInventoryStruct* record) {
    if (record == nullptr || index < 0 || index >= kM100InventorySlots) return false;
    *record = uhfInventory[static_cast<std::size_t>(index)];
    return true;
}

bool ReaderSession::M100UhfReadMulti(std::uint8_t* rssi, std::uint16_t* pc, std::uint8_t* epc,
                                     int size, int* length) {
    if (rssi == nullptr || pc == nullptr || epc == nullptr || length == nullptr ||
        size < kMinEpcRoom) {
        return false;
    }
    std::optional<M100Frame> answer;
    if (!ModuleExchange(*this, kM100ReadMulti, Parameters{0x22, 0x00, 0x01}, answer)) {
        return false;
    }
    if (answer && answer->type == kM100TypeResponse) {
        SetErrorCode(M100ReplyError(&*answer));
        return false;
    }
    TagNotice tag;
    if (!answer || !ReadTagNotice(answer->parameters, tag)) {
        SetErrorCode(LCEC_RECV_TIME_OUT);
        return false;
    }
    if (tag.epc.size() > static_cast<std::size_t>(size)) {
        SetErrorCode(LCEC_UNKNOWN);
        return false;
    }
    *rssi = tag.rssi;
    *pc = tag.pc;
    std::copy(tag.epc.begin(), tag.epc.end(), epc);
    *length = static_cast<int>(tag.epc.size());
    return true;
}

bool ReaderSession::M100UhfStopMulti() { return TunnelCommand(*this, kM100StopMulti); }

bool ReaderSession::M100UhfSetSelectParameter(int selParam, std::uint32_t pointer, int maskLength,
                                              int truncate, const std::uint8_t* mask,
                                              int maskSize) {
    if (maskSize < 0 || maskSize > kMaxMaskBytes || (mask == nullptr && maskSize > 0) ||
        !ArgumentsFit(*this, {ByteField(selParam), ByteField(maskLength), ByteField(truncate)})) {
        return false;
    }
    Parameters parameters{Low8(selParam)};
    PutBe32(parameters, pointer);
    parameters.push_back(Low8(maskLength));
    parameters.push_back(Low8(truncate));
    if (maskSize > 0) parameters.insert(parameters.end(), mask, mask + maskSize);
    return EchoedCommand(*this, kM100SetSelect, parameters);
}

bool ReaderSession::M100UhfSetInventoryMode(int mode) {
    return ByteParameterCommand(*this, kM100SetInventoryMode, mode, EchoedCommand);
}

bool ReaderSession::M100UhfReadData(std::uint32_t password, int bank, int start, int count,
                                    std::uint8_t* output, int* length) {
    if (output == nullptr ||
        !AccessArgumentsFit(*this, bank, start, count, kMaxReadWords, length)) {
        return false;
    }
    const std::optional<M100Frame> answer = QueryCommand(
        *this, kM100ReadData, kAccessHeader, AccessParameters(password, bank, start, count));
    if (!answer) return false;
    const std::span<const std::uint8_t> p = answer->parameters;
    // EPC words from the PC's top five bits.
    const std::size_t at = kAccessHeader + 2 * static_cast<std::size_t>(p[1] >> 3);
    const auto bytes = static_cast<std::size_t>(2 * count);
    if (p.size() < at + bytes) {
        SetErrorCode(LCEC_RECV_TIME_OUT);
        return false;
    }
    std::copy_n(p.begin() + static_cast<std::ptrdiff_t>(at), bytes, output);
    *length = static_cast<int>(bytes);
    return true;
}

bool ReaderSession::M100UhfWriteData(std::uint32_t password, int bank, int start, int count,
                                     const std::uint8_t* data, int* length) {
    if (data == nullptr || !AccessArgumentsFit(*this, bank, start, count, kMaxWriteWords, length)) {
        return false;
    }
    Parameters parameters = AccessParameters(password, bank, start, count);
    parameters.insert(parameters.end(), data, data + 2 * count);
    if (!EchoedCommand(*this, kM100WriteData, parameters)) return false;
    *length = 2 * count;
    return true;
}

bool ReaderSession::M100UhfLockUnLock(std::uint32_t password, const std::uint8_t* payload,
                                      int size) {
    if (payload == nullptr || size != static_cast<int>(kLockPayloadSize)) return false;
    Parameters parameters;
    PutBe32(parameters, password);
    parameters.insert(parameters.end(), payload, payload + kLockPayloadSize);
    return EchoedCommand(*this, kM100Lock, parameters);
}

bool ReaderSession::M100UhfKill(std::uint32_t password) {
    Parameters parameters;
    PutBe32(parameters, password);
    return EchoedCommand(*this, kM100Kill, parameters);
}

bool ReaderSession::M100UhfGetQueryParamter(std::uint16_t* value) {
    if (value == nullptr) return false;
    const std::optional<M100Frame> answer = QueryCommand(*this, kM100GetQuery, 2);
    if (!answer) return false;
    *value = Be16(answer->parameters, 0);
    return true;
}

bool ReaderSession::M100UhfSetQueryParamter(int value) {
    if (!ArgumentsFit(*this, {WordField(value)})) return false;
    Parameters parameters;
    PutBe16(parameters, value);
    return TunnelCommand(*this, kM100SetQuery, parameters);
}

bool ReaderSession::M100UhfSetRegion(int region) {
    return ByteParameterCommand(*this, kM100SetRegion, region, EchoedCommand);
}

bool ReaderSession::M100UhfSetRfChannel(int channel) {
    return ByteParameterCommand(*this, kM100SetChannel, channel, EchoedCommand);
}

bool ReaderSession::M100UhfGetRfChannel(std::uint8_t* channel) {
    if (channel == nullptr) return false;
    const std::optional<M100Frame> answer = QueryCommand(*this, kM100GetChannel, 1);
    if (!answer) return false;
    *channel = answer->parameters[0];
    return true;
}

bool ReaderSession::M100UhfSetFHSS(int on) {
    return ByteParameterCommand(*this, kM100SetFhss, on, TunnelCommand);
}

bool ReaderSession::M100UhfGetPower(std::uint16_t* power) {
    if (power == nullptr) return false;
    const std::optional<M100Frame> answer = QueryCommand(*this, kM100GetPower, 2);
    if (!answer) return false;
    *power = Be16(answer->parameters, 0);
    return true;
}

bool ReaderSession::M100UhfSetPower(int power) {
    if (!ArgumentsFit(*this, {WordField(power)})) return false;
    Parameters parameters;
    PutBe16(parameters, power);
    return EchoedCommand(*this, kM100SetPower, parameters);
}

bool ReaderSession::M100UhfSetCW(int on) {
    return ByteParameterCommand(*this, kM100SetCw, on, TunnelCommand);
}

bool ReaderSession::M100UhfReadModemParameter(std::uint8_t* mixerGain, std::uint8_t* ifGain,
                                              std::uint16_t* threshold) {
    if (mixerGain == nullptr || ifGain == nullptr || threshold == nullptr) return false;
    const std::optional<M100Frame> answer = QueryCommand(*this, kM100ReadModem, 4);
    if (!answer) return false;
    *mixerGain = answer->parameters[0];
    *ifGain = answer->parameters[1];
    *threshold = Be16(answer->parameters, 2);
    return true;
}

bool ReaderSession::M100UhfSetModemParameter(int mixerGain, int ifGain, int threshold) {
    if (!ArgumentsFit(*this, {ByteField(mixerGain), ByteField(ifGain), WordField(threshold)})) {
        return false;
    }
    Parameters parameters{Low8(mixerGain), Low8(ifGain)};
    PutBe16(parameters, threshold);
    return EchoedCommand(*this, kM100SetModem, parameters);
}

bool ReaderSession::M100UhfScanJammer(std::uint8_t* start, std::uint8_t* end, std::uint8_t* output,
                                      int* length) {
    return ScanChannels(*this, kM100ScanJammer, start, end, output, length);
}

bool ReaderSession::M100UhfScanRssi(std::uint8_t* start, std::uint8_t* end, std::uint8_t* output,
                                    int* length) {
    return ScanChannels(*this, kM100ScanRssi, start, end, output, length);
}
