#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>

#include "api/c_api_frame.h"
#include "core/util/des.h"
#include "core/util/des_mac.h"
#include "korvicard/KorviCardDriver.h"

// DES, triple DES and MAC over hex text. Keys are checked by their length before the
// routine runs; the result fills the caller's buffer from its start and the rest is
// zeroed, with no terminator when the result is exactly outLen characters long.

namespace {

// Length of a key text, counted no further than one past the longest key.
std::size_t KeyLength(const char* key) {
    return strnlen(key, 33);
}

int FillResult(const std::optional<std::string>& result, char* out, unsigned outLen) {
    if (!result || result->size() > outLen) {
        return 0;
    }
    std::memset(out, 0, outLen);
    std::memcpy(out, result->data(), result->size());
    return 1;
}

bool DesKey(std::size_t length) {
    return length == 16;
}

bool TripleDesKey(std::size_t length) {
    return length == 32;
}

bool MacKey(std::size_t length) {
    return length == 16 || length == 32;
}

template <class Cipher>
int RunCipher(std::initializer_list<const char*> texts, const char* keyHex, char* out,
              unsigned outLen, bool (*keyAccepted)(std::size_t), Cipher&& cipher) {
    return Guarded(0, [&] {
        for (const char* text : texts) {
            if (text == nullptr) {
                return 0;
            }
        }
        if (keyHex == nullptr || out == nullptr || outLen == 0 || !keyAccepted(KeyLength(keyHex))) {
            return 0;
        }
        return FillResult(cipher(), out, outLen);
    });
}

}  // namespace

extern "C" int KORVICARD_CALL KorviCardDes(const char* dataHex, const char* keyHex, char* out,
                                           unsigned int outLen, int mode) {
    return RunCipher({dataHex}, keyHex, out, outLen, DesKey,
                     [&] { return DesHex(dataHex, keyHex, mode == 1); });
}

extern "C" int KORVICARD_CALL KorviCard3Des(const char* dataHex, const char* keyHex, char* out,
                                            unsigned int outLen, int mode) {
    return RunCipher({dataHex}, keyHex, out, outLen, TripleDesKey,
                     [&] { return TripleDesHex(dataHex, keyHex, mode == 1); });
}

extern "C" int KORVICARD_CALL KorviCardMac(const char* initialValueHex, const char* dataHex,
                                           const char* keyHex, char* out, unsigned int outLen) {
    return RunCipher({initialValueHex, dataHex}, keyHex, out, outLen, MacKey,
                     [&] { return MacHex(dataHex, keyHex, initialValueHex); });
}
