#include "sim/adapters/wake_event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace sim {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

WakeEvent::~WakeEvent() { close(fd_); }

void WakeEvent::Raise() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
}

}  // namespace sim
