// The native methods of korvicard.KorviCardDriver. Each converts its Java
// arguments, calls the C export of the same operation and converts the results back. The
// generated header korvicard_KorviCardDriver.h declares every entry point, so the compiler
// checks each name and signature.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "api/c_api_frame.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "jni/jni_binding.h"
#include "jni/jni_records.h"
#include "jni/jni_support.h"
#include "korvicard/KorviCardDriver.h"
#include "korvicard_KorviCardDriver.h"

using namespace korvicard_jni;

#define KC_JNI(ret, name) extern "C" JNIEXPORT ret JNICALL Java_korvicard_KorviCardDriver_##name

namespace {

constexpr int kTextSize = 256;
constexpr int kTextCapacity = 255;

jboolean Bool(int result) { return result != 0 ? JNI_TRUE : JNI_FALSE; }

// Runs body; a C++ exception gives onFailure (none crosses into the JVM).
template <class R, class Body>
R Safe(R onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

// The LCEC_ name of a reader code; nothing for a handle that names no reader.
void ReaderErrorName(int handle, int code, char* buffer, int size) {
    WithReaderVoid(handle, [&](ReaderSession&) { GetErrorName(code, buffer, SizeArgument(size)); });
}

// Pattern P: the long-form card record around the call.
template <class Call>
jboolean CardCall(JNIEnv* env, jobject param, Call&& call) {
    return Safe<jboolean>(JNI_FALSE, [&] {
        KorviCardParamLong record{};
        CardParamFromJava(env, param, &record);
        const int result = call(&record.param);
        CardParamToJava(env, param, &record);
        return Bool(result);
    });
}

// Pattern T: the identity record around the call.
template <class Call>
jboolean TwoIdCall(JNIEnv* env, jobject param, Call&& call) {
    return Safe<jboolean>(JNI_FALSE, [&] {
        TwoIdInfoParam record{};
        TwoIdInfoFromJava(env, param, &record);
        const int result = call(&record);
        TwoIdInfoToJava(env, param, &record);
        return Bool(result);
    });
}

jstring Text(JNIEnv* env, const char* buffer) {
    return NewJavaString(env, buffer, strnlen(buffer, kTextCapacity));
}

// Pattern S: the buffer's text when the export returned 1, else the empty string.
template <class Call>
jstring TextOut(JNIEnv* env, Call&& call) {
    return Safe<jstring>(nullptr, [&] {
        char buffer[kTextSize] = {};
        const int result = call(buffer, kTextCapacity);
        return Text(env, result == 1 ? buffer : "");
    });
}

// Pattern S for an export that returns nothing: whatever it wrote.
template <class Call>
jstring TextOutVoid(JNIEnv* env, Call&& call) {
    return Safe<jstring>(nullptr, [&] {
        char buffer[kTextSize] = {};
        call(buffer, kTextCapacity);
        return Text(env, buffer);
    });
}

// Pattern A: the array's bytes in place, refused below minimum.
template <class Call>
jboolean InPlace(JNIEnv* env, jbyteArray array, jsize minimum, Call&& call) {
    return Safe<jboolean>(JNI_FALSE, [&]() -> jboolean {
        const jsize length = ArrayLength(env, array);
        if (array == nullptr || length < minimum) return JNI_FALSE;
        std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
        CopyFromJava(env, array, data.data(), data.size());
        const int result = call(data.data(), static_cast<int>(length));
        CopyToJava(env, array, data.data(), data.size());
        return Bool(result);
    });
}

// Pattern B for the APDU reads: the answer's bytes, or an empty array.
template <class Call>
jbyteArray ApduOut(JNIEnv* env, Call&& call) {
    return Safe<jbyteArray>(nullptr, [&] {
        std::uint8_t answer[kTextSize] = {};
        int length = kTextSize;
        const int result = call(answer, &length);
        const std::size_t count = result == 1 && length > 0
                                      ? std::min(static_cast<std::size_t>(length), sizeof answer)
                                      : 0;
        return NewJavaBytes(env, answer, count);
    });
}

// Pattern B of the identity-server box: the returned length of bytes, or an empty array.
template <class Call>
jbyteArray ServerBytesOut(JNIEnv* env, Call&& call) {
    return Safe<jbyteArray>(nullptr, [&] {
        std::uint8_t answer[kTextSize] = {};
        const int result = call(answer, kTextSize);
        const std::size_t count =
            result > 0 ? std::min(static_cast<std::size_t>(result), sizeof answer) : 0;
        return NewJavaBytes(env, answer, count);
    });
}

}  // namespace

// --- Lifecycle and errors ------------------------------------------------------------------

KC_JNI(jlong, OpenDevice)
(JNIEnv* env, jobject self, jstring deviceName, jint vidOrPort, jint pid, jint usbIndex,
 jint timeout, jboolean useCallback) {
    if (env == nullptr) return -1;
    return Safe<jlong>(-1, [&] {
        if (!StoreDriverObject(env, self)) return jlong{-1};
        StringChars name(env, deviceName);
        const int handle = KorviCardOpenDevice(name.get(), vidOrPort, pid, usbIndex, timeout,
                                               useCallback ? JavaTransportCallback : nullptr);
        return static_cast<jlong>(handle);
    });
}

KC_JNI(void, CloseDevice)(JNIEnv*, jobject, jlong handle) {
    FreePhotoBuffer();
    KorviCardCloseDevice(HandleArg(handle));
}

KC_JNI(jint, GetErrorCode)(JNIEnv*, jobject, jlong handle) {
    return KorviCardGetErrorCode(HandleArg(handle));
}

KC_JNI(jint, GetTwoIdErrorCode)(JNIEnv*, jobject, jlong handle) {
    return KorviCardGetTwoIdErrorCode(HandleArg(handle));
}

KC_JNI(jstring, GetErrorInfo)(JNIEnv* env, jobject, jlong handle, jint code) {
    return TextOutVoid(env,
                       [&](char* b, int n) { ReaderErrorName(HandleArg(handle), code, b, n); });
}

KC_JNI(jstring, GetTwoIdErrorInfo)(JNIEnv* env, jobject, jlong handle, jint code) {
    return TextOutVoid(
        env, [&](char* b, int n) { KorviCardGetTwoIdErrorInfo(HandleArg(handle), code, b, n); });
}

KC_JNI(jstring, GetTwoIdDispatchServerErrorInfo)(JNIEnv* env, jobject, jlong handle) {
    return TextOutVoid(env, [&](char* b, int n) {
        KorviCardGetTwoIdDispatchServerErrorInfo(HandleArg(handle), b, n);
    });
}

// Dials nothing: the answer of the contact-card status, always 0.
KC_JNI(jint, ConnectTest)(JNIEnv*, jobject, jstring, jint) { return ICC_Reader_GetStatus(0, 0); }

// --- Mifare Classic and ISO 14443-A --------------------------------------------------------

KC_JNI(jboolean, Request)(JNIEnv* env, jobject, jlong handle, jint mode, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardRequest(HandleArg(handle), mode, p);
    });
}

