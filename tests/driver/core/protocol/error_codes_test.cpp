#include "core/protocol/error_codes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string ReaderName(int code) {
    char buffer[64] = "untouched";
    GetErrorName(code, buffer, sizeof buffer);
    return buffer;
}

std::string TwoIdName(int code) {
    char buffer[64] = "untouched";
    GetTwoIdErrorName(code, buffer, sizeof buffer);
    return buffer;
}

}  // namespace

TEST(GetErrorName, EveryCodeOfTheTable) {
    const std::vector<std::string> named = {
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
        "LCEC_WIFI_SCANAP_BEGIN",
        "LCEC_WIFI_SCANAP_RESULT",
        "LCEC_WIFI_GET_STAINFO",
        "LCEC_WIFI_SET_STAINFO",
        "LCEC_WIFI_GET_MODE",
        "LCEC_WIFI_SET_MODE",
        "LCEC_WIFI_RESET",
    };
    for (int code = 0; code < static_cast<int>(named.size()); ++code) {
        EXPECT_EQ(ReaderName(code), named[code]) << "code " << code;
    }
    EXPECT_EQ(ReaderName(32), "LCEC_M100_INVENTORY_FAIL");
    // Codes without a name of their own, the reader's raw bytes among them.
    for (int code : {28, 29, 30, 31, 33, 100, 255, 256, -1, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(ReaderName(code), "LCEC_UNKNOWN") << "code " << code;
    }
}

TEST(GetErrorName, EnumeratorsMatchTheirNames) {
    EXPECT_EQ(ReaderName(LCEC_RECV_CRC_FALSE), "LCEC_RECV_CRC_FALSE");
    EXPECT_EQ(ReaderName(LCEC_WIFI_RESET), "LCEC_WIFI_RESET");
    EXPECT_EQ(ReaderName(LCEC_M100_INVENTORY_FAIL), "LCEC_M100_INVENTORY_FAIL");
    EXPECT_EQ(TwoIdName(TIEC_CONNECT_SERVER), "TIEC_CONNECT_SERVER");
    EXPECT_EQ(TwoIdName(TIEC_GET_ANDROID_PHONE_STATE), "TIEC_GET_ANDROID_PHONE_STATE");
}

TEST(GetTwoIdErrorName, EveryCodeOfTheTable) {
    const std::vector<std::string> named = {
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
    ASSERT_EQ(named.size(), 54u);
    for (int code = 0; code < 54; ++code) {
        EXPECT_EQ(TwoIdName(code), named[code]) << "code " << code;
    }
    // Codes the flows set that have no name leave the buffer as it was.
    for (int code : {54, 57, 58, 67, 68, 1000, -1}) {
        EXPECT_EQ(TwoIdName(code), "untouched") << "code " << code;
    }
}

TEST(ErrorNames, BuffersBelowSixtyFourBytesAreLeftAlone) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    GetErrorName(0, buffer, 63);
    GetTwoIdErrorName(TIEC_PROCESS_PSAM_VERIFY_LOCK_DATA, buffer, 63);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(64, 'x'));
    GetErrorName(0, nullptr, 64);
    GetTwoIdErrorName(0, nullptr, 64);
    // The longest name fits the smallest accepted buffer, terminator included.
    GetTwoIdErrorName(TIEC_PROCESS_PSAM_VERIFY_LOCK_DATA, buffer, 64);
    EXPECT_EQ(std::strlen(buffer), 34u);
}
