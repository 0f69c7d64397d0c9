#include "jni/jni_binding.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "jni/jni_support.h"

namespace korvicard_jni {

namespace {

struct BindingState {
    std::mutex mutex;
    JavaVM* vm = nullptr;
    jobject driver = nullptr;  // global reference
    std::uint8_t photoEnabled = 0;
    std::uint8_t photoFlag = 0;
    std::unique_ptr<std::uint8_t[]> photo;
};

BindingState& State() {
    static BindingState state;
    return state;
}

constexpr int kMaxPieceSize = 1024;

}  // namespace

bool StoreDriverObject(JNIEnv* env, jobject object) {
    JavaVM* vm = nullptr;
    if (env->GetJavaVM(&vm) != JNI_OK || vm == nullptr) return false;
    jobject global = object == nullptr ? nullptr : env->NewGlobalRef(object);
    ClearPending(env);
    BindingState& s = State();
    jobject previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.vm = vm;
        previous = s.driver;
        s.driver = global;
    }
    if (previous != nullptr) env->DeleteGlobalRef(previous);
    return true;
}

int JavaTransportCallback(int handle, int direction, unsigned char* buffer, int size) {
    if (buffer == nullptr || size < 0 || size > kMaxPieceSize) return 0;
    BindingState& s = State();
    JavaVM* vm = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        vm = s.vm;
        if (vm == nullptr || s.driver == nullptr) return 0;
    }
    JNIEnv* env = nullptr;
    bool attached = false;
    const jint got = vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6);
    if (got == JNI_EDETACHED) {
        if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return 0;
        attached = true;
    } else if (got != JNI_OK || env == nullptr) {
        return 0;
    }
    int result = 0;
    {
        jobject driver = nullptr;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.driver != nullptr) driver = env->NewLocalRef(s.driver);
        }
        LocalRef<jobject> object(env, driver);
        if (object) {
            LocalRef<jclass> cls(env, env->GetObjectClass(object.get()));
            jmethodID method =
                cls ? env->GetStaticMethodID(cls.get(), "callBackProcess", "(JZ[B)Z") : nullptr;
            if (!ClearPending(env) && method != nullptr) {
                LocalRef<jbyteArray> array(env, env->NewByteArray(size));
                if (!ClearPending(env) && array) {
                    const bool read = direction == 1;
                    if (!read) CopyToJava(env, array.get(), buffer, static_cast<std::size_t>(size));
                    const jboolean ok = env->CallStaticBooleanMethod(
                        cls.get(), method, static_cast<jlong>(handle),
                        static_cast<jboolean>(read ? JNI_TRUE : JNI_FALSE), array.get());
                    if (!ClearPending(env)) {
                        if (read)
                            CopyFromJava(env, array.get(), buffer, static_cast<std::size_t>(size));
                        result = ok == JNI_TRUE ? 1 : 0;
                    }
                }
            }
        }
    }
    if (attached) vm->DetachCurrentThread();
    return result;
}

void SetPhotoFlags(std::uint8_t enabled, std::uint8_t flag) {
    BindingState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.photoEnabled = enabled;
    s.photoFlag = flag;
}

void GetPhotoFlags(std::uint8_t* enabled, std::uint8_t* flag) {
    BindingState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    *enabled = s.photoEnabled;
    *flag = s.photoFlag;
}

std::uint8_t* PhotoBuffer() {
    BindingState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.photo) s.photo.reset(new (std::nothrow) std::uint8_t[kPhotoBmpSize]());
    return s.photo.get();
}

bool TakePhotoBuffer(std::uint8_t* out) {
    BindingState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    const bool had = s.photo != nullptr;
    if (had && out != nullptr) std::memcpy(out, s.photo.get(), kPhotoBmpSize);
    s.photo.reset();
    return had;
}

void FreePhotoBuffer() {
    BindingState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.photo.reset();
}

}  // namespace korvicard_jni
