#include "testbench/pages/m1_read_write_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <span>

#include "testbench/core/bench_context.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

constexpr int kKeyA = 0x60;
constexpr int kKeyB = 0x61;
constexpr int kBlockBytes = 16;

}  // namespace

M1ReadWritePage::M1ReadWritePage(BenchContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet6"));
    BuildControls();
}

void M1ReadWritePage::BuildControls() {
    auto* page = new QHBoxLayout(this);

    auto* blocks = MakeGroup(QStringLiteral("gbBlockData"), QStringLiteral("数据块"), this);
    auto* blockGrid = new QGridLayout(blocks);
    blockGrid->setVerticalSpacing(2);
    for (int i = 0; i < kM1BlocksShown; ++i) {
        edtBlockData[i] = AddLabeledEdit(blockGrid, i, 0, QStringLiteral("edtBlockData%1").arg(i),
                                         QStringLiteral("块%1：").arg(i),
                                         QStringLiteral("000102030405060708090A0B0C0D0E0F"), 32);
        edtBlockData[i]->setMinimumWidth(290);
    }
    page->addWidget(blocks);

    auto* side = new QVBoxLayout;
    page->addLayout(side, 1);
    auto* settings = new QGridLayout;
    side->addLayout(settings);
    const QString transportKey = QStringLiteral("FFFFFFFFFFFF");
    edtM1RWPasswordA = AddLabeledEdit(settings, 0, 0, QStringLiteral("edtM1RWPasswordA"),
                                      QStringLiteral("密码A："), transportKey, 12);
    edtM1RWPasswordB = AddLabeledEdit(settings, 1, 0, QStringLiteral("edtM1RWPasswordB"),
                                      QStringLiteral("密码B："), transportKey, 12);
    cmbM1RWSectorList = AddLabeledCombo(settings, 2, 0, QStringLiteral("cmbM1RWSectorList"),
                                        QStringLiteral("扇区："));
    for (int sector = 0; sector < kM1SectorCount; ++sector) {
        cmbM1RWSectorList->addItem(QString::number(sector));
    }
    cmbM1RWSectorList->setCurrentIndex(0);
    const QList<QWidget*> narrowFields = {edtM1RWPasswordA, edtM1RWPasswordB, cmbM1RWSectorList};
    for (QWidget* field : narrowFields) field->setFixedWidth(130);
    settings->setColumnStretch(4, 1);
    chkAuthB = MakeCheckBox(QStringLiteral("chkAuthB"), QStringLiteral("验证B密码"), false, this);
    chkBuiltInPassword =
        MakeCheckBox(QStringLiteral("chkBuiltInPassword"), QStringLiteral("内置密码"), true, this);
    settings->addWidget(chkAuthB, 0, 2);
    settings->addWidget(chkBuiltInPassword, 1, 2);
    btnReadData = MakeButton(QStringLiteral("btnReadData"), QStringLiteral("读数据"), this);
    btnWriteData = MakeButton(QStringLiteral("btnWriteData"), QStringLiteral("写数据"), this);
    settings->addWidget(btnReadData, 0, 3);
    settings->addWidget(btnWriteData, 1, 3);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    NameForAccessibility(ProgressBar1, QStringLiteral("读写进度"));
    side->addWidget(ProgressBar1);
    mmM1RWLog = new LogMemo(QStringLiteral("mmM1RWLog"), true, this);
    side->addWidget(mmM1RWLog, 1);
    btnClearM1RWLog = MakeClearLogButton(QStringLiteral("btnClearM1RWLog"), mmM1RWLog, this);
    side->addWidget(btnClearM1RWLog, 0, Qt::AlignRight);

    OnClick(btnReadData, context_, [this] { btnReadDataClick(); });
    OnClick(btnWriteData, context_, [this] { btnWriteDataClick(); });
}

bool M1ReadWritePage::ReadKeys(Key& keyA, Key& keyB) {
    const std::pair<QLineEdit*, Key*> keys[] = {{edtM1RWPasswordA, &keyA},
                                                {edtM1RWPasswordB, &keyB}};
    const int count = chkAuthB->isChecked() ? 2 : 1;
    for (int k = 0; k < count; ++k) {
        const QString text = keys[k].first->text().trimmed();
        const QString error = M1KeyTextError(text, QChar(u'A' + k));
        if (!error.isEmpty()) {
            mmM1RWLog->AddLog(error);
            return false;
        }
        *keys[k].second = KeyFromHexText(text);
    }
    return true;
}

bool M1ReadWritePage::FindCard(HandlerRun& run, int requestMode, bool& card4K) {
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNo(run.handle(), requestMode, &p),
                    QStringLiteral("调用KorviCardGetCardNo失败!"))) {
        return false;
    }
    LogCardNumber32(*mmM1RWLog, p);
    card4K = p.nCardType == 2;
    return true;
}

