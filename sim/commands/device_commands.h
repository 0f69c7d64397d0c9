#pragma once

#include "sim/device/reader_device.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of the housekeeping commands, on the reader's own hardware.
// Values of 4 bytes are little-endian.
//
// Request formats (payload bytes) and answers:
//  31 device number ()                   -> serial 4, device type 4
// 224 MAC address ()                     -> 8 bytes
//  56 MCU serial number ()               -> the serial bytes
//  32 RF field (on 1), 33 LEDs (state 1: 0 off, 1 green, 2 red, 3 both), 34 RF chip reset ()
//  35 server address (address 4 as sent, port 2), 36 server address () -> address 4, port 2
//  53 MCU configuration ()               -> word 0, word 1
//  54 ISP option ()                      -> option 4
//  55 ISP option (option 4, more bytes ignored)
// 213 RF register (mode 0 read / 1 write, register 0-63, value) -> register, its value
// 214 UART parameters (UART 4, baud 4, data bits, stop, parity, 0)
// 215 to a UART (UART 4, 1-124 data bytes)
// 216 from a UART (UART 4)               -> what the peripheral answered, at most 128 bytes
// 217/218 application configuration (120 bytes) / () -> 120 bytes
// 248/249 second configuration block (48 bytes) / () -> 48 bytes
// 228 relay (relay 0-9, status 0/1, password 16), 227 relay (relay) -> status
// 226 relay start-up settings (states 16, password block 16, seconds 4),
// 225 () -> states 16, password block 16, seconds 4
// 229 charge voltage () -> IEEE float 4; 232 battery status () -> 1 byte
// 233 charge current (setting 4: 0 450 mA, 1 80 mA); 234 () -> setting 4; 235 USB charge () -> 4
// 236 MCU reset (); 237 backup register (value 1); 247 debug backup register () -> 4
// 238 firmware build time ()             -> the text, no terminator
// 219 PS/2 keys (set 2 make and break codes) -> number of bytes played, 4
//
// Failure codes: a request of the wrong size or with a value the firmware does not take
// 19 (LCEC_SEND_COMMAND); a relay password that does not match 9 (LCEC_AUTHENTICATION).
class DeviceCommands {
  public:
    static constexpr std::size_t kUartChunk = 128;

    // Registers the handlers; both must outlive this object's use by the reader.
    DeviceCommands(SimulatedReader& reader, ReaderDevice& device);
    DeviceCommands(const DeviceCommands&) = delete;
    DeviceCommands& operator=(const DeviceCommands&) = delete;

  private:
    void RegisterIdentity(SimulatedReader& reader);
    void RegisterRf(SimulatedReader& reader);
    void RegisterSettings(SimulatedReader& reader);
    void RegisterUart(SimulatedReader& reader);
    void RegisterRelays(SimulatedReader& reader);
    void RegisterPowerAndMcu(SimulatedReader& reader);

    ReaderDevice& device_;
};

}  // namespace sim
