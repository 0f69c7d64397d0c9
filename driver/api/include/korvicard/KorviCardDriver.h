/*
 * KorviCardDriver: the public interface of the KorviCard reader driver.
 *
 * Usable from C (C11 or later) and C++. Every record is a plain structure of
 * little-endian integers and byte arrays with exactly the layout stated beside
 * it; the static assertions at the end of this file hold the layout in place.
 *
 * Handles: a reader handle is a positive 32-bit id handed out by
 * KorviCardOpenDevice (-1 on failure). 0, -1 and ids that are closed or were
 * never issued act as the null handle: a per-reader call then returns 0 and
 * touches nothing; KorviCardGetErrorCode and KorviCardGetTwoIdErrorCode
 * answer 1. Results: 1 for success, 0 for failure unless a prototype says
 * otherwise; the reason of a failure is read with KorviCardGetErrorCode.
 *
 * Arguments the reader takes as one byte or as a 16-bit value have the range
 * given beside them (0-255, 0-65535). A value outside it is never cut to its low
 * bits: the call fails with its failure result and nothing reaches the reader;
 * on a reader's handle KorviCardGetErrorCode then answers 2 (LCEC_SEND_FALSE).
 */
#ifndef KORVICARD_KORVICARDDRIVER_H
#define KORVICARD_KORVICARDDRIVER_H

#include <stddef.h>
#include <stdint.h>

/* Calling convention of every export and callback: stdcall on 32-bit Windows,
 * the platform's own convention everywhere else. */
#if defined(_WIN32) && !defined(_WIN64)
#define KORVICARD_CALL __stdcall
#else
#define KORVICARD_CALL
#endif

/* Export marker. KORVICARD_BUILDING_DRIVER is set while the library itself is built. */
#if defined(_WIN32)
#if defined(KORVICARD_BUILDING_DRIVER)
#define KORVICARD_API __declspec(dllexport)
#else
#define KORVICARD_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define KORVICARD_API __attribute__((visibility("default")))
#else
#define KORVICARD_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------- */
/* Records                                                                   */
/* ------------------------------------------------------------------------- */

/* General card record, 672 bytes. */
typedef struct KorviCardParam {
    int32_t nCardType;                      /*   0 card type code */
    uint8_t arrCardNo[8];                   /*   4 card serial number (UID) */
    int32_t nCardSize;                      /*  12 card size or valid bytes of arrCardNo */
    uint8_t arrBuffer[64];                  /*  16 block data, answers of short commands */
    int32_t nBufferSize;                    /*  80 valid bytes of arrBuffer */
    uint8_t arrKeys[64];                    /*  84 key bytes */
    int32_t nKeysSize;                      /* 148 valid key bytes */
    uint8_t arrCosResultBuffer[256];        /* 152 answer of a COS command */
    uint32_t unCosReultBufferLength;        /* 408 valid bytes of arrCosResultBuffer */
    uint8_t arrCosSendBuffer[256];          /* 412 COS command to send (first 256 bytes) */
    uint32_t unCosSendBufferLength;         /* 668 length of the whole COS command */
} KorviCardParam;

/* Long form, 1,184 bytes: command bytes 257 onward continue at offset 672.
 * unCosSendBufferLength counts the whole command. */
typedef struct KorviCardParamLong {
    KorviCardParam param;                   /*   0 */
    uint8_t arrCosSendBufferMore[512];      /* 672 command bytes 257 to 768 */
} KorviCardParamLong;

/* Resident identity-card record, 6,440 bytes. Text fields are UTF-16LE of
 * fixed width and carry no terminator. */
typedef struct TwoIdInfoParam {
    uint8_t arrTwoIdName[30];               /*    0 name, 15 units */
    uint8_t arrTwoIdSex[2];                 /*   30 sex code */
    uint8_t arrTwoIdNation[4];              /*   32 nation code */
    uint8_t arrTwoIdBirthday[16];           /*   36 birthday */
    uint8_t arrTwoIdAddress[70];            /*   52 address */
    uint8_t arrTwoIdNo[36];                 /*  122 identity number */
    uint8_t arrTwoIdSignedDepartment[30];   /*  158 issuing department */
    uint8_t arrTwoIdValidityPeriodBegin[16];/*  188 validity begin */
    uint8_t arrTwoIdValidityPeriodEnd[16];  /*  204 validity end */
    uint8_t arrTwoIdNewAddress[70];         /*  220 newest address; permit cards: pass number
                                                    (18 bytes), issue count (4 bytes at 238),
                                                    certificate type (2 bytes at 248) */
    uint16_t unTwoIdFingerprintLength;      /*  290 length of arrTwoIdFingerprint data */
    uint8_t arrTwoIdPhoto[1024];            /*  292 raw encoded photo */
    uint8_t arrTwoIdFingerprint[1024];      /* 1316 fingerprint data */
    uint8_t arrTwoIdPhotoJpeg[4096];        /* 2340 decoded photo, JPEG */
    int32_t unTwoIdPhotoJpegLength;         /* 6436 valid bytes of arrTwoIdPhotoJpeg, 0 when none */
} TwoIdInfoParam;

/* Settings of the reader's network module or of an identity-server box, 120
 * bytes. IPv4 addresses are stored first octet first. */
typedef struct KorviCardAppConfig {
    uint8_t arrIapSwitch[4];                /*   0 switch bytes */
    uint8_t arrLocalIpAddress[4];           /*   4 */
    uint8_t arrLocalNetMaskAddress[4];      /*   8 */
    uint8_t arrLocalGatewayAddress[4];      /*  12 */
    uint8_t arrPassWord[16];                /*  16 configuration password */
    uint8_t arrSeverIpAddress[4];           /*  32 server address */
    uint32_t unSeverPort;                   /*  36 */
    uint32_t unDispatchPostCode;            /*  40 */
    uint32_t unDispatchLineType;            /*  44 */
    uint32_t unDispatchAccount;             /*  48 */
    uint8_t arrDispatchPassword[32];        /*  52 */
    uint8_t arrDispatchUrl[32];             /*  84 dispatch address text */
    uint8_t arrDnsAddress[4];               /* 116 */
} KorviCardAppConfig;

/* One purse transaction record of a fuel card, 24 bytes. */
typedef struct KorviCardSinopecRecordParam {
    uint8_t arrEtNo[2];                     /*  0 transaction serial number */
    uint8_t arrOverdraftAmount[3];          /*  2 */
    uint8_t arrTradeAmount[4];              /*  5 */
    uint8_t ucTradeType;                    /*  9 */
    uint8_t arrTradeTerminalNo[6];          /* 10 */
    uint8_t arrTradeDate[4];                /* 16 */
    uint8_t arrTradeTime[3];                /* 20 */
    uint8_t ucPad;                          /* 23 zero */
} KorviCardSinopecRecordParam;

#define KORVICARD_SINOPEC_RECORD_COUNT 16

/* Fuel-card summary (32 bytes) and its 16 record slots, 416 bytes in all.
 * The card operations fill at most 10 records; unused slots stay zero. */
typedef struct KorviCardSinopecCardParam {
    uint8_t arrCardNo[16];                  /*  0 */
    uint8_t arrSignedDate[4];               /* 16 issue date */
    uint8_t arrValidityEndDate[4];          /* 20 */
    int32_t nCardBalance;                   /* 24 */
    int32_t nPinFalseCount;                 /* 28 */
    KorviCardSinopecRecordParam arrSinopecRecord[KORVICARD_SINOPEC_RECORD_COUNT]; /* 32 */
} KorviCardSinopecCardParam;

/* Last-error record of an identity-server box, 156 bytes.
 * The two 64-bit times sit at offsets 140 and 148, which natural alignment
 * would move to 144: the record is packed to 4-byte alignment on purpose. */
