#include "core/util/base64.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/core/python_reference.h"

namespace {

std::string Encode(const std::string& bytes, int lineLength) {
    const int length = static_cast<int>(bytes.size());
    std::vector<char> out(Base64EncodedSize(length, lineLength), '#');
    const int written = Base64Encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), length,
                                     out.data(), out.size(), lineLength);
    EXPECT_EQ(written + 1, static_cast<int>(out.size()));  // exactly the announced size
    EXPECT_EQ(out.back(), '\0');
    return written < 0 ? std::string() : std::string(out.data(), static_cast<std::size_t>(written));
}

std::string Decode(const std::string& text) {
    const std::size_t size = text.size() / 4 * 3;
    std::vector<std::uint8_t> out(size + 1, 0xEE);
    const int written = Base64Decode(text.data(), static_cast<int>(text.size()), out.data(), size);
    EXPECT_EQ(written, static_cast<int>(size));
    EXPECT_EQ(out[size], 0xEE);  // nothing past the groups, no terminator
    return std::string(out.begin(), out.begin() + static_cast<long>(size));
}

std::string ToHex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(kDigits[c >> 4]);
        hex.push_back(kDigits[c & 15]);
    }
    return hex;
}

}  // namespace

TEST(Base64, Rfc4648Vectors) {
    struct Vector {
        const char* bytes;
        const char* text;
    };
    const Vector vectors[] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
    for (const Vector& v : vectors) {
        EXPECT_EQ(Encode(v.bytes, 76), v.text) << v.bytes;
        // Every group writes three bytes; padded positions decode to zero.
        std::string expected = v.bytes;
        expected.resize((expected.size() + 2) / 3 * 3, '\0');
        EXPECT_EQ(Decode(v.text), expected) << v.text;
    }
    EXPECT_EQ(Decode("YQ=="), std::string("a\0\0", 3));
}

TEST(Base64, LineBreaksFollowWholeGroups) {
    const std::string bytes57(57, 'k');
    const std::string line76 = Encode(bytes57, 76);
    EXPECT_EQ(line76.size(), 78u);
    EXPECT_EQ(line76.substr(76), "\r\n");  // a break may follow the last whole group

    EXPECT_EQ(Encode(std::string(12, 'k'), 8), "a2tra2tr\r\na2tra2tr\r\n");
    EXPECT_EQ(Encode("abcd", 4), "YWJj\r\nZA==");  // none after the padded group
    EXPECT_EQ(Encode("abcdef", 7), "YWJj\r\nZGVm\r\n");
    EXPECT_EQ(Encode("abcdef", 0), "YWJj\r\nZGVm\r\n");
}

TEST(Base64, RandomInputsMatchPython) {
    std::mt19937 random(4648);
    struct Case {
        std::string bytes;
        int lineLength;
    };
    std::vector<Case> cases;
    for (int lineLength : {76, 64, 9, 8, 4, 1000}) {
        for (int length : {0, 1, 2, 3, 56, 57, 58, 100, 301}) {
            std::string bytes(static_cast<std::size_t>(length), '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            cases.push_back({bytes, lineLength});
        }
    }
    // Python's base64, cut into lines of whole groups as the encoder does.
    std::ostringstream script;
    script << "import base64\n"
              "def enc(hexdata, line):\n"
              "    data = bytes.fromhex(hexdata)\n"
              "    text = base64.b64encode(data).decode()\n"
              "    whole = len(data) // 3 * 4\n"
              "    step = max(1, line // 4) * 4\n"
              "    out = ''\n"
              "    for i in range(0, whole, step):\n"
              "        chunk = text[i:min(i + step, whole)]\n"
              "        out += chunk + ('\\r\\n' if len(chunk) == step else '')\n"
              "    return (out + text[whole:]).encode().hex()\n";
    for (const Case& c : cases) {
        script << "print(enc('" << ToHex(c.bytes) << "', " << c.lineLength << "))\n";
    }
    std::istringstream expected(RunPython(script.str()));
    for (const Case& c : cases) {
        std::string line;
        ASSERT_TRUE(std::getline(expected, line));
        const std::string text = Encode(c.bytes, c.lineLength);
        EXPECT_EQ(ToHex(text), line) << c.bytes.size() << " bytes, lines of " << c.lineLength;
        // Joined back into one line, the text decodes to the bytes (padding aside).
        std::string joined;
        for (char ch : text) {
            if (ch != '\r' && ch != '\n') joined.push_back(ch);
        }
        EXPECT_EQ(Decode(joined).substr(0, c.bytes.size()), c.bytes);
    }
}

TEST(Base64, SizeFormulas) {
    EXPECT_EQ(GetEncodeNewLen(0, 4), 9);
    EXPECT_EQ(GetEncodeNewLen(123, 0), 1);
    EXPECT_EQ(GetEncodeNewLen(0, 3), 5);
    EXPECT_EQ(GetDecodeNewLen(0, 8), 7);
    EXPECT_EQ(GetDecodeNewLen(0, 7), 4);
    EXPECT_EQ(GetEncodeNewLen(0, -1), 0);
    EXPECT_EQ(GetDecodeNewLen(0, -4), 0);
    EXPECT_EQ(GetEncodeNewLen(0, INT_MAX), 0);  // beyond what an int can count
    EXPECT_EQ(GetEncodeNewLen(0, 1610612733), 2147483645);
    EXPECT_EQ(Base64EncodedSize(57, 76), 79u);
    EXPECT_EQ(Base64EncodedSize(58, 76), 83u);
    EXPECT_EQ(Base64EncodedSize(-1, 76), 0u);
}

TEST(Base64, BadArgumentsWriteNothing) {
    const std::uint8_t bytes[] = {'a', 'b', 'c'};
    char text[8] = "#######";
    EXPECT_EQ(Base64Encode(bytes, 3, text, 4, 76), -1);  // needs 5 with the terminator
    EXPECT_EQ(std::string(text), "#######");
    EXPECT_EQ(Base64Encode(nullptr, 3, text, sizeof text, 76), -1);
    EXPECT_EQ(Base64Encode(bytes, -1, text, sizeof text, 76), -1);
    EXPECT_EQ(Base64Encode(bytes, 3, nullptr, sizeof text, 76), -1);
    EXPECT_EQ(std::string(text), "#######");

    std::uint8_t out[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(Base64Decode("YWJjZA==", 8, out, 5), -1);
    EXPECT_EQ(Base64Decode(nullptr, 8, out, sizeof out), -1);
    EXPECT_EQ(Base64Decode("YWJj", -4, out, sizeof out), -1);
    EXPECT_EQ(Base64Decode("YWJj", 4, nullptr, 3), -1);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6), std::vector<std::uint8_t>(6, 9));
    EXPECT_EQ(Base64Decode("YWJjZA", 6, out, 3), 3);  // trailing characters are ignored
    EXPECT_EQ(std::string(out, out + 3), "abc");
}

TEST(Base64, CharactersOutsideTheAlphabetGiveZeroBits) {
    EXPECT_EQ(Decode("\r\n==").substr(0, 3), std::string(3, '\0'));
    EXPECT_EQ(Decode("YW\xE9j"), Decode("YWAj"));  // a byte above 127 counts as zero
}
