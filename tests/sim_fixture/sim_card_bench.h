#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/protocol/reader_session.h"
#include "sim/cards/card_field.h"
#include "sim/cards/mifare_classic_card.h"
#include "sim/commands/mifare_commands.h"
#include "sim/simulated_reader.h"

// A simulated reader with its RF field and the type A firmware (request, anticollision,
// select, Mifare commands, beep, RF protocol). Other command families register their
// handlers on `reader` and put their cards into `field`. Two ways to reach it: a bare
// driver session (SimSessionBench) or a handle of the C API (SimHandleBench, in
// sim_handle_bench.h), both on the caller-callback route:
//
//     SimHandleBench bench;
//     auto card = bench.PresentMifare(sim::MifareClassicCard::Size::k1K);
//     KorviCardParam record{};
//     ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &record), 1);
//     EXPECT_EQ(bench.Commands(), (std::vector<std::uint8_t>{1, 2, 3}));
class SimCardBench {
  public:
    static constexpr std::array<std::uint8_t, 4> kUid = {0x3A, 0x5C, 0x7E, 0x91};

    SimCardBench() = default;
    SimCardBench(const SimCardBench&) = delete;
    SimCardBench& operator=(const SimCardBench&) = delete;

    // A fresh card (transport keys, open access) in the field.
    std::shared_ptr<sim::MifareClassicCard> PresentMifare(sim::MifareClassicCard::Size size,
                                                          std::array<std::uint8_t, 4> uid = kUid);

    // Command codes of the requests the reader decoded, in order.
    std::vector<std::uint8_t> Commands() const;
    // The payload of the last request the reader decoded (empty when there was none).
    std::vector<std::uint8_t> LastPayload() const;
    void ClearRequests() { reader.ClearRequests(); }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
};

// A driver session of its own on the callback route to the bench's reader.
class SimSessionBench : public SimCardBench {
  public:
    SimSessionBench();
    ~SimSessionBench();

    ReaderSession session;

  private:
    int handleId_;
};
