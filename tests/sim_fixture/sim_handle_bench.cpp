#include "sim_fixture/sim_handle_bench.h"

#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"

SimHandleBench::SimHandleBench() {
    handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    if (handle > 0) sim::AttachSimulator(handle, reader);
}

SimHandleBench::~SimHandleBench() {
    sim::DetachSimulator(handle);
    KorviCardCloseDevice(handle);
}
