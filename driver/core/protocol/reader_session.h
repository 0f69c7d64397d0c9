#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/cards/iso14443_4.h"
#include "core/protocol/callback_types.h"
#include "core/protocol/config_file.h"
#include "core/protocol/reader_protocol_constants.h"
#include "core/protocol/reply_payload.h"
#include "core/transport/hid_transport_base.h"
#include "core/transport/serial_transport_base.h"
#include "core/transport/tcp_client.h"
#include "korvicard/KorviCardDriver.h"  // M100UhfInventoryStruct of the UHF inventory

struct KorviCardParam;  // public record, korvicard/KorviCardDriver.h
struct KorviCardSinopecCardParam;  // public record, korvicard/KorviCardDriver.h
struct KorviCardAppConfig;  // public record, korvicard/KorviCardDriver.h

// The reader device object behind a handle: the one transport that reaches the reader (or
// the caller's transport callback), the frames of the reader protocol, the error codes, the
// callbacks and the working storage of the command families. Holds no lock: one thread uses
// a session at a time.
class ReaderSession {
public:
    ReaderSession();
    ~ReaderSession();
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    // --- Lifecycle ------------------------------------------------------------------------

    // The session takes ownership. Exactly one transport is set for a reader on a device.
    void SetSerialTransport(std::unique_ptr<SerialTransportBase> transport);
    void SetHidTransport(std::unique_ptr<HidTransportBase> transport);
    void SetTcpClient(std::unique_ptr<TcpClient> transport);

    // Opens the stored transport. deviceName empty (or null): HID with vendor vidOrPort and
    // product pid (0x051A and 0x511B when 0) at index usbIndex; otherwise TCP to port
    // vidOrPort (12345 when 0) or a serial port at 115200 8N1. timeout is the open time-out
    // in milliseconds (0 counts as 1); TCP connects within its whole seconds, at least 1.
    // Reads the configuration file first; a missing file does not matter. False when the
    // transport's open fails or no transport of the needed kind is stored.
    bool OpenDevice(const char* deviceName, int vidOrPort, int pid, int usbIndex, int timeout);
    // Destroys the transports (serial, HID, TCP) and frees the work buffer.
    void ReleaseTransports();
    // ReleaseTransports, then shuts the identity-server connection down.
    void CloseDevice();

    // The reader this session reaches, by route and address ("tcp 127.0.0.1:12345", "serial
    // /dev/ttyUSB0", "hid 051A:511B #0"): the name under which the card activated in its
    // field is shared with every session to it. Empty while frames go through the caller's
    // transport callback, which may stand for any reader: the session then keeps its own.
    std::string ReaderName() const {
        return extendReadWrite != nullptr ? std::string() : readerName;
    }

    // The id of the handle that names this session (0 until the API layer registers it).
    // The transport callback receives it.
    void SetHandleId(int id) { handleId = id; }
    int HandleId() const { return handleId; }

    // --- Callbacks and error codes ---------------------------------------------------------

    // Null goes back to the session's own transport.
    void SetExtendReadWrite(ExtendReadWriteCallBack callback) { extendReadWrite = callback; }
    void SetIdDeviceExtendReadWrite(IdDeviceExtendReadWriteCallBack callback) {
        idDeviceExtendReadWrite = callback;
    }
    void SetIdCallBack(IdCallBack callback) { idCallBack = callback; }

    int GetErrorCode() const { return lastError; }
    // Command layers set the code (1 before a request, their own codes on local failures).
    void SetErrorCode(int code) { lastError = code; }
    int GetTwoIdErrorCode() const { return lastTwoIdError; }
    void SetTwoIdErrorCode(int code) { lastTwoIdError = code; }
    // Copies at most length - 1 bytes of the dispatch-server error text and terminates the
    // copy; nothing for a null buffer or a length of 0.
    void GetTwoIdDispatchServerErrorInfo(char* buffer, unsigned length) const;
    // The library's build time (needs no session state).
    bool GetLibBuildTime(char* buffer, unsigned size) const;

    // --- Frame protocol --------------------------------------------------------------------
    //
    // A command runs Transact (or SendFrame then ReceiveFrame) and then reads the reply
    // payload through ReplyPayload / CopyReplyPayload:
    //
    //     if (!Transact(kCommand, payload, sizeof payload, 1000)) return false;
    //     record->nBufferSize = static_cast<int>(
    //         CopyReplyPayload(record->arrBuffer, sizeof record->arrBuffer));
    //
    // timeout is the command's time-out in milliseconds; the reply is awaited up to it, or up
    // to the open time-out when that is longer. flag 1 takes the mask from the payload's last
    // 4 bytes, which are then not sent as payload.

    // lastError := 1, SendFrame, and ReceiveFrame when the send succeeded.
    bool Transact(std::uint8_t command, const std::uint8_t* payload, unsigned length,
                  int timeout, std::uint8_t flag = 0);
    // Builds and sends one request frame (a fresh mask, the session's sequence byte). False
    // without a route, for a payload over 290 bytes, or when the transport fails. Sets no code.
    bool SendFrame(std::uint8_t command, const std::uint8_t* payload, unsigned length,
                   int timeout, std::uint8_t flag = 0);
    // Reads and checks the reply to the last request. Codes: 3 no reply in time, a short
    // reply (no status byte, no error code byte) or a payload length longer than the frame;
    // 4 a zero length byte; 5 a wrong check byte; the reader's code for a failure status;
    // 0 on success. command, payload and length are those of the request (not used).
    bool ReceiveFrame(std::uint8_t command, const std::uint8_t* payload, unsigned length,
                      int timeout);
    // The piece exchange with the caller's callback, 256-byte pieces: direction 0 writes
    // size bytes, any other value reads one frame of at most size bytes (size at least 64),
    // within timeout milliseconds and a bounded number of pieces.
    bool ExchangeByCallback(int handle, int direction, std::uint8_t* buffer, int size,
                            int timeout);

