#include "testbench/pages/m1_key_init_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "testbench/core/bench_context.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

constexpr int kRowsPerColumn = 20;
constexpr int kKeyEditWidth = 116;

QLineEdit* MakeKeyEdit(const QString& objectName, const QString& accessibleName) {
    auto* edit = new QLineEdit(QStringLiteral("FFFFFFFFFFFF"));
    edit->setObjectName(objectName);
    edit->setMaxLength(12);
    edit->setFixedWidth(kKeyEditWidth);
    NameForAccessibility(edit, accessibleName);
    return edit;
}

}  // namespace

M1KeyInitPage::M1KeyInitPage(BenchContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet2"));
    BuildControls();
}

void M1KeyInitPage::BuildControls() {
    auto* page = new QHBoxLayout(this);

    auto* keys = MakeGroup(QStringLiteral("gbNewPassWord"), QStringLiteral("新密码"), this);
    auto* keyGrid = new QGridLayout(keys);
    keyGrid->setVerticalSpacing(1);
    for (int column = 0; column < 2; ++column) {
        keyGrid->addWidget(new QLabel(QStringLiteral("密码A")), 0, 3 * column + 1);
        keyGrid->addWidget(new QLabel(QStringLiteral("密码B")), 0, 3 * column + 2);
    }
    for (int s = 0; s < kM1SectorCount; ++s) {
        const QString n = QString::number(s + 1);
        const QString sector = QStringLiteral("扇区") + n;
        edtASector[s] =
            MakeKeyEdit(QStringLiteral("edtASector") + n, sector + QStringLiteral("密码A"));
        edtBSector[s] =
            MakeKeyEdit(QStringLiteral("edtBSector") + n, sector + QStringLiteral("密码B"));
        auto* label = new QLabel(sector);
        label->setBuddy(edtASector[s]);
        const int row = 1 + s % kRowsPerColumn;
        const int column = 3 * (s / kRowsPerColumn);
        keyGrid->addWidget(label, row, column);
        keyGrid->addWidget(edtASector[s], row, column + 1);
        keyGrid->addWidget(edtBSector[s], row, column + 2);
    }
    page->addWidget(keys);

    auto* side = new QVBoxLayout;
    page->addLayout(side, 1);
    auto* oldKeys = new QGridLayout;
    side->addLayout(oldKeys);
    const QString transportKey = QStringLiteral("FFFFFFFFFFFF");
    edtOldPassWrodA = AddLabeledEdit(oldKeys, 0, 0, QStringLiteral("edtOldPassWrodA"),
                                     QStringLiteral("原密码A："), transportKey, 12);
    edtOldPassWrodB = AddLabeledEdit(oldKeys, 1, 0, QStringLiteral("edtOldPassWrodB"),
                                     QStringLiteral("原密码B："), transportKey, 12);
    btnCopyAPass = MakeButton(QStringLiteral("btnCopyAPass"), QStringLiteral("复制密码A"), this);
    btnCopyBPass = MakeButton(QStringLiteral("btnCopyBPass"), QStringLiteral("复制密码B"), this);
    oldKeys->addWidget(btnCopyAPass, 0, 2);
    oldKeys->addWidget(btnCopyBPass, 1, 2);
    btnChangeCardPassWord =
        MakeButton(QStringLiteral("btnChangeCardPassWord"), QStringLiteral("密码初始化"), this);
    oldKeys->addWidget(btnChangeCardPassWord, 0, 3, 2, 1);
    pgbChangePassWord = new QProgressBar(this);
    pgbChangePassWord->setObjectName(QStringLiteral("pgbChangePassWord"));
    pgbChangePassWord->setRange(0, 100);
    pgbChangePassWord->setValue(0);
    NameForAccessibility(pgbChangePassWord, QStringLiteral("初始化进度"));
    side->addWidget(pgbChangePassWord);
    lblMessage = MakeLabel(QStringLiteral("lblMessage"), QString(), this);
    side->addWidget(lblMessage);
    mmChangePassWordLog = new LogMemo(QStringLiteral("mmChangePassWordLog"), false, this);
    side->addWidget(mmChangePassWordLog, 1);
    btnClearChangePassWordLog =
        MakeClearLogButton(QStringLiteral("btnClearChangePassWordLog"), mmChangePassWordLog, this);
    side->addWidget(btnClearChangePassWordLog, 0, Qt::AlignRight);

    OnClick(btnCopyAPass, context_, [this] { btnCopyAPassClick(); });
    OnClick(btnCopyBPass, context_, [this] { btnCopyBPassClick(); });
    OnClick(btnChangeCardPassWord, context_, [this] { btnChangeCardPassWordClick(); });
}

void M1KeyInitPage::btnCopyAPassClick() {
    for (int s = 1; s < kM1SectorCount; ++s) edtASector[s]->setText(edtASector[0]->text());
}

void M1KeyInitPage::btnCopyBPassClick() {
    for (int s = 1; s < kM1SectorCount; ++s) edtBSector[s]->setText(edtBSector[0]->text());
}

