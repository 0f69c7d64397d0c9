#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

namespace bench {

// The text with every character up to and including the blank removed from both ends.
QString TrimControls(const QString& text);

// An identity-card text field: its UTF-16LE units up to the first zero unit or its full
// width, trimmed as TrimControls does.
QString TwoIdFieldText(std::span<const std::uint8_t> field);

// The nationality name of a decimal nation code ("01" gives "汉"), without the suffix 族;
// "民族编码为空" for the empty text, the empty text for codes outside 1-56. A code that is
// not a decimal number throws ConversionError.
QString NationName(const QString& code);

// The text of an identity-card error code, looked up by its low eight bits.
QString TwoIdErrorText(int code);

// What a failure line tells of an identity-card error code: the code in decimal, then
// "错误描述:" and its text when the code has one (HasReaderText).
QString TwoIdErrorDetail(int code);

// The name of a SAM data type step (1-8), the empty text for any other value.
QString SamDataTypeName(std::uint8_t type);

}  // namespace bench
