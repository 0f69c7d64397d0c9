#pragma once

#include "sim_fixture/sim_card_bench.h"

// A reader opened through KorviCardOpenDevice on the callback route and attached to the
// bench's reader; closed with the bench.
class SimHandleBench : public SimCardBench {
  public:
    SimHandleBench();
    ~SimHandleBench();

    int handle = -1;
};
