#include "core/modules/module_pause.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct PauseState {
    std::mutex mutex;
    ModulePauseFunction function;
};

PauseState& State() {
    static PauseState state;
    return state;
}

}  // namespace

void ModulePause(int milliseconds) {
    ModulePauseFunction function;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        function = State().function;
    }
    if (function) {
        function(milliseconds);
    } else if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

void SetModulePauseFunction(ModulePauseFunction function) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().function = std::move(function);
}
