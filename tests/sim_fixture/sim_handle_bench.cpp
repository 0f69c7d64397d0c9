#include "sim_fixture/sim_handle_bench.h"

#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"

SimReaderHandle::SimReaderHandle(sim::SimulatedReader& reader)
    : handle(KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport)) {
    if (handle > 0) sim::AttachSimulator(handle, reader);
}

SimReaderHandle::~SimReaderHandle() {
    sim::DetachSimulator(handle);
    KorviCardCloseDevice(handle);
}
