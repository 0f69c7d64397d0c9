#include "testbench/sysinfo/linux_queries.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "testbench/sysinfo/library_binder.h"
#include "testbench/sysinfo/os_identity.h"

extern char** environ;

namespace sysunits {

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return out.str();
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data()) return std::nullopt;
    return value;
}

// getpwuid_r / getpwnam_r with a buffer that grows in bytes until it fits.
template <typename Lookup>
bool LookupPasswd(Lookup lookup, passwd& entry, std::vector<char>& buffer) {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    buffer.resize(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    for (;;) {
        passwd* result = nullptr;
        const int rc = lookup(&entry, buffer.data(), buffer.size(), &result);
        if (rc == 0) return result != nullptr;
        if (rc != ERANGE || buffer.size() >= (std::size_t{1} << 24)) return false;
        buffer.resize(NextBufferSize(buffer.size(), 0));
    }
}

std::string ReadLink(const std::string& path) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        buffer.resize(NextBufferSize(buffer.size(), 0));
    }
}

std::string ProcPath(pid_t pid, const char* leaf) {
    return "/proc/" + std::to_string(pid) + "/" + leaf;
}

constexpr std::uint64_t kNoAuditSession = 4294967295u;

std::optional<std::uint64_t> AuditSession(pid_t pid) {
    auto text = ReadWholeFile(ProcPath(pid, "sessionid"));
    if (!text) return std::nullopt;
    auto value = ParseUnsigned(Trim(*text));
    if (!value || *value == kNoAuditSession) return std::nullopt;
    return value;
}

bool UseAuditSessions() { return AuditSession(getpid()).has_value(); }

std::optional<std::uint64_t> SessionOf(pid_t pid, bool audit) {
    if (audit) return AuditSession(pid);
    auto stat = ReadWholeFile(ProcPath(pid, "stat"));
    if (!stat) return std::nullopt;
    return ParseStatSession(*stat);
}

// The terminal-services stand-in, bound on first use and never released: the
// user id owning the login session of a process (logind).
using OwnerUidFn = int(pid_t, uid_t*);
OnDemandEntry<OwnerUidFn>& SessionOwnerUid() {
    static OnDemandEntry<OwnerUidFn> entry("libsystemd.so.0", "sd_pid_get_owner_uid");
    return entry;
}

}  // namespace

void ParseKernelRelease(std::string_view release, std::uint32_t& major, std::uint32_t& minor,
                        std::uint32_t& build) {
    std::uint32_t* parts[] = {&major, &minor, &build};
    for (std::uint32_t* part : parts) *part = 0;
    std::size_t pos = 0;
    for (std::uint32_t* part : parts) {
        const char* begin = release.data() + pos;
        const char* end = release.data() + release.size();
        std::uint32_t value = 0;
        auto [ptr, ec] = std::from_chars(begin, end, value);
        if (ec != std::errc() || ptr == begin) return;
        *part = value;
        pos = static_cast<std::size_t>(ptr - release.data());
        if (pos >= release.size() || release[pos] != '.') return;
        ++pos;
    }
}

std::optional<KernelFacts> QueryKernel() {
    utsname names{};
    if (uname(&names) != 0) return std::nullopt;
    KernelFacts facts{names.sysname, names.nodename, names.release, names.version, names.machine};
    ParseKernelRelease(facts.release, facts.major, facts.minor, facts.build);
    return facts;
}

std::uint16_t ProcessorArchitectureOf(std::string_view machine) {
    if (machine == "x86_64") return PROCESSOR_ARCHITECTURE_AMD64;
    if (machine == "ia64") return PROCESSOR_ARCHITECTURE_IA64;
    if (machine == "aarch64" || machine == "arm64") return PROCESSOR_ARCHITECTURE_ARM64;
    if (machine.starts_with("arm")) return PROCESSOR_ARCHITECTURE_ARM;
    if (machine == "i386" || machine == "i486" || machine == "i586" || machine == "i686" ||
        machine == "x86")
        return PROCESSOR_ARCHITECTURE_INTEL;
    return PROCESSOR_ARCHITECTURE_UNKNOWN;
}

bool IsWow64Analogue(unsigned processPointerBits, std::string_view kernelMachine) {
    if (processPointerBits != 32) return false;
    return kernelMachine == "x86_64" || kernelMachine == "aarch64" || kernelMachine == "arm64" ||
           kernelMachine == "ia64" || kernelMachine == "ppc64" || kernelMachine == "ppc64le" ||
           kernelMachine == "s390x" || kernelMachine == "riscv64" || kernelMachine == "mips64";
}

bool IsWow64Process() {
    auto kernel = QueryKernel();
    return kernel && IsWow64Analogue(sizeof(void*) * 8, kernel->machine);
}

