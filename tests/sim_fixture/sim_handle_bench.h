#pragma once

#include "sim_fixture/sim_card_bench.h"

// A handle opened through KorviCardOpenDevice on the callback route and attached to a
// simulated reader, for as long as it lives; the reader must outlive it.
class SimReaderHandle {
  public:
    explicit SimReaderHandle(sim::SimulatedReader& reader);
    ~SimReaderHandle();
    SimReaderHandle(const SimReaderHandle&) = delete;
    SimReaderHandle& operator=(const SimReaderHandle&) = delete;

    const int handle;
};

// The bench's reader reached through such a handle; closed with the bench.
class SimHandleBench : public SimCardBench, public SimReaderHandle {
  public:
    SimHandleBench() : SimReaderHandle(reader) {}
};