    // The payload of the last reply when it succeeded (status 0), its length checked against
    // the frame; empty otherwise.
    std::span<const std::uint8_t> ReplyPayload() const {
        return {replyFrame.data() + kReplyPayloadOffset, replyPayloadLength};
    }
    std::size_t ReplyPayloadLength() const { return replyPayloadLength; }
    // Copies reply payload bytes [offset, offset + count) into dest, never more than
    // capacity and never past the payload (see CopyPayloadBounded). Returns the bytes copied.
    std::size_t CopyReplyPayload(std::uint8_t* dest, std::size_t capacity,
                                 std::size_t offset = 0,
                                 std::size_t count = kWholePayload) const {
        return CopyPayloadBounded(ReplyPayload(), offset, count, dest, capacity);
    }

    // The last request as sent and the last reply as read (descrambled when it passed its
    // check byte); the sequence byte of the protocol.
    const std::array<std::uint8_t, kFrameBufferSize>& RequestFrame() const {
        return requestFrame;
    }
    std::size_t RequestFrameLength() const { return requestFrameLength; }
    const std::array<std::uint8_t, kFrameBufferSize>& ReplyFrame() const { return replyFrame; }
    std::uint8_t Sequence() const { return sequence; }

    // Raw USB: one HID report read, or bytes written through the HID frame writer. False
    // without a HID transport.
    bool ReadUsbData(std::uint8_t* buffer, int size, int timeout);
    bool WriteUsbData(const std::uint8_t* buffer, int size);

    // --- Command families: each family declares its operations in its own block below ------

    // --- Mifare Classic and ISO 14443-A (mifare.cpp, mifare_composite.cpp, card_text.cpp) --
    //
    // Each runs the common exchange (command_exchange.h). A null record, a sector above 39
    // and data that does not fit its request fail at once, with nothing sent and the error
    // code untouched. An argument that does not fit its byte or 16-bit field (a block, key
    // mode or sector outside 0-255, a beep time outside 0-65535) fails with nothing sent and
    // error code 2 (ArgumentsFit).

    // REQA/WUPA with the reader's request mode (0x26 idle cards, 0x52 all cards). nCardType
    // := the ATQA (little-endian), also kept as the session's card type.
    bool Request(int mode, KorviCardParam* record);
    // arrCardNo := the UID: 4 bytes, 8 for card types 0x42, 0x44 and 0x344.
    bool Anticoll(KorviCardParam* record);
    // Selects the card arrCardNo[0-3]; arrBuffer := the answer, nCardSize := the SAK.
    bool Select(KorviCardParam* record);
    // Key mode 0x60 key A, 0x61 key B. arrBuffer[0-3] := the reader's answer.
    bool Authentication(int keyMode, int sector, KorviCardParam* record);
    // As Authentication, with the key in arrKeys[0-5] instead of one loaded before.
    bool AuthenticationWithPassword(int keyMode, int sector, KorviCardParam* record);
    bool Halt();
    // arrBuffer := the 16 bytes of the block (four pages of a tag), nBufferSize := 16.
    bool Read(int block, KorviCardParam* record);
    // Writes the first nBufferSize (1-63) bytes of arrBuffer.
    bool Write(int block, KorviCardParam* record);
    // The manufacturer block of a card that takes it: nBufferSize 16 and arrBuffer[4] the
    // XOR of arrBuffer[0-3].
    bool WriteBlock0(KorviCardParam* record);
    bool Increment(int block, std::uint32_t value);
    bool Decrement(int block, std::uint32_t value);
    bool Restore(int block);
    bool Transfer(int block);
    // Loads arrKeys[0-5] into the reader as the key of that mode and sector.
    bool LoadKey(int keyMode, int sector, KorviCardParam* record);
    // Sounds the buzzer for time (0-65535) milliseconds.
    bool Beep(int time);
    // arrCosResultBuffer := what the reader's buffer held.
    bool EmptyBuffer(KorviCardParam* record);
    // One-call reads of the reader: card number, or card number and one block. Each
    // argument a byte.
    bool GetCardNoEx(int a, int b, int c, int d, KorviCardParam* record);
    bool ReadData(int a, int b, int c, int d, int e, KorviCardParam* record);
    // Writes the first nBufferSize (1-61) bytes of arrBuffer.
    bool WriteData(int a, int b, int c, KorviCardParam* record);
    // Request, Anticoll, then Select unless the card has a double-size UID.
    bool GetCardNo(int mode, KorviCardParam* record);
    // Writes block as a value block holding value.
    bool InitValue(int block, std::int32_t value);
    // Writes the sector trailer: key A, access bytes 7F 07 88 00, key B, each key the first
    // 12 characters of its text read as hex; any other character refuses the change.
    bool ChangePassword(int sector, const char* keyA, const char* keyB);
    // Text over the data blocks of a Mifare sector (card types 2 and 4) or over tag pages
    // from page `start` (card type 0x44), never past the user memory the tag announces.
    // ReadText stores whole reads only while they fit count bytes and stops at a zero byte;
    // WriteText refuses a text longer than the area and ends it with a zero block or page
    // while the area has room.
    bool ReadText(int start, char* output, int count);
    bool WriteText(int start, const char* text, int count);
    // The reader's RF protocol: 'A', 'B', 'C' (card emulation) or 'F', lower case folded;
    // any other letter fails with nothing sent (code 2 for a value outside 0-255). On a
    // reader that cannot name its model and carries RF chip version B1, the chip's registers
    // are set up again afterwards.
    bool SetCardType(int letter);

    // --- Type B, FeliCa, NFC buffer and NTAG (type_b.cpp, felica.cpp, nfc_buffer.cpp, ntag.cpp)
    //
    // Common exchange, 1000 ms each. Null pointers and short buffers fail at once, with
    // nothing sent and the error code untouched; a mode or request outside 0-255 fails with
    // nothing sent and code 2.

