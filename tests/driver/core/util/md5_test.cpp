#include "core/util/md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "driver/core/python_reference.h"

namespace {

std::string Digest(const std::string& input) {
    char text[40] = {};
    Md5Hex(reinterpret_cast<const std::uint8_t*>(input.data()), static_cast<int>(input.size()),
           text);
    return text;
}

}  // namespace

TEST(Md5Hex, Rfc1321TestSuite) {
    struct Case {
        const char* input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890"
         "1234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) EXPECT_EQ(Digest(c.input), c.digest) << '"' << c.input << '"';
}

TEST(Md5Hex, AppendsAfterTheTextAlreadyThere) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    char text[80] = "key:";
    Md5Hex(abc, 3, text);
    Md5Hex(abc, 3, text);
    EXPECT_STREQ(text, "key:900150983cd24fb0d6963f7d28e17f72900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5Hex, BlockBoundariesMatchPythonHashlib) {
    // Lengths around the 56- and 64-byte padding boundaries, over several blocks.
    std::ostringstream script;
    script << "import hashlib\n"
              "for n in range(0, 200):\n"
              "    print(hashlib.md5(bytes((i * 7 + 3) & 255 for i in range(n))).hexdigest())\n";
    std::istringstream expected(RunPython(script.str()));
    for (int n = 0; n < 200; ++n) {
        std::vector<std::uint8_t> data(n);
        for (int i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>((i * 7 + 3) & 255);
        char text[40] = {};
        Md5Hex(data.data(), n, text);
        std::string line;
        ASSERT_TRUE(std::getline(expected, line));
        EXPECT_EQ(text, line) << "length " << n;
    }
}

TEST(Md5Hex, BadArgumentsWriteNothing) {
    char text[40] = "keep";
    Md5Hex(nullptr, 4, text);
    EXPECT_STREQ(text, "keep");
    const std::uint8_t byte = 1;
    Md5Hex(&byte, -1, text);
    EXPECT_STREQ(text, "keep");
    Md5Hex(&byte, 1, nullptr);  // must not crash
    Md5Hex(nullptr, 0, text);   // empty input is a digest of nothing
    EXPECT_STREQ(text, "keepd41d8cd98f00b204e9800998ecf8427e");
}
