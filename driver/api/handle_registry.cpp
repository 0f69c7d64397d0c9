#include "api/handle_registry.h"

#include <atomic>

namespace {

std::atomic<int> currentCpuCardReader{0};

}  // namespace

HandleTable<ReaderSession>& Readers() {
    static HandleTable<ReaderSession> readers;
    return readers;
}

void CloseReader(int handle) {
    std::shared_ptr<ReaderSession> session = Readers().Take(handle);
    if (!session) {
        return;
    }
    int expected = handle;
    currentCpuCardReader.compare_exchange_strong(expected, 0);
}

void SetCurrentCpuCardReader(int handle) {
    currentCpuCardReader.store(handle);
}

int GetCurrentCpuCardReader() {
    return currentCpuCardReader.load();
}

std::shared_ptr<ReaderSession> FindCurrentCpuCardReader() {
    int handle = currentCpuCardReader.load();
    return handle == 0 ? nullptr : Readers().Find(handle);
}
