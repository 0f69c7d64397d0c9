#include "sim_fixture/sim_card_bench.h"

#include <atomic>

#include "sim/callback_adapter.h"
#include "sim_fixture/request_log.h"

namespace {

// Ids of sessions routed without the handle table: far above the ids the table hands out
// in a test run, so both kinds of bench can live side by side.
int NextSessionId() {
    static std::atomic<int> next{1'500'000'000};
    return next++;
}

}  // namespace

std::shared_ptr<sim::MifareClassicCard> SimCardBench::PresentMifare(
    sim::MifareClassicCard::Size size, std::array<std::uint8_t, 4> uid) {
    auto card = std::make_shared<sim::MifareClassicCard>(size, uid);
    field.PresentTypeA(card);
    return card;
}

std::vector<std::uint8_t> SimCardBench::Commands() const {
    return RequestCommands(reader.Requests());
}

std::vector<std::uint8_t> SimCardBench::LastPayload() const {
    return reader.Requests().empty() ? std::vector<std::uint8_t>{}
                                     : reader.Requests().back().payload;
}

SimSessionBench::SimSessionBench() : handleId_(NextSessionId()) {
    sim::AttachSimulator(handleId_, reader);
    session.SetHandleId(handleId_);
    session.SetExtendReadWrite(sim::SimulatorTransport);
}

SimSessionBench::~SimSessionBench() { sim::DetachSimulator(handleId_); }
