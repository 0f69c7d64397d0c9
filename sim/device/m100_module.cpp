#include "sim/device/m100_module.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kHeader = 0xBB;
constexpr std::uint8_t kEnd = 0x7E;
constexpr std::uint8_t kTypeCommand = 0x00;
constexpr std::uint8_t kTypeResponse = 0x01;
constexpr std::uint8_t kTypeNotice = 0x02;
constexpr std::size_t kOverhead = 7;
constexpr std::uint8_t kOn = 0xFF;
constexpr std::uint8_t kOff = 0x00;
constexpr std::size_t kMaxWriteWords = 16;
constexpr std::size_t kMaxReadWords = 32;
constexpr std::size_t kMaxMaskBytes = 32;
constexpr std::int8_t kQuietChannel = -80;

struct RegionChannels {
    std::uint8_t region;
    std::size_t channels;
};
constexpr RegionChannels kRegions[] = {{0x01, 20}, {0x02, 52}, {0x03, 15}, {0x04, 20}, {0x06, 32}};

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
    return sum;
}

Bytes Encode(std::uint8_t type, std::uint8_t command, std::span<const std::uint8_t> parameters) {
    Bytes frame = {kHeader, type, command, static_cast<std::uint8_t>(parameters.size() >> 8),
                   static_cast<std::uint8_t>(parameters.size())};
    frame.insert(frame.end(), parameters.begin(), parameters.end());
    frame.push_back(Sum(std::span<const std::uint8_t>(frame).subspan(1)));
    frame.push_back(kEnd);
    return frame;
}

Bytes Response(std::uint8_t command, std::span<const std::uint8_t> parameters) {
    return Encode(kTypeResponse, command, parameters);
}

Bytes Done(std::uint8_t command) { return Response(command, Bytes{0x00}); }

Bytes Error(std::uint8_t code) { return Response(M100Module::kErrorCommand, Bytes{code}); }

void PutBe16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

std::uint16_t Be16(const Bytes& p, std::size_t at) {
    return static_cast<std::uint16_t>(p[at] << 8 | p[at + 1]);
}

std::uint32_t Be32(const Bytes& p, std::size_t at) {
    return static_cast<std::uint32_t>(Be16(p, at)) << 16 | Be16(p, at + 2);
}

// UL, PC and EPC: how a tag names itself in the answer to a tag access.
Bytes TagIdentity(const UhfTag& tag) {
    Bytes out = {static_cast<std::uint8_t>(2 + tag.Epc().size())};
    PutBe16(out, tag.Pc());
    out.insert(out.end(), tag.Epc().begin(), tag.Epc().end());
    return out;
}

Bytes Notice(const UhfTag& tag) {
    Bytes p = {static_cast<std::uint8_t>(tag.rssi)};
    PutBe16(p, tag.Pc());
    p.insert(p.end(), tag.Epc().begin(), tag.Epc().end());
    PutBe16(p, tag.StoredCrc());
    return Encode(kTypeNotice, 0x22, p);
}

bool Switch(std::uint8_t value, bool& into) {
    if (value != kOn && value != kOff) return false;
    into = value == kOn;
    return true;
}

}  // namespace

M100Module::M100Module() { FitLevels(); }

std::size_t M100Module::ChannelCount() const {
    for (const RegionChannels& r : kRegions) {
        if (r.region == region) return r.channels;
    }
    return 0;
}

void M100Module::QueueAnswerFault(AnswerFault fault, std::size_t truncateTo) {
    faults_.emplace_back(fault, truncateTo);
}

std::vector<std::vector<std::uint8_t>> M100Module::Process(std::span<const std::uint8_t> frame) {
    const bool framed =
        frame.size() >= kOverhead && frame[0] == kHeader && frame[1] == kTypeCommand &&
        frame.size() == kOverhead + (static_cast<std::size_t>(frame[3]) << 8 | frame[4]) &&
        Sum(frame.subspan(1, frame.size() - 3)) == frame[frame.size() - 2] && frame.back() == kEnd;
    if (!framed) {
        ++rejectedFrames_;
        return {};
    }
    Command command{frame[2], Bytes(frame.begin() + 5, frame.end() - 2)};
    commands_.push_back(command);
    Frames answers = Run(command);
    if (!answers.empty()) Damage(answers.front());
    return answers;
}

