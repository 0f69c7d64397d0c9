// The binding's routines inside a Java VM created here, with -Xcheck:jni; any JVM output
// with "WARNING" fails the test. ReadPhoneIdentity with the stand-in Android
// classes and StubPhone: each slot of the 128-byte text is checked byte for byte. The Java
// transport callback from the VM's own thread and from a native thread that the
// VM does not know, which it attaches for the call and detaches after.
// usage: jni_embedded_vm_test CLASSPATH

#include <jni.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "jni/jni_binding.h"
#include "jni/jni_records.h"

namespace {

std::string jvmOutput;
int failures = 0;

jint JNICALL CaptureOutput(FILE* stream, const char* format, va_list args) {
    char line[2048];
    const int n = std::vsnprintf(line, sizeof line, format, args);
    jvmOutput += line;
    std::fputs(line, stream);
    return n;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED %s\n", what);
        ++failures;
    }
}

void SetManagerText(JNIEnv* env, jclass manager, const char* field, const char* value) {
    jfieldID id = env->GetStaticFieldID(manager, field, "Ljava/lang/String;");
    jstring text = value == nullptr ? nullptr : env->NewStringUTF(value);
    env->SetStaticObjectField(manager, id, text);
    if (text != nullptr) env->DeleteLocalRef(text);
}

