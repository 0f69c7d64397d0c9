#include "testbench/sysinfo/os_identity.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace sysunits;

OsFacts Nine(std::uint32_t minor, std::string sp = {}) {
    OsFacts f;
    f.platformId = VER_PLATFORM_WIN32_WINDOWS;
    f.major = 4;
    f.minor = minor;
    f.servicePack = std::move(sp);
    return f;
}

OsFacts Nt(std::uint32_t major, std::uint32_t minor, std::uint8_t type, std::uint16_t suite = 0,
           std::uint16_t arch = PROCESSOR_ARCHITECTURE_INTEL) {
    OsFacts f;
    f.platformId = VER_PLATFORM_WIN32_NT;
    f.major = major;
    f.minor = minor;
    f.productType = type;
    f.suiteMask = suite;
    f.processorArchitecture = arch;
    return f;
}

OsFacts WithBuild(OsFacts f, std::uint32_t build) {
    f.build = build;
    return f;
}
OsFacts WithEditionId(OsFacts f, std::string id) {
    f.editionId = std::move(id);
    return f;
}
OsFacts WithMetrics(OsFacts f, int r2, int starter, int tablet, int media) {
    f.smServerR2 = r2;
    f.smStarter = starter;
    f.smTabletPc = tablet;
    f.smMediaCenter = media;
    return f;
}

constexpr std::uint8_t WS = VER_NT_WORKSTATION;
constexpr std::uint8_t DC = VER_NT_DOMAIN_CONTROLLER;
constexpr std::uint8_t SRV = VER_NT_SERVER;
constexpr std::uint16_t X64 = PROCESSOR_ARCHITECTURE_AMD64;
constexpr std::uint16_t IA64 = PROCESSOR_ARCHITECTURE_IA64;

struct NameCase {
    const char* what;
    OsFacts facts;
    std::uint8_t code;
    const char* fullName;
    bool isNT;
    bool isNT5;
};

