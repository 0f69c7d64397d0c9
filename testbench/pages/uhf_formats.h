#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace bench {

// A region of the UHF module: its name in the region list, the code the module takes and
// its channels (channel i at base + i x step MHz).
struct UhfRegion {
    const char* name;
    int code;
    int channels;
    double baseMhz;
    double stepMhz;
};

inline constexpr std::array<UhfRegion, 5> kUhfRegions = {{
    {"中国900MHz", 1, 20, 920.125, 0.25},
    {"中国800MHz", 4, 20, 840.125, 0.25},
    {"美国", 2, 52, 902.25, 0.5},
    {"欧洲", 3, 15, 865.1, 0.2},
    {"韩国", 6, 32, 917.1, 0.2},
}};

// A number in the shortest general decimal form, at most 15 significant digits.
QString ShortDecimal(double value);
// Channel i's frequency followed by "MHz", also for a channel past the region's list.
QString ChannelText(const UhfRegion& region, int channel);
// A power in hundredths of a dBm as dBm (the word is signed).
QString PowerText(std::uint16_t hundredths);
// The power text in dBm as hundredths, rounded; throws ConversionError for text that is no
// number or a power no 16-bit word holds.
int PowerFromText(const QString& text);
// A Query parameter as a signed 16-bit number in upper-case hexadecimal, at least 4 digits.
QString QueryParameterHex(std::uint16_t value);

}  // namespace bench
