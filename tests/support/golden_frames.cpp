#include "support/golden_frames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "core/protocol/reader_protocol_constants.h"
#include "driver/core/python_reference.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> out;
    if (hex == "-") return out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::array<std::uint8_t, 4> Mask(const std::string& hex) {
    const std::vector<std::uint8_t> bytes = Bytes(hex);
    std::array<std::uint8_t, 4> mask{};
    for (std::size_t i = 0; i < mask.size() && i < bytes.size(); ++i) mask[i] = bytes[i];
    return mask;
}

}  // namespace

GoldenFrames LoadGoldenFrames() {
    char k[9];
    std::snprintf(k, sizeof k, "%02X%02X%02X%02X", kReplyMask[0], kReplyMask[1], kReplyMask[2],
                  kReplyMask[3]);
    const std::string script = std::string("import runpy, sys\nsys.argv = ['golden', '") + k +
                               "']\nrunpy.run_path('" KORVICARD_GOLDEN_SCRIPT
                               "', run_name='__main__')\n";
    std::istringstream lines(RunPython(script));
    GoldenFrames golden;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind, mask, payload, frame;
        unsigned a = 0, b = 0, c = 0;
        fields >> kind;
        if (kind == "REQ") {
            unsigned packet = 0;
            fields >> packet >> mask >> a >> b >> payload >> frame;
            golden.requests.push_back({packet, Mask(mask), static_cast<std::uint8_t>(a),
                                       static_cast<std::uint8_t>(b), Bytes(payload), Bytes(frame)});
        } else if (kind == "REP") {
            fields >> mask >> a >> c >> payload >> frame;
            golden.replies.push_back({Mask(mask), static_cast<std::uint8_t>(a),
                                      static_cast<std::uint8_t>(c), Bytes(payload), Bytes(frame)});
        }
    }
    EXPECT_FALSE(golden.requests.empty());
    EXPECT_FALSE(golden.replies.empty());
    return golden;
}
