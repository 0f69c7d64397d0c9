#include "testbench/core/handler_run.h"

#include <QAbstractButton>
#include <cstring>

#include "testbench/core/error_texts.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"

namespace bench {

namespace {

struct CardTypeLines {
    char type;
    const char* success;
    const char* failure;
};

constexpr CardTypeLines kCardTypeLines[] = {
    {'A', "设置读卡器TYPE A成功", "调用KorviCardSetCardType TYPE_A失败!"},
    {'B', "设置读卡器TYPE B成功", "调用KorviCardSetCardType TYPE_B失败!"},
    {'C', "设置读卡器模拟卡模式成功", "调用KorviCardSetCardType 卡模拟失败!"},
    {'F', "调用KorviCardSetCardType TYPE_F成功!", "调用KorviCardSetCardType TYPE_F失败!"},
};

const CardTypeLines& LinesOf(char type) {
    for (const CardTypeLines& lines : kCardTypeLines) {
        if (lines.type == type) return lines;
    }
    return kCardTypeLines[0];
}

}  // namespace

HandlerRun::HandlerRun(BenchContext& context, LogMemo& log, HandlerRules rules)
    : context_(context), log_(log), rules_(std::move(rules)), lease_(context) {}

HandlerRun::~HandlerRun() {
    if (rules_.button != nullptr) rules_.button->setEnabled(true);
    const ReaderAtEnd atEnd =
        override_.value_or(succeeded_ ? rules_.atNormalEnd : rules_.afterFailure);
    if (atEnd == ReaderAtEnd::kClose) context_.CloseReaderDevice();
}

bool HandlerRun::Begin() {
    if (!context_.OpenReaderDevice(rules_.timeoutMs)) return false;
    if (rules_.button != nullptr) rules_.button->setEnabled(false);
    if (rules_.beep && !Check(QStringLiteral("KorviCardBeep"), KorviCardBeep(handle(), 10))) {
        return false;
    }
    return rules_.cardType == 0 || EnsureCardType(rules_.cardType);
}

bool HandlerRun::EnsureCardType(char type) {
    if (context_.curCardType() == type) return true;
    const CardTypeLines& lines = LinesOf(type);
    if (!context_.SetCardType(type)) {
        FailWithErrorText(QString::fromUtf8(lines.failure));
        return false;
    }
    Log(QString::fromUtf8(lines.success));
    return true;
}

KorviCardParam& HandlerRun::Param() {
    std::memset(&param_, 0, sizeof param_);
    return param_;
}

bool HandlerRun::Check(const QString& exportName, int result,
                       const std::optional<QString>& successLine) {
    if (result != 0) {
        Log(successLine.value_or(QStringLiteral("调用") + exportName + QStringLiteral("成功!")));
        return true;
    }
    FailWithErrorText(QStringLiteral("调用") + exportName + QStringLiteral("失败!"));
    return false;
}

bool HandlerRun::Expect(int result, const QString& failureLine) {
    if (result != 0) return true;
    FailWithErrorText(failureLine);
    return false;
}

void HandlerRun::Fail(const QString& line) {
    succeeded_ = false;
    if (!line.isEmpty()) Log(line);
}

void HandlerRun::FailWithErrorText(const QString& line) {
    Fail(WithReaderErrorText(line, handle()));
}

void HandlerRun::Log(const QString& line) { log_.AddLog(line); }

void LogCardNumber32(LogMemo& log, const KorviCardParam& param) {
    const std::uint32_t n = static_cast<std::uint32_t>(param.arrCardNo[0]) |
                            static_cast<std::uint32_t>(param.arrCardNo[1]) << 8 |
                            static_cast<std::uint32_t>(param.arrCardNo[2]) << 16 |
                            static_cast<std::uint32_t>(param.arrCardNo[3]) << 24;
    log.AddLog(QStringLiteral("卡号(16进制)：") +
               QStringLiteral("%1").arg(n, 8, 16, QLatin1Char('0')).toUpper());
    log.AddLog(QStringLiteral("卡号(10进制)：") + QString::number(n));
}

void LogCardNumberWide(LogMemo& log, const KorviCardParam& param, int count) {
    std::uint64_t n = 0;
    for (int i = count - 1; i >= 0; --i) n = n << 8 | param.arrCardNo[i];
    log.AddLog(QStringLiteral("卡号(16进制)：") +
               QStringLiteral("%1").arg(n, count * 2, 16, QLatin1Char('0')).toUpper());
    log.AddLog(QStringLiteral("卡号(10进制)：") +
               (count == 8 ? QString::number(static_cast<qint64>(n)) : QString::number(n)));
}

void SetTransportKey(KorviCardParam& param) { SetKey(param, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); }

void SetKey(KorviCardParam& param, const std::array<std::uint8_t, 6>& key) {
    std::memset(param.arrKeys, 0, sizeof param.arrKeys);
    std::memcpy(param.arrKeys, key.data(), key.size());
}

std::array<std::uint8_t, 6> KeyFromHexText(const QString& text) {
    if (text.size() != 12 || !IsHexText(text)) {
        throw ConversionError(QStringLiteral("密码“%1”不是12位十六进制数").arg(text));
    }
    std::array<std::uint8_t, 6> key{};
    int count = 0;
    HexToBytes(text, key, 63, count);
    return key;
}

}  // namespace bench