    // REQB/WUPB by the reader's mode byte. arrBuffer := the answer (at most 64 bytes),
    // nBufferSize := the answer's whole length, also when it is longer.
    bool RequestB(int mode, KorviCardParam* record);
    // arrBuffer := the answer (at most 64 bytes), nBufferSize := the bytes stored.
    bool SelectB(KorviCardParam* record);
    bool HaltB();
    // arrCardNo := the card's IDm (the answer's first 8 bytes); an answer of fewer than 8
    // bytes fails with code 3 and leaves the record as it was.
    bool FelicaPolling(int request, KorviCardParam* record);
    // The text of the reader's NFC buffer: buffer zeroed over size, then at most size text
    // bytes, never more than the answer holds. A length byte that gives no text (below 7,
    // or a text of 48 bytes or more) leaves the buffer zeroed and still succeeds.
    bool ReadNfcBuffer(char* buffer, int size);
    // Stores length (0-47) bytes of text in the reader's NFC buffer as an NDEF Text record.
    bool WriteNfcBuffer(const char* text, int length);
    // output[0-7] := the tag's GET_VERSION answer; size at least 8. An answer of fewer than
    // 8 bytes fails with code 3.
    bool NtagGetVersion(std::uint8_t* output, int size);
    // PWD_AUTH with the first 4 bytes of password; length at least 4.
    bool NtagPwdAuth(const std::uint8_t* password, int length);

    // --- SAM slots (sam_slots.cpp) -----------------------------------------------------------
    //
    // Common exchange, 1000 ms each. The slot index, the power byte and the select-line
    // bytes (0-255 each; others fail with nothing sent and code 2) are passed to the reader
    // as they are.

    bool SetSamSlotIndex(int slot);
    bool SetSamPowerOnOff(int on);
    bool SetSamVSel0(int slot, int level);
    bool SetSamVSel1(int slot, int level);
    // arrBuffer and arrCosResultBuffer := the ATR of the selected slot's card,
    // nBufferSize and unCosReultBufferLength := the bytes each holds.
    bool ResetSam(KorviCardParam* record);
    // Sends the first unCosSendBufferLength (at most 256) bytes of arrCosSendBuffer, or when
    // that is 0 the first nBufferSize (at most 64) bytes of arrBuffer. arrCosResultBuffer :=
    // the card's answer with its status word last: an answer longer than 2 bytes loses the
    // byte the reader puts ahead of it. unCosReultBufferLength := its length.
    bool SendSamAPDU(KorviCardParam* record);

    // --- ESP WiFi module (esp_wifi.cpp) and its ISP flashing (esp_isp.cpp) -----------------
    //
    // Common exchange unless stated. Null pointers fail with nothing sent and the error code
    // untouched. A reply shorter than what an operation reads fails with code 3. The 48-byte
    // station block and access-point records are passed through as the module has them.

    // output[0-47] := the module's station settings.
    bool GetStaInfo(std::uint8_t* output);
    // Sends block[0-47].
    bool SetStaInfo(const std::uint8_t* block);
    // *mode := the module's mode (1 station, 2 access point, 3 both).
    bool GetWifiMode(std::uint8_t* mode);
    // The mode (1-3) as 4 bytes; another mode fails with nothing sent.
    bool WriteWifiMode(int mode);
    bool WifiDisable();
    bool WifiEnable();
    // Reads the mode twice; writes it unless already set and waits for the module to take
    // it. Codes: 26 the write failed or the module kept another mode, 25 a read after it.
    bool SetWifiMode(int mode);
    // Scans for access points: records[48 * i] := AP i for i below capacity. The scan runs
    // min(waitMs, 5000) ms. Mode 2 cannot scan (code 20). A record that cannot be read is
    // tried three times; true when at least one record came before a record that failed.
    bool ScanAp(std::uint8_t* records, int capacity, int waitMs);

    // The module's ROM boot loader through the reader: packets SLIP-framed, the FLASH_DATA
    // frames in pieces of at most 48 bytes that never split an escape pair.
    bool SendEspEnterIspCommand();
    // The SYNC packet (command 16).
    bool SendEspIspBeginCommand();
    // FLASH_BEGIN for size bytes in packetCount packets of 1024 at flash offset (command 17).
    bool SendEspFlashBegin(std::uint32_t size, std::uint32_t packetCount, std::uint32_t offset);
    // FLASH_DATA: packet holds 24 header bytes (filled here; bytes 16-23 sent as they are)
    // followed by the data; length counts both, 24 to 2028.
    bool SendEspFlashData(std::uint8_t* packet, unsigned length, std::uint32_t sequence);
    bool SendEspIspEndCommand();
    // Called before each packet with the file position and the file size.
    using EspFlashProgress = void (*)(int position, int size);
    // FLASH_BEGIN for the file, then one FLASH_DATA per 1024 bytes of it; stops at the first
    // failure. A file that cannot be read, or is larger than 2^31 - 1 bytes, fails.
    bool WriteEspFile2Flash(const char* path, std::uint32_t offset, EspFlashProgress progress);

    // --- Printer capture, QR relay and string commands (printer_capture.cpp, qr_relay.cpp, --
    // --- printer_serial.cpp, string_command.cpp)                                           --
    //
    // Common exchange, 1000 ms each. Null pointers and counts out of range fail at once,
    // with nothing sent and the error code untouched.

    // *size := the bytes the reader's printer capture holds (reply bytes 0-3); a reply
    // without them fails with code 3.
    bool GetPrinterMessageSize(std::int32_t* size);
    // *count (0-300) bytes of the capture from offset into output; *count := the bytes
    // stored, never more than asked for.
    bool GetPrinterMessage(std::uint8_t* output, int offset, int* count);
    // The whole capture, 128 bytes a request and never more than the *total bytes output
    // holds; ends at a shorter piece. *total := the bytes read.
    bool GetPrinterAllMessage(std::uint8_t* output, int* total);
    bool ClearPrinterBuffer();
    // The QR-code data of an ESC/POS print job (length above 8) to the reader's QR host:
    // the bytes after the first GS ( k store command of pL 0x5C (at most 89), else of pL
    // 0x23 (at most 32). False, nothing sent, when the job holds neither.
    bool SendData2QrReaderHost(const std::uint8_t* data, int length);
    // The message (length above 0) to a printer on a serial port of its own (38400 8N1);
    // reply := up to 128 bytes it answers within a second, *replyLength (at least 128 on
    // entry) := their count, left as it was when none came.
    static bool SendMessage2Printer(const char* port, const std::uint8_t* message, int length,
                                    std::uint8_t* reply, int* replyLength);
    // One card operation from a comma-separated command text (at most length bytes, up to
    // its first zero): field 3 the verb, fields 5-7 its decimal or hex arguments. output
    // (size at least 256) := the operation's result as text, "Too few parameters" (false)
    // or "Unknown Command" (true). Arguments that are no numbers, hex texts of odd length or
    // past their record, and results whose text does not fit output fail.
    bool ExecStringCommand(const char* text, int length, char* output, int size);

