#include "sim/device/reader_device.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kRead = 0;
constexpr std::uint8_t kWrite = 1;
constexpr std::uint8_t kTxControlAntennaOn = 0x83;
constexpr std::uint8_t kChipVersion = 0x92;

std::uint32_t Le32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

ReaderDevice::ReaderDevice() { LoadRfDefaults(); }

bool ReaderDevice::RfOn() const { return (rfRegisters_[kTxControlRegister] & kAntennaBits) != 0; }

DeviceStatus ReaderDevice::SetRf(bool on) {
    std::uint8_t& txControl = rfRegisters_[kTxControlRegister];
    txControl = on ? static_cast<std::uint8_t>(txControl | kAntennaBits)
                   : static_cast<std::uint8_t>(txControl & ~kAntennaBits);
    return DeviceStatus::kOk;
}

void ReaderDevice::LoadRfDefaults() {
    const std::uint8_t version = rfRegisters_[kVersionRegister];
    rfRegisters_.fill(0);
    rfRegisters_[kTxControlRegister] = kTxControlAntennaOn;
    rfRegisters_[kVersionRegister] = version != 0 ? version : kChipVersion;
}

void ReaderDevice::ResetRfChip() {
    LoadRfDefaults();
    ++rfChipResets;
}

DeviceStatus ReaderDevice::AccessRfRegister(std::uint8_t mode, std::uint8_t reg,
                                            std::uint8_t& value) {
    if (reg >= kRfRegisterCount || (mode != kRead && mode != kWrite)) {
        return DeviceStatus::kRefused;
    }
    if (mode == kWrite && reg != kVersionRegister) {
        rfRegisters_[reg] = value;
    }
    value = rfRegisters_[reg];
    return DeviceStatus::kOk;
}

DeviceStatus ReaderDevice::SetLed(std::uint8_t state) {
    if (state >= kLedStateCount) {
        return DeviceStatus::kRefused;
    }
    ledState = state;
    return DeviceStatus::kOk;
}

DeviceStatus ReaderDevice::SetUartParameters(std::span<const std::uint8_t, 12> block) {
    const std::uint32_t uart = Le32(block.first(4));
    const std::uint32_t baud = Le32(block.subspan(4, 4));
    const std::uint8_t dataBits = block[8];
    if (uart >= kUartCount || baud == 0 || dataBits < 5 || dataBits > 9) {
        return DeviceStatus::kRefused;
    }
    std::copy(block.begin(), block.end(), uarts_[uart].parameters.begin());
    return DeviceStatus::kOk;
}

DeviceStatus ReaderDevice::SendToUart(std::uint32_t uart, std::span<const std::uint8_t> data) {
    if (uart >= kUartCount || data.empty()) {
        return DeviceStatus::kRefused;
    }
    UartPort& port = uarts_[uart];
    port.transmitted.insert(port.transmitted.end(), data.begin(), data.end());
    if (port.peripheral) {
        const std::vector<std::uint8_t> answer = port.peripheral(data);
        port.received.insert(port.received.end(), answer.begin(), answer.end());
    }
    return DeviceStatus::kOk;
}

DeviceStatus ReaderDevice::ReceiveFromUart(std::uint32_t uart, std::size_t max,
                                           std::vector<std::uint8_t>& out) {
    if (uart >= kUartCount) {
        return DeviceStatus::kRefused;
    }
    std::deque<std::uint8_t>& pending = uarts_[uart].received;
    const std::size_t count = std::min(max, pending.size());
    out.assign(pending.begin(), pending.begin() + static_cast<long>(count));
    pending.erase(pending.begin(), pending.begin() + static_cast<long>(count));
    return DeviceStatus::kOk;
}

DeviceStatus ReaderDevice::SetRelay(std::uint8_t relay, std::uint8_t status,
                                    std::span<const std::uint8_t, 16> password) {
    if (relay >= kRelayCount || status > 1) {
        return DeviceStatus::kRefused;
    }
    if (!std::equal(password.begin(), password.end(), relayPassword.begin())) {
        return DeviceStatus::kWrongPassword;
    }
    relays_[relay] = status;
    return DeviceStatus::kOk;
}

DeviceStatus ReaderDevice::GetRelay(std::uint8_t relay, std::uint8_t& status) const {
    if (relay >= kRelayCount) {
        return DeviceStatus::kRefused;
    }
    status = relays_[relay];
    return DeviceStatus::kOk;
}

void ReaderDevice::SetRelayPassword(const std::string& text) {
    relayPassword.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), relayPassword.size()), relayPassword.begin());
}

DeviceStatus ReaderDevice::SetChargeCurrent(std::int32_t setting) {
    if (setting < 0 || setting >= kChargeCurrentSettings) {
        return DeviceStatus::kRefused;
    }
    chargeCurrent = setting;
    return DeviceStatus::kOk;
}

void ReaderDevice::ResetMcu() {
    ++mcuResets;
    for (std::size_t relay = 0; relay < relays_.size(); ++relay) {
        relays_[relay] = relayInitial.states[relay] != 0 ? 1 : 0;
    }
    ledState = 0;
}

}  // namespace sim
