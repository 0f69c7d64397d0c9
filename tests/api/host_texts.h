#pragma once

#include <string>
#include <vector>

namespace api_test {

struct HostText {
    const char* what;
    std::string text;
    bool address;
};

// A dotted address and texts that begin with it or come near it but are no address: an
// export that takes only addresses connects to `address` for the first and for none of
// the others. Whatever a parser takes from them, it is the address itself: a faulty one
// still dials nothing but loopback.
inline std::vector<HostText> HostTextsAround(const std::string& address) {
    const std::size_t third = address.rfind('.');
    const std::size_t second = address.rfind('.', third - 1);
    const int part = std::stoi(address.substr(second + 1, third - second - 1));
    return {
        {"good", address, true},
        {"trailing dot part", address + ".", false},
        {"trailing blank and text", address + " junk", false},
        {"trailing letter", address + "x", false},
        {"five parts", address + ".1", false},
        {"empty", "", false},
        // Cut to a byte, the part would name the address itself.
        {"256 in a part",
         address.substr(0, second + 1) + std::to_string(part + 256) + address.substr(third), false},
        // Kept to 31 characters, the text would name the address itself.
        {"address past 31 characters", std::string(31 - address.size(), '0') + address + "x",
         false},
    };
}

}  // namespace api_test