    // --- CPU cards and the ISO 14443-4 block layer (cpu_card.cpp, cpu_card_apdu.cpp) ----------
    //
    // Everything here runs on this session's own block layer and reader: no call on one
    // session sends through another. Null pointers, short buffers and commands longer than
    // a request can carry fail at once, with nothing sent.

    // Reader command 14 (1000 ms). With nBufferSize 1-64: the mode byte, that count's low
    // byte and the first nBufferSize bytes of arrBuffer. With nBufferSize 0: the
    // unCosSendBufferLength (1-288) bytes of arrCosSendBuffer, continued past 256 in the
    // long form's extension, after the count as 16 bits big-endian (no mode byte).
    // arrCosResultBuffer := the reply, unCosReultBufferLength := its length; arrBuffer :=
    // its first 64 bytes and nBufferSize := its whole length. A mode outside 0-255 fails
    // with nothing sent and code 2. The reply is awaited up to timeout milliseconds.
    static constexpr int kCpuCommandTimeoutMs = 1000;
    bool SendCpuCommand(int mode, KorviCardParam* record, int timeout = kCpuCommandTimeoutMs);
    // The block layer's transceive function: one block through SendCpuCommand, its reply
    // awaited up to waitMs, the answer into response (at most *responseLength bytes),
    // *responseLength := the answer's whole length. False, response untouched, when the
    // exchange fails.
    bool CpuCardTransceive(const std::uint8_t* command, unsigned length, std::uint8_t* response,
                           unsigned* responseLength, int waitMs);
    // Registers CpuCardTransceive of this session with its block layer (at every open).
    void RegisterCpuCardTransceive();
    // RATS with FSD 64 and CID 0: arrBuffer (first 64 bytes) and arrCosResultBuffer := the
    // ATS, nBufferSize and unCosReultBufferLength := its length.
    bool ResetCpuCardNoGetCardNo(KorviCardParam* record);
    // GetCardNo with request mode 0x26, then ResetCpuCardNoGetCardNo.
    bool ResetCpuCard(KorviCardParam* record);
    // S(DESELECT) through command 14 (mode 4): arrBuffer := the request, then the reply as
    // SendCpuCommand leaves it. False unless the card answered the S(DESELECT) response.
    bool DeselectCpuCard(KorviCardParam* record);
    // One APDU over the block layer: the unCosSendBufferLength (1-256) bytes of
    // arrCosSendBuffer, or when that is 0 the nBufferSize (1-64) bytes of arrBuffer, copied
    // to arrCosSendBuffer. arrCosResultBuffer := the response, unCosReultBufferLength := its
    // length; both untouched on failure. A failure of the block protocol itself (a card
    // block that does not fit, a response past 256 bytes) leaves the error code 0xF4, and so
    // does a card whose command chain was left unfinished: nothing is sent to it until it is
    // reset (ResetCpuCard).
    bool Iso14443SendCOSCommand(KorviCardParam* record);

    // APDU helpers: each APDU in a record of its own, through SendSamAPDU when sam is set,
    // else Iso14443SendCOSCommand. output := the result (data and status word), at most
    // *length bytes (which must be at least 64); *length := the bytes stored.
    // SELECT 00 A4 p1 p2 with the name (1-250 bytes). On the SAM path with getResponse, an
    // answer 61 xx or 6C xx is followed by GET RESPONSE 00 C0 00 00 xx, whose result counts.
    bool CpuCardSelectFile(std::uint8_t p1, std::uint8_t p2, const std::uint8_t* name,
                           unsigned nameLength, std::uint8_t* output, int* length, bool sam,
                           bool getResponse);
    // SELECT by DF name (P1 4, P2 0), no GET RESPONSE.
    bool CpuCardSelectByName(const char* name, std::uint8_t* output, int* length, bool sam);
    // READ BINARY 00 B0 (0x80 | SFI) 00 00: the low 5 bits of sfi (0-255; others fail with
    // nothing sent and code 2).
    bool CpuCardReadBinary(int sfi, std::uint8_t* output, int* length, bool sam);
    // READ RECORD 00 B2 record p2 le. On the SAM path with resendOn6C, an answer 6C xx is
    // followed by the same READ RECORD with Le xx, whose result counts.
    bool CpuCardReadRecord(std::uint8_t recordNumber, std::uint8_t p2, std::uint8_t le,
                           std::uint8_t* output, int* length, bool sam, bool resendOn6C);
    // SendCpuCommand with the low byte of nBufferSize as the mode, then the ID callback;
    // true when that succeeded and the result ends in 90 00.
    bool SendCpuApduCheckSw(KorviCardParam* record);
    // The identity card's type B identifier: REQB (mode 0), ATTRIB, APDU 00 36 00 00 08
    // (mode 7); output := the data before the status word when it fits *length (at least
    // 32). Identity-card codes: 2 REQB, 3 ATTRIB, 4 the APDU, 5 its status word.
    bool ReadIdCardUid(std::uint8_t* output, int* length);
    // The identity card's DN: SELECT 00 A4 00 00 02 60 02, then 80 B0 00 00 20 (mode 7);
    // output := the data when it fits *length (at least 32). Identity-card codes: 54/55 the
    // SELECT failed / its status word, 56/57 the read.
    bool ReadIdCardDnNo(std::uint8_t* output, int* length);
    // The ID callback with four zeros, when one is set.
    void CallIdCallBack() const {
        if (idCallBack != nullptr) idCallBack(0, 0, 0, 0);
    }

    // The block layer to the card in the reader's field; each operation on it runs with
    // the card's state as every session to the reader left it (see ReaderName).
    Iso14443BlockLayer blockLayer;

    // --- Bank, social-security and fuel cards (bank_card.cpp, social_security_card.cpp, ---
    // --- fuel_card.cpp)                                                                  ---
    //
    // Card answers are read as BER-TLV within the bytes received; every field is copied
    // only within its slot.

