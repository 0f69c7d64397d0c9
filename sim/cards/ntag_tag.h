#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/cards/type_a_card.h"

namespace sim {

// A Mifare Ultralight (16 pages) or NTAG213/215/216 tag: 4-byte pages, the UID and its
// check bytes in pages 0-2, static lock bytes in page 2, the capability container in
// page 3, user memory from page 4. The NTAG21x types add dynamic lock bits, two
// configuration pages (AUTH0, ACCESS), a password and its acknowledge, GET_VERSION and
// PWD_AUTH.
//
// Over the reader: Read(page) is the tag's READ: four pages from `page` (16 bytes),
// rolling over to page 0 past the last page. Write(page, data) is WRITE /
// COMPATIBILITY WRITE: the first 4 bytes of `data` (4 to 16 bytes, the reader sends 16)
// go into `page`. A refused command (NAK) leaves the tag idle, like every type A card.
class NtagTag : public TypeACard {
  public:
    enum class Model { kUltralight, kNtag213, kNtag215, kNtag216 };
    using Page = std::array<std::uint8_t, 4>;

    // Where each area lies; 0 for what the model does not have.
    struct Layout {
        int pageCount;
        std::uint8_t ccSize;  // capability container byte 2: user memory / 8 bytes
        int lastUserPage;
        int dynamicLockPage;
        int dynamicLockPagesPerBit;
        int cfg0Page;  // MIRROR, RFUI, MIRROR_PAGE, AUTH0
        int cfg1Page;  // ACCESS (bit 7 PROT, bit 6 CFGLCK, bits 2-0 AUTHLIM), RFUI
        int pwdPage;
        int packPage;
        std::uint8_t versionStorageSize;  // GET_VERSION byte 6
    };

    static constexpr int kFirstUserPage = 4;
    static constexpr Page kDefaultPassword = {0xFF, 0xFF, 0xFF, 0xFF};

    // A fresh tag: pages 0-2 from the UID (BCC0 = 88 ^ UID0-2, BCC1 = UID3-6), no lock
    // bits, capability container E1 10 <size> 00, user memory zero, AUTH0 = FF (no
    // protection), password FF FF FF FF, PACK 00 00. `uid` is 7 bytes, first the maker
    // byte 04.
    explicit NtagTag(Model model,
                     std::array<std::uint8_t, 7> uid = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66});

    static const Layout& LayoutOf(Model model);
    Model model() const { return model_; }
    const Layout& layout() const { return LayoutOf(model_); }
    bool IsNtag21x() const { return model_ != Model::kUltralight; }

    std::uint16_t Atqa() const override { return 0x0044; }
    std::uint8_t Sak() const override { return 0x00; }
    std::vector<std::uint8_t> Uid() const override;

    // Refused (kNotAuthenticated) when a page of the four lies in the password-protected
    // area of a read-protected tag; the password and PACK pages read as zeros.
    CardStatus Read(std::uint8_t page, std::span<std::uint8_t, 16> out) override;
    // Pages 0-1 are read-only (kDenied); page 2 ORs its last two bytes into the lock
    // bits, page 3 and the dynamic lock page OR their bits in (one-time programmable);
    // locked pages and locked configuration are kDenied; pages from AUTH0 need PWD_AUTH
    // (kNotAuthenticated).
    CardStatus Write(std::uint8_t page, std::span<const std::uint8_t> data) override;

    // NTAG21x only (an Ultralight does not answer: kNoAnswer). The 8-byte version:
    // 00 04 04 02 01 00 <storage size> 03.
    CardStatus GetVersion(std::span<std::uint8_t, 8> out);
    // A matching password authenticates the session and answers PACK; a wrong one is
    // kNotAuthenticated and counts against AUTHLIM (once 2^AUTHLIM attempts failed, every
    // PWD_AUTH is refused).
    CardStatus PwdAuth(std::span<const std::uint8_t, 4> password,
                       std::array<std::uint8_t, 2>& pack);

    // Test access to the memory as it stands, without access rules.
    const Page& RawPage(int page) const { return pages_.at(static_cast<std::size_t>(page)); }
    void SetRawPage(int page, const Page& data) {
        pages_.at(static_cast<std::size_t>(page)) = data;
    }
    // The capability container's size byte (page 3 byte 2), e.g. a value no model uses.
    void SetCapabilityByte(std::uint8_t value) { pages_[3][2] = value; }
    // NTAG21x: password and PACK; protection from page `auth0` on, of reads and writes
    // when `readProtected`, else of writes only.
    void SetPassword(const Page& password, std::array<std::uint8_t, 2> pack);
    void SetProtection(std::uint8_t auth0, bool readProtected);
    bool authenticated() const { return authenticated_; }
    int failedAuthentications() const { return failedAuthentications_; }

  protected:
    void OnDeactivated() override { authenticated_ = false; }

  private:
    bool IsProtected(int page, bool forRead) const;
    bool IsLocked(int page) const;
    CardStatus Nak(CardStatus status);

    Model model_;
    std::vector<Page> pages_;
    bool authenticated_ = false;
    int failedAuthentications_ = 0;
};

}  // namespace sim
