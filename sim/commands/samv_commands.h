#pragma once

#include <cstdint>
#include <vector>

#include "sim/device/samv_module.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of its SAMV module (SamvModule). Values of 4 bytes are
// little-endian.
//
//   38 frame (bytes)              -> passes it to the module's UART (the held answer is
//                                    replaced by the module's answer)
//  246 ()                         -> the count of answer bytes held (4); the first
//                                    `slowPolls` polls after a frame see at most
//                                    `partialCount` of them, as while the module still sends
//   40 offset (4), count (4)      -> the held bytes [offset, offset + count), clipped to what
//                                    is held; a count above 240 fails
//   39 COS result (bytes)         -> stored for the module
//  239 ()                         -> the SDT command text;  240 () clears it
//  241 tag (4);  242 () -> power status (4);  243 power status (4)
//  244 () -> the last APDU the module exchanged with the card in the field;  245 () -> the
//              card's answer to it (both empty until a card has answered the module)
// Failure code 19 (LCEC_SEND_COMMAND) for a payload of the wrong size.
class SamvCommands {
  public:
    // `field` carries the module's APDUs to the card in the reader's field; without it the
    // module reaches no card there.
    SamvCommands(SimulatedReader& reader, SamvModule& module, CardApduPath field = {});
    SamvCommands(const SamvCommands&) = delete;
    SamvCommands& operator=(const SamvCommands&) = delete;

    int slowPolls = 0;
    std::uint32_t partialCount = 0;
    std::vector<std::uint8_t> sdtCommand;
    std::uint32_t resultTag = 0;
    std::uint32_t powerStatus = 0;
    std::vector<std::uint8_t> lastApdu;
    std::vector<std::uint8_t> lastApduResult;
    std::vector<std::vector<std::uint8_t>> cosResults;

  private:
    int pollsLeft_ = 0;
};

}  // namespace sim