TEST(OsIdentity, EveryNameRowAndEdition) {
    const NameCase cases[] = {
        // Platform 1.
        {"95 without letter", Nine(0, ""), os95, "Windows 95", false, false},
        {"95 blank letter", Nine(0, "   "), os95, "Windows 95", false, false},
        {"95 A", Nine(0, " A "), os95, "Windows 95 OSR 1", false, false},
        {"95 B", Nine(0, " B "), os95, "Windows 95 OSR 2", false, false},
        {"95 C", Nine(0, " C "), os95, "Windows 95 OSR 2.5", false, false},
        {"98", Nine(10, ""), os98, "Windows 98", false, false},
        {"98 A", Nine(10, " A "), os98, "Windows 98 SE", false, false},
        {"98 B", Nine(10, " B "), os98, "Windows 98 SE", false, false},
        {"98 C", Nine(10, " C "), os98, "Windows 98", false, false},
        {"ME", Nine(90, ""), osME, "Windows Millennium Edition", false, false},
        {"9x unknown minor", Nine(50, ""), osNone, "", false, false},
        // Platform 2, by version.
        {"NT 4", Nt(4, 0, WS), osNT4, "Windows NT 4", true, false},
        {"2000 Professional", Nt(5, 0, WS), os2000, "Windows 2000 Professional", true, true},
        {"XP Professional", Nt(5, 1, WS), osXP, "Windows XP Professional", true, true},
        {"XP Home", Nt(5, 1, WS, VER_SUITE_PERSONAL), osXP, "Windows XP Home", true, true},
        {"XP Home Starter", WithMetrics(Nt(5, 1, WS, VER_SUITE_PERSONAL), 0, 1, 1, 1), osXP,
         "Windows XP Home Starter Edition", true, true},
        {"XP Tablet PC", WithMetrics(Nt(5, 1, WS), 0, 0, 1, 1), osXP,
         "Windows XP Professional Tablet PC Edition", true, true},
        {"XP Media Center", WithMetrics(Nt(5, 1, WS), 0, 0, 0, 1), osXP,
         "Windows XP Professional Media Center Edition", true, true},
        {"XP Media Center metric 0", WithMetrics(Nt(5, 1, WS), 0, 0, 0, 0), osXP,
         "Windows XP Professional", true, true},
        {"XP Professional x64 (5.2 workstation on x64)", Nt(5, 2, WS, 0, X64), osXP64,
         "Windows XP Professional x64 Edition", true, true},
        {"2003 R2", WithMetrics(Nt(5, 2, SRV), 1, 0, 0, 0), os2003,
         "Windows Server 2003 \"R2\" Standard Edition", true, true},
        {"2003 R2 beats the x64 workstation", WithMetrics(Nt(5, 2, WS, 0, X64), 2, 0, 0, 0), os2003,
         "Windows Server 2003 \"R2\"", true, true},
        {"2003 Standard", Nt(5, 2, SRV), os2003, "Windows Server 2003 Standard Edition", true,
         true},
        {"2003 Web", Nt(5, 2, SRV, VER_SUITE_BLADE), os2003, "Windows Server 2003 Web Edition",
         true, true},
        {"2003 blade with another bit is not Web", Nt(5, 2, SRV, VER_SUITE_BLADE | 0x10), os2003,
         "Windows Server 2003 Standard Edition", true, true},
        {"2003 Enterprise", Nt(5, 2, SRV, VER_SUITE_ENTERPRISE), os2003,
         "Windows Server 2003 Enterprise Edition", true, true},
        {"2003 Datacenter", Nt(5, 2, DC, VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE), os2003,
         "Windows Server 2003 Datacenter Edition", true, true},
        {"2003 x64 Standard", Nt(5, 2, SRV, 0, X64), os2003,
         "Windows Server 2003 Standard x64 Edition", true, true},
        {"2003 x64 Enterprise", Nt(5, 2, SRV, VER_SUITE_ENTERPRISE, X64), os2003,
         "Windows Server 2003 Enterprise x64 Edition", true, true},
        {"2003 x64 Datacenter", Nt(5, 2, SRV, VER_SUITE_DATACENTER, X64), os2003,
         "Windows Server 2003 Datacenter x64 Edition", true, true},
        {"2003 Itanium", Nt(5, 2, SRV, 0, IA64), os2003, "Windows Server 2003", true, true},
        {"2003 Itanium Enterprise", Nt(5, 2, SRV, VER_SUITE_ENTERPRISE, IA64), os2003,
         "Windows Server 2003 Enterprise Edition for Itanium-based Systems", true, true},
        {"2003 Itanium Datacenter", Nt(5, 2, SRV, VER_SUITE_DATACENTER, IA64), os2003,
         "Windows Server 2003 Datacenter Edition for Itanium-based Systems", true, true},
        {"2000 Server", Nt(5, 0, SRV), os2000, "Windows 2000 Server", true, true},
        {"2000 Advanced Server", Nt(5, 0, DC, VER_SUITE_ENTERPRISE), os2000,
         "Windows 2000 Advanced Server", true, true},
        {"2000 Datacenter Server", Nt(5, 0, SRV, VER_SUITE_DATACENTER), os2000,
         "Windows 2000 Datacenter Server", true, true},
        {"server of another 5.x version", Nt(5, 1, SRV), osXP, "Windows XP Server 4.0", true, true},
        {"enterprise server of another 5.x version", Nt(5, 1, SRV, VER_SUITE_ENTERPRISE), osXP,
         "Windows XP Server 4.0, Enterprise Edition", true, true},
        {"Vista without EditionID", Nt(6, 0, WS), osVista, "Windows Vista", true, true},
        {"Vista Home Premium", WithEditionId(Nt(6, 0, WS), "HomePremium"), osVista,
         "Windows Vista Home Premium", true, true},
        // Fault: the x64 exception applied to every version, so a 64-bit Vista
        // workstation got no edition.
        {"Vista x64 Ultimate", WithEditionId(Nt(6, 0, WS, 0, X64), "Ultimate"), osVista,
         "Windows Vista Ultimate", true, true},
        {"Vista unknown EditionID", WithEditionId(Nt(6, 0, WS), "Nothing"), osVista,
         "Windows Vista", true, true},
        // Fault: Longhorn did not count as NT.
        {"Server Longhorn", WithEditionId(Nt(6, 0, SRV), "Enterprise"), osLonghorn,
         "Windows Server \"Longhorn\" Enterprise", true, true},
        {"Server Longhorn DC without EditionID", Nt(6, 0, DC), osLonghorn,
         "Windows Server \"Longhorn\"", true, true},
        // Fault: the table stopped at 6.0.
        {"7", WithEditionId(Nt(6, 1, WS), "Professional"), os7, "Windows 7 Professional", true,
         true},
        {"7 x64 Home Premium", WithEditionId(Nt(6, 1, WS, VER_SUITE_PERSONAL, X64), "HomePremium"),
         os7, "Windows 7 Home Premium", true, true},
        {"2008 R2", WithEditionId(Nt(6, 1, SRV, 0, X64), "ServerStandard"), os2008R2,
         "Windows Server 2008 R2 Standard", true, true},
        {"8", Nt(6, 2, WS), os8, "Windows 8", true, true},
        {"2012", WithEditionId(Nt(6, 2, DC, 0, X64), "ServerDatacenter"), os2012,
         "Windows Server 2012 Datacenter", true, true},
        {"8.1", WithEditionId(Nt(6, 3, WS, 0, X64), "Core"), os81, "Windows 8.1 Home", true, true},
        {"2012 R2", Nt(6, 3, SRV, 0, X64), os2012R2, "Windows Server 2012 R2", true, true},
        {"10", WithEditionId(WithBuild(Nt(10, 0, WS, 0, X64), 19045), "Professional"), os10,
         "Windows 10 Professional", true, true},
        {"11", WithEditionId(WithBuild(Nt(10, 0, WS, 0, X64), 22631), "Education"), os11,
         "Windows 11 Education", true, true},
        {"2016", WithBuild(Nt(10, 0, SRV, 0, X64), 14393), os2016, "Windows Server 2016", true,
         true},
        {"2019", WithBuild(Nt(10, 0, SRV, 0, X64), 17763), os2019, "Windows Server 2019", true,
         true},
        {"2022", WithEditionId(WithBuild(Nt(10, 0, SRV, 0, X64), 20348), "ServerDatacenter"),
         os2022, "Windows Server 2022 Datacenter", true, true},
        {"unknown NT version", Nt(7, 0, WS), osNone, "", false, false},
        {"unknown platform", OsFacts{}, osNone, "", false, false},
    };
    for (const NameCase& c : cases) {
        const OsIdentity id = DecideOsIdentity(c.facts);
        EXPECT_EQ(id.osCode, c.code) << c.what;
        EXPECT_EQ(id.osFullName, c.fullName) << c.what;
        EXPECT_EQ(id.isNT, c.isNT) << c.what;
        EXPECT_EQ(id.isNT5, c.isNT5) << c.what;
        EXPECT_EQ(id.osFullName, FullName(id.osName, id.osEdition)) << c.what;
    }
}

