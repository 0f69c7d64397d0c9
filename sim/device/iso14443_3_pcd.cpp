#include "sim/device/iso14443_3_pcd.h"

#include <algorithm>
#include <array>

namespace sim {
namespace {

// SELECT of one level with UID CLn and its BCC.
std::optional<std::uint8_t> SelectLevel(TypeACard& card, std::uint8_t sel,
                                        const TypeACard::UidCln& uidCln) {
    std::array<std::uint8_t, 7> command = {sel, TypeACard::kNvbSelect};
    std::copy(uidCln.begin(), uidCln.end(), command.begin() + 2);
    return card.Select(command);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> RunAnticollision(TypeACard& card, bool selectSingleLevel) {
    std::vector<std::uint8_t> uid;
    for (const std::uint8_t sel : TypeACard::kSelCodes) {
        const std::array<std::uint8_t, 2> anticollision = {sel, TypeACard::kNvbAnticollision};
        const std::optional<TypeACard::UidCln> uidCln = card.Anticollision(anticollision);
        if (!uidCln || TypeACard::Bcc(std::span(*uidCln).first<4>()) != (*uidCln)[4]) {
            return std::nullopt;
        }
        const bool more = (*uidCln)[0] == TypeACard::kCascadeTag;
        uid.insert(uid.end(), uidCln->begin() + (more ? 1 : 0), uidCln->begin() + 4);
        if (!more && uid.size() == 4 && !selectSingleLevel) return uid;
        const std::optional<std::uint8_t> sak = SelectLevel(card, sel, *uidCln);
        if (!sak || ((*sak & TypeACard::kSakCascadeBit) != 0) != more) return std::nullopt;
        if (!more) return uid;
    }
    return std::nullopt;  // a cascade tag on the third level
}

std::optional<std::uint8_t> SelectFirstLevel(TypeACard& card,
                                             std::span<const std::uint8_t, 4> uid) {
    TypeACard::UidCln uidCln{};
    std::copy(uid.begin(), uid.end(), uidCln.begin());
    uidCln[4] = TypeACard::Bcc(uid);
    return SelectLevel(card, TypeACard::kSelCodes[0], uidCln);
}

}  // namespace sim