OsRelease ParseOsRelease(std::string_view text) {
    OsRelease release;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        std::string raw = line.substr(equals + 1);
        std::string value;
        // Shell-style quoting: '...' literal, "..." with backslash escapes.
        if (!raw.empty() && (raw[0] == '"' || raw[0] == '\'')) {
            const char quote = raw[0];
            for (std::size_t i = 1; i < raw.size() && raw[i] != quote; ++i) {
                if (quote == '"' && raw[i] == '\\' && i + 1 < raw.size()) ++i;
                value += raw[i];
            }
        } else {
            value = raw;
        }
        if (key == "NAME")
            release.name = value;
        else if (key == "VERSION")
            release.version = value;
        else if (key == "VERSION_ID")
            release.versionId = value;
        else if (key == "PRETTY_NAME")
            release.prettyName = value;
        else if (key == "ID")
            release.id = value;
        else if (key == "VARIANT")
            release.variant = value;
    }
    return release;
}

std::optional<OsRelease> ReadOsRelease(const std::string& path) {
    if (!path.empty()) {
        auto text = ReadWholeFile(path);
        if (!text) return std::nullopt;
        return ParseOsRelease(*text);
    }
    for (const char* candidate : {"/etc/os-release", "/usr/lib/os-release"})
        if (auto text = ReadWholeFile(candidate)) return ParseOsRelease(*text);
    return std::nullopt;
}

std::uint64_t TotalPhysicalMemory() {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) return 0;
    return PhysicalMemoryBytes(info.totalram, info.mem_unit);
}

std::string AccountName(std::uint32_t uid) {
    passwd entry{};
    std::vector<char> buffer;
    const bool found = LookupPasswd([uid](passwd* e, char* b, std::size_t n,
                                          passwd** r) { return getpwuid_r(uid, e, b, n, r); },
                                    entry, buffer);
    return found && entry.pw_name != nullptr ? std::string(entry.pw_name) : std::string();
}

namespace {

// The password entry of an account name; its strings live in buffer.
bool LookupAccount(std::string_view account, passwd& entry, std::vector<char>& buffer) {
    if (account.empty()) return false;
    const std::string name(account);
    return LookupPasswd([&name](passwd* e, char* b, std::size_t n,
                                passwd** r) { return getpwnam_r(name.c_str(), e, b, n, r); },
                        entry, buffer);
}

}  // namespace

std::string AccountHome(std::string_view account) {
    passwd entry{};
    std::vector<char> buffer;
    return LookupAccount(account, entry, buffer) && entry.pw_dir != nullptr
               ? std::string(entry.pw_dir)
               : std::string();
}

std::string AccountSidText(std::string_view account) {
    passwd entry{};
    std::vector<char> buffer;
    return LookupAccount(account, entry, buffer) ? SidToText(UnixUserSid(entry.pw_uid))
                                                 : std::string();
}

std::string GetUserNameText() { return AccountName(geteuid()); }

std::string GetComputerNameText() {
    std::string buffer(256, '\0');
    for (;;) {
        if (gethostname(buffer.data(), buffer.size()) == 0) {
            const std::size_t end = buffer.find('\0');
            if (end != std::string::npos) {
                buffer.resize(end);
                return buffer;
            }
        } else if (errno != ENAMETOOLONG) {
            return {};
        }
        if (buffer.size() >= 65536) return {};
        buffer.assign(NextBufferSize(buffer.size(), 0), '\0');
    }
}

std::string GetWorkgroupName() {
    char buffer[256] = {};
    if (getdomainname(buffer, sizeof buffer - 1) != 0) return {};
    const std::string name = Trim(buffer);
    return name == "(none)" ? std::string() : name;
}

std::string ProcessBaseName(pid_t pid) {
    std::string exe = ReadLink(ProcPath(pid, "exe"));
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.ends_with(kDeleted)) exe.resize(exe.size() - kDeleted.size());
    if (!exe.empty()) return std::string(FileNamePart(exe));
    if (auto cmdline = ReadWholeFile(ProcPath(pid, "cmdline")); cmdline && !cmdline->empty()) {
        const std::string first = cmdline->substr(0, cmdline->find('\0'));
        if (!first.empty()) return std::string(FileNamePart(first));
    }
    if (auto comm = ReadWholeFile(ProcPath(pid, "comm"))) return Trim(*comm);
    return {};
}

