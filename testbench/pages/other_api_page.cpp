#include "testbench/pages/other_api_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "testbench/core/bench_context.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/id_card_texts.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/type_b_id_sequence.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/other_api_tools.h"

namespace bench {

OtherApiPage::OtherApiPage(BenchContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet4"));
    auto* page = new QVBoxLayout(this);
    auto* identity = MakeGroup(QStringLiteral("GroupBoxTypeBId"), QStringLiteral("二代证"), this);
    auto* grid = new QGridLayout(identity);
    btnGetUid = MakeButton(QStringLiteral("btnGetUid"), QStringLiteral("二代证ID"), identity);
    lblOtherApiCount =
        MakeLabel(QStringLiteral("lblOtherApiCount"), QStringLiteral("计数："), identity);
    btnGetMcuSerialNo =
        MakeButton(QStringLiteral("btnGetMcuSerialNo"), QStringLiteral("MCU序列号"), identity);
    grid->addWidget(btnGetUid, 0, 0);
    grid->addWidget(lblOtherApiCount, 0, 1);
    grid->addWidget(btnGetMcuSerialNo, 0, 2);
    grid->setColumnStretch(3, 1);
    page->addWidget(identity);

    mmOtherApiLog = new LogMemo(QStringLiteral("mmOtherApiLog"), true, this);
    page->addWidget(new OtherApiTools(context_, *mmOtherApiLog, this));
    page->addWidget(mmOtherApiLog, 1);
    btnClearOtherApiLog =
        MakeButton(QStringLiteral("btnClearOtherApiLog"), QStringLiteral("清除日志"), this);
    page->addWidget(btnClearOtherApiLog, 0, Qt::AlignRight);

    OnClick(btnGetUid, context_, [this] { btnGetUidClick(); });
    OnClick(btnClearOtherApiLog, context_, [this] { btnClearOtherApiLogClick(); });
    OnClick(btnGetMcuSerialNo, context_, [this] { btnGetMcuSerialNoClick(); });
}

void OtherApiPage::btnClearOtherApiLogClick() {
    mmOtherApiLog->clear();
    uidTestOkCount_ = 0;
    uidTestFailCount_ = 0;
}

void OtherApiPage::ShowStatistics() {
    lblOtherApiCount->setText(
        QStringLiteral("计数：成功%1失败：%2").arg(uidTestOkCount_).arg(uidTestFailCount_));
}

void OtherApiPage::CountFailure() {
    ++uidTestFailCount_;
    ShowStatistics();
}

void OtherApiPage::btnGetUidClick() {
    HandlerRun run(context_, *mmOtherApiLog, {.timeoutMs = 2000, .button = btnGetUid});
    if (!run.Begin()) return;
    const int h = run.handle();
    if (!run.Check(QStringLiteral("KorviCardSetCardType 设置TYPE B"), context_.SetCardType('B'),
                   QStringLiteral("设置读卡器TYPE B成功"))) {
        return;
    }
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardRequestB(h, 0, &p), QStringLiteral("调用KorviCardRequestB失败!"))) {
        return;
    }
    run.Log(QStringLiteral("Type B寻卡信息：") + AnswerText(p, true));
    if (KorviCardSelectB(h, &p) == 0) {
        CountFailure();
        run.FailWithErrorText(QStringLiteral("调用KorviCardSelectB失败!"));
        return;
    }
    run.Log(QStringLiteral("Type B选卡信息：") + AnswerText(p, true));
    for (const TypeBIdStep& step : kTypeBIdSteps) {
        LoadStep(p, step);
        if (KorviCardSendCpuCommand(h, kTypeBIdCommandMode, &p) == 0) {
            CountFailure();
            run.FailWithErrorText(QStringLiteral("调用KorviCardSendCpuCommand失败!"));
            return;
        }
        run.Log(QStringLiteral("调用KorviCardSendCpuCommand成功!长度") +
                QString::number(p.nBufferSize));
        run.Log(QString::fromUtf8(step.label) + AnswerText(p));
        if (!AnswerAccepted(p, step)) {
            CountFailure();
            const QString error = AnswerFormatError(p, step);
            run.Fail(error);
            context_.ShowAnswerError(error);
            ProcessPendingMessages();
            return;
        }
    }
    run.Succeed();
    ++uidTestOkCount_;
    ShowStatistics();
}

// The reader's MCU serial number; the reader stays open.
void OtherApiPage::btnGetMcuSerialNoClick() {
    ReaderLease lease(context_);
    mmOtherApiLog->AddLog(QStringLiteral("GetMcuSerialNo开始!"));
    context_.OpenReaderDevice(1000);
    char serial[64] = {};
    btnGetMcuSerialNo->setEnabled(false);
    if (context_.HasReader()) {
        mmOtherApiLog->AddLog(QStringLiteral("调用KorviCardGetMcuSerailNo开始!"));
        if (KorviCardGetMcuSerailNo(context_.hDevice(), serial, sizeof serial) == 0) {
            mmOtherApiLog->AddLog(QStringLiteral("调用KorviCardGetMcuSerailNo失败!"));
            btnGetMcuSerialNo->setEnabled(true);
            return;
        }
        mmOtherApiLog->AddLog(
            QStringLiteral("调用KorviCardGetMcuSerailNo成功!序列号号:") +
            TrimControls(QString::fromLatin1(serial, qstrnlen(serial, sizeof serial))));
        ProcessPendingMessages();
    }
    mmOtherApiLog->AddLog(QStringLiteral("GetMcuSerialNo结束!"));
    btnGetMcuSerialNo->setEnabled(true);
}

}  // namespace bench