#pragma pack(push, 4)
typedef struct SamvLastErrorInfo {
    int32_t nSamDataType;                   /*   0 SAM data type, 1 to 8 */
    uint8_t arrLastCommand[16];             /*   4 */
    uint8_t arrUartResult[16];              /*  20 */
    uint8_t arrLastSendData[96];            /*  36 last data sent to the SAMV */
    int32_t nExecResult;                    /* 132 execution result */
    uint32_t unLastPacketIndex;             /* 136 index of the last packet received */
    int64_t llPreviousCommandTime;          /* 140 time of the command before the last */
    int64_t llLastCommandTime;              /* 148 time of the last command */
} SamvLastErrorInfo;
#pragma pack(pop)

/* One entry of the send/receive time list of an identity-server box, 8 bytes. */
typedef struct SamvTimeInfoEntry {
    int32_t nDirection;                     /* 0 nonzero: SAMV sent to the MCU; 0: SAMV received */
    uint32_t unTimeStamp;                   /* 4 milliseconds; 0 ends the list */
} SamvTimeInfoEntry;

/* ------------------------------------------------------------------------- */
/* Callbacks                                                                 */
/* ------------------------------------------------------------------------- */

/* Transport supplied by the caller. direction 0 writes, 1 reads; buffer is
 * always 256 bytes and size 256. handle is the reader's id. Returns 1 for
 * success, anything else is failure. */
typedef int(KORVICARD_CALL* ExtendReadWriteCallBack)(int handle, int direction,
                                                     unsigned char* buffer, int size);

/* Transport of an external identity-card device; buffer[0] is the length of
 * what follows. Stored for the caller; the driver never calls it. */
typedef int(KORVICARD_CALL* IdDeviceExtendReadWriteCallBack)(unsigned char* buffer, int length);

/* Progress of the server-side identity-card reads: called with four zeros
 * after each relayed card command. */
typedef void(KORVICARD_CALL* IdCallBack)(int, int, int, int);

/* ------------------------------------------------------------------------- */
/* Device lifecycle and errors                                               */
/* ------------------------------------------------------------------------- */

/* deviceName: empty or null opens USB HID (vidOrPort and pid, 0-65535, default
 * to 0x051A and 0x511B; other values match no reader), a dotted IPv4 address
 * (four decimal numbers 0-255 and nothing more) opens a network reader (port
 * vidOrPort, 1-65535, default 12345 for 0), any other name is a serial port
 * (115200 8N1).
 * timeout: open time-out in milliseconds. A non-null callback replaces the
 * transport and the other arguments are ignored. Returns the handle, or -1. */
KORVICARD_API int KORVICARD_CALL KorviCardOpenDevice(const char* deviceName, int vidOrPort,
                                                     int pid, int usbIndex, int timeout,
                                                     ExtendReadWriteCallBack callback);
/* Closing a closed or unknown handle does nothing. */
KORVICARD_API void KORVICARD_CALL KorviCardCloseDevice(int handle);

KORVICARD_API int KORVICARD_CALL KorviCardGetErrorCode(int handle);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdErrorCode(int handle);
/* Writes the TIEC_ name of code; size must be at least 64. A handle that
 * names no open reader (0, -1, closed, never issued) writes nothing. */
KORVICARD_API void KORVICARD_CALL KorviCardGetTwoIdErrorInfo(int handle, int code, char* buffer,
                                                             int size);

/* Copies the last dispatch-server error text, at most size - 1 bytes, terminated. */
KORVICARD_API void KORVICARD_CALL KorviCardGetTwoIdDispatchServerErrorInfo(int handle, char* buffer,
                                                                           int size);

KORVICARD_API void KORVICARD_CALL KorviCardSetExtendReadWrite(int handle,
                                                              ExtendReadWriteCallBack callback);
KORVICARD_API void KORVICARD_CALL KorviCardSetIdDeviceExtendReadWrite(
    int handle, IdDeviceExtendReadWriteCallBack callback);
KORVICARD_API void KORVICARD_CALL KorviCardSetIdCallBack(int handle, IdCallBack callback);

/* Always 0. */
KORVICARD_API int KORVICARD_CALL KorviCardConnectTest(int handle);

/* Raw USB HID reports of a reader opened over USB. */
KORVICARD_API int KORVICARD_CALL KorviCardReadUsbData(int handle, unsigned char* buffer, int size,
                                                      int timeout);
KORVICARD_API int KORVICARD_CALL KorviCardWriteUsbData(int handle, const unsigned char* buffer,
                                                       int size);

/* "Mmm dd yyyy hh:mm:ss"; size must be at least 32. */
KORVICARD_API int KORVICARD_CALL KorviCardGetLibBuildTime(int handle, char* buffer, int size);

/* ------------------------------------------------------------------------- */
/* Mifare Classic and ISO 14443-A                                            */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure (also for a null record). Blocks
 * are 0-255 and sectors 0-39, request and key modes 0-255; other values fail
 * before anything is sent (error code 2, a sector of 40-255 leaves the code as
 * it was). Request modes: 0x26 idle cards, 0x52 all cards. Key modes: 0x60
 * key A, 0x61 key B. */

/* nCardType := the card type (ATQA); nBufferSize := its length. */
KORVICARD_API int KORVICARD_CALL KorviCardRequest(int handle, int mode, KorviCardParam* param);
/* arrCardNo := the card number: 4 bytes, 8 for card types 0x42, 0x44, 0x344. */
KORVICARD_API int KORVICARD_CALL KorviCardAnticoll(int handle, KorviCardParam* param);
/* Selects arrCardNo[0-3]; arrBuffer/nBufferSize := the answer, nCardSize := SAK. */
KORVICARD_API int KORVICARD_CALL KorviCardSelect(int handle, KorviCardParam* param);
/* With the key loaded by KorviCardLoadKey; arrBuffer[0-3] := the reader's answer. */
KORVICARD_API int KORVICARD_CALL KorviCardAuthentication(int handle, int keyMode, int sector,
                                                         KorviCardParam* param);
/* With the key in arrKeys[0-5]. */
KORVICARD_API int KORVICARD_CALL KorviCardAuthenticationWithPassword(int handle, int keyMode,
                                                                     int sector,
                                                                     KorviCardParam* param);
KORVICARD_API int KORVICARD_CALL KorviCardHalt(int handle);
/* arrBuffer := the 16 bytes of the block (four pages of a tag); nBufferSize := 16. */
KORVICARD_API int KORVICARD_CALL KorviCardRead(int handle, int block, KorviCardParam* param);
/* Writes the first nBufferSize (1-63) bytes of arrBuffer. */
KORVICARD_API int KORVICARD_CALL KorviCardWrite(int handle, int block, KorviCardParam* param);
/* Manufacturer block: nBufferSize 16 and arrBuffer[4] the XOR of arrBuffer[0-3]. */
KORVICARD_API int KORVICARD_CALL KorviCardWriteBlock0(int handle, KorviCardParam* param);
KORVICARD_API int KORVICARD_CALL KorviCardIncrement(int handle, int block, unsigned int value);
KORVICARD_API int KORVICARD_CALL KorviCardDecrement(int handle, int block, unsigned int value);
KORVICARD_API int KORVICARD_CALL KorviCardRestore(int handle, int block);
KORVICARD_API int KORVICARD_CALL KorviCardTransfer(int handle, int block);
/* Loads arrKeys[0-5] into the reader as the key of keyMode and sector. */
KORVICARD_API int KORVICARD_CALL KorviCardLoadKey(int handle, int keyMode, int sector,
                                                  KorviCardParam* param);
