#include "sim/simulated_reader.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/protocol/error_codes.h"

namespace sim {

void SimulatedReader::SetHandler(std::uint8_t command, CommandHandler handler) {
    if (handler) {
        handlers_[command] = std::move(handler);
    } else {
        handlers_.erase(command);
    }
}

bool SimulatedReader::HasHandler(std::uint8_t command) const {
    return handlers_.count(command) != 0;
}

void SimulatedReader::QueueFault(const Fault& fault) {
    for (int i = 0; i < fault.times; ++i) faults_.push_back(fault);
}

std::vector<Emission> SimulatedReader::Process(std::span<const std::uint8_t> frame) {
    Request request;
    if (DecodeRequest(frame, request) != RequestCheck::kOk) {
        ++rejectedFrames_;
        return {};
    }
    requests_.push_back(request);
    std::optional<Fault> fault;
    if (!faults_.empty()) {
        fault = faults_.front();
        faults_.pop_front();
    }
    const std::uint8_t replySequence = static_cast<std::uint8_t>(request.sequence + 1);
    Reply reply;
    if (fault && fault->kind == FaultKind::kErrorStatus) {
        reply = Reply::Failure(fault->errorCode);
    } else {
        const auto handler = handlers_.find(request.command);
        reply = handler == handlers_.end() ? Reply::Failure(LCEC_SEND_COMMAND)
                                           : handler->second(request);
    }
    std::vector<std::uint8_t> bytes =
        EncodeReply(replySequence, reply.status, reply.payload, request.mask);
    std::vector<Emission> out =
        Deliver(fault ? &*fault : nullptr, bytes, reply, request, replySequence);
    if (!out.empty()) {
        for (const std::vector<std::uint8_t>& later : reply.laterPayloads) {
            out.push_back({EncodeReply(replySequence, 0, later, request.mask)});
        }
    }
    for (Emission& emission : out) emission.delayMs += reply.delayMs;
    lastReply_ = std::move(bytes);
    return out;
}

std::vector<Emission> SimulatedReader::Deliver(const Fault* fault,
                                               const std::vector<std::uint8_t>& reply,
                                               const Reply& answer, const Request& request,
                                               std::uint8_t replySequence) {
    if (fault == nullptr) return {{reply}};
    switch (fault->kind) {
        case FaultKind::kNoReply:
            return {};
        case FaultKind::kDelay:
            return {{reply, true, fault->delayMs}};
        case FaultKind::kTruncate:
            return {{std::vector<std::uint8_t>(
                reply.begin(), reply.begin() + std::min(fault->truncateTo, reply.size()))}};
        case FaultKind::kZeroLength:
            return {{{0}}};
        case FaultKind::kBadCheckByte: {
            std::vector<std::uint8_t> bad = reply;
            bad.back() ^= 0x5A;
            return {{bad}};
        }
        case FaultKind::kShortReply: {
            const std::vector<std::uint8_t> body = {replySequence};
            const std::size_t keep = fault->shortLength >= 2 ? 1 : 0;
            return {{EncodeReplyFrame(std::span(body).first(keep), request.mask)}};
        }
        case FaultKind::kStaleReply: {
            std::vector<Emission> out;
            if (!lastReply_.empty()) out.push_back({lastReply_});
            out.push_back({reply});
            return out;
        }
        case FaultKind::kErrorStatus:
            return {{reply}};
        case FaultKind::kOverlongPayload: {
            std::vector<std::uint8_t> body = {replySequence, answer.status,
                                              static_cast<std::uint8_t>(answer.payload.size() + 1)};
            body.insert(body.end(), answer.payload.begin(), answer.payload.end());
            return {{EncodeReplyFrame(body, request.mask)}};
        }
        case FaultKind::kSplit: {
            std::vector<Emission> out;
            const std::size_t step = std::max<std::size_t>(fault->pieceSize, 1);
            for (std::size_t at = 0; at < reply.size(); at += step) {
                const std::size_t end = std::min(at + step, reply.size());
                out.push_back({std::vector<std::uint8_t>(reply.begin() + at, reply.begin() + end),
                               at == 0, 0});
            }
            return out;
        }
        case FaultKind::kExtraReplies:
            return std::vector<Emission>(1 + std::max(fault->extraCopies, 0), Emission{reply});
    }
    return {{reply}};
}

}  // namespace sim
