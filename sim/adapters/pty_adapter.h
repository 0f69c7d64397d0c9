#pragma once

#include <string>
#include <thread>

#include "sim/adapters/reader_port.h"
#include "sim/adapters/wake_event.h"

namespace sim {

// The simulated reader on a serial line: a pseudo-terminal whose master side the simulator
// serves in a thread of its own; the driver opens the slave path as its port.
class PtyAdapter {
public:
    explicit PtyAdapter(ReaderPort& port);
    ~PtyAdapter();
    PtyAdapter(const PtyAdapter&) = delete;
    PtyAdapter& operator=(const PtyAdapter&) = delete;

    // Creates the pseudo-terminal (raw) and starts serving. False when none can be had or
    // the adapter was started before.
    bool Start();
    // /dev/pts/N, empty before Start.
    const std::string& SlavePath() const { return slavePath_; }
    // Closes the line: the driver's side sees the reader gone. Joins the thread.
    void Stop();

private:
    ReaderPort& port_;
    WakeEvent stop_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::thread thread_;
};

}  // namespace sim