/* Sounds the buzzer for time (0-65535) milliseconds. */
KORVICARD_API int KORVICARD_CALL KorviCardBeep(int handle, int time);
/* arrCosResultBuffer/unCosReultBufferLength := the reader's buffer. */
KORVICARD_API int KORVICARD_CALL KorviCardEmptyBuffer(int handle, KorviCardParam* param);
/* Request, anticollision, and select unless the card has a double-size UID. */
KORVICARD_API int KORVICARD_CALL KorviCardGetCardNo(int handle, int mode, KorviCardParam* param);
/* One reader call: nCardType, nBufferSize := SAK, arrCardNo[0-3]. Each int
 * argument 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardGetCardNoEx(int handle, int requestMode, int beepTime,
                                                      int option1, int option2,
                                                      KorviCardParam* param);
/* Writes block as a value block holding value. */
KORVICARD_API int KORVICARD_CALL KorviCardInitValue(int handle, int block, int value);
/* Writes the sector trailer: key A, access bytes 7F 07 88 00, key B. Each key
 * text needs 12 hex digits first; anything else changes nothing. */
KORVICARD_API int KORVICARD_CALL KorviCardChangePassword(int handle, int sector,
                                                         const char* keyAHex,
                                                         const char* keyBHex);
/* One reader call with the key in arrKeys[0-5]: nCardType, nCardSize := SAK,
 * arrCardNo[0-3], arrBuffer[0-15] := the block. Each int argument 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardReadData(int handle, int requestMode, int block,
                                                   int blockCount, int beepTime, int keyMode,
                                                   KorviCardParam* param);
/* Writes the first nBufferSize (1-61) bytes of arrBuffer. Each int argument
 * 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardWriteData(int handle, int block, int beepTime,
                                                    int blockCount, KorviCardParam* param);
/* Text over the data blocks of a Mifare sector, or over tag pages from page
 * start (above 3), after a card-number call. Reading stores whole reads while
 * they fit length bytes and stops at a zero byte; writing refuses a text
 * longer than the sector or the tag's user memory. */
KORVICARD_API int KORVICARD_CALL KorviCardReadText(int handle, int start, char* buffer,
                                                   int length);
KORVICARD_API int KORVICARD_CALL KorviCardWriteText(int handle, int start, const char* text,
                                                    int length);
/* The reader's RF protocol: 'A' (ISO 14443-A), 'B', 'C' (card emulation) or
 * 'F' (FeliCa); lower case is folded, any other letter fails (a value outside
 * 0-255 with error code 2). */
KORVICARD_API int KORVICARD_CALL KorviCardSetCardType(int handle, int type);

/* ------------------------------------------------------------------------- */
/* Type B, FeliCa, NFC buffer and NTAG21x                                    */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure (also for a null pointer or a
 * buffer below its minimum, with nothing sent). */

/* REQB/WUPB (mode 0-255 as the reader defines it, 0 REQB); arrBuffer := the
 * answer (at most 64 bytes), nBufferSize := its whole length. */
KORVICARD_API int KORVICARD_CALL KorviCardRequestB(int handle, int mode, KorviCardParam* param);
/* arrBuffer/nBufferSize := the answer to the select (at most 64 bytes). */
KORVICARD_API int KORVICARD_CALL KorviCardSelectB(int handle, KorviCardParam* param);
KORVICARD_API int KORVICARD_CALL KorviCardHaltB(int handle);
/* request 0-255, passed to the reader; arrCardNo := the 8-byte IDm of the card
 * that answered. */
KORVICARD_API int KORVICARD_CALL KorviCardFelicaPolling(int handle, int request,
                                                        KorviCardParam* param);
/* The text of the reader's NFC buffer, at most size bytes; the buffer is
 * zeroed first over its whole size. */
KORVICARD_API int KORVICARD_CALL KorviCardReadNfcBuffer(int handle, char* buffer, int size);
/* Stores length (at most 47) bytes of text as the reader's NFC Text record. */
KORVICARD_API int KORVICARD_CALL KorviCardWriteNfcBuffer(int handle, const char* text,
                                                         int length);
/* buffer[0-7] := the tag's version; size at least 8. */
KORVICARD_API int KORVICARD_CALL KorviCardNtagGetVersion(int handle, unsigned char* buffer,
                                                         int size);
/* Password authentication with the first 4 bytes; length at least 4. */
KORVICARD_API int KORVICARD_CALL KorviCardNtagPwdAuth(int handle, const unsigned char* password,
                                                      int length);

/* ------------------------------------------------------------------------- */
/* SAM and contact-card slots                                                */
/* ------------------------------------------------------------------------- */

/* Slot index (0-4, 5 the extension slot), power 1 on / 0 off, and the two
 * supply select lines of a slot (line 0, line 1: 0 1 is 5 V, 1 0 is 3 V,
 * 1 1 is 1.8 V); each int argument 0-255, passed to the reader as it is. The
 * power, reset and APDU calls act on the selected slot. */
KORVICARD_API int KORVICARD_CALL KorviCardSetSamSlotIndex(int handle, int slot);
KORVICARD_API int KORVICARD_CALL KorviCardSetSamPowerOnOff(int handle, int on);
KORVICARD_API int KORVICARD_CALL KorviCardSetSamVSel0(int handle, int slot, int level);
KORVICARD_API int KORVICARD_CALL KorviCardSetSamVSel1(int handle, int slot, int level);
/* arrBuffer/nBufferSize and arrCosResultBuffer/unCosReultBufferLength := the ATR. */
KORVICARD_API int KORVICARD_CALL KorviCardResetSam(int handle, KorviCardParam* param);
/* Sends arrCosSendBuffer[0 .. unCosSendBufferLength) (at most 256 bytes), or when
 * that length is 0 arrBuffer[0 .. nBufferSize); arrCosResultBuffer/
 * unCosReultBufferLength := the card's answer, its status word last. */
KORVICARD_API int KORVICARD_CALL KorviCardSendSamAPDU(int handle, KorviCardParam* param);

/* ------------------------------------------------------------------------- */
/* CPU cards and the ISO 14443-4 layer                                       */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure (also for a null record). Every
 * call runs on its own reader: no call on one handle reaches another's card.
 * A failure of the ISO 14443-4 protocol itself (a card block that does not fit
 * the exchange, an answer past its room) leaves error code 0xF4. */

/* Reader command 14, mode 0-255. With nBufferSize 1-64: mode and
 * arrBuffer[0 .. nBufferSize); mode 4 passes one ISO 14443-4 frame, other
 * modes an APDU that the reader carries itself. With nBufferSize 0:
 * arrCosSendBuffer over unCosSendBufferLength (1-288; past 256 the long form's
 * extension) as one frame. arrCosResultBuffer/unCosReultBufferLength := the
 * reply; arrBuffer := its first 64 bytes, nBufferSize := its whole length. */
KORVICARD_API int KORVICARD_CALL KorviCardSendCpuCommand(int handle, int mode, KorviCardParam* param);
/* Card number (request mode 0x26), then RATS: arrBuffer and arrCosResultBuffer
 * := the ATS, nBufferSize and unCosReultBufferLength := its length. */
KORVICARD_API int KORVICARD_CALL KorviCardResetCpuCard(int handle, KorviCardParam* param);
/* RATS alone, for a card selected before. */
KORVICARD_API int KORVICARD_CALL KorviCardResetCpuCardNoGetCardNo(int handle, KorviCardParam* param);
/* S(DESELECT): arrBuffer := the request, arrCosResultBuffer := the answer. */
KORVICARD_API int KORVICARD_CALL KorviCardDeselectCpuCard(int handle, KorviCardParam* param);
/* One APDU over the ISO 14443-4 layer: arrCosSendBuffer over
 * unCosSendBufferLength (1-256), or when that is 0 arrBuffer over nBufferSize
 * (1-64). arrCosResultBuffer/unCosReultBufferLength := the response with its
 * status word; both untouched on failure. */