TEST(OsIdentity, NtFourEditionFromRegistryAndServicePack6a) {
    struct Case {
        std::optional<std::string> productType;
        RegistryValue hotfix;
        std::string servicePack;
        std::string edition;
        std::string servicePackAfter;
    } const cases[] = {
        {"WINNT", std::monostate{}, "Service Pack 6", "Workstation", "Service Pack 6"},
        {"WinNt", std::string("1"), "Service Pack 6", "Workstation", "Service Pack 6a"},
        {"LANMANNT", std::uint32_t{1}, "Service Pack 6", "Server", "Service Pack 6a"},
        {"servernt", std::uint32_t{1}, "Service Pack 5", "Advanced Server", "Service Pack 5"},
        {"ServerNT", std::uint32_t{0}, "Service Pack 6", "Advanced Server", "Service Pack 6"},
        {"OTHER", std::string("x"), "Service Pack 6", "", "Service Pack 6"},
        {std::nullopt, std::string(" 1"), "Service Pack 6", "", "Service Pack 6"},
        {std::nullopt, std::string("01"), "Service Pack 6", "", "Service Pack 6a"},
    };
    for (const Case& c : cases) {
        OsFacts f = Nt(4, 0, WS);
        f.ntProductType = c.productType;
        f.hotfixQ246009Installed = c.hotfix;
        f.servicePack = c.servicePack;
        const OsIdentity id = DecideOsIdentity(f);
        EXPECT_EQ(id.osEdition, c.edition) << c.productType.value_or("(none)");
        EXPECT_EQ(id.servicePack, c.servicePackAfter) << c.productType.value_or("(none)");
        EXPECT_TRUE(id.isNT4);
        EXPECT_EQ(id.osFullName, FullName("Windows NT 4", c.edition));
    }
}

