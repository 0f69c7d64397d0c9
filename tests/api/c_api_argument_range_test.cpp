#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/handle_registry.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "core/transport/hid_transport.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/hid_backend_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/simulated_reader.h"

// Every export argument that reaches the reader as a byte or a 16-bit value: a value that
// does not fit fails and sends nothing, a value that fits reaches the reader as it is.

namespace {

using Bytes = std::vector<std::uint8_t>;

// A simulated reader listed as the one USB reader; a C API handle and the ICC_Reader_
// interface's own reader both reach it. Commands it has no handler for are answered with
// the reader's error code, which ends each call after its first request.
class ArgumentBench {
  public:
    ArgumentBench() {
        SetHidBackendFactory([this] { return std::make_unique<sim::HidBackendAdapter>(port); });
        handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 1000, nullptr);
    }
    ~ArgumentBench() {
        ICC_Reader_Close(0);
        KorviCardCloseDevice(handle);
        SetHidBackendFactory({});
    }
    ArgumentBench(const ArgumentBench&) = delete;
    ArgumentBench& operator=(const ArgumentBench&) = delete;

    std::vector<sim::Request> TakeRequests() {
        return port.WithReader([](sim::SimulatedReader& r) {
            std::vector<sim::Request> requests = r.Requests();
            r.ClearRequests();
            return requests;
        });
    }
    void ResetErrorCode() { Readers().Find(handle)->SetErrorCode(LCEC_OK); }

    sim::SimulatedReader reader;
    sim::ReaderPort port{reader};
    int handle = -1;
};

enum class Field { kByte, kWord };

// Values outside each field, the ones reported cut to the field's low bits among them.
std::vector<int> Outside(Field field) {
    if (field == Field::kByte) return {-1, -252, 256, 260, 511, 65536, INT_MIN, INT_MAX};
    return {-1, 65536, 67536, INT_MIN, INT_MAX};
}

// How a value travels in the request.
Bytes AsByte(int value) { return {static_cast<std::uint8_t>(value)}; }
Bytes LittleEndian16(int value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}
Bytes BigEndian16(int value) {
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}
// READ BINARY's P1: the short file identifier's low 5 bits.
Bytes ReadBinaryP1(int sfi) { return {static_cast<std::uint8_t>(0x80 | (sfi & 0x1F))}; }
// The ICC_Reader_ slot is no reader field: each call selects reader slot 0 first.
Bytes ContactSlot(int) { return {0}; }

struct Row {
    const char* call;  // the export and the argument
    Field field;
    std::vector<int> inside;  // edges that fit, and values with a meaning
    std::function<int(int handle, int value)> run;
    std::uint8_t command;  // the first request of a value that fits
    std::size_t at;        // where the value travels in that request's payload
    Bytes (*carried)(int);
    int refused = 0;  // the export's result for a value outside
};

constexpr std::uint8_t kM100Command = 30;
// Parameters of a module frame start after BB, type, command and the 16-bit length.
constexpr std::size_t kM100Parameters = 5;

KorviCardParam Record(int bufferSize = 0) {
    KorviCardParam record{};
    record.nBufferSize = bufferSize;
    return record;
}

int StringCommand(int handle, const std::string& text) {
    char output[256] = {};
    return KorviCardExecStringCommand(handle, text.c_str(), static_cast<int>(text.size()), output,
                                      sizeof output);
}

int ReadUhf(int handle, int bank, int start, int count) {
    unsigned char buffer[64] = {};
    int length = sizeof buffer;
    return KorviCardM100UhfReadData(handle, 0, bank, start, count, buffer, &length);
}

int WriteUhf(int handle, int bank, int start, int count) {
    const unsigned char data[32] = {};
    int length = sizeof data;
    return KorviCardM100UhfWriteData(handle, 0, bank, start, count, data, &length);
}

int SelectUhf(int handle, int selParam, int maskLength, int truncate) {
    const unsigned char mask[2] = {0x30, 0x00};
    return KorviCardM100UhfSetSelectParameter(handle, selParam, 0x20, maskLength, truncate, mask,
                                              sizeof mask);
}

