#include "core/util/des_mac.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/core/python_reference.h"

namespace {

struct MacCase {
    std::string data;
    std::string key;
    std::string initialValue;
};

std::string RandomHex(std::mt19937& random, std::size_t digits) {
    static constexpr char kDigits[] = "0123456789abcdefABCDEF";
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) text.push_back(kDigits[random() % 22]);
    return text;
}

// ISO/IEC 9797-1 MAC algorithm 1 (16-digit key) and 3 (32-digit key) with
// padding method 2 (on the hex text, so odd digit counts too) and a starting value XORed into the
// first block, written in Python over its cryptography package.
std::vector<std::string> Reference(const std::vector<MacCase>& cases) {
    std::ostringstream script;
    script << "import warnings\nwarnings.simplefilter('ignore')\n"
              "from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes\n"
              "def des(key, block, decrypt=False):\n"
              "    c = Cipher(algorithms.TripleDES(key), modes.ECB())\n"
              "    op = c.decryptor() if decrypt else c.encryptor()\n"
              "    return op.update(block) + op.finalize()\n"
              "def mac(data, key, iv):\n"
              "    data += '80'\n"
              "    data = bytes.fromhex(data + '0' * (-len(data) % 16))\n"
              "    key = bytes.fromhex(key)\n"
              "    v = bytes.fromhex(iv)\n"
              "    for i in range(0, len(data), 8):\n"
              "        v = des(key[:8], bytes(x ^ y for x, y in zip(data[i:i + 8], v)))\n"
              "    if len(key) == 16:\n"
              "        v = des(key[:8], des(key[8:], v, True))\n"
              "    return v[:4].hex().upper()\n";
    for (const MacCase& c : cases) {
        script << "print(mac('" << c.data << "', '" << c.key << "', '" << c.initialValue << "'))\n";
    }
    std::istringstream output(RunPython(script.str()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(output, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(MacHex, MatchesIsoAlgorithmsOneAndThree) {
    std::mt19937 random(9797);
    std::vector<MacCase> cases;
    for (std::size_t keyDigits : {16u, 32u}) {
        for (std::size_t dataDigits : {0u, 2u, 14u, 15u, 16u, 17u, 18u, 32u, 46u, 100u}) {
            cases.push_back({RandomHex(random, dataDigits), RandomHex(random, keyDigits),
                             dataDigits == 16 ? "0000000000000000" : RandomHex(random, 16)});
        }
    }
    const std::vector<std::string> expected = Reference(cases);
    ASSERT_EQ(expected.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(MacHex(cases[i].data, cases[i].key, cases[i].initialValue), expected[i])
            << cases[i].data << " / " << cases[i].key << " / " << cases[i].initialValue;
    }
}

TEST(MacHex, BadTextIsAnError) {
    const std::string iv(16, '0');
    const std::string key = "0123456789ABCDEF";
    EXPECT_FALSE(MacHex("00", key.substr(0, 15), iv));
    EXPECT_FALSE(MacHex("00", key + "01234567", iv));  // 24 digits
    EXPECT_FALSE(MacHex("00", key + key + "00", iv));
    EXPECT_FALSE(MacHex("00", key, iv.substr(0, 15)));
    EXPECT_FALSE(MacHex("00", key, iv + "0"));
    EXPECT_FALSE(MacHex("0G", key, iv));
    EXPECT_FALSE(MacHex("00", "0123456789ABCDEZ", iv));
    EXPECT_FALSE(MacHex("00", key, "000000000000000-"));
}
