// SLIP: the escape-run count, the encoding of a boot-loader packet into a buffer of any
// room, the cut of a frame into reader pieces, and a FLASH_DATA packet sent through the
// session into the ISP buffer and out in pieces to a reader that takes every one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/modules/esp_slip.h"
#include "core/modules/slip_escape.h"
#include "fuzz_reader.h"

namespace {

// The packet a SLIP frame carries; empty when the frame is malformed.
std::vector<std::uint8_t> Unslip(std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> packet;
    if (frame.size() < 2 || frame.front() != kSlipEnd || frame.back() != kSlipEnd) return {};
    for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
        if (frame[i] == kSlipEscape) {
            ++i;
            packet.push_back(frame[i] == kSlipEscapedEnd ? kSlipEnd : kSlipEscape);
        } else {
            packet.push_back(frame[i]);
        }
    }
    return packet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<unsigned>(size);
    if (CountSlipEscapeRun(data, length) > length) __builtin_trap();
    CountSlipEscapeRun(nullptr, length);
    if (size < 2) return 0;

    // Encoding into a room of 0 to 4 x 255 bytes: all of it or nothing.
    const std::span<const std::uint8_t> packet(data + 2, size - 2);
    std::vector<std::uint8_t> room(static_cast<std::size_t>(data[0]) * 4);
    const std::size_t encoded = SlipEncode(packet, room);
    if (encoded > room.size()) __builtin_trap();
    if (encoded > 0) {
        const std::span<const std::uint8_t> frame(room.data(), encoded);
        if (Unslip(frame) != std::vector<std::uint8_t>(packet.begin(), packet.end())) {
            __builtin_trap();
        }
        const std::size_t maxLength = 2 + data[1] % 62;
        for (std::size_t at = 0; at < frame.size();) {
            const std::size_t piece = SlipPieceLength(frame, at, maxLength);
            if (piece == 0 || piece > maxLength || at + piece > frame.size()) __builtin_trap();
            at += piece;
        }
    }

    // Through the session: the header filled into the caller's packet, the frame into the
    // ISP buffer, the pieces out; a reader that answers every piece with success.
    fuzz_reader::Setup();
    ReaderSession session;
    fuzz_reader::Source() = [](std::vector<std::uint8_t>& payload, bool& failure) {
        payload.clear();
        failure = false;
        return true;
    };
    session.SetExtendReadWrite(fuzz_reader::Callback);
    std::vector<std::uint8_t> flashData(24, 0);
    flashData.insert(flashData.end(), packet.begin(),
                     packet.begin() + std::min<std::size_t>(packet.size(), 2004));
    session.SendEspFlashData(flashData.data(), static_cast<unsigned>(flashData.size()), data[1]);
    session.SendEspFlashBegin(static_cast<std::uint32_t>(size) * 0x01010101u, data[0], data[1]);
    return 0;
}