KORVICARD_API int KORVICARD_CALL KorviCardSendCOSCommand(int handle, KorviCardParam* param);
/* SELECT by DF name (1-250 characters) over the ISO 14443-4 layer. *length: in,
 * the room of output (at least 64); out, the bytes of the answer stored. */
KORVICARD_API int KORVICARD_CALL KorviCardCpuCardSelectByName(int handle, const char* name,
                                                              unsigned char* output, int* length);
/* READ BINARY of the file sfi (0-255, its low 5 bits name the file), as
 * KorviCardCpuCardSelectByName. */
KORVICARD_API int KORVICARD_CALL KorviCardCpuCardReadBinary(int handle, int sfi,
                                                            unsigned char* output, int* length);

/* ------------------------------------------------------------------------- */
/* Bank, social-security and fuel cards                                      */
/* ------------------------------------------------------------------------- */

/* The bank card number (PAN digits of track 2, lower-case text), of a card in
 * the field or in the selected SAM slot. size at least 32; cardNo is zeroed
 * first. */
KORVICARD_API int KORVICARD_CALL KorviCardGetBankCardNo(int handle, char* cardNo, int size);
KORVICARD_API int KORVICARD_CALL KorviCardGetBankCardNoBy7816(int handle, char* cardNo, int size);
/* Holder data of a social-security card in the selected SAM slot, 216 bytes:
 * card number at 0, name (GBK) at 16, ID number at 48, sex at 80, nation name
 * (GBK) at 88, issue and validity dates (8 hex digits) at 152 and 184. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSocialSecurityInfoBy7816(int handle,
                                                                      unsigned char* record);
/* Basic information of a social-security card, 200 bytes, over the SAM slot
 * (useContact nonzero) or the field: card identifier (32 hex digits) at 0, card
 * type at 64, version at 68, issuer (24 hex digits) at 72, issue and validity
 * dates at 104 and 136, card number at 168. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSocialSecurityInfo(int handle, int useContact,
                                                                unsigned char* record);
/* A fuel card in the selected SAM slot. pin: "CARDNO" for card number and dates
 * alone, or a text whose first 6 characters are hex digits ("E7E7E7": the card's
 * built-in PIN); the rest of the text is not read. Any other text fails before
 * anything reaches the card. With a PIN: balance and up
 * to 10 purse records. A wrong PIN leaves the tries left in nPinFalseCount (-1:
 * blocked). */
KORVICARD_API int KORVICARD_CALL KorviCardGetSinopecCardInfo(int handle,
                                                             KorviCardSinopecCardParam* card,
                                                             const char* pin);
KORVICARD_API int KORVICARD_CALL KorviCardGetPetroChinaCardInfo(int handle,
                                                                KorviCardSinopecCardParam* card,
                                                                const char* pin);

/* ------------------------------------------------------------------------- */
/* Device controls                                                           */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure; null pointers and buffers below
 * the stated size fail without reaching the reader. A reader answer shorter
 * than the values asked for fails with error code 3. Values of 4 bytes are
 * little-endian. */

/* Model and number, e.g. "V3-W0000300200012345" (model, device type and serial
 * in hex); "Device Type Error" for a type without a model. size at least 32. */
KORVICARD_API int KORVICARD_CALL KorviCardGetDeviceNo(int handle, char* buffer, int size);
/* buffer[0-7] := the MAC field, the address in bytes 0-5. size at least 8. */
KORVICARD_API int KORVICARD_CALL KorviCardGetDeviceMacAddress(int handle, unsigned char* buffer,
                                                              int size);
/* Upper-case hex of the MCU serial number, terminated. size at least 64. */
KORVICARD_API int KORVICARD_CALL KorviCardGetMcuSerailNo(int handle, char* buffer, int size);
/* on 0-255: 0 off, 1 on. */
KORVICARD_API int KORVICARD_CALL KorviCardSetRfOnOff(int handle, int on);
/* 0-255: 0 off, 1 green, 2 red, 3 both. */
KORVICARD_API int KORVICARD_CALL KorviCardSetLedStatus(int handle, int state);
KORVICARD_API int KORVICARD_CALL KorviCardResetRfIc(int handle);
/* The server the reader's network module reports to; the address's first
 * octet in its low byte, port 0-65535. */
KORVICARD_API int KORVICARD_CALL KorviCardSetServerIpPort(int handle, unsigned int address,
                                                          int port);
KORVICARD_API int KORVICARD_CALL KorviCardGetServerIpPort(int handle, unsigned int* address,
                                                          unsigned short* port);
/* buffer[0-7] := two configuration words. size at least 8. */
KORVICARD_API int KORVICARD_CALL KorviCardGetMcuConfig(int handle, unsigned char* buffer,
                                                       int size);
/* buffer[0-3] := the ISP option word. size at least 4. */
KORVICARD_API int KORVICARD_CALL KorviCardGetIspOption(int handle, unsigned char* buffer,
                                                       int size);
/* Sends length (at least 4) bytes; 0xFFFFFFFF enables ISP, 0 disables it. */
KORVICARD_API int KORVICARD_CALL KorviCardSetIspOption(int handle, const unsigned char* data,
                                                       int length);
/* mode 0 reads, 1 writes the RF chip register; mode, reg and value 0-255.
 * Returns the register's value (0 on failure or for a null handle). */
KORVICARD_API int KORVICARD_CALL KorviCardReadWriteRfRegister(int handle, int mode, int reg,
                                                              int value);
/* 12 bytes: UART (4), baud rate (4), data bits, stop bits, parity, 0. */
KORVICARD_API int KORVICARD_CALL KorviCardSetMcuUartParam(int handle, const unsigned char* block);
/* 1 to 124 bytes out through the MCU's UART uart. */
KORVICARD_API int KORVICARD_CALL KorviCardSendCommand2McuUart(int handle, int uart,
                                                              const unsigned char* data,
                                                              int length);
/* At most *length bytes that the UART received; *length := the count. */
KORVICARD_API int KORVICARD_CALL KorviCardReceiveResultOfMcuUart(int handle, int uart,
                                                                 unsigned char* buffer,
                                                                 int* length);
KORVICARD_API int KORVICARD_CALL KorviCardSetAppConfig(int handle,
                                                       const KorviCardAppConfig* config);
KORVICARD_API int KORVICARD_CALL KorviCardGetAppConfig(int handle, KorviCardAppConfig* config);
/* The reader's 48-byte second configuration block, in the first 48 bytes of
 * the record; the rest of the record is neither sent nor written. */
KORVICARD_API int KORVICARD_CALL KorviCardSetAppConfigE2s(int handle,
                                                          const KorviCardAppConfig* config);
KORVICARD_API int KORVICARD_CALL KorviCardGetAppConfigE2s(int handle, KorviCardAppConfig* config);
/* A PS/2 scan code set 2 make code played with its break: 1 byte, 2 bytes
 * (E0 xx), E0 12 E0 7C (Print Screen) or the 8 bytes of Pause. *result := the
 * reader's answer. */
KORVICARD_API int KORVICARD_CALL KorviCardSendPs2Key(int handle, const unsigned char* keys,
                                                     int length, unsigned int* result);
/* Key 0-48 of the lottery-terminal keyboard; another index sets *result to 255. */
KORVICARD_API int KORVICARD_CALL KorviCardSendTiCaiKey(int handle, int index,
                                                       unsigned int* result);
/* Relay 0-9, status 1 high / 0 low (each 0-255, passed to the reader);
 * password: its first 16 bytes are sent. */
KORVICARD_API int KORVICARD_CALL KorviCardSetRelayStatus(int handle, int relay, int status,
                                                         const char* password);
