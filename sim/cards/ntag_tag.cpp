#include "sim/cards/ntag_tag.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t kProtBit = 0x80;     // ACCESS: reads protected too
constexpr std::uint8_t kCfgLockBit = 0x40;  // ACCESS: configuration pages frozen
constexpr std::uint8_t kAuthLimMask = 0x07;
constexpr int kAuth0Byte = 3;
constexpr int kFirstDynamicLockedPage = 16;

// Lock byte 0 (page 2 byte 2): bit 0 BL-CC, bit 1 BL-9-4, bit 2 BL-15-10, bit 3 L-CC,
// bits 4-7 L-4..L-7. Lock byte 1 (page 2 byte 3): L-8..L-15.
// Bits a block-lock bit freezes, as masks over (lock byte 0, lock byte 1).
struct FrozenBits {
    std::uint8_t byte0;
    std::uint8_t byte1;
};

FrozenBits Frozen(std::uint8_t lock0) {
    FrozenBits frozen{static_cast<std::uint8_t>(lock0 & 0x07),
                      0x00};  // block-lock bits once set stay set
    if (lock0 & 0x01) {
        frozen.byte0 |= 0x08;
    }
    if (lock0 & 0x02) {
        frozen.byte0 |= 0xF0;
        frozen.byte1 |= 0x03;
    }
    if (lock0 & 0x04) {
        frozen.byte1 |= 0xFC;
    }
    return frozen;
}

}  // namespace

const NtagTag::Layout& NtagTag::LayoutOf(Model model) {
    static constexpr Layout kUltralight{16, 0x06, 15, 0, 0, 0, 0, 0, 0, 0};
    static constexpr Layout kNtag213{45, 0x12, 39, 40, 2, 41, 42, 43, 44, 0x0F};
    static constexpr Layout kNtag215{135, 0x3E, 129, 130, 16, 131, 132, 133, 134, 0x11};
    static constexpr Layout kNtag216{231, 0x6D, 225, 226, 16, 227, 228, 229, 230, 0x13};
    switch (model) {
        case Model::kNtag213:
            return kNtag213;
        case Model::kNtag215:
            return kNtag215;
        case Model::kNtag216:
            return kNtag216;
        case Model::kUltralight:
            break;
    }
    return kUltralight;
}

NtagTag::NtagTag(Model model, std::array<std::uint8_t, 7> uid)
    : model_(model), pages_(static_cast<std::size_t>(LayoutOf(model).pageCount), Page{}) {
    const Layout& l = layout();
    pages_[0] = {uid[0], uid[1], uid[2],
                 static_cast<std::uint8_t>(0x88 ^ uid[0] ^ uid[1] ^ uid[2])};
    pages_[1] = {uid[3], uid[4], uid[5], uid[6]};
    pages_[2] = {static_cast<std::uint8_t>(uid[3] ^ uid[4] ^ uid[5] ^ uid[6]), 0x48, 0x00, 0x00};
    pages_[3] = {0xE1, 0x10, l.ccSize, 0x00};
    if (IsNtag21x()) {
        pages_[static_cast<std::size_t>(l.cfg0Page)] = {0x04, 0x00, 0x00, 0xFF};
        pages_[static_cast<std::size_t>(l.cfg1Page)] = {0x00, 0x05, 0x00, 0x00};
        pages_[static_cast<std::size_t>(l.pwdPage)] = kDefaultPassword;
    }
}

std::vector<std::uint8_t> NtagTag::Uid() const {
    return {pages_[0][0], pages_[0][1], pages_[0][2], pages_[1][0],
            pages_[1][1], pages_[1][2], pages_[1][3]};
}

CardStatus NtagTag::Nak(CardStatus status) {
    Deactivate();
    return status;
}

bool NtagTag::IsProtected(int page, bool forRead) const {
    if (!IsNtag21x() || authenticated_) {
        return false;
    }
    const Layout& l = layout();
    const int auth0 = pages_[static_cast<std::size_t>(l.cfg0Page)][kAuth0Byte];
    if (page < auth0) {
        return false;
    }
    return !forRead || (pages_[static_cast<std::size_t>(l.cfg1Page)][0] & kProtBit) != 0;
}

bool NtagTag::IsLocked(int page) const {
    const std::uint8_t lock0 = pages_[2][2];
    const std::uint8_t lock1 = pages_[2][3];
    if (page == 3) {
        return (lock0 & 0x08) != 0;
    }
    if (page >= 4 && page <= 7) {
        return (lock0 & (1u << page)) != 0;
    }
    if (page >= 8 && page <= 15) {
        return (lock1 & (1u << (page - 8))) != 0;
    }
    const Layout& l = layout();
    if (!IsNtag21x()) {
        return false;
    }
    if (page >= kFirstDynamicLockedPage && page <= l.lastUserPage) {
        const int bit = (page - kFirstDynamicLockedPage) / l.dynamicLockPagesPerBit;
        const Page& dyn = pages_[static_cast<std::size_t>(l.dynamicLockPage)];
        return (dyn[static_cast<std::size_t>(bit / 8)] & (1u << (bit % 8))) != 0;
    }
    if (page == l.cfg0Page || page == l.cfg1Page) {
        return (pages_[static_cast<std::size_t>(l.cfg1Page)][0] & kCfgLockBit) != 0;
    }
    return false;
}

