#include "testbench/sysinfo/linux_queries.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "testbench/sysinfo/os_identity.h"

namespace {

using namespace sysunits;

// The output of a command, without its last line break; empty when it fails.
std::string CommandOutput(const char* command) {
    std::string out;
    FILE* pipe = popen(command, "r");
    if (pipe == nullptr) return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    if (pclose(pipe) != 0) return {};
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string OwnExecutableName() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    path[n] = '\0';
    const std::string full(path);
    return full.substr(full.rfind('/') + 1);
}

TEST(LinuxQueries, OwnProcessFoundByNameAndOwner) {
    const std::string name = OwnExecutableName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(ProcessBaseName(getpid()), name);
    EXPECT_EQ(ProcessOwnerUid(getpid()), geteuid());

    bool seen = false;
    for (const ProcessEntry& p : ListProcesses()) {
        if (p.pid != getpid()) continue;
        seen = true;
        EXPECT_EQ(p.name, name);
        EXPECT_EQ(p.ownerUid, geteuid());
        EXPECT_EQ(p.session, CurrentSession());
    }
    EXPECT_TRUE(seen);

    // Other copies of this test may run beside it: the one found has the name.
    const pid_t found = FindProcessId(name);
    ASSERT_NE(found, 0);
    EXPECT_EQ(ProcessBaseName(found), name);

    std::string user;
    std::string domain = "stale";
    ASSERT_TRUE(GetProcessUserAndDomain(getpid(), user, domain));
    EXPECT_EQ(user, CommandOutput("id -un"));
    EXPECT_EQ(domain, GetComputerNameText());  // a local account belongs to the machine
}

TEST(LinuxQueries, UnknownProcessNameYieldsZero) {
    EXPECT_EQ(FindProcessId("no-such-process-korvicard-sysinfo"), 0);
    EXPECT_EQ(FindProcessId(""), 0);
    std::string user = "stale";
    std::string domain = "stale";
    EXPECT_FALSE(GetProcessUserAndDomain(-1, user, domain));
    EXPECT_TRUE(user.empty());
    EXPECT_TRUE(domain.empty());
    EXPECT_EQ(ProcessBaseName(-1), "");
}

TEST(LinuxQueries, UserAndHostNamesAsTheSystemReports) {
    const std::string user = GetUserNameText();
    ASSERT_FALSE(user.empty());
    EXPECT_EQ(user, CommandOutput("id -un"));
    const passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(user, entry->pw_name);

    const std::string host = GetComputerNameText();
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(host, CommandOutput("hostname"));
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_EQ(host, names.nodename);

    char domain[256] = {};
    ASSERT_EQ(getdomainname(domain, sizeof domain - 1), 0);
    const std::string expected = std::string(domain) == "(none)" ? "" : domain;
    EXPECT_EQ(GetWorkgroupName(), expected);
}

TEST(LinuxQueries, MemoryEqualsSysinfo) {
    struct sysinfo info {};
    ASSERT_EQ(sysinfo(&info), 0);
    const std::uint64_t expected =
        static_cast<std::uint64_t>(info.totalram) * static_cast<std::uint64_t>(info.mem_unit);
    EXPECT_EQ(TotalPhysicalMemory(), expected);
    // And with /proc/meminfo's MemTotal, in kB.
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    ASSERT_TRUE(meminfo >> key >> kb);
    ASSERT_EQ(key, "MemTotal:");
    EXPECT_EQ(TotalPhysicalMemory(), kb * 1024);
}

TEST(LinuxQueries, KernelFactsAndWow64Analogue) {
    auto kernel = QueryKernel();
    ASSERT_TRUE(kernel);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_EQ(kernel->release, names.release);
    EXPECT_EQ(kernel->machine, names.machine);
    std::uint32_t major = 0, minor = 0, build = 0;
    ASSERT_EQ(std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build), 3);
    EXPECT_EQ(kernel->major, major);
    EXPECT_EQ(kernel->minor, minor);
    EXPECT_EQ(kernel->build, build);
    // This suite is built as a 64-bit program: never WOW64.
    EXPECT_EQ(IsWow64Process(), sizeof(void*) == 4 && IsWow64Analogue(32, names.machine));

