#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr std::size_t kConfigBlockSize = 132;
inline constexpr char kConfigFileName[] = "KorviCardConfig.dat";

// Folder of the running program (the target of /proc/self/exe) with its
// trailing '/', or an empty text when it cannot be found.
std::string HostProgramFolder();

// Zeroes block, then reads up to kConfigBlockSize bytes of
// folder + "KorviCardConfig.dat" into it; a shorter file fills only the
// beginning. `folder` is used as given, so it ends with '/' (or is empty for
// the working directory). False when the file cannot be opened or read; the
// block stays zero then.
bool ReadConfigFileFrom(const std::string& folder, std::span<std::uint8_t, kConfigBlockSize> block);

// ReadConfigFileFrom the host program's folder.
bool ReadConfigFile(std::span<std::uint8_t, kConfigBlockSize> block);
