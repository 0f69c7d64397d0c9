#include "testbench/sysinfo/account_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace sysunits;

Sid MakeSid(std::array<std::uint8_t, 6> authority, std::vector<std::uint32_t> subs,
            std::uint8_t revision = 1) {
    Sid sid;
    sid.revision = revision;
    sid.authority = authority;
    sid.subAuthorities = std::move(subs);
    return sid;
}

// Fault: each non-zero authority byte was written on its own, so the null SID
// came out as "S-1--0" and authorities of more than one byte were wrong.
TEST(SidToText, StandardFormForEveryAuthority) {
    struct Case {
        Sid sid;
        const char* text;
    } const cases[] = {
        {MakeSid({0, 0, 0, 0, 0, 0}, {0}), "S-1-0-0"},    // null SID
        {MakeSid({0, 0, 0, 0, 0, 1}, {0}), "S-1-1-0"},    // Everyone
        {MakeSid({0, 0, 0, 0, 0, 2}, {0}), "S-1-2-0"},    // Local
        {MakeSid({0, 0, 0, 0, 0, 3}, {0}), "S-1-3-0"},    // Creator owner
        {MakeSid({0, 0, 0, 0, 0, 5}, {18}), "S-1-5-18"},  // Local System
        {MakeSid({0, 0, 0, 0, 0, 5}, {32, 544}), "S-1-5-32-544"},
        {MakeSid({0, 0, 0, 0, 0, 5}, {21, 1004336348, 1177238915, 682003330, 1001}),
         "S-1-5-21-1004336348-1177238915-682003330-1001"},
        {MakeSid({0, 0, 0, 0, 0, 16}, {12288}), "S-1-16-12288"},  // high integrity
        {MakeSid({0, 0, 0, 0, 0, 22}, {1, 1000}), "S-1-22-1-1000"},
        {MakeSid({0, 0, 0, 0, 1, 0}, {1}), "S-1-256-1"},
        {MakeSid({0, 0, 0, 1, 0, 0}, {}), "S-1-65536"},
        {MakeSid({0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, {4294967295u}), "S-1-4294967295-4294967295"},
        {MakeSid({0, 1, 0, 0, 0, 0}, {7}), "S-1-0x000100000000-7"},
        {MakeSid({0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}, {}), "S-1-0x123456789abc"},
        {MakeSid({0, 0, 0, 0, 0, 5}, {0}, 2), "S-2-5-0"},
    };
    for (const Case& c : cases) EXPECT_EQ(SidToText(c.sid), c.text);
    EXPECT_EQ(SidToText(UnixUserSid(1000)), "S-1-22-1-1000");
}

struct ExpandCase {
    const char* what;
    std::string text;
    std::vector<std::string> environment;
    bool backslashNames;
    std::string expected;
};

TEST(ExpandEnvironmentText, Cases) {
    const std::string longTail(5000, 'x');
    const ExpandCase cases[] = {
        {"SystemDrive at the start",
         "%SystemDrive%\\Documents and Settings\\oscar",
         {"SystemDrive=C:"},
         true,
         "C:\\Documents and Settings\\oscar"},
        {"two variables",
         "%SystemRoot%\\Profiles\\%USERNAME%",
         {"SystemRoot=C:\\WINNT", "USERNAME=oscar"},
         false,
         "C:\\WINNT\\Profiles\\oscar"},
        {"names ignore case", "%systemdrive%\\x", {"SYSTEMDRIVE=D:"}, false, "D:\\x"},
        {"text keeps its case", "%A%\\MiXeD", {"a=Value"}, false, "Value\\MiXeD"},
        {"one replacement per entry", "%A%-%A%", {"A=1"}, false, "1-%A%"},
        {"unknown name stays", "%NOPE%\\x", {"A=1"}, true, "%NOPE%\\x"},
        // Fault: "\OS" matched inside "\oscar" and cut the profile path.
        {"profile path stays intact",
         "C:\\Users\\oscar",
         {"OS=Windows_NT", "USERS=x", "OSCAR=y"},
         true,
         "C:\\Users\\oscar"},
        {"backslash name only at the start",
         "C:\\WINDIR",
         {"WINDIR=C:\\Windows"},
         true,
         "C:\\WINDIR"},
        {"backslash name alone", "\\SystemRoot", {"SYSTEMROOT=C:\\WINNT"}, true, "C:\\WINNT"},
        {"backslash name matches whole before a separator",
         "\\SYSTEMROOT\\Profiles",
         {"SystemRoot=C:\\WINNT"},
         true,
         "C:\\WINNT\\Profiles"},
        {"backslash form needs the flag",
         "\\SYSTEMROOT\\Profiles",
         {"SystemRoot=C:\\WINNT"},
         false,
         "\\SYSTEMROOT\\Profiles"},
        {"backslash name inside a longer component", "\\OSCAR\\OS", {"OS=nt"}, true, "\\OSCAR\\OS"},
        {"backslash name before a forward slash", "\\HOME/x", {"HOME=/root"}, true, "/root/x"},
        {"percent form first", "%OS%\\OS", {"OS=nt"}, true, "nt\\OS"},
        // Fault: only 1,024 characters after a replacement were kept.
        {"long tail kept whole", "%A%" + longTail, {"A=1"}, false, "1" + longTail},
        {"entries without a name are skipped",
         "%X%",
         {"=C:=C:\\", "noequals", "", "X=y"},
         false,
         "y"},
        {"per-drive entry", "%=C:%", {"=C:=C:\\dir"}, false, "C:\\dir"},
        {"value with equals", "%A%", {"A=b=c"}, false, "b=c"},
        {"empty value", "[%A%]", {"A="}, false, "[]"},
    };
    for (const ExpandCase& c : cases)
        EXPECT_EQ(ExpandEnvironmentText(c.text, c.environment, c.backslashNames), c.expected)
            << c.what;
}

TEST(UserAtDomain, Rule) {
    struct Case {
        const char* user;
        const char* domain;
        const char* computer;
        const char* text;
    } const cases[] = {
        {"oscar", "CORP", "PC01", "oscar@CORP"},
        {"oscar", "PC01", "PC01", "oscar"},  // a local account: no "@"
        {"oscar", "pc01", "PC01", "oscar"},  // ignoring ASCII case
        {"oscar", "", "PC01", "oscar"},      // no domain known
        {"oscar", "PC0", "PC01", "oscar@PC0"},
        {"", "CORP", "PC01", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(UserAtDomain(c.user, c.domain, c.computer), c.text);
}

TEST(TranslationText, ReorderAndVersionSplit) {
    struct Case {
        std::uint32_t translation;
        const char* text;
    } const cases[] = {
        {0x04B00804, "080404B0"}, {0x04B00409, "040904B0"}, {0x04E40409, "040904E4"},
        {0x00000000, "00000000"}, {0xABCD1234, "1234ABCD"}, {0x0000000F, "000F0000"},
    };
    for (const Case& c : cases) EXPECT_EQ(TranslationText(c.translation), c.text);

    EXPECT_EQ(SplitVersion(0x00010002, 0x00030004), (VersionParts{1, 2, 3, 4}));
    EXPECT_EQ(SplitVersion(0xFFFF0000, 0x0000FFFF), (VersionParts{65535, 0, 0, 65535}));
    EXPECT_EQ(SplitVersion(0, 0), (VersionParts{0, 0, 0, 0}));
}

TEST(FileNames, FileNamePartParentAndComparison) {
    EXPECT_EQ(FileNamePart("C:\\WINDOWS\\Explorer.EXE"), "Explorer.EXE");
    EXPECT_EQ(FileNamePart("/usr/bin/gnome-shell"), "gnome-shell");
    EXPECT_EQ(FileNamePart("plain"), "plain");
    EXPECT_TRUE(SameFileName("C:\\WINDOWS\\Explorer.EXE", "explorer.exe"));
    EXPECT_FALSE(SameFileName("C:\\WINDOWS\\explorer.exe.bak", "explorer.exe"));
    EXPECT_FALSE(SameFileName("/bin/x", ""));

    EXPECT_EQ(ParentFolder("/home/oscar/Desktop"), "/home/oscar");
    EXPECT_EQ(ParentFolder("/home/oscar/Desktop/"), "/home/oscar");
    EXPECT_EQ(ParentFolder("C:\\Users\\oscar\\Desktop"), "C:\\Users\\oscar");
    EXPECT_EQ(ParentFolder("/Desktop"), "/");
    EXPECT_EQ(ParentFolder("/"), "/");
    EXPECT_EQ(ParentFolder("Desktop"), "");
    EXPECT_EQ(ParentFolder(""), "");
}

// Fault: the process buffer grew by a count taken from a byte length.
TEST(NextBufferSize, GrowsInBytes) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    EXPECT_EQ(NextBufferSize(1024, 0), 2048u);
    EXPECT_EQ(NextBufferSize(1024, 1500), 2048u);
    EXPECT_EQ(NextBufferSize(1024, 5000), 5000u);  // the reported byte length, not x 16568
    EXPECT_EQ(NextBufferSize(0, 0), 1u);
    EXPECT_EQ(NextBufferSize(kMax / 2 + 1, 0), kMax);
}

// Fault: the first shell process on the machine was taken, whoever's session
// it belonged to.
TEST(SelectSessionProcess, OnlyTheCurrentSession) {
    const std::vector<ProcessEntry> processes = {
        {10, "sshd", 7, 0},           {11, "gnome-shell", 3, 120},   // another user's session
        {12, "bash", 7, 1000},        {13, "Gnome-Shell", 7, 1000},  // ours
        {14, "gnome-shell", 7, 1001},                                // a later one in ours
    };
    const std::vector<std::string> names = {"plasmashell", "gnome-shell"};
    auto found = SelectSessionProcess(processes, names, 7);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pid, 13);
    EXPECT_EQ(found->ownerUid, 1000u);
    EXPECT_EQ(SelectSessionProcess(processes, names, 3)->pid, 11);
    EXPECT_FALSE(SelectSessionProcess(processes, names, 9));
    EXPECT_FALSE(SelectSessionProcess(processes, {"explorer.exe"}, 7));
    EXPECT_FALSE(SelectSessionProcess({}, names, 7));
}

}  // namespace
