#include "core/cards/ber_tlv.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ValueOf(const std::optional<TlvObject>& object) {
    return object ? Bytes(object->value.begin(), object->value.end()) : Bytes{0xDE, 0xAD};
}

TEST(BerTlvTest, ReadsTagsAndLengthsOfEveryForm) {
    struct Case {
        Bytes data;
        std::uint32_t tag;
        Bytes value;
        std::size_t size;
    };
    Bytes long81 = {0x70, 0x81, 0x80};
    long81.resize(3 + 0x80, 0x11);
    Bytes long82 = {0xBF, 0x0C, 0x82, 0x01, 0x00};
    long82.resize(5 + 0x100, 0x22);
    const Case cases[] = {
        {{0x57, 0x02, 0x62, 0x22}, 0x57, {0x62, 0x22}, 4},
        {{0x5F, 0x20, 0x01, 'W', 0x99}, 0x5F20, {'W'}, 4},
        {{0x9F, 0x81, 0x01, 0x00}, 0x9F8101, {}, 4},
        {long81, 0x70, Bytes(0x80, 0x11), long81.size()},
        {long82, 0xBF0C, Bytes(0x100, 0x22), long82.size()},
    };
    for (const Case& c : cases) {
        const std::optional<TlvObject> object = ReadTlv(c.data);
        ASSERT_TRUE(object);
        EXPECT_EQ(object->tag, c.tag);
        EXPECT_EQ(ValueOf(object), c.value);
        EXPECT_EQ(object->size, c.size);
    }
}

TEST(BerTlvTest, MalformedObjectsAreRefused) {
    const Bytes malformed[] = {
        {},
        {0x57},                          // no length
        {0x57, 0x05, 0x01, 0x02},        // value past the data
        {0x5F},                          // tag cut
        {0x9F, 0x81, 0x81, 0x01, 0x00},  // tag of four bytes
        {0x70, 0x80, 0x00, 0x00},        // indefinite length
        {0x70, 0x85, 0, 0, 0, 0, 1},     // length field of five bytes
        {0x70, 0x82, 0x01},              // length field cut
        {0x70, 0x84, 0xFF, 0xFF, 0xFF, 0xFF},
    };
    for (const Bytes& data : malformed) {
        EXPECT_FALSE(ReadTlv(data)) << data.size();
    }
}

TEST(BerTlvTest, FindLooksInsideTemplatesButNeverInsideValues) {
    // 70 { 5A (PAN with a 57 byte inside), 50 "W", 57 track 2 }
    const Bytes record = {0x70, 0x10, 0x5A, 0x04, 0x62, 0x57, 0x02, 0x12, 0x50,
                          0x01, 0x57, 0x57, 0x03, 0x62, 0x22, 0xD2, 0x90, 0x00};
    EXPECT_EQ(ValueOf(FindTlv(record, 0x57)), (Bytes{0x62, 0x22, 0xD2}));
    const Bytes none = {0x70, 0x06, 0x5A, 0x04, 0x57, 0x57, 0x57, 0x57};
    EXPECT_FALSE(FindTlv(none, 0x57));
    const Bytes padded = {0x00, 0xFF, 0x6F, 0x05, 0xA5, 0x03, 0x88, 0x01, 0x01};
    EXPECT_EQ(ValueOf(FindTlv(padded, 0x88)), Bytes{0x01});
    const Bytes brokenAhead = {0x5A, 0x09, 0x57, 0x01, 0x57, 0x01, 0x01};
    EXPECT_FALSE(FindTlv(brokenAhead, 0x57)) << "no walk past a malformed object";
}

TEST(BerTlvTest, PathsFollowDirectChildren) {
    const Bytes fci = {0x6F, 0x0F, 0x84, 0x01, 0x32, 0xA5, 0x0A, 0xBF, 0x0C,
                       0x07, 0x61, 0x05, 0x4F, 0x03, 0xA0, 0x00, 0x01};
    EXPECT_EQ(ValueOf(FindTlvPath(fci, {0x6F, 0xA5, 0xBF0C, 0x61, 0x4F})),
              (Bytes{0xA0, 0x00, 0x01}));
    EXPECT_FALSE(FindTlvPath(fci, {0x6F, 0x4F}));
    EXPECT_FALSE(FindTlvPath(fci, {0xA5}));
    EXPECT_EQ(ValueOf(FindTlvPath(fci, {0x6F, 0x84})), Bytes{0x32});
}

}  // namespace