/* relay 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardGetRelayStatus(int handle, int relay,
                                                         unsigned char* status);
/* Start-up states (16 bytes, byte n for relay n), password block (16 bytes)
 * and restore time in seconds. */
KORVICARD_API int KORVICARD_CALL KorviCardSetRelayInitStatus(int handle,
                                                             const unsigned char* states,
                                                             const unsigned char* password,
                                                             unsigned int seconds);
KORVICARD_API int KORVICARD_CALL KorviCardGetRelayInitStatus(int handle, unsigned char* states,
                                                             unsigned char* password,
                                                             unsigned int* seconds);
KORVICARD_API int KORVICARD_CALL KorviCardGetChargeVoltage(int handle, float* voltage);
KORVICARD_API int KORVICARD_CALL KorviCardGetChargeStatus(int handle, unsigned char* status);
/* 0: 450 mA, 1: 80 mA. */
KORVICARD_API int KORVICARD_CALL KorviCardSetChargeCurrent(int handle, int current);
KORVICARD_API int KORVICARD_CALL KorviCardGetChargeCurrent(int handle, int* current);
KORVICARD_API int KORVICARD_CALL KorviCardGetUsbCharge(int handle, int* value);
KORVICARD_API int KORVICARD_CALL KorviCardResetMcu(int handle);
/* value 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardSetMcuBkp(int handle, int value);
KORVICARD_API int KORVICARD_CALL KorviCardGetMcuDebugBkp(int handle, unsigned int* value);
/* The firmware's build time, terminated. size at least 32. */
KORVICARD_API int KORVICARD_CALL KorviCardGetFirewareBuildTime(int handle, char* buffer,
                                                               int size);

/* ------------------------------------------------------------------------- */
/* Identity card through the reader's SAMV module                            */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure (also for a null pointer, with
 * nothing sent). */

/* Text, photo and fingerprint of the card on the module. The identity-card
 * error code tells the step that failed: 58 send, 59 read, 60 preamble,
 * 61 short first chunk, 62 check byte, 63 null record, 65 poll, 66 time-out,
 * 67 an answer size without room for the record's layout; 0 on success. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfo(int handle, TwoIdInfoParam* param);
/* The unCosSendBufferLength bytes of arrCosSendBuffer to the module; its
 * answer (at most 240 bytes) to arrCosResultBuffer/unCosReultBufferLength. */
KORVICARD_API int KORVICARD_CALL KorviCardSendSamvCommand(int handle, KorviCardParam* param);
KORVICARD_API int KORVICARD_CALL KorviCardSendCosResult2Samv(int handle, KorviCardParam* param);
/* The first 40 answer bytes the reader holds from the module. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvUartData(int handle, KorviCardParam* param);
/* *length: room in buffer (at least 32) in, the bytes stored out. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSdtCmd(int handle, unsigned char* buffer,
                                                    int* length);
KORVICARD_API int KORVICARD_CALL KorviCardClearSdtCmd(int handle);
/* Keeps the identity photo as JPEG when flag is 1. */
KORVICARD_API int KORVICARD_CALL KorviCardSaveSamvResult2JpegBuffer(int handle, int flag);
/* A tag of 0 fails without reaching the reader. */
KORVICARD_API int KORVICARD_CALL KorviCardSetSamvResultTag(int handle, int tag);
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvPowerStatus(int handle, int* status);
KORVICARD_API int KORVICARD_CALL KorviCardSetSamvPowerStatus(int handle, int status);
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvLastApdu(int handle, KorviCardParam* param);
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvLastApduResult(int handle, KorviCardParam* param);

/* ------------------------------------------------------------------------- */
/* Identity-card server box                                                  */
/* ------------------------------------------------------------------------- */

/* host: the box's dotted IPv4 address, four decimal numbers 0-255 and
 * nothing more ("127.0.0.1x" is none); port: its TCP port. One connection a
 * call; a host that is no address connects nowhere. Identity-card error codes:
 * 1 host not dotted, 24 connect failed, else the command's own code when its
 * reply is missing, broken, a failing SAM answer or longer than the caller's
 * buffer (which then holds what fits). These return 1 for success, 0 for
 * failure. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvCheckStatusByServer(int handle, const char* host,
                                                                     int port);
/* text := "%02d.%02u-%08u-%010u-%010u" when the answer has 27 bytes and size
 * exceeds 36; otherwise left as it is. Values wider than their fields make a
 * text of up to 44 characters: one that does not fit size fails. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvManagerMessageByServer(int handle,
                                                                        const char* host, int port,
                                                                        char* text, int size);
/* The answer into buffer (size bytes) when buffer is not null. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvWaitTimeByInterval(int handle, const char* host,
                                                                    int port,
                                                                    unsigned char* buffer,
                                                                    int size);
/* A null or empty host uses the stored identity-server address. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvLastErrorInfo(int handle, const char* host,
                                                               int port,
                                                               SamvLastErrorInfo* record);
/* count: at least 80 entries; an answer of more values fails. */
KORVICARD_API int KORVICARD_CALL KorviCardGetSamvSendReceivTimeInfo(int handle, const char* host,
                                                                    int port,
                                                                    SamvTimeInfoEntry* items,
                                                                    int count);
/* These return the bytes copied (or 1), 0 for a host that is not dotted, -1
 * for a null handle, a missing or too small argument, or a failed exchange.
 * An answer longer than the buffer (size, or the 120-byte config) gives -1,
 * the buffer holding what fits. */
KORVICARD_API int KORVICARD_CALL KorviCardResetPsamByServer(int handle, const char* host, int port,
                                                            unsigned char* buffer, int size);
/* Sends length bytes of buffer; the answer comes back into buffer. */
KORVICARD_API int KORVICARD_CALL KorviCardPsamCommandByServer(int handle, const char* host,
                                                              int port, unsigned char* buffer,
                                                              int length, int size);
/* size: at least 6. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdServerMacAddress(int handle, const char* host,
                                                                   int port,
                                                                   unsigned char* buffer,
                                                                   int size);
/* size: at least 12. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdServerMcuSerialNo(int handle, const char* host,
                                                                    int port,
                                                                    unsigned char* buffer,
                                                                    int size);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdServerAppConfig(int handle, const char* host,
                                                                  int port,
                                                                  KorviCardAppConfig* config);
KORVICARD_API int KORVICARD_CALL KorviCardSetTwoIdServerAppConfig(int handle, const char* host,
                                                                  int port,
                                                                  KorviCardAppConfig* config);
KORVICARD_API int KORVICARD_CALL KorviCardClearTwoIdServerAppConfig(int handle, const char* host,
                                                                    int port,
                                                                    KorviCardAppConfig* config);
/* Passwords of at most 16 characters. */
KORVICARD_API int KORVICARD_CALL KorviCardChangeTwoIdServerAppConfigPassword(
    int handle, const char* host, int port, const char* oldPassword, const char* newPassword);
/* block: 16 bytes sent after value. */
KORVICARD_API int KORVICARD_CALL KorviCardPowerOnOffOtherDevice(int handle, const char* host,
                                                                int port, int value,
                                                                const unsigned char* block);
KORVICARD_API int KORVICARD_CALL KorviCardSamvLedOnOff(int handle, const char* host, int port,
                                                       int value);
/* The box offers no remote reset: both always return 0. */
KORVICARD_API int KORVICARD_CALL KorviCardResetMcuByServer(int handle, const char* host, int port);
KORVICARD_API int KORVICARD_CALL KorviCardResetSamvByServer(int handle, const char* host, int port);
/* The record's raw photo decoded by the photo decoder server (TCP port 60825)
 * at host: dotted IPv4, a host name, or "" for the build's default host.
 * arrTwoIdPhotoJpeg/unTwoIdPhotoJpegLength := the JPEG picture. Identity-card
 * codes 53 (name not resolved), 33 (connect failed). */
