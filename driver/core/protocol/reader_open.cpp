#include "core/protocol/reader_open.h"

#include <memory>

#include "core/transport/hid_transport.h"
#include "core/transport/host_address.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"

bool OpenReaderByName(ReaderSession& session, const char* deviceName, int vidOrPort, int pid,
                      int usbIndex, int timeout) {
    const char* name = deviceName == nullptr ? "" : deviceName;
    if (*name == '\0') {
        session.SetHidTransport(std::make_unique<HidTransport>());
    } else if (IsDottedAddress(name)) {
        session.SetTcpClient(std::make_unique<TcpClient>());
    } else {
        session.SetSerialTransport(std::make_unique<SerialTransport>());
    }
    return session.OpenDevice(name, vidOrPort, pid, usbIndex, timeout);
}

int CountUsbReaders(int vid, int pid) {
    HidTransport transport;
    return transport.GetDeviceCount(vid == 0 ? kReaderUsbVendorId : vid,
                                    pid == 0 ? kReaderUsbProductId : pid);
}