KC_JNI(jboolean, Anticoll)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardAnticoll(HandleArg(handle), p); });
}

KC_JNI(jboolean, Select)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardSelect(HandleArg(handle), p); });
}

KC_JNI(jboolean, Authentication)
(JNIEnv* env, jobject, jlong handle, jint keyMode, jint sector, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardAuthentication(HandleArg(handle), keyMode, sector, p);
    });
}

KC_JNI(jboolean, AuthenticationWithPassword)
(JNIEnv* env, jobject, jlong handle, jint keyMode, jint sector, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardAuthenticationWithPassword(HandleArg(handle), keyMode, sector, p);
    });
}

KC_JNI(jboolean, Halt)(JNIEnv*, jobject, jlong handle) {
    return Bool(KorviCardHalt(HandleArg(handle)));
}

KC_JNI(jboolean, Read)(JNIEnv* env, jobject, jlong handle, jint block, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardRead(HandleArg(handle), block, p); });
}

KC_JNI(jboolean, Write)(JNIEnv* env, jobject, jlong handle, jint block, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardWrite(HandleArg(handle), block, p); });
}

KC_JNI(jboolean, Increment)(JNIEnv*, jobject, jlong handle, jint block, jint value) {
    return Bool(KorviCardIncrement(HandleArg(handle), block, static_cast<unsigned>(value)));
}

KC_JNI(jboolean, Decreament)(JNIEnv*, jobject, jlong handle, jint block, jint value) {
    return Bool(KorviCardDecrement(HandleArg(handle), block, static_cast<unsigned>(value)));
}

KC_JNI(jboolean, Restore)(JNIEnv*, jobject, jlong handle, jint block) {
    return Bool(KorviCardRestore(HandleArg(handle), block));
}

KC_JNI(jboolean, Transfer)(JNIEnv*, jobject, jlong handle, jint block) {
    return Bool(KorviCardTransfer(HandleArg(handle), block));
}

KC_JNI(jboolean, LoadKey)
(JNIEnv* env, jobject, jlong handle, jint keyMode, jint sector, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardLoadKey(HandleArg(handle), keyMode, sector, p);
    });
}

