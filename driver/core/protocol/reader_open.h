#pragma once

#include "core/protocol/reader_session.h"

// The USB ids of the KorviCard reader, used where the caller gives 0.
inline constexpr int kReaderUsbVendorId = 0x051A;
inline constexpr int kReaderUsbProductId = 0x511B;

// Opens a reader on the route its name chooses: an empty name (or null) is USB HID, a
// dotted IPv4 address a network reader over TCP, anything else a serial port. Builds that
// transport, stores it in the session and opens it (ReaderSession::OpenDevice). False
// when the open fails.
bool OpenReaderByName(ReaderSession& session, const char* deviceName, int vidOrPort, int pid,
                      int usbIndex, int timeout);

// The number of USB HID readers with vendor vid and product pid (the reader's own ids for 0).
int CountUsbReaders(int vid, int pid);
