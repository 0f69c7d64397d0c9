#pragma once

#include <string>
#include <string_view>
#include <vector>

// The pieces of text between delimiters, empty pieces included: "a,,b" gives "a", "" and
// "b"; "a," gives "a" and "". An empty delimiter gives the whole text as one piece.
std::vector<std::string> SplitString(std::string_view text, std::string_view delimiter);
