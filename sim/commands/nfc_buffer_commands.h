#pragma once

#include "sim/device/nfc_text_buffer.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of its NFC card-emulation buffer.
//
//   25 read buffer ()         -> the TLV held
//   26 write buffer (the TLV) stored when it is one whole NDEF TLV (NfcTextBuffer::Store)
// Failure codes: a TLV refused 12 (LCEC_WRITE); a malformed request 19.
class NfcBufferCommands {
  public:
    NfcBufferCommands(SimulatedReader& reader, NfcTextBuffer& buffer);
    NfcBufferCommands(const NfcBufferCommands&) = delete;
    NfcBufferCommands& operator=(const NfcBufferCommands&) = delete;
};

}  // namespace sim
