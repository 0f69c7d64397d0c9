#pragma once

#include <cstdint>

// The ticket text of captured print data: from the first start marker (GBK "中国", else
// "体彩") up to the data's first QR-code store command (GS ( k), with the ESC/POS
// formatting commands ESC !, GS !, ESC a, ESC E and ESC 3 (3 bytes each) taken out.
// output holds *outputLength bytes, at least length; *outputLength := the text's length.
// The 3 bytes of each command taken out leave zeros at the text's old end, and a zero
// follows the text. False, *outputLength untouched, when a pointer is null, the room is
// short, a marker is missing, the start lies after the end or no text remains between.
bool GetTextFromPrinterMessage(const std::uint8_t* message, int length, std::uint8_t* output,
                               int* outputLength);
