#pragma once

#include <functional>

// The pauses a module command waits between its reader exchanges (the WiFi module takes its
// time to change mode or to scan). Sleeps the caller's thread.
void ModulePause(int milliseconds);

// Test seam: while a function is set, ModulePause calls it instead of sleeping. An empty
// function restores the sleep.
using ModulePauseFunction = std::function<void(int milliseconds)>;
void SetModulePauseFunction(ModulePauseFunction function);
