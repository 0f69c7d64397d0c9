#include "core/protocol/command_exchange.h"

#include <algorithm>
#include <vector>

#include "core/protocol/error_codes.h"

bool CommandExchange(ReaderSession& session, std::uint8_t command,
                     std::span<const std::uint8_t> payload, int timeout) {
    return session.Transact(command, payload.data(), static_cast<unsigned>(payload.size()),
                            timeout);
}

bool ArgumentsFit(ReaderSession& session, std::initializer_list<FieldArgument> arguments) {
    if (std::all_of(arguments.begin(), arguments.end(), Fits)) return true;
    session.SetErrorCode(LCEC_SEND_FALSE);
    return false;
}

bool CheckedByteCommand(ReaderSession& session, std::initializer_list<int> values,
                        const BytePayloadSend& send) {
    std::vector<std::uint8_t> payload;
    for (const int value : values) {
        if (!ArgumentsFit(session, {ByteField(value)})) return false;
        payload.push_back(Low8(value));
    }
    return send(payload);
}

bool ByteArgumentExchange(ReaderSession& session, std::uint8_t command,
                          std::initializer_list<int> values, int timeout) {
    return CheckedByteCommand(session, values, [&](std::span<const std::uint8_t> payload) {
        return CommandExchange(session, command, payload, timeout);
    });
}

void CopyReplyToBuffer(const ReaderSession& session, KorviCardParam& record) {
    record.nBufferSize =
        static_cast<int>(session.CopyReplyPayload(record.arrBuffer, sizeof record.arrBuffer));
}

std::uint32_t PayloadLittleEndian(std::span<const std::uint8_t> payload, std::size_t offset,
                                  std::size_t count) {
    std::uint32_t value = 0;
    const std::size_t end = std::min({offset + std::min<std::size_t>(count, 4), payload.size()});
    for (std::size_t i = offset; i < end; ++i) {
        value |= static_cast<std::uint32_t>(payload[i]) << (8 * (i - offset));
    }
    return value;
}
