#pragma once

#include <cstdint>

// Last reader error of a session. The reader's own code (reply byte 4) is
// stored as it arrives, so a session may hold values outside this list.
// Code 21 has no name of its own: its look-up answers the name of code 20.
enum ReaderErrorCode : std::int32_t {
    LCEC_OK = 0,
    LCEC_UNKNOWN = 1,
    LCEC_SEND_FALSE = 2,
    LCEC_RECV_TIME_OUT = 3,
    LCEC_RECV_ZERO_LEN = 4,
    LCEC_RECV_CRC_FALSE = 5,
    LCEC_REQUEST = 6,
    LCEC_ANTICOLL = 7,
    LCEC_SELECT = 8,
    LCEC_AUTHENTICATION = 9,
    LCEC_HALT = 10,
    LCEC_READ = 11,
    LCEC_WRITE = 12,
    LCEC_INCREMENT = 13,
    LCEC_DECREMENT = 14,
    LCEC_LOADKEY = 15,
    LCEC_BEEP = 16,
    LCEC_RESTORE = 17,
    LCEC_TRANSFER = 18,
    LCEC_SEND_COMMAND = 19,
    LCEC_WIFI_SCANAP_BEGIN = 20,
    LCEC_WIFI_SCANAP_RESULT = 22,
    LCEC_WIFI_GET_STAINFO = 23,
    LCEC_WIFI_SET_STAINFO = 24,
    LCEC_WIFI_GET_MODE = 25,
    LCEC_WIFI_SET_MODE = 26,
    LCEC_WIFI_RESET = 27,
    LCEC_M100_INVENTORY_FAIL = 32,
};

// Last identity-card error of a session. Codes 54 and above (1000: a read
// still in progress) are set by the identity-card flows but have no name.
enum TwoIdErrorCode : std::int32_t {
    TIEC_NO_ERROR = 0,
    TIEC_IPADDRESS = 1,
    TIEC_REQUESTB = 2,
    TIEC_SELECTB = 3,
    TIEC_GET_NO = 4,
    TIEC_GET_NO_RESULT = 5,
    TIEC_GET_NO_OTHER = 6,
    TIEC_GET_RANDOM = 7,
    TIEC_GET_RANDOM_RESULT = 8,
    TIEC_SELECT_FIRST_FILE = 9,
    TIEC_SELECT_FIRST_FILE_RESULT = 10,
    TIEC_READ_FIRST_FILE = 11,
    TIEC_READ_FIRST_FILE_RESULT = 12,
    TIEC_RECEIVE_INTERNAL_AUTHENTICATE = 13,
    TIEC_EXEC_INTERNAL_AUTHENTICATE = 14,
    TIEC_SEND_INTERNAL_AUTHENTICATE = 15,
    TIEC_EXEC_GET_RANDOM = 16,
    TIEC_SEND_RANDOM = 17,
    TIEC_RECEIVE_EXTERNAL_AUTHENTICATE = 18,
    TIEC_EXEC_EXTERNAL_AUTHENTICATE = 19,
    TIEC_READ_SEND_SECOND_FILE = 20,
    TIEC_READ_SEND_THIRD_FILE = 21,
    TIEC_READ_SEND_FOURTH_FILE = 22,
    TIEC_RECEIVE_LAST_DATA = 23,
    TIEC_CONNECT_SERVER = 24,
    TIEC_SAMV_BUSY = 25,
    TIEC_READ_SEND_FIFTH_FILE = 26,
    TIEC_DATA_EMPTY = 27,
    TIEC_MCU_RESET_ERROR = 28,
    TIEC_SAMV_RESET_ERROR = 29,
    TIEC_SAMV_MANAGER_MESSAGE = 30,
    TIEC_GET_SAMV_IP_PORT = 31,
    TIEC_GET_SAMV_LAST_ERROR = 32,
    TIEC_CONNECT_WL_DECODER_SERVER = 33,
    TIEC_CONNECT_DISPATCH_SERVER = 34,
    TIEC_SEND_COS_FALSE = 35,
    TIEC_ZERO_DATA = 36,
    TIEC_COS_RESULT_ERROR = 37,
    TIEC_SEND_NETWORK_ERROR = 38,
    TIEC_RESET_PSAM = 39,
    TIEC_QUERY_PSAM_STATUS = 40,
    TIEC_GET_PSAM_MFKEY = 41,
    TIEC_PROCESS_PSAM_VERIFY_LOCK_DATA = 42,
    TIEC_SEND_SAMV_DECODE_INFO = 43,
    TIEC_SET_APP_CONFIG = 44,
    TIEC_GET_APP_CONFIG = 45,
    TIEC_CLEAR_APP_CONFIG = 46,
    TIEC_CHANGE_APP_CONFIG_PASSWORD = 47,
    TIEC_POWER_ON_OFF = 48,
    TIEC_GET_ANDROID_PHONE_STATE = 49,
    TIEC_GET_ANDROID_PHONE_IMEI = 50,
    TIEC_GET_ANDROID_CONTEXT_NULL = 51,
    TIEC_LED_ON_OFF = 52,
    TIEC_DOMAIN_NAME_ERROR = 53,
};

// Identity-card codes of the read through the reader's SAMV module.
enum SamvReadErrorCode : std::int32_t {
    kSamvSendFailed = 58,       // the frame to the module did not go out
    kSamvReadFailed = 59,       // a read of the module's buffered bytes failed
    kSamvNoPreamble = 60,       // the answer does not start with the preamble
    kSamvShortChunk = 61,       // the first read of the answer is not a whole chunk
    kSamvCheckByte = 62,        // the answer's check byte is wrong
    kSamvNullRecord = 63,       // no record to fill
    kSamvPollFailed = 65,       // asking for the buffered count failed
    kSamvTimedOut = 66,         // the module did not deliver in time
    kSamvBadTotal = 67,         // the announced answer size has no room for the layout
    kSamvReadInProgress = 1000,
};

// Smallest buffer the name look-ups write into.
inline constexpr unsigned kErrorNameMinSize = 64;

// Writes the name of a reader error code, terminated: "ok" for 0, the LCEC_
// name otherwise, LCEC_UNKNOWN for codes without a name of their own. Writes
// nothing when buffer is null or size is below kErrorNameMinSize.
void GetErrorName(int code, char* buffer, unsigned size);

// Writes the TIEC_ name of codes 0 to 53, terminated. Writes nothing for any
// other code, or when buffer is null or size is below kErrorNameMinSize.
void GetTwoIdErrorName(int code, char* buffer, unsigned size);
