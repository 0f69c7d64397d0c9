#pragma once

#include <QString>

namespace bench {

// Sectors 0-31 have 4 blocks, sectors 32-39 (4K cards only) 16; the last one is the trailer.
constexpr int kM1SectorCount = 40;
constexpr int kM1BlocksShown = 16;

// Block `index` of `sector` as the card numbers it.
int M1Block(int sector, int index);
// The blocks of the sector on a card of that size: 16 for sectors from 32 on a 4K card, else 4.
int M1BlocksInSector(int sector, bool card4K);

// The log line that refuses a key text of the block page (trimmed by the caller), or the empty
// text when it is 12 hexadecimal digits; `which` is 'A' or 'B'.
QString M1KeyTextError(const QString& key, QChar which);
// The log line that refuses block edit `index` (trimmed text), or the empty text when it is
// 32 hexadecimal digits.
QString M1BlockTextError(int index, const QString& data);
// The log line that refuses a new key of sector number n (counted from 1) on the key
// initialisation page, or the empty text when it is 12 hexadecimal digits.
QString M1NewKeyError(int n, QChar which, const QString& key);

}  // namespace bench
