#include "core/protocol/error_codes.h"

#include <cstring>
#include <iterator>

namespace {

constexpr const char* kReaderNames[] = {
    "ok",
    "LCEC_UNKNOWN",
    "LCEC_SEND_FALSE",
    "LCEC_RECV_TIME_OUT",
    "LCEC_RECV_ZERO_LEN",
    "LCEC_RECV_CRC_FALSE",
    "LCEC_REQUEST",
    "LCEC_ANTICOLL",
    "LCEC_SELECT",
    "LCEC_AUTHENTICATION",
    "LCEC_HALT",
    "LCEC_READ",
    "LCEC_WRITE",
    "LCEC_INCREMENT",
    "LCEC_DECREMENT",
    "LCEC_LOADKEY",
    "LCEC_BEEP",
    "LCEC_RESTORE",
    "LCEC_TRANSFER",
    "LCEC_SEND_COMMAND",
    "LCEC_WIFI_SCANAP_BEGIN",
    "LCEC_WIFI_SCANAP_BEGIN",  // 21 answers the name of 20
    "LCEC_WIFI_SCANAP_RESULT",
    "LCEC_WIFI_GET_STAINFO",
    "LCEC_WIFI_SET_STAINFO",
    "LCEC_WIFI_GET_MODE",
    "LCEC_WIFI_SET_MODE",
    "LCEC_WIFI_RESET",
};

constexpr const char* kTwoIdNames[] = {
    "TIEC_NO_ERROR",
    "TIEC_IPADDRESS",
    "TIEC_REQUESTB",
    "TIEC_SELECTB",
    "TIEC_GET_NO",
    "TIEC_GET_NO_RESULT",
    "TIEC_GET_NO_OTHER",
    "TIEC_GET_RANDOM",
    "TIEC_GET_RANDOM_RESULT",
    "TIEC_SELECT_FIRST_FILE",
    "TIEC_SELECT_FIRST_FILE_RESULT",
    "TIEC_READ_FIRST_FILE",
    "TIEC_READ_FIRST_FILE_RESULT",
    "TIEC_RECEIVE_INTERNAL_AUTHENTICATE",
    "TIEC_EXEC_INTERNAL_AUTHENTICATE",
    "TIEC_SEND_INTERNAL_AUTHENTICATE",
    "TIEC_EXEC_GET_RANDOM",
    "TIEC_SEND_RANDOM",
    "TIEC_RECEIVE_EXTERNAL_AUTHENTICATE",
    "TIEC_EXEC_EXTERNAL_AUTHENTICATE",
    "TIEC_READ_SEND_SECOND_FILE",
    "TIEC_READ_SEND_THIRD_FILE",
    "TIEC_READ_SEND_FOURTH_FILE",
    "TIEC_RECEIVE_LAST_DATA",
    "TIEC_CONNECT_SERVER",
    "TIEC_SAMV_BUSY",
    "TIEC_READ_SEND_FIFTH_FILE",
    "TIEC_DATA_EMPTY",
    "TIEC_MCU_RESET_ERROR",
    "TIEC_SAMV_RESET_ERROR",
    "TIEC_SAMV_MANAGER_MESSAGE",
    "TIEC_GET_SAMV_IP_PORT",
    "TIEC_GET_SAMV_LAST_ERROR",
    "TIEC_CONNECT_WL_DECODER_SERVER",
    "TIEC_CONNECT_DISPATCH_SERVER",
    "TIEC_SEND_COS_FALSE",
    "TIEC_ZERO_DATA",
    "TIEC_COS_RESULT_ERROR",
    "TIEC_SEND_NETWORK_ERROR",
    "TIEC_RESET_PSAM",
    "TIEC_QUERY_PSAM_STATUS",
    "TIEC_GET_PSAM_MFKEY",
    "TIEC_PROCESS_PSAM_VERIFY_LOCK_DATA",
    "TIEC_SEND_SAMV_DECODE_INFO",
    "TIEC_SET_APP_CONFIG",
    "TIEC_GET_APP_CONFIG",
    "TIEC_CLEAR_APP_CONFIG",
    "TIEC_CHANGE_APP_CONFIG_PASSWORD",
    "TIEC_POWER_ON_OFF",
    "TIEC_GET_ANDROID_PHONE_STATE",
    "TIEC_GET_ANDROID_PHONE_IMEI",
    "TIEC_GET_ANDROID_CONTEXT_NULL",
    "TIEC_LED_ON_OFF",
    "TIEC_DOMAIN_NAME_ERROR",
};
static_assert(std::size(kTwoIdNames) == TIEC_DOMAIN_NAME_ERROR + 1);

// Every name is far shorter than kErrorNameMinSize, so a copy always fits.
void CopyName(const char* name, char* buffer) { std::memcpy(buffer, name, std::strlen(name) + 1); }

bool BufferTooSmall(const char* buffer, unsigned size) {
    return buffer == nullptr || size < kErrorNameMinSize;
}

}  // namespace

void GetErrorName(int code, char* buffer, unsigned size) {
    if (BufferTooSmall(buffer, size)) return;
    const char* name = "LCEC_UNKNOWN";
    if (code >= 0 && code < static_cast<int>(std::size(kReaderNames))) {
        name = kReaderNames[code];
    } else if (code == LCEC_M100_INVENTORY_FAIL) {
        name = "LCEC_M100_INVENTORY_FAIL";
    }
    CopyName(name, buffer);
}

void GetTwoIdErrorName(int code, char* buffer, unsigned size) {
    if (BufferTooSmall(buffer, size)) return;
    if (code < 0 || code >= static_cast<int>(std::size(kTwoIdNames))) return;
    CopyName(kTwoIdNames[code], buffer);
}
