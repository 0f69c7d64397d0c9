// The card tests of the other-API page: text storage, bank card number and physical card
// number.

#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <vector>

#include "testbench/core/bench_context.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/pages/other_api_frame.h"
#include "testbench/pages/other_api_tools.h"

namespace bench {

namespace {

constexpr int kTextSector = 1;
constexpr int kTextFirstPage = 4;
constexpr int kReadTextSize = 1024;
constexpr int kBankNumberSize = 32;

}  // namespace

void OtherApiTools::TextStorage(bool write) {
    QByteArray text;
    if (write) {
        const std::optional<QByteArray> gbk = ToGbk(edtTestText->text());
        if (!gbk) {
            mmOtherApiLog.AddLog(QStringLiteral("文本含有GBK以外的字符，未写入"));
            return;
        }
        text = *gbk;
    }
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true, 0, 'A'));
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardRequest(h, 0x26, &p), QStringLiteral("调用KorviCardRequest失败!"))) {
        return;
    }
    run.Log(QStringLiteral("卡型：") + HexDigits(static_cast<std::uint16_t>(p.nCardType), 4));
    if (!run.Expect(KorviCardAnticoll(h, &p), QStringLiteral("调用KorviCardAnticoll失败!"))) {
        return;
    }
    LogCardNumberWide(mmOtherApiLog, p, 7);
    const QString failure = write ? QStringLiteral("调用KorviCardWriteText失败!")
                                  : QStringLiteral("调用KorviCardReadText失败!");
    int start = 0;
    if (p.nCardType == 4 || p.nCardType == 2) {
        if (!run.Check(QStringLiteral("KorviCardSelect"), KorviCardSelect(h, &p))) return;
        SetTransportKey(p);
        if (!run.Check(QStringLiteral("KorviCardLoadKey"),
                       KorviCardLoadKey(h, 0x60, kTextSector, &p),
                       QStringLiteral("装载密码成功！")) ||
            !run.Check(QStringLiteral("KorviCardAuthentication"),
                       KorviCardAuthentication(h, 0x60, kTextSector, &p),
                       QStringLiteral("验证密码成功！"))) {
            return;
        }
        start = kTextSector;
    } else if (p.nCardType == 0x44) {
        start = kTextFirstPage;
    } else {
        run.Fail(failure);
        return;
    }
    if (write) {
        if (!run.Check(
                QStringLiteral("KorviCardWriteText"),
                KorviCardWriteText(h, start, text.constData(), static_cast<int>(text.size())))) {
            return;
        }
    } else {
        std::vector<char> buffer(kReadTextSize);
        if (!run.Check(QStringLiteral("KorviCardReadText"),
                       KorviCardReadText(h, start, buffer.data(), kReadTextSize))) {
            return;
        }
        edtTestText->setText(FromGbk(buffer.data(), buffer.size()).trimmed());
    }
    run.Succeed();
}

void OtherApiTools::btnWriteTextClick() { TextStorage(true); }
void OtherApiTools::btnReadTextClick() { TextStorage(false); }

void OtherApiTools::btnGetBankCardNoClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(btnGetBankCardNo, true, 0, 'A'));
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNo(h, 0x52, &p),
                    QStringLiteral("调用KorviCardGetCardNo失败!")) ||
        !run.Check(QStringLiteral("KorviCardResetCpuCard"),
                   KorviCardResetCpuCardNoGetCardNo(h, &p))) {
        return;
    }
    run.Log(QStringLiteral("ATS：") + ArrBufferHex(p));
    // The reader is closed after the number call whatever it answers.
    run.SetReaderAtEnd(ReaderAtEnd::kClose);
    std::array<char, kBankNumberSize> number{};
    if (!run.Expect(KorviCardGetBankCardNo(h, number.data(), kBankNumberSize),
                    QStringLiteral("调用KorviCardGetBankCardNo失败!"))) {
        return;
    }
    run.Log(QStringLiteral("银行卡号：") + FromGbk(number.data(), number.size()));
    run.Succeed();
}

void OtherApiTools::btnGetCardIdClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(btnGetCardId, true, 0, 'A'));
    if (!run.Begin()) return;
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNo(run.handle(), 0x26, &p),
                    QStringLiteral("调用KorviCardGetCardNo失败!"))) {
        return;
    }
    if ((p.nCardType & 0xC0) == 0x40) {
        // A double-size UID: seven bytes, the first one most significant.
        std::uint64_t n = 0;
        for (int i = 0; i < 7; ++i) n = n << 8 | p.arrCardNo[i];
        run.Log(QStringLiteral("卡号(16进制)：") + HexDigits(n, 14));
        run.Log(QStringLiteral("卡号(10进制)：") + QString::number(n));
    } else {
        LogCardNumber32(mmOtherApiLog, p);
    }
    run.Succeed();
}

}  // namespace bench
