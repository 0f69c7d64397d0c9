#pragma once

#include <memory>

#include "testbench/core/icmp_client.h"

namespace bench {

// An ICMP socket of the route (datagram or raw) as an echo channel; null when the system
// refuses the socket.
std::unique_ptr<EchoChannel> OpenIcmpSocket(IcmpRoute route);

}  // namespace bench