void M100Module::Damage(Frame& frame) {
    if (faults_.empty()) return;
    const auto [fault, truncateTo] = faults_.front();
    faults_.pop_front();
    switch (fault) {
        case AnswerFault::kBadChecksum:
            frame[frame.size() - 2] ^= 0x5A;
            break;
        case AnswerFault::kBadEnd:
            frame.back() = 0x00;
            break;
        case AnswerFault::kBadHeader:
            frame.front() = 0xAA;
            break;
        case AnswerFault::kTruncate:
            frame.resize(std::min(truncateTo, frame.size()));
            break;
        case AnswerFault::kLongLength: {
            const std::size_t length = (static_cast<std::size_t>(frame[3]) << 8 | frame[4]) + 1;
            frame[3] = static_cast<std::uint8_t>(length >> 8);
            frame[4] = static_cast<std::uint8_t>(length);
            frame[frame.size() - 2] =
                Sum(std::span<const std::uint8_t>(frame).subspan(1, frame.size() - 3));
            break;
        }
    }
}

M100Module::Frames M100Module::Run(const Command& c) {
    const Bytes& p = c.parameters;
    const auto sized = [&](std::size_t n) { return p.size() == n; };
    switch (c.command) {
        case 0x03:
            if (!sized(1) || p[0] >= info.size()) break;
            {
                Bytes answer = {p[0]};
                answer.insert(answer.end(), info[p[0]].begin(), info[p[0]].end());
                return {Response(c.command, answer)};
            }
        case 0x22:
            if (!sized(0)) break;
            return Inventory(1);
        case 0x27:
            if (!sized(3) || p[0] != 0x22 || Be16(p, 1) == 0) break;
            multipleInventory = true;
            return Inventory(Be16(p, 1));
        case 0x28:
            if (!sized(0)) break;
            multipleInventory = false;
            return {Done(c.command)};
        case 0x0C:
            return SetSelect(p);
        case 0x12:
            if (!sized(1) || p[0] > 2) break;
            inventoryMode = p[0];
            return {Done(c.command)};
        case 0x39:
            return ReadTag(p);
        case 0x49:
            return WriteTag(p);
        case 0x82:
            return LockTag(p);
        case 0x65:
            return KillTag(p);
        case 0x0D:
            if (!sized(0)) break;
            {
                Bytes answer;
                PutBe16(answer, queryParameter);
                return {Response(c.command, answer)};
            }
        case 0x0E:
            if (!sized(2)) break;
            queryParameter = Be16(p, 0);
            return {Done(c.command)};
        case 0x07:
            if (!sized(1) ||
                std::none_of(std::begin(kRegions), std::end(kRegions),
                             [&](const RegionChannels& r) { return r.region == p[0]; })) {
                break;
            }
            region = p[0];
            channel = 0;
            FitLevels();
            return {Done(c.command)};
        case 0xAB:
            if (!sized(1) || p[0] >= ChannelCount()) break;
            channel = p[0];
            return {Done(c.command)};
        case 0xAA:
            if (!sized(0)) break;
            return {Response(c.command, Bytes{channel})};
        case 0xAD:
            if (!sized(1) || !Switch(p[0], frequencyHopping)) break;
            return {Done(c.command)};
        case 0xB0:
            if (!sized(1) || !Switch(p[0], carrier)) break;
            return {Done(c.command)};
        case 0xB7:
            if (!sized(0)) break;
            {
                Bytes answer;
                PutBe16(answer, power);
                return {Response(c.command, answer)};
            }
        case 0xB6:
            if (!sized(2) || Be16(p, 0) > kMaxPower) break;
            power = Be16(p, 0);
            return {Done(c.command)};
        case 0xF1:
            if (!sized(0)) break;
            {
                Bytes answer = {mixerGain, ifGain};
                PutBe16(answer, threshold);
                return {Response(c.command, answer)};
            }
        case 0xF0:
            if (!sized(4)) break;
            mixerGain = p[0];
            ifGain = p[1];
            threshold = Be16(p, 2);
            return {Done(c.command)};
        case 0xF2:
        case 0xF3:
            if (!sized(0)) break;
            {
                const std::vector<std::int8_t>& levels =
                    c.command == 0xF2 ? jammerLevels : rssiLevels;
                Bytes answer = {0, static_cast<std::uint8_t>(levels.size() - 1)};
                for (std::int8_t level : levels) answer.push_back(static_cast<std::uint8_t>(level));
                return {Response(c.command, answer)};
            }
        default:
            break;
    }
    return {Error(kBadCommand)};
}

