#include "core/protocol/reader_frame.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 1 ? static_cast<int>(left) : 1;
}

}  // namespace

std::uint8_t FrameCheckByte(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t check = 0;
    for (std::size_t i = 0; i < count; ++i) check ^= bytes[i];
    return check;
}

std::size_t EncodeRequestFrame(std::span<std::uint8_t, kFrameBufferSize> frame,
                               const FrameMask& mask, std::uint8_t sequence, std::uint8_t command,
                               const std::uint8_t* payload, unsigned length,
                               std::size_t packetSize) {
    std::fill(frame.begin(), frame.end(), 0);
    if (length > kMaxRequestPayload) return 0;
    const std::size_t n = length + kRequestOverhead;
    frame[0] = n > packetSize ? kLongFrameLengthByte : static_cast<std::uint8_t>(n - 1);
    std::copy(mask.begin(), mask.end(), frame.begin() + 1);
    frame[5] = sequence;
    frame[6] = command;
    frame[7] = static_cast<std::uint8_t>(length >> 8);
    frame[8] = static_cast<std::uint8_t>(length);
    if (payload != nullptr && length > 0) std::memcpy(&frame[kRequestHeaderSize], payload, length);
    for (std::size_t i = 0; i < length + 4; ++i) {
        frame[5 + i] ^= static_cast<std::uint8_t>(mask[i % 4] ^ (i & 0xFF));
    }
    frame[n - 1] = FrameCheckByte(frame.data(), n - 1);
    return n;
}

void DescrambleReplyFrame(std::uint8_t* frame, const FrameMask& requestMask) {
    const std::size_t length = frame[0];
    for (std::size_t j = 0; j + 1 < length; ++j) {
        frame[1 + j] ^=
            static_cast<std::uint8_t>((j & 0xFF) ^ requestMask[j % 4] ^ kReplyMask[j % 4]);
    }
}

std::size_t ReaderSession::PacketSize() const {
    return hidTransport ? kHidPacketSize : kStreamPacketSize;
}

int ReaderSession::ReplyWaitMs(int timeout) const { return std::max({timeout, openTimeout, 1}); }

bool ReaderSession::Transact(std::uint8_t command, const std::uint8_t* payload, unsigned length,
                             int timeout, std::uint8_t flag) {
    lastError = LCEC_UNKNOWN;
    if (!SendFrame(command, payload, length, timeout, flag)) return false;
    return ReceiveFrame(command, payload, length, timeout);
}

bool ReaderSession::SendFrame(std::uint8_t command, const std::uint8_t* payload, unsigned length,
                              int, std::uint8_t flag) {
    FrameMask mask = NextFrameMask();
    replyPayloadLength = 0;
    if (extendReadWrite == nullptr && !tcpTransport && !serialTransport && !hidTransport) {
        return false;
    }
    requestFrame.fill(0);
    requestFrameLength = 0;
    if (payload != nullptr && length >= 4 && flag == 1) {
        std::copy(payload + length - 4, payload + length, mask.begin());
        length -= 4;
    }
    if (length > kMaxRequestPayload) return false;
    const std::size_t n =
        EncodeRequestFrame(requestFrame, mask, sequence, command, payload, length, PacketSize());
    requestFrameLength = n;
    const int size = static_cast<int>(n);
    if (extendReadWrite != nullptr) {
        return ExchangeByCallback(handleId, kCallbackDirectionWrite, requestFrame.data(), size, 0);
    }
    if (tcpTransport) {
        tcpTransport->DiscardInput();
        return tcpTransport->Send(requestFrame.data(), size) == size;
    }
    if (serialTransport) return serialTransport->Write(requestFrame.data(), size) == size;
    hidTransport->DiscardInput();
    return hidTransport->Write(requestFrame.data(), size);
}

template <class ReadSome, class ReadBytes>
bool ReaderSession::ReadStreamReply(ReadSome&& readSome, ReadBytes&& read) {
    // The length byte after one wait; the transport keeps what came with it (the body, as a
    // rule) for the read of the body, and bytes past the frame for the next frame.
    if (readSome(replyFrame.data(), 1) != 1) {
        lastError = LCEC_RECV_TIME_OUT;
        return false;
    }
    const int length = replyFrame[0];
    if (length == 0) {
        lastError = LCEC_RECV_ZERO_LEN;
        return false;
    }
    if (read(replyFrame.data() + 1, length) != length) {
        lastError = LCEC_RECV_TIME_OUT;
        return false;
    }
    return true;
}

bool ReaderSession::ReceiveFrame(std::uint8_t, const std::uint8_t*, unsigned, int timeout) {
    replyFrame.fill(0);
    replyPayloadLength = 0;
    const int wait = ReplyWaitMs(timeout);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait);
    bool ok = false;
    if (extendReadWrite != nullptr) {
        ok = ExchangeByCallback(handleId, kCallbackDirectionRead, replyFrame.data(),
                                static_cast<int>(replyFrame.size()), wait);
    } else if (tcpTransport) {
        if (!ReadStreamReply([&](std::uint8_t* into,
                                 int size) { return tcpTransport->ReceiveSome(into, size, wait); },
                             [&](std::uint8_t* into, int count) {
                                 tcpTransport->SetReceiveTimeoutMs(RemainingMs(deadline));
                                 return tcpTransport->Receive(into, count);
                             })) {
            return false;
        }
        ok = true;
    } else if (serialTransport) {
        if (!ReadStreamReply(
                [&](std::uint8_t* into, int size) {
                    serialTransport->SetReadTimeout(wait);
                    return serialTransport->ReadSome(into, size);
                },
                [&](std::uint8_t* into, int count) {
                    serialTransport->SetReadTimeout(RemainingMs(deadline));
                    return serialTransport->Read(into, count);
                })) {
            return false;
        }
        ok = true;
    } else if (hidTransport) {
        ok = hidTransport->ReadFrame(replyFrame.data(), static_cast<int>(replyFrame.size()), wait);
    } else {
        return false;
    }
    if (!ok) {
        lastError = LCEC_RECV_TIME_OUT;
        return false;
    }
    return AcceptReply();
}

bool ReaderSession::AcceptReply() {
    const std::size_t length = replyFrame[0];
    if (length == 0) {
        lastError = LCEC_RECV_ZERO_LEN;
        return false;
    }
    ++sequence;
    if (FrameCheckByte(replyFrame.data(), length) != replyFrame[length]) {
        lastError = LCEC_RECV_CRC_FALSE;
        return false;
    }
    // Sequence, status and check byte at least.
    if (length < 3) {
        lastError = LCEC_RECV_TIME_OUT;
        return false;
    }
    const FrameMask mask = {requestFrame[1], requestFrame[2], requestFrame[3], requestFrame[4]};
    DescrambleReplyFrame(replyFrame.data(), mask);
    sequence = replyFrame[1];
    if (replyFrame[2] != 0) {
        // A failure carries its code in byte 4, before the check byte.
        if (length < kReplyPayloadOffset + 1) {
            lastError = LCEC_RECV_TIME_OUT;
        } else {
            const int code = replyFrame[kReplyPayloadOffset];
            lastError = code != 0 ? code : static_cast<int>(LCEC_UNKNOWN);
        }
        return false;
    }
    // Bytes between the payload length byte and the check byte.
    const std::size_t carried = length > kReplyPayloadOffset ? length - kReplyPayloadOffset : 0;
    const std::size_t announced = length > 3 ? replyFrame[3] : 0;
    if (announced > carried) {
        lastError = LCEC_RECV_TIME_OUT;
        return false;
    }
    replyPayloadLength = announced;
    lastError = LCEC_OK;
    return true;
}
