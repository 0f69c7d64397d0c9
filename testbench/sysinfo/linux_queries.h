#pragma once

// The Linux stand-ins for the Windows system queries. Each
// answers empty text, 0 or false when the system call fails; none throws for a
// system failure.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testbench/sysinfo/account_text.h"

namespace sysunits {

// uname: GetVersionExA's numbers and GetNativeSystemInfo's architecture.
struct KernelFacts {
    std::string sysname;
    std::string nodename;
    std::string release;
    std::string version;
    std::string machine;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};
std::optional<KernelFacts> QueryKernel();

// "6.1.0-18-amd64" gives 6, 1, 0: the leading decimal numbers of the release.
void ParseKernelRelease(std::string_view release, std::uint32_t& major, std::uint32_t& minor,
                        std::uint32_t& build);

// The processor architecture code of the uname machine name.
std::uint16_t ProcessorArchitectureOf(std::string_view machine);

// The WOW64 analogue: a 32-bit process on a 64-bit kernel.
bool IsWow64Analogue(unsigned processPointerBits, std::string_view kernelMachine);
bool IsWow64Process();

// /etc/os-release (else /usr/lib/os-release): the system's name and edition.
struct OsRelease {
    std::string name;        // NAME
    std::string version;     // VERSION
    std::string versionId;   // VERSION_ID
    std::string prettyName;  // PRETTY_NAME
    std::string id;          // ID
    std::string variant;     // VARIANT
};
OsRelease ParseOsRelease(std::string_view text);
std::optional<OsRelease> ReadOsRelease(const std::string& path = {});

// sysinfo: total physical memory in bytes, whole; 0 on failure.
std::uint64_t TotalPhysicalMemory();

// GetUserNameA: the account name of the effective user (getpwuid_r), empty on
// failure.
std::string GetUserNameText();

// GetComputerNameA: gethostname.
std::string GetComputerNameText();

// NetWkstaGetInfo's LAN group: getdomainname (the NIS domain), empty when the
// system has none ("(none)").
std::string GetWorkgroupName();

// The account name of a user id, empty when unmapped.
std::string AccountName(std::uint32_t uid);
// The home folder of an account name, empty when unknown.
std::string AccountHome(std::string_view account);
// AccountSidText: the SID text of an account (S-1-22-1-<uid>), empty when unknown.
std::string AccountSidText(std::string_view account);

// /proc: the file name of a process's executable (the link /proc/<pid>/exe,
// else the first argument of its command line, else its comm), empty when
// the process is gone.
std::string ProcessBaseName(pid_t pid);
// The effective user id of a process (/proc/<pid>/status).
std::optional<std::uint32_t> ProcessOwnerUid(pid_t pid);
// Session of a process: its audit login session (/proc/<pid>/sessionid) when
// this process has one, else its Unix session (/proc/<pid>/stat field 6).
std::optional<std::uint64_t> ProcessSession(pid_t pid);
std::uint64_t CurrentSession();
// Every process of /proc.
std::vector<ProcessEntry> ListProcesses();
// The first process whose executable's file name is `name` (ignoring ASCII
// case); 0 when none.
pid_t FindProcessId(std::string_view name);

// Parsers of the /proc texts.
std::optional<std::uint32_t> ParseStatusEffectiveUid(std::string_view statusText);
std::optional<std::uint64_t> ParseStatSession(std::string_view statText);

// GetProcessUserAndDomain: user and domain of a process's owner; a local
// account's domain is the host name; an unmapped owner gets its SID text.
// Both are emptied first; true once the owner was read.
bool GetProcessUserAndDomain(pid_t pid, std::string& user, std::string& domain);

// The desktop shells looked for by ShellProcessUser (explorer.exe's stand-ins).
const std::vector<std::string>& DesktopShellNames();

// ShellProcessUser: the owner of the first shell process of the current
// session, else the session's user (logind, bound on demand from
// libsystemd.so.0), else GetUserNameText; `domain` is set to that user's
// domain. Returns the user@domain rule's text.
std::string ShellProcessUser(const std::vector<std::string>& shellNames,
                             std::string_view computerName, std::string& domain);

// ReadEnvironment: every "NAME=value" string of the process environment.
std::vector<std::string> ReadEnvironment();
// ExpandEnvironmentText over the process environment.
std::string ExpandEnvironmentText(std::string_view text, bool alsoBackslashNames);

// SpecialFolderPath(desktop): the XDG desktop folder ($XDG_CONFIG_HOME or
// ~/.config, user-dirs.dirs, XDG_DESKTOP_DIR; default ~/Desktop).
std::optional<std::string> ParseXdgDesktopDir(std::string_view userDirsText, std::string_view home);
std::string DesktopFolder();

// ProfileFolder: the home folder of the shell-process user; when that yields
// nothing, the desktop folder without its last component.
std::string ProfileFolder(std::string_view shellUser);

}  // namespace sysunits
