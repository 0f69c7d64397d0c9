#include "testbench/reader_selection_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "QivUnicodeControls/wide_control_text.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

QRadioButton* MakeRadio(const QString& objectName, const QString& text, QWidget* parent) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(objectName);
    radio->setAccessibleName(text);
    return radio;
}

}  // namespace

ReaderSelectionPanel::ReaderSelectionPanel(BenchContext& context, const QStringList& serialPorts,
                                           QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("ReaderSelection"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    gbDeviceType = MakeGroup(QStringLiteral("gbDeviceType"), QStringLiteral("产品型号"), this);
    auto* models = new QGridLayout(gbDeviceType);
    rdbV1K = MakeRadio(QStringLiteral("rdbV1K"), QStringLiteral("V1-K"), gbDeviceType);
    rdbV1S = MakeRadio(QStringLiteral("rdbV1S"), QStringLiteral("V1-S/V2-S/V3-S"), gbDeviceType);
    rdbV1U =
        MakeRadio(QStringLiteral("rdbV1U"), QStringLiteral("V1-U/V2-U/V3-U/V6-U"), gbDeviceType);
    rdbv3UW = MakeRadio(QStringLiteral("rdbv3UW"), QStringLiteral("V3-W/V6-E"), gbDeviceType);
    rdbV1U->setChecked(true);
    models->setVerticalSpacing(2);
    models->addWidget(rdbV1K, 0, 0);
    models->addWidget(rdbV1S, 1, 0);
    models->addWidget(rdbV1U, 2, 0);
    models->addWidget(rdbv3UW, 3, 0);
    row->addWidget(gbDeviceType);

    gbParameter = MakeGroup(QStringLiteral("gbParameter"), QStringLiteral("串口通讯"), this);
    auto* serial = new QVBoxLayout(gbParameter);
    cmbCommPort = new QComboBox(gbParameter);
    cmbCommPort->setObjectName(QStringLiteral("cmbCommPort"));
    NameForAccessibility(cmbCommPort, QStringLiteral("串口"));
    cmbCommPort->addItems(serialPorts);
    if (!serialPorts.isEmpty()) cmbCommPort->setCurrentIndex(0);
    cmbCommPort->setEnabled(false);
    cmbCommPort->setMinimumContentsLength(10);
    chkBlueTooth =
        MakeCheckBox(QStringLiteral("chkBlueTooth"), QStringLiteral("蓝牙"), false, gbParameter);
    qiv::WideSetHint(chkBlueTooth, QStringLiteral("蓝牙打开的时候等待一下 蓝牙连接动作"));
    serial->addWidget(cmbCommPort);
    serial->addWidget(chkBlueTooth);
    row->addWidget(gbParameter);

    gbVidPid = MakeGroup(QStringLiteral("gbVidPid"), QStringLiteral("VID/PID"), this);
    auto* ids = new QGridLayout(gbVidPid);
    edtVid = AddLabeledEdit(ids, 0, 0, QStringLiteral("edtVid"), QStringLiteral("VID："),
                            QStringLiteral("0"));
    edtPid = AddLabeledEdit(ids, 1, 0, QStringLiteral("edtPid"), QStringLiteral("PID："),
                            QStringLiteral("0"));
    edtVid->setFixedWidth(60);
    edtPid->setFixedWidth(60);
    chkSDT = MakeCheckBox(QStringLiteral("chkSDT"), QStringLiteral("SDT"), false, gbVidPid);
    ids->addWidget(chkSDT, 0, 2);
    row->addWidget(gbVidPid);

    GroupBox9 = MakeGroup(QStringLiteral("GroupBox9"), QStringLiteral("USB索引"), this);
    auto* index = new QVBoxLayout(GroupBox9);
    cmbUsbIndex = new QComboBox(GroupBox9);
    cmbUsbIndex->setObjectName(QStringLiteral("cmbUsbIndex"));
    NameForAccessibility(cmbUsbIndex, QStringLiteral("USB索引"));
    for (int i = 0; i <= 4; ++i) cmbUsbIndex->addItem(QString::number(i));
    cmbUsbIndex->setCurrentIndex(0);
    index->addWidget(cmbUsbIndex);
    row->addWidget(GroupBox9);

    GroupBox14 = MakeGroup(QStringLiteral("GroupBox14"), QStringLiteral("网络通讯"), this);
    auto* network = new QGridLayout(GroupBox14);
    edtIPAdress = AddLabeledEdit(network, 0, 0, QStringLiteral("edtIPAdress"),
                                 QStringLiteral("设备IP："), QStringLiteral("192.168.4.1"));
    edtIPAdress->setEnabled(false);
    edtIPAdress->setMinimumWidth(130);
    edtDevicePort = AddLabeledEdit(network, 1, 0, QStringLiteral("edtDevicePort"),
                                   QStringLiteral("端口："), QStringLiteral("12345"));
    edtDevicePort->setMinimumWidth(70);
    btnPing = MakeButton(QStringLiteral("btnPing"), QStringLiteral("Ping"), GroupBox14);
    network->addWidget(btnPing, 0, 2, 2, 1);
    row->addWidget(GroupBox14, 1);

    for (QRadioButton* radio : {rdbV1K, rdbV1S, rdbV1U, rdbv3UW}) {
        connect(radio, &QRadioButton::clicked, this, &ReaderSelectionPanel::rdbV1SClick);
    }
    for (QLineEdit* edit : {edtVid, edtPid, edtIPAdress, edtDevicePort}) {
        connect(edit, &QLineEdit::textChanged, this, &ReaderSelectionPanel::Publish);
    }
    connect(cmbCommPort, &QComboBox::currentTextChanged, this, &ReaderSelectionPanel::Publish);
    connect(cmbUsbIndex, &QComboBox::currentIndexChanged, this, &ReaderSelectionPanel::Publish);
    connect(chkBlueTooth, &QCheckBox::toggled, this, &ReaderSelectionPanel::Publish);
    connect(chkSDT, &QCheckBox::clicked, this, &ReaderSelectionPanel::chkSDTClick);
    Publish();
}

void ReaderSelectionPanel::Publish() {
    ReaderSelection selection;
    selection.model = rdbV1S->isChecked()    ? ReaderModel::kSerial
                      : rdbV1U->isChecked()  ? ReaderModel::kUsbHid
                      : rdbv3UW->isChecked() ? ReaderModel::kNetwork
                                             : ReaderModel::kV1K;
    selection.commPort = cmbCommPort->currentText();
    selection.ipAddress = edtIPAdress->text();
    selection.devicePort = edtDevicePort->text();
    selection.vid = edtVid->text();
    selection.pid = edtPid->text();
    selection.usbIndex = cmbUsbIndex->currentIndex();
    selection.bluetooth = chkBlueTooth->isChecked();
    context_.SetSelection(selection);
}

void ReaderSelectionPanel::chkSDTClick() {
    const bool preset = chkSDT->isChecked();
    edtVid->setText(preset ? QStringLiteral("2F81") : QStringLiteral("0"));
    edtPid->setText(preset ? QStringLiteral("7209") : QStringLiteral("0"));
}

void ReaderSelectionPanel::rdbV1SClick() {
    cmbCommPort->setEnabled(rdbV1S->isChecked());
    edtIPAdress->setEnabled(rdbv3UW->isChecked());
    const bool usb = rdbV1U->isChecked();
    gbVidPid->setEnabled(usb);
    edtVid->setEnabled(usb);
    edtPid->setEnabled(usb);
    Publish();
    ReaderLease lease(context_);
    context_.CloseReaderDevice();
    context_.SetCurCardType(BenchContext::kNoCardType);
}

void ReaderSelectionPanel::UseNetworkReader(const QString& address, const QString& port) {
    edtIPAdress->setText(address);
    edtDevicePort->setText(port);
    rdbv3UW->setChecked(true);
    rdbV1SClick();
}

}  // namespace bench
