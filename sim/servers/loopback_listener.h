#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// Small socket helpers of the simulated servers: every server binds one loopback address.

// Listens on address (127.x.y.z only; anything else throws std::invalid_argument) at *port,
// or at a free port when *port is 0; *port := the port bound. A socket, bind or listen that
// fails throws std::system_error with the system's reason.
int ListenOnLoopback(const std::string& address, int* port);
// A connection accepted within timeoutMs, or -1.
int AcceptWithin(int listenSocket, int timeoutMs);
// Reads size bytes; false when the peer closes or stop is raised first.
bool ReadExactly(int socket, std::uint8_t* data, std::size_t size, const std::atomic<bool>& stop);
void WriteAll(int socket, const std::uint8_t* data, std::size_t size);
// Returns once the peer closes its end or stop is raised.
void WaitForPeerClose(int socket, const std::atomic<bool>& stop);
