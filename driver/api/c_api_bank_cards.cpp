#include "api/c_api_frame.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

// Exports of the bank, social-security and fuel-card reads: one operation each.

extern "C" int KORVICARD_CALL KorviCardGetBankCardNo(int handle, char* cardNo, int size) {
    return ForwardToReader(handle, [&](ReaderSession& s) { return s.GetBankCardNo(cardNo, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetBankCardNoBy7816(int handle, char* cardNo, int size) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetBankCardNoBy7816(cardNo, size); });
}

extern "C" int KORVICARD_CALL KorviCardGetSocialSecurityInfoBy7816(int handle,
                                                                   unsigned char* record) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetSocialSecurityInfoBy7816(record); });
}

extern "C" int KORVICARD_CALL KorviCardGetSocialSecurityInfo(int handle, int useContact,
                                                             unsigned char* record) {
    return ForwardToReader(
        handle, [&](ReaderSession& s) { return s.GetSocialSecurityInfo(useContact != 0, record); });
}

extern "C" int KORVICARD_CALL KorviCardGetSinopecCardInfo(int handle,
                                                          KorviCardSinopecCardParam* card,
                                                          const char* pin) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetSinopecCardInfo(card, pin); });
}

extern "C" int KORVICARD_CALL KorviCardGetPetroChinaCardInfo(int handle,
                                                             KorviCardSinopecCardParam* card,
                                                             const char* pin) {
    return ForwardToReader(handle,
                           [&](ReaderSession& s) { return s.GetPetroChinaCardInfo(card, pin); });
}