KORVICARD_API int KORVICARD_CALL KorviCardWlDecodeByServer(int handle, const char* host,
                                                           TwoIdInfoParam* param);
/* A caller's buffer for the identity photo bitmap: null, or at least 38,862
 * bytes. Any nonzero flag is 1. */
KORVICARD_API int KORVICARD_CALL KorviCardSetIdPhotoAddress(int handle, unsigned char* buffer,
                                                            int size, int flag);

/* Identity card read through an identity server (TCP port 31213 unless given)
 * that relays the card's security exchange. 1 when the record was filled; the
 * identity-card error code tells the failed step. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByServer(int handle, const char* host,
                                                               TwoIdInfoParam* param);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByServerEx(int handle, const char* host,
                                                                 int port, TwoIdInfoParam* param,
                                                                 int timeoutSeconds);
/* As KorviCardGetTwoIdInfoByServerEx; when the relay fails once the card files
 * began to move, the card files are sent in one message, else the server drives
 * the card directly. The Ex export reads the fingerprint too. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByWireless(int handle, const char* host,
                                                                 int port, TwoIdInfoParam* param,
                                                                 int timeoutSeconds);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByWirelessEx(int handle, const char* host,
                                                                   int port, TwoIdInfoParam* param,
                                                                   int timeoutSeconds);
/* As KorviCardGetTwoIdInfoByWireless, the server's PSAM unlocked first when its
 * status asks for it. Error codes 40-42 for the unlock steps. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByPsamServer(int handle, const char* host,
                                                                   int port, TwoIdInfoParam* param,
                                                                   int timeoutSeconds);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByPsamServerEx(int handle, const char* host,
                                                                     int port,
                                                                     TwoIdInfoParam* param,
                                                                     int timeoutSeconds);
/* Asks the dispatch server at dispatchHost (port 31213) for a decoder server,
 * reads the card through it (the Ex export with fingerprint) and reports the
 * result back. Error code 1000 while it runs, 68 for an empty account text. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByMcuServer(
    int handle, const char* dispatchHost, const uint32_t* dispatchValue, const char* account,
    TwoIdInfoParam* param, uint32_t firstRequest, uint32_t secondRequest, int timeoutSeconds);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoIdInfoByMcuServerEx(
    int handle, const char* dispatchHost, const uint32_t* dispatchValue, const char* account,
    TwoIdInfoParam* param, uint32_t firstRequest, uint32_t secondRequest, int timeoutSeconds);
/* The card identifier (size above 31) / DN (size above 63) as lower-case hex. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoGenerationIDCardNo(int handle, char* text,
                                                                   int size);
KORVICARD_API int KORVICARD_CALL KorviCardGetTwoGenerationIDDnNo(int handle, char* text,
                                                                 int size);

/* ------------------------------------------------------------------------- */
/* M100 UHF module                                                           */
/* ------------------------------------------------------------------------- */

/* One tag of the last inventory, 68 bytes. */
typedef struct M100UhfInventoryStruct {
    uint8_t arrEpc[64];   /*  0 EPC bytes */
    uint8_t ucEpcLength;  /* 64 valid bytes of arrEpc */
    uint8_t ucRssi;       /* 65 RSSI, a signed byte in dBm */
    uint16_t usPc;        /* 66 PC word (the tag's first PC byte is the high byte) */
} M100UhfInventoryStruct;

/* Each returns 1 for success, 0 for failure. Null pointers, buffers below the
 * stated size and values out of range fail without reaching the reader. The
 * module's answer must be a whole frame: a truncated one fails with error code
 * 3, a wrong checksum with 5. An error answer of the module fails with 32 when
 * it found no tag, else 1; an answer without the values asked for with 3.
 * 16-bit values travel big-endian to the module. */

/* kind (0-255) 0 hardware, 1 software, 2 manufacturer: the module's text, cut
 * to size - 1 bytes and terminated. size at least 1. */
KORVICARD_API int KORVICARD_CALL KorviCardGetUhfFwVersion(int handle, int kind, char* buffer,
                                                          int size);
/* One inventory round: *count := the tags found (at most 50), read back with
 * KorviCardM100UhfGetInventoryStruct. Error code 32 when no tag answered. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfInventory(int handle, int* count);
/* index 0-49. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfGetInventoryStruct(
    int handle, int index, M100UhfInventoryStruct* record);
/* One multiple-inventory poll: the first tag's RSSI, PC and EPC; *length := the
 * EPC bytes. size at least 32 (and at least the EPC's length). */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfReadMulti(int handle, unsigned char* rssi,
                                                           unsigned short* pc,
                                                           unsigned char* epc, int size,
                                                           int* length);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfStopMulti(int handle);
/* Transmit power in hundredths of a dBm; power 0-65535. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfGetPower(int handle, unsigned short* power);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetPower(int handle, int power);
/* region 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetRegion(int handle, int region);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfGetRfChannel(int handle, unsigned char* channel);
/* channel index 0-255. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetRfChannel(int handle, int channel);
/* on 0-255: 0xFF on, 0x00 off. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetFHSS(int handle, int on);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfGetQueryParamter(int handle,
                                                                  unsigned short* value);
/* value 0-65535. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetQueryParamter(int handle, int value);
/* on 0-255: 0xFF carrier on, 0x00 off. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetCW(int handle, int on);
/* *start, *end := the channels scanned; buffer := one value per channel, at
 * most *length bytes (else failure); *length := the values. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfScanJammer(int handle, unsigned char* start,
                                                            unsigned char* end,
                                                            unsigned char* buffer, int* length);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfScanRssi(int handle, unsigned char* start,
                                                          unsigned char* end,
                                                          unsigned char* buffer, int* length);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfReadModemParameter(int handle,
                                                                    unsigned char* mixerGain,
                                                                    unsigned char* ifGain,
                                                                    unsigned short* threshold);
/* mixerGain and ifGain 0-255, threshold 0-65535. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetModemParameter(int handle, int mixerGain,
                                                                   int ifGain, int threshold);
/* mode 0-255: 0 select before every inventory, 1 no select, 2 select before tag
 * access. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetInventoryMode(int handle, int mode);
/* Select: SelParam (target, action, bank), bit pointer, mask length in bits,
 * truncation (these three 0-255), and maskSize (0-32) mask bytes. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfSetSelectParameter(int handle, int selParam,
                                                                    unsigned int pointer,
                                                                    int maskLength, int truncate,
                                                                    const unsigned char* mask,
                                                                    int maskSize);
/* Reads count (0-32) words from bank (0-255; the tag's banks are 0-3) at word
 * start (0-65535) of the tag; *length: room in buffer (at least 2 x count),
 * then the bytes read. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfReadData(int handle, unsigned int password,
                                                          int bank, int start, int count,
                                                          unsigned char* buffer, int* length);
/* Writes count (0-16) words of data, bank and start as for reading; *length:
 * the bytes in data (at least 2 x count), then the bytes written. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfWriteData(int handle, unsigned int password,
                                                           int bank, int start, int count,
                                                           const unsigned char* data,
                                                           int* length);
/* The 3-byte lock payload; size must be 3. */
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfLockUnLock(int handle, unsigned int password,
                                                            const unsigned char* payload,
                                                            int size);
KORVICARD_API int KORVICARD_CALL KorviCardM100UhfKill(int handle, unsigned int password);

/* ------------------------------------------------------------------------- */
/* ESP WiFi module and its firmware flashing                                 */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure; null pointers fail without
 * reaching the reader. Station block and access-point records are 48 bytes,
 * passed through as the module has them. Modes: 1 station, 2 access point,
 * 3 both. */

