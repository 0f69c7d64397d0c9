#include "core/util/des.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/core/python_reference.h"

namespace {

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// NIST SP 800-20 known-answer tests: variable plaintext, variable key,
// permutation operation and substitution table.
const KnownAnswer kKnownAnswers[] = {
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"0101010101010101", "1000000000000000", "4BD388FF6CD81D4F"},
    {"0101010101010101", "0800000000000000", "20B9E767B2FB1456"},
    {"0101010101010101", "0400000000000000", "55579380D77138EF"},
    {"0101010101010101", "0200000000000000", "6CC5DEFAAF04512F"},
    {"0101010101010101", "0100000000000000", "0D9F279BA5D87260"},
    {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"2001010101010101", "0000000000000000", "7AD16FFB79C45926"},
    {"1001010101010101", "0000000000000000", "D3746294CA6A6CF3"},
    {"0801010101010101", "0000000000000000", "809F5F873C1FD761"},
    {"0401010101010101", "0000000000000000", "C02FAFFEC989D1FC"},
    {"0201010101010101", "0000000000000000", "4615AA1D33E72F10"},
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    {"1007103489988020", "0000000000000000", "0C0CC00C83EA48FD"},
    {"10071034C8980120", "0000000000000000", "83BC8EF3A6570183"},
    {"1046103489988020", "0000000000000000", "DF725DCAD94EA2E9"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"07A1133E4A0B2686", "0248D43806F67172", "868EBB51CAB4599A"},
    {"3849674C2602319E", "51454B582DDF440A", "7178876E01F19B2A"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "AF37FB421F8C4095"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "86A560F10EC6D85B"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "0CD3DA020021DC09"},
    {"43297FAD38E373FE", "762514B829BF486A", "EA676B2CB7DB2B7A"},
    {"07A7137045DA2A16", "3BDD119049372802", "DFD64A815CAF1A0F"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "5C513C9C4886C088"},
    {"37D06BB516CB7546", "164D5E404F275232", "0A2AEEAE3FF4AB77"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "EF1BF03E5DFA575A"},
    {"584023641ABA6176", "004BD6EF09176062", "88BF0DB6D70DEE56"},
    {"025816164629B007", "480D39006EE762F2", "A1F9915541020B56"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "6FBF1CAFCFFD0556"},
    {"4FB05E1515AB73A7", "072D43A077075292", "2F22E49BAB7CA1AC"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "5A6B612CC26CCE4A"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "5F4C038ED12B2E41"},
    {"1C587F1C13924FEF", "305532286D6F295A", "63FAC0D034D9F793"},
};

std::string RandomHex(std::mt19937& random, std::size_t digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) text.push_back(kDigits[random() % 16]);
    return text;
}

// One reference case: key and data, and whether to decrypt.
struct Case {
    std::string key;
    std::string data;
    bool decrypt;
};

// Runs every case through Python's cryptography (ECB; an 8-byte key gives
// single DES, a 16-byte key two-key EDE) after padding partial blocks with
// 80 00..., and returns one upper-case line per case.
std::vector<std::string> Reference(const std::vector<Case>& cases) {
    std::ostringstream script;
    script << "import warnings\nwarnings.simplefilter('ignore')\n"
              "from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes\n"
              "def run(key, data, decrypt):\n"
              "    if len(data) % 16:\n"
              "        data += '80'\n"
              "        data += '0' * (-len(data) % 16)\n"
              "    c = Cipher(algorithms.TripleDES(bytes.fromhex(key)), modes.ECB())\n"
              "    op = c.decryptor() if decrypt else c.encryptor()\n"
              "    return (op.update(bytes.fromhex(data)) + op.finalize()).hex().upper()\n";
    for (const Case& c : cases) {
        script << "print(run('" << c.key << "', '" << c.data << "', "
               << (c.decrypt ? "True" : "False") << "))\n";
    }
    std::istringstream output(RunPython(script.str()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(output, line);) lines.push_back(line);
    return lines;
}

std::vector<Case> RandomCases(std::size_t keyDigits) {
    std::mt19937 random(static_cast<unsigned>(keyDigits));
    std::vector<Case> cases;
    for (std::size_t digits : {2u, 8u, 14u, 15u, 16u, 17u, 18u, 30u, 32u, 47u, 64u, 200u}) {
        cases.push_back({RandomHex(random, keyDigits), RandomHex(random, digits), false});
    }
    for (std::size_t blocks : {1u, 2u, 5u}) {
        cases.push_back({RandomHex(random, keyDigits), RandomHex(random, 16 * blocks), true});
    }
    return cases;
}

}  // namespace

