#pragma once

#include "sim/device/esp_wifi_module.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of the WiFi module's flashing: it resets the module into its
// ROM boot loader and relays the driver's SLIP bytes to the module's UART, answering with
// what the boot loader said.
//
// Request formats (payload bytes) and answers:
//  15 enter the boot loader ()           the module is reset into it
//  16 SYNC (a whole SLIP frame)          -> the boot loader's response packet
//  17 FLASH_BEGIN (a whole SLIP frame)   -> the boot loader's response packet
//  18 FLASH_DATA piece (1-48 bytes of a SLIP frame, in order): the piece that completes a
//     packet -> the boot loader's response packet; any other piece -> nothing
//  19 leave the boot loader ()           the module restarts its firmware
// Failure codes: a request of the wrong size 19 (LCEC_SEND_COMMAND); a packet that the
// boot loader did not answer (not in the boot loader, not synced, hung) 3
// (LCEC_RECV_TIME_OUT); a packet it refused 19, followed by its status and error bytes.
class EspIspCommands {
  public:
    static constexpr std::size_t kMaxPiece = 48;

    // Registers the handlers; both must outlive this object's use by the reader.
    EspIspCommands(SimulatedReader& reader, EspWifiModule& module);
    EspIspCommands(const EspIspCommands&) = delete;
    EspIspCommands& operator=(const EspIspCommands&) = delete;

  private:
    // Sends bytes to the module; wholePacket: the request carries one whole packet and its
    // answer is awaited even when the bytes complete none.
    Reply Relay(const std::vector<std::uint8_t>& bytes, bool wholePacket);

    EspWifiModule& module_;
};

}  // namespace sim