bool M1ReadWritePage::Authenticate(HandlerRun& run, int keyMode, int sector, const Key& key,
                                   QChar which) {
    const int h = run.handle();
    KorviCardParam& p = run.Record();
    SetKey(p, key);
    int result = 0;
    if (chkBuiltInPassword->isChecked()) {
        if (!run.Expect(KorviCardLoadKey(h, keyMode, sector, &p),
                        QStringLiteral("调用KorviCardLoadKey失败!"))) {
            return false;
        }
        run.Log(QStringLiteral("装载密码%1成功！").arg(which));
        result = KorviCardAuthentication(h, keyMode, sector, &p);
    } else {
        result = KorviCardAuthenticationWithPassword(h, keyMode, sector, &p);
    }
    if (!run.Expect(result, QStringLiteral("调用KorviCardAuthentication失败!"))) return false;
    run.Log(QStringLiteral("验证密码%1成功！").arg(which));
    return true;
}

bool M1ReadWritePage::AuthenticateSector(HandlerRun& run, int sector, const Key& keyA,
                                         const Key& keyB) {
    return Authenticate(run, kKeyA, sector, keyA, QChar('A')) &&
           (!chkAuthB->isChecked() || Authenticate(run, kKeyB, sector, keyB, QChar('B')));
}

void M1ReadWritePage::btnReadDataClick() {
    Key keyA{}, keyB{};
    if (!ReadKeys(keyA, keyB)) return;
    HandlerRun run(context_, *mmM1RWLog,
                   {.timeoutMs = 2000,
                    .button = btnReadData,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen});
    const int sector = cmbM1RWSectorList->currentIndex();
    if (!run.Begin()) return;
    bool card4K = false;
    if (!FindCard(run, 0x52, card4K)) return;
    const int type = run.Record().nCardType;
    if (type != 2 && type != 4) {
        run.Fail(QStringLiteral("非S50/S70卡!"));
        return;
    }
    run.Log(card4K ? QStringLiteral("发现S70卡") : QStringLiteral("发现S50卡"));
    if (!AuthenticateSector(run, sector, keyA, keyB)) return;
    const int blocks = M1BlocksInSector(sector, card4K);
    KorviCardParam& p = run.Record();
    for (int i = 0; i < kM1BlocksShown; ++i) {
        ProgressBar1->setValue(qRound(100.0 * i / (kM1BlocksShown - 1)));
        // The trailer is shown read-only; blocks the sector lacks keep their text.
        edtBlockData[i]->setEnabled(i < blocks - 1);
        if (i >= blocks) continue;
        if (!run.Expect(KorviCardRead(run.handle(), M1Block(sector, i), &p),
                        QStringLiteral("调用KorviCardRead失败!"))) {
            return;
        }
        const QString text = BytesToHex(p.arrBuffer, kBlockBytes, false);
        edtBlockData[i]->setText(text);
        run.Log(QStringLiteral("读取块%1数据：").arg(i) + text);
    }
    ProcessPendingMessages();
    run.Succeed();
}

void M1ReadWritePage::btnWriteDataClick() {
    Key keyA{}, keyB{};
    if (!ReadKeys(keyA, keyB)) return;
    std::array<QString, kM1BlocksShown> data;
    for (int i = 0; i < kM1BlocksShown; ++i) {
        data[i] = edtBlockData[i]->text().trimmed();
        const QString error = M1BlockTextError(i, data[i]);
        if (!error.isEmpty()) {
            mmM1RWLog->AddLog(error);
            return;
        }
    }
    HandlerRun run(context_, *mmM1RWLog,
                   {.timeoutMs = 0,
                    .button = btnWriteData,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen});
    const int sector = cmbM1RWSectorList->currentIndex();
    if (!run.Begin()) return;
    bool card4K = false;
    if (!FindCard(run, 0x26, card4K) || !AuthenticateSector(run, sector, keyA, keyB)) return;
    const int blocks = M1BlocksInSector(sector, card4K);
    KorviCardParam& p = run.Record();
    for (int i = 0; i < kM1BlocksShown; ++i) {
        if (sector == 0 && i == 0) continue;  // the manufacturer block
        ProgressBar1->setValue(qRound(100.0 * i / (kM1BlocksShown - 1)));
        edtBlockData[i]->setEnabled(i < blocks - 1);
        if (i >= blocks - 1) continue;
        std::memset(p.arrBuffer, 0, sizeof p.arrBuffer);
        int count = 0;
        HexToBytes(data[i], std::span(p.arrBuffer, kBlockBytes), 63, count);
        p.nBufferSize = kBlockBytes;
        if (!run.Expect(KorviCardWrite(run.handle(), M1Block(sector, i), &p),
                        QStringLiteral("调用KorviCardWrite失败!"))) {
            return;
        }
        run.Log(QStringLiteral("调用KorviCardWrite成功!块索引:%1").arg(i));
    }
    ProcessPendingMessages();
    run.Succeed();
}

}  // namespace bench
