#pragma once

#include <QString>

#include "testbench/core/icmp_client.h"

namespace bench {

// True when the system's ping program can be found.
bool HasPingProgram();

// One echo through the system's ping program (32 data bytes, numeric output). Throws
// IcmpError when the program cannot run.
EchoReply PingWithProgram(const QString& address, int timeoutMs);

// The reply of the program's output line "<n> bytes from <address>: ... ttl=<t> time=<ms> ms";
// not received when no such line is there.
EchoReply ParsePingOutput(const QString& output);

}  // namespace bench
