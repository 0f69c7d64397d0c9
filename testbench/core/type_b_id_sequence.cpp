#include "testbench/core/type_b_id_sequence.h"

#include <algorithm>
#include <cstring>

#include "testbench/core/hex_text.h"

namespace bench {

const std::array<TypeBIdStep, 5> kTypeBIdSteps = {{
    {{0x00, 0x36, 0x00, 0x00, 0x08}, 5, "二代证ID：", 8},
    {{0x00, 0x84, 0x00, 0x00, 0x08}, 5, "随机数：", 8},
    {{0x00, 0x84, 0x00, 0x00, 0x08}, 5, "随机数：", 8},
    {{0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, 0x02}, 7, "选取文件6002：", 0},
    {{0x80, 0xB0, 0x00, 0x00, 0x20}, 5, "DN码：", 32},
}};

void LoadStep(KorviCardParam& param, const TypeBIdStep& step) {
    std::memset(&param, 0, sizeof param);
    std::memcpy(param.arrBuffer, step.apdu.data(), static_cast<std::size_t>(step.length));
    param.nBufferSize = step.length;
}

QString AnswerText(const KorviCardParam& param, bool withBlank) {
    const auto count = static_cast<std::size_t>(
        std::clamp(param.nBufferSize, 0, static_cast<int>(sizeof param.arrBuffer)));
    return BytesToHex(param.arrBuffer, count, withBlank);
}

bool AnswerAccepted(const KorviCardParam& param, const TypeBIdStep& step) {
    return param.nBufferSize >= step.statusAt + 2 && param.arrBuffer[step.statusAt] == 0x90 &&
           param.arrBuffer[step.statusAt + 1] == 0x00;
}

QString AnswerFormatError(const KorviCardParam& param, const TypeBIdStep& step) {
    return QString::fromUtf8(step.label) + AnswerText(param) + QStringLiteral("格式错误");
}

}  // namespace bench
