#pragma once

#include <QString>

namespace bench {

// True when a TCP connection to address:port opens within timeoutMs; the connection is
// closed again at once.
bool CanConnect(const QString& address, int port, int timeoutMs);

}  // namespace bench
