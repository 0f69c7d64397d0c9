#pragma once

#include <netinet/in.h>

namespace sim {

// Whether text is a dotted address of 127.0.0.0/8, the only addresses the simulator binds;
// *address := it, in network order, when it is.
bool ParseLoopbackAddress(const char* text, in_addr* address);

}  // namespace sim
