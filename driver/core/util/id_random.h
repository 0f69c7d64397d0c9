#pragma once

// Writes a fresh random identifier: the first `length` bytes (at most 128) of
// a zero-filled 128-byte text that starts with 32 lower-case hex digits, so
// the text is terminated when length is 33 or more. Identifiers handed out at
// the same time on different threads differ. Returns 0, also when buffer is
// null or length is 0 (nothing is written then).
int GetIdRandom(char* buffer, unsigned length);
