#include "testbench/sysinfo/system_info.h"

#include <unistd.h>

#include <cstdio>

#include "testbench/sysinfo/os_identity.h"

namespace sysunits {

std::vector<LibraryBinding> DefaultLibraryBindings() {
    return {
        {"netapi32.dll",
         "libc.so.6",
         "getdomainname",
         {"getdomainname", "gethostname", "getaddrinfo", "freeaddrinfo", "getnameinfo"},
         false},
        {"psapi.dll",
         "libproc2.so.0",
         "procps_pids_new",
         {"procps_pids_new", "procps_pids_unref", "procps_pids_get", "procps_pids_reap"},
         true},
        {"NTDLL.DLL", "libc.so.6", "syscall", {"syscall", "getsid", "sysinfo"}, true},
        {"KERNEL32.DLL", "libc.so.6", "", {"sched_setaffinity", "uname", "personality"}, false},
        {"advapi32.dll", "libsystemd.so.0", "sd_notify", {"sd_notify"}, false},
        {"irprops.cpl",
         "libbluetooth.so.3",
         "hci_get_route",
         {"hci_get_route", "hci_open_dev", "hci_close_dev", "hci_inquiry", "hci_read_remote_name",
          "hci_devinfo", "str2ba", "ba2str"},
         true},
        {"powrprof.dll",
         "libupower-glib.so.3",
         "up_client_new",
         {"up_client_new", "up_client_get_on_battery", "up_client_get_lid_is_closed",
          "up_client_get_devices2"},
         true},
    };
}

SystemInfoRecord ReadSystemInfoRecord() {
    SystemInfoRecord r;
    // Step 1: the WOW64 analogue, then the system information record.
    if (auto kernel = QueryKernel()) r.kernel = *kernel;
    r.isWow64 = IsWow64Analogue(sizeof(void*) * 8, r.kernel.machine);
    r.processorArchitecture = ProcessorArchitectureOf(r.kernel.machine);
    const long cpus = sysconf(_SC_NPROCESSORS_CONF);
    r.processorCount = cpus > 0 ? static_cast<std::uint32_t>(cpus) : 0;
    // Steps 2 and 3: the version record and the names.
    if (auto release = ReadOsRelease()) r.osRelease = *release;
    r.osName = r.osRelease.name.empty() ? r.kernel.sysname : r.osRelease.name;
    r.osEdition = Trim(!r.osRelease.version.empty() ? r.osRelease.version : r.osRelease.variant);
    r.osFullName = FullName(r.osName, r.osEdition);
    // Step 4: user, workgroup, computer name, profile folder (through the
    // shell-process user, which sets the domain to the shell user's).
    r.userName = GetUserNameText();
    r.domainName = GetWorkgroupName();
    r.computerName = AsciiUpper(GetComputerNameText());
    r.shellUser = ShellProcessUser(DesktopShellNames(), r.computerName, r.domainName);
    r.profileFolder = ProfileFolder(r.shellUser);
    // Step 5: memory.
    r.totalPhysicalMemory = TotalPhysicalMemory();
    // Step 6: the program's own version record.
    r.programVersionRead = ReadFileVersionRecord(ProgramFileName(), r.programVersion);
    return r;
}

SystemInfoUnits::SystemInfoUnits(std::vector<LibraryBinding> bindings, const LoaderOps& loader)
    : bindings_(std::move(bindings)) {
    for (const LibraryBinding& b : bindings_)
        libraries_.push_back(
            std::make_unique<OptionalLibrary>(b.name, b.keyEntry, b.entries, loader));
}

SystemInfoUnits::~SystemInfoUnits() = default;

void SystemInfoUnits::Initialize() noexcept {
    try {
        for (auto& library : libraries_) library->Bind();
        record_ = ReadSystemInfoRecord();
    } catch (...) {
        // Out of memory while filling texts: start-up goes on with what is there.
    }
    initialized_ = true;
}

int SystemInfoUnits::Finalize(const ReportSink& sink) noexcept {
    int failures = 0;
    for (std::size_t i = libraries_.size(); i-- > 0;) {
        if (!bindings_[i].released) continue;
        if (auto report = libraries_[i]->Unbind()) {
            ++failures;
            try {
                if (sink) sink(*report);
            } catch (...) {
                // A sink that throws does not stop the finalisation.
            }
        }
    }
    record_ = SystemInfoRecord{};
    initialized_ = false;
    return failures;
}

const OptionalLibrary* SystemInfoUnits::Library(std::string_view role) const {
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        if (bindings_[i].role == role) return libraries_[i].get();
    return nullptr;
}

namespace {

SystemInfoUnits*& ProcessUnits() {
    static SystemInfoUnits* units = nullptr;
    return units;
}

}  // namespace

void InitializeSystemInfo() noexcept {
    try {
        if (ProcessUnits() == nullptr) ProcessUnits() = new SystemInfoUnits();
    } catch (...) {
        return;
    }
    ProcessUnits()->Initialize();
}

int FinalizeSystemInfo() noexcept {
    SystemInfoUnits* units = ProcessUnits();
    if (units == nullptr) return 0;
    const int failures = units->Finalize([](std::string_view report) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(report.size()), report.data());
    });
    ProcessUnits() = nullptr;
    delete units;
    return failures;
}

const SystemInfoRecord& SystemInfo() {
    static const SystemInfoRecord empty;
    return ProcessUnits() != nullptr ? ProcessUnits()->Record() : empty;
}

}  // namespace sysunits