KC_JNI(jboolean, Beep)(JNIEnv*, jobject, jlong handle, jint time) {
    return KorviCardBeep(HandleArg(handle), time) == 1 ? JNI_TRUE : JNI_FALSE;
}

KC_JNI(jboolean, GetCardNo)(JNIEnv* env, jobject, jlong handle, jint mode, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardGetCardNo(HandleArg(handle), mode, p);
    });
}

KC_JNI(jboolean, GetCardNoEx)
(JNIEnv* env, jobject, jlong handle, jint requestMode, jint beepTime, jint option1, jint option2,
 jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardGetCardNoEx(HandleArg(handle), requestMode, beepTime, option1, option2, p);
    });
}

KC_JNI(jboolean, InitValue)(JNIEnv*, jobject, jlong handle, jint block, jint value) {
    return Bool(KorviCardInitValue(HandleArg(handle), block, value));
}

KC_JNI(jboolean, ChangePassword)
(JNIEnv* env, jobject, jlong handle, jint sector, jstring keyA, jstring keyB) {
    StringChars a(env, keyA);
    StringChars b(env, keyB);
    return Bool(KorviCardChangePassword(HandleArg(handle), sector, a.get(), b.get()));
}

KC_JNI(jboolean, ReadData)
(JNIEnv* env, jobject, jlong handle, jint requestMode, jint block, jint blockCount, jint beepTime,
 jint keyMode, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardReadData(HandleArg(handle), requestMode, block, blockCount, beepTime,
                                 keyMode, p);
    });
}

KC_JNI(jboolean, WriteData)
(JNIEnv* env, jobject, jlong handle, jint block, jint beepTime, jint blockCount, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardWriteData(HandleArg(handle), block, beepTime, blockCount, p);
    });
}

KC_JNI(jstring, ReadText)(JNIEnv* env, jobject, jlong handle, jint start) {
    return TextOut(
        env, [&](char* b, int n) { return KorviCardReadText(HandleArg(handle), start, b, n); });
}

KC_JNI(jboolean, WriteText)(JNIEnv* env, jobject, jlong handle, jint start, jstring text) {
    StringChars chars(env, text);
    return Bool(KorviCardWriteText(HandleArg(handle), start, chars.get(), chars.length()));
}

KC_JNI(jboolean, SetCardType)(JNIEnv*, jobject, jlong handle, jint type) {
    return Bool(KorviCardSetCardType(HandleArg(handle), type));
}

// --- CPU cards, bank, social-security and fuel cards ----------------------------------------

KC_JNI(jboolean, SendCpuCommand)(JNIEnv* env, jobject, jlong handle, jint mode, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardSendCpuCommand(HandleArg(handle), mode, p);
    });
}

KC_JNI(jboolean, ResetCpuCard)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardResetCpuCard(HandleArg(handle), p); });
}

KC_JNI(jboolean, ResetCpuCardNoGetCardNo)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardResetCpuCardNoGetCardNo(HandleArg(handle), p);
    });
}

KC_JNI(jboolean, DeselectCpuCard)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardDeselectCpuCard(HandleArg(handle), p);
    });
}

KC_JNI(jboolean, SendCOSCommand)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardSendCOSCommand(HandleArg(handle), p);
    });
}

KC_JNI(jbyteArray, CpuCardSelectByName)(JNIEnv* env, jobject, jlong handle, jstring name) {
    StringChars chars(env, name);
    return ApduOut(env, [&](std::uint8_t* out, int* length) {
        return KorviCardCpuCardSelectByName(HandleArg(handle), chars.get(), out, length);
    });
}

KC_JNI(jbyteArray, CpuCardReadBinary)(JNIEnv* env, jobject, jlong handle, jint sfi) {
    return ApduOut(env, [&](std::uint8_t* out, int* length) {
        return KorviCardCpuCardReadBinary(HandleArg(handle), sfi, out, length);
    });
}

KC_JNI(jstring, GetBankCardNo)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env,
                   [&](char* b, int n) { return KorviCardGetBankCardNo(HandleArg(handle), b, n); });
}

KC_JNI(jstring, GetBankCardNoBy7816)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(
        env, [&](char* b, int n) { return KorviCardGetBankCardNoBy7816(HandleArg(handle), b, n); });
}

// Pattern X: one body with two names.
namespace {
jboolean AlwaysFalse() { return JNI_FALSE; }
}  // namespace

KC_JNI(jboolean, GetSocialSecurityInfoBy7816)(JNIEnv*, jobject, jlong, jbyteArray) {
    return AlwaysFalse();
}

KC_JNI(jboolean, SendCosResult2Samv)(JNIEnv*, jobject, jlong, jobject) { return AlwaysFalse(); }

