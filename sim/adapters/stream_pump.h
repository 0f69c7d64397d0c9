#pragma once

#include "sim/adapters/reader_port.h"

namespace sim {

// Serves the reader over one byte-stream descriptor (a TCP connection, a pseudo-terminal
// master): requests are cut from the stream, each reply part leaves at its time. Returns
// when the peer is gone (false) or wakeFd becomes readable (true).
bool PumpStream(int fd, int wakeFd, ReaderPort& port);

}  // namespace sim
