#include "core/transport/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>

bool ParseDottedAddress(const char* text, std::uint8_t octets[4]) {
    if (text == nullptr) return false;
    const char* p = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != '.') return false;
            ++p;
        }
        if (*p < '0' || *p > '9') return false;
        unsigned value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<unsigned>(*p - '0');
            if (value > 255) return false;
            ++p;
        }
        octets[i] = static_cast<std::uint8_t>(value);
    }
    return *p == '\0';
}

bool IsDottedAddress(const char* text) {
    std::uint8_t octets[4];
    return ParseDottedAddress(text, octets);
}

bool ResolveHostAddress(const char* host, char* dotted, std::size_t size) {
    if (host == nullptr || dotted == nullptr || size == 0) return false;
    std::uint8_t octets[4];
    if (ParseDottedAddress(host, octets)) {
        const int written =
            std::snprintf(dotted, size, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
        return written > 0 && static_cast<std::size_t>(written) < size;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const bool ok =
        inet_ntop(AF_INET, &address->sin_addr, dotted, static_cast<socklen_t>(size)) != nullptr;
    freeaddrinfo(found);
    return ok;
}