bool M1KeyInitPage::NewKeysValid() {
    bool valid = true;
    for (int s = 0; s < kM1SectorCount; ++s) {
        for (const auto& [which, edit] :
             {std::pair{QChar('A'), edtASector[s]}, std::pair{QChar('B'), edtBSector[s]}}) {
            const QString error = M1NewKeyError(s + 1, which, edit->text());
            if (error.isEmpty()) continue;
            mmChangePassWordLog->AddLog(error);
            valid = false;
        }
    }
    return valid;
}

void M1KeyInitPage::btnChangeCardPassWordClick() {
    lblMessage->clear();
    ProcessPendingMessages();
    if (edtOldPassWrodA->text().size() < 12) {
        lblMessage->setText(QStringLiteral("原密码A长度错误"));
        return;
    }
    if (edtOldPassWrodB->text().size() < 12) {
        lblMessage->setText(QStringLiteral("原密码B长度错误"));
        return;
    }
    const Key oldA = KeyFromHexText(edtOldPassWrodA->text());
    const Key oldB = KeyFromHexText(edtOldPassWrodB->text());
    if (!NewKeysValid()) return;

    HandlerRun run(context_, *mmChangePassWordLog,
                   {.timeoutMs = 0,
                    .button = btnChangeCardPassWord,
                    .beep = false,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    const QString requestFailed = QStringLiteral("调用KorviCardRequest失败!");
    if (!run.Expect(KorviCardGetCardNo(h, 0x26, &p), requestFailed)) {
        lblMessage->setText(requestFailed);
        return;
    }
    LogCardNumber32(*mmChangePassWordLog, p);
    int last = 0;
    if (p.nCardType == 2) {
        run.Log(QStringLiteral("发现S70卡"));
        last = kM1SectorCount - 1;
    } else if (p.nCardType == 4) {
        run.Log(QStringLiteral("发现S50卡"));
        last = 15;
    } else {
        lblMessage->setText(QStringLiteral("非S50/S70卡!"));
        return;
    }
    for (int s = 0; s <= last; ++s) {
        const QString n = QString::number(s + 1);
        pgbChangePassWord->setValue(qRound(100.0 * s / last));
        ProcessPendingMessages();
        run.Log(QStringLiteral("开始初始化扇区") + n);
        const SectorResult result = ChangeSectorKeys(run, s, oldA, oldB);
        if (result == SectorResult::kChanged) {
            run.Log(QStringLiteral("扇区") + n + QStringLiteral("密码修改成功！"));
        } else if (result == SectorResult::kCardRefused) {
            WakeCard(run);
        }
    }
    if (run.Expect(KorviCardHalt(h), QStringLiteral("调用KorviCardHalt失败!"))) {
        lblMessage->setText(QStringLiteral("卡片已经中止，请换卡！"));
    }
    run.Succeed();
}

M1KeyInitPage::SectorResult M1KeyInitPage::ChangeSectorKeys(HandlerRun& run, int sector,
                                                            const Key& oldA, const Key& oldB) {
    const int h = run.handle();
    KorviCardParam& p = run.Record();
    const QString n = QString::number(sector + 1);
    SetKey(p, oldA);
    if (KorviCardLoadKey(h, 0x60, sector, &p) == 0) {
        lblMessage->setText(QStringLiteral("调用KorviCardLoadKey失败!"));
        run.FailWithErrorText(QStringLiteral("调用KorviCardLoadKey A扇区") + n +
                              QStringLiteral("失败!"));
        return SectorResult::kKeyNotLoaded;
    }
    SetKey(p, oldB);
    if (!run.Expect(KorviCardLoadKey(h, 0x61, sector, &p),
                    QStringLiteral("调用KorviCardLoadKey B扇区") + n + QStringLiteral("失败!"))) {
        return SectorResult::kKeyNotLoaded;
    }
    const QString authenticationFailed = QStringLiteral("调用KorviCardAuthentication失败!");
    if (!run.Expect(KorviCardAuthentication(h, 0x60, sector, &p), authenticationFailed)) {
        return SectorResult::kCardRefused;
    }
    const QByteArray newA = edtASector[sector]->text().toLatin1();
    const QByteArray newB = edtBSector[sector]->text().toLatin1();
    if (KorviCardChangePassword(h, sector, newA.constData(), newB.constData()) != 0) {
        return SectorResult::kChanged;
    }
    // The trailer may take a write with key B only: select the card again and write with it.
    const bool changed =
        run.Expect(KorviCardGetCardNo(h, 0x26, &p),
                   QStringLiteral("再次调用KorviCardRequest失败!")) &&
        run.Expect(KorviCardAuthentication(h, 0x60, sector, &p),
                   QStringLiteral("再次调用KorviCardAuthentication验证A密码失败!")) &&
        run.Expect(KorviCardAuthentication(h, 0x61, sector, &p), authenticationFailed) &&
        run.Expect(KorviCardChangePassword(h, sector, newA.constData(), newB.constData()),
                   QStringLiteral("调用KorviCardChangePassword失败!"));
    return changed ? SectorResult::kChanged : SectorResult::kCardRefused;
}

void M1KeyInitPage::WakeCard(HandlerRun& run) {
    KorviCardParam& p = run.Record();
    run.Expect(KorviCardGetCardNo(run.handle(), 0x26, &p),
               QStringLiteral("再次调用KorviCardRequest失败!"));
}

}  // namespace bench
