#include <cstddef>

#include "api/c_api_frame.h"
#include "core/util/base64.h"
#include "core/util/id_random.h"
#include "core/util/log_line.h"
#include "korvicard/KorviCardDriver.h"

// Services that need no open reader. The base64 and length exports take a handle only
// to test it for non-null, as they always have.

extern "C" int KORVICARD_CALL KorviCardGetIdRandom(char* buffer, int length) {
    return Guarded(0, [&] { return length <= 0 ? 0 : GetIdRandom(buffer, static_cast<unsigned>(length)); });
}

extern "C" int KORVICARD_CALL KorviCardSaveLog(const char* fileName, const char* line) {
    return Guarded(-1, [&] { return SaveLog(fileName, line, 1); });
}

extern "C" void KORVICARD_CALL KorviCardBase64Encode(int handle, const unsigned char* data,
                                                     int length, char* out, int lineLength) {
    GuardedVoid([&] {
        if (handle != 0) {
            // The caller sized out by the encoder's rule; the encoder writes no more.
            Base64Encode(data, length, out, Base64EncodedSize(length, lineLength), lineLength);
        }
    });
}

extern "C" void KORVICARD_CALL KorviCardBase64Decode(int handle, const char* text, int length,
                                                     unsigned char* out, int) {
    GuardedVoid([&] {
        if (handle != 0 && length >= 0) {
            Base64Decode(text, length, out, static_cast<std::size_t>(length / 4) * 3);
        }
    });
}

extern "C" int KORVICARD_CALL KorviCardGetEncodeNewLen(int handle, int unused, int length) {
    return handle == 0 ? 0 : Guarded(0, [&] { return GetEncodeNewLen(unused, length); });
}

extern "C" int KORVICARD_CALL KorviCardGetDecodeNewLen(int handle, int unused, int length) {
    return handle == 0 ? 0 : Guarded(0, [&] { return GetDecodeNewLen(unused, length); });
}