/* buffer[0-47] := the station settings. */
KORVICARD_API int KORVICARD_CALL KorviCardGetStaInfo(int handle, unsigned char* buffer);
/* Sends buffer[0-47]. */
KORVICARD_API int KORVICARD_CALL KorviCardSetStaInfo(int handle, const unsigned char* buffer);
KORVICARD_API int KORVICARD_CALL KorviCardGetWifiMode(int handle, unsigned char* mode);
/* Writes the mode unless it is set already and waits (about 2 s) for the
 * module to take it. */
KORVICARD_API int KORVICARD_CALL KorviCardSetWifiMode(int handle, int mode);
KORVICARD_API int KORVICARD_CALL KorviCardWifiDisable(int handle);
KORVICARD_API int KORVICARD_CALL KorviCardWifiEnable(int handle);
/* Scans for access points for min(waitMs, 5000) ms; buffer holds capacity
 * records of 48 bytes. Fails in mode 2. */
KORVICARD_API int KORVICARD_CALL KorviCardScanAp(int handle, unsigned char* buffer, int capacity,
                                                 int waitMs);

/* Progress of a firmware flashing: the file position reached and the file
 * size, before each 1024-byte block. */
typedef void(KORVICARD_CALL* EspFlashProgressCallBack)(int position, int size);

/* Puts the module into its boot loader; then the SYNC packet. */
KORVICARD_API int KORVICARD_CALL KorviCardSendEspEnterIspCommand(int handle);
KORVICARD_API int KORVICARD_CALL KorviCardSendEspIspBeginCommand(int handle);
/* Writes the file (binary) to the module's flash at offset; progress may be
 * null. Stops at the first block the boot loader does not take. */
KORVICARD_API int KORVICARD_CALL KorviCardWriteEspFile2Flash(int handle, const char* path,
                                                             unsigned int offset,
                                                             EspFlashProgressCallBack progress);
/* Takes the module out of its boot loader. */
KORVICARD_API int KORVICARD_CALL KorviCardSendEspIspEndCommand(int handle);

/* ------------------------------------------------------------------------- */
/* Printer capture, QR relay and string commands                             */
/* ------------------------------------------------------------------------- */

/* Each returns 1 for success, 0 for failure; null pointers and counts out of
 * range fail without reaching the reader. */

/* *size := the bytes the reader's copy of the print data holds. */
KORVICARD_API int KORVICARD_CALL KorviCardGetPrinterMessageSize(int handle, int* size);
/* *count (0-300) bytes of the copy from offset; *count := the bytes stored. */
KORVICARD_API int KORVICARD_CALL KorviCardGetPrinterMessage(int handle, unsigned char* buffer,
                                                            int offset, int* count);
/* The whole copy, at most *total bytes (the room in buffer); *total := the
 * bytes read. */
KORVICARD_API int KORVICARD_CALL KorviCardGetPrinterAllMessage(int handle, unsigned char* buffer,
                                                               int* total);
KORVICARD_API int KORVICARD_CALL KorviCardClearPrinterBuffer(int handle);
/* Relays the QR-code data of an ESC/POS print job (length above 8) to the
 * reader's QR host; fails when the job stores no QR code. */
KORVICARD_API int KORVICARD_CALL KorviCardSendData2QrReaderHost(int handle,
                                                                const unsigned char* data,
                                                                int length);
/* One card operation from a comma-separated text ("x,x,x,Read,x,4"): field 3
 * the verb, fields 5-7 its arguments (decimal numbers in the ranges of the
 * verb's export). output (size at least 256) := the result as text, "Too few
 * parameters" or "Unknown Command". */
KORVICARD_API int KORVICARD_CALL KorviCardExecStringCommand(int handle, const char* text,
                                                            int length, char* output, int size);
/* No reader: the ticket text of captured print data, its formatting commands
 * taken out. output holds *outputLength bytes (at least length); *outputLength
 * := the text's length. */
KORVICARD_API int KORVICARD_CALL KorviCardGetTextFromPrinterMessage(const unsigned char* message,
                                                                    int length,
                                                                    unsigned char* output,
                                                                    int* outputLength);
/* No reader: the message to a printer on the serial port (38400 8N1); reply
 * (*replyLength at least 128) := up to 128 bytes it answers within a second,
 * *replyLength := their count. */
KORVICARD_API int KORVICARD_CALL KorviCardSendMessage2Printer(const char* port,
                                                              const unsigned char* message,
                                                              int length, unsigned char* reply,
                                                              int* replyLength);

/* ------------------------------------------------------------------------- */
/* Utilities that need no reader                                             */
/* ------------------------------------------------------------------------- */

/* 32 lower-case hex digits, of which the first length bytes are written
 * (terminated when length >= 33). Returns 0. */
KORVICARD_API int KORVICARD_CALL KorviCardGetIdRandom(char* buffer, int length);
/* Appends "y-m-d h:m:s:ms line\r\n" to fileName. Returns 0 when the line was written. */
KORVICARD_API int KORVICARD_CALL KorviCardSaveLog(const char* fileName, const char* line);
/* Number of attached USB readers with these identifiers (0-65535; 0 picks the
 * default, other values match no reader). */
KORVICARD_API int KORVICARD_CALL KorviCardGetUsbDeviceCount(int vid, int pid);

/* Base64 (RFC 4648 alphabet). The handle is only tested for non-null.
 * The encoder writes CR LF after every G whole 3-byte groups, G = lineLength
 * / 4 or 1 when that is below 1: lines of 4 * G characters, so any lineLength
 * below 8, 0 and negative ones included, breaks after every 4 characters (0
 * does not mean "no line breaks"). A break may follow the last whole group;
 * none follows the padded group. It writes exactly
 *   KorviCardGetEncodeNewLen(handle, 0, length) + 2 * ((length / 3) / G)
 * bytes, the terminator included: 64 bytes take 131 with lineLength 0, 109
 * with 8 and 91 with 76. KorviCardGetEncodeNewLen alone counts no line
 * breaks. A null pointer, a negative length or a size beyond INT_MAX writes
 * nothing. out of the decoder needs KorviCardGetDecodeNewLen bytes. */
KORVICARD_API void KORVICARD_CALL KorviCardBase64Encode(int handle, const unsigned char* data,
                                                        int length, char* out, int lineLength);
KORVICARD_API void KORVICARD_CALL KorviCardBase64Decode(int handle, const char* text, int length,
                                                        unsigned char* out, int unused);
KORVICARD_API int KORVICARD_CALL KorviCardGetEncodeNewLen(int handle, int unused, int length);
KORVICARD_API int KORVICARD_CALL KorviCardGetDecodeNewLen(int handle, int unused, int length);

/* DES over hex text. Keys: 16 digits (Des), 32 (3Des), 16 or 32 (Mac).
 * mode 1 decrypts, any other value encrypts. The result fills out from its
 * start, the rest of outLen is zeroed; a result of exactly outLen characters
 * has no terminator. A result longer than outLen returns 0 and leaves out as it was. */
KORVICARD_API int KORVICARD_CALL KorviCardDes(const char* dataHex, const char* keyHex, char* out,
                                              unsigned int outLen, int mode);
KORVICARD_API int KORVICARD_CALL KorviCard3Des(const char* dataHex, const char* keyHex, char* out,
                                               unsigned int outLen, int mode);
KORVICARD_API int KORVICARD_CALL KorviCardMac(const char* initialValueHex, const char* dataHex,
                                              const char* keyHex, char* out, unsigned int outLen);

/* ------------------------------------------------------------------------- */
/* ICC_Reader_ contact-card interface                                        */
/* ------------------------------------------------------------------------- */