bool SlotIs(const std::uint8_t* block, int slot, const std::string& text) {
    std::uint8_t expected[32] = {};
    std::memcpy(expected, text.data(), text.size() < 32 ? text.size() : 32);
    return std::memcmp(block + slot * 32, expected, 32) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CLASSPATH\n", argv[0]);
        return 2;
    }
    std::string classPath = std::string("-Djava.class.path=") + argv[1];
    JavaVMOption options[3] = {};
    options[0].optionString = const_cast<char*>(classPath.c_str());
    options[1].optionString = const_cast<char*>("-Xcheck:jni");
    options[2].optionString = const_cast<char*>("vfprintf");
    options[2].extraInfo = reinterpret_cast<void*>(&CaptureOutput);
    JavaVMInitArgs vmArgs{};
    vmArgs.version = JNI_VERSION_1_8;
    vmArgs.nOptions = 3;
    vmArgs.options = options;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &vmArgs) != JNI_OK) {
        std::printf("no Java VM\n");
        return 1;
    }

    jclass manager = env->FindClass("android/telephony/TelephonyManager");
    jclass phoneClass = env->FindClass("korvicard/test/StubPhone");
    Check(manager != nullptr && phoneClass != nullptr, "the stand-in classes are found");
    if (manager == nullptr || phoneClass == nullptr) return 1;
    jobject phone = env->NewObject(phoneClass, env->GetMethodID(phoneClass, "<init>", "()V"));

    {
        const std::string longId(1000, '8');
        SetManagerText(env, manager, "deviceId", longId.c_str());
        SetManagerText(env, manager, "subscriberId", "460001234567890");
        SetManagerText(env, manager, "line1Number", "+8613900000000");
        std::uint8_t block[160];
        std::memset(block, 0, sizeof block);
        std::memset(block + 96, 0xEE, 32);
        Check(korvicard_jni::ReadPhoneIdentity(env, phone, block), "identity read");
        Check(SlotIs(block, 0, longId), "a 1000-character device id cut to its 32-byte slot");
        Check(SlotIs(block, 1, "460001234567890"), "subscriber id, zero-terminated");
        Check(SlotIs(block, 2, "+8613900000000"), "line-1 number");
        std::uint8_t untouched[32];
        std::memset(untouched, 0xEE, sizeof untouched);
        Check(std::memcmp(block + 96, untouched, 32) == 0,
              "the missing getSimSerialNumber leaves its slot as it was");
        Check(std::memcmp(block + 128, std::string(32, '\0').data(), 32) == 0,
              "nothing beyond the 128 bytes");
        Check(!env->ExceptionCheck(), "no exception pending");
    }

    {
        SetManagerText(env, manager, "deviceId", nullptr);
        jfieldID throws = env->GetStaticFieldID(manager, "line1Throws", "Z");
        env->SetStaticBooleanField(manager, throws, JNI_TRUE);
        std::uint8_t block[160] = {};
        Check(korvicard_jni::ReadPhoneIdentity(env, phone, block), "identity read");
        Check(SlotIs(block, 0, ""), "a null device id leaves its slot");
        Check(SlotIs(block, 2, ""), "a method that throws leaves its slot");
        Check(!env->ExceptionCheck(), "the exception was cleared");
    }

    {
        std::uint8_t block[160] = {};
        Check(!korvicard_jni::ReadPhoneIdentity(env, nullptr, block), "no context");
        Check(!korvicard_jni::ReadPhoneIdentity(nullptr, phone, block), "no environment");
        jstring notContext = env->NewStringUTF("not a context");
        Check(!korvicard_jni::ReadPhoneIdentity(env, notContext, block), "not a context");
        Check(!env->ExceptionCheck(), "no exception pending");
    }

    {
        Check(korvicard_jni::JavaTransportCallback(1, 0, nullptr, 256) == 0, "no object stored");
        jclass recorder = env->FindClass("korvicard/test/PieceRecorder");
        jobject object = env->NewObject(recorder, env->GetMethodID(recorder, "<init>", "()V"));
        Check(korvicard_jni::StoreDriverObject(env, object), "object stored");
        Check(korvicard_jni::StoreDriverObject(env, object), "stored again, the first released");
        jfieldID calls = env->GetStaticFieldID(recorder, "calls", "I");
        jfieldID handle = env->GetStaticFieldID(recorder, "lastHandle", "J");
        jfieldID fail = env->GetStaticFieldID(recorder, "fail", "Z");

        unsigned char piece[256] = {0x42};
        Check(korvicard_jni::JavaTransportCallback(77, 0, piece, 256) == 1, "write piece");
        Check(env->GetStaticLongField(recorder, handle) == 77, "the handle as a long");
        unsigned char reply[256] = {};
        Check(korvicard_jni::JavaTransportCallback(77, 1, reply, 256) == 1, "read piece");
        Check(reply[0] == 3 && reply[1] == 0x11 && reply[3] == 0x33, "read copied back");
        Check(korvicard_jni::JavaTransportCallback(77, 0, piece, 2000) == 0, "above 1024 bytes");
        Check(korvicard_jni::JavaTransportCallback(77, 0, piece, -1) == 0, "negative size");
        JNIEnv* still = nullptr;
        Check(vm->GetEnv(reinterpret_cast<void**>(&still), JNI_VERSION_1_6) == JNI_OK,
              "the VM's own thread stays attached");

        int nativeResult = -1;
        jint attachedAfter = JNI_OK;
        std::thread native([&] {
            unsigned char data[256] = {0x42};
            nativeResult = korvicard_jni::JavaTransportCallback(5, 0, data, 256);
            JNIEnv* e = nullptr;
            attachedAfter = vm->GetEnv(reinterpret_cast<void**>(&e), JNI_VERSION_1_6);
        });
        native.join();
        Check(nativeResult == 1, "a native thread is attached for the call");
        Check(attachedAfter == JNI_EDETACHED, "and detached after it");
        Check(env->GetStaticLongField(recorder, handle) == 5, "its piece arrived");

        env->SetStaticBooleanField(recorder, fail, JNI_TRUE);
        const jint before = env->GetStaticIntField(recorder, calls);
        Check(korvicard_jni::JavaTransportCallback(6, 1, reply, 256) == 0,
              "an exception in callBackProcess is a failed piece");
        Check(env->GetStaticIntField(recorder, calls) == before + 1, "the method ran");
        Check(!env->ExceptionCheck(), "the exception was cleared");
        env->SetStaticBooleanField(recorder, fail, JNI_FALSE);

        jobject plain = env->NewStringUTF("no callBackProcess here");
        Check(korvicard_jni::StoreDriverObject(env, plain), "another object stored");
        Check(korvicard_jni::JavaTransportCallback(1, 0, piece, 256) == 0,
              "a class without callBackProcess fails the piece");
        Check(!env->ExceptionCheck(), "the failed look-up was cleared");
        korvicard_jni::StoreDriverObject(env, nullptr);
    }

    vm->DestroyJavaVM();
    Check(jvmOutput.find("WARNING") == std::string::npos, "no JNI warning");
    std::printf(failures == 0 ? "all checks passed\n" : "%d failures\n", failures);
    return failures == 0 ? 0 : 1;
}
