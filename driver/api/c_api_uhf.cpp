#include <cstdint>

#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the reader's M100 UHF module: one operation each. The operations refuse null
// outputs before anything is sent, so a null output answers 0 without reaching the reader.

extern "C" int KORVICARD_CALL KorviCardGetUhfFwVersion(int handle, int kind, char* buffer,
                                                       int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetUhfFwVersion(kind, buffer, size); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfInventory(int handle, int* count) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100Inventory(count); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfGetInventoryStruct(int handle, int index,
                                                                 M100UhfInventoryStruct* record) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.M100UhfGetInventoryStruct(index, record); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfReadMulti(int handle, unsigned char* rssi,
                                                        unsigned short* pc, unsigned char* epc,
                                                        int size, int* length) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.M100UhfReadMulti(rssi, pc, epc, size, length); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfStopMulti(int handle) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfStopMulti(); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfGetPower(int handle, unsigned short* power) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfGetPower(power); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetPower(int handle, int power) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfSetPower(power); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetRegion(int handle, int region) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfSetRegion(region); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfGetRfChannel(int handle, unsigned char* channel) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.M100UhfGetRfChannel(channel); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetRfChannel(int handle, int channel) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.M100UhfSetRfChannel(channel); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetFHSS(int handle, int on) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfSetFHSS(on); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfGetQueryParamter(int handle, unsigned short* value) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.M100UhfGetQueryParamter(value); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetQueryParamter(int handle, int value) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.M100UhfSetQueryParamter(value); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetCW(int handle, int on) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfSetCW(on); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfScanJammer(int handle, unsigned char* start,
                                                         unsigned char* end, unsigned char* buffer,
                                                         int* length) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.M100UhfScanJammer(start, end, buffer, length); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfScanRssi(int handle, unsigned char* start,
                                                       unsigned char* end, unsigned char* buffer,
                                                       int* length) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.M100UhfScanRssi(start, end, buffer, length); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfReadModemParameter(int handle,
                                                                 unsigned char* mixerGain,
                                                                 unsigned char* ifGain,
                                                                 unsigned short* threshold) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.M100UhfReadModemParameter(mixerGain, ifGain, threshold);
    });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetModemParameter(int handle, int mixerGain,
                                                                int ifGain, int threshold) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.M100UhfSetModemParameter(mixerGain, ifGain, threshold);
    });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetInventoryMode(int handle, int mode) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.M100UhfSetInventoryMode(mode); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfSetSelectParameter(int handle, int selParam,
                                                                 unsigned int pointer,
                                                                 int maskLength, int truncate,
                                                                 const unsigned char* mask,
                                                                 int maskSize) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.M100UhfSetSelectParameter(selParam, pointer, maskLength, truncate, mask, maskSize);
    });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfReadData(int handle, unsigned int password, int bank,
                                                       int start, int count, unsigned char* buffer,
                                                       int* length) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.M100UhfReadData(password, bank, start, count, buffer, length);
    });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfWriteData(int handle, unsigned int password, int bank,
                                                        int start, int count,
                                                        const unsigned char* data, int* length) {
    return ForwardToReader(handle, [&](ReaderSession& s) {
        return s.M100UhfWriteData(password, bank, start, count, data, length);
    });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfLockUnLock(int handle, unsigned int password,
                                                         const unsigned char* payload, int size) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.M100UhfLockUnLock(password, payload, size); });
}

extern "C" int KORVICARD_CALL KorviCardM100UhfKill(int handle, unsigned int password) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.M100UhfKill(password); });
}
