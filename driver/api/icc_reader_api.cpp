#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "api/c_api_frame.h"
#include "api/handle_registry.h"
#include "core/protocol/reader_session.h"
#include "core/util/field_width.h"
#include "korvicard/KorviCardDriver.h"

// The ICC_Reader_ contact-card interface over one process-wide reader. Slot bytes up to
// 0x0F name the contact slot (reader slot 0); higher ones up to 0xFF the SAM slot (reader
// slot 1 or 2, whichever answered at power-on); a slot outside 0-255 is a bad argument.
// Handle arguments are ignored: every call acts on the global reader, one call at a time.

namespace {

constexpr int kOpenFailed = -11;
constexpr int kBadArgument = -14;
constexpr int kNoResetAnswer = -13;
constexpr int kEmptyResetAnswer = -2;
constexpr int kApduFailed = -4;

constexpr int kNoReader = 0;
constexpr int kClosed = -1;
constexpr int kOpenTimeoutMs = 2000;

constexpr std::uint8_t kContactSlot = 0;
constexpr std::uint8_t kFirstSamSlot = 1;
constexpr std::uint8_t kSecondSamSlot = 2;
constexpr std::uint8_t kLastContactSlotByte = 0x0F;
constexpr std::size_t kStatusWordLength = 2;
constexpr std::size_t kShortLengthMax = 256;

// Maker (GBK, two blanks), six blanks, model, ten blanks, "16": 32 bytes, no terminator.
constexpr char kLibraryInfo[] =
    "\xBF\xC6\xCE\xAC\xD6\xC7\xC4\xDC  "
    "      "
    "V2-U"
    "          "
    "16";
constexpr std::size_t kLibraryInfoSize = 32;
static_assert(sizeof kLibraryInfo - 1 == kLibraryInfoSize);

// The global reader: 0 before any open, -1 after a failed open or a close, else the id of
// the reader ICC_Reader_Open opened. The SAM slot is the reader slot that answered the
// last SAM power-on (0: none yet, or forgotten by a failed open).
struct IccGlobals {
    std::mutex mutex;
    int handle = kNoReader;
    std::uint8_t samSlot = 0;
};

IccGlobals& Icc() {
    static IccGlobals globals;
    return globals;
}

bool IsSlotByte(int slot) { return Fits(ByteField(slot)); }
bool IsSamSlotByte(int slot) { return slot > kLastContactSlotByte; }

// How many answer bytes the command can bring back (data and status word): a case 2
// command its Le bytes, a case 4 command its Le bytes when the reader fetched them, any
// other only the status word. 0 when the command has none of the ISO 7816-4 short forms.
std::size_t LongestAnswer(const std::uint8_t* command, std::size_t length) {
    auto le = [](std::uint8_t value) -> std::size_t {
        return value == 0 ? kShortLengthMax : value;
    };
    if (length <= 4) return kStatusWordLength;
    const std::size_t p3 = command[4];
    if (length == 5) return le(command[4]) + kStatusWordLength;
    if (p3 != 0 && length == 5 + p3) return kStatusWordLength;
    if (p3 != 0 && length == 6 + p3) return le(command[length - 1]) + kStatusWordLength;
    return 0;
}

// True when the answer starts with the card's procedure byte: the command's INS, in an
// answer longer than the command can bring back. For a command of no short form, any
// answer longer than a status word that starts with the INS.
bool StartsWithProcedureByte(const std::uint8_t* command, std::size_t length,
                             const std::uint8_t* answer, std::size_t count) {
    if (length < 2 || count <= kStatusWordLength || answer[0] != command[1]) return false;
    const std::size_t longest = LongestAnswer(command, length);
    return longest == 0 || count > longest;
}

int PowerOnContactSlot(ReaderSession& session, KorviCardParam& record) {
    if (!session.SetSamSlotIndex(kContactSlot) || !session.SetSamPowerOnOff(1)) {
        return kBadArgument;
    }
    return session.ResetSam(&record) ? 0 : kNoResetAnswer;
}

int PowerOnSamSlot(ReaderSession& session, KorviCardParam& record, std::uint8_t& samSlot) {
    session.SetSamSlotIndex(kFirstSamSlot);
    session.ResetSam(&record);
    if (record.nBufferSize > 0) {
        samSlot = kFirstSamSlot;
        return 0;
    }
    session.SetSamSlotIndex(kSecondSamSlot);
    session.ResetSam(&record);
    if (record.nBufferSize <= 0) return kEmptyResetAnswer;
    samSlot = kSecondSamSlot;
    return 0;
}

}  // namespace

extern "C" int KORVICARD_CALL ICC_Reader_Open(const char*) {
    return Guarded(kOpenFailed, [] {
        IccGlobals& icc = Icc();
        std::lock_guard<std::mutex> lock(icc.mutex);
        icc.handle = KorviCardOpenDevice("", 0, 0, 0, kOpenTimeoutMs, nullptr);
        if (icc.handle == kClosed) {
            icc.samSlot = 0;
            return kOpenFailed;
        }
        // The SAM powered before stays powered: a caller may reopen for each transaction.
        return icc.handle;
    });
}