    struct Case {
        unsigned bits;
        const char* machine;
        bool wow64;
    } const cases[] = {
        {32, "x86_64", true},  {32, "aarch64", true}, {32, "i686", false},
        {64, "x86_64", false}, {32, "armv7l", false}, {64, "aarch64", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsWow64Analogue(c.bits, c.machine), c.wow64) << c.machine;
}

TEST(LinuxQueries, ParsersOfSystemTexts) {
    std::uint32_t a = 9, b = 9, c = 9;
    ParseKernelRelease("6.1.0-18-amd64", a, b, c);
    EXPECT_EQ(a, 6u);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(c, 0u);
    ParseKernelRelease("6.18.44-fc-v1523", a, b, c);
    EXPECT_EQ(std::tie(a, b, c), std::make_tuple(6u, 18u, 44u));
    ParseKernelRelease("5.10", a, b, c);
    EXPECT_EQ(std::tie(a, b, c), std::make_tuple(5u, 10u, 0u));
    ParseKernelRelease("junk", a, b, c);
    EXPECT_EQ(std::tie(a, b, c), std::make_tuple(0u, 0u, 0u));

    EXPECT_EQ(ProcessorArchitectureOf("x86_64"), PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(ProcessorArchitectureOf("i686"), PROCESSOR_ARCHITECTURE_INTEL);
    EXPECT_EQ(ProcessorArchitectureOf("ia64"), PROCESSOR_ARCHITECTURE_IA64);
    EXPECT_EQ(ProcessorArchitectureOf("aarch64"), PROCESSOR_ARCHITECTURE_ARM64);
    EXPECT_EQ(ProcessorArchitectureOf("riscv64"), PROCESSOR_ARCHITECTURE_UNKNOWN);

    EXPECT_EQ(ParseStatusEffectiveUid("Name:\tx\nUid:\t1000\t1001\t1000\t1000\nGid:\t0\n"), 1001u);
    EXPECT_EQ(ParseStatusEffectiveUid("Uid:\t0\t0\t0\t0\n"), 0u);
    EXPECT_EQ(ParseStatusEffectiveUid("Name:\tx\n"), std::nullopt);
    EXPECT_EQ(ParseStatSession("42 (a) b) c) S 1 40 41 0 -1"), 41u);
    EXPECT_EQ(ParseStatSession("7 (bash) S 1 7 7 34816 7"), 7u);
    EXPECT_EQ(ParseStatSession("garbage"), std::nullopt);
}

TEST(LinuxQueries, OsReleaseParsing) {
    const OsRelease r = ParseOsRelease(
        "# comment\n"
        "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
        "NAME=\"Debian GNU/Linux\"\n"
        "VERSION_ID=\"12\"\n"
        "VERSION='12 (bookworm)'\n"
        "ID=debian\n"
        "VARIANT=\"Say \\\"hi\\\"\"\n");
    EXPECT_EQ(r.prettyName, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(r.name, "Debian GNU/Linux");
    EXPECT_EQ(r.versionId, "12");
    EXPECT_EQ(r.version, "12 (bookworm)");
    EXPECT_EQ(r.id, "debian");
    EXPECT_EQ(r.variant, "Say \"hi\"");

    auto system = ReadOsRelease();
    ASSERT_TRUE(system);
    EXPECT_FALSE(system->name.empty());
    EXPECT_FALSE(ReadOsRelease("/nonexistent/os-release"));
}

TEST(LinuxQueries, XdgDesktopFolder) {
    EXPECT_EQ(ParseXdgDesktopDir("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/oscar"),
              "/home/oscar/Desktop");
    EXPECT_EQ(
        ParseXdgDesktopDir("# x\nXDG_DOWNLOAD_DIR=\"$HOME/D\"\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n",
                           "/home/oscar"),
        "/home/oscar/桌面");
    EXPECT_EQ(ParseXdgDesktopDir("XDG_DESKTOP_DIR=\"/srv/desk/\"", "/home/oscar"), "/srv/desk");
    EXPECT_EQ(ParseXdgDesktopDir("XDG_DESKTOP_DIR=\"$HOME\"", "/home/oscar"), "/home/oscar");
    EXPECT_EQ(ParseXdgDesktopDir("XDG_DESKTOP_DIR=\"$HOME/My\\ Desk\"", "/h"), "/h/My Desk");
    EXPECT_EQ(ParseXdgDesktopDir("XDG_DESKTOP_DIR=\"relative\"", "/h"), std::nullopt);
    EXPECT_EQ(ParseXdgDesktopDir("", "/h"), std::nullopt);

    // On this machine: the configured folder, else ~/Desktop.
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    const std::string desktop = DesktopFolder();
    EXPECT_FALSE(desktop.empty());
    EXPECT_EQ(desktop.rfind(home, 0), 0u) << desktop;
}

TEST(LinuxQueries, ProfileFolderIsTheHomeOfTheShellUser) {
    const passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(ProfileFolder(entry->pw_name), entry->pw_dir);
    EXPECT_EQ(ProfileFolder(std::string(entry->pw_name) + "@CORP"), entry->pw_dir);
    // Without a known account: the desktop folder without its last component.
    EXPECT_EQ(ProfileFolder("no-such-user-korvicard"), ParentFolder(DesktopFolder()));
    EXPECT_EQ(AccountSidText(entry->pw_name), "S-1-22-1-" + std::to_string(entry->pw_uid));
    EXPECT_EQ(AccountSidText("no-such-user-korvicard"), "");
}

TEST(LinuxQueries, ShellProcessUserOfTheCurrentSession) {
    // This test's own process stands in for the session's shell.
    const std::string computer = AsciiUpper(GetComputerNameText());
    std::string domain = "stale";
    const std::string user = ShellProcessUser({OwnExecutableName()}, computer, domain);
    EXPECT_EQ(user, CommandOutput("id -un"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase(domain, computer)) << domain;

    // No shell in this session: the session's user or the process's user.
    domain = "stale";
    const std::string fallback = ShellProcessUser({"no-such-shell-korvicard"}, computer, domain);
    EXPECT_EQ(fallback, CommandOutput("id -un"));
    EXPECT_NE(domain, "stale");
}

TEST(LinuxQueries, WholeEnvironmentIsRead) {
    // Fault: reading stopped after 4096 characters of the environment block.
    const std::string big(6000, 'v');
    ASSERT_EQ(setenv("KORVICARD_SYSINFO_BIG", big.c_str(), 1), 0);
    ASSERT_EQ(setenv("KORVICARD_SYSINFO_LAST", "tail", 1), 0);
    bool seenBig = false;
    bool seenLast = false;
    for (const std::string& entry : ReadEnvironment()) {
        seenBig = seenBig || entry == "KORVICARD_SYSINFO_BIG=" + big;
        seenLast = seenLast || entry == "KORVICARD_SYSINFO_LAST=tail";
    }
    EXPECT_TRUE(seenBig);
    EXPECT_TRUE(seenLast);
    EXPECT_EQ(ExpandEnvironmentText("%korvicard_sysinfo_last%/x", false), "tail/x");
    EXPECT_EQ(ExpandEnvironmentText("[%KORVICARD_SYSINFO_BIG%]", false), "[" + big + "]");
    unsetenv("KORVICARD_SYSINFO_BIG");
    unsetenv("KORVICARD_SYSINFO_LAST");
}

}  // namespace
