#pragma once

#include "sim/device/m100_module.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of its M100 UHF module.
//
//   30 module frame (the frame's bytes) -> the module's first answer frame; every further
//      answer frame (the tag notices of an inventory) follows in a success reply of its own.
//      A module that says nothing gives an empty payload.
class M100Commands {
  public:
    static constexpr std::uint8_t kModuleCommand = 30;

    // Registers the handler; both must outlive this object's use by the reader.
    M100Commands(SimulatedReader& reader, M100Module& module);
    M100Commands(const M100Commands&) = delete;
    M100Commands& operator=(const M100Commands&) = delete;
};

}  // namespace sim