M100Module::Frames M100Module::Inventory(std::size_t rounds) {
    Frames notices;
    for (std::size_t round = 0; round < rounds && notices.size() < kMaxNotices; ++round) {
        for (const UhfTag& tag : tags) {
            if (notices.size() == kMaxNotices) break;
            if (inventoryMode != 0 || Selected(tag)) notices.push_back(Notice(tag));
        }
    }
    if (notices.empty()) return {Error(kNoTag)};
    return notices;
}

bool M100Module::Selected(const UhfTag& tag) const {
    return tag.Matches(select.selParam & 0x03, select.pointer, select.maskBits, select.mask);
}

UhfTag* M100Module::AccessTarget() {
    for (UhfTag& tag : tags) {
        if (inventoryMode == 1 || Selected(tag)) return &tag;
    }
    return nullptr;
}

M100Module::Frames M100Module::SetSelect(const Bytes& p) {
    constexpr std::size_t kHead = 7;
    if (p.size() < kHead || p.size() - kHead > kMaxMaskBytes) return {Error(kBadCommand)};
    const std::size_t maskBytes = p.size() - kHead;
    if (maskBytes * 8 < p[5]) return {Error(kBadCommand)};
    select = {p[0], Be32(p, 1), p[5], p[6], Bytes(p.begin() + kHead, p.end())};
    return {Done(0x0C)};
}

M100Module::Frames M100Module::ReadTag(const Bytes& p) {
    if (p.size() != 9) return {Error(kBadCommand)};
    UhfTag* tag = AccessTarget();
    if (tag == nullptr) return {Error(kReadFailed)};
    if (tag->AccessPassword() != 0 && tag->AccessPassword() != Be32(p, 0)) {
        return {Error(kWrongPassword)};
    }
    const std::uint8_t bank = p[4];
    const std::size_t start = Be16(p, 5);
    std::size_t words = Be16(p, 7);
    if (bank >= UhfTag::kBankCount) return {Error(kBadCommand)};
    if (words == 0) {
        const std::size_t bankWords = tag->BankBytes(bank).size() / 2;
        words = start < bankWords ? std::min(bankWords - start, kMaxReadWords) : 0;
    }
    if (words > kMaxReadWords) return {Error(kBadCommand)};
    const std::optional<Bytes> data = tag->ReadWords(bank, start, words);
    if (!data || words == 0) return {Error(kMemoryOverrun)};
    Bytes answer = TagIdentity(*tag);
    answer.insert(answer.end(), data->begin(), data->end());
    return {Response(0x39, answer)};
}

M100Module::Frames M100Module::WriteTag(const Bytes& p) {
    if (p.size() < 9) return {Error(kBadCommand)};
    const std::size_t words = Be16(p, 7);
    if (words == 0 || words > kMaxWriteWords || p.size() != 9 + 2 * words) {
        return {Error(kBadCommand)};
    }
    UhfTag* tag = AccessTarget();
    if (tag == nullptr) return {Error(kWriteFailed)};
    if (tag->AccessPassword() != 0 && tag->AccessPassword() != Be32(p, 0)) {
        return {Error(kWrongPassword)};
    }
    Bytes answer = TagIdentity(*tag);
    if (!tag->WriteWords(p[4], Be16(p, 5), std::span<const std::uint8_t>(p).subspan(9))) {
        return {Error(kMemoryOverrun)};
    }
    answer.push_back(0x00);
    return {Response(0x49, answer)};
}

M100Module::Frames M100Module::LockTag(const Bytes& p) {
    if (p.size() != 7) return {Error(kBadCommand)};
    UhfTag* tag = AccessTarget();
    if (tag == nullptr) return {Error(kLockFailed)};
    if (tag->AccessPassword() != Be32(p, 0)) return {Error(kWrongPassword)};
    tag->lockPayload = std::array<std::uint8_t, 3>{p[4], p[5], p[6]};
    Bytes answer = TagIdentity(*tag);
    answer.push_back(0x00);
    return {Response(0x82, answer)};
}

M100Module::Frames M100Module::KillTag(const Bytes& p) {
    if (p.size() != 4) return {Error(kBadCommand)};
    UhfTag* tag = AccessTarget();
    if (tag == nullptr || tag->KillPassword() == 0 || tag->KillPassword() != Be32(p, 0)) {
        return {Error(kKillFailed)};
    }
    Bytes answer = TagIdentity(*tag);
    answer.push_back(0x00);
    tags.erase(tags.begin() + (tag - tags.data()));
    return {Response(0x65, answer)};
}

void M100Module::FitLevels() {
    jammerLevels.resize(ChannelCount(), kQuietChannel);
    rssiLevels.resize(ChannelCount(), kQuietChannel);
}

}  // namespace sim