int IccApplication(int slot) {
    const unsigned char command[] = {0x00, 0x84, 0x00, 0x00, 0x04};
    unsigned char answer[256] = {};
    return ICC_Reader_Application(0, slot, sizeof command, command, answer);
}

std::vector<Row> Rows() {
    using F = Field;
    const std::vector<int> byteEdges = {0, 255};
    const std::vector<int> requestModes = {0, 0x26, 0x52, 255};
    const std::vector<int> keyModes = {0, 0x60, 0x61, 255};
    const std::vector<int> sectors = {0, 39};
    const std::vector<int> onOff = {0, 1, 0xFF};
    const std::vector<int> wordEdges = {0, 65535};
    return {
        // Mifare Classic and ISO 14443-A
        {"KorviCardRequest mode", F::kByte, requestModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardRequest(h, v, &r);
         },
         1, 0, AsByte},
        {"KorviCardGetCardNo mode", F::kByte, requestModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardGetCardNo(h, v, &r);
         },
         1, 0, AsByte},
        {"KorviCardAuthentication keyMode", F::kByte, keyModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardAuthentication(h, v, 1, &r);
         },
         4, 0, AsByte},
        {"KorviCardAuthentication sector", F::kByte, sectors,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardAuthentication(h, 0x60, v, &r);
         },
         4, 1, AsByte},
        {"KorviCardAuthenticationWithPassword keyMode", F::kByte, keyModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardAuthenticationWithPassword(h, v, 1, &r);
         },
         46, 0, AsByte},
        {"KorviCardAuthenticationWithPassword sector", F::kByte, sectors,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardAuthenticationWithPassword(h, 0x61, v, &r);
         },
         46, 1, AsByte},
        {"KorviCardLoadKey keyMode", F::kByte, keyModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardLoadKey(h, v, 1, &r);
         },
         10, 0, AsByte},
        {"KorviCardLoadKey sector", F::kByte, sectors,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardLoadKey(h, 0x60, v, &r);
         },
         10, 1, AsByte},
        {"KorviCardRead block", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardRead(h, v, &r);
         },
         6, 0, AsByte},
        {"KorviCardWrite block", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record(16);
             return KorviCardWrite(h, v, &r);
         },
         7, 0, AsByte},
        {"KorviCardInitValue block", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardInitValue(h, v, 100); }, 7, 0, AsByte},
        {"KorviCardIncrement block", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardIncrement(h, v, 1); }, 8, 0, AsByte},
        {"KorviCardDecrement block", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardDecrement(h, v, 1); }, 9, 0, AsByte},
        {"KorviCardRestore block", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardRestore(h, v); }, 12, 0, AsByte},
        {"KorviCardTransfer block", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardTransfer(h, v); }, 13, 0, AsByte},
        {"KorviCardBeep time",
         F::kWord,
         {0, 100, 65535},
         [](int h, int v) { return KorviCardBeep(h, v); },
         11,
         0,
         LittleEndian16},
        {"KorviCardGetCardNoEx requestMode", F::kByte, requestModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardGetCardNoEx(h, v, 0, 0, 0, &r);
         },
         50, 0, AsByte},
        {"KorviCardGetCardNoEx beepTime", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardGetCardNoEx(h, 0x26, v, 0, 0, &r);
         },
         50, 1, AsByte},
        {"KorviCardGetCardNoEx option1", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardGetCardNoEx(h, 0x26, 0, v, 0, &r);
         },
         50, 2, AsByte},
        {"KorviCardGetCardNoEx option2", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardGetCardNoEx(h, 0x26, 0, 0, v, &r);
         },
         50, 3, AsByte},
        {"KorviCardReadData requestMode", F::kByte, requestModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardReadData(h, v, 4, 1, 0, 0x60, &r);
         },
         51, 0, AsByte},
        {"KorviCardReadData block", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardReadData(h, 0x26, v, 1, 0, 0x60, &r);
         },
         51, 1, AsByte},
        {"KorviCardReadData blockCount", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardReadData(h, 0x26, 4, v, 0, 0x60, &r);
         },
         51, 2, AsByte},
        {"KorviCardReadData beepTime", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardReadData(h, 0x26, 4, 1, v, 0x60, &r);
         },
         51, 3, AsByte},
        {"KorviCardReadData keyMode", F::kByte, keyModes,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardReadData(h, 0x26, 4, 1, 0, v, &r);
         },
         51, 4, AsByte},
        {"KorviCardWriteData block", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record(16);
             return KorviCardWriteData(h, v, 0, 1, &r);
         },
         52, 0, AsByte},
        {"KorviCardWriteData beepTime", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record(16);
             return KorviCardWriteData(h, 4, v, 1, &r);
         },
         52, 1, AsByte},
        {"KorviCardWriteData blockCount", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record(16);
             return KorviCardWriteData(h, 4, 0, v, &r);
         },
         52, 2, AsByte},
        {"KorviCardSetCardType type",
         F::kByte,
         {'A', 'B', 'C', 'F'},
         [](int h, int v) { return KorviCardSetCardType(h, v); },
         20,
         0,
         AsByte},
        // Type B and FeliCa
        {"KorviCardRequestB mode", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardRequestB(h, v, &r);
         },
         27, 0, AsByte},
        {"KorviCardFelicaPolling request", F::kByte, byteEdges,
         [](int h, int v) {
             KorviCardParam r = Record();
             return KorviCardFelicaPolling(h, v, &r);
         },
         21, 0, AsByte},
        // SAM slots
        {"KorviCardSetSamSlotIndex slot",
         F::kByte,
         {0, 1, 2, 5, 255},
         [](int h, int v) { return KorviCardSetSamSlotIndex(h, v); },
         45,
         0,
         AsByte},
        {"KorviCardSetSamPowerOnOff on", F::kByte, onOff,
         [](int h, int v) { return KorviCardSetSamPowerOnOff(h, v); }, 42, 0, AsByte},
        {"KorviCardSetSamVSel0 slot", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardSetSamVSel0(h, v, 1); }, 230, 0, AsByte},
        {"KorviCardSetSamVSel0 level", F::kByte, onOff,
         [](int h, int v) { return KorviCardSetSamVSel0(h, 0, v); }, 230, 1, AsByte},
        {"KorviCardSetSamVSel1 slot", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardSetSamVSel1(h, v, 1); }, 231, 0, AsByte},
        {"KorviCardSetSamVSel1 level", F::kByte, onOff,
         [](int h, int v) { return KorviCardSetSamVSel1(h, 0, v); }, 231, 1, AsByte},
        // CPU cards
        {"KorviCardSendCpuCommand mode",
         F::kByte,
         {0, 4, 7, 255},
         [](int h, int v) {
             KorviCardParam r = Record(1);
             return KorviCardSendCpuCommand(h, v, &r);
         },
         14,
         0,
         AsByte},
        {"KorviCardCpuCardReadBinary sfi",
         F::kByte,
         {0, 1, 31, 255},
         [](int h, int v) {
             unsigned char output[64] = {};
             int length = sizeof output;
             return KorviCardCpuCardReadBinary(h, v, output, &length);
         },
         14,
         5,
         ReadBinaryP1},
        // Device controls
        {"KorviCardSetRfOnOff on", F::kByte, onOff,
         [](int h, int v) { return KorviCardSetRfOnOff(h, v); }, 32, 0, AsByte},
        {"KorviCardSetLedStatus state",
         F::kByte,
         {0, 3, 255},
         [](int h, int v) { return KorviCardSetLedStatus(h, v); },
         33,
         0,
         AsByte},
        {"KorviCardSetServerIpPort port",
         F::kWord,
         {0, 12345, 65535},
         [](int h, int v) { return KorviCardSetServerIpPort(h, 0x0100007Fu, v); },
         35,
         4,
         LittleEndian16},
        {"KorviCardReadWriteRfRegister mode",
         F::kByte,
         {0, 1, 255},
         [](int h, int v) { return KorviCardReadWriteRfRegister(h, v, 55, 0); },
         213,
         0,
         AsByte},
        {"KorviCardReadWriteRfRegister reg", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardReadWriteRfRegister(h, 1, v, 0); }, 213, 1, AsByte},
        {"KorviCardReadWriteRfRegister value", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardReadWriteRfRegister(h, 1, 24, v); }, 213, 2, AsByte},
        {"KorviCardSetRelayStatus relay",
         F::kByte,
         {0, 9, 255},
         [](int h, int v) { return KorviCardSetRelayStatus(h, v, 1, "pass"); },
         228,
         0,
         AsByte},
        {"KorviCardSetRelayStatus status", F::kByte, onOff,
         [](int h, int v) { return KorviCardSetRelayStatus(h, 2, v, "pass"); }, 228, 1, AsByte},
        {"KorviCardGetRelayStatus relay",
         F::kByte,
         {0, 9, 255},
         [](int h, int v) {
             unsigned char status = 0;
             return KorviCardGetRelayStatus(h, v, &status);
         },
         227,
         0,
         AsByte},
        {"KorviCardSetMcuBkp value", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardSetMcuBkp(h, v); }, 237, 0, AsByte},
        // M100 UHF module
        {"KorviCardGetUhfFwVersion kind",
         F::kByte,
         {0, 1, 2, 255},
         [](int h, int v) {
             char text[32] = {};
             return KorviCardGetUhfFwVersion(h, v, text, sizeof text);
         },
         kM100Command,
         kM100Parameters,
         AsByte},
        {"KorviCardM100UhfSetInventoryMode mode",
         F::kByte,
         {0, 1, 2, 255},
         [](int h, int v) { return KorviCardM100UhfSetInventoryMode(h, v); },
         kM100Command,
         kM100Parameters,
         AsByte},
        {"KorviCardM100UhfSetFHSS on",
         F::kByte,
         {0, 0xFF},
         [](int h, int v) { return KorviCardM100UhfSetFHSS(h, v); },
         kM100Command,
         kM100Parameters,
         AsByte},
        {"KorviCardM100UhfSetCW on",
         F::kByte,
         {0, 0xFF},
         [](int h, int v) { return KorviCardM100UhfSetCW(h, v); },
         kM100Command,
         kM100Parameters,
         AsByte},
        {"KorviCardM100UhfSetRegion region",
         F::kByte,
         {0, 1, 255},
         [](int h, int v) { return KorviCardM100UhfSetRegion(h, v); },
         kM100Command,
         kM100Parameters,
         AsByte},
        {"KorviCardM100UhfSetRfChannel channel", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardM100UhfSetRfChannel(h, v); }, kM100Command,
         kM100Parameters, AsByte},
        {"KorviCardM100UhfSetPower power",
         F::kWord,
         {0, 2000, 65535},
         [](int h, int v) { return KorviCardM100UhfSetPower(h, v); },
         kM100Command,
         kM100Parameters,
         BigEndian16},
        {"KorviCardM100UhfSetQueryParamter value",
         F::kWord,
         {0, 0x1020, 65535},
         [](int h, int v) { return KorviCardM100UhfSetQueryParamter(h, v); },
         kM100Command,
         kM100Parameters,
         BigEndian16},
        {"KorviCardM100UhfSetModemParameter mixerGain", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardM100UhfSetModemParameter(h, v, 6, 0x01B0); },
         kM100Command, kM100Parameters, AsByte},
        {"KorviCardM100UhfSetModemParameter ifGain", F::kByte, byteEdges,
         [](int h, int v) { return KorviCardM100UhfSetModemParameter(h, 3, v, 0x01B0); },
         kM100Command, kM100Parameters + 1, AsByte},
        {"KorviCardM100UhfSetModemParameter threshold", F::kWord, wordEdges,
         [](int h, int v) { return KorviCardM100UhfSetModemParameter(h, 3, 6, v); }, kM100Command,
         kM100Parameters + 2, BigEndian16},
        {"KorviCardM100UhfSetSelectParameter selParam", F::kByte, byteEdges,
         [](int h, int v) { return SelectUhf(h, v, 16, 0); }, kM100Command, kM100Parameters,
         AsByte},
        {"KorviCardM100UhfSetSelectParameter maskLength", F::kByte, byteEdges,
         [](int h, int v) { return SelectUhf(h, 1, v, 0); }, kM100Command, kM100Parameters + 5,
         AsByte},
        {"KorviCardM100UhfSetSelectParameter truncate",
         F::kByte,
         {0, 0x80, 255},
         [](int h, int v) { return SelectUhf(h, 1, 16, v); },
         kM100Command,
         kM100Parameters + 6,
         AsByte},
        {"KorviCardM100UhfReadData bank",
         F::kByte,
         {0, 3, 255},
         [](int h, int v) { return ReadUhf(h, v, 0, 2); },
         kM100Command,
         kM100Parameters + 4,
         AsByte},
        {"KorviCardM100UhfReadData start", F::kWord, wordEdges,
         [](int h, int v) { return ReadUhf(h, 1, v, 2); }, kM100Command, kM100Parameters + 5,
         BigEndian16},
        {"KorviCardM100UhfReadData count",
         F::kWord,
         {0, 32},
         [](int h, int v) { return ReadUhf(h, 1, 2, v); },
         kM100Command,
         kM100Parameters + 7,
         BigEndian16},
        {"KorviCardM100UhfWriteData bank",
         F::kByte,
         {0, 3, 255},
         [](int h, int v) { return WriteUhf(h, v, 0, 2); },
         kM100Command,
         kM100Parameters + 4,
         AsByte},
        {"KorviCardM100UhfWriteData start", F::kWord, wordEdges,
         [](int h, int v) { return WriteUhf(h, 1, v, 2); }, kM100Command, kM100Parameters + 5,
         BigEndian16},
        {"KorviCardM100UhfWriteData count",
         F::kWord,
         {0, 16},
         [](int h, int v) { return WriteUhf(h, 1, 2, v); },
         kM100Command,
         kM100Parameters + 7,
         BigEndian16},
        // String commands: their numbers reach the same operations
        {"KorviCardExecStringCommand Beep time", F::kWord, wordEdges,
         [](int h, int v) { return StringCommand(h, "x,x,x,Beep,x," + std::to_string(v)); }, 11, 0,
         LittleEndian16},
        {"KorviCardExecStringCommand GetCardNo mode", F::kByte, requestModes,
         [](int h, int v) { return StringCommand(h, "x,x,x,GetCardNo,x," + std::to_string(v)); }, 1,
         0, AsByte},
        {"KorviCardExecStringCommand LoadKey keyMode", F::kByte, keyModes,
         [](int h, int v) {
             return StringCommand(h, "x,x,x,LoadKey,x," + std::to_string(v) + ",1,FFFFFFFFFFFF");
         },
         10, 0, AsByte},
        {"KorviCardExecStringCommand LoadKey sector", F::kByte, sectors,
         [](int h, int v) {
             return StringCommand(h, "x,x,x,LoadKey,x,96," + std::to_string(v) + ",FFFFFFFFFFFF");
         },
         10, 1, AsByte},
        {"KorviCardExecStringCommand Authentication keyMode", F::kByte, keyModes,
         [](int h, int v) {
             return StringCommand(h, "x,x,x,Authentication,x," + std::to_string(v) + ",1");
         },
         4, 0, AsByte},
        {"KorviCardExecStringCommand Authentication sector", F::kByte, sectors,
         [](int h, int v) {
             return StringCommand(h, "x,x,x,Authentication,x,96," + std::to_string(v));
         },
         4, 1, AsByte},
        {"KorviCardExecStringCommand Read block", F::kByte, byteEdges,
         [](int h, int v) { return StringCommand(h, "x,x,x,Read,x," + std::to_string(v)); }, 6, 0,
         AsByte},
        {"KorviCardExecStringCommand Write block", F::kByte, byteEdges,
         [](int h, int v) {
             return StringCommand(
                 h, "x,x,x,Write,x," + std::to_string(v) + "," + std::string(32, '0'));
         },
         7, 0, AsByte},
        // The ICC_Reader_ slot byte: -14 for a bad argument
        {"ICC_Reader_PowerOn slot",
         F::kByte,
         {0, 0x0F, 0x10, 255},
         [](int, int v) {
             unsigned char answerToReset[64] = {};
             return ICC_Reader_PowerOn(0, v, answerToReset);
         },
         45,
         0,
         ContactSlot,
         -14},
        {"ICC_Reader_PowerOff slot",
         F::kByte,
         {0, 0x0F},
         [](int, int v) { return ICC_Reader_PowerOff(0, v); },
         45,
         0,
         ContactSlot,
         -14},
        {"ICC_Reader_Application slot",
         F::kByte,
         {0, 0x0F},
         [](int, int v) { return IccApplication(v); },
         45,
         0,
         ContactSlot,
         -14},
    };
}

