#include "core/protocol/mask_generator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "driver/core/python_reference.h"

namespace {

TEST(FrameMask, WordToMaskMatchesPythonHashlib) {
    const std::uint32_t words[] = {0, 1, 0x12345678, 0x7FFF7FFF, 0xFFFFFFFF, 0x00010203};
    std::ostringstream script;
    script << "import hashlib, struct\n"
              "for r in [";
    for (std::uint32_t r : words) script << r << ',';
    script << "]:\n"
              "    d = hashlib.md5(struct.pack('<I', r)).hexdigest()\n"
              "    w = struct.unpack('<I', d[:4].encode())[0]\n"
              "    print(struct.pack('<I', r ^ w).hex())\n";
    std::istringstream expected(RunPython(script.str()));
    for (std::uint32_t r : words) {
        const FrameMask mask = FrameMaskFromWord(r);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", mask[0], mask[1], mask[2], mask[3]);
        std::string line;
        std::getline(expected, line);
        EXPECT_EQ(hex, line) << "R = " << r;
    }
}

TEST(FrameMask, ConsecutiveMasksDifferWithinOneSecond) {
    std::set<FrameMask> seen;
    for (int i = 0; i < 64; ++i) seen.insert(NextFrameMask());
    EXPECT_EQ(seen.size(), 64u);
}

TEST(FrameMask, HostRandomSequenceIsLeftAlone) {
    std::srand(4242);
    const int first = std::rand();
    const int second = std::rand();
    std::srand(4242);
    EXPECT_EQ(std::rand(), first);
    NextFrameMask();
    EXPECT_EQ(std::rand(), second);
}

TEST(FrameMask, SeamFixesTheMaskUntilCleared) {
    SetFrameMaskSource([] { return FrameMask{1, 2, 3, 4}; });
    EXPECT_EQ(NextFrameMask(), (FrameMask{1, 2, 3, 4}));
    EXPECT_EQ(NextFrameMask(), (FrameMask{1, 2, 3, 4}));
    SetFrameMaskSource({});
    EXPECT_NE(NextFrameMask(), (FrameMask{1, 2, 3, 4}));
}

}  // namespace
