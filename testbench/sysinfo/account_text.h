#pragma once

// The pure rules of the file-version, name, account and profile
// routines. The system queries that feed them are in linux_queries.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sysunits {

// A security identifier: revision, 6-byte identifier authority (big-endian),
// sub-authorities.
struct Sid {
    std::uint8_t revision = 1;
    std::array<std::uint8_t, 6> authority{};
    std::vector<std::uint32_t> subAuthorities;
};

// The standard text of a SID for every authority: "S-", the revision, the
// authority as one 48-bit number (decimal below 2^32, else "0x" and 12
// hexadecimal digits), then "-" and each sub-authority in unsigned decimal.
// The null SID is "S-1-0-0".
std::string SidToText(const Sid& sid);

// The SID that stands for a Unix account: the "Unix User" authority 22,
// S-1-22-1-<uid>, as Samba maps Unix users.
Sid UnixUserSid(std::uint32_t uid);

// %NAME% expansion over an environment given as "NAME=value" strings, for each
// entry in order, one replacement per entry: the first "%NAME%" (names compared
// ignoring ASCII case) is replaced by the value; when there is none and
// `alsoBackslashNames` is set, a "\NAME" that begins the text and whose name
// ends at a path separator or at the end of the text (the "\SystemRoot\..."
// form) is replaced, backslash included; a name never matches inside a
// longer path component, nor in the middle of a path. The
// text after a replacement is kept whole. Entries without a name are skipped.
std::string ExpandEnvironmentText(std::string_view text,
                                  const std::vector<std::string>& environment,
                                  bool alsoBackslashNames);

// The user@domain rule of the shell-process user: user + "@" + domain when a
// domain is known and differs (ignoring ASCII case) from the computer name;
// the user alone otherwise (and nothing when there is no user).
std::string UserAtDomain(std::string_view user, std::string_view domain,
                         std::string_view computerName);

// The first double word of "\VarFileInfo\Translation" as 8 upper-case hex
// digits, reordered as its last four followed by its first four (language,
// then code page): 0x04B00804 gives "080404B0".
std::string TranslationText(std::uint32_t translation);

// Four 16-bit parts of a version from its most and least significant double
// words.
struct VersionParts {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t release = 0;
    std::uint32_t build = 0;
    bool operator==(const VersionParts&) const = default;
};
VersionParts SplitVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

// The file-name part of a path ('/' and '\' both separate).
std::string_view FileNamePart(std::string_view path);

// The file-name part of `path` equals `name`, ignoring ASCII case.
bool SameFileName(std::string_view path, std::string_view name);

// A folder without its last path component ("/home/oscar/Desktop" gives
// "/home/oscar"); the root stays the root; a text without a separator gives
// nothing.
std::string ParentFolder(std::string_view path);

// Buffer growth in bytes: at least twice the current size, or the size the
// system reported when that is larger; saturates at the largest size_t.
std::size_t NextBufferSize(std::size_t currentBytes, std::size_t reportedBytes);

// A process as the process list sees it.
struct ProcessEntry {
    std::int64_t pid = 0;
    std::string name;           // file name of its executable
    std::uint64_t session = 0;  // its login session
    std::optional<std::uint32_t> ownerUid;
};

// The shell process of the current session: the first entry whose name is one
// of `names` (ignoring ASCII case) and whose session is `currentSession`;
// shell processes of other sessions are never taken.
std::optional<ProcessEntry> SelectSessionProcess(const std::vector<ProcessEntry>& processes,
                                                 const std::vector<std::string>& names,
                                                 std::uint64_t currentSession);

}  // namespace sysunits
