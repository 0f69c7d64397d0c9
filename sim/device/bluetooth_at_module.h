#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// A serial Bluetooth module on a reader UART in its command mode: each command line of
// "AT" and its arguments, ended by CR LF, is answered "OK" CR LF; anything else gets no
// answer. Partial lines wait for the rest.
class BluetoothAtModule {
  public:
    std::vector<std::uint8_t> operator()(std::span<const std::uint8_t> bytes);

  private:
    std::vector<std::uint8_t> line_;
};

}  // namespace sim