TEST(OsIdentity, EditionIdRowsIgnoreAsciiCase) {
    const std::pair<const char*, const char*> rows[] = {
        {"STARTER", "Starter"},
        {"HomeBasic", "Home Basic"},
        {"homepremium", "Home Premium"},
        {"Ultimate", "Ultimate"},
        {"Business", "Business"},
        {"HomePremiumN", "Home Premium (European)"},
        {"HomeBasicN", "Home Basic (European)"},
        {"BusinessN", "Business (European)"},
        {"Enterprise", "Enterprise"},
        {"Professional", "Professional"},
        {"Core", "Home"},
        {"Education", "Education"},
        {"ServerStandard", "Standard"},
        {"ServerDatacenter", "Datacenter"},
        {"ServerEnterprise", "Enterprise"},
        {"ServerWeb", "Web"},
        {"Starter ", ""},
        {"", ""},
    };
    for (const auto& [value, edition] : rows)
        EXPECT_EQ(EditionFromEditionId(value), edition) << value;
}

TEST(OsIdentity, ProductKindAndSuiteFlags) {
    struct Case {
        OsFacts facts;
        std::uint8_t kind;
        std::uint16_t flags;
    } const cases[] = {
        {Nt(5, 1, WS), pkWorkstation, 0},
        {Nt(5, 2, SRV), pkServer, 0},
        {Nt(4, 0, DC), pkAdvancedServer, 0},
        {Nt(5, 0, DC), pkServer, 0},
        {Nt(5, 2, SRV, VER_SUITE_ENTERPRISE), pkAdvancedServer, 0x0002},
        {Nt(5, 2, SRV, VER_SUITE_ENTERPRISE | VER_SUITE_DATACENTER), pkDatacenter, 0x0082},
        {Nt(5, 2, SRV, VER_SUITE_BLADE | VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE), pkWebServer,
         0x0482},
        {Nt(5, 1, WS, 0xF000 | VER_SUITE_PERSONAL), pkWorkstation, 0x0200},
        {Nt(5, 1, WS, 0x0FFF), pkWebServer, 0x0FFF},
        {Nine(0, ""), pkNone, 0},
    };
    for (const Case& c : cases) {
        const OsIdentity id = DecideOsIdentity(c.facts);
        EXPECT_EQ(id.productKind, c.kind) << c.facts.major << "." << c.facts.minor;
        EXPECT_EQ(id.suiteFlags, c.flags) << c.facts.major << "." << c.facts.minor;
    }
}

