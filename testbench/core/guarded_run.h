#pragma once

#include <functional>

namespace bench {

class BenchContext;

// Runs a handler of a list, box or radio group; a conversion error it throws ends the run
// and shows its text.
void RunGuarded(BenchContext& context, const std::function<void()>& handler);

}  // namespace bench