TEST(DesHex, NistKnownAnswersBothDirections) {
    for (const KnownAnswer& v : kKnownAnswers) {
        EXPECT_EQ(DesHex(v.plain, v.key, false), v.cipher) << v.key << " " << v.plain;
        EXPECT_EQ(DesHex(v.cipher, v.key, true), v.plain) << v.key << " " << v.cipher;
    }
}

TEST(TripleDesHex, NistKnownAnswersWithEqualHalves) {
    // With K1 = K2 two-key triple DES is single DES.
    for (const KnownAnswer& v : kKnownAnswers) {
        const std::string key = std::string(v.key) + v.key;
        EXPECT_EQ(TripleDesHex(v.plain, key, false), v.cipher) << v.key;
        EXPECT_EQ(TripleDesHex(v.cipher, key, true), v.plain) << v.key;
    }
}

TEST(DesHex, MatchesPythonCryptography) {
    const std::vector<Case> cases = RandomCases(16);
    const std::vector<std::string> expected = Reference(cases);
    ASSERT_EQ(expected.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(DesHex(cases[i].data, cases[i].key, cases[i].decrypt), expected[i])
            << cases[i].key << " " << cases[i].data;
    }
}

TEST(TripleDesHex, MatchesPythonCryptography) {
    const std::vector<Case> cases = RandomCases(32);
    const std::vector<std::string> expected = Reference(cases);
    ASSERT_EQ(expected.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(TripleDesHex(cases[i].data, cases[i].key, cases[i].decrypt), expected[i])
            << cases[i].key << " " << cases[i].data;
    }
}

TEST(DesHex, PartialLastBlockIsPaddedToTheNextMultipleOfSixteen) {
    const std::string key = "133457799BBCDFF1";
    struct Padding {
        std::string data;
        std::string padded;
    };
    const Padding cases[] = {
        {"01234567", "0123456780000000"},
        {"0123456789ABCDE", "0123456789ABCDE80000000000000000"},  // 15 digits: "80" spills over
        {"0123456789ABCDEF", "0123456789ABCDEF"},
        {"0123456789ABCDEF01", "0123456789ABCDEF0180000000000000"},
        {"", ""},
    };
    for (const Padding& c : cases) {
        const std::optional<std::string> sealed = DesHex(c.data, key, false);
        ASSERT_TRUE(sealed) << c.data;
        EXPECT_EQ(sealed->size(), c.padded.size()) << c.data;
        EXPECT_EQ(DesHex(*sealed, key, true), c.padded) << c.data;  // padding is kept
    }
}

TEST(DesHex, CaseOfInputDigitsDoesNotMatter) {
    EXPECT_EQ(DesHex("01a1d6d039776742", "7ca110454a1a6e57", false), "690F5B0D9A26939B");
    EXPECT_EQ(TripleDesHex("690f5b0d9a26939b", "7ca110454a1a6e577CA110454A1A6E57", true),
              "01A1D6D039776742");
}

TEST(DesHex, BadTextIsAnErrorNeverAnOverRead) {
    const std::string key = "133457799BBCDFF1";
    EXPECT_FALSE(DesHex("0123456789ABCDEF", "133457799BBCDFF", false));  // 15-digit key
    EXPECT_FALSE(DesHex("0123456789ABCDEF", "", true));
    EXPECT_FALSE(DesHex("0123456789ABCDEF", "133457799BBCDFG1", false));
    EXPECT_FALSE(DesHex("0123456789ABCDEX", key, false));
    EXPECT_FALSE(DesHex("01 23", key, false));
    EXPECT_FALSE(DesHex("0123456789ABCDEF01", key, true));  // decrypt needs whole blocks
    EXPECT_FALSE(TripleDesHex("0123456789ABCDEF", key + "133457799BBCDFG1", false));
    EXPECT_FALSE(TripleDesHex("0123456789ABCD", key + key, true));
}

TEST(TripleDesHex, WrongKeyLengthSaysSoAndGivesNothing) {
    for (const std::string& key :
         {std::string(16, '1'), std::string(31, '1'), std::string(48, '1')}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(TripleDesHex("0123456789ABCDEF", key, false));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "\xC3\xDC\xD4\xBF\xB3\xA4\xB6\xC8\xB4\xED\n");
    }
}
