// Card operations driven by one comma-separated command text, answered with text.
#include "core/modules/string_command.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <span>

#include "core/cards/card_apdu.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

using Fields = std::vector<std::string>;
// The text a verb answers with, when it has one.
using Output = std::optional<std::string>;

constexpr int kMinOutputSize = 256;
constexpr std::size_t kMinFields = 5;
constexpr std::size_t kVerbField = 3;
constexpr std::size_t kBlockDigits = 32;
constexpr std::size_t kCardNoBytes = 4;
constexpr const char* kTooFewParameters = "Too few parameters";
constexpr const char* kUnknownCommand = "Unknown Command";

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A decimal argument; the operation it is given to checks its range.
std::optional<int> Decimal(std::string_view field) {
    const std::string_view text = Trimmed(field);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of hex text (two digits a byte) into output; their count, or nothing for an
// odd count, a character that is no hex digit or more bytes than capacity.
std::optional<std::size_t> HexBytes(std::string_view field, std::uint8_t* output,
                                    std::size_t capacity) {
    const std::string_view text = Trimmed(field);
    if (text.size() % 2 != 0 || text.size() / 2 > capacity) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        output[i / 2] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return text.size() / 2;
}

std::string LowerHex(std::span<const std::uint8_t> bytes) {
    std::string text(2 * bytes.size(), '\0');
    FormatHex(bytes, text.data(), false);
    return text;
}

// The COS answer of a record as hex text.
std::string CosResultHex(const KorviCardParam& record) {
    const std::size_t length =
        std::min<std::size_t>(record.unCosReultBufferLength, sizeof record.arrCosResultBuffer);
    return LowerHex({record.arrCosResultBuffer, length});
}

// One verb: runs its operation on a zeroed record; text := its output when it has one.
using VerbRun = bool (*)(ReaderSession&, const Fields&, KorviCardParam&, Output& text);

struct Verb {
    std::string_view name;
    std::size_t fields;
    VerbRun run;
};

constexpr Verb kVerbs[] = {
    {"Beep", 6,
     [](ReaderSession& s, const Fields& f, KorviCardParam&, Output&) {
         const auto time = Decimal(f[5]);
         return time && s.Beep(*time);
     }},
    {"GetCardNo", 6,
     [](ReaderSession& s, const Fields& f, KorviCardParam& r, Output& text) {
         const auto mode = Decimal(f[5]);
         if (!mode || !s.GetCardNo(*mode, &r)) return false;
         text = LowerHex({r.arrCardNo, kCardNoBytes}) + "," + std::to_string(r.nCardType) + "," +
                std::to_string(r.nCardSize);
         return true;
     }},
    {"LoadKey", 8,
     [](ReaderSession& s, const Fields& f, KorviCardParam& r, Output&) {
         const auto keyMode = Decimal(f[5]);
         const auto sector = Decimal(f[6]);
         const auto keyBytes = HexBytes(f[7], r.arrKeys, sizeof r.arrKeys);
         if (!keyMode || !sector || !keyBytes) return false;
         r.nKeysSize = static_cast<std::int32_t>(*keyBytes);
         return s.LoadKey(*keyMode, *sector, &r);
     }},
    {"Authentication", 7,
     [](ReaderSession& s, const Fields& f, KorviCardParam& r, Output&) {
         const auto keyMode = Decimal(f[5]);
         const auto sector = Decimal(f[6]);
         return keyMode && sector && s.Authentication(*keyMode, *sector, &r);
     }},
    {"Read", 6,
     [](ReaderSession& s, const Fields& f, KorviCardParam& r, Output& text) {
         const auto block = Decimal(f[5]);
         if (!block || !s.Read(*block, &r)) return false;
         text = LowerHex({r.arrBuffer, kBlockDigits / 2});
         return true;
     }},
    {"Write", 7,
     [](ReaderSession& s, const Fields& f, KorviCardParam& r, Output&) {
         const auto block = Decimal(f[5]);
         const std::string_view data = Trimmed(f[6]);
         if (!block || data.size() < kBlockDigits ||
             !HexBytes(data.substr(0, kBlockDigits), r.arrBuffer, sizeof r.arrBuffer)) {
             return false;
         }
         r.nBufferSize = kBlockDigits / 2;
         return s.Write(*block, &r);
     }},
    {"ResetCpuCardNoGetCardNo", 5,
     [](ReaderSession& s, const Fields&, KorviCardParam& r, Output& text) {
         if (!s.ResetCpuCardNoGetCardNo(&r)) return false;
         text = CosResultHex(r);
         return true;
     }},
    {"Halt", 5, [](ReaderSession& s, const Fields&, KorviCardParam&, Output&) { return s.Halt(); }},
    {"SendCOSCommand", 6,
     [](ReaderSession& s, const Fields& f, KorviCardParam& r, Output& text) {
         const auto length = HexBytes(f[5], r.arrCosSendBuffer, sizeof r.arrCosSendBuffer);
         if (!length || *length == 0) return false;
         r.unCosSendBufferLength = static_cast<std::uint32_t>(*length);
         if (!s.Iso14443SendCOSCommand(&r)) return false;
         text = CosResultHex(r);
         return true;
     }},
    {"DeselectCpuCard", 5,
     [](ReaderSession& s, const Fields&, KorviCardParam& r, Output& text) {
         if (!s.DeselectCpuCard(&r)) return false;
         text = CosResultHex(r);
         return true;
     }},
};

// text and its terminator into output when they fit size bytes.
bool WriteOutput(const std::string& text, char* output, int size) {
    if (text.size() >= static_cast<std::size_t>(size)) return false;
    std::memcpy(output, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

std::vector<std::string> SplitString(std::string_view text, std::string_view delimiter) {
    if (delimiter.empty()) return {std::string(text)};
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(delimiter, from);
        if (at == std::string_view::npos) {
            pieces.emplace_back(text.substr(from));
            return pieces;
        }
        pieces.emplace_back(text.substr(from, at - from));
        from = at + delimiter.size();
    }
}

bool ReaderSession::ExecStringCommand(const char* text, int length, char* output, int size) {
    if (text == nullptr || output == nullptr || length <= 0 || size < kMinOutputSize) {
        return false;
    }
    const Fields fields = SplitString({text, strnlen(text, static_cast<std::size_t>(length))}, ",");
    if (fields.size() < kMinFields) return false;
    for (const Verb& verb : kVerbs) {
        if (fields[kVerbField] != verb.name) continue;
        if (fields.size() < verb.fields) {
            WriteOutput(kTooFewParameters, output, size);
            return false;
        }
        KorviCardParamLong record{};
        Output result;
        if (!verb.run(*this, fields, record.param, result)) return false;
        return !result || WriteOutput(*result, output, size);
    }
    WriteOutput(kUnknownCommand, output, size);
    return true;
}
