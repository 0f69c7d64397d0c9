#include "testbench/pages/id_card_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "QivUnicodeControls/tqiv_edit.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/dispatch_line_types.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/id_card_texts.h"
#include "testbench/core/jpeg_photo.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

constexpr int kPhotoWidth = 102;
constexpr int kPhotoHeight = 126;
constexpr int kFingerprintShown = 32;

// A field of the record as bytes.
template <std::size_t N>
std::span<const std::uint8_t> Field(const std::uint8_t (&field)[N]) {
    return std::span<const std::uint8_t>(field, N);
}

TQivEdit* AddWideEdit(QGridLayout* grid, int row, int column, const QString& objectName,
                      const QString& label, int span = 1) {
    auto* caption = new QLabel(label, grid->parentWidget());
    auto* edit = new TQivEdit(grid->parentWidget());
    edit->setObjectName(objectName);
    edit->setReadOnly(true);
    caption->setBuddy(edit);
    edit->setAccessibleName(label);
    grid->addWidget(caption, row, column);
    grid->addWidget(edit, row, column + 1, 1, span);
    return edit;
}

QPixmap PlaceholderPhoto() {
    QPixmap picture(kPhotoWidth, kPhotoHeight);
    picture.fill(QColor(0xE8, 0xE8, 0xE8));
    return picture;
}

}  // namespace

IdCardPage::IdCardPage(BenchContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet7"));
    auto* page = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    page->setContentsMargins(6, 4, 6, 4);
    page->setSpacing(4);
    page->addLayout(columns);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    BuildCardInfo(left);
    BuildReadGroups(left, right);
    BuildModuleGroup();
    BuildServerGroup(right);
    rightLayout->addWidget(findChild<QGroupBox*>(QStringLiteral("GroupBox11")));
    leftLayout->addStretch(1);
    rightLayout->addStretch(1);
    columns->addWidget(left, 1);
    columns->addWidget(right, 1);

    mmTwoIdLog = new LogMemo(QStringLiteral("mmTwoIdLog"), true, this);
    mmTwoIdLog->setMinimumHeight(60);
    page->addWidget(mmTwoIdLog, 1);
    auto* bottom = new QHBoxLayout;
    lblTwoIdCountInfo =
        MakeLabel(QStringLiteral("lblTwoIdCountInfo"), QStringLiteral("统计结果："), this);
    lblIdCommandCount =
        MakeLabel(QStringLiteral("lblIdCommandCount"), QStringLiteral("指令计数："), this);
    chkClearTwoIdInfo =
        MakeCheckBox(QStringLiteral("chkClearTwoIdInfo"), QStringLiteral("清除信息"), true, this);
    btnClearCountInfo =
        MakeButton(QStringLiteral("btnClearCountInfo"), QStringLiteral("清除统计结果"), this);
    btnClearTwoIdLog =
        MakeButton(QStringLiteral("btnClearTwoIdLog"), QStringLiteral("清除日志"), this);
    bottom->addWidget(lblTwoIdCountInfo);
    bottom->addWidget(lblIdCommandCount);
    bottom->addStretch(1);
    bottom->addWidget(chkClearTwoIdInfo);
    bottom->addWidget(btnClearCountInfo);
    bottom->addWidget(btnClearTwoIdLog);
    page->addLayout(bottom);

    ConnectHandlers();
}

IdCardPage::~IdCardPage() = default;

