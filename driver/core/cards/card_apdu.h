#pragma once

#include <cstdint>
#include <span>

#include "korvicard/KorviCardDriver.h"

class ReaderSession;

// One APDU of the card-level reads and its result as a record holds it.

// The result of the last APDU: arrCosResultBuffer over unCosReultBufferLength.
std::span<const std::uint8_t> ApduResult(const KorviCardParam& record);
// The result without its status word (empty when it holds no more than that).
std::span<const std::uint8_t> ApduData(const KorviCardParam& record);
// True when the result ends in sw1 sw2.
bool ApduStatusIs(const KorviCardParam& record, std::uint8_t sw1, std::uint8_t sw2);
// True when the result is at least two bytes and starts with sw1 (61 xx, 6C xx answers).
bool ApduStartsWith(const KorviCardParam& record, std::uint8_t sw1);

// Two hex digits per byte into text (lower case unless upperCase), no terminator.
void FormatHex(std::span<const std::uint8_t> bytes, char* text, bool upperCase);

// Sends apdu (at most 256 bytes) in record, zeroed first, through the selected SAM slot
// (sam) or the card in the field.
bool SendCardApdu(ReaderSession& session, KorviCardParamLong& record,
                  std::span<const std::uint8_t> apdu, bool sam);