    // The card number (PAN) from track 2 of a bank card in the field: the 20 lower-case hex
    // digits of the first 10 bytes of tag 57, cut at the separator 'd'. size at least 32.
    bool GetBankCardNo(char* output, int size);
    // The same from a bank card in the selected SAM slot (PSE "1PAY.SYS.DDF01"), cut at the
    // first character above '9' (else 19 digits).
    bool GetBankCardNoBy7816(char* output, int size);
    // The holder data of a social-security card in the selected SAM slot into the 216-byte
    // record: card number at 0, name at 16, ID number at 48, sex at 80, nation name at 88,
    // issue and validity dates (8 hex digits) at 152 and 184.
    bool GetSocialSecurityInfoBy7816(std::uint8_t* record);
    // The basic-information file of a social-security card, over the SAM slot (sam) or the
    // field, into the 200-byte record: card identifier (32 hex digits) at 0, card type at
    // 64, version at 68, issuer code (24 hex digits) at 72, issue and validity dates at 104
    // and 136, card number at 168.
    bool GetSocialSecurityInfo(bool sam, std::uint8_t* record);
    // A fuel card in the selected SAM slot: card number and dates, then with the PIN
    // (the first 6 characters of the text, hex digits; "E7E7E7" for the built-in PIN;
    // "CARDNO" for the card data alone) balance and the last 10 purse records. A PIN text
    // of another form fails before anything is sent. A wrong PIN leaves the tries left in
    // nPinFalseCount (-1 blocked).
    bool GetSinopecCardInfo(KorviCardSinopecCardParam* record, const char* pin);
    bool GetPetroChinaCardInfo(KorviCardSinopecCardParam* record, const char* pin);

    // --- Device controls (device_controls.cpp, device_uart_relays.cpp, ps2_keys.cpp) -------
    //
    // Each runs the common exchange. Null pointers and buffers below the stated size fail
    // with nothing sent and the error code untouched; a byte argument outside 0-255 or a
    // port outside 0-65535 fails with nothing sent and code 2. A reply shorter than the
    // fields an operation reads fails with code 3 (a short reply) and leaves the outputs as
    // they were. Values of 4 bytes travel little-endian.

    // Model prefix of the device type and 16 lower-case hex digits (type, then serial, each
    // from its most significant byte), e.g. "V3-W0000300200012345"; "Device Type Error"
    // (and true) for a type without a model. size at least 32.
    bool GetDeviceNo(char* text, int size);
    // output[0-7] := the reader's 8-byte MAC field (the address in bytes 0-5). size at least 8.
    bool GetDeviceMacAddress(std::uint8_t* output, int size);
    // The MCU serial number as upper-case hex without separators, terminated: at most
    // (size - 1) / 2 bytes of it. size at least 64.
    bool GetMcuSerailNo(char* text, int size);
    bool SetRfOnOff(int on);
    bool SetLedStatus(int state);
    bool ResetRfIc();
    // The address the reader's network module reports to, first octet in the low byte.
    bool SetServerIpPort(std::uint32_t address, int port);
    bool GetServerIpPort(std::uint32_t* address, std::uint16_t* port);
    // output[0-7] := the two configuration words. size at least 8.
    bool GetMcuConfig(std::uint8_t* output, int size);
    // output[0-3] := the option word. size at least 4.
    bool GetIspOption(std::uint8_t* output, int size);
    // Sends the whole data (length at least 4).
    bool SetIspOption(const std::uint8_t* data, int length);
    // Mode 0 reads, 1 writes the RF chip register. Returns the register's value, 0 on failure.
    std::uint8_t ReadWriteRfRegister(int mode, int reg, int value);
    // The 12-byte parameter block of one of the MCU's UARTs.
    bool SetMcuUartParam(const std::uint8_t* block);
    // Data (1-124 bytes) out through the MCU's UART uart.
    bool SendCommand2McuUart(std::uint32_t uart, const std::uint8_t* data, int length);
    // At most *length bytes of what the UART received; *length := the count copied.
    bool ReceiveResultOfMcuUart(std::uint32_t uart, std::uint8_t* output, int* length);
    bool SetAppConfig(const KorviCardAppConfig* config);
    bool GetAppConfig(KorviCardAppConfig* config);
    // The reader's second, 48-byte configuration block.
    bool SetAppConfigE2s(const std::uint8_t* block);
    bool GetAppConfigE2s(std::uint8_t* block);
    // text: the relay password, its first 16 bytes sent zero-padded.
    bool SetRelayStatus(int relay, int status, const char* text);
    bool GetRelayStatus(int relay, std::uint8_t* status);
    // Start-up states (16 bytes), password block (16 bytes) and restore time of the relays.
    bool SetRelayInitStatus(const std::uint8_t* states, const std::uint8_t* password,
                            std::uint32_t value);
    bool GetRelayInitStatus(std::uint8_t* states, std::uint8_t* password, std::uint32_t* value);
    bool GetChargeVoltage(float* voltage);
    bool GetChargeStatus(std::uint8_t* status);
    bool SetChargeCurrent(std::int32_t current);
    bool GetChargeCurrent(std::int32_t* current);
    bool GetUsbCharge(std::int32_t* value);
    bool ResetMcu();
    bool SetMcuBkp(int value);
    bool GetMcuDebugBkp(std::uint32_t* value);
    // The firmware's build-time text, cut to size - 1 bytes and terminated. size at least 32.
    bool GetFirewareBuildTime(char* text, int size);
    // A PS/2 set 2 make code (1 or 2 bytes; E0 12 E0 7C Print Screen; the 8 bytes of Pause)
    // played with its break code. *result := the reader's answer.
    bool SendPs2Key(const std::uint8_t* keys, int length, std::uint32_t* result);
    // Key index (0-48) of the lottery-terminal keyboard; another index sets *result to 255.
    bool SendTiCaiKey(int index, std::uint32_t* result);

    // --- M100 UHF module (m100_uhf.cpp) --------------------------------------------------------
    //
    // Module frames travel as the payload of reader command 30 (1000 ms), every command as a
    // command frame (type 0); the module's answer is the frame at the start of the reply
    // payload. An answer that is there must be a whole frame: a truncated one fails with
    // code 3, a wrong header, checksum or end byte with code 5. "Echo": an answer whose
    // command byte is not the command sent fails with M100ReplyError's code (32 no tag, else
    // 1); the other commands fail so only on a response to another command (the module's
    // error answer) and take notices. Getters need the values they read: an answer without
    // them fails with code 3, outputs untouched. Null pointers, short buffers and counts out
    // of range fail at once, with nothing sent and the error code untouched; a byte argument
    // outside 0-255 or a 16-bit one outside 0-65535 fails with nothing sent and code 2.
    // 16-bit values go big-endian.

