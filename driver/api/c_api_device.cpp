#include <cstdint>
#include <memory>

#include "api/c_api_frame.h"
#include "core/protocol/reader_open.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Opening and closing readers, their callbacks and the raw USB reports.

namespace {

// A session is closed (transports released, server connection shut) when its last
// user lets go of it: the close export, or a call that was still running then.
void CloseAndFree(ReaderSession* session) {
    session->CloseDevice();
    delete session;
}

}  // namespace

extern "C" int KORVICARD_CALL KorviCardOpenDevice(const char* deviceName, int vidOrPort, int pid,
                                                  int usbIndex, int timeout,
                                                  ExtendReadWriteCallBack callback) {
    return Guarded(-1, [&] {
        std::shared_ptr<ReaderSession> session(new ReaderSession, CloseAndFree);
        if (callback != nullptr) {
            session->SetExtendReadWrite(callback);
        } else if (!OpenReaderByName(*session, deviceName, vidOrPort, pid, usbIndex, timeout)) {
            return -1;
        }
        session->RegisterCpuCardTransceive();
        return Readers().Add(session, [&](int id) { session->SetHandleId(id); });
    });
}

extern "C" void KORVICARD_CALL KorviCardCloseDevice(int handle) {
    GuardedVoid([&] { CloseReader(handle); });
}

extern "C" void KORVICARD_CALL KorviCardSetExtendReadWrite(int handle,
                                                           ExtendReadWriteCallBack callback) {
    WithReaderVoid(handle, [&](ReaderSession& session) { session.SetExtendReadWrite(callback); });
}

extern "C" void KORVICARD_CALL
KorviCardSetIdDeviceExtendReadWrite(int handle, IdDeviceExtendReadWriteCallBack callback) {
    WithReaderVoid(handle,
                   [&](ReaderSession& session) { session.SetIdDeviceExtendReadWrite(callback); });
}

extern "C" void KORVICARD_CALL KorviCardSetIdCallBack(int handle, IdCallBack callback) {
    WithReaderVoid(handle, [&](ReaderSession& session) { session.SetIdCallBack(callback); });
}

extern "C" int KORVICARD_CALL KorviCardGetUsbDeviceCount(int vid, int pid) {
    return Guarded(0, [&] { return CountUsbReaders(vid, pid); });
}

extern "C" int KORVICARD_CALL KorviCardReadUsbData(int handle, unsigned char* buffer, int size,
                                                   int timeout) {
    return ForwardToReader(handle, [&](ReaderSession& session) {
        return buffer != nullptr && size > 0 && session.ReadUsbData(buffer, size, timeout);
    });
}

extern "C" int KORVICARD_CALL KorviCardWriteUsbData(int handle, const unsigned char* buffer,
                                                    int size) {
    return ForwardToReader(handle, [&](ReaderSession& session) {
        return buffer != nullptr && size > 0 && session.WriteUsbData(buffer, size);
    });
}

extern "C" int KORVICARD_CALL KorviCardGetLibBuildTime(int handle, char* buffer, int size) {
    return ForwardToReader(handle, [&](ReaderSession& session) {
        return session.GetLibBuildTime(buffer, SizeArgument(size));
    });
}
