#include "core/protocol/config_file.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>

std::string HostProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) return {};
    const std::string program(path, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

bool ReadConfigFileFrom(const std::string& folder,
                        std::span<std::uint8_t, kConfigBlockSize> block) {
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    const std::string path = folder + kConfigFileName;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fread(block.data(), 1, block.size(), file);
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed) std::fill(block.begin(), block.end(), std::uint8_t{0});
    return !readFailed;
}

bool ReadConfigFile(std::span<std::uint8_t, kConfigBlockSize> block) {
    const std::string folder = HostProgramFolder();
    if (folder.empty()) {
        std::fill(block.begin(), block.end(), std::uint8_t{0});
        return false;
    }
    return ReadConfigFileFrom(folder, block);
}