std::optional<std::uint32_t> ParseStatusEffectiveUid(std::string_view statusText) {
    std::size_t pos = statusText.starts_with("Uid:") ? 0 : statusText.find("\nUid:");
    if (pos == std::string_view::npos) return std::nullopt;
    if (statusText[pos] == '\n') ++pos;
    std::size_t end = statusText.find('\n', pos);
    if (end == std::string_view::npos) end = statusText.size();
    std::istringstream fields(std::string(statusText.substr(pos + 4, end - pos - 4)));
    std::uint64_t real = 0;
    std::uint64_t effective = 0;
    if (!(fields >> real >> effective) || effective > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(effective);
}

std::optional<std::uint64_t> ParseStatSession(std::string_view statText) {
    // pid (comm) state ppid pgrp session ...; comm may hold blanks and ')'.
    const std::size_t close = statText.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    std::istringstream fields(std::string(statText.substr(close + 1)));
    std::string state;
    std::int64_t ppid = 0;
    std::int64_t pgrp = 0;
    std::int64_t session = 0;
    if (!(fields >> state >> ppid >> pgrp >> session) || session < 0) return std::nullopt;
    return static_cast<std::uint64_t>(session);
}

std::optional<std::uint32_t> ProcessOwnerUid(pid_t pid) {
    auto status = ReadWholeFile(ProcPath(pid, "status"));
    if (!status) return std::nullopt;
    return ParseStatusEffectiveUid(*status);
}

std::optional<std::uint64_t> ProcessSession(pid_t pid) {
    return SessionOf(pid, UseAuditSessions());
}

std::uint64_t CurrentSession() { return ProcessSession(getpid()).value_or(0); }

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> processes;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return processes;
    const bool audit = UseAuditSessions();
    while (dirent* entry = readdir(proc)) {
        auto pid = ParseUnsigned(entry->d_name);
        if (!pid || std::string_view(entry->d_name).find_first_not_of("0123456789") !=
                        std::string_view::npos)
            continue;
        const auto id = static_cast<pid_t>(*pid);
        ProcessEntry process;
        process.pid = id;
        process.name = ProcessBaseName(id);
        auto session = SessionOf(id, audit);
        if (process.name.empty() || !session) continue;  // gone meanwhile
        process.session = *session;
        process.ownerUid = ProcessOwnerUid(id);
        processes.push_back(std::move(process));
    }
    closedir(proc);
    return processes;
}

pid_t FindProcessId(std::string_view name) {
    if (name.empty()) return 0;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return 0;
    pid_t found = 0;
    while (dirent* entry = readdir(proc)) {
        const std::string_view digits(entry->d_name);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const auto pid = static_cast<pid_t>(ParseUnsigned(digits).value_or(0));
        if (pid != 0 && SameFileName(ProcessBaseName(pid), name)) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}

bool GetProcessUserAndDomain(pid_t pid, std::string& user, std::string& domain) {
    user.clear();
    domain.clear();
    const auto uid = ProcessOwnerUid(pid);
    if (!uid) return false;
    user = AccountName(*uid);
    if (!user.empty())
        domain = GetComputerNameText();  // local accounts belong to the machine
    else
        user = SidToText(UnixUserSid(*uid));
    return true;
}

const std::vector<std::string>& DesktopShellNames() {
    static const std::vector<std::string> names = {
        "gnome-shell",  "plasmashell", "xfce4-session", "mate-session", "cinnamon",
        "lxqt-session", "lxsession",   "budgie-wm",     "explorer.exe",
    };
    return names;
}

std::string ShellProcessUser(const std::vector<std::string>& shellNames,
                             std::string_view computerName, std::string& domain) {
    domain.clear();
    std::string user;
    const auto shell = SelectSessionProcess(ListProcesses(), shellNames, CurrentSession());
    if (shell) GetProcessUserAndDomain(static_cast<pid_t>(shell->pid), user, domain);
    if (user.empty()) {
        uid_t uid = 0;
        const auto rc = SessionOwnerUid()(0, &uid);
        const bool sessionKnown = rc && *rc >= 0;
        if (sessionKnown) user = AccountName(uid);
        if (user.empty()) user = GetUserNameText();
        // The session's domain: local accounts belong to the machine.
        if (sessionKnown) domain = GetComputerNameText();
    }
    return UserAtDomain(user, domain, computerName);
}

std::vector<std::string> ReadEnvironment() {
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    return environment;
}

std::string ExpandEnvironmentText(std::string_view text, bool alsoBackslashNames) {
    return ExpandEnvironmentText(text, ReadEnvironment(), alsoBackslashNames);
}

std::optional<std::string> ParseXdgDesktopDir(std::string_view userDirsText,
                                              std::string_view home) {
    std::optional<std::string> found;
    std::size_t start = 0;
    while (start < userDirsText.size()) {
        std::size_t end = userDirsText.find('\n', start);
        if (end == std::string_view::npos) end = userDirsText.size();
        const std::string line = Trim(userDirsText.substr(start, end - start));
        start = end + 1;
        constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
        if (!line.starts_with(kKey)) continue;
        std::string value = line.substr(kKey.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        std::string path;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            path += value[i];
        }
        if (path == "$HOME" || path.starts_with("$HOME/"))
            found = std::string(home) + path.substr(5);
        else if (path.starts_with("/"))
            found = path;
        // Any other form is not valid in user-dirs.dirs and is ignored.
    }
    if (found && found->size() > 1 && found->back() == '/') found->pop_back();
    return found;
}

std::string DesktopFolder() {
    std::string home = AccountHome(GetUserNameText());
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') home = env;
    if (home.empty()) return {};
    std::string config;
    if (const char* env = std::getenv("XDG_CONFIG_HOME"); env != nullptr && env[0] == '/')
        config = env;
    else
        config = home + "/.config";
    if (auto text = ReadWholeFile(config + "/user-dirs.dirs"))
        if (auto desktop = ParseXdgDesktopDir(*text, home)) return *desktop;
    return home + "/Desktop";
}

std::string ProfileFolder(std::string_view shellUser) {
    const std::string account(shellUser.substr(0, shellUser.find('@')));
    std::string profile = AccountHome(account);
    if (!profile.empty()) return profile;
    return ParentFolder(DesktopFolder());
}

}  // namespace sysunits