KC_JNI(jboolean, GetSinopecCardInfo)
(JNIEnv* env, jobject, jlong handle, jobject card, jstring pin) {
    return Safe<jboolean>(JNI_FALSE, [&] {
        KorviCardSinopecCardParam record{};
        SinopecFromJava(env, card, &record);
        StringChars chars(env, pin);
        const int result = KorviCardGetSinopecCardInfo(HandleArg(handle), &record, chars.get());
        SinopecToJava(env, card, &record);
        return Bool(result);
    });
}

KC_JNI(jboolean, GetPetroChinaCardInfo)(JNIEnv*, jobject, jlong, jobject, jstring) {
    return AlwaysFalse();
}

// --- Type B, FeliCa, NFC buffer, NTAG --------------------------------------------------------

KC_JNI(jboolean, RequestB)(JNIEnv* env, jobject, jlong handle, jint mode, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardRequestB(HandleArg(handle), mode, p);
    });
}

KC_JNI(jboolean, SelectB)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardSelectB(HandleArg(handle), p); });
}

KC_JNI(jboolean, HaltB)(JNIEnv*, jobject, jlong handle) {
    return Bool(KorviCardHaltB(HandleArg(handle)));
}

KC_JNI(jboolean, FelicaPolling)(JNIEnv* env, jobject, jlong handle, jint request, jobject param) {
    return CardCall(env, param, [&](KorviCardParam* p) {
        return KorviCardFelicaPolling(HandleArg(handle), request, p);
    });
}

KC_JNI(jstring, ReadNfcBuffer)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env,
                   [&](char* b, int n) { return KorviCardReadNfcBuffer(HandleArg(handle), b, n); });
}

KC_JNI(jboolean, WriteNfcBuffer)(JNIEnv* env, jobject, jlong handle, jstring text) {
    StringChars chars(env, text);
    return Bool(KorviCardWriteNfcBuffer(HandleArg(handle), chars.get(), chars.length()));
}

KC_JNI(jboolean, NtagGetVersion)(JNIEnv* env, jobject, jlong handle, jbyteArray version) {
    return InPlace(env, version, 8, [&](std::uint8_t* data, int length) {
        return KorviCardNtagGetVersion(HandleArg(handle), data, length);
    });
}

KC_JNI(jboolean, NtagPwdAuth)(JNIEnv* env, jobject, jlong handle, jbyteArray password) {
    return InPlace(env, password, 4, [&](std::uint8_t* data, int length) {
        return KorviCardNtagPwdAuth(HandleArg(handle), data, length);
    });
}

// --- SAM slots --------------------------------------------------------------------------------

KC_JNI(jboolean, SetSamSlotIndex)(JNIEnv*, jobject, jlong handle, jint slot) {
    return Bool(KorviCardSetSamSlotIndex(HandleArg(handle), slot));
}

KC_JNI(jboolean, SetSamPowerOnOff)(JNIEnv*, jobject, jlong handle, jint on) {
    return Bool(KorviCardSetSamPowerOnOff(HandleArg(handle), on));
}

KC_JNI(jboolean, SetSamVSel0)(JNIEnv*, jobject, jlong handle, jint slot, jint level) {
    return Bool(KorviCardSetSamVSel0(HandleArg(handle), slot, level));
}

KC_JNI(jboolean, SetSamVSel1)(JNIEnv*, jobject, jlong handle, jint slot, jint level) {
    return Bool(KorviCardSetSamVSel1(HandleArg(handle), slot, level));
}

KC_JNI(jboolean, ResetSam)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardResetSam(HandleArg(handle), p); });
}

KC_JNI(jboolean, SendSamAPDU)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return CardCall(env, param,
                    [&](KorviCardParam* p) { return KorviCardSendSamAPDU(HandleArg(handle), p); });
}

// --- Identity card ----------------------------------------------------------------------------

KC_JNI(jboolean, GetTwoIdInfo)(JNIEnv* env, jobject, jlong handle, jobject param) {
    return TwoIdCall(
        env, param, [&](TwoIdInfoParam* p) { return KorviCardGetTwoIdInfo(HandleArg(handle), p); });
}

KC_JNI(jboolean, GetTwoIdInfoByServer)
(JNIEnv* env, jobject, jlong handle, jstring host, jobject param) {
    const int h = HandleArg(handle);
    StringChars chars(env, host);
    KorviCardSetIdDeviceExtendReadWrite(h, nullptr);
    return TwoIdCall(env, param, [&](TwoIdInfoParam* p) {
        return KorviCardGetTwoIdInfoByServer(h, chars.get(), p);
    });
}