    // Builds the frame and runs one request and reply of command 30 (error code 1 first).
    // False also when the frame cannot be built.
    bool SendM100Command(std::uint8_t type, std::uint8_t command, unsigned parameterLength,
                         const std::uint8_t* parameters);
    // Info type 0 hardware, 1 software, 2 manufacturer: the text after the answer's first
    // parameter, cut to size - 1 bytes and terminated. Echo. size at least 1.
    bool GetUhfFwVersion(int infoType, char* output, int size);
    // One inventory round: the tag notices that follow the command, each into the next
    // record of uhfInventory; *count := the records filled. True as soon as 50 are stored,
    // or when the replies stop after at least one; a module error answer fails (code 32
    // when no tag answered). A notice that is not a whole frame, or whose EPC does not fit
    // a record, is skipped; when nothing was stored its code (3 or 5) is the result's.
    bool M100Inventory(int* count);
    // *record := uhfInventory[index]; index 0-49.
    bool M100UhfGetInventoryStruct(int index, M100UhfInventoryStruct* record);
    // One poll of the multiple inventory: RSSI, PC and EPC of the first tag notice;
    // *length := the EPC bytes. size at least 32; an EPC longer than size fails (code 1).
    bool M100UhfReadMulti(std::uint8_t* rssi, std::uint16_t* pc, std::uint8_t* epc, int size,
                          int* length);
    bool M100UhfStopMulti();
    // Mask: maskSize (0-32) bytes. Echo.
    bool M100UhfSetSelectParameter(int selParam, std::uint32_t pointer, int maskLength,
                                   int truncate, const std::uint8_t* mask, int maskSize);
    bool M100UhfSetInventoryMode(int mode);
    // count (0-32) words of bank (a byte) from word start (0-65535): output := the data after the
    // answer's UL, PC and EPC; *length: room in output (at least 2 x count), then the bytes
    // stored. Echo.
    bool M100UhfReadData(std::uint32_t password, int bank, int start, int count,
                         std::uint8_t* output, int* length);
    // count (0-16: the command's parameters take at most 41 bytes) words of data; *length:
    // the bytes in data (at least 2 x count), then the bytes written. Echo.
    bool M100UhfWriteData(std::uint32_t password, int bank, int start, int count,
                          const std::uint8_t* data, int* length);
    // The 3-byte lock payload; size must be 3. Echo.
    bool M100UhfLockUnLock(std::uint32_t password, const std::uint8_t* payload, int size);
    // Echo.
    bool M100UhfKill(std::uint32_t password);
    bool M100UhfGetQueryParamter(std::uint16_t* value);
    bool M100UhfSetQueryParamter(int value);
    bool M100UhfSetRegion(int region);
    bool M100UhfSetRfChannel(int channel);
    bool M100UhfGetRfChannel(std::uint8_t* channel);
    // 0xFF on, 0x00 off.
    bool M100UhfSetFHSS(int on);
    bool M100UhfGetPower(std::uint16_t* power);
    bool M100UhfSetPower(int power);
    bool M100UhfSetCW(int on);
    bool M100UhfReadModemParameter(std::uint8_t* mixerGain, std::uint8_t* ifGain,
                                   std::uint16_t* threshold);
    bool M100UhfSetModemParameter(int mixerGain, int ifGain, int threshold);
    // *start, *end := the answer's first two parameters; output := the values after them
    // when they fit *length (else false, code 1); *length := their count. Echo.
    bool M100UhfScanJammer(std::uint8_t* start, std::uint8_t* end, std::uint8_t* output,
                           int* length);
    bool M100UhfScanRssi(std::uint8_t* start, std::uint8_t* end, std::uint8_t* output,
                         int* length);

    static constexpr int kM100InventorySlots = 50;
    // Tags of the last inventory (zeroed at its start) and the records it filled.
    std::array<M100UhfInventoryStruct, kM100InventorySlots> uhfInventory{};
    int uhfInventoryCount = 0;

    // --- Identity card through the SAMV module (samv_module.cpp) ---------------------------
    //
    // Reader command 38 passes a frame to the module's UART, 246 tells how many answer bytes
    // the reader holds from it, 40 reads them from an offset (at most 240 a read). Common
    // exchange, 1000 ms unless stated; a null pointer fails at once with nothing sent.

    // Reads text, photo and fingerprint of the card on the module into the record. The
    // identity-card code tells the step that failed (SamvReadErrorCode), 0 on success; the
    // record is written only on success. An answer must be 1295 bytes (no fingerprint) or
    // 1297 to 2321 bytes (fingerprint of at most 1024 bytes).
    bool GetTwoIdInfo(TwoIdInfoParam* record);
    // The unCosSendBufferLength (at most 256) bytes of arrCosSendBuffer to the module, then
    // up to three polls a second apart for at least 7 answer bytes; arrCosResultBuffer := the
    // first min(held, 240) of them, unCosReultBufferLength := their count. Identity-card
    // codes 65 (a poll failed), 66 (fewer than 7 bytes held), 59 (the read failed).
    bool SendSamvCommand(KorviCardParam* record);
    // Command 39: the unCosSendBufferLength (at most 256) bytes of arrCosSendBuffer;
    // arrCosResultBuffer := the reply.
    bool SendCosResult2Samv(KorviCardParam* record);
    // The first 40 held bytes; arrCosResultBuffer := the reply.
    bool GetSamvUartData(KorviCardParam* record);
    // Command 239 (2000 ms). *length: room in buffer (at least 32), set to 0 first, then to
    // the bytes stored.
    bool GetSdtCmd(std::uint8_t* buffer, int* length);
    // Command 240 (2000 ms).
    bool ClearSdtCmd();
    // A tag of 0 fails with nothing sent.
    bool SetSamvResultTag(std::int32_t tag);
    // *status := reply bytes 0-3; a shorter reply fails with code 3.
    bool GetSamvPowerStatus(std::int32_t* status);
    bool SetSamvPowerStatus(std::int32_t status);
    // arrCosResultBuffer := the module's last APDU, or the answer to it.
    bool GetSamvLastApdu(KorviCardParam* record);
    bool GetSamvLastApduResult(KorviCardParam* record);
    // The JPEG flag := (flag == 1).
    bool SaveSamvResult2JpegBuffer(int flag);

