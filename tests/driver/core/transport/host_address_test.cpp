#include "core/transport/host_address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HostAddress, ADottedAddressIsFourDecimalNumbersAndNothingMore) {
    struct Case {
        const char* text;
        bool dotted;
    };
    const Case cases[] = {
        {"192.168.1.10", true},    {"127.0.0.1", true},       {"0.0.0.0", true},
        {"255.255.255.255", true}, {"010.0.0.1", true},       {"127.0.0.1.1", false},
        {"127.0.0.1.", false},     {"127.0.0.1 junk", false}, {"127.0.0.1 ", false},
        {"127.0.0.1x", false},     {"10.0.0.1x", false},      {"1.2.3.4.5", false},
        {"127.0.0.1\n", false},    {"127.0.256.1", false},    {"192.168.1.256", false},
        {"192.168.1", false},      {"reader", false},         {"", false},
        {"1..2.3", false},         {" 1.2.3.4", false},       {"-1.2.3.4", false},
        {"+1.2.3.4", false},       {"1.2.3.-4", false},       {"4294967297.0.0.1", false},
        {"/dev/ttyUSB0", false},   {"1.2.3.", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsDottedAddress(c.text), c.dotted) << '"' << c.text << '"';
    }
    EXPECT_FALSE(IsDottedAddress(nullptr));

    std::uint8_t octets[4] = {};
    ASSERT_TRUE(ParseDottedAddress("010.0.200.255", octets));
    EXPECT_EQ(octets[0], 10);
    EXPECT_EQ(octets[1], 0);
    EXPECT_EQ(octets[2], 200);
    EXPECT_EQ(octets[3], 255);
}

// A dotted text comes back as its four numbers, so no copy of it can be cut into another
// address; a text that does not fit fails.
TEST(HostAddress, ResolvingADottedTextGivesItsFourNumbers) {
    char dotted[16];
    const std::string padded = std::string(24, '0') + "1.2.3.45";  // 31 characters of it: 1.2.3.4
    ASSERT_TRUE(ResolveHostAddress(padded.c_str(), dotted, sizeof dotted));
    EXPECT_STREQ(dotted, "1.2.3.45");
    ASSERT_TRUE(ResolveHostAddress("255.255.255.255", dotted, sizeof dotted));
    EXPECT_STREQ(dotted, "255.255.255.255");
    EXPECT_FALSE(ResolveHostAddress("255.255.255.255", dotted, 15));
    EXPECT_FALSE(ResolveHostAddress(nullptr, dotted, sizeof dotted));
    EXPECT_FALSE(ResolveHostAddress("127.0.0.1", nullptr, sizeof dotted));
}

}  // namespace
