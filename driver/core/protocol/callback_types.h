#pragma once

// The caller-supplied callbacks as the driver core stores them. Same types as those of the
// public header (a test checks that they agree).

// The caller's transport: direction 0 writes, 1 reads, always with a 256-byte buffer and
// size 256; handle is the reader's id. Returns 1 for success.
typedef int (*ExtendReadWriteCallBack)(int handle, int direction, unsigned char* buffer, int size);

// Transport of an external identity-card device; stored for the caller, never called.
typedef int (*IdDeviceExtendReadWriteCallBack)(unsigned char* buffer, int length);

// Progress of the server-side identity-card reads.
typedef void (*IdCallBack)(int, int, int, int);
