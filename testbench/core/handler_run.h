#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "korvicard/KorviCardDriver.h"
#include "testbench/core/bench_context.h"

class QAbstractButton;

namespace bench {

class LogMemo;

// What the reader does when a handler ends.
enum class ReaderAtEnd { kClose, kKeepOpen };

// How one handler departs from the common pattern.
struct HandlerRules {
    int timeoutMs = 2000;
    QAbstractButton* button = nullptr;  // disabled for the run when set
    bool beep = true;
    char cardType = 0;  // the card type the handler needs; 0 for none
    ReaderAtEnd afterFailure = ReaderAtEnd::kClose;
    ReaderAtEnd atNormalEnd = ReaderAtEnd::kClose;
};

// One run of a button handler in the common pattern: holds the reader for the run, opens it,
// disables the button, beeps, sets the card type when it differs, logs each driver call as
// "调用<name>成功!" or "调用<name>失败!" with the reader's error text when the reader reported
// one, and at every exit enables the button and closes the reader by the rules.
//
//     HandlerRun run(context, *mmLog, {.timeoutMs = 0, .cardType = 'A'});
//     if (!run.Begin()) return;
//     KorviCardParam& param = run.Param();
//     if (!run.Check("KorviCardGetCardNo", KorviCardGetCardNo(run.handle(), 0x26, &param)))
//         return;
//     run.Succeed();
class HandlerRun {
  public:
    HandlerRun(BenchContext& context, LogMemo& log, HandlerRules rules);
    ~HandlerRun();
    HandlerRun(const HandlerRun&) = delete;
    HandlerRun& operator=(const HandlerRun&) = delete;

    // Opens the reader, beeps and sets the card type. False when the run ends here.
    bool Begin();

    int handle() const { return context_.hDevice(); }
    BenchContext& context() { return context_; }
    LogMemo& log() { return log_; }

    // The record zeroed to its 672 bytes, for the next call.
    KorviCardParam& Param();
    // The record as the calls before left it.
    KorviCardParam& Record() { return param_; }

    // Logs a driver call's result: "调用<name>成功!" (or successLine when given), or
    // "调用<name>失败!" with the reader's error text, which marks the run failed. Returns
    // whether the call succeeded (nonzero).
    bool Check(const QString& exportName, int result,
               const std::optional<QString>& successLine = std::nullopt);
    // A driver call whose success the handler logs itself: on failure logs failureLine with
    // the reader's error text and marks the run failed. Returns whether the call succeeded.
    bool Expect(int result, const QString& failureLine);
    // Logs a failure line of the handler's own text (none when empty) and marks the run
    // failed.
    void Fail(const QString& line);
    // The same with the reader's error text after the line, when the reader reported an
    // error (WithReaderErrorText).
    void FailWithErrorText(const QString& line);
    // Logs a line.
    void Log(const QString& line);

    // The run went to its normal end.
    void Succeed() { succeeded_ = true; }
    // Overrides the rules' choice of closing the reader when the run ends.
    void SetReaderAtEnd(ReaderAtEnd atEnd) { override_ = atEnd; }

    // Switches the reader to type when curCardType differs; logs the pattern's lines.
    bool EnsureCardType(char type);

  private:
    BenchContext& context_;
    LogMemo& log_;
    HandlerRules rules_;
    ReaderLease lease_;
    KorviCardParam param_{};
    bool succeeded_ = false;
    std::optional<ReaderAtEnd> override_;
};

// The two card-number lines of the first four bytes of arrCardNo (little-endian).
void LogCardNumber32(LogMemo& log, const KorviCardParam& param);
// The card-number lines of the first count (7 or 8) bytes of arrCardNo, little-endian; the
// decimal line is signed for eight bytes.
void LogCardNumberWide(LogMemo& log, const KorviCardParam& param, int count);

// The transport key in arrKeys: 64 bytes, the first six 0xFF.
void SetTransportKey(KorviCardParam& param);
// arrKeys := 64 zero bytes, then the six bytes of key.
void SetKey(KorviCardParam& param, const std::array<std::uint8_t, 6>& key);

// A Mifare key written as exactly 12 hexadecimal digits; throws ConversionError otherwise.
std::array<std::uint8_t, 6> KeyFromHexText(const QString& text);

}  // namespace bench
