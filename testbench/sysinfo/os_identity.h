#pragma once

// The running system's name, edition, product kind, suite flags and
// convenience flags, decided from a record of facts. Pure: the facts come from
// the system queries (or from a test table), nothing here asks the system.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace sysunits {

// Platform identifiers of the version record.
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// Product types of the extended version record.
inline constexpr std::uint8_t VER_NT_WORKSTATION = 1;
inline constexpr std::uint8_t VER_NT_DOMAIN_CONTROLLER = 2;
inline constexpr std::uint8_t VER_NT_SERVER = 3;

// Processor architectures of the system information record.
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_INTEL = 0;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_ARM = 5;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_IA64 = 6;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_AMD64 = 9;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_ARM64 = 12;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;

// Suite mask bits read by the edition rules.
inline constexpr std::uint16_t VER_SUITE_ENTERPRISE = 0x0002;
inline constexpr std::uint16_t VER_SUITE_DATACENTER = 0x0080;
inline constexpr std::uint16_t VER_SUITE_PERSONAL = 0x0200;
inline constexpr std::uint16_t VER_SUITE_BLADE = 0x0400;

// Registry access of these units: KEY_READ, with KEY_WOW64_64KEY under WOW64.
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WOW64_64KEY = 0x0100;

// OsCode. 0 to 10 up to 6.0; 11 on name the later versions.
enum OsCode : std::uint8_t {
    osNone = 0,
    os95 = 1,
    os98 = 2,
    osME = 3,
    osNT4 = 4,
    os2000 = 5,
    osXP = 6,
    osXP64 = 7,
    os2003 = 8,
    osVista = 9,
    osLonghorn = 10,
    os7 = 11,
    os2008R2 = 12,
    os8 = 13,
    os2012 = 14,
    os81 = 15,
    os2012R2 = 16,
    os10 = 17,
    os11 = 18,
    os2016 = 19,
    os2019 = 20,
    os2022 = 21,
};

// ProductKind.
enum ProductKind : std::uint8_t {
    pkNone = 0,
    pkWorkstation = 1,
    pkServer = 2,
    pkAdvancedServer = 3,
    pkDatacenter = 4,
    pkWebServer = 5,
};

// A registry value that may be a string or a number (or be missing).
using RegistryValue = std::variant<std::monostate, std::string, std::uint32_t>;

// Everything the decisions read: the extended version record, the processor
// architecture, the system metrics and the registry values.
struct OsFacts {
    std::uint32_t platformId = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string servicePack;  // the version record's service-pack text
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
    std::uint16_t processorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    bool isWow64 = false;
    int smServerR2 = 0;     // GetSystemMetrics(SM_SERVERR2), 89
    int smStarter = 0;      // GetSystemMetrics(SM_STARTER), 88
    int smTabletPc = 0;     // GetSystemMetrics(SM_TABLETPC), 86
    int smMediaCenter = 0;  // GetSystemMetrics(SM_MEDIACENTER), 87
    // "ProductType" of SYSTEM\CurrentControlSet\Control\ProductOptions.
    std::optional<std::string> ntProductType;
    // "Installed" of SOFTWARE\Microsoft\Windows NT\CurrentVersion\Hotfix\Q246009.
    RegistryValue hotfixQ246009Installed;
    // "EditionID" of SOFTWARE\Microsoft\Windows NT\CurrentVersion.
    std::optional<std::string> editionId;
};

struct OsIdentity {
    std::uint8_t osCode = osNone;
    std::string osName;
    std::string osEdition;
    std::string osFullName;
    std::string servicePack;  // the facts' text, "Service Pack 6a" after the hot-fix rule
    std::uint8_t productKind = pkNone;
    std::uint16_t suiteFlags = 0;
    bool isNT = false;
    bool isNT4 = false;
    bool isNT5 = false;  // NT 5 and every later NT version
    bool is95 = false;
    bool is98 = false;
    bool is2000 = false;
    bool is95OSR2 = false;
    bool is98SE = false;
    bool isME = false;
    bool isXP = false;
    bool isXP64 = false;
    bool is2003 = false;
    bool isVista = false;
    std::string deviceClassKey;
};

// The whole decision (names, edition, kinds,
// flags, device-class key).
OsIdentity DecideOsIdentity(const OsFacts& facts);

// Name and code alone (platform 1 and 2 rows).
struct OsName {
    std::uint8_t code = osNone;
    std::string name;
};
OsName DecideOsName(const OsFacts& facts);

// The edition "EditionID" names, empty when the value is none of the table.
std::string EditionFromEditionId(std::string_view editionId);

// The registry value as an integer: a number as it is, a string converted
// whole (default 0), a missing value 0.
std::uint32_t RegistryInteger(const RegistryValue& value);

// "%s %s" of name and edition, trimmed.
std::string FullName(std::string_view name, std::string_view edition);

// Registry access mask of these units.
std::uint32_t RegistryReadAccess(bool isWow64);

// Total physical memory in bytes from the memory record's unit count and unit
// size, whole (never capped at 4 GiB); saturates instead of wrapping.
std::uint64_t PhysicalMemoryBytes(std::uint64_t units, std::uint32_t unitSize);

// ASCII helpers shared by the units.
std::string AsciiUpper(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);

}  // namespace sysunits