    // --- Identity-card server box commands (two_id_server_commands.cpp) --------------------
    // One TCP exchange each with the box at host (dotted IPv4 text) and port. Commands that
    // return bool give true when a reply arrived; those returning int give -1 for a missing or
    // too small output argument (checked before anything is sent) or a failed exchange, 0 for
    // a host that is not a dotted address, else the count of bytes copied, or 1. An answer
    // longer than the caller's buffer fails (false or -1) with the command's error code, the
    // buffer holding what fits.
    bool GetSamvCheckStatusByServer(const char* host, int port);
    // text := "%02d.%02u-%08u-%010u-%010u" of a 27-byte answer when size exceeds 36.
    bool GetSamvManagerMessageByServer(const char* host, int port, char* text, int size);
    // The answer into buffer when buffer is not null.
    bool GetSamvWaitTimeByInterval(const char* host, int port, std::uint8_t* buffer, int size);
    // A null or empty host means the address stored by SetIdServerAddress.
    bool GetSamvLastErrorInfo(const char* host, int port, SamvLastErrorInfo* record);
    bool GetSamvSendReceivTimeInfo(const char* host, int port, SamvTimeInfoEntry* items,
                                   int count);
    int ResetPsamByServer(const char* host, int port, std::uint8_t* buffer, int size);
    // Sends length bytes of buffer; the answer comes back into buffer (at most size bytes).
    int PsamCommandByServer(const char* host, int port, std::uint8_t* buffer, int length,
                            int size);
    int GetTwoIdServerMacAddress(const char* host, int port, std::uint8_t* buffer, int size);
    int GetTwoIdServerMcuSerialNo(const char* host, int port, std::uint8_t* buffer, int size);
    int SetTwoIdServerAppConfig(const char* host, int port, KorviCardAppConfig* config);
    int GetTwoIdServerAppConfig(const char* host, int port, KorviCardAppConfig* config);
    int ClearTwoIdServerAppConfig(const char* host, int port, KorviCardAppConfig* config);
    // Passwords: texts of at most 16 characters, sent zero-padded to 16 bytes each.
    int ChangeTwoIdServerAppConfigPassword(const char* host, int port, const char* oldPassword,
                                           const char* newPassword);
    int PowerOnOffOtherDevice(const char* host, int port, int value, const std::uint8_t* block);
    int SamvLedOnOff(const char* host, int port, int value);
    // Always false: the box offers no remote reset.
    bool ResetMcuByServer(const char* host, int port);
    // Clears the stored identity-server address, then stores host and port. Fails, storing
    // nothing, for a null host, port 0 or a host of more than 31 characters: a cut text could
    // read as an address it never was.
    bool SetIdServerAddress(const char* host, int port);
    // A buffer smaller than the 102 x 126 24-bit bitmap (38,862 bytes) is refused.
    bool SetIdPhotoAddress(std::uint8_t* buffer, int size, std::uint8_t flag);
    void SetPhoneIdentity(const std::uint8_t* block);
    // Sends the record's raw photo to the photo decoder server at host (dotted IPv4, a host
    // name, or empty for the build's default) and stores the JPEG it returns in the record.
    // Identity-card codes 53 (name not resolved) and 33 (connect failed).
    bool WlDecodeByServer(const char* host, TwoIdInfoParam* record);

    // Identity-server address (at most 31 characters, terminated) and port.
    std::array<char, 32> idServerAddress{};
    int idServerPort = 0;
    static constexpr std::size_t kPhoneIdentitySize = 160;
    std::array<std::uint8_t, kPhoneIdentitySize> phoneIdentity{};

    // --- Identity card through the dispatch server (dispatch_server_flow.cpp) -------------
    //
    // The card's security exchange relayed, command by command, between the card in the
    // field and an identity server. Every flow returns true when the record was filled; the
    // identity-card code tells the step that failed. A null host or a zero port fails at once.

    // Stores host (at most 31 characters) with port 31213; card session; plain relay with a
    // 10-second connect time-out.
    bool GetTwoIdInfoByServer(const char* host, TwoIdInfoParam* record);
    bool GetTwoIdInfoByServerEx(const char* host, int port, TwoIdInfoParam* record,
                                int timeoutSeconds);
    // The relay, then, when it failed after the card files began to move, the fall-backs:
    // the whole card file buffer in one message (62, or 11 in alternative mode), else the
    // server driving the card directly (63 / 12).
    bool GetTwoIdInfoByWireless(const char* host, int port, TwoIdInfoParam* record,
                                int timeoutSeconds, bool alternative);
    // As GetTwoIdInfoByWireless, the server's PSAM unlocked first when its status asks
    // for it (70, 68, 69), the relay then started with 71 (78 in alternative mode).
    bool GetTwoIdInfoByPsamServer(const char* host, int port, TwoIdInfoParam* record,
                                  int timeoutSeconds, bool alternative);
    // Dispatch request (command 58) to dispatchHost on port 31213, relay through the
    // decoder server it assigns (alternative mode with fingerprint when alternative is set),
    // then the result report (command 72), whatever the relay's outcome.
    bool GetTwoIdInfoByMcuServer(const char* dispatchHost, const std::uint32_t* dispatchValue,
                                 const char* account, TwoIdInfoParam* record,
                                 std::uint32_t firstRequest, std::uint32_t secondRequest,
                                 int timeoutSeconds, bool alternative);
    // The card identifier / DN as lower-case hex; size above 31 / 63 and at least twice the
    // data length.
    bool GetTwoGenerationIDCardNo(char* text, int size);
    bool GetTwoGenerationIDDnNo(char* text, int size);

