// The QR-code data of an ESC/POS print job relayed to the host that reads QR codes.
#include <algorithm>
#include <array>
#include <optional>

#include "core/protocol/command_exchange.h"

namespace {

constexpr std::uint8_t kCmdSendData2QrReaderHost = 223;
constexpr int kTimeout = 1000;

// GS ( k pL pH cn fn m: the store command of the QR-code symbol, and the data it may carry.
struct QrStore {
    std::array<std::uint8_t, 8> marker;
    std::size_t maxData;
};

constexpr QrStore kQrStores[] = {
    {{0x1D, 0x28, 0x6B, 0x5C, 0x00, 0x30, 0x50, 0x30}, 89},
    {{0x1D, 0x28, 0x6B, 0x23, 0x00, 0x30, 0x50, 0x30}, 32},
};

// The data after the first store command of that form that some data follow: at most its
// maxData bytes, no more than the job holds.
std::optional<std::span<const std::uint8_t>> FindQrData(std::span<const std::uint8_t> job,
                                                        const QrStore& store) {
    const auto end = job.end() - 1;
    const auto at = std::search(job.begin(), end, store.marker.begin(), store.marker.end());
    if (at == end) return std::nullopt;
    const std::span<const std::uint8_t> rest =
        job.subspan(static_cast<std::size_t>(at - job.begin()) + store.marker.size());
    return rest.first(std::min(rest.size(), store.maxData));
}

}  // namespace

bool ReaderSession::SendData2QrReaderHost(const std::uint8_t* data, int length) {
    if (data == nullptr || length <= static_cast<int>(kQrStores[0].marker.size())) return false;
    const std::span<const std::uint8_t> job(data, static_cast<std::size_t>(length));
    for (const QrStore& store : kQrStores) {
        if (const auto payload = FindQrData(job, store)) {
            return CommandExchange(*this, kCmdSendData2QrReaderHost, *payload, kTimeout);
        }
    }
    return false;
}
