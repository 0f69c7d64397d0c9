#include "api/handle_registry.h"

HandleTable<ReaderSession>& Readers() {
    static HandleTable<ReaderSession> readers;
    return readers;
}

void CloseReader(int handle) {
    Readers().Take(handle);
}
