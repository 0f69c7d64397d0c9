#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/contact_card.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/sam_slot_commands.h"
#include "sim/device/sam_slots.h"
#include "sim_fixture/request_log.h"
#include "sim_fixture/sim_handle_bench.h"

// A simulated reader with its CPU-card command and its contact slots, reached through a C
// API handle on the callback route: a contactless CPU card goes into the field, a contact
// card into slot 0.
class CpuCardBench : public SimHandleBench {
  public:
    using Bytes = std::vector<std::uint8_t>;

    std::shared_ptr<sim::TypeACpuCard> PresentCpuCard(std::shared_ptr<sim::ApduResponder> app,
                                                      sim::AtsParameters ats = {}) {
        auto card = std::make_shared<sim::TypeACpuCard>(std::move(app), std::move(ats));
        field.PresentTypeA(card);
        return card;
    }
    // Card number and RATS through the exports, the request log emptied after.
    bool ActivateCpuCard() {
        KorviCardParam record{};
        const bool ok = KorviCardResetCpuCard(handle, &record) == 1;
        ClearRequests();
        return ok;
    }
    // A contact card in slot 0, powered and reset through the exports, the log emptied.
    std::shared_ptr<sim::ContactCard> InsertContactCard(std::shared_ptr<sim::ApduResponder> app) {
        auto card =
            std::make_shared<sim::ContactCard>(Bytes{0x3B, 0x02, 0x14, 0x50}, std::move(app));
        slots.Insert(0, card);
        KorviCardParam record{};
        KorviCardSetSamSlotIndex(handle, 0);
        KorviCardResetSam(handle, &record);
        ClearRequests();
        return card;
    }
    // Payloads of the CPU-card commands the reader decoded.
    std::vector<Bytes> CpuPayloads() const {
        return RequestPayloads(reader.Requests(), sim::CpuCardCommands::kCommand);
    }

    sim::CpuCardCommands cpu{reader, field};
    sim::SamSlots slots;
    sim::SamSlotCommands sam{reader, slots};
};
