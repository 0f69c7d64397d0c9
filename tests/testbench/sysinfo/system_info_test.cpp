#include "testbench/sysinfo/system_info.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdio>

#include "testbench/sysinfo/os_identity.h"

namespace {

using namespace sysunits;

bool InProcess(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

// Fails the close of the first library it is asked to close, then closes.
int closes = 0;
void* failedHandle = nullptr;
int FailFirstClose(void* handle) {
    if (closes++ == 0) {
        failedHandle = handle;
        return -1;
    }
    return dlclose(handle);
}

std::vector<LibraryBinding> TestBindings() {
    return {
        {"netapi32.dll", "libc.so.6", "getdomainname", {"getdomainname"}, false},
        {"psapi.dll", SYSINFO_TEST_LIB_PRESENT, "SysinfoTestKey", {"SysinfoTestKey"}, true},
        {"irprops.cpl",
         SYSINFO_TEST_LIB_DIR "/libsysinfo_test_absent.so",
         "SysinfoTestKey",
         {"SysinfoTestKey"},
         true},
        {"powrprof.dll", SYSINFO_TEST_LIB_NO_KEY, "SysinfoTestKey", {"SysinfoTestAdd"}, true},
    };
}

TEST(SystemInfoUnits, StartUpBindsAndFillsEndReleasesAndReportsWithoutThrowing) {
    static const LoaderOps ops{&dlopen, &dlsym, &FailFirstClose, &dlerror};
    closes = 0;
    SystemInfoUnits units(TestBindings(), ops);
    units.Initialize();
    ASSERT_TRUE(units.Initialized());
    EXPECT_TRUE(units.Library("netapi32.dll")->Available());
    EXPECT_TRUE(units.Library("psapi.dll")->Available());
    EXPECT_FALSE(units.Library("irprops.cpl")->Available());   // absent: start-up goes on
    EXPECT_FALSE(units.Library("powrprof.dll")->Available());  // no key entry point
    EXPECT_EQ(units.Library("nothing"), nullptr);
    EXPECT_TRUE(InProcess(SYSINFO_TEST_LIB_PRESENT));
    EXPECT_TRUE(InProcess(SYSINFO_TEST_LIB_NO_KEY));
    EXPECT_FALSE(units.Record().userName.empty());

    // Unbinding runs backwards: power first (its close fails), then process status.
    std::vector<std::string> reports;
    int failures = -1;
    EXPECT_NO_THROW(failures = units.Finalize([&](std::string_view r) {
        reports.emplace_back(r);
        throw std::runtime_error("a sink that throws");
    }));
    EXPECT_EQ(failures, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(
        reports[0].rfind(std::string("Unload Error: ") + SYSINFO_TEST_LIB_NO_KEY + " - 0x", 0), 0u)
        << reports[0];
    EXPECT_FALSE(InProcess(SYSINFO_TEST_LIB_PRESENT));  // the next one was still released
    EXPECT_FALSE(units.Initialized());
    EXPECT_TRUE(units.Record().userName.empty());  // the texts are released
    dlclose(failedHandle);
}

TEST(SystemInfoUnits, RecordOfThisMachine) {
    const SystemInfoRecord r = ReadSystemInfoRecord();
    struct sysinfo info {};
    ASSERT_EQ(sysinfo(&info), 0);
    EXPECT_EQ(r.totalPhysicalMemory, static_cast<std::uint64_t>(info.totalram) * info.mem_unit);
    EXPECT_EQ(r.userName, GetUserNameText());
    EXPECT_EQ(r.computerName, AsciiUpper(GetComputerNameText()));
    EXPECT_FALSE(r.osName.empty());
    EXPECT_EQ(r.osFullName, FullName(r.osName, r.osEdition));
    EXPECT_FALSE(r.kernel.release.empty());
    EXPECT_FALSE(r.isWow64);
    EXPECT_GT(r.processorCount, 0u);
    EXPECT_FALSE(r.profileFolder.empty());
    EXPECT_FALSE(r.shellUser.empty());
    EXPECT_TRUE(r.programVersionRead);
    EXPECT_EQ(r.programVersion.productVersion, KORVICARD_TEST_PROJECT_VERSION);
}

TEST(SystemInfoUnits, ProcessWideEntries) {
    EXPECT_TRUE(SystemInfo().userName.empty());
    InitializeSystemInfo();
    EXPECT_EQ(SystemInfo().userName, GetUserNameText());
    EXPECT_EQ(SystemInfo().totalPhysicalMemory, TotalPhysicalMemory());
    EXPECT_EQ(FinalizeSystemInfo(), 0);
    EXPECT_TRUE(SystemInfo().userName.empty());
    EXPECT_EQ(FinalizeSystemInfo(), 0);  // a second end has nothing to do
}

TEST(SystemInfoUnits, DefaultBindingsInTheirOrder) {
    const auto bindings = DefaultLibraryBindings();
    const char* const roles[] = {"netapi32.dll", "psapi.dll",   "NTDLL.DLL",   "KERNEL32.DLL",
                                 "advapi32.dll", "irprops.cpl", "powrprof.dll"};
    ASSERT_EQ(bindings.size(), std::size(roles));
    for (std::size_t i = 0; i < bindings.size(); ++i) EXPECT_EQ(bindings[i].role, roles[i]);
    // The network and service libraries and the kernel extras stay bound.
    EXPECT_FALSE(bindings[0].released);
    EXPECT_FALSE(bindings[3].released);
    EXPECT_FALSE(bindings[4].released);
}

}  // namespace