    static constexpr std::size_t kCardFileBufferSize = 2552;
    static constexpr std::size_t kFirstFileSize = 128;
    std::array<std::uint8_t, 32> cardIdentifier{};
    std::size_t cardIdentifierLength = 0;
    std::array<std::uint8_t, 8> cardChallenge{};
    std::array<std::uint8_t, kFirstFileSize> firstFile{};
    std::size_t firstFileLength = 0;
    std::array<std::uint8_t, kCardFileBufferSize> cardFileBuffer{};
    bool relayComplete = false;
    bool relayStarted = false;
    int relayDetail = 0;
    // Bytes 8..41 of the last dispatch answer.
    std::array<std::uint8_t, 34> dispatchBlock{};
    std::size_t dispatchBlockLength = 0;

private:
    bool StartCardSession();
    // The command to the card (with the ID callback); true when it ends in 90 00.
    bool RelayCardCommand(std::uint8_t mode, const std::uint8_t* apdu, std::size_t length,
                          KorviCardParamLong* record);
    bool ChunkRelay(std::uint8_t type, std::size_t total, bool send);
    bool RelayThroughIdServer(const char* host, int port, TwoIdInfoParam* record,
                              int connectSeconds, bool alternative, bool psam);
    // Codes 40, 41, 42.
    bool PsamPreamble(TwoIdInfoParam* record);
    bool RelayWithFallBacks(const char* host, int port, TwoIdInfoParam* record,
                            int timeoutSeconds, bool alternative, bool psam);
    bool ReadRelayResult(TwoIdInfoParam* record, bool alternative);
    // Receives the server's command for the card, passes it on and sends the card's answer
    // back as command 2 (codes 13, 25, 14, 15).
    bool RelayInternalAuthentication(TwoIdInfoParam* record);
    bool FallBack(const char* host, int port, TwoIdInfoParam* record, std::uint8_t command,
                  bool withFiles);
    bool RunFallBacks(const char* host, int port, TwoIdInfoParam* record, bool alternative);
    bool SendFlowMessage(std::uint8_t command, const std::uint8_t* key,
                         const std::uint8_t* payload, std::size_t length);
    bool ReceiveFlowReply(std::size_t room, std::int32_t* status, std::size_t* length,
                          TwoIdInfoParam* record);
    bool RequestDispatch(const char* host, std::uint32_t dispatchValue, const char* account,
                         std::uint32_t firstRequest, std::uint32_t secondRequest,
                         char* assigned, std::size_t assignedSize, int* port);
    void ReportToDispatch(const char* host, std::uint32_t dispatchValue, const char* account,
                          const TwoIdInfoParam& record, const char* assigned, int port);
    // The prefix of a dispatch payload: device number and MCU serial texts, when readable.
    void ReaderIdentityTexts(std::uint8_t* deviceNumber, std::uint8_t* mcuSerial);

public:

private:
    // One administrative exchange with the box: connect, send command and payload, receive
    // the reply payload into serverBuffer. Returns its length, kServerNotDotted or
    // kServerFailed; sets the identity-card error code as the exchange fails.
    static constexpr int kServerNotDotted = -2;
    static constexpr int kServerFailed = -1;
    int ServerExchange(const char* host, int port, std::uint8_t command,
                       const std::uint8_t* payload, std::size_t payloadLength, int failCode);
    // ServerExchange, then the reply payload into out: its length, or 0 for a host that is not
    // a dotted address, -1 for a failed exchange or a payload longer than room (failCode set,
    // the first room bytes copied).
    int ServerExchangeInto(const char* host, int port, std::uint8_t command,
                           const std::uint8_t* payload, std::size_t payloadLength, int failCode,
                           std::uint8_t* out, std::size_t room);

private:
    // Size of a request's first packet on the current route.
    std::size_t PacketSize() const;
    // The time a reply is awaited: the command's time-out or the open time-out if longer.
    int ReplyWaitMs(int timeout) const;
    bool WriteByCallback(int handle, const std::uint8_t* buffer, int size);
    bool ReadByCallback(int handle, std::uint8_t* buffer, int size, int timeout);
    // Reads length byte and body from a byte-stream route into replyFrame: readSome waits
    // for the length byte (the transport takes in what has arrived with it), read takes the
    // body. Sets code 3 or 4.
    template <class ReadSome, class ReadBytes>
    bool ReadStreamReply(ReadSome&& readSome, ReadBytes&& read);
    // Checks, descrambles and accepts the reply in replyFrame.
    bool AcceptReply();

    std::unique_ptr<SerialTransportBase> serialTransport;
    std::unique_ptr<HidTransportBase> hidTransport;
    std::unique_ptr<TcpClient> tcpTransport;
    std::array<std::uint8_t, kFrameBufferSize> requestFrame{};
    std::size_t requestFrameLength = 0;
    std::array<std::uint8_t, kFrameBufferSize> replyFrame{};
    std::size_t replyPayloadLength = 0;
    std::uint8_t sequence = 0;
    int handleId = 0;
    ExtendReadWriteCallBack extendReadWrite = nullptr;
    IdDeviceExtendReadWriteCallBack idDeviceExtendReadWrite = nullptr;
    IdCallBack idCallBack = nullptr;
    int lastError = 0;
    int lastTwoIdError = 0;
    int openTimeout = 0;
    std::string readerName;

public:
    // --- Working storage of the command families -------------------------------------------

    // Card type of the card last requested.
    std::int32_t cardType = 0;
    // Keep the identity-card result as JPEG.
    std::uint8_t jpegResultFlag = 0;
    // Identity photo buffer registered by the caller; kept for the caller, never read.
    std::uint8_t* idPhotoBuffer = nullptr;
    std::int32_t idPhotoBufferSize = 0;
    std::uint8_t idPhotoFlag = 1;
    // Last dispatch-server error text (at most 79 characters), NUL-terminated.
    std::array<char, 80> dispatchErrorText{};
    // The report block of the identity-card flows, allocated on first use.
    std::unique_ptr<std::uint8_t[]> workBuffer;
    // Connection to the identity-card servers and its receive buffer.
    TcpClient serverClient;
    std::array<std::uint8_t, 8192> serverBuffer{};
    // Contents of the configuration file, read at every open; nothing interprets them.
    std::array<std::uint8_t, kConfigBlockSize> configBlock{};
};
