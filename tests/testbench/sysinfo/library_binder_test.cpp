#include "testbench/sysinfo/library_binder.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using namespace sysunits;

// Each library is its own file so that one test's loading never changes the
// state another test starts from.
const char* const kPresent = SYSINFO_TEST_LIB_PRESENT;
const char* const kNoKey = SYSINFO_TEST_LIB_NO_KEY;
const char* const kAlreadyLoaded = SYSINFO_TEST_LIB_ALREADY_LOADED;
const char* const kOnDemand = SYSINFO_TEST_LIB_ON_DEMAND;
const char* const kAbsent = SYSINFO_TEST_LIB_DIR "/libsysinfo_test_absent.so";

const std::vector<std::string> kEntries = {"SysinfoTestKey", "SysinfoTestAdd", "SysinfoTestCalls",
                                           "SysinfoTestMissing"};

bool InProcess(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

TEST(OptionalLibrary, AbsentLibraryIsNotAvailable) {
    OptionalLibrary library(kAbsent, "SysinfoTestKey", kEntries);
    EXPECT_FALSE(library.Bind());
    EXPECT_FALSE(library.Available());
    EXPECT_FALSE(library.LoadedByUs());
    EXPECT_EQ(library.Handle(), nullptr);
    for (const std::string& entry : kEntries) EXPECT_EQ(library.Entry(entry), nullptr);
    EXPECT_NE(library.LastError().find("libsysinfo_test_absent.so"), std::string::npos)
        << library.LastError();
    EXPECT_EQ(library.Unbind(), std::nullopt);
}

TEST(OptionalLibrary, PresentWithoutKeyEntryIsNotAvailable) {
    ASSERT_FALSE(InProcess(kNoKey));
    OptionalLibrary library(kNoKey, "SysinfoTestKey", kEntries);
    EXPECT_FALSE(library.Bind());
    EXPECT_FALSE(library.Available());
    EXPECT_TRUE(library.LoadedByUs());
    EXPECT_NE(library.Handle(), nullptr);
    // The entry points that exist are still fetched.
    auto* add = library.EntryAs<int(int, int)>("SysinfoTestAdd");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(library.Entry("SysinfoTestKey"), nullptr);
    EXPECT_NE(library.LastError().find("SysinfoTestKey"), std::string::npos) << library.LastError();
    // Loaded by us, so released at the end.
    EXPECT_EQ(library.Unbind(), std::nullopt);
    EXPECT_EQ(library.Handle(), nullptr);
    EXPECT_FALSE(InProcess(kNoKey));
}

TEST(OptionalLibrary, PresentLibraryIsBoundAndReleased) {
    ASSERT_FALSE(InProcess(kPresent));
    OptionalLibrary library(kPresent, "SysinfoTestKey", kEntries);
    EXPECT_TRUE(library.Bind());
    EXPECT_TRUE(library.Available());
    EXPECT_TRUE(library.LoadedByUs());
    EXPECT_TRUE(InProcess(kPresent));
    auto* key = library.EntryAs<int()>("SysinfoTestKey");
    auto* add = library.EntryAs<int(int, int)>("SysinfoTestAdd");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(key(), 0x5A);
    EXPECT_EQ(add(40, 2), 42);
    // A missing entry point leaves its variable empty and the library available.
    EXPECT_EQ(library.Entry("SysinfoTestMissing"), nullptr);
    EXPECT_EQ(library.Entry("NotListed"), nullptr);

    EXPECT_EQ(library.Unbind(), std::nullopt);
    EXPECT_EQ(library.Handle(), nullptr);
    EXPECT_FALSE(library.Available());
    EXPECT_EQ(library.Entry("SysinfoTestAdd"), nullptr);
    EXPECT_FALSE(InProcess(kPresent));
    // A second unbind has nothing to do.
    EXPECT_EQ(library.Unbind(), std::nullopt);
}

TEST(OptionalLibrary, AlreadyLoadedLibraryIsNeverFreed) {
    void* own = dlopen(kAlreadyLoaded, RTLD_NOW);
    ASSERT_NE(own, nullptr) << dlerror();
    {
        OptionalLibrary library(kAlreadyLoaded, "SysinfoTestKey", kEntries);
        EXPECT_TRUE(library.Bind());
        EXPECT_FALSE(library.LoadedByUs());
        EXPECT_EQ(library.Handle(), own);  // the same module
        EXPECT_EQ(library.Unbind(), std::nullopt);
        EXPECT_NE(library.Handle(), nullptr);  // not released
    }
    // Our own reference goes; the binding's stays, so the library stays.
    EXPECT_EQ(dlclose(own), 0);
    EXPECT_TRUE(InProcess(kAlreadyLoaded));
}

TEST(OptionalLibrary, AlreadyLoadedSystemLibrary) {
    OptionalLibrary libc("libc.so.6", "getdomainname", {"getdomainname", "gethostname"});
    EXPECT_TRUE(libc.Bind());
    EXPECT_FALSE(libc.LoadedByUs());
    EXPECT_NE(libc.Entry("gethostname"), nullptr);
    EXPECT_EQ(libc.Unbind(), std::nullopt);
    EXPECT_NE(libc.Handle(), nullptr);
}

// A loader whose dlclose fails, for the unload report.
int failingClose(void*) { return -1; }
char* failingError() {
    static char text[] = "the loader refused";
    return text;
}

TEST(OptionalLibrary, UnloadFailureIsReportedNotThrown) {
    static const LoaderOps ops{&dlopen, &dlsym, &failingClose, &failingError};
    OptionalLibrary library(kPresent, "SysinfoTestKey", kEntries, ops);
    ASSERT_TRUE(library.Bind());
    void* handle = library.Handle();
    std::optional<std::string> report;
    EXPECT_NO_THROW(report = library.Unbind());
    ASSERT_TRUE(report);
    char expected[512];
    std::snprintf(expected, sizeof expected, "Unload Error: %s - 0x%llx: the loader refused",
                  kPresent,
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    EXPECT_EQ(*report, expected);
    EXPECT_EQ(library.Handle(), handle);  // still held after the failure
    dlclose(handle);                      // the test releases it itself
}

TEST(OnDemandEntry, BindsOnFirstUseThenGoesStraightThrough) {
    ASSERT_FALSE(InProcess(kOnDemand));
    OnDemandEntry<int(int, int)> add(kOnDemand, "SysinfoTestAdd");
    EXPECT_FALSE(add.Bound());
    EXPECT_FALSE(InProcess(kOnDemand));  // nothing happens before the first call
    EXPECT_EQ(add(1, 2), 3);
    EXPECT_TRUE(add.Bound());
    EXPECT_TRUE(InProcess(kOnDemand));
    EXPECT_EQ(add(20, 22), 42);
    // Both calls reached the library's own function.
    OnDemandEntry<int()> calls(kOnDemand, "SysinfoTestCalls");
    EXPECT_EQ(calls(), 2);
}

TEST(OnDemandEntry, MissingLibraryOrEntryIsAFailedCall) {
    OnDemandEntry<int(int, int)> absent(kAbsent, "SysinfoTestAdd");
    EXPECT_EQ(absent(1, 2), std::nullopt);
    EXPECT_FALSE(absent.Bound());
    EXPECT_FALSE(absent.LastError().empty());

    OnDemandEntry<int()> missing(kNoKey, "SysinfoTestKey");
    EXPECT_EQ(missing(), std::nullopt);
    EXPECT_FALSE(missing.Bound());
    EXPECT_NE(missing.LastError().find("SysinfoTestKey"), std::string::npos);
    // The attempt gives back what it took.
    EXPECT_FALSE(InProcess(kNoKey));
}

}  // namespace
