#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>

#include "core/protocol/reader_session.h"
#include "core/util/field_width.h"

// The common exchange of every card and module command: the session's error code is set to
// 1 (LCEC_UNKNOWN), one request goes out, one reply is read; the reply's own status sets the
// code. The command's result is the exchange's result.
//
// The caller tests its record pointer first (a null record fails without touching the error
// code) and copies reply bytes only inside onSuccess, through the bounded copy of the
// session, so a failed step leaves the caller's record as it was:
//
//     if (record == nullptr) return false;
//     const std::uint8_t payload[] = {block};
//     return CommandExchange(*this, kRead, payload, 1000, [&](std::span<const std::uint8_t>) {
//         record->nBufferSize = static_cast<int>(
//             CopyReplyPayload(record->arrBuffer, sizeof record->arrBuffer));
//     });
bool CommandExchange(ReaderSession& session, std::uint8_t command,
                     std::span<const std::uint8_t> payload, int timeout);

// True when every argument fits its field. Otherwise false with error code 2
// (LCEC_SEND_FALSE): the command is not sent, so no value reaches the reader cut short.
//
//     if (record == nullptr || !ArgumentsFit(*this, {ByteField(block)})) return false;
bool ArgumentsFit(ReaderSession& session, std::initializer_list<FieldArgument> arguments);

// Sends the payload of a checked byte command; the command's result.
using BytePayloadSend = std::function<bool(std::span<const std::uint8_t> payload)>;

// A command whose payload is the caller's values, one byte each, in order: refused as
// ArgumentsFit says (nothing sent), else the bytes go to send as they are.
bool CheckedByteCommand(ReaderSession& session, std::initializer_list<int> values,
                        const BytePayloadSend& send);

// A checked byte command sent by the common exchange.
bool ByteArgumentExchange(ReaderSession& session, std::uint8_t command,
                          std::initializer_list<int> values, int timeout);

template <class OnSuccess>
bool CommandExchange(ReaderSession& session, std::uint8_t command,
                     std::span<const std::uint8_t> payload, int timeout, OnSuccess&& onSuccess) {
    if (!CommandExchange(session, command, payload, timeout)) return false;
    onSuccess(session.ReplyPayload());
    return true;
}

// Copies the reply payload into record.arrBuffer, never more than the buffer holds, and sets
// record.nBufferSize to the bytes copied: the onSuccess of a command whose answer is the
// record's buffer.
void CopyReplyToBuffer(const ReaderSession& session, KorviCardParam& record);

// The unsigned little-endian value of payload bytes [offset, offset + count), count at
// most 4; bytes the payload does not hold count as zero.
std::uint32_t PayloadLittleEndian(std::span<const std::uint8_t> payload, std::size_t offset,
                                  std::size_t count);
