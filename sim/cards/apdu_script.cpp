#include "sim/cards/apdu_script.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace sim {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Hex digits with blanks between them; nothing for an odd count or another character.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0) {
        return std::nullopt;
    }
    return bytes;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// One rule line, or the reason it is malformed.
std::optional<ApduScript::Rule> ParseRule(std::string_view line, std::string& reason) {
    const auto arrow = line.find("=>");
    if (arrow == std::string_view::npos) {
        reason = "no '=>'";
        return std::nullopt;
    }
    std::string_view command = Trim(line.substr(0, arrow));
    const bool prefix = !command.empty() && command.back() == '*';
    if (prefix) {
        command.remove_suffix(1);
    }
    auto commandBytes = ParseHex(command);
    auto answerBytes = ParseHex(line.substr(arrow + 2));
    if (!commandBytes || commandBytes->empty()) {
        reason = "command is not hex";
        return std::nullopt;
    }
    if (!answerBytes || answerBytes->size() < 2) {
        reason = "answer is not hex data with a status word";
        return std::nullopt;
    }
    ApduAnswer answer;
    answer.sw2 = answerBytes->back();
    answerBytes->pop_back();
    answer.sw1 = answerBytes->back();
    answerBytes->pop_back();
    answer.data = std::move(*answerBytes);
    return ApduScript::Rule{std::move(*commandBytes), prefix, std::move(answer)};
}

}  // namespace

ApduScript::ApduScript(std::string_view script) {
    std::string error;
    if (!Load(script, &error)) {
        throw std::invalid_argument("APDU script: " + error);
    }
}

void ApduScript::Add(std::vector<std::uint8_t> command, ApduAnswer answer, bool prefix) {
    rules_.push_back(Rule{std::move(command), prefix, std::move(answer)});
}

bool ApduScript::Load(std::string_view script, std::string* error) {
    std::vector<Rule> loaded;
    int lineNumber = 0;
    while (!script.empty()) {
        ++lineNumber;
        const auto end = script.find('\n');
        const std::string_view line = Trim(script.substr(0, end));
        script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::string reason;
        auto rule = ParseRule(line, reason);
        if (!rule) {
            if (error != nullptr) {
                *error = "line " + std::to_string(lineNumber) + ": " + reason;
            }
            return false;
        }
        loaded.push_back(std::move(*rule));
    }
    rules_.insert(rules_.end(), std::make_move_iterator(loaded.begin()),
                  std::make_move_iterator(loaded.end()));
    return true;
}

ApduAnswer ApduScript::Process(std::span<const std::uint8_t> command) {
    received_.emplace_back(command.begin(), command.end());
    for (const Rule& rule : rules_) {
        const bool matches =
            rule.prefix ? command.size() >= rule.command.size() &&
                              std::equal(rule.command.begin(), rule.command.end(), command.begin())
                        : std::equal(rule.command.begin(), rule.command.end(), command.begin(),
                                     command.end());
        if (matches) {
            return rule.answer;
        }
    }
    return unmatched_;
}

}  // namespace sim