void IdCardPage::BuildCardInfo(QWidget* column) {
    auto* group = MakeGroup(QStringLiteral("GroupBox8"), QStringLiteral("卡片信息"), column);
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    edtTwoIdName =
        AddWideEdit(grid, 0, 0, QStringLiteral("edtTwoIdName"), QStringLiteral("姓名："));
    edtTwoIdSex = AddWideEdit(grid, 1, 0, QStringLiteral("edtTwoIdSex"), QStringLiteral("性别："));
    edtTwoIdNation =
        AddWideEdit(grid, 1, 2, QStringLiteral("edtTwoIdNation"), QStringLiteral("民族："));
    edtTwoIdBirthday = AddWideEdit(grid, 2, 0, QStringLiteral("edtTwoIdBirthday"),
                                   QStringLiteral("出生日期："), 3);
    edtTwoIdAddress =
        AddWideEdit(grid, 3, 0, QStringLiteral("edtTwoIdAddress"), QStringLiteral("住    址："), 3);
    edtTwoIdNo =
        AddWideEdit(grid, 4, 0, QStringLiteral("edtTwoIdNo"), QStringLiteral("证件号码："), 3);
    edtTwoIdSignedDepartment = AddWideEdit(grid, 5, 0, QStringLiteral("edtTwoIdSignedDepartment"),
                                           QStringLiteral("签发机关："), 3);
    edtTwoIdValidityPeriod = AddWideEdit(grid, 6, 0, QStringLiteral("edtTwoIdValidityPeriod"),
                                         QStringLiteral("有 效 期："), 3);
    edtTwoIdPassNumber = AddWideEdit(grid, 7, 0, QStringLiteral("edtTwoIdPassNumber"),
                                     QStringLiteral("通行证号码："), 3);
    edtTwoIdIssueTimes =
        AddWideEdit(grid, 8, 0, QStringLiteral("edtTwoIdIssueTimes"), QStringLiteral("签发次数："));
    edtTwoIdCertificateType = AddWideEdit(grid, 8, 2, QStringLiteral("edtTwoIdCertificateType"),
                                          QStringLiteral("类型："));
    grid->addWidget(MakeLabel(QStringLiteral("Label照"), QStringLiteral("照"), group), 2, 4);
    grid->addWidget(MakeLabel(QStringLiteral("Label片"), QStringLiteral("片"), group), 3, 4);
    imgTwoId = MakeLabel(QStringLiteral("imgTwoId"), QString(), group);
    imgTwoId->setAlignment(Qt::AlignCenter);
    imgTwoId->setFixedSize(kPhotoWidth, kPhotoHeight);
    imgTwoId->setPixmap(PlaceholderPhoto());
    imgTwoId->setAccessibleName(QStringLiteral("照片"));
    grid->addWidget(imgTwoId, 0, 5, 6, 1, Qt::AlignCenter);
    edtRecvTimeOut = AddLabeledEdit(grid, 9, 0, QStringLiteral("edtRecvTimeOut"),
                                    QStringLiteral("接收超时："), QStringLiteral("2"));
    grid->addWidget(MakeLabel(QStringLiteral("LabelSeconds"), QStringLiteral("秒"), group), 9, 2);
    chkRequestFingerprint = MakeCheckBox(QStringLiteral("chkRequestFingerprint"),
                                         QStringLiteral("获取指纹"), false, group);
    grid->addWidget(chkRequestFingerprint, 9, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    column->layout()->addWidget(group);
}

void IdCardPage::BuildReadGroups(QWidget* column, QWidget* dispatchColumn) {
    auto* local =
        MakeGroup(QStringLiteral("GroupBox10"), QStringLiteral("1.0本地设备操作API"), column);
    auto* localGrid = new QGridLayout(local);
    localGrid->setVerticalSpacing(2);
    btnReadTwoIdInfo =
        MakeButton(QStringLiteral("btnReadTwoIdInfo"), QStringLiteral("读二代证信息"), local);
    btnSamvTest = MakeButton(QStringLiteral("btnSamvTest"), QStringLiteral("安全模块寻卡"), local);
    localGrid->addWidget(btnReadTwoIdInfo, 0, 0);
    localGrid->addWidget(btnSamvTest, 0, 1);
    column->layout()->addWidget(local);

    auto* dispatch = MakeGroup(QStringLiteral("GroupBox11"),
                               QStringLiteral("调度服务器（支持第三方设备）"), dispatchColumn);
    auto* grid = new QGridLayout(dispatch);
    grid->setVerticalSpacing(2);
    cmbDispatchServerIp = AddLabeledCombo(grid, 0, 0, QStringLiteral("cmbDispatchServerIp"),
                                          QStringLiteral("调度服务器："));
    MakeEditable(cmbDispatchServerIp);
    cmbDispatchServerIp->addItem(QStringLiteral("dispatch.korvicard.com"));
    cmbLineType =
        AddLabeledCombo(grid, 0, 2, QStringLiteral("cmbLineType"), QStringLiteral("通信线路："));
    cmbLineType->addItems(DispatchLineTypes());
    edtPostCode = AddLabeledEdit(grid, 1, 0, QStringLiteral("edtPostCode"),
                                 QStringLiteral("邮编："), QStringLiteral("518000"));
    edtSamvServerUserName = AddLabeledEdit(grid, 1, 2, QStringLiteral("edtSamvServerUserName"),
                                           QStringLiteral("用户账号："), QStringLiteral("99999"));
    edtSamvServerPassword = AddLabeledEdit(grid, 2, 0, QStringLiteral("edtSamvServerPassword"),
                                           QStringLiteral("用户密码："), QStringLiteral("246813"));
    cmbWlDecodeServerIp = AddLabeledCombo(grid, 2, 2, QStringLiteral("cmbWlDecodeServerIp"),
                                          QStringLiteral("解码："));
    MakeEditable(cmbWlDecodeServerIp);
    cmbWlDecodeServerIp->addItems(
        {QStringLiteral("decoder1.korvicard.com"), QStringLiteral("decoder2.korvicard.com")});
    chkSetTypeB =
        MakeCheckBox(QStringLiteral("chkSetTypeB"), QStringLiteral("TypeB"), false, dispatch);
    btnGetTwoIdInfoByMcuServer = MakeButton(QStringLiteral("btnGetTwoIdInfoByMcuServer"),
                                            QStringLiteral("网络二代证(2.0)"), dispatch);
    btnGetTwoIdInfoByExtendIdDevice = MakeButton(QStringLiteral("btnGetTwoIdInfoByExtendIdDevice"),
                                                 QStringLiteral("网络二代证(2.0第三方)"), dispatch);
    btnGetTwoIdInfoByExtendIdDevice->setVisible(false);
    grid->addWidget(chkSetTypeB, 3, 0);
    grid->addWidget(btnGetTwoIdInfoByMcuServer, 3, 1);
    grid->addWidget(btnGetTwoIdInfoByExtendIdDevice, 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void IdCardPage::MakeEditable(QComboBox* combo) {
    combo->setEditable(true);
    combo->lineEdit()->setAccessibleName(combo->accessibleName());
}

void IdCardPage::ConnectHandlers() {
    const std::pair<QPushButton*, void (IdCardPage::*)()> handlers[] = {
        {btnReadTwoIdInfo, &IdCardPage::btnReadTwoIdInfoClick},
        {btnSamvTest, &IdCardPage::btnSamvTestClick},
        {btnReadTwoIdInfoByServer, &IdCardPage::btnReadTwoIdInfoByServerClick},
        {btnGetTwoIdInfoByMcuServer, &IdCardPage::btnGetTwoIdInfoByMcuServerClick},
        {btnGetTwoIdInfoByExtendIdDevice, &IdCardPage::btnGetTwoIdInfoByExtendIdDeviceClick},
        {btnReadTwoIdInfoByWireless, &IdCardPage::btnReadTwoIdInfoByWirelessClick},
        {btnReadTwoIdInfoByPsam, &IdCardPage::btnReadTwoIdInfoByPsamClick},
        {btnClearTwoIdLog, &IdCardPage::btnClearTwoIdLogClick},
        {btnClearCountInfo, &IdCardPage::btnClearCountInfoClick},
        {btnResetSamv, &IdCardPage::btnResetSamvClick},
        {btnSamvSelectCard, &IdCardPage::btnSamvSelectCardClick},
        {btnSamvReadCard, &IdCardPage::btnSamvReadCardClick},
        {btnSamvPowerOn, &IdCardPage::btnSamvPowerOnClick},
        {btnSamvPowerOff, &IdCardPage::btnSamvPowerOffClick},
        {btnSamvLastApdu, &IdCardPage::btnSamvLastApduClick},
        {btnSamvLastApduResult, &IdCardPage::btnSamvLastApduResultClick},
        {btnGetSamvResult, &IdCardPage::btnGetSamvResultClick},
        {btnGetSamvManagerMessage, &IdCardPage::btnGetSamvManagerMessageClick},
        {btnSamvWaitTime, &IdCardPage::btnSamvWaitTimeClick},
        {btnGetSamvLastErrorInfo, &IdCardPage::btnGetSamvLastErrorInfoClick},
        {btnGetSamvSendReceiveTimeInfo, &IdCardPage::btnGetSamvSendReceiveTimeInfoClick},
        {btnResetPsam, &IdCardPage::btnResetPsamClick},
        {btnGetPsamChallenge, &IdCardPage::btnGetPsamChallengeClick},
        {btnGetTwoIdServerMacAddress, &IdCardPage::btnGetTwoIdServerMacAddressClick},
        {btnGetTwoIdServerMcuSerialNo, &IdCardPage::btnGetTwoIdServerMcuSerialNoClick},
        {btnGetAppConfig, &IdCardPage::btnGetAppConfigClick},
        {btnSetAppConfig, &IdCardPage::btnSetAppConfigClick},
        {btnClearAppConfig, &IdCardPage::btnClearAppConfigClick},
        {btnChangeAppConfigPassword, &IdCardPage::btnChangeAppConfigPasswordClick},
        {btnPowerOffOtherDevice, &IdCardPage::btnPowerOffOtherDeviceClick},
        {btnPowerOnOtherDevice, &IdCardPage::btnPowerOnOtherDeviceClick},
        {btnSamvLedOnOff, &IdCardPage::btnSamvLedOnOffClick},
    };
    for (const auto& [button, handler] : handlers) {
        OnClick(button, context_, [this, handler = handler] { (this->*handler)(); });
    }
}

void IdCardPage::ApplyPreset(const IdServerPreset& preset) {
    const auto preset_combo = [](QComboBox* combo, const QString& text) {
        if (text.isEmpty()) return;
        combo->insertItem(0, text);
        combo->setCurrentIndex(0);
    };
    preset_combo(cmbSamvServerIp, preset.idServerHost);
    preset_combo(cmbDispatchServerIp, preset.dispatchHost);
    preset_combo(cmbWlDecodeServerIp, preset.decoderHost);
    if (!preset.idServerPort.isEmpty()) edtSamvServerPort->setText(preset.idServerPort);
}

QString IdCardPage::CosResultHex(const KorviCardParam& p) {
    const std::size_t count =
        std::min<std::size_t>(p.unCosReultBufferLength, sizeof p.arrCosResultBuffer);
    return BytesToHex(std::span<const std::uint8_t>(p.arrCosResultBuffer), count, true);
}

void IdCardPage::ShowStatistics() {
    lblTwoIdCountInfo->setText(
        QStringLiteral("统计结果：成功[%1] 失败[%2]").arg(okCount_).arg(failCount_));
}

void IdCardPage::TwoIdLog(const QString& text) {
    mmTwoIdLog->AddLog(text);
    ShowStatistics();
    ProcessPendingMessages();
}

void IdCardPage::btnClearTwoIdLogClick() {
    mmTwoIdLog->clear();
    ClearTwoIdInfo();
}

void IdCardPage::btnClearCountInfoClick() {
    okCount_ = 0;
    failCount_ = 0;
    ShowStatistics();
    ProcessPendingMessages();
}

void IdCardPage::ClearTwoIdInfo() {
    for (TQivEdit* edit : {edtTwoIdName, edtTwoIdNation, edtTwoIdSex, edtTwoIdBirthday, edtTwoIdNo,
                           edtTwoIdAddress, edtTwoIdSignedDepartment, edtTwoIdValidityPeriod}) {
        edit->SetText(QString());
    }
    imgTwoId->setPixmap(QPixmap());
}

void IdCardPage::ShowTwoIdInfo(const TwoIdInfoParam& record, const QString& decoderHost) {
    TwoIdInfoParam copy = record;
    edtTwoIdName->SetText(TwoIdFieldText(Field(copy.arrTwoIdName)));
    const QString sex = TwoIdFieldText(Field(copy.arrTwoIdSex));
    if (sex.isEmpty()) {
        TwoIdLog(QStringLiteral("返回数据为空"));
        return;
    }
    edtTwoIdSex->SetText(sex == QStringLiteral("1")   ? QStringLiteral("男")
                         : sex == QStringLiteral("2") ? QStringLiteral("女")
                                                      : QStringLiteral("未知"));
    edtTwoIdNation->SetText(NationName(TwoIdFieldText(Field(copy.arrTwoIdNation))) +
                            QStringLiteral("族"));
    const std::span<const std::uint8_t> permit = Field(copy.arrTwoIdNewAddress);
    edtTwoIdBirthday->SetText(TwoIdFieldText(Field(copy.arrTwoIdBirthday)));
    edtTwoIdAddress->SetText(TwoIdFieldText(Field(copy.arrTwoIdAddress)));
    edtTwoIdNo->SetText(TwoIdFieldText(Field(copy.arrTwoIdNo)));
    edtTwoIdPassNumber->SetText(TwoIdFieldText(permit.subspan(0, 18)));
    edtTwoIdCertificateType->SetText(TwoIdFieldText(permit.subspan(28, 2)));
    edtTwoIdIssueTimes->SetText(TwoIdFieldText(permit.subspan(18, 4)));
    edtTwoIdSignedDepartment->SetText(TwoIdFieldText(Field(copy.arrTwoIdSignedDepartment)));
    edtTwoIdValidityPeriod->SetText(TwoIdFieldText(Field(copy.arrTwoIdValidityPeriodBegin)) +
                                    QStringLiteral("-") +
                                    TwoIdFieldText(Field(copy.arrTwoIdValidityPeriodEnd)));
    TwoIdLog(QStringLiteral("指纹长度:") +
             QString::number(static_cast<std::int16_t>(copy.unTwoIdFingerprintLength)));
    TwoIdLog(QStringLiteral("指纹:") +
             BytesToHex(Field(copy.arrTwoIdFingerprint), kFingerprintShown, false));
    if (copy.unTwoIdPhotoJpegLength == 0) {
        const QByteArray host = decoderHost.toLocal8Bit();
        TwoIdLog(KorviCardWlDecodeByServer(context_.hDevice(), host.constData(), &copy) != 0
                     ? QStringLiteral("调用KorviCardWlDecodeByServer成功!")
                     : QStringLiteral("调用KorviCardWlDecodeByServer失败!"));
    }
    if (copy.unTwoIdPhotoJpegLength != 0) ShowPhoto(copy);
}

// A length outside the JPEG field or data libjpeg refuses leaves no picture.
void IdCardPage::ShowPhoto(const TwoIdInfoParam& record) {
    const std::int32_t length = record.unTwoIdPhotoJpegLength;
    QImage picture;
    if (length > 0 && static_cast<std::size_t>(length) <= sizeof record.arrTwoIdPhotoJpeg) {
        picture = DecodeJpeg(std::span<const std::uint8_t>(record.arrTwoIdPhotoJpeg,
                                                           static_cast<std::size_t>(length)));
    }
    if (picture.isNull()) {
        imgTwoId->setPixmap(QPixmap());
        TwoIdLog(QStringLiteral("照片解码失败!"));
        return;
    }
    imgTwoId->setPixmap(QPixmap::fromImage(
        picture.scaled(imgTwoId->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace bench