TEST(OsIdentity, FlagsFollowTheCodeAndEdition) {
    struct Case {
        OsFacts facts;
        bool OsIdentity::*flag;
    } const cases[] = {
        {Nine(0, " B "), &OsIdentity::is95OSR2},
        {Nine(10, " A "), &OsIdentity::is98SE},
        {Nine(90), &OsIdentity::isME},
        {Nt(4, 0, WS), &OsIdentity::isNT4},
        {Nt(5, 0, WS), &OsIdentity::is2000},
        {Nt(5, 1, WS), &OsIdentity::isXP},
        {Nt(5, 2, WS, 0, X64), &OsIdentity::isXP64},
        {Nt(5, 2, SRV), &OsIdentity::is2003},
        {Nt(6, 0, WS), &OsIdentity::isVista},
    };
    bool OsIdentity::*const all[] = {
        &OsIdentity::isNT4,    &OsIdentity::is95,   &OsIdentity::is98,    &OsIdentity::is2000,
        &OsIdentity::is95OSR2, &OsIdentity::is98SE, &OsIdentity::isME,    &OsIdentity::isXP,
        &OsIdentity::isXP64,   &OsIdentity::is2003, &OsIdentity::isVista,
    };
    for (const Case& c : cases) {
        const OsIdentity id = DecideOsIdentity(c.facts);
        for (bool OsIdentity::*flag : all) {
            bool expected = flag == c.flag;
            if (c.flag == &OsIdentity::is95OSR2 && flag == &OsIdentity::is95) expected = true;
            if (c.flag == &OsIdentity::is98SE && flag == &OsIdentity::is98) expected = true;
            EXPECT_EQ(id.*flag, expected) << id.osFullName;
        }
    }
    EXPECT_FALSE(DecideOsIdentity(Nine(0, " A ")).is95OSR2);
    EXPECT_FALSE(DecideOsIdentity(Nt(6, 0, SRV)).isVista);
    EXPECT_FALSE(DecideOsIdentity(Nt(6, 1, WS)).isVista);
}

TEST(OsIdentity, DeviceClassKeyAndRegistryAccess) {
    EXPECT_EQ(DecideOsIdentity(Nt(5, 1, WS)).deviceClassKey,
              "SYSTEM\\CurrentControlSet\\Control\\Class");
    EXPECT_EQ(DecideOsIdentity(Nt(6, 0, SRV)).deviceClassKey,
              "SYSTEM\\CurrentControlSet\\Control\\Class");
    EXPECT_EQ(DecideOsIdentity(Nine(10)).deviceClassKey,
              "SYSTEM\\CurrentControlSet\\Services\\Class");
    EXPECT_EQ(RegistryReadAccess(false), 0x20019u);
    EXPECT_EQ(RegistryReadAccess(true), 0x20119u);
}

TEST(OsIdentity, RegistryIntegerConversion) {
    EXPECT_EQ(RegistryInteger(std::monostate{}), 0u);
    EXPECT_EQ(RegistryInteger(std::uint32_t{7}), 7u);
    EXPECT_EQ(RegistryInteger(std::string("1")), 1u);
    EXPECT_EQ(RegistryInteger(std::string("")), 0u);
    EXPECT_EQ(RegistryInteger(std::string("1a")), 0u);
    EXPECT_EQ(RegistryInteger(std::string("99999999999")), 0u);
}

// Fault: GlobalMemoryStatus's 32-bit record capped memory at 4 GiB.
TEST(OsIdentity, MemoryAboveFourGibIsWhole) {
    struct Case {
        std::uint64_t units;
        std::uint32_t unitSize;
        std::uint64_t bytes;
    } const cases[] = {
        {0x200000000ull, 1, 0x200000000ull},  // 8 GiB in bytes
        {2097152, 4096, 0x200000000ull},      // 8 GiB in pages
        {0x100000000ull, 1, 0x100000000ull},  // exactly 4 GiB
        {0xFFFFFFFFull, 1, 0xFFFFFFFFull},    // just below
        {1ull << 50, 1u << 20, ~0ull},        // saturates, never wraps
        {1024, 0, 1024},                      // unit 0 read as bytes
    };
    for (const Case& c : cases) EXPECT_EQ(PhysicalMemoryBytes(c.units, c.unitSize), c.bytes);
}

TEST(OsIdentity, TrimAndFullName) {
    EXPECT_EQ(FullName("Windows 95", ""), "Windows 95");
    EXPECT_EQ(FullName("Windows XP", " Home "), "Windows XP  Home");
    EXPECT_EQ(FullName("", ""), "");
    EXPECT_EQ(Trim("\t a b \n"), "a b");
}

}  // namespace
