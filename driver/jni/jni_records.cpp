#include "jni/jni_records.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "jni/jni_support.h"

namespace korvicard_jni {

namespace {

// A field of a record: its Java name, its kind and its place in the C layout.
enum class Kind { Bytes, Int, Byte };
struct Field {
    const char* name;
    Kind kind;
    std::size_t offset;
    std::size_t width;  // bytes of the C field
};

#define KC_BYTES(type, field) \
    Field { #field, Kind::Bytes, offsetof(type, field), sizeof(type::field) }
#define KC_INT(type, field) \
    Field { #field, Kind::Int, offsetof(type, field), 4 }

const Field kCardParamFields[] = {
    KC_INT(KorviCardParam, nCardType),
    KC_BYTES(KorviCardParam, arrCardNo),
    KC_INT(KorviCardParam, nCardSize),
    KC_BYTES(KorviCardParam, arrBuffer),
    KC_INT(KorviCardParam, nBufferSize),
    KC_BYTES(KorviCardParam, arrCosSendBuffer),
    KC_INT(KorviCardParam, unCosSendBufferLength),
    KC_BYTES(KorviCardParam, arrCosResultBuffer),
    KC_INT(KorviCardParam, unCosReultBufferLength),
    KC_BYTES(KorviCardParam, arrKeys),
    KC_INT(KorviCardParam, nKeysSize),
};

const Field kTwoIdFields[] = {
    KC_BYTES(TwoIdInfoParam, arrTwoIdName),
    KC_BYTES(TwoIdInfoParam, arrTwoIdSex),
    KC_BYTES(TwoIdInfoParam, arrTwoIdNation),
    KC_BYTES(TwoIdInfoParam, arrTwoIdBirthday),
    KC_BYTES(TwoIdInfoParam, arrTwoIdAddress),
    KC_BYTES(TwoIdInfoParam, arrTwoIdNo),
    KC_BYTES(TwoIdInfoParam, arrTwoIdSignedDepartment),
    KC_BYTES(TwoIdInfoParam, arrTwoIdValidityPeriodBegin),
    KC_BYTES(TwoIdInfoParam, arrTwoIdValidityPeriodEnd),
    KC_BYTES(TwoIdInfoParam, arrTwoIdNewAddress),
    KC_BYTES(TwoIdInfoParam, arrTwoIdPhoto),
    KC_BYTES(TwoIdInfoParam, arrTwoIdFingerprint),
    KC_BYTES(TwoIdInfoParam, arrTwoIdPhotoJpeg),
    KC_INT(TwoIdInfoParam, unTwoIdPhotoJpegLength),
};

const Field kAppConfigFields[] = {
    KC_BYTES(KorviCardAppConfig, arrIapSwitch),
    KC_BYTES(KorviCardAppConfig, arrLocalIpAddress),
    KC_BYTES(KorviCardAppConfig, arrLocalNetMaskAddress),
    KC_BYTES(KorviCardAppConfig, arrLocalGatewayAddress),
    KC_BYTES(KorviCardAppConfig, arrPassWord),
    KC_BYTES(KorviCardAppConfig, arrSeverIpAddress),
    KC_INT(KorviCardAppConfig, unSeverPort),
    KC_INT(KorviCardAppConfig, unDispatchPostCode),
    KC_INT(KorviCardAppConfig, unDispatchLineType),
    KC_INT(KorviCardAppConfig, unDispatchAccount),
    KC_BYTES(KorviCardAppConfig, arrDispatchPassword),
    KC_BYTES(KorviCardAppConfig, arrDispatchUrl),
    KC_BYTES(KorviCardAppConfig, arrDnsAddress),
};

const Field kSinopecFields[] = {
    KC_BYTES(KorviCardSinopecCardParam, arrCardNo),
    KC_BYTES(KorviCardSinopecCardParam, arrSignedDate),
    KC_BYTES(KorviCardSinopecCardParam, arrValidityEndDate),
    KC_INT(KorviCardSinopecCardParam, nCardBalance),
    KC_INT(KorviCardSinopecCardParam, nPinFalseCount),
};

const Field kSinopecRecordFields[] = {
    KC_BYTES(KorviCardSinopecRecordParam, arrEtNo),
    KC_BYTES(KorviCardSinopecRecordParam, arrOverdraftAmount),
    KC_BYTES(KorviCardSinopecRecordParam, arrTradeAmount),
    Field{"ucTradeType", Kind::Byte, offsetof(KorviCardSinopecRecordParam, ucTradeType), 1},
    KC_BYTES(KorviCardSinopecRecordParam, arrTradeTerminalNo),
    KC_BYTES(KorviCardSinopecRecordParam, arrTradeDate),
    KC_BYTES(KorviCardSinopecRecordParam, arrTradeTime),
};

#undef KC_BYTES
#undef KC_INT

const char* Signature(Kind kind) {
    switch (kind) {
        case Kind::Bytes:
            return "[B";
        case Kind::Int:
            return "I";
        case Kind::Byte:
            return "B";
    }
    return "I";
}

// The class of path when object is one of its instances, else null (nothing pending).
jclass ClassOf(JNIEnv* env, jobject object, const char* path) {
    if (object == nullptr) return nullptr;
    jclass cls = env->FindClass(path);
    if (ClearPending(env) || cls == nullptr) return nullptr;
    if (!env->IsInstanceOf(object, cls)) {
        env->DeleteLocalRef(cls);
        return nullptr;
    }
    return cls;
}

jfieldID FieldId(JNIEnv* env, jclass cls, const char* name, const char* signature) {
    jfieldID id = env->GetFieldID(cls, name, signature);
    if (ClearPending(env)) return nullptr;
    return id;
}

template <std::size_t N>
void FieldsFromJava(JNIEnv* env, jobject object, jclass cls, const Field (&fields)[N],
                    std::uint8_t* base) {
    for (const Field& f : fields) {
        jfieldID id = FieldId(env, cls, f.name, Signature(f.kind));
        if (id == nullptr) continue;
        std::uint8_t* place = base + f.offset;
        if (f.kind == Kind::Bytes) {
            LocalRef<jbyteArray> array(env,
                                       static_cast<jbyteArray>(env->GetObjectField(object, id)));
            CopyFromJava(env, array.get(), place, f.width);
        } else if (f.kind == Kind::Int) {
            const jint value = env->GetIntField(object, id);
            std::memcpy(place, &value, sizeof value);
        } else {
            *place = static_cast<std::uint8_t>(env->GetByteField(object, id));
        }
    }
}

template <std::size_t N>
void FieldsToJava(JNIEnv* env, jobject object, jclass cls, const Field (&fields)[N],
                  const std::uint8_t* base) {
    for (const Field& f : fields) {
        jfieldID id = FieldId(env, cls, f.name, Signature(f.kind));
        if (id == nullptr) continue;
        const std::uint8_t* place = base + f.offset;
        if (f.kind == Kind::Bytes) {
            LocalRef<jbyteArray> array(env,
                                       static_cast<jbyteArray>(env->GetObjectField(object, id)));
            CopyToJava(env, array.get(), place, f.width);
        } else if (f.kind == Kind::Int) {
            jint value = 0;
            std::memcpy(&value, place, sizeof value);
            env->SetIntField(object, id, value);
        } else {
            env->SetByteField(object, id, static_cast<jbyte>(*place));
        }
    }
}

template <std::size_t N>
void FromJava(JNIEnv* env, jobject object, const char* path, const Field (&fields)[N],
              void* record) {
    if (env == nullptr || record == nullptr) return;
    LocalRef<jclass> cls(env, ClassOf(env, object, path));
    if (!cls) return;
    FieldsFromJava(env, object, cls.get(), fields, static_cast<std::uint8_t*>(record));
}

template <std::size_t N>
void ToJava(JNIEnv* env, jobject object, const char* path, const Field (&fields)[N],
            const void* record) {
    if (env == nullptr || record == nullptr) return;
    LocalRef<jclass> cls(env, ClassOf(env, object, path));
    if (!cls) return;
    FieldsToJava(env, object, cls.get(), fields, static_cast<const std::uint8_t*>(record));
}

}  // namespace

void CardParamFromJava(JNIEnv* env, jobject object, KorviCardParamLong* record) {
    FromJava(env, object, "korvicard/KorviCardParam", kCardParamFields,
             record == nullptr ? nullptr : &record->param);
}

void CardParamToJava(JNIEnv* env, jobject object, const KorviCardParamLong* record) {
    ToJava(env, object, "korvicard/KorviCardParam", kCardParamFields,
           record == nullptr ? nullptr : &record->param);
}

void TwoIdInfoFromJava(JNIEnv* env, jobject object, TwoIdInfoParam* record) {
    FromJava(env, object, "korvicard/TwoIdInfoParam", kTwoIdFields, record);
}

void TwoIdInfoToJava(JNIEnv* env, jobject object, const TwoIdInfoParam* record) {
    ToJava(env, object, "korvicard/TwoIdInfoParam", kTwoIdFields, record);
}

void AppConfigFromJava(JNIEnv* env, jobject object, KorviCardAppConfig* record) {
    FromJava(env, object, "korvicard/KorviCardAppConfig", kAppConfigFields, record);
}

void AppConfigToJava(JNIEnv* env, jobject object, const KorviCardAppConfig* record) {
    ToJava(env, object, "korvicard/KorviCardAppConfig", kAppConfigFields, record);
}

void SinopecFromJava(JNIEnv* env, jobject object, KorviCardSinopecCardParam* record) {
    FromJava(env, object, "korvicard/KorviCardSinopecCardParam", kSinopecFields, record);
}

void SinopecToJava(JNIEnv* env, jobject object, const KorviCardSinopecCardParam* record) {
    if (env == nullptr || record == nullptr) return;
    LocalRef<jclass> cls(env, ClassOf(env, object, "korvicard/KorviCardSinopecCardParam"));
    if (!cls) return;
    FieldsToJava(env, object, cls.get(), kSinopecFields,
                 reinterpret_cast<const std::uint8_t*>(record));
    jfieldID id =
        FieldId(env, cls.get(), "arrSinopecRecord", "[Lkorvicard/KorviCardSinopecRecordParam;");
    if (id == nullptr) return;
    LocalRef<jobjectArray> records(env, static_cast<jobjectArray>(env->GetObjectField(object, id)));
    if (!records) return;
    LocalRef<jclass> recordClass(env, env->FindClass("korvicard/KorviCardSinopecRecordParam"));
    if (ClearPending(env) || !recordClass) return;
    const jsize count =
        std::min<jsize>(env->GetArrayLength(records.get()), KORVICARD_SINOPEC_RECORD_COUNT);
    for (jsize i = 0; i < count; ++i) {
        LocalRef<jobject> element(env, env->GetObjectArrayElement(records.get(), i));
        if (ClearPending(env) || !element) continue;
        if (!env->IsInstanceOf(element.get(), recordClass.get())) continue;
        FieldsToJava(env, element.get(), recordClass.get(), kSinopecRecordFields,
                     reinterpret_cast<const std::uint8_t*>(&record->arrSinopecRecord[i]));
    }
}

void GetJavaIntField(JNIEnv* env, jobject object, jclass cls, const char* name, int* out) {
    if (env == nullptr || object == nullptr || cls == nullptr || out == nullptr) return;
    jfieldID id = FieldId(env, cls, name, "I");
    if (id != nullptr) *out = env->GetIntField(object, id);
}

void SetJavaIntField(JNIEnv* env, jobject object, jclass cls, const char* name, int value) {
    if (env == nullptr || object == nullptr || cls == nullptr) return;
    jfieldID id = FieldId(env, cls, name, "I");
    if (id != nullptr) env->SetIntField(object, id, value);
}

bool ReadPhoneIdentity(JNIEnv* env, jobject context, std::uint8_t* block) {
    if (env == nullptr || context == nullptr || block == nullptr) return false;
    LocalRef<jclass> contextClass(env, ClassOf(env, context, "android/content/Context"));
    if (!contextClass) return false;
    jmethodID getSystemService = env->GetMethodID(contextClass.get(), "getSystemService",
                                                  "(Ljava/lang/String;)Ljava/lang/Object;");
    if (ClearPending(env) || getSystemService == nullptr) return false;
    jfieldID serviceField =
        env->GetStaticFieldID(contextClass.get(), "TELEPHONY_SERVICE", "Ljava/lang/String;");
    if (ClearPending(env) || serviceField == nullptr) return false;
    LocalRef<jobject> serviceName(env, env->GetStaticObjectField(contextClass.get(), serviceField));
    if (ClearPending(env) || !serviceName) return false;
    LocalRef<jobject> manager(env,
                              env->CallObjectMethod(context, getSystemService, serviceName.get()));
    if (ClearPending(env) || !manager) return false;
    LocalRef<jclass> managerClass(
        env, ClassOf(env, manager.get(), "android/telephony/TelephonyManager"));
    if (!managerClass) return false;

    static const char* const kMethods[] = {"getDeviceId", "getSubscriberId", "getLine1Number",
                                           "getSimSerialNumber"};
    constexpr std::size_t kSlot = 32;
    for (std::size_t i = 0; i < 4; ++i) {
        jmethodID method =
            env->GetMethodID(managerClass.get(), kMethods[i], "()Ljava/lang/String;");
        if (ClearPending(env) || method == nullptr) continue;
        LocalRef<jstring> text(env,
                               static_cast<jstring>(env->CallObjectMethod(manager.get(), method)));
        if (ClearPending(env) || !text) continue;
        StringChars chars(env, text.get());
        if (chars.get() == nullptr) continue;
        const std::size_t length = std::min(static_cast<std::size_t>(chars.length()), kSlot);
        std::memcpy(block + i * kSlot, chars.get(), length);
    }
    return true;
}

}  // namespace korvicard_jni