extern "C" int KORVICARD_CALL ICC_Reader_Close(int) {
    return Guarded(kOpenFailed, [] {
        IccGlobals& icc = Icc();
        std::lock_guard<std::mutex> lock(icc.mutex);
        if (icc.handle == kClosed) return kOpenFailed;
        if (icc.handle != kNoReader) {
            CloseReader(icc.handle);
            icc.handle = kClosed;
        }
        return 0;
    });
}

extern "C" int KORVICARD_CALL ICC_Reader_PowerOn(int, int slot, unsigned char* answerToReset) {
    return Guarded(kBadArgument, [&] {
        if (answerToReset == nullptr || !IsSlotByte(slot)) return kBadArgument;
        IccGlobals& icc = Icc();
        std::lock_guard<std::mutex> lock(icc.mutex);
        if (icc.handle == kClosed) return kOpenFailed;
        return WithReader(icc.handle, kBadArgument, [&](ReaderSession& session) {
            if (!session.SetSamSlotIndex(kContactSlot) || !session.SetSamPowerOnOff(1)) {
                return kBadArgument;
            }
            KorviCardParamLong record{};
            const int result = IsSamSlotByte(slot)
                                   ? PowerOnSamSlot(session, record.param, icc.samSlot)
                                   : PowerOnContactSlot(session, record.param);
            if (result != 0) return result;
            if (record.param.nBufferSize <= 0) return kEmptyResetAnswer;
            const std::size_t length = std::min(static_cast<std::size_t>(record.param.nBufferSize),
                                                sizeof record.param.arrBuffer);
            std::memcpy(answerToReset, record.param.arrBuffer, length);
            return static_cast<int>(length);
        });
    });
}

extern "C" int KORVICARD_CALL ICC_Reader_PowerOff(int, int slot) {
    return Guarded(kOpenFailed, [&] {
        if (!IsSlotByte(slot)) return kBadArgument;
        IccGlobals& icc = Icc();
        std::lock_guard<std::mutex> lock(icc.mutex);
        if (icc.handle == kClosed) return kOpenFailed;
        if (!IsSamSlotByte(slot)) {
            // The contact slot, even when an APDU to a SAM left that slot selected.
            WithReaderVoid(icc.handle, [](ReaderSession& session) {
                session.SetSamSlotIndex(kContactSlot);
                session.SetSamPowerOnOff(0);
            });
        }
        return 0;
    });
}

extern "C" int KORVICARD_CALL ICC_Reader_Application(int, int slot, int length,
                                                     const unsigned char* command,
                                                     unsigned char* answer) {
    return Guarded(kApduFailed, [&] {
        KorviCardParamLong record{};
        if (answer == nullptr || command == nullptr || !IsSlotByte(slot) || length < 1 ||
            static_cast<std::size_t>(length) > sizeof record.param.arrCosSendBuffer) {
            return kBadArgument;
        }
        IccGlobals& icc = Icc();
        std::lock_guard<std::mutex> lock(icc.mutex);
        if (icc.handle == kClosed) return kOpenFailed;
        return WithReader(icc.handle, kApduFailed, [&](ReaderSession& session) {
            if (IsSamSlotByte(slot)) {
                // No SAM answered a power-on yet: the contact card must not get its APDU.
                if (icc.samSlot == 0) return kBadArgument;
                session.SetSamSlotIndex(icc.samSlot);
            } else {
                session.SetSamSlotIndex(kContactSlot);
            }
            const std::size_t commandLength = static_cast<std::size_t>(length);
            std::memcpy(record.param.arrCosSendBuffer, command, commandLength);
            record.param.unCosSendBufferLength = static_cast<std::uint32_t>(commandLength);
            if (!session.SendSamAPDU(&record.param)) return kApduFailed;
            const std::uint8_t* result = record.param.arrCosResultBuffer;
            std::size_t count = std::min<std::size_t>(record.param.unCosReultBufferLength,
                                                      sizeof record.param.arrCosResultBuffer);
            if (StartsWithProcedureByte(command, commandLength, result, count)) {
                ++result;
                --count;
            }
            std::memcpy(answer, result, count);
            return static_cast<int>(count);
        });
    });
}

extern "C" int KORVICARD_CALL ICC_Reader_Libinfo(char* info) {
    if (info == nullptr) return kBadArgument;
    std::memcpy(info, kLibraryInfo, kLibraryInfoSize);
    return 0;
}

extern "C" int KORVICARD_CALL ICC_Reader_GetPIN(int, intptr_t, intptr_t, intptr_t) { return 0; }

extern "C" int KORVICARD_CALL ICC_GetInputPassEx(int, intptr_t, intptr_t, intptr_t, intptr_t,
                                                 intptr_t) {
    return 0;
}
