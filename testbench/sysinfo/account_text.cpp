#include "testbench/sysinfo/account_text.h"

#include <cstdio>
#include <limits>

#include "testbench/sysinfo/os_identity.h"

namespace sysunits {

std::string SidToText(const Sid& sid) {
    std::uint64_t authority = 0;
    for (std::uint8_t byte : sid.authority) authority = (authority << 8) | byte;
    std::string text = "S-" + std::to_string(sid.revision) + "-";
    if (authority >> 32) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "0x%012llx", static_cast<unsigned long long>(authority));
        text += hex;
    } else {
        text += std::to_string(authority);
    }
    for (std::uint32_t sub : sid.subAuthorities) text += "-" + std::to_string(sub);
    return text;
}

Sid UnixUserSid(std::uint32_t uid) {
    Sid sid;
    sid.authority = {0, 0, 0, 0, 0, 22};
    sid.subAuthorities = {1, uid};
    return sid;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "\NAME" at the start of `upperText` (the kernel's "\SystemRoot\..." form),
// the name ending at a separator or at the end of the text.
std::size_t FindWholeBackslashName(const std::string& upperText, const std::string& name) {
    const std::string pattern = "\\" + name;
    if (!upperText.starts_with(pattern)) return std::string::npos;
    const std::size_t after = pattern.size();
    if (after == upperText.size() || IsSeparator(upperText[after])) return 0;
    return std::string::npos;
}

}  // namespace

std::string ExpandEnvironmentText(std::string_view text,
                                  const std::vector<std::string>& environment,
                                  bool alsoBackslashNames) {
    std::string result(text);
    for (const std::string& entry : environment) {
        // Windows keeps per-drive entries such as "=C:=C:\"; the name runs to
        // the first '=' after the first character.
        const std::size_t equals = entry.find('=', 1);
        if (entry.empty() || equals == std::string::npos) continue;
        const std::string name = AsciiUpper(std::string_view(entry).substr(0, equals));
        const std::string_view value = std::string_view(entry).substr(equals + 1);
        const std::string upperText = AsciiUpper(result);
        const std::size_t pos = upperText.find("%" + name + "%");
        if (pos != std::string::npos) {
            result.replace(pos, name.size() + 2, value);
            continue;
        }
        if (!alsoBackslashNames) continue;
        const std::size_t slash = FindWholeBackslashName(upperText, name);
        if (slash != std::string::npos) result.replace(slash, name.size() + 1, value);
    }
    return result;
}

std::string UserAtDomain(std::string_view user, std::string_view domain,
                         std::string_view computerName) {
    if (user.empty()) return {};
    if (!domain.empty() && !EqualsIgnoreAsciiCase(domain, computerName))
        return std::string(user) + "@" + std::string(domain);
    return std::string(user);
}

std::string TranslationText(std::uint32_t translation) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", translation);
    const std::string text(hex);
    return text.substr(4, 4) + text.substr(0, 4);
}

VersionParts SplitVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
    return {mostSignificant >> 16, mostSignificant & 0xFFFF, leastSignificant >> 16,
            leastSignificant & 0xFFFF};
}

std::string_view FileNamePart(std::string_view path) {
    const std::size_t sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

bool SameFileName(std::string_view path, std::string_view name) {
    return !name.empty() && EqualsIgnoreAsciiCase(FileNamePart(path), name);
}

std::string ParentFolder(std::string_view path) {
    while (path.size() > 1 && IsSeparator(path.back())) path.remove_suffix(1);
    const std::size_t sep = path.find_last_of("/\\");
    if (sep == std::string_view::npos) return {};
    if (sep == 0) return std::string(path.substr(0, 1));
    return std::string(path.substr(0, sep));
}

std::size_t NextBufferSize(std::size_t currentBytes, std::size_t reportedBytes) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    const std::size_t doubled = currentBytes > kMax / 2 ? kMax : currentBytes * 2;
    const std::size_t grown = doubled == 0 ? 1 : doubled;
    return reportedBytes > grown ? reportedBytes : grown;
}

std::optional<ProcessEntry> SelectSessionProcess(const std::vector<ProcessEntry>& processes,
                                                 const std::vector<std::string>& names,
                                                 std::uint64_t currentSession) {
    for (const ProcessEntry& p : processes) {
        if (p.session != currentSession) continue;
        for (const std::string& name : names)
            if (EqualsIgnoreAsciiCase(p.name, name)) return p;
    }
    return std::nullopt;
}

}  // namespace sysunits
