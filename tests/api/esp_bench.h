#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "api_test_support.h"
#include "core/modules/module_pause.h"
#include "sim/commands/esp_isp_commands.h"
#include "sim/commands/esp_wifi_commands.h"
#include "sim/device/esp_wifi_module.h"
#include "sim_fixture/request_log.h"

namespace esp_api_test {

using Bytes = std::vector<std::uint8_t>;

// The module's pauses recorded instead of slept, for the life of the object.
class RecordedPauses {
  public:
    RecordedPauses() {
        SetModulePauseFunction([this](int ms) { pauses.push_back(ms); });
    }
    ~RecordedPauses() { SetModulePauseFunction({}); }
    RecordedPauses(const RecordedPauses&) = delete;
    RecordedPauses& operator=(const RecordedPauses&) = delete;

    std::vector<int> pauses;
};

// A folder of its own under the system's temporary folder, removed with what it holds.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvicard-esp-XXXXXX");
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file of that name in the folder; its full path.
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

  private:
    std::filesystem::path path_;
};

// A firmware image of size bytes that is not all one value.
inline Bytes Image(std::size_t size, std::uint8_t seed = 0x21) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 8));
    }
    return image;
}

// A reader on the callback route with the WiFi module and its boot loader behind it.
class EspReader : public api_test::CallbackReader {
  public:
    // (command, payload) of the requests the reader decoded, in order.
    std::vector<std::pair<std::uint8_t, Bytes>> Requests() const {
        return RequestsSent(reader.Requests());
    }
    std::vector<Bytes> Payloads(std::uint8_t command) const {
        return RequestPayloads(reader.Requests(), command);
    }
    Bytes Commands() const { return RequestCommands(reader.Requests()); }

    sim::EspWifiModule module;
    sim::EspWifiCommands wifi{reader, module};
    sim::EspIspCommands isp{reader, module};
};

}  // namespace esp_api_test