/* One process-wide reader, opened over USB HID with the default identifiers;
 * every handle argument is ignored. Slot bytes 0-0x0F name the contact-card
 * slot, 0x10-0xFF the SAM slot that answered the last SAM power-on (kept over a
 * close and a new open, forgotten by a failed open); a slot outside 0-255
 * is a bad argument (-14), nothing is sent.
 * Failure codes: -11 no reader open (or it was closed), -14 bad argument or a
 * slot that could not be selected or powered, -13 no answer to reset from the
 * contact card, -2 an empty answer to reset, -4 the APDU exchange failed. */

/* port is ignored. Returns the reader's handle, or -11. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_Open(const char* port);
/* 0, or -11 when the reader is already closed. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_Close(int handle);
/* Powers the slot and resets its card; answerToReset (at least 64 bytes) := the
 * answer to reset. Returns its length, or a failure code. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_PowerOn(int handle, int slot,
                                                    unsigned char* answerToReset);
/* Switches the contact-card slot off (nothing for the SAM slot). 0, -11, or -14
 * for a slot outside 0-255. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_PowerOff(int handle, int slot);
/* Sends the command (1 to 256 bytes) to the card of the slot; answer (at least
 * 256 bytes) := the card's answer, its status word last. Returns its length, or a
 * failure code. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_Application(int handle, int slot, int length,
                                                        const unsigned char* command,
                                                        unsigned char* answer);
/* Always 0. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_GetStatus(int handle, int slot);
/* info[0-31] := the library information text (no terminator). 0, or -14 for a
 * null buffer. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_Libinfo(char* info);
/* Always 0; the arguments are not used. */
KORVICARD_API int KORVICARD_CALL ICC_Reader_GetPIN(int handle, intptr_t a, intptr_t b, intptr_t c);
KORVICARD_API int KORVICARD_CALL ICC_GetInputPassEx(int handle, intptr_t a, intptr_t b,
                                                    intptr_t c, intptr_t d, intptr_t e);

#ifdef __cplusplus
}
#endif

/* ------------------------------------------------------------------------- */
/* Layout checks                                                             */
/* ------------------------------------------------------------------------- */

#if defined(__cplusplus)
#define KORVICARD_LAYOUT_CHECK(cond, text) static_assert(cond, text)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define KORVICARD_LAYOUT_CHECK(cond, text) _Static_assert(cond, text)
#endif

#ifdef KORVICARD_LAYOUT_CHECK
KORVICARD_LAYOUT_CHECK(sizeof(KorviCardParam) == 672, "KorviCardParam is 672 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, arrCardNo) == 4, "arrCardNo at 4");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, nCardSize) == 12, "nCardSize at 12");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, arrBuffer) == 16, "arrBuffer at 16");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, nBufferSize) == 80, "nBufferSize at 80");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, arrKeys) == 84, "arrKeys at 84");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, nKeysSize) == 148, "nKeysSize at 148");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, arrCosResultBuffer) == 152, "result at 152");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, unCosReultBufferLength) == 408, "length at 408");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, arrCosSendBuffer) == 412, "command at 412");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParam, unCosSendBufferLength) == 668, "length at 668");
KORVICARD_LAYOUT_CHECK(sizeof(KorviCardParamLong) == 1184, "long form is 1,184 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardParamLong, arrCosSendBufferMore) == 672,
                       "command continues at 672");

KORVICARD_LAYOUT_CHECK(sizeof(TwoIdInfoParam) == 6440, "TwoIdInfoParam is 6,440 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdSex) == 30, "sex at 30");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdNation) == 32, "nation at 32");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdBirthday) == 36, "birthday at 36");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdAddress) == 52, "address at 52");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdNo) == 122, "number at 122");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdSignedDepartment) == 158,
                       "department at 158");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdValidityPeriodBegin) == 188,
                       "validity begin at 188");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdValidityPeriodEnd) == 204,
                       "validity end at 204");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdNewAddress) == 220, "new address at 220");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, unTwoIdFingerprintLength) == 290,
                       "fingerprint length at 290");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdPhoto) == 292, "photo at 292");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdFingerprint) == 1316,
                       "fingerprint at 1316");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, arrTwoIdPhotoJpeg) == 2340, "JPEG at 2340");
KORVICARD_LAYOUT_CHECK(offsetof(TwoIdInfoParam, unTwoIdPhotoJpegLength) == 6436,
                       "JPEG length at 6436");

KORVICARD_LAYOUT_CHECK(sizeof(KorviCardAppConfig) == 120, "KorviCardAppConfig is 120 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, arrPassWord) == 16, "password at 16");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, arrSeverIpAddress) == 32, "server at 32");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, unSeverPort) == 36, "port at 36");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, unDispatchPostCode) == 40, "post code at 40");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, unDispatchLineType) == 44, "line type at 44");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, unDispatchAccount) == 48, "account at 48");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, arrDispatchPassword) == 52,
                       "dispatch password at 52");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, arrDispatchUrl) == 84, "dispatch URL at 84");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardAppConfig, arrDnsAddress) == 116, "DNS at 116");

KORVICARD_LAYOUT_CHECK(sizeof(KorviCardSinopecRecordParam) == 24, "fuel record is 24 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecRecordParam, arrOverdraftAmount) == 2,
                       "overdraft at 2");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecRecordParam, arrTradeAmount) == 5, "amount at 5");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecRecordParam, ucTradeType) == 9, "type at 9");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecRecordParam, arrTradeTerminalNo) == 10,
                       "terminal at 10");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecRecordParam, arrTradeDate) == 16, "date at 16");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecRecordParam, arrTradeTime) == 20, "time at 20");
KORVICARD_LAYOUT_CHECK(sizeof(KorviCardSinopecCardParam) == 416, "fuel card block is 416 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecCardParam, arrSignedDate) == 16, "issue at 16");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecCardParam, arrValidityEndDate) == 20,
                       "validity end at 20");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecCardParam, nCardBalance) == 24, "balance at 24");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecCardParam, nPinFalseCount) == 28, "PIN at 28");
KORVICARD_LAYOUT_CHECK(offsetof(KorviCardSinopecCardParam, arrSinopecRecord) == 32,
                       "records at 32");

KORVICARD_LAYOUT_CHECK(sizeof(SamvLastErrorInfo) == 156, "SamvLastErrorInfo is 156 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, arrLastCommand) == 4, "command at 4");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, arrUartResult) == 20, "UART result at 20");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, arrLastSendData) == 36, "sent data at 36");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, nExecResult) == 132, "result at 132");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, unLastPacketIndex) == 136, "packet at 136");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, llPreviousCommandTime) == 140,
                       "previous time at 140");
KORVICARD_LAYOUT_CHECK(offsetof(SamvLastErrorInfo, llLastCommandTime) == 148, "last time at 148");

KORVICARD_LAYOUT_CHECK(sizeof(M100UhfInventoryStruct) == 68, "M100UhfInventoryStruct is 68 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(M100UhfInventoryStruct, ucEpcLength) == 64, "EPC length at 64");
KORVICARD_LAYOUT_CHECK(offsetof(M100UhfInventoryStruct, ucRssi) == 65, "RSSI at 65");
KORVICARD_LAYOUT_CHECK(offsetof(M100UhfInventoryStruct, usPc) == 66, "PC at 66");

KORVICARD_LAYOUT_CHECK(sizeof(SamvTimeInfoEntry) == 8, "SamvTimeInfoEntry is 8 bytes");
KORVICARD_LAYOUT_CHECK(offsetof(SamvTimeInfoEntry, unTimeStamp) == 4, "time stamp at 4");
#undef KORVICARD_LAYOUT_CHECK
#endif

#endif /* KORVICARD_KORVICARDDRIVER_H */
