#include "testbench/core/guarded_run.h"

#include "testbench/core/bench_context.h"
#include "testbench/core/hex_text.h"

namespace bench {

void RunGuarded(BenchContext& context, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ConversionError& error) {
        context.ShowMessage(error.text());
    }
}

}  // namespace bench
