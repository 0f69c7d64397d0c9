#include "sim/commands/device_commands.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/protocol/error_codes.h"

namespace sim {
namespace {

using Payload = std::vector<std::uint8_t>;

constexpr std::uint8_t kMalformed = LCEC_SEND_COMMAND;
constexpr std::size_t kUartSendRoom = 124;

std::uint32_t Le32(const Payload& p, std::size_t at) {
    return static_cast<std::uint32_t>(p[at]) | static_cast<std::uint32_t>(p[at + 1]) << 8 |
           static_cast<std::uint32_t>(p[at + 2]) << 16 |
           static_cast<std::uint32_t>(p[at + 3]) << 24;
}

void PutLe32(Payload& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

Payload Le32Payload(std::uint32_t value) {
    Payload out;
    PutLe32(out, value);
    return out;
}

template <class Container>
Payload Bytes(const Container& bytes) {
    return Payload(bytes.begin(), bytes.end());
}

Reply Answer(DeviceStatus status, Payload payload = {}) {
    switch (status) {
        case DeviceStatus::kOk:
            return Reply::Ok(std::move(payload));
        case DeviceStatus::kWrongPassword:
            return Reply::Failure(LCEC_AUTHENTICATION);
        case DeviceStatus::kRefused:
            break;
    }
    return Reply::Failure(kMalformed);
}

// A handler for a request of exactly `size` payload bytes; any other size is refused.
CommandHandler Sized(std::size_t size, std::function<Reply(const Payload&)> body) {
    return [size, body = std::move(body)](const Request& request) {
        if (request.payload.size() != size) return Reply::Failure(kMalformed);
        return body(request.payload);
    };
}

// A request without payload that answers `answer()`.
CommandHandler Query(std::function<Payload()> answer) {
    return Sized(0, [answer = std::move(answer)](const Payload&) { return Reply::Ok(answer()); });
}

// A request of `size` bytes stored into `target`.
template <std::size_t N>
CommandHandler Store(std::array<std::uint8_t, N>& target) {
    return Sized(N, [&target](const Payload& p) {
        std::copy(p.begin(), p.end(), target.begin());
        return Reply::Ok();
    });
}

}  // namespace

DeviceCommands::DeviceCommands(SimulatedReader& reader, ReaderDevice& device) : device_(device) {
    RegisterIdentity(reader);
    RegisterRf(reader);
    RegisterSettings(reader);
    RegisterUart(reader);
    RegisterRelays(reader);
    RegisterPowerAndMcu(reader);
}

void DeviceCommands::RegisterIdentity(SimulatedReader& reader) {
    ReaderDevice& d = device_;
    reader.SetHandler(31, Query([&d] {
                          Payload out;
                          PutLe32(out, d.serialNumber);
                          PutLe32(out, d.deviceType);
                          return out;
                      }));
    reader.SetHandler(224, Query([&d] { return Bytes(d.macAddress); }));
    reader.SetHandler(56, Query([&d] { return d.mcuSerial; }));
    reader.SetHandler(238, Query([&d] { return Bytes(d.firmwareBuildTime); }));
}

void DeviceCommands::RegisterRf(SimulatedReader& reader) {
    ReaderDevice& d = device_;
    reader.SetHandler(32, Sized(1, [&d](const Payload& p) { return Answer(d.SetRf(p[0] != 0)); }));
    reader.SetHandler(33, Sized(1, [&d](const Payload& p) { return Answer(d.SetLed(p[0])); }));
    reader.SetHandler(34, Sized(0, [&d](const Payload&) {
                          d.ResetRfChip();
                          return Reply::Ok();
                      }));
    reader.SetHandler(213, Sized(3, [&d](const Payload& p) {
                          std::uint8_t value = p[2];
                          const DeviceStatus status = d.AccessRfRegister(p[0], p[1], value);
                          return Answer(status, {p[1], value});
                      }));
}

void DeviceCommands::RegisterSettings(SimulatedReader& reader) {
    ReaderDevice& d = device_;
    reader.SetHandler(35, Sized(6, [&d](const Payload& p) {
                          std::copy(p.begin(), p.begin() + 4, d.serverAddress.begin());
                          d.serverPort = static_cast<std::uint16_t>(p[4] | p[5] << 8);
                          return Reply::Ok();
                      }));
    reader.SetHandler(36, Query([&d] {
                          Payload out = Bytes(d.serverAddress);
                          out.push_back(static_cast<std::uint8_t>(d.serverPort));
                          out.push_back(static_cast<std::uint8_t>(d.serverPort >> 8));
                          return out;
                      }));
    reader.SetHandler(53, Query([&d] {
                          Payload out;
                          PutLe32(out, d.mcuConfig[0]);
                          PutLe32(out, d.mcuConfig[1]);
                          return out;
                      }));
    reader.SetHandler(54, Query([&d] { return Le32Payload(d.ispOption); }));
    reader.SetHandler(55, [&d](const Request& request) {
        if (request.payload.size() < 4) return Reply::Failure(kMalformed);
        d.ispOption = Le32(request.payload, 0);
        return Reply::Ok();
    });
    reader.SetHandler(217, Store(d.appConfig));
    reader.SetHandler(218, Query([&d] { return Bytes(d.appConfig); }));
    reader.SetHandler(248, Store(d.appConfigE2s));
    reader.SetHandler(249, Query([&d] { return Bytes(d.appConfigE2s); }));
}

void DeviceCommands::RegisterUart(SimulatedReader& reader) {
    ReaderDevice& d = device_;
    reader.SetHandler(214, Sized(12, [&d](const Payload& p) {
                          std::array<std::uint8_t, 12> block{};
                          std::copy(p.begin(), p.end(), block.begin());
                          return Answer(d.SetUartParameters(block));
                      }));
    reader.SetHandler(215, [&d](const Request& request) {
        const Payload& p = request.payload;
        if (p.size() < 5 || p.size() > 4 + kUartSendRoom) return Reply::Failure(kMalformed);
        return Answer(d.SendToUart(Le32(p, 0), std::span<const std::uint8_t>(p).subspan(4)));
    });
    reader.SetHandler(216, Sized(4, [&d](const Payload& p) {
                          Payload out;
                          const DeviceStatus status =
                              d.ReceiveFromUart(Le32(p, 0), kUartChunk, out);
                          return Answer(status, std::move(out));
                      }));
}

void DeviceCommands::RegisterRelays(SimulatedReader& reader) {
    ReaderDevice& d = device_;
    reader.SetHandler(228, Sized(18, [&d](const Payload& p) {
                          std::array<std::uint8_t, 16> password{};
                          std::copy(p.begin() + 2, p.end(), password.begin());
                          return Answer(d.SetRelay(p[0], p[1], password));
                      }));
    reader.SetHandler(227, Sized(1, [&d](const Payload& p) {
                          std::uint8_t status = 0;
                          const DeviceStatus result = d.GetRelay(p[0], status);
                          return Answer(result, {status});
                      }));
    reader.SetHandler(226, Sized(36, [&d](const Payload& p) {
                          ReaderDevice::RelayInitialSettings& init = d.relayInitial;
                          std::copy(p.begin(), p.begin() + 16, init.states.begin());
                          std::copy(p.begin() + 16, p.begin() + 32, init.password.begin());
                          init.restoreSeconds = Le32(p, 32);
                          return Reply::Ok();
                      }));
    reader.SetHandler(225, Query([&d] {
                          Payload out = Bytes(d.relayInitial.states);
                          out.insert(out.end(), d.relayInitial.password.begin(),
                                     d.relayInitial.password.end());
                          PutLe32(out, d.relayInitial.restoreSeconds);
                          return out;
                      }));
}

void DeviceCommands::RegisterPowerAndMcu(SimulatedReader& reader) {
    ReaderDevice& d = device_;
    reader.SetHandler(229, Query([&d] {
                          std::uint32_t bits = 0;
                          static_assert(sizeof bits == sizeof d.chargeVoltage);
                          std::memcpy(&bits, &d.chargeVoltage, sizeof bits);
                          return Le32Payload(bits);
                      }));
    reader.SetHandler(232, Query([&d] { return Payload{d.chargeStatus}; }));
    reader.SetHandler(233, Sized(4, [&d](const Payload& p) {
                          return Answer(d.SetChargeCurrent(static_cast<std::int32_t>(Le32(p, 0))));
                      }));
    reader.SetHandler(
        234, Query([&d] { return Le32Payload(static_cast<std::uint32_t>(d.chargeCurrent)); }));
    reader.SetHandler(235,
                      Query([&d] { return Le32Payload(static_cast<std::uint32_t>(d.usbCharge)); }));
    reader.SetHandler(236, Sized(0, [&d](const Payload&) {
                          d.ResetMcu();
                          return Reply::Ok();
                      }));
    reader.SetHandler(237, Sized(1, [&d](const Payload& p) {
                          d.backupRegister = p[0];
                          return Reply::Ok();
                      }));
    reader.SetHandler(247, Query([&d] { return Le32Payload(d.debugBackupRegister); }));
    reader.SetHandler(219, [&d](const Request& request) {
        if (!d.keyboard.Play(request.payload)) return Reply::Failure(kMalformed);
        return Reply::Ok(Le32Payload(static_cast<std::uint32_t>(request.payload.size())));
    });
}

}  // namespace sim
