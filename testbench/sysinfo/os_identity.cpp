#include "testbench/sysinfo/os_identity.h"

#include <charconv>
#include <limits>

namespace sysunits {

namespace {

bool IsVersion(const OsFacts& f, std::uint32_t major, std::uint32_t minor) {
    return f.major == major && f.minor == minor;
}

OsName NinetyFamilyName(const OsFacts& f) {
    if (f.major != 4) return {};
    if (f.minor == 0) return {os95, "Windows 95"};
    if (f.minor == 10) return {os98, "Windows 98"};
    if (f.minor == 90) return {osME, "Windows Millennium Edition"};
    return {};
}

// The service-pack text's second character selects the Windows 9x edition.
std::string NinetyFamilyEdition(const OsFacts& f, std::uint8_t code) {
    if (f.servicePack.size() < 2) return {};
    const char letter = f.servicePack[1];
    if (code == os95) {
        if (letter == 'A') return "OSR 1";
        if (letter == 'B') return "OSR 2";
        if (letter == 'C') return "OSR 2.5";
    } else if (code == os98) {
        if (letter == 'A' || letter == 'B') return "SE";
    }
    return {};
}

OsName NtFamilyName(const OsFacts& f) {
    const bool workstation = f.productType == VER_NT_WORKSTATION;
    OsName result;
    // The tests run in this order, a later match overwriting an earlier
    // one; the versions after 6.0 come first, each on its own row.
    if (f.major == 10 && f.minor == 0) {
        if (workstation)
            result = f.build >= 22000 ? OsName{os11, "Windows 11"} : OsName{os10, "Windows 10"};
        else if (f.build >= 20348)
            result = {os2022, "Windows Server 2022"};
        else if (f.build >= 17763)
            result = {os2019, "Windows Server 2019"};
        else
            result = {os2016, "Windows Server 2016"};
    }
    if (IsVersion(f, 6, 3))
        result =
            workstation ? OsName{os81, "Windows 8.1"} : OsName{os2012R2, "Windows Server 2012 R2"};
    if (IsVersion(f, 6, 2))
        result = workstation ? OsName{os8, "Windows 8"} : OsName{os2012, "Windows Server 2012"};
    if (IsVersion(f, 6, 1))
        result =
            workstation ? OsName{os7, "Windows 7"} : OsName{os2008R2, "Windows Server 2008 R2"};
    if (IsVersion(f, 6, 0))
        result = workstation ? OsName{osVista, "Windows Vista"}
                             : OsName{osLonghorn, "Windows Server \"Longhorn\""};
    if (IsVersion(f, 5, 2)) {
        if (f.smServerR2 >= 1)
            result = {os2003, "Windows Server 2003 \"R2\""};
        else if (workstation && f.processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
            result = {osXP64, "Windows XP Professional x64 Edition"};
        else
            result = {os2003, "Windows Server 2003"};
    }
    if (IsVersion(f, 5, 1)) result = {osXP, "Windows XP"};
    if (IsVersion(f, 5, 0)) result = {os2000, "Windows 2000"};
    if (f.major == 4) result = {osNT4, "Windows NT 4"};
    return result;
}

struct EditionRow {
    std::string_view value;
    std::string_view edition;
};

// The rows up to 6.0, then the values of the later versions.
constexpr EditionRow kEditionRows[] = {
    {"STARTER", "Starter"},
    {"HOMEBASIC", "Home Basic"},
    {"HOMEPREMIUM", "Home Premium"},
    {"ULTIMATE", "Ultimate"},
    {"BUSINESS", "Business"},
    {"HOMEPREMIUMN", "Home Premium (European)"},
    {"HOMEBASICN", "Home Basic (European)"},
    {"BUSINESSN", "Business (European)"},
    {"ENTERPRISE", "Enterprise"},
    {"PROFESSIONAL", "Professional"},
    {"CORE", "Home"},
    {"EDUCATION", "Education"},
    {"SERVERSTANDARD", "Standard"},
    {"SERVERDATACENTER", "Datacenter"},
    {"SERVERENTERPRISE", "Enterprise"},
    {"SERVERWEB", "Web"},
};

// Missing registry values leave the edition unchanged.
void ApplyEditionId(const OsFacts& f, std::string& edition) {
    if (!f.editionId) return;
    for (const EditionRow& row : kEditionRows)
        if (EqualsIgnoreAsciiCase(*f.editionId, row.value)) edition = std::string(row.edition);
}

std::string NtEdition(const OsFacts& f, std::string& servicePack) {
    std::string edition;
    const bool x64 = f.processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    const bool itanium = f.processorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    const bool datacenter = (f.suiteMask & VER_SUITE_DATACENTER) != 0;
    const bool enterprise = (f.suiteMask & VER_SUITE_ENTERPRISE) != 0;

    if (f.major < 5) {
        if (f.ntProductType) {
            if (EqualsIgnoreAsciiCase(*f.ntProductType, "WINNT")) edition = "Workstation";
            if (EqualsIgnoreAsciiCase(*f.ntProductType, "LANMANNT")) edition = "Server";
            if (EqualsIgnoreAsciiCase(*f.ntProductType, "SERVERNT")) edition = "Advanced Server";
        }
        if (RegistryInteger(f.hotfixQ246009Installed) == 1 && servicePack == "Service Pack 6")
            servicePack = "Service Pack 6a";
        return edition;
    }

    // The x64 exception sends the 64-bit XP workstation (5.2) to the server
    // branch; any other x64 workstation takes the workstation branch.
    const bool xp64Workstation = IsVersion(f, 5, 2) && x64;
    if (f.productType != VER_NT_WORKSTATION || xp64Workstation) {
        if (f.productType == VER_NT_DOMAIN_CONTROLLER || f.productType == VER_NT_SERVER) {
            if (f.major >= 6) {
                ApplyEditionId(f, edition);
            } else if (IsVersion(f, 5, 2) && itanium) {
                if (datacenter)
                    edition = "Datacenter Edition for Itanium-based Systems";
                else if (enterprise)
                    edition = "Enterprise Edition for Itanium-based Systems";
            } else if (IsVersion(f, 5, 2) && x64) {
                if (datacenter)
                    edition = "Datacenter x64 Edition";
                else if (enterprise)
                    edition = "Enterprise x64 Edition";
                else
                    edition = "Standard x64 Edition";
            } else if (IsVersion(f, 5, 2)) {
                if (datacenter)
                    edition = "Datacenter Edition";
                else if (enterprise)
                    edition = "Enterprise Edition";
                else if (f.suiteMask == VER_SUITE_BLADE)
                    edition = "Web Edition";
                else
                    edition = "Standard Edition";
            } else if (IsVersion(f, 5, 0)) {
                if (datacenter)
                    edition = "Datacenter Server";
                else if (enterprise)
                    edition = "Advanced Server";
                else
                    edition = "Server";
            } else {
                edition = enterprise ? "Server 4.0, Enterprise Edition" : "Server 4.0";
            }
        }
        return edition;
    }

    if (f.major >= 6) {
        ApplyEditionId(f, edition);
        return edition;
    }
    edition = (f.suiteMask & VER_SUITE_PERSONAL) != 0 ? "Home" : "Professional";
    if (f.smStarter >= 1)
        edition += " Starter Edition";
    else if (f.smTabletPc >= 1)
        edition += " Tablet PC Edition";
    else if (f.smMediaCenter > 0)
        edition += " Media Center Edition";
    return edition;
}

}  // namespace

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

std::string Trim(std::string_view text) {
    // Delphi's Trim: every character up to the blank counts as white space.
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return std::string(text.substr(first, last - first));
}

std::uint32_t RegistryInteger(const RegistryValue& value) {
    if (const auto* number = std::get_if<std::uint32_t>(&value)) return *number;
    if (const auto* text = std::get_if<std::string>(&value)) {
        long long parsed = 0;
        const char* begin = text->data();
        const char* end = begin + text->size();
        auto [ptr, ec] = std::from_chars(begin, end, parsed);
        if (ec != std::errc() || ptr != end || text->empty() || parsed < INT32_MIN ||
            parsed > INT32_MAX)
            return 0;
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(parsed));
    }
    return 0;
}

std::string EditionFromEditionId(std::string_view editionId) {
    OsFacts f;
    f.editionId = std::string(editionId);
    std::string edition;
    ApplyEditionId(f, edition);
    return edition;
}

std::string FullName(std::string_view name, std::string_view edition) {
    std::string text(name);
    text += ' ';
    text += edition;
    return Trim(text);
}

std::uint32_t RegistryReadAccess(bool isWow64) {
    return isWow64 ? (KEY_READ | KEY_WOW64_64KEY) : KEY_READ;
}

std::uint64_t PhysicalMemoryBytes(std::uint64_t units, std::uint32_t unitSize) {
    if (unitSize == 0) unitSize = 1;
    if (units > std::numeric_limits<std::uint64_t>::max() / unitSize)
        return std::numeric_limits<std::uint64_t>::max();
    return units * unitSize;
}

OsName DecideOsName(const OsFacts& facts) {
    if (facts.platformId == VER_PLATFORM_WIN32_WINDOWS) return NinetyFamilyName(facts);
    if (facts.platformId == VER_PLATFORM_WIN32_NT) return NtFamilyName(facts);
    return {};
}

OsIdentity DecideOsIdentity(const OsFacts& facts) {
    OsIdentity id;
    id.servicePack = facts.servicePack;
    const OsName name = DecideOsName(facts);
    id.osCode = name.code;
    id.osName = name.name;

    std::string edition;
    if (facts.platformId == VER_PLATFORM_WIN32_WINDOWS)
        edition = NinetyFamilyEdition(facts, id.osCode);
    else if (facts.platformId == VER_PLATFORM_WIN32_NT)
        edition = NtEdition(facts, id.servicePack);

    // Product kind and suite flags.
    switch (facts.productType) {
        case VER_NT_WORKSTATION:
            id.productKind = pkWorkstation;
            break;
        case VER_NT_DOMAIN_CONTROLLER:
            id.productKind = pkAdvancedServer;
            break;
        case VER_NT_SERVER:
            id.productKind = pkServer;
            break;
        default:
            id.productKind = pkNone;
            break;
    }
    if (facts.major >= 5 && facts.productType == VER_NT_DOMAIN_CONTROLLER)
        id.productKind = pkServer;
    id.suiteFlags = facts.suiteMask & 0x0FFF;
    if (facts.suiteMask & VER_SUITE_ENTERPRISE) id.productKind = pkAdvancedServer;
    if (facts.suiteMask & VER_SUITE_DATACENTER) id.productKind = pkDatacenter;
    if (facts.suiteMask & VER_SUITE_BLADE) id.productKind = pkWebServer;

    id.osEdition = Trim(edition);
    const std::uint8_t c = id.osCode;
    id.isNT = c >= osNT4;  // every NT code, Longhorn and the later versions included
    id.isNT4 = c == osNT4;
    id.isNT5 = c >= os2000;
    id.is95 = c == os95;
    id.is98 = c == os98;
    id.is2000 = c == os2000;
    id.is95OSR2 = c == os95 && id.osEdition == "OSR 2";
    id.is98SE = c == os98 && id.osEdition == "SE";
    id.isME = c == osME;
    id.isXP = c == osXP;
    id.isXP64 = c == osXP64;
    id.is2003 = c == os2003;
    id.isVista = c == osVista;
    id.osFullName = FullName(id.osName, id.osEdition);
    id.deviceClassKey = id.isNT ? "SYSTEM\\CurrentControlSet\\Control\\Class"
                                : "SYSTEM\\CurrentControlSet\\Services\\Class";
    return id;
}

}  // namespace sysunits
