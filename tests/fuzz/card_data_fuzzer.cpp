// Card-supplied bytes: the BER-TLV walk, the ATS parse and the block layer's handling of
// card blocks never crash, read outside the bytes given or write outside their buffers.
//
// Input: the whole input is walked as TLV data and parsed as an ATS; then it is cut into
// card answers (a length byte, then that many bytes) for a RATS and one APDU exchange.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "core/cards/ber_tlv.h"
#include "core/cards/iso14443_4.h"
#include "core/cards/iso14443_4_ats.h"

namespace {

void WalkTlv(std::span<const std::uint8_t> data) {
    for (const std::uint32_t tag : {0x57u, 0x4Fu, 0x9F0Cu, 0xBF0Cu}) {
        if (const auto object = FindTlv(data, tag)) {
            volatile std::uint8_t sink = 0;
            for (const std::uint8_t byte : object->value) sink = sink ^ byte;
        }
    }
    FindTlvPath(data, {0x6F, 0xA5, 0xBF0C, 0x61, 0x4F});
    FindTlvPath(data, {0x70, 0x61, 0x4F});
    std::size_t offset = 0;
    while (offset < data.size()) {
        const auto object = ReadTlv(data.subspan(offset));
        if (!object) break;
        offset += object->size;
    }
}

void ParseAtsBytes(std::span<const std::uint8_t> data) {
    if (const auto ats = ParseAts(data)) {
        volatile std::size_t sink = ats->historical.size();
        (void)sink;
    }
}

// Card answers cut from the input, one per block sent.
class ScriptedCard {
  public:
    explicit ScriptedCard(std::span<const std::uint8_t> data) : data_(data) {}

    bool Transceive(std::uint8_t* response, unsigned* responseLength) {
        if (offset_ >= data_.size()) return false;
        const std::size_t length = data_[offset_++];
        const std::size_t available = std::min(length, data_.size() - offset_);
        std::memcpy(response, data_.data() + offset_,
                    std::min<std::size_t>(available, *responseLength));
        offset_ += available;
        *responseLength = static_cast<unsigned>(available);
        return true;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    WalkTlv(input);
    ParseAtsBytes(input);

    ScriptedCard card(input);
    Iso14443BlockLayer layer;
    layer.SetTransceiveFunction([&card](const std::uint8_t*, unsigned, std::uint8_t* response,
                                        unsigned* responseLength,
                                        int) { return card.Transceive(response, responseLength); });
    std::vector<std::uint8_t> ats(size > 0 ? data[0] % 64 + 1 : 1);
    unsigned atsLength = static_cast<unsigned>(ats.size());
    layer.RequestAts(0x02, size > 1 ? data[1] : 0x50, &atsLength, ats.data());
    const std::vector<std::uint8_t> apdu(size > 2 ? data[2] : 5, 0x00);
    std::vector<std::uint8_t> response(size > 3 ? data[3] : 256);
    unsigned responseLength = 0;
    layer.ExchangeBlocks(apdu, response.data(), static_cast<unsigned>(response.size()),
                         &responseLength);
    return 0;
}
