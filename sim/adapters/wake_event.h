#pragma once

namespace sim {

// An eventfd that, once raised, stays readable: every adapter thread waiting on it wakes.
class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    void Raise();
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace sim
