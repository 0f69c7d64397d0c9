#pragma once

#include "sim/simulated_reader.h"

// The caller-callback route to the simulated reader: a transport callback of the driver's
// type that carries a session's 256-byte pieces to the simulator attached to its handle id.
//
// Writes: the first piece holds the frame's first 64 bytes, each later one a count byte
// (255 for 63 bytes) and the bytes; a whole request goes to the simulator. Reads: the
// simulator's output, a frame's first piece as count P and P bytes from byte 1 (at most 64),
// each later piece as P, a count byte and P - 1 bytes (at most 63); an empty piece (P = 0)
// while nothing is ready. Parts of a split reply each make their own pieces, and output with
// a delay is not ready before its time. Answers 0 for a piece that does not fit a frame, an
// unknown handle or a buffer under 256 bytes.

namespace sim {

int SimulatorTransport(int handle, int direction, unsigned char* buffer, int size);

// Routes the pieces of handle to reader (replacing an earlier attachment, dropping its
// pending input and output). The reader must outlive the attachment.
void AttachSimulator(int handle, SimulatedReader& reader);
void DetachSimulator(int handle);

}  // namespace sim