CardStatus NtagTag::Read(std::uint8_t page, std::span<std::uint8_t, 16> out) {
    if (state() != State::kActive) {
        return CardStatus::kNoAnswer;
    }
    const Layout& l = layout();
    if (page >= l.pageCount) {
        return Nak(CardStatus::kOutOfRange);
    }
    std::array<std::uint8_t, 16> data{};
    for (int k = 0; k < 4; ++k) {
        const int p = (page + k) % l.pageCount;
        if (IsProtected(p, true)) {
            return Nak(CardStatus::kNotAuthenticated);
        }
        if (IsNtag21x() && (p == l.pwdPage || p == l.packPage)) {
            continue;
        }
        std::copy(pages_[static_cast<std::size_t>(p)].begin(),
                  pages_[static_cast<std::size_t>(p)].end(), data.begin() + 4 * k);
    }
    std::copy(data.begin(), data.end(), out.begin());
    return CardStatus::kOk;
}

CardStatus NtagTag::Write(std::uint8_t page, std::span<const std::uint8_t> data) {
    if (state() != State::kActive) {
        return CardStatus::kNoAnswer;
    }
    const Layout& l = layout();
    if (data.size() < 4 || data.size() > 16) {
        return Nak(CardStatus::kBadLength);
    }
    if (page >= l.pageCount) {
        return Nak(CardStatus::kOutOfRange);
    }
    if (page < 2) {
        return Nak(CardStatus::kDenied);
    }
    if (IsProtected(page, false)) {
        return Nak(CardStatus::kNotAuthenticated);
    }
    if (IsLocked(page)) {
        return Nak(CardStatus::kDenied);
    }
    Page& target = pages_[page];
    if (page == 2) {
        const FrozenBits frozen = Frozen(target[2]);
        target[2] |= static_cast<std::uint8_t>(data[2] & ~frozen.byte0);
        target[3] |= static_cast<std::uint8_t>(data[3] & ~frozen.byte1);
    } else if (page == 3 || (IsNtag21x() && page == l.dynamicLockPage)) {
        for (std::size_t i = 0; i < 4; ++i) {
            target[i] |= data[i];
        }
    } else {
        std::copy(data.begin(), data.begin() + 4, target.begin());
    }
    return CardStatus::kOk;
}

CardStatus NtagTag::GetVersion(std::span<std::uint8_t, 8> out) {
    if (state() != State::kActive) {
        return CardStatus::kNoAnswer;
    }
    if (!IsNtag21x()) {
        return Nak(CardStatus::kNoAnswer);
    }
    const std::array<std::uint8_t, 8> version = {
        0x00, 0x04, 0x04, 0x02, 0x01, 0x00, layout().versionStorageSize, 0x03};
    std::copy(version.begin(), version.end(), out.begin());
    return CardStatus::kOk;
}

CardStatus NtagTag::PwdAuth(std::span<const std::uint8_t, 4> password,
                            std::array<std::uint8_t, 2>& pack) {
    if (state() != State::kActive) {
        return CardStatus::kNoAnswer;
    }
    if (!IsNtag21x()) {
        return Nak(CardStatus::kNoAnswer);
    }
    const Layout& l = layout();
    const int authLim = pages_[static_cast<std::size_t>(l.cfg1Page)][0] & kAuthLimMask;
    if (authLim != 0 && failedAuthentications_ >= (1 << authLim)) {
        return Nak(CardStatus::kNotAuthenticated);
    }
    const Page& stored = pages_[static_cast<std::size_t>(l.pwdPage)];
    if (!std::equal(password.begin(), password.end(), stored.begin())) {
        if (authLim != 0) {
            ++failedAuthentications_;
        }
        return Nak(CardStatus::kNotAuthenticated);
    }
    failedAuthentications_ = 0;
    authenticated_ = true;
    const Page& ack = pages_[static_cast<std::size_t>(l.packPage)];
    pack = {ack[0], ack[1]};
    return CardStatus::kOk;
}

void NtagTag::SetPassword(const Page& password, std::array<std::uint8_t, 2> pack) {
    if (!IsNtag21x()) {
        return;
    }
    pages_[static_cast<std::size_t>(layout().pwdPage)] = password;
    pages_[static_cast<std::size_t>(layout().packPage)] = {pack[0], pack[1], 0x00, 0x00};
}

void NtagTag::SetProtection(std::uint8_t auth0, bool readProtected) {
    if (!IsNtag21x()) {
        return;
    }
    pages_[static_cast<std::size_t>(layout().cfg0Page)][kAuth0Byte] = auth0;
    std::uint8_t& access = pages_[static_cast<std::size_t>(layout().cfg1Page)][0];
    access = static_cast<std::uint8_t>(readProtected ? (access | kProtBit) : (access & ~kProtBit));
}

}  // namespace sim
