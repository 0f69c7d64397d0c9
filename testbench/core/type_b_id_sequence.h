#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "korvicard/KorviCardDriver.h"

namespace bench {

// One APDU of the identity card's type-B test: its bytes, the label its answer is logged
// under and where the answer's status word 90 00 stands.
struct TypeBIdStep {
    std::array<std::uint8_t, 7> apdu;
    int length;
    const char* label;
    int statusAt;
};

// Card identifier, two GET CHALLENGEs, SELECT of file 6002, READ BINARY of its DN code.
extern const std::array<TypeBIdStep, 5> kTypeBIdSteps;

// The record's arrBuffer/nBufferSize := the step's command.
void LoadStep(KorviCardParam& param, const TypeBIdStep& step);

// The answer in arrBuffer as upper-case hex, with a blank before each byte when withBlank.
QString AnswerText(const KorviCardParam& param, bool withBlank = false);

// True when the answer reaches the step's status position and holds 90 00 there.
bool AnswerAccepted(const KorviCardParam& param, const TypeBIdStep& step);

// The log line and error label text of an answer that was not accepted.
QString AnswerFormatError(const KorviCardParam& param, const TypeBIdStep& step);

// The APDU length argument of KorviCardSendCpuCommand for every step.
constexpr int kTypeBIdCommandMode = 100;

}  // namespace bench
