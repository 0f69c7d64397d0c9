#include "jni/jni_support.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace korvicard_jni {

int StringChars::length() const {
    return chars_ == nullptr ? 0 : static_cast<int>(std::strlen(chars_));
}

namespace {

// Decodes well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF) into
// UTF-16; false at the first malformed sequence.
bool DecodeUtf8(const unsigned char* s, std::size_t n, std::vector<jchar>& out) {
    std::size_t i = 0;
    while (i < n) {
        const unsigned c = s[i];
        unsigned cp = 0;
        std::size_t extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (extra > 0 && i + extra >= n) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned t = s[i + k];
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<jchar>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<jchar>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<jchar>(cp));
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

jstring NewJavaString(JNIEnv* env, const char* text, std::size_t length) {
    std::vector<jchar> units;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (text != nullptr && !DecodeUtf8(bytes, length, units)) {
        units.assign(bytes, bytes + length);
    }
    jstring result = env->NewString(units.data(), static_cast<jsize>(units.size()));
    if (ClearPending(env)) return nullptr;
    return result;
}

jstring NewJavaString(JNIEnv* env, const char* text) {
    return NewJavaString(env, text, text == nullptr ? 0 : std::strlen(text));
}

jbyteArray NewJavaBytes(JNIEnv* env, const std::uint8_t* data, std::size_t length) {
    jbyteArray array = env->NewByteArray(static_cast<jsize>(length));
    if (ClearPending(env) || array == nullptr) return nullptr;
    if (length > 0) {
        env->SetByteArrayRegion(array, 0, static_cast<jsize>(length),
                                reinterpret_cast<const jbyte*>(data));
        ClearPending(env);
    }
    return array;
}

std::size_t CopyFromJava(JNIEnv* env, jbyteArray array, std::uint8_t* dest, std::size_t width) {
    if (array == nullptr || dest == nullptr) return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(env->GetArrayLength(array)), width);
    if (count > 0) {
        env->GetByteArrayRegion(array, 0, static_cast<jsize>(count),
                                reinterpret_cast<jbyte*>(dest));
        if (ClearPending(env)) return 0;
    }
    return count;
}

std::size_t CopyToJava(JNIEnv* env, jbyteArray array, const std::uint8_t* source,
                       std::size_t width) {
    if (array == nullptr || source == nullptr) return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(env->GetArrayLength(array)), width);
    if (count > 0) {
        env->SetByteArrayRegion(array, 0, static_cast<jsize>(count),
                                reinterpret_cast<const jbyte*>(source));
        if (ClearPending(env)) return 0;
    }
    return count;
}

}  // namespace korvicard_jni