namespace {

using ServerRead = int(KORVICARD_CALL*)(int, const char*, int, TwoIdInfoParam*, int);

// A port or time-out outside the int range fails before anything is touched.
jboolean ServerReadCall(JNIEnv* env, ServerRead read, jlong handle, jstring host, jlong port,
                        jobject param, jlong timeoutSeconds) {
    const std::optional<int> portArg = IntArg(port);
    const std::optional<int> timeoutArg = IntArg(timeoutSeconds);
    if (!portArg || !timeoutArg) return JNI_FALSE;
    const int h = HandleArg(handle);
    StringChars chars(env, host);
    KorviCardSetIdDeviceExtendReadWrite(h, nullptr);
    return TwoIdCall(env, param, [&](TwoIdInfoParam* p) {
        return read(h, chars.get(), *portArg, p, *timeoutArg);
    });
}

}  // namespace

KC_JNI(jboolean, GetTwoIdInfoByServerEx)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port, jobject param,
 jlong timeoutSeconds) {
    return ServerReadCall(env, KorviCardGetTwoIdInfoByServerEx, handle, host, port, param,
                          timeoutSeconds);
}

KC_JNI(jboolean, GetTwoIdInfoByWireless)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port, jobject param,
 jlong timeoutSeconds) {
    return ServerReadCall(env, KorviCardGetTwoIdInfoByWireless, handle, host, port, param,
                          timeoutSeconds);
}

KC_JNI(jboolean, GetTwoIdInfoByWirelessEx)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port, jobject param,
 jlong timeoutSeconds) {
    return ServerReadCall(env, KorviCardGetTwoIdInfoByWirelessEx, handle, host, port, param,
                          timeoutSeconds);
}

KC_JNI(jboolean, GetTwoIdInfoByPsamServer)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port, jobject param, jlong timeoutSeconds,
 jlong) {
    return ServerReadCall(env, KorviCardGetTwoIdInfoByPsamServer, handle, host, port, param,
                          timeoutSeconds);
}

KC_JNI(jboolean, GetTwoIdInfoByPsamServerEx)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port, jobject param, jlong timeoutSeconds,
 jlong) {
    return ServerReadCall(env, KorviCardGetTwoIdInfoByPsamServerEx, handle, host, port, param,
                          timeoutSeconds);
}

KC_JNI(jboolean, GetTwoIdInfoByMcuServer)
(JNIEnv* env, jobject, jobject context, jint, jlong handle, jstring dispatchHost,
 jint dispatchValue, jstring account, jobject param, jlong firstRequest, jlong secondRequest,
 jint timeoutSeconds, jboolean) {
    return Safe<jboolean>(JNI_FALSE, [&]() -> jboolean {
        // The handle is looked up like every other entry point's: 0, -1, a closed handle or
        // one outside the 32-bit range reaches no session.
        const int h = HandleArg(handle);
        const std::optional<std::uint32_t> first = Uint32Arg(firstRequest);
        const std::optional<std::uint32_t> second = Uint32Arg(secondRequest);
        if (!Readers().Find(h) || !first || !second) return JNI_FALSE;
        std::uint8_t phone[ReaderSession::kPhoneIdentitySize] = {};
        TwoIdInfoParam record{};
        StringChars host(env, dispatchHost);
        StringChars text(env, account);
        // The phone identity is read only from a context (Android); without one, or when it
        // cannot be read, the dispatch request goes on with a blank identity.
        ReadPhoneIdentity(env, context, phone);
        TwoIdInfoFromJava(env, param, &record);
        KorviCardSetIdDeviceExtendReadWrite(h, nullptr);
        std::uint8_t enabled = 0;
        std::uint8_t flag = 0;
        GetPhotoFlags(&enabled, &flag);
        if (enabled != 0) {
            std::uint8_t* photo = PhotoBuffer();
            if (photo != nullptr) KorviCardSetIdPhotoAddress(h, photo, kPhotoBmpSize, flag != 0);
        }
        WithReaderVoid(h, [&](ReaderSession& s) { s.SetPhoneIdentity(phone); });
        const std::uint32_t value = static_cast<std::uint32_t>(dispatchValue);
        const int result = KorviCardGetTwoIdInfoByMcuServer(
            h, host.get(), &value, text.get(), &record, *first, *second, timeoutSeconds);
        TwoIdInfoToJava(env, param, &record);
        return Bool(result);
    });
}

KC_JNI(jboolean, GetTwoIdInfoByMcuServerEx)
(JNIEnv*, jobject, jobject, jint, jlong, jstring, jint, jstring, jobject, jlong, jlong, jint,
 jboolean) {
    return AlwaysFalse();
}

