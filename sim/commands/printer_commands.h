#pragma once

#include <cstdint>
#include <vector>

#include "sim/device/printer_capture.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of the printer capture and of the QR relay.
//
// Request formats (payload bytes, values little-endian) and answers:
//  220 capture size ()                       -> the bytes the copy holds (4)
//  221 capture piece (offset 4, count 4)     -> the copy's bytes from offset: count of
//                                               them, fewer at its end or past 251, none
//                                               from an offset at or past its end
//  222 clear capture ()
//  223 to the QR host (the QR-code data)      the data go to the host that reads QR codes
// Failure code: a malformed request (wrong payload length, no QR data) 19
// (LCEC_SEND_COMMAND).
class PrinterCommands {
  public:
    // Registers the handlers; reader and capture must outlive this object's use.
    PrinterCommands(SimulatedReader& reader, PrinterCapture& capture);
    PrinterCommands(const PrinterCommands&) = delete;
    PrinterCommands& operator=(const PrinterCommands&) = delete;

    // What went to the QR host, one entry a request.
    const std::vector<std::vector<std::uint8_t>>& QrRelayed() const { return qrRelayed_; }

  private:
    std::vector<std::vector<std::uint8_t>> qrRelayed_;
};

}  // namespace sim
