// M100 UHF module frames: the frame parser, and every answer shape the module operations
// read (inventory notices, multiple-inventory polls, tag data, values, scans) from reader
// replies whose payloads the input chooses (fuzz_reader.h).

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/modules/m100_frame.h"
#include "fuzz_reader.h"
#include "korvicard/KorviCardDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    M100Frame frame;
    if (ParseM100Frame(std::span(data, size), frame) == 0) {
        M100ReplyError(&frame);
        if (frame.parameters.data() + frame.parameters.size() > data + size) __builtin_trap();
    }
    M100ReplyError(nullptr);

    fuzz_reader::ReplyScript script(data, size);
    ReaderSession session;
    fuzz_reader::Attach(session, script);
    int count = 0;
    session.M100Inventory(&count);
    if (count < 0 || count > ReaderSession::kM100InventorySlots) __builtin_trap();
    M100UhfInventoryStruct tag{};
    session.M100UhfGetInventoryStruct(count > 0 ? count - 1 : 0, &tag);
    char version[32];
    session.GetUhfFwVersion(1, version, sizeof version);
    std::uint8_t rssi = 0;
    std::uint16_t pc = 0;
    std::uint8_t epc[32];
    int length = 0;
    session.M100UhfReadMulti(&rssi, &pc, epc, sizeof epc, &length);
    if (length < 0 || length > static_cast<int>(sizeof epc)) __builtin_trap();
    std::uint8_t words[64];
    length = sizeof words;
    session.M100UhfReadData(0, 3, 0, 32, words, &length);
    if (length < 0 || length > static_cast<int>(sizeof words)) __builtin_trap();
    std::uint16_t value = 0;
    session.M100UhfGetPower(&value);
    session.M100UhfGetQueryParamter(&value);
    std::uint8_t channel = 0;
    session.M100UhfGetRfChannel(&channel);
    std::uint8_t mixer = 0;
    std::uint8_t gain = 0;
    session.M100UhfReadModemParameter(&mixer, &gain, &value);
    std::uint8_t start = 0;
    std::uint8_t end = 0;
    std::uint8_t scan[16];
    length = sizeof scan;
    session.M100UhfScanJammer(&start, &end, scan, &length);
    if (length < 0 || length > static_cast<int>(sizeof scan)) __builtin_trap();
    length = sizeof scan;
    session.M100UhfScanRssi(&start, &end, scan, &length);
    if (length < 0 || length > static_cast<int>(sizeof scan)) __builtin_trap();
    session.M100UhfKill(0);
    return 0;
}
