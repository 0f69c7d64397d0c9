#include "sim/commands/cpu_card_commands.h"

#include <chrono>

#include "core/protocol/error_codes.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/device/iso14443_4_pcd.h"

namespace sim {

namespace {

constexpr std::uint8_t kTransparentMode = 4;
constexpr std::size_t kMaxReplyPayload = 251;
constexpr std::size_t kMaxApduResponse = 258;  // 256 data bytes and the status word
constexpr std::uint8_t kReaderRats = 0x80;     // FSD 256, CID 0
constexpr std::uint8_t kTypeBFsdi = 8;

// The type B card's application, reached through the card (which may swap it).
class CardApplication : public ApduResponder {
  public:
    explicit CardApplication(const TypeBCard& card) : card_(card) {}
    void Reset() override {
        if (card_.application() != nullptr) card_.application()->Reset();
    }
    ApduAnswer Process(std::span<const std::uint8_t> command) override {
        if (card_.application() == nullptr) return ApduAnswer::Status(0x6D, 0x00);
        return card_.application()->Process(command);
    }

  private:
    const TypeBCard& card_;
};

Reply Failed() { return Reply::Failure(LCEC_SEND_COMMAND); }

// The card's answer (a failure when it gave none that fits a reply), once the time the
// card took has passed.
Reply Answered(std::optional<std::vector<std::uint8_t>> answer, Iso14443_4Picc* card) {
    Reply reply =
        answer && answer->size() <= kMaxReplyPayload ? Reply::Ok(std::move(*answer)) : Failed();
    if (card != nullptr) {
        reply.delayMs = static_cast<int>(
            std::chrono::ceil<std::chrono::milliseconds>(card->TakeWorkTime()).count());
    }
    return reply;
}

}  // namespace

CpuCardCommands::CpuCardCommands(SimulatedReader& reader, const CardField& field) : field_(field) {
    reader.SetHandler(kCommand, [this](const Request& request) { return Handle(request); });
}

void CpuCardCommands::PresentTypeB(std::shared_ptr<TypeBCard> card) {
    typeB_ = std::move(card);
    typeBPicc_ = typeB_
                     ? std::make_unique<Iso14443_4Picc>(std::make_shared<CardApplication>(*typeB_))
                     : nullptr;
}

Iso14443_4Picc* CpuCardCommands::ActiveTypeB() {
    if (!typeB_) return nullptr;
    if (field_.protocol() != 'B' || typeB_->state() != TypeBCard::State::kActive) {
        if (typeBPicc_->state() != Iso14443_4Picc::State::kIdle) typeBPicc_->Deactivate();
        return nullptr;
    }
    if (typeBPicc_->state() == Iso14443_4Picc::State::kIdle) {
        typeBPicc_->Activate(kTypeBFsdi, 0);
    }
    return typeBPicc_.get();
}

std::optional<std::vector<std::uint8_t>> CpuCardCommands::ExchangeTypeBApdu(
    std::span<const std::uint8_t> apdu) {
    Iso14443_4Picc* card = ActiveTypeB();
    if (card == nullptr) return std::nullopt;
    return ExchangeApduWithCard(*card, apdu, kMaxApduResponse);
}

Reply CpuCardCommands::Handle(const Request& request) {
    const std::vector<std::uint8_t>& p = request.payload;
    if (p.size() < 3) return Failed();
    const std::span<const std::uint8_t> body(p.data() + 2, p.size() - 2);
    if ((static_cast<std::size_t>(p[0]) << 8 | p[1]) == body.size()) return PassFrame(body);
    if (p[1] != static_cast<std::uint8_t>(body.size())) return Failed();
    return p[0] == kTransparentMode ? PassFrame(body) : PassApdu(body);
}

Reply CpuCardCommands::PassFrame(std::span<const std::uint8_t> frame) {
    frames_.emplace_back(frame.begin(), frame.end());
    std::optional<std::vector<std::uint8_t>> answer;
    Iso14443_4Picc* card = nullptr;
    if (auto* typeA = dynamic_cast<TypeACpuCard*>(field_.TypeA())) {
        answer = typeA->Transceive(frame);
        card = &typeA->picc();
    } else if (Iso14443_4Picc* typeB = ActiveTypeB()) {
        answer = typeB->Receive(frame);
        card = typeB;
        if (typeB->state() == Iso14443_4Picc::State::kIdle) typeB_->Halt();
    }
    return Answered(std::move(answer), card);
}

Reply CpuCardCommands::PassApdu(std::span<const std::uint8_t> apdu) {
    Iso14443_4Picc* card = nullptr;
    if (auto* typeA = dynamic_cast<TypeACpuCard*>(field_.TypeA())) {
        if (typeA->state() == TypeACard::State::kActive) {
            card = &typeA->Protocol();
            if (card->state() == Iso14443_4Picc::State::kWaitingForRats) {
                const std::uint8_t rats[] = {Iso14443_4Picc::kRats, kReaderRats};
                if (!card->Receive(rats)) return Failed();
            }
        }
    } else {
        card = ActiveTypeB();
    }
    if (card == nullptr) return Failed();
    return Answered(ExchangeApduWithCard(*card, apdu, kMaxReplyPayload), card);
}

}  // namespace sim
