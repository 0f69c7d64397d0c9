#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sim/device/ps2_keyboard_port.h"

namespace sim {

// How the device's firmware answers a housekeeping request it cannot carry out.
enum class DeviceStatus {
    kOk,
    kRefused,        // an argument the firmware does not take (no such relay, register, UART...)
    kWrongPassword,  // the relay password does not match
};

// The reader's own hardware as its firmware sees it: identity, RF chip, LEDs, network
// settings, MCU options, auxiliary UARTs, relays, charger and backup registers. Plain
// fields are state a test sets and inspects directly; the operations below carry the
// firmware's rules.
class ReaderDevice {
  public:
    static constexpr int kRfRegisterCount = 64;
    static constexpr std::uint8_t kTxControlRegister = 0x14;
    static constexpr std::uint8_t kVersionRegister = 0x37;
    static constexpr std::uint8_t kAntennaBits = 0x03;  // transmitter 1 and 2 on
    static constexpr int kLedStateCount = 4;            // off, green, red, both
    static constexpr int kRelayCount = 10;
    static constexpr int kUartCount = 2;
    static constexpr int kChargeCurrentSettings = 2;  // 0: 450 mA, 1: 80 mA
    static constexpr std::size_t kRelayPasswordSize = 16;

    struct UartPort {
        std::array<std::uint8_t, 12> parameters{};  // index, baud, data bits, stop, parity, 0
        std::vector<std::uint8_t> transmitted;      // everything sent to the peripheral
        std::deque<std::uint8_t> received;          // the peripheral's answer, not yet read
        // Called with each block sent; what it returns is queued as the peripheral's answer.
        std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t>)> peripheral;
    };

    struct RelayInitialSettings {
        std::array<std::uint8_t, 16> states{};    // byte n: relay n goes high at start when nonzero
        std::array<std::uint8_t, 16> password{};  // block kept beside the states
        std::uint32_t restoreSeconds = 0;
    };

    ReaderDevice();

    // Identity.
    std::uint32_t serialNumber = 0x00012345;
    std::uint32_t deviceType = 0x1003;
    std::array<std::uint8_t, 8> macAddress = {0x00, 0x1A, 0x51, 0x1B, 0x3C, 0x4D, 0x00, 0x00};
    std::vector<std::uint8_t> mcuSerial = {0x30, 0x31, 0x4B, 0x56, 0x19, 0x07,
                                           0x20, 0x20, 0x8A, 0x5C, 0x11, 0xE2};
    std::string firmwareBuildTime = "Mar  3 2021 10:22:01";

    // Network module and options.
    std::array<std::uint8_t, 4> serverAddress{};  // as the request carried it
    std::uint16_t serverPort = 0;
    std::array<std::uint32_t, 2> mcuConfig = {0x00000001, 0x00000000};
    std::uint32_t ispOption = 0;
    std::array<std::uint8_t, 120> appConfig{};
    std::array<std::uint8_t, 48> appConfigE2s{};

    // Charger.
    float chargeVoltage = 4.125f;
    std::uint8_t chargeStatus = 1;
    std::int32_t chargeCurrent = 0;
    std::int32_t usbCharge = 1;

    // MCU.
    std::uint8_t backupRegister = 0;
    std::uint32_t debugBackupRegister = 0;
    int mcuResets = 0;

    std::uint8_t ledState = 0;
    int rfChipResets = 0;

    // RF chip.
    bool RfOn() const;
    DeviceStatus SetRf(bool on);
    // The chip back to the state the firmware sets it up in: antenna on.
    void ResetRfChip();
    // Mode 0 reads, mode 1 writes (the version register keeps its value). value is the
    // register's content afterwards.
    DeviceStatus AccessRfRegister(std::uint8_t mode, std::uint8_t reg, std::uint8_t& value);
    std::uint8_t RfRegister(std::uint8_t reg) const { return rfRegisters_.at(reg); }
    void SetChipVersion(std::uint8_t version) { rfRegisters_[kVersionRegister] = version; }

    DeviceStatus SetLed(std::uint8_t state);

    // Auxiliary UARTs.
    DeviceStatus SetUartParameters(std::span<const std::uint8_t, 12> block);
    DeviceStatus SendToUart(std::uint32_t uart, std::span<const std::uint8_t> data);
    // Takes up to max bytes of the peripheral's answer.
    DeviceStatus ReceiveFromUart(std::uint32_t uart, std::size_t max,
                                 std::vector<std::uint8_t>& out);
    UartPort& Uart(int uart) { return uarts_.at(static_cast<std::size_t>(uart)); }

    // Relays: status 0 drives low, 1 drives high. password is the request's 16-byte block.
    DeviceStatus SetRelay(std::uint8_t relay, std::uint8_t status,
                          std::span<const std::uint8_t, 16> password);
    DeviceStatus GetRelay(std::uint8_t relay, std::uint8_t& status) const;
    std::uint8_t Relay(int relay) const { return relays_.at(static_cast<std::size_t>(relay)); }
    RelayInitialSettings relayInitial;
    // The password the relay switch requests must carry, zero-padded (all zero: empty text).
    std::array<std::uint8_t, kRelayPasswordSize> relayPassword{};
    void SetRelayPassword(const std::string& text);

    DeviceStatus SetChargeCurrent(std::int32_t setting);

    // The MCU restarts: relays take their initial states.
    void ResetMcu();

    Ps2KeyboardPort keyboard;

  private:
    // Every register zero but the transmitter control (antenna on); the version stays.
    void LoadRfDefaults();

    std::array<std::uint8_t, kRfRegisterCount> rfRegisters_{};
    std::array<std::uint8_t, kRelayCount> relays_{};
    std::array<UartPort, kUartCount> uarts_;
};

}  // namespace sim
