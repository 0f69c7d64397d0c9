#include "sim/loopback_address.h"

#include <arpa/inet.h>

namespace sim {

bool ParseLoopbackAddress(const char* text, in_addr* address) {
    return text != nullptr && inet_pton(AF_INET, text, address) == 1 &&
           (ntohl(address->s_addr) >> 24) == 127;
}

}  // namespace sim
