#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/cards/apdu_responder.h"

namespace sim {

// A card application that answers from a small script: rules tried in order, the first
// whose command equals the APDU (or begins it, for a prefix rule) gives the answer.
// Unmatched commands get 6D 00 (instruction not supported) unless set otherwise.
//
// Script text, one rule a line, hex with blanks allowed:
//     00A4040007A0000000031010 => 6F0A8408A000000003101000 9000
//     0084000004*              => 11223344 9000
// A command ending in '*' is a prefix rule. The answer is data followed by SW1 SW2.
// Blank lines and lines beginning with '#' are skipped.
class ApduScript : public ApduResponder {
  public:
    struct Rule {
        std::vector<std::uint8_t> command;
        bool prefix;
        ApduAnswer answer;
    };

    ApduScript() = default;
    // Loads `script`; a malformed script is a mistake in the test that builds it, so it
    // throws std::invalid_argument naming the line.
    explicit ApduScript(std::string_view script);

    void Add(std::vector<std::uint8_t> command, ApduAnswer answer, bool prefix = false);
    // Adds every rule of `script`, or none: false (with the line and reason in `error`)
    // when a line is malformed.
    bool Load(std::string_view script, std::string* error = nullptr);
    void SetUnmatchedAnswer(ApduAnswer answer) { unmatched_ = std::move(answer); }

    ApduAnswer Process(std::span<const std::uint8_t> command) override;

    // Every command received, in order.
    const std::vector<std::vector<std::uint8_t>>& received() const { return received_; }
    const std::vector<Rule>& rules() const { return rules_; }

  private:
    std::vector<Rule> rules_;
    ApduAnswer unmatched_ = ApduAnswer::Status(0x6D, 0x00);
    std::vector<std::vector<std::uint8_t>> received_;
};

}  // namespace sim