KC_JNI(jboolean, SetIdPhotoAddress__JZ)(JNIEnv*, jobject, jlong, jboolean flag) {
    SetPhotoFlags(1, flag);
    return JNI_TRUE;
}

KC_JNI(jboolean, SetIdPhotoAddress__J_3BZ)
(JNIEnv* env, jobject, jlong, jbyteArray buffer, jboolean flag) {
    if (ArrayLength(env, buffer) < kPhotoBmpSize) return JNI_FALSE;
    SetPhotoFlags(1, flag);
    return JNI_TRUE;
}

KC_JNI(jboolean, GetIdPhotoBmpBuffer)(JNIEnv* env, jobject, jlong, jbyteArray buffer) {
    return Safe<jboolean>(JNI_FALSE, [&]() -> jboolean {
        if (ArrayLength(env, buffer) < kPhotoBmpSize) return JNI_FALSE;
        std::vector<std::uint8_t> bitmap(kPhotoBmpSize);
        if (TakePhotoBuffer(bitmap.data())) CopyToJava(env, buffer, bitmap.data(), bitmap.size());
        return JNI_TRUE;
    });
}

KC_JNI(jboolean, WlDecodeByServer)
(JNIEnv* env, jobject, jlong handle, jstring host, jobject param) {
    StringChars chars(env, host);
    return TwoIdCall(env, param, [&](TwoIdInfoParam* p) {
        return KorviCardWlDecodeByServer(HandleArg(handle), chars.get(), p);
    });
}

KC_JNI(jstring, GetSamvManagerMessageByServer)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port) {
    StringChars chars(env, host);
    return TextOut(env, [&](char* b, int n) {
        const std::optional<int> portArg = IntArg(port);
        return portArg ? KorviCardGetSamvManagerMessageByServer(HandleArg(handle), chars.get(),
                                                                *portArg, b, n)
                       : 0;
    });
}

namespace {

using ServerBytes = int(KORVICARD_CALL*)(int, const char*, int, unsigned char*, int);

jbyteArray ServerBytesCall(JNIEnv* env, ServerBytes query, jlong handle, jstring host, jlong port) {
    StringChars chars(env, host);
    return ServerBytesOut(env, [&](std::uint8_t* b, int n) {
        const std::optional<int> portArg = IntArg(port);
        return portArg ? query(HandleArg(handle), chars.get(), *portArg, b, n) : 0;
    });
}

}  // namespace

KC_JNI(jbyteArray, GetTwoIdServerMacAddress)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port) {
    return ServerBytesCall(env, KorviCardGetTwoIdServerMacAddress, handle, host, port);
}

KC_JNI(jbyteArray, GetTwoIdServerMcuSerialNo)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port) {
    return ServerBytesCall(env, KorviCardGetTwoIdServerMcuSerialNo, handle, host, port);
}

KC_JNI(jint, PowerOnOffOtherDevice)
(JNIEnv* env, jobject, jlong handle, jstring host, jlong port, jlong value, jstring block) {
    constexpr jint kFailure = -1;
    const std::optional<int> portArg = IntArg(port);
    const std::optional<int> valueArg = IntArg(value);
    if (!portArg || !valueArg) return kFailure;
    StringChars chars(env, host);
    StringChars blockChars(env, block);
    std::uint8_t data[16] = {};
    if (blockChars.get() != nullptr) {
        std::memcpy(data, blockChars.get(),
                    std::min(sizeof data, static_cast<std::size_t>(blockChars.length())));
    }
    return KorviCardPowerOnOffOtherDevice(HandleArg(handle), chars.get(), *portArg, *valueArg,
                                          data);
}

KC_JNI(jstring, GetTwoGenerationIDCardNo)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env, [&](char* b, int n) {
        return KorviCardGetTwoGenerationIDCardNo(HandleArg(handle), b, n);
    });
}

KC_JNI(jstring, GetTwoGenerationIDDnNo)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env, [&](char* b, int n) {
        return KorviCardGetTwoGenerationIDDnNo(HandleArg(handle), b, n);
    });
}

KC_JNI(jint, GetSamvPowerStatus)(JNIEnv*, jobject, jlong handle) {
    int status = 0;
    return KorviCardGetSamvPowerStatus(HandleArg(handle), &status) == 1 ? status : -1;
}

KC_JNI(jboolean, SetSamvPowerStatus)(JNIEnv*, jobject, jlong handle, jint status) {
    return Bool(KorviCardSetSamvPowerStatus(HandleArg(handle), status));
}

// --- Device controls --------------------------------------------------------------------------

KC_JNI(jstring, GetDeviceNo)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env,
                   [&](char* b, int n) { return KorviCardGetDeviceNo(HandleArg(handle), b, n); });
}

