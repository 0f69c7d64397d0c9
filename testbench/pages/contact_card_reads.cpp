// The card reads of the contact page: bank card number, social-security records (contact
// and V3) and the two fuel cards.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cstring>

#include "testbench/core/gbk_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/money_format.h"
#include "testbench/pages/contact_card_page.h"
#include "testbench/pages/contact_card_rules.h"

namespace bench {

namespace {

constexpr int kBankNumberSize = 32;
constexpr int kFuelRecordsShown = 10;

// One text field of a record: label, offset and the width read (up to its first zero byte).
struct RecordField {
    const char* label;
    std::size_t offset;
    std::size_t width;
};

// The contact read's 216-byte record, in the order of the lines.
constexpr RecordField kContactFields[] = {
    {"社保卡号：", 0, 16}, {"社保号：", 48, 32},    {"姓名：", 16, 32},    {"性别：", 80, 8},
    {"民族：", 88, 32},    {"发卡日期：", 152, 32}, {"到期日：", 184, 32},
};

// The V3 read's 200-byte record, in the order of the lines.
constexpr RecordField kV3Fields[] = {
    {"社保卡号：", 168, 32},      {"发卡日期：", 104, 32}, {"到期日：", 136, 32},
    {"初始化机构编号：", 72, 32}, {"规范版本：", 68, 4},   {"卡的类别：", 64, 4},
    {"卡的识别码：", 0, 64},
};

QString FieldText(const std::uint8_t* record, const RecordField& field) {
    return FromGbk(reinterpret_cast<const char*>(record + field.offset), field.width);
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

template <std::size_t N>
QString Hex(const std::uint8_t (&bytes)[N]) {
    return BoundedHex(bytes, N, N);
}

}  // namespace

bool ContactCardPage::PowerOnAndReset(HandlerRun& run) {
    return run.Begin() && SetPower(run, true) && ResetStep(run);
}

void ContactCardPage::btnGetBankCardNoBy7816Click() {
    std::array<char, kBankNumberSize> number{};
    HandlerRun run(context_, *mmSamLog, ClosingRules(btnGetBankCardNoBy7816));
    if (!PowerOnAndReset(run)) return;
    if (!run.Expect(KorviCardGetBankCardNoBy7816(run.handle(), number.data(), kBankNumberSize),
                    QStringLiteral("调用KorviCardGetBankCardNoBy7816失败!"))) {
        return;
    }
    run.Log(QStringLiteral("银行卡号：") + FromGbk(number.data(), number.size()));
    run.Succeed();
}

void ContactCardPage::btnGetSSCCardInfoClick() {
    HandlerRun run(context_, *mmSamLog, ClosingRules(btnGetSSCCardInfo));
    if (!PowerOnAndReset(run)) return;
    std::array<std::uint8_t, 216> record{};
    if (!run.Expect(KorviCardGetSocialSecurityInfoBy7816(run.handle(), record.data()),
                    QStringLiteral("调用KorviCardGetSocialSecurityInfoBy7816失败!"))) {
        return;
    }
    for (const RecordField& field : kContactFields) {
        const QString text = FieldText(record.data(), field);
        const QString label = QString::fromUtf8(field.label);
        if (field.offset == 80) {
            run.Log(label +
                    (text == QStringLiteral("1") ? QStringLiteral("男") : QStringLiteral("女")));
        } else if (field.offset == 88) {
            run.Log(label + text + QStringLiteral("族"));
        } else {
            run.Log(label + text);
        }
    }
    run.Succeed();
}

void ContactCardPage::btnGetSSCCardInfoV3Click() {
    const bool contact = chkSSCCardUse7816->isChecked();
    HandlerRun run(context_, *mmSamLog, ClosingRules(btnGetSSCCardInfoV3));
    if (!run.Begin()) return;
    const int h = run.handle();
    if (contact) {
        if (!SetPower(run, true) || !ResetStep(run)) return;
    } else {
        KorviCardParam& p = run.Param();
        if (!run.EnsureCardType('A') ||
            !run.Expect(KorviCardGetCardNo(h, 0x52, &p),
                        QStringLiteral("调用KorviCardGetCardNo失败!")) ||
            !run.Check(QStringLiteral("KorviCardResetCpuCard"),
                       KorviCardResetCpuCardNoGetCardNo(h, &p))) {
            return;
        }
        run.Log(QStringLiteral("ATS：") +
                BoundedHex(p.arrBuffer, sizeof p.arrBuffer, p.nBufferSize));
    }
    std::array<std::uint8_t, 200> record{};
    if (!run.Expect(KorviCardGetSocialSecurityInfo(h, contact ? -1 : 0, record.data()),
                    QStringLiteral("调用KorviCardGetSocialSecurityInfo失败!"))) {
        return;
    }
    for (const RecordField& field : kV3Fields) {
        run.Log(QString::fromUtf8(field.label) + FieldText(record.data(), field));
    }
    run.Succeed();
}

void ContactCardPage::LogFuelCard(const KorviCardSinopecCardParam& card, bool sinopec) {
    LogMemo& log = *mmSamLog;
    log.AddLog(QStringLiteral("卡号") + (sinopec ? BoundedHex(card.arrCardNo, 16, 11).mid(3)
                                                 : BoundedHex(card.arrCardNo, 16, 8)));
    log.AddLog(QStringLiteral("签发日期") + Hex(card.arrSignedDate));
    log.AddLog(QStringLiteral("到期日期") + Hex(card.arrValidityEndDate));
    log.AddLog(QStringLiteral("卡片余额") + (sinopec && card.nCardBalance == 0
                                                 ? QStringLiteral("0.00")
                                                 : FormatCents(card.nCardBalance)));
    for (int i = 0; i < kFuelRecordsShown; ++i) {
        const KorviCardSinopecRecordParam& record = card.arrSinopecRecord[i];
        const std::uint32_t amount = BigEndian32(record.arrTradeAmount);
        if (amount == 0) break;
        log.AddLog(QStringLiteral("交易记录") + QString::number(i) + QStringLiteral("类型") +
                   BoundedHex(&record.ucTradeType, 1, 1) + QStringLiteral("日期") +
                   Hex(record.arrTradeDate) + QStringLiteral("时间") + Hex(record.arrTradeTime) +
                   QStringLiteral("交易金额") + FormatCents(amount) + QStringLiteral("终端号") +
                   Hex(record.arrTradeTerminalNo));
    }
}

void ContactCardPage::ReadFuelCard(bool sinopec) {
    const QByteArray pin = edtCardPassword->text().toLatin1();
    HandlerRun run(context_, *mmSamLog,
                   {.timeoutMs = 2000,
                    .beep = false,
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    KorviCardSinopecCardParam card;
    std::memset(&card, 0, sizeof card);
    const auto read = sinopec ? KorviCardGetSinopecCardInfo : KorviCardGetPetroChinaCardInfo;
    if (!run.Check(sinopec ? QStringLiteral("KorviCardGetSinopecCardInfo")
                           : QStringLiteral("KorviCardGetPetroChinaCardInfo"),
                   read(run.handle(), &card, pin.constData()))) {
        if (card.nPinFalseCount >= 1) {
            run.Log(QStringLiteral("PIN计数") + QString::number(card.nPinFalseCount));
        } else if (sinopec) {
            run.Log(QStringLiteral("PIN密钥被锁死"));
        }
        return;
    }
    LogFuelCard(card, sinopec);
    run.Succeed();
}

void ContactCardPage::btnSinopecClick() { ReadFuelCard(true); }
void ContactCardPage::btnPetroChinaClick() { ReadFuelCard(false); }

}  // namespace bench
