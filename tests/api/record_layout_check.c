/* Built as C: the public header must compile as C11, its records must have the
 * stated layout in a C compiler too, and the exports must link from C. */
#include <stdio.h>

#include "korvicard/KorviCardDriver.h"

struct layout_case {
    const char* what;
    size_t actual;
    size_t expected;
};

#define SIZE_CASE(type, bytes) {"sizeof " #type, sizeof(type), bytes}
#define OFFSET_CASE(type, field, at) {#type "." #field, offsetof(type, field), at}

static const struct layout_case cases[] = {
    SIZE_CASE(KorviCardParam, 672),
    OFFSET_CASE(KorviCardParam, nCardSize, 12),
    OFFSET_CASE(KorviCardParam, arrKeys, 84),
    OFFSET_CASE(KorviCardParam, arrCosResultBuffer, 152),
    OFFSET_CASE(KorviCardParam, unCosReultBufferLength, 408),
    OFFSET_CASE(KorviCardParam, arrCosSendBuffer, 412),
    OFFSET_CASE(KorviCardParam, unCosSendBufferLength, 668),
    SIZE_CASE(KorviCardParamLong, 1184),
    OFFSET_CASE(KorviCardParamLong, arrCosSendBufferMore, 672),
    SIZE_CASE(TwoIdInfoParam, 6440),
    OFFSET_CASE(TwoIdInfoParam, arrTwoIdNo, 122),
    OFFSET_CASE(TwoIdInfoParam, arrTwoIdNewAddress, 220),
    OFFSET_CASE(TwoIdInfoParam, unTwoIdFingerprintLength, 290),
    OFFSET_CASE(TwoIdInfoParam, arrTwoIdPhoto, 292),
    OFFSET_CASE(TwoIdInfoParam, arrTwoIdFingerprint, 1316),
    OFFSET_CASE(TwoIdInfoParam, arrTwoIdPhotoJpeg, 2340),
    OFFSET_CASE(TwoIdInfoParam, unTwoIdPhotoJpegLength, 6436),
    SIZE_CASE(KorviCardAppConfig, 120),
    OFFSET_CASE(KorviCardAppConfig, unSeverPort, 36),
    OFFSET_CASE(KorviCardAppConfig, arrDispatchUrl, 84),
    OFFSET_CASE(KorviCardAppConfig, arrDnsAddress, 116),
    SIZE_CASE(KorviCardSinopecRecordParam, 24),
    OFFSET_CASE(KorviCardSinopecRecordParam, ucTradeType, 9),
    OFFSET_CASE(KorviCardSinopecRecordParam, arrTradeTime, 20),
    SIZE_CASE(KorviCardSinopecCardParam, 416),
    OFFSET_CASE(KorviCardSinopecCardParam, nPinFalseCount, 28),
    OFFSET_CASE(KorviCardSinopecCardParam, arrSinopecRecord, 32),
    SIZE_CASE(SamvLastErrorInfo, 156),
    OFFSET_CASE(SamvLastErrorInfo, nExecResult, 132),
    OFFSET_CASE(SamvLastErrorInfo, llPreviousCommandTime, 140),
    OFFSET_CASE(SamvLastErrorInfo, llLastCommandTime, 148),
    SIZE_CASE(SamvTimeInfoEntry, 8),
    OFFSET_CASE(SamvTimeInfoEntry, unTimeStamp, 4),
};

int main(void) {
    int failed = 0;
    size_t i;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        if (cases[i].actual != cases[i].expected) {
            printf("%s is %zu, expected %zu\n", cases[i].what, cases[i].actual,
                   cases[i].expected);
            ++failed;
        }
    }
    if (KorviCardConnectTest(0) != 0 || ICC_Reader_GetStatus(0, 0) != 0) {
        printf("the status probe did not answer 0\n");
        ++failed;
    }
    if (failed == 0) {
        printf("record layout and C linkage hold\n");
    }
    return failed == 0 ? 0 : 1;
}
