#pragma once

#include "testbench/core/bounded_hex.h"
#include "testbench/core/handler_run.h"

class QAbstractButton;

namespace bench {

// The contact page's frame: open without waiting and without a beep; the reader stays open
// so that the slot's state carries over to the next button.
inline HandlerRules SlotRules(QAbstractButton* button) {
    return {.timeoutMs = 0,
            .button = button,
            .beep = false,
            .afterFailure = ReaderAtEnd::kKeepOpen,
            .atNormalEnd = ReaderAtEnd::kKeepOpen};
}

// The card reads that close the reader at every exit.
inline HandlerRules ClosingRules(QAbstractButton* button) {
    return {.timeoutMs = 0,
            .button = button,
            .beep = false,
            .afterFailure = ReaderAtEnd::kClose,
            .atNormalEnd = ReaderAtEnd::kClose};
}

}  // namespace bench
