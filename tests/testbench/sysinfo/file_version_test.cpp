#include "testbench/sysinfo/file_version.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

namespace {

using namespace sysunits;

VersionResource SampleResource() {
    VersionResource r;
    r.fileVersionMS = 0x00020005;
    r.fileVersionLS = 0x0007000B;
    r.productVersionMS = 0x00030000;
    r.productVersionLS = 0x00010002;
    r.translations = {0x04B00804, 0x04E40409};
    r.strings = {
        {"\\StringFileInfo\\080404B0\\ProductVersion", "3.0"},
        {"\\StringFileInfo\\080404B0\\FileVersion", "2.5.7.11"},
        {"\\StringFileInfo\\080404B0\\FileDescription", "desc"},
        {"\\StringFileInfo\\080404B0\\LegalCopyright", "(c)"},
        {"\\StringFileInfo\\080404B0\\Comments", "note"},
        {"\\StringFileInfo\\080404B0\\ProductName", "Product"},
        {"\\StringFileInfo\\080404B0\\CompanyName", "Company"},
        {"\\StringFileInfo\\080404B0\\InternalName", "internal"},
        // Only the first translation is read; the unreordered key never is.
        {"\\StringFileInfo\\040904E4\\SpecialBuild", "other block"},
        {"\\StringFileInfo\\04B00804\\SpecialBuild", "not reordered"},
    };
    return r;
}

TEST(FileVersionRecord, FixedPartSplitAndStringsThroughTheTranslation) {
    const VersionResource resource = SampleResource();
    FileVersionRecord record;
    record.specialBuild = "stale";
    ASSERT_TRUE(FillFileVersionRecord("C:\\x.exe", &resource, record));
    EXPECT_EQ(record.fileName, "C:\\x.exe");
    EXPECT_EQ(record.fileVersionMajor, 2u);
    EXPECT_EQ(record.fileVersionMinor, 5u);
    EXPECT_EQ(record.fileVersionRelease, 7u);
    EXPECT_EQ(record.fileVersionBuild, 11u);
    EXPECT_EQ(record.productVersionMajor, 3u);
    EXPECT_EQ(record.productVersionMinor, 0u);
    EXPECT_EQ(record.productVersionRelease, 1u);
    EXPECT_EQ(record.productVersionBuild, 2u);
    EXPECT_EQ(record.productVersion, "3.0");
    EXPECT_EQ(record.fileVersion, "2.5.7.11");
    EXPECT_EQ(record.description, "desc");
    EXPECT_EQ(record.copyright, "(c)");
    EXPECT_EQ(record.comments, "note");
    EXPECT_EQ(record.productName, "Product");
    EXPECT_EQ(record.companyName, "Company");
    EXPECT_EQ(record.internalName, "internal");
    EXPECT_EQ(record.specialBuild, "");  // missing key: empty, the record was cleared
}

TEST(FileVersionRecord, NoResourceOrNoTranslation) {
    FileVersionRecord record;
    record.productName = "stale";
    EXPECT_FALSE(FillFileVersionRecord("/bin/sh", nullptr, record));
    EXPECT_EQ(record.fileName, "/bin/sh");
    EXPECT_EQ(record.productName, "");

    VersionResource bare = SampleResource();
    bare.translations.clear();
    EXPECT_TRUE(FillFileVersionRecord("y", &bare, record));
    EXPECT_EQ(record.fileVersionMajor, 2u);
    EXPECT_EQ(record.productName, "");
}

TEST(FileVersionRecord, ProgramsOwnRecordFromTheProjectVersion) {
    const std::string self = ProgramFileName();
    ASSERT_FALSE(self.empty());
    FileVersionRecord record;
    ASSERT_TRUE(ReadFileVersionRecord(self, record));
    EXPECT_EQ(record.fileName, self);

    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(KORVICARD_TEST_PROJECT_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
    EXPECT_EQ(record.fileVersionMajor, major);
    EXPECT_EQ(record.fileVersionMinor, minor);
    EXPECT_EQ(record.fileVersionRelease, patch);
    EXPECT_EQ(record.productVersionMajor, major);
    EXPECT_EQ(record.productVersionMinor, minor);
    EXPECT_EQ(record.productVersionRelease, patch);
    EXPECT_EQ(record.productVersion, KORVICARD_TEST_PROJECT_VERSION);
    EXPECT_EQ(record.fileVersion.rfind(KORVICARD_TEST_PROJECT_VERSION, 0), 0u);
    EXPECT_EQ(record.productName, KORVICARD_TEST_PROJECT_NAME);
    EXPECT_EQ(record.internalName, "TestKorviCardReader");
    EXPECT_FALSE(record.companyName.empty());
    EXPECT_FALSE(record.description.empty());
    EXPECT_EQ(record.comments, "");
    EXPECT_EQ(record.specialBuild, "");

    // The same file by another path (a link) is still the program's.
    char link[] = "/tmp/korvicard_sysinfo_selfXXXXXX";
    ASSERT_NE(mkdtemp(link), nullptr);
    const std::string linked = std::string(link) + "/self";
    ASSERT_EQ(symlink(self.c_str(), linked.c_str()), 0);
    EXPECT_TRUE(ReadFileVersionRecord(linked, record));
    unlink(linked.c_str());
    rmdir(link);
}

TEST(FileVersionRecord, OtherFilesHaveNoResource) {
    FileVersionRecord record;
    EXPECT_FALSE(ReadFileVersionRecord("/bin/sh", record));
    EXPECT_EQ(record.fileName, "/bin/sh");
    EXPECT_EQ(record.fileVersionMajor, 0u);
    EXPECT_FALSE(ReadFileVersionRecord("/nonexistent/file", record));
    EXPECT_FALSE(ReadFileVersionRecord("", record));
}

}  // namespace
