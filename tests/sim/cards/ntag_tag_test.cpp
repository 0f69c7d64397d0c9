#include "sim/cards/ntag_tag.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace sim {
namespace {

using Model = NtagTag::Model;
using Page = NtagTag::Page;

constexpr std::array<std::uint8_t, 7> kUid = {0x04, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};
constexpr Page kPassword = {'1', '2', '3', '4'};

// 7-byte UID: both cascade levels. Level 1 is the cascade tag and UID0-2, BCC 88 ^ 04 ^ A1 ^
// B2 = 9F; level 2 UID3-6, BCC C3 ^ D4 ^ E5 ^ F6 = 04.
void Activate(NtagTag& tag) {
    tag.PowerOn();
    ASSERT_TRUE(tag.Request(TypeACard::kReqA));
    const std::array<std::uint8_t, 2> anticollision1 = {0x93, 0x20};
    const std::array<std::uint8_t, 7> select1 = {0x93, 0x70, 0x88, 0x04, 0xA1, 0xB2, 0x9F};
    const std::array<std::uint8_t, 2> anticollision2 = {0x95, 0x20};
    const std::array<std::uint8_t, 7> select2 = {0x95, 0x70, 0xC3, 0xD4, 0xE5, 0xF6, 0x04};
    ASSERT_TRUE(tag.Anticollision(anticollision1));
    ASSERT_EQ(tag.Select(select1), TypeACard::kSakCascadeBit);
    ASSERT_TRUE(tag.Anticollision(anticollision2));
    ASSERT_EQ(tag.Select(select2), 0x00);
    ASSERT_EQ(tag.state(), TypeACard::State::kActive);
}

std::array<std::uint8_t, 16> ReadOk(NtagTag& tag, std::uint8_t page) {
    std::array<std::uint8_t, 16> out{};
    EXPECT_EQ(tag.Read(page, out), CardStatus::kOk) << "page " << int{page};
    return out;
}

CardStatus WritePage(NtagTag& tag, std::uint8_t page, Page value) {
    std::array<std::uint8_t, 16> data{};  // the reader sends 16 bytes
    std::copy(value.begin(), value.end(), data.begin());
    return tag.Write(page, data);
}

TEST(NtagTagTest, LayoutVersionAndCapabilityContainerPerModel) {
    struct Row {
        Model model;
        int pages, lastUser, cfg0, pwd;
        std::uint8_t cc, storage;
    };
    const Row rows[] = {
        {Model::kNtag213, 45, 39, 41, 43, 0x12, 0x0F},
        {Model::kNtag215, 135, 129, 131, 133, 0x3E, 0x11},
        {Model::kNtag216, 231, 225, 227, 229, 0x6D, 0x13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pages);
        NtagTag tag(row.model, kUid);
        EXPECT_EQ(tag.layout().pageCount, row.pages);
        EXPECT_EQ(tag.layout().lastUserPage, row.lastUser);
        EXPECT_EQ(tag.layout().cfg0Page, row.cfg0);
        EXPECT_EQ(tag.layout().pwdPage, row.pwd);
        // The capability container announces the user memory in units of 8 bytes.
        EXPECT_LE(row.cc * 8, (row.lastUser - 3) * 4);
        Activate(tag);
        const auto head = ReadOk(tag, 0);
        EXPECT_EQ(head[3], 0x88 ^ 0x04 ^ 0xA1 ^ 0xB2);  // BCC0
        EXPECT_EQ(head[8], 0xC3 ^ 0xD4 ^ 0xE5 ^ 0xF6);  // BCC1
        EXPECT_EQ(std::vector<std::uint8_t>(head.begin() + 12, head.end()),
                  (std::vector<std::uint8_t>{0xE1, 0x10, row.cc, 0x00}));
        std::array<std::uint8_t, 8> version{};
        ASSERT_EQ(tag.GetVersion(version), CardStatus::kOk);
        EXPECT_EQ(version, (std::array<std::uint8_t, 8>{0x00, 0x04, 0x04, 0x02, 0x01, 0x00,
                                                        row.storage, 0x03}));
        // AUTH0 = FF: nothing protected on a fresh tag.
        EXPECT_EQ(tag.RawPage(row.cfg0)[3], 0xFF);
    }
    NtagTag ultralight(Model::kUltralight, kUid);
    EXPECT_EQ(ultralight.Atqa(), 0x0044);
    EXPECT_EQ(ultralight.Sak(), 0x00);
    EXPECT_EQ(ultralight.Uid(), std::vector<std::uint8_t>(kUid.begin(), kUid.end()));
    Activate(ultralight);
    std::array<std::uint8_t, 8> version{};
    EXPECT_EQ(ultralight.GetVersion(version), CardStatus::kNoAnswer);
    EXPECT_EQ(ultralight.state(), TypeACard::State::kIdle);
}

TEST(NtagTagTest, ReadsFourPagesRollingOverAndWritesOnePage) {
    NtagTag tag(Model::kNtag213, kUid);
    Activate(tag);
    ASSERT_EQ(WritePage(tag, 4, {1, 2, 3, 4}), CardStatus::kOk);
    ASSERT_EQ(WritePage(tag, 5, {5, 6, 7, 8}), CardStatus::kOk);
    const auto data = ReadOk(tag, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + 9),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
    // Only the first four of the sixteen bytes land in the page.
    EXPECT_EQ(tag.RawPage(6), (Page{0, 0, 0, 0}));

    // Pages 43 (password) and 44 (PACK) read as zeros, then the read runs on into 0 and 1.
    const auto wrapped = ReadOk(tag, 43);
    EXPECT_EQ(std::vector<std::uint8_t>(wrapped.begin(), wrapped.begin() + 8),
              std::vector<std::uint8_t>(8, 0x00));
    EXPECT_EQ(wrapped[8], 0x04);
    EXPECT_EQ(wrapped[12], 0xC3);

    std::array<std::uint8_t, 16> out{};
    EXPECT_EQ(tag.Read(45, out), CardStatus::kOutOfRange);
    EXPECT_EQ(tag.state(), TypeACard::State::kIdle);  // a NAK ends the session
    EXPECT_EQ(tag.Read(4, out), CardStatus::kNoAnswer);
}

TEST(NtagTagTest, WriteRulesOfReservedLockedAndOneTimePages) {
    NtagTag tag(Model::kNtag213, kUid);
    struct Row {
        const char* what;
        std::uint8_t page;
        std::size_t length;
        CardStatus expected;
    };
    const Row rows[] = {
        {"UID page", 0, 16, CardStatus::kDenied},
        {"serial page", 1, 16, CardStatus::kDenied},
        {"beyond the tag", 45, 16, CardStatus::kOutOfRange},
        {"short data", 4, 3, CardStatus::kBadLength},
        {"four bytes", 4, 4, CardStatus::kOk},
        {"sixteen bytes", 39, 16, CardStatus::kOk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Activate(tag);
        const std::vector<std::uint8_t> data(row.length, 0x5A);
        EXPECT_EQ(tag.Write(row.page, data), row.expected);
    }

    Activate(tag);
    // The capability container only gains bits.
    ASSERT_EQ(WritePage(tag, 3, {0x00, 0x00, 0x01, 0x00}), CardStatus::kOk);
    EXPECT_EQ(tag.RawPage(3), (Page{0xE1, 0x10, 0x13, 0x00}));
    // Static lock bit L-4 (lock byte 0 bit 4) locks page 4; bytes 0-1 of page 2 stay.
    ASSERT_EQ(WritePage(tag, 2, {0xFF, 0xFF, 0x10, 0x00}), CardStatus::kOk);
    EXPECT_EQ(tag.RawPage(2)[0], 0xC3 ^ 0xD4 ^ 0xE5 ^ 0xF6);
    EXPECT_EQ(tag.RawPage(2)[2], 0x10);
    EXPECT_EQ(WritePage(tag, 4, {9, 9, 9, 9}), CardStatus::kDenied);
    Activate(tag);
    EXPECT_EQ(WritePage(tag, 5, {9, 9, 9, 9}), CardStatus::kOk);
    // Block-lock bit BL-9-4 freezes L-4..L-9: setting L-5 afterwards has no effect.
    ASSERT_EQ(WritePage(tag, 2, {0, 0, 0x02, 0x00}), CardStatus::kOk);
    ASSERT_EQ(WritePage(tag, 2, {0, 0, 0x20, 0x00}), CardStatus::kOk);
    EXPECT_EQ(WritePage(tag, 5, {7, 7, 7, 7}), CardStatus::kOk);
    // Dynamic lock bit 0 of an NTAG213 locks pages 16 and 17.
    ASSERT_EQ(WritePage(tag, 40, {0x01, 0x00, 0x00, 0x00}), CardStatus::kOk);
    EXPECT_EQ(WritePage(tag, 17, {1, 1, 1, 1}), CardStatus::kDenied);
    Activate(tag);
    EXPECT_EQ(WritePage(tag, 18, {1, 1, 1, 1}), CardStatus::kOk);
}

TEST(NtagTagTest, PasswordProtectionOfWritesAndReads) {
    NtagTag tag(Model::kNtag215, kUid);
    tag.SetPassword(kPassword, {0xAB, 0xCD});
    tag.SetProtection(0x10, false);  // writes protected from page 16
    Activate(tag);
    EXPECT_EQ(WritePage(tag, 15, {1, 2, 3, 4}), CardStatus::kOk);
    EXPECT_EQ(WritePage(tag, 16, {1, 2, 3, 4}), CardStatus::kNotAuthenticated);
    Activate(tag);
    ReadOk(tag, 16);  // reads stay open without PROT

    std::array<std::uint8_t, 2> pack{};
    const Page wrong = {'0', '0', '0', '0'};
    EXPECT_EQ(tag.PwdAuth(wrong, pack), CardStatus::kNotAuthenticated);
    EXPECT_EQ(tag.state(), TypeACard::State::kIdle);
    Activate(tag);
    ASSERT_EQ(tag.PwdAuth(kPassword, pack), CardStatus::kOk);
    EXPECT_EQ(pack, (std::array<std::uint8_t, 2>{0xAB, 0xCD}));
    EXPECT_EQ(WritePage(tag, 16, {1, 2, 3, 4}), CardStatus::kOk);

    // Halt ends the authenticated session.
    ASSERT_TRUE(tag.Halt());
    EXPECT_FALSE(tag.authenticated());

    tag.SetProtection(0x10, true);  // reads protected as well
    Activate(tag);
    ReadOk(tag, 8);
    std::array<std::uint8_t, 16> out{};
    EXPECT_EQ(tag.Read(13, out), CardStatus::kNotAuthenticated);  // pages 13-16 cross AUTH0
    Activate(tag);
    ASSERT_EQ(tag.PwdAuth(kPassword, pack), CardStatus::kOk);
    EXPECT_EQ(ReadOk(tag, 16)[0], 1);
}

TEST(NtagTagTest, AuthLimitBlocksPasswordAfterFailedAttempts) {
    NtagTag tag(Model::kNtag213, kUid);
    tag.SetPassword(kPassword, {0x00, 0x00});
    Page access = tag.RawPage(42);
    access[0] = 0x01;  // AUTHLIM 1: two wrong attempts allowed
    tag.SetRawPage(42, access);
    std::array<std::uint8_t, 2> pack{};
    const Page wrong = {9, 9, 9, 9};
    for (int attempt = 0; attempt < 2; ++attempt) {
        Activate(tag);
        EXPECT_EQ(tag.PwdAuth(wrong, pack), CardStatus::kNotAuthenticated);
    }
    EXPECT_EQ(tag.failedAuthentications(), 2);
    Activate(tag);
    EXPECT_EQ(tag.PwdAuth(kPassword, pack), CardStatus::kNotAuthenticated);
}

TEST(NtagTagTest, CommandsNeedAnActiveTag) {
    NtagTag tag(Model::kNtag216, kUid);
    tag.PowerOn();
    std::array<std::uint8_t, 16> out{};
    std::array<std::uint8_t, 8> version{};
    std::array<std::uint8_t, 2> pack{};
    EXPECT_EQ(tag.Read(0, out), CardStatus::kNoAnswer);
    EXPECT_EQ(WritePage(tag, 4, {1, 1, 1, 1}), CardStatus::kNoAnswer);
    EXPECT_EQ(tag.GetVersion(version), CardStatus::kNoAnswer);
    EXPECT_EQ(tag.PwdAuth(kPassword, pack), CardStatus::kNoAnswer);
}

TEST(NtagTagTest, UnknownCapabilityByteIsKeptForTheReaderToSee) {
    NtagTag tag(Model::kUltralight, kUid);
    tag.SetCapabilityByte(0x02);
    Activate(tag);
    EXPECT_EQ(ReadOk(tag, 0)[14], 0x02);
    // An Ultralight has 16 pages: a read of page 14 runs on into pages 0 and 1.
    EXPECT_EQ(ReadOk(tag, 14)[8], 0x04);
}

}  // namespace
}  // namespace sim
