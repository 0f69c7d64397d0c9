#include "testbench/tfrm_main.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "testbench/core/bench_context.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/ping_series.h"
#include "testbench/core/serial_port_lister.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/contact_card_page.h"
#include "testbench/pages/ethernet_group.h"
#include "testbench/pages/hf_basics_page.h"
#include "testbench/pages/id_card_page.h"
#include "testbench/pages/m1_key_init_page.h"
#include "testbench/pages/m1_read_write_page.h"
#include "testbench/pages/ntag_page.h"
#include "testbench/pages/other_api_page.h"
#include "testbench/pages/relay_page.h"
#include "testbench/pages/uhf_page.h"
#include "testbench/pages/wifi_group.h"
#include "testbench/reader_selection_panel.h"

namespace bench {

namespace {

constexpr int kBasicsLogMinHeight = 56;

QStringList SerialPorts(const QString& root) {
    QStringList ports;
    TSysInfo(root).ListSerialPorts(ports);
    return ports;
}

}  // namespace

TfrmMain::TfrmMain(const QString& serialRoot, QWidget* parent)
    : QWidget(parent), context_(new BenchContext(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KorviCard 读写器测试程序 — 技术支持：KorviCard"));
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(15);
    setFont(font);
    resize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    auto* layout = new QVBoxLayout(this);
    selection_ = new ReaderSelectionPanel(*context_, SerialPorts(serialRoot), this);
    layout->addWidget(selection_);
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setStyleSheet(QStringLiteral("background-color: red;"));
    lblError->hide();
    layout->addWidget(lblError);
    context_->SetErrorLabel(lblError);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // Nine titles side by side within the window's width.
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 5px; }"));
    layout->addWidget(PageControl1, 1);

    hfBasics_ = new HfBasicsPage(*context_);
    PageControl1->addTab(hfBasics_, QStringLiteral("高频基础功能"));
    auto* edtIPAdress = selection_->findChild<QLineEdit*>(QStringLiteral("edtIPAdress"));
    hfBasics_->PlaceNetworkGroups(new WifiGroup(*context_, *hfBasics_->log(), edtIPAdress),
                                  new EthernetGroup(*context_, *hfBasics_->log()));
    // The log gives up height to the network groups; it still shows three lines.
    hfBasics_->log()->setMinimumHeight(kBasicsLogMinHeight);
    auto* btnPing = selection_->findChild<QPushButton*>(QStringLiteral("btnPing"));
    OnClick(btnPing, *context_, [this, btnPing, edtIPAdress] {
        PingFourTimes(*context_, *hfBasics_->log(), btnPing, edtIPAdress->text());
    });
    PageControl1->addTab(new M1KeyInitPage(*context_), QStringLiteral("M1(S50/S70)密码初始化"));
    PageControl1->addTab(new M1ReadWritePage(*context_), QStringLiteral("M1(S50/S70)读写"));
    PageControl1->addTab(new NtagPage(*context_), QStringLiteral("NTAG系列卡片"));
    PageControl1->addTab(new OtherApiPage(*context_), QStringLiteral("高频其他API测试"));
    auto* uhf = new UhfPage(*context_);
    PageControl1->addTab(uhf, QStringLiteral("超高频基础功能"));
    PageControl1->addTab(new ContactCardPage(*context_), QStringLiteral("接触式"));
    PageControl1->addTab(new RelayPage(*context_), QStringLiteral("继电器控制"));
    idCard_ = new IdCardPage(*context_);
    PageControl1->addTab(idCard_, QStringLiteral("二代证"));
    uhf->cmbRegionChange();
    KeepTextsWhole(this);
}

TfrmMain::~TfrmMain() {
    hfBasics_->StopPollingThread();
    context_->CloseReaderForGood();
}

}  // namespace bench
