#pragma once

#include <jni.h>

#include <cstdint>

#include "korvicard/KorviCardDriver.h"

// The public records between Java objects and their C layout. A missing class,
// a missing field, a null array or an object of another class is skipped and leaves no
// pending exception; byte arrays travel min(Java length, C width) bytes both ways.

namespace korvicard_jni {

// KorviCardParam travels in its long form; only the first 256 command bytes cross.
void CardParamFromJava(JNIEnv* env, jobject object, KorviCardParamLong* record);
void CardParamToJava(JNIEnv* env, jobject object, const KorviCardParamLong* record);
void TwoIdInfoFromJava(JNIEnv* env, jobject object, TwoIdInfoParam* record);
void TwoIdInfoToJava(JNIEnv* env, jobject object, const TwoIdInfoParam* record);
void AppConfigFromJava(JNIEnv* env, jobject object, KorviCardAppConfig* record);
void AppConfigToJava(JNIEnv* env, jobject object, const KorviCardAppConfig* record);
// The summary fields only.
void SinopecFromJava(JNIEnv* env, jobject object, KorviCardSinopecCardParam* record);
// The summary and the first min(array length, 16) record objects (null elements skipped).
void SinopecToJava(JNIEnv* env, jobject object, const KorviCardSinopecCardParam* record);

// One int field by name ("I"); nothing happens when the field is missing.
void GetJavaIntField(JNIEnv* env, jobject object, jclass cls, const char* name, int* out);
void SetJavaIntField(JNIEnv* env, jobject object, jclass cls, const char* name, int value);

// Size of the phone-identity text: four 32-byte slots.
inline constexpr int kPhoneIdentityTextSize = 128;

// Fills the four 32-byte slots of block (device id, subscriber id, line-1 number, SIM serial)
// through context.getSystemService(Context.TELEPHONY_SERVICE). False when env or context is
// missing, the Android classes are absent or the telephony service cannot be reached.
bool ReadPhoneIdentity(JNIEnv* env, jobject context, std::uint8_t* block);

}  // namespace korvicard_jni
