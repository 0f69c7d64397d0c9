#pragma once

#include "sim/device/esp_wifi_module.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of its WiFi module's commands (EspWifiModule). Values of 4
// bytes are little-endian.
//
// Request formats (payload bytes) and answers:
// 200 start an access-point scan ()
// 201 scan result ()                    -> the number of access points found, 1 byte
// 202 scan record (index)               -> the 48-byte record
// 203 station settings ()               -> the 48-byte block
// 204 station settings (48 bytes)
// 205 mode ()                           -> the mode, 4 bytes
// 206 mode (mode 4: 1 station, 2 access point, 3 both)
// 208 module off (), 209 module on ()
// Failure codes: a request of the wrong size or a mode outside 1-3 19 (LCEC_SEND_COMMAND);
// a module that does not answer (off, or in its boot loader) or cannot scan in its mode
// 20 (LCEC_WIFI_SCANAP_BEGIN); no scan run yet, a record past the count or one that could
// not be read 22 (LCEC_WIFI_SCANAP_RESULT); a module not answering 23 (station settings
// read), 24 (written), 25 (mode read), 26 (mode written).
class EspWifiCommands {
  public:
    // Registers the handlers; both must outlive this object's use by the reader.
    EspWifiCommands(SimulatedReader& reader, EspWifiModule& module);
    EspWifiCommands(const EspWifiCommands&) = delete;
    EspWifiCommands& operator=(const EspWifiCommands&) = delete;

  private:
    void RegisterScan(SimulatedReader& reader);
    void RegisterSettings(SimulatedReader& reader);

    EspWifiModule& module_;
};

}  // namespace sim
