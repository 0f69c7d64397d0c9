#include "core/protocol/reader_session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/protocol/reader_open.h"
#include "core/transport/host_address.h"
#include "core/util/build_time.h"

namespace {

constexpr int kDefaultTcpPort = 12345;
constexpr int kSerialBaud = 115200;
constexpr int kSerialDataBits = 8;
constexpr int kSerialStopBitCode = 1;
constexpr char kSerialParity = 'n';

std::string TcpReaderName(const char* host, int port) {
    std::uint8_t octets[4] = {};
    if (!ParseDottedAddress(host, octets)) return "tcp " + std::string(host);
    return "tcp " + std::to_string(octets[0]) + '.' + std::to_string(octets[1]) + '.' +
           std::to_string(octets[2]) + '.' + std::to_string(octets[3]) + ':' +
           std::to_string(port);
}

// A link or another spelling of one port's path names the same reader.
std::string SerialReaderName(const char* path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path, nullptr), &std::free);
    return "serial " + std::string(resolved ? resolved.get() : path);
}

std::string HidReaderName(int vendor, int product, int index) {
    char name[48];
    std::snprintf(name, sizeof name, "hid %04X:%04X #%d", static_cast<unsigned>(vendor),
                  static_cast<unsigned>(product), index);
    return name;
}

}  // namespace

ReaderSession::ReaderSession() = default;

ReaderSession::~ReaderSession() = default;

void ReaderSession::SetSerialTransport(std::unique_ptr<SerialTransportBase> transport) {
    serialTransport = std::move(transport);
}

void ReaderSession::SetHidTransport(std::unique_ptr<HidTransportBase> transport) {
    hidTransport = std::move(transport);
}

void ReaderSession::SetTcpClient(std::unique_ptr<TcpClient> transport) {
    tcpTransport = std::move(transport);
}

bool ReaderSession::OpenDevice(const char* deviceName, int vidOrPort, int pid, int usbIndex,
                               int timeout) {
    openTimeout = timeout;
    ReadConfigFile(configBlock);
    if (openTimeout == 0) openTimeout = 1;
    const int vendor = vidOrPort != 0 ? vidOrPort : kReaderUsbVendorId;
    const int product = pid != 0 ? pid : kReaderUsbProductId;
    if (deviceName != nullptr && deviceName[0] != '\0') {
        if (tcpTransport) {
            const int port = vidOrPort != 0 ? vidOrPort : kDefaultTcpPort;
            readerName = TcpReaderName(deviceName, port);
            return tcpTransport->Connect(deviceName, port, std::max(openTimeout / 1000, 1));
        }
        if (serialTransport) {
            readerName = SerialReaderName(deviceName);
            return serialTransport->Open(deviceName, kSerialBaud, kSerialDataBits,
                                         kSerialStopBitCode, kSerialParity, openTimeout);
        }
        return false;
    }
    readerName = HidReaderName(vendor, product, usbIndex);
    return hidTransport && hidTransport->Open(vendor, product, usbIndex);
}

void ReaderSession::ReleaseTransports() {
    serialTransport.reset();
    hidTransport.reset();
    tcpTransport.reset();
    workBuffer.reset();
}

void ReaderSession::CloseDevice() {
    ReleaseTransports();
    serverClient.Shutdown();
}

void ReaderSession::GetTwoIdDispatchServerErrorInfo(char* buffer, unsigned length) const {
    if (buffer == nullptr || length == 0) return;
    const std::size_t text = strnlen(dispatchErrorText.data(), dispatchErrorText.size() - 1);
    const std::size_t n = std::min<std::size_t>(text, length - 1);
    std::memcpy(buffer, dispatchErrorText.data(), n);
    buffer[n] = '\0';
}

bool ReaderSession::GetLibBuildTime(char* buffer, unsigned size) const {
    return ::GetLibBuildTime(buffer, size);
}

bool ReaderSession::ReadUsbData(std::uint8_t* buffer, int size, int timeout) {
    if (!hidTransport || buffer == nullptr || size <= 0) return false;
    return hidTransport->ReadReport(buffer, size, timeout);
}

bool ReaderSession::WriteUsbData(const std::uint8_t* buffer, int size) {
    if (!hidTransport || buffer == nullptr || size <= 0) return false;
    return hidTransport->Write(buffer, size);
}
