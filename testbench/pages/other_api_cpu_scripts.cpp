// The CPU-card scripts of the other-API page: the transit card's serial through the payment
// system environment, and the FM1208 personalisation test.

#include <QPushButton>
#include <array>
#include <cstring>

#include "testbench/core/apdu_text.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/pages/other_api_frame.h"
#include "testbench/pages/other_api_tools.h"

namespace bench {

namespace {

constexpr int kAnswerSize = 256;
constexpr int kTransitFileSfi = 4;
constexpr int kTripleDesResultSize = 128;
// The all-ones triple-DES key of the FM1208 script (16 bytes FF).
const QString kFm1208Key(32, QLatin1Char('F'));
const QString kStatusOk = QStringLiteral("9000");

// Reader rules of both scripts: the reader stays open at their ends.
HandlerRules ScriptRules(QAbstractButton* button) {
    HandlerRules rules = OtherApiRules(button, true, 0, 'A');
    rules.atNormalEnd = ReaderAtEnd::kKeepOpen;
    return rules;
}

// Card number read and CPU-card reset, the two first steps of both scripts. A failed number
// read closes the reader.
bool ResetCpuCard(HandlerRun& run, LogMemo& log) {
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNo(h, 0x52, &p),
                    QStringLiteral("调用KorviCardGetCardNo失败!"))) {
        run.SetReaderAtEnd(ReaderAtEnd::kClose);
        return false;
    }
    LogCardNumber32(log, p);
    if (!run.Check(QStringLiteral("KorviCardResetCpuCard"),
                   KorviCardResetCpuCardNoGetCardNo(h, &p))) {
        return false;
    }
    run.Log(QStringLiteral("ATS：") + ArrBufferHex(p));
    return true;
}

}  // namespace

void OtherApiTools::btnBeijingCardNoClick() {
    HandlerRun run(context_, mmOtherApiLog, ScriptRules(btnBeijingCardNo));
    if (!run.Begin() || !ResetCpuCard(run, mmOtherApiLog)) return;
    const int h = run.handle();
    std::array<std::uint8_t, kAnswerSize> answer{};
    int length = kAnswerSize;
    if (!run.Check(QStringLiteral("KorviCardCpuCardSelectByName"),
                   KorviCardCpuCardSelectByName(h, "1PAY.SYS.DDF01", answer.data(), &length))) {
        return;
    }
    run.Log(QStringLiteral("返回值：") + BoundedHex(answer.data(), answer.size(), length));
    answer.fill(0);
    length = kAnswerSize;
    if (!run.Check(QStringLiteral("KorviCardCpuCardReadBinary"),
                   KorviCardCpuCardReadBinary(h, kTransitFileSfi, answer.data(), &length))) {
        return;
    }
    const QString data = BoundedHex(answer.data(), answer.size(), length);
    run.Log(QStringLiteral("返回值：") + data);
    run.Log(QStringLiteral("卡片序号：") + data.left(16));
    KorviCardParam& p = run.Record();
    if (!run.Check(QStringLiteral("KorviCardDeselectCpuCard"), KorviCardDeselectCpuCard(h, &p))) {
        return;
    }
    run.Log(QStringLiteral("返回值：") + ArrBufferHex(p));
    run.Succeed();
}

bool OtherApiTools::Fm1208SendApdu(HandlerRun& run, const QString& apdu, QString& answer) {
    KorviCardParam& p = run.Record();
    constexpr qsizetype kRoom = sizeof p.arrCosSendBuffer;
    if (const qsizetype bytes = ApduByteCount(apdu); bytes > kRoom) {
        run.Fail(ApduTooLongLine(bytes, kRoom));
        return false;
    }
    int count = 0;
    HexToBytes(apdu, p.arrCosSendBuffer, static_cast<int>(apdu.size()), count);
    p.unCosSendBufferLength = static_cast<std::uint32_t>(count);
    p.nBufferSize = 0;
    run.Log(QStringLiteral("开始执行指令") + apdu);
    if (!run.Check(QStringLiteral("KorviCardSendCOSCommand"),
                   KorviCardSendCOSCommand(run.handle(), &p))) {
        return false;
    }
    answer =
        BoundedHex(p.arrCosResultBuffer, sizeof p.arrCosResultBuffer, p.unCosReultBufferLength);
    if (answer.size() > 4 && answer.endsWith(kStatusOk)) answer.chop(4);
    run.Log(QStringLiteral("指令") + apdu + QStringLiteral(" 执行结果") + answer);
    return true;
}

bool OtherApiTools::Fm1208ApduExpectOk(HandlerRun& run, const QString& apdu,
                                       const QString& message) {
    QString answer;
    if (Fm1208SendApdu(run, apdu, answer) && answer == kStatusOk) return true;
    run.Log(message);
    return false;
}

QString OtherApiTools::Fm1208TripleDes(HandlerRun& run, const QString& data, const QString& key) {
    run.Log(QStringLiteral("3Des参数:DATA:") + data + QStringLiteral("\r\n") + QString(28, ' ') +
            QStringLiteral("KEY:") + key);
    std::array<char, kTripleDesResultSize> result{};
    if (KorviCard3Des(data.toLatin1().constData(), key.toLatin1().constData(), result.data(),
                      kTripleDesResultSize, -1) == 0) {
        run.Log(QStringLiteral("3Des解密执行失败:"));
        return {};
    }
    const QString text = FromGbk(result.data(), result.size()).trimmed();
    run.Log(QStringLiteral("3Des解密结果:") + text);
    return text;
}

void OtherApiTools::btnTestFm1208Click() {
    HandlerRun run(context_, mmOtherApiLog, ScriptRules(btnTestFm1208));
    if (!run.Begin() || !ResetCpuCard(run, mmOtherApiLog)) return;
    QString answer;
    Fm1208SendApdu(run, QStringLiteral("00A40000023F00"), answer);
    if (Fm1208ApduExpectOk(run, QStringLiteral("800E000000"), QStringLiteral("清空卡片"))) {
        const char* personalisation[] = {
            "00A4000000",
            "80E00000073F005001F0FFFF",
            "80D401000D36F0F0FF33FFFFFFFFFFFFFFFF",
            "80D401001539F0F0AA88FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
        };
        for (const char* apdu : personalisation)
            Fm1208SendApdu(run, QString::fromLatin1(apdu), answer);
    } else {
        QString challenge;
        // Only a fresh answer of four bytes is a challenge.
        if (!Fm1208SendApdu(run, QStringLiteral("0084000004"), challenge) ||
            challenge.size() != 8) {
            run.Fail(QStringLiteral("取随机数失败，不执行外部认证"));
            return;
        }
        const QString cryptogram =
            Fm1208TripleDes(run, challenge + QStringLiteral("00000000"), kFm1208Key);
        if (cryptogram.isEmpty()) return;
        if (Fm1208SendApdu(run, QStringLiteral("0082000008") + cryptogram, answer) &&
            answer == QStringLiteral("6A88")) {
            run.Log(QStringLiteral("密钥未找到"));
        }
    }
    for (int i = 0; i < 2; ++i)
        Fm1208SendApdu(run, QStringLiteral("80E00001072A0213F000FFFF"), answer);
    run.Succeed();
}

}  // namespace bench
