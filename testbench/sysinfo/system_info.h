#pragma once

// The start-up record of the system-information units
// and its two entries: InitializeSystemInfo at program start, before the main
// window exists; FinalizeSystemInfo at program end, after it is gone. Neither
// throws; an unload failure at the end is reported and the rest still runs.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "testbench/sysinfo/file_version.h"
#include "testbench/sysinfo/library_binder.h"
#include "testbench/sysinfo/linux_queries.h"

namespace sysunits {

struct SystemInfoRecord {
    // From uname and /etc/os-release.
    bool isWow64 = false;
    std::uint16_t processorArchitecture = 0;
    std::uint32_t processorCount = 0;
    KernelFacts kernel;
    OsRelease osRelease;
    std::string osName;                     // NAME
    std::string osEdition;                  // VERSION, else VARIANT
    std::string osFullName;                 // "%s %s" of name and edition, trimmed
    std::uint64_t totalPhysicalMemory = 0;  // bytes, whole
    std::string userName;
    std::string domainName;    // the workgroup, then the shell user's domain
    std::string computerName;  // upper case
    std::string shellUser;
    std::string profileFolder;
    FileVersionRecord programVersion;
    bool programVersionRead = false;
};

// One library of the start-up bindings, in the order of binding.
struct LibraryBinding {
    std::string role;  // the Windows library it stands for
    std::string name;
    std::string keyEntry;
    std::vector<std::string> entries;
    bool released = true;  // released at the end (when loaded by us)
};

// The Linux libraries bound at start-up, in this order: network,
// process status, kernel interface, kernel extras, service, Bluetooth, power.
std::vector<LibraryBinding> DefaultLibraryBindings();

// Receives each report of the finalisation.
using ReportSink = std::function<void(std::string_view)>;

class SystemInfoUnits {
  public:
    explicit SystemInfoUnits(std::vector<LibraryBinding> bindings = DefaultLibraryBindings(),
                             const LoaderOps& loader = SystemLoader());
    ~SystemInfoUnits();
    SystemInfoUnits(const SystemInfoUnits&) = delete;
    SystemInfoUnits& operator=(const SystemInfoUnits&) = delete;

    // Binds the libraries, then fills the record. Nothing thrown.
    void Initialize() noexcept;
    // Releases the libraries in the order of unbinding (the reverse of
    // binding) and the record's texts. An unload failure is reported through
    // `sink` and the next library is still released. Returns the number of
    // failures.
    int Finalize(const ReportSink& sink) noexcept;

    const SystemInfoRecord& Record() const { return record_; }
    const OptionalLibrary* Library(std::string_view role) const;
    bool Initialized() const { return initialized_; }

  private:
    std::vector<LibraryBinding> bindings_;
    std::vector<std::unique_ptr<OptionalLibrary>> libraries_;
    SystemInfoRecord record_;
    bool initialized_ = false;
};

// Fills the record without the library bindings.
SystemInfoRecord ReadSystemInfoRecord();

// The process-wide units for the bench: call InitializeSystemInfo() once at
// program start (before the main window is created) and FinalizeSystemInfo()
// once at the end (after the window is gone). FinalizeSystemInfo writes each
// report to standard error and returns the number of failures.
void InitializeSystemInfo() noexcept;
int FinalizeSystemInfo() noexcept;
const SystemInfoRecord& SystemInfo();

}  // namespace sysunits
