#pragma once

#include <jni.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Small helpers shared by the JNI binding. Every JNI call that can throw is followed by
// ClearPending, so no exception is pending at the next JNI call.

namespace korvicard_jni {

// Clears a pending Java exception; true when there was one.
inline bool ClearPending(JNIEnv* env) {
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return true;
    }
    return false;
}

// A Java long that stands for a C int argument; empty outside the int range, so it never
// wraps onto another value.
inline std::optional<int> IntArg(jlong value) {
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

// A Java long that stands for a C 32-bit unsigned argument; empty outside 0..2^32-1.
inline std::optional<std::uint32_t> Uint32Arg(jlong value) {
    if (value < 0 || value > jlong{UINT32_MAX}) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// A Java long handle as the C API's id: a value outside the 32-bit range names no reader.
inline int HandleArg(jlong handle) { return IntArg(handle).value_or(0); }

// A local reference deleted when it goes out of scope.
template <class T>
class LocalRef {
  public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }
    // Hands the reference to the caller, who then owns it.
    T release() {
        T ref = ref_;
        ref_ = nullptr;
        return ref;
    }

  private:
    JNIEnv* env_;
    T ref_;
};

// The UTF-8 characters of a Java string, released on every path; null for a null string.
class StringChars {
  public:
    StringChars(JNIEnv* env, jstring text) : env_(env), text_(text) {
        if (text_ != nullptr) {
            chars_ = env_->GetStringUTFChars(text_, nullptr);
            if (ClearPending(env_)) chars_ = nullptr;
        }
    }
    ~StringChars() {
        if (chars_ != nullptr) env_->ReleaseStringUTFChars(text_, chars_);
    }
    StringChars(const StringChars&) = delete;
    StringChars& operator=(const StringChars&) = delete;
    const char* get() const { return chars_; }
    // Byte length of the text (0 for a null string).
    int length() const;

  private:
    JNIEnv* env_;
    jstring text_;
    const char* chars_ = nullptr;
};

// A Java string of 8-bit text: decoded as UTF-8 when it is well-formed, else each byte as
// its own character (ISO 8859-1), so card text or GBK server text never reaches the JVM as
// malformed modified UTF-8. Null only when the JVM is out of memory (exception cleared).
jstring NewJavaString(JNIEnv* env, const char* text, std::size_t length);
jstring NewJavaString(JNIEnv* env, const char* text);

// A new Java byte array holding length bytes of data (an empty array for length 0).
jbyteArray NewJavaBytes(JNIEnv* env, const std::uint8_t* data, std::size_t length);

// Length of a Java array, 0 for null.
inline jsize ArrayLength(JNIEnv* env, jarray array) {
    return array == nullptr ? 0 : env->GetArrayLength(array);
}

// Copies min(array length, width) bytes of a Java byte array into dest; returns the count.
std::size_t CopyFromJava(JNIEnv* env, jbyteArray array, std::uint8_t* dest, std::size_t width);
// Copies min(array length, width) bytes of source into a Java byte array; returns the count.
std::size_t CopyToJava(JNIEnv* env, jbyteArray array, const std::uint8_t* source,
                       std::size_t width);

}  // namespace korvicard_jni