// count bytes at `at` in the payload of the first request; empty when that request is not
// there, is another command or is too short.
Bytes FirstRequestBytes(const std::vector<sim::Request>& sent, std::uint8_t command, std::size_t at,
                        std::size_t count) {
    if (sent.empty() || sent.front().command != command) return {};
    const Bytes& payload = sent.front().payload;
    if (payload.size() < at + count) return {};
    const auto from = payload.begin() + static_cast<std::ptrdiff_t>(at);
    return Bytes(from, from + static_cast<std::ptrdiff_t>(count));
}

TEST(CApiArgumentRange, ValuesOutsideTheirFieldFailUnsentAndValuesInsideReachTheReader) {
    ArgumentBench bench;
    ASSERT_GT(bench.handle, 0);
    ASSERT_GT(ICC_Reader_Open(nullptr), 0);
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.call);
        for (int value : Outside(row.field)) {
            SCOPED_TRACE(value);
            bench.TakeRequests();
            bench.ResetErrorCode();
            EXPECT_EQ(row.run(bench.handle, value), row.refused);
            EXPECT_TRUE(bench.TakeRequests().empty());
            // The ICC_Reader_ interface reports by its result alone.
            EXPECT_EQ(KorviCardGetErrorCode(bench.handle),
                      row.refused == 0 ? LCEC_SEND_FALSE : LCEC_OK);
        }
        for (int value : row.inside) {
            SCOPED_TRACE(value);
            bench.TakeRequests();
            row.run(bench.handle, value);
            const std::vector<sim::Request> sent = bench.TakeRequests();
            const Bytes expected = row.carried(value);
            EXPECT_EQ(FirstRequestBytes(sent, row.command, row.at, expected.size()), expected);
        }
    }
}

TEST(CApiArgumentRange, UsbIdentifiersOutsideSixteenBitsNameNoReader) {
    ArgumentBench bench;
    const struct {
        int vendor;
        int product;
        int readers;
    } rows[] = {
        {0, 0, 1},       {0x051A, 0x511B, 1},      {0x1051A, 0, 0},
        {0, 0x1511B, 0}, {0x051A - 0x10000, 0, 0}, {-1, -1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.vendor << ":" << row.product);
        EXPECT_EQ(KorviCardGetUsbDeviceCount(row.vendor, row.product), row.readers);
        const int handle = KorviCardOpenDevice("", row.vendor, row.product, 0, 1000, nullptr);
        EXPECT_EQ(handle > 0, row.readers == 1);
        KorviCardCloseDevice(handle);
    }
}

}  // namespace