KC_JNI(jstring, GetDeviceMacAddress)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env, [&](char* b, int n) {
        std::uint8_t mac[8] = {};
        const int result = KorviCardGetDeviceMacAddress(HandleArg(handle), mac, sizeof mac);
        if (result == 1) {
            std::snprintf(b, static_cast<std::size_t>(n) + 1, "%2X%2X%2X%2X%2X%2X", mac[0], mac[1],
                          mac[2], mac[3], mac[4], mac[5]);
        }
        return result;
    });
}

KC_JNI(jstring, GetMcuSerailNo)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(
        env, [&](char* b, int n) { return KorviCardGetMcuSerailNo(HandleArg(handle), b, n); });
}

KC_JNI(jboolean, SetRfOnOff)(JNIEnv*, jobject, jlong handle, jint on) {
    return Bool(KorviCardSetRfOnOff(HandleArg(handle), on));
}

KC_JNI(jboolean, SetLedStatus)(JNIEnv*, jobject, jlong handle, jint state) {
    return Bool(KorviCardSetLedStatus(HandleArg(handle), state));
}

KC_JNI(jboolean, ResetRfIc)(JNIEnv*, jobject, jlong handle) {
    return Bool(KorviCardResetRfIc(HandleArg(handle)));
}

KC_JNI(jboolean, GetMcuConfig)(JNIEnv* env, jobject, jlong handle, jbyteArray config) {
    return InPlace(env, config, 4, [&](std::uint8_t* data, int length) {
        return KorviCardGetMcuConfig(HandleArg(handle), data, length);
    });
}

KC_JNI(jboolean, GetIspOption)(JNIEnv* env, jobject, jlong handle, jbyteArray option) {
    return InPlace(env, option, 4, [&](std::uint8_t* data, int length) {
        return KorviCardGetIspOption(HandleArg(handle), data, length);
    });
}

KC_JNI(jboolean, SetIspOption)(JNIEnv* env, jobject, jlong handle, jbyteArray option) {
    return InPlace(env, option, 4, [&](std::uint8_t* data, int length) {
        return KorviCardSetIspOption(HandleArg(handle), data, length);
    });
}

KC_JNI(jint, ReadWriteRfRegister)(JNIEnv*, jobject, jlong handle, jint mode, jint reg, jint value) {
    return KorviCardReadWriteRfRegister(HandleArg(handle), mode, reg, value);
}

KC_JNI(jboolean, SetRelayStatus)
(JNIEnv* env, jobject, jlong handle, jint relay, jint status, jstring password) {
    StringChars chars(env, password);
    return Bool(KorviCardSetRelayStatus(HandleArg(handle), relay, status, chars.get()));
}

KC_JNI(jboolean, GetRelayStatus)
(JNIEnv* env, jobject, jlong handle, jint relay, jbyteArray status) {
    std::uint8_t value = 0;
    const int result = KorviCardGetRelayStatus(HandleArg(handle), relay, &value);
    if (result == 1) CopyToJava(env, status, &value, 1);
    return Bool(result);
}

KC_JNI(jboolean, SetRelayInitStatus)
(JNIEnv* env, jobject, jlong handle, jbyteArray states, jbyteArray password, jint seconds) {
    constexpr jsize kBlock = 16;
    if ((states != nullptr && ArrayLength(env, states) < kBlock) ||
        (password != nullptr && ArrayLength(env, password) < kBlock)) {
        return JNI_FALSE;
    }
    std::uint8_t first[kBlock] = {};
    std::uint8_t second[kBlock] = {};
    CopyFromJava(env, states, first, kBlock);
    CopyFromJava(env, password, second, kBlock);
    return Bool(KorviCardSetRelayInitStatus(HandleArg(handle), first, second,
                                            static_cast<unsigned>(seconds)));
}

KC_JNI(jboolean, GetRelayInitStatus)
(JNIEnv* env, jobject, jlong handle, jbyteArray states, jbyteArray password, jintArray seconds) {
    std::uint8_t first[16] = {};
    std::uint8_t second[16] = {};
    unsigned value = 0;
    const int result = KorviCardGetRelayInitStatus(HandleArg(handle), first, second, &value);
    // As the C call does, a failure leaves the caller's arrays as they were.
    if (result == 1) {
        CopyToJava(env, states, first, sizeof first);
        CopyToJava(env, password, second, sizeof second);
        if (ArrayLength(env, seconds) > 0) {
            const jint v = static_cast<jint>(value);
            env->SetIntArrayRegion(seconds, 0, 1, &v);
            ClearPending(env);
        }
    }
    return Bool(result);
}

