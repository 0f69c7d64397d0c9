#include "sim/field_console.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

namespace sim {

namespace {

constexpr std::size_t kMaxLine = 1024;

std::vector<std::string_view> Words(std::string_view line) {
    constexpr std::string_view kBlanks = " \t\r";
    std::vector<std::string_view> words;
    for (std::size_t start = line.find_first_not_of(kBlanks); start != std::string_view::npos;) {
        const std::size_t end = std::min(line.find_first_of(kBlanks, start), line.size());
        words.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(kBlanks, end);
    }
    return words;
}

}  // namespace

FieldConsole::FieldConsole(std::vector<FieldCard> held, PlaceCards place)
    : held_(std::move(held)), place_(std::move(place)) {}

std::string FieldConsole::Hint() const {
    return "Type `card NAME…` here to place cards (card none empties the field)" + Listing() +
           '\n';
}

std::string FieldConsole::Take(std::string_view bytes) {
    std::string answers;
    for (;;) {
        const std::size_t end = bytes.find('\n');
        if (!overlong_) pending_.append(bytes.substr(0, end));
        if (pending_.size() > kMaxLine) {
            overlong_ = true;
            pending_.clear();
        }
        if (end == std::string_view::npos) return answers;
        answers += Finish();
        bytes.remove_prefix(end + 1);
    }
}

std::string FieldConsole::Finish() {
    std::string answer = overlong_
                             ? Refuse("a line longer than " + std::to_string(kMaxLine) + " bytes")
                             : Answer(pending_);
    pending_.clear();
    overlong_ = false;
    return answer.empty() ? answer : answer + '\n';
}

std::string FieldConsole::Answer(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) return {};
    if (words[0] != "card") {
        return Refuse("unknown command \"" + std::string(words[0]) +
                      "\" (card NAME… places cards, card none empties the field)");
    }
    std::string reason;
    const std::optional<std::vector<FieldCard>> cards =
        ChooseFieldCards(std::span(words).subspan(1), &reason);
    if (!cards) return Refuse(reason);
    place_(*cards);
    held_ = *cards;
    return DescribeFieldCards(held_);
}

std::string FieldConsole::Refuse(const std::string& reason) const {
    return "refused: " + reason + Listing();
}

std::string FieldConsole::Listing() const {
    return "; the names: " + FieldCardNames(" ") + "; " + DescribeFieldCards(held_);
}

}  // namespace sim