KC_JNI(jfloat, GetChargeVoltage)(JNIEnv*, jobject, jlong handle) {
    float voltage = 0;
    return KorviCardGetChargeVoltage(HandleArg(handle), &voltage) == 1 ? voltage : 0.0f;
}

KC_JNI(jint, GetChargeStatus)(JNIEnv*, jobject, jlong handle) {
    std::uint8_t status = 0;
    const int result = KorviCardGetChargeStatus(HandleArg(handle), &status);
    return result == 1 ? status : result;
}

KC_JNI(jboolean, SetChargeCurrent)(JNIEnv*, jobject, jlong handle, jint current) {
    return Bool(KorviCardSetChargeCurrent(HandleArg(handle), current));
}

KC_JNI(jint, GetChargeCurrent)(JNIEnv*, jobject, jlong handle) {
    int current = 0;
    return KorviCardGetChargeCurrent(HandleArg(handle), &current) == 1 ? current : 0;
}

KC_JNI(jint, GetUsbCharge)(JNIEnv*, jobject, jlong handle) {
    int value = 0;
    return KorviCardGetUsbCharge(HandleArg(handle), &value) == 1 ? value : 0;
}

KC_JNI(jboolean, ResetMcu)(JNIEnv*, jobject, jlong handle) {
    return Bool(KorviCardResetMcu(HandleArg(handle)));
}

KC_JNI(jstring, GetFirewareBuildTime)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(env, [&](char* b, int n) {
        return KorviCardGetFirewareBuildTime(HandleArg(handle), b, n);
    });
}

KC_JNI(jstring, GetLibBuildTime)(JNIEnv* env, jobject, jlong handle) {
    return TextOut(
        env, [&](char* b, int n) { return KorviCardGetLibBuildTime(HandleArg(handle), b, n); });
}

KC_JNI(jboolean, SetAppConfig)(JNIEnv* env, jobject, jlong handle, jobject config) {
    KorviCardAppConfig record{};
    AppConfigFromJava(env, config, &record);
    return Bool(KorviCardSetAppConfig(HandleArg(handle), &record));
}

KC_JNI(jboolean, GetAppConfig)(JNIEnv* env, jobject, jlong handle, jobject config) {
    KorviCardAppConfig record{};
    AppConfigFromJava(env, config, &record);
    const int result = KorviCardGetAppConfig(HandleArg(handle), &record);
    AppConfigToJava(env, config, &record);
    return Bool(result);
}

// --- Utilities without a reader ---------------------------------------------------------------

KC_JNI(jint, GetIdRandom)(JNIEnv* env, jobject, jbyteArray buffer) {
    return Safe<jint>(0, [&]() -> jint {
        const jsize length = ArrayLength(env, buffer);
        if (length < 8) return length;
        std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
        CopyFromJava(env, buffer, data.data(), data.size());
        const int result = KorviCardGetIdRandom(reinterpret_cast<char*>(data.data()), length);
        CopyToJava(env, buffer, data.data(), data.size());
        return result;
    });
}

KC_JNI(jint, SaveLog)(JNIEnv* env, jobject, jstring fileName, jstring line) {
    StringChars file(env, fileName);
    StringChars text(env, line);
    return KorviCardSaveLog(file.get(), text.get());
}

KC_JNI(jint, GetUsbDeviceCount)(JNIEnv*, jobject, jint vid, jint pid) {
    return KorviCardGetUsbDeviceCount(vid, pid);
}

KC_JNI(jstring, CalcDes)(JNIEnv* env, jobject, jstring dataHex, jstring keyHex, jboolean decrypt) {
    StringChars data(env, dataHex);
    StringChars key(env, keyHex);
    return TextOut(env, [&](char* b, int n) {
        return KorviCardDes(data.get(), key.get(), b, static_cast<unsigned>(n), decrypt ? 1 : 0);
    });
}

KC_JNI(jstring, Calc3Des)(JNIEnv* env, jobject, jstring dataHex, jstring keyHex, jboolean decrypt) {
    StringChars data(env, dataHex);
    StringChars key(env, keyHex);
    return TextOut(env, [&](char* b, int n) {
        return KorviCard3Des(data.get(), key.get(), b, static_cast<unsigned>(n), decrypt ? 1 : 0);
    });
}

KC_JNI(jstring, CalcMac)
(JNIEnv* env, jobject, jstring initialValueHex, jstring dataHex, jstring keyHex) {
    StringChars iv(env, initialValueHex);
    StringChars data(env, dataHex);
    StringChars key(env, keyHex);
    return TextOut(env, [&](char* b, int n) {
        return KorviCardMac(iv.get(), data.get(), key.get(), b, static_cast<unsigned>(n));
    });
}
