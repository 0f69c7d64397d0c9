#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "korvicard/KorviCardDriver.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TQivEdit;

namespace bench {

class BenchContext;
class LogMemo;

// The server fields the page starts with; empty texts keep the page's own defaults.
struct IdServerPreset {
    QString idServerHost;
    QString idServerPort;
    QString dispatchHost;
    QString decoderHost;
};

// TabSheet7 "二代证": the identity card read through the reader's SAMV module and through
// the identity servers, its display and photo, the module's single steps and the
// identity-server administration.
class IdCardPage : public QWidget {
    Q_OBJECT
  public:
    IdCardPage(BenchContext& context, QWidget* parent = nullptr);
    ~IdCardPage() override;

    void ApplyPreset(const IdServerPreset& preset);
    LogMemo* log() const { return mmTwoIdLog; }

    // Reading flows.
    void btnReadTwoIdInfoClick();
    void btnSamvTestClick();
    void btnReadTwoIdInfoByServerClick();
    void btnGetTwoIdInfoByMcuServerClick();
    void btnGetTwoIdInfoByExtendIdDeviceClick();
    void btnReadTwoIdInfoByWirelessClick();
    void btnReadTwoIdInfoByPsamClick();
    // One command of an external identity device: buffer[0] is the command's length n,
    // bytes 1 to n the command; size is the room of buffer. 1 when the card's answer
    // (length byte, then its bytes) replaced the command, 0 otherwise.
    int ExternalIdCommand(std::uint8_t* buffer, int size);

    // Display.
    void ShowTwoIdInfo(const TwoIdInfoParam& record, const QString& decoderHost);
    void ClearTwoIdInfo();
    void TwoIdLog(const QString& text);
    void btnClearTwoIdLogClick();
    void btnClearCountInfoClick();

    // The reader's SAMV module.
    void btnResetSamvClick();
    void btnSamvSelectCardClick();
    void btnSamvReadCardClick();
    void btnSamvPowerOnClick();
    void btnSamvPowerOffClick();
    void btnSamvLastApduClick();
    void btnSamvLastApduResultClick();
    void btnGetSamvResultClick();

    // Identity-server administration.
    void btnGetSamvManagerMessageClick();
    void btnSamvWaitTimeClick();
    void btnGetSamvLastErrorInfoClick();
    void btnGetSamvSendReceiveTimeInfoClick();
    void btnResetPsamClick();
    void btnGetPsamChallengeClick();
    void btnGetTwoIdServerMacAddressClick();
    void btnGetTwoIdServerMcuSerialNoClick();
    void btnGetAppConfigClick();
    void btnSetAppConfigClick();
    void btnClearAppConfigClick();
    void btnChangeAppConfigPasswordClick();
    void btnPowerOffOtherDeviceClick();
    void btnPowerOnOtherDeviceClick();
    void btnSamvLedOnOffClick();

    // The photo buffer the dispatch read registers; null outside that read.
    const std::uint8_t* photoBuffer() const { return photoBuffer_.get(); }

  private:
    struct ReadFlow;
    class PhotoBufferLease;

    // A handler's button, disabled for its run and enabled again at every exit.
    class ButtonHold {
      public:
        explicit ButtonHold(QPushButton* button);
        ~ButtonHold();
        ButtonHold(const ButtonHold&) = delete;
        ButtonHold& operator=(const ButtonHold&) = delete;

      private:
        QPushButton* button_;
    };

    void BuildReadGroups(QWidget* column, QWidget* dispatchColumn);
    void BuildCardInfo(QWidget* column);
    // The module buttons join the local group.
    void BuildModuleGroup();
    void BuildServerGroup(QWidget* column);
    void ConnectHandlers();
    // A combo box whose text may be typed; its edit is named as the box is.
    static void MakeEditable(QComboBox* combo);

    // Identity frame of the server reads.
    bool PrepareRead(const ReadFlow& flow);
    bool SwitchToTypeB(bool force);
    // The module's answer bytes of the record, a blank before each.
    static QString CosResultHex(const KorviCardParam& p);
    void ReportReadFailure(const QString& failureText, bool withText = true);
    void ReportReadSuccess(const QString& successText, const TwoIdInfoParam& record,
                           const QString& decoderHost);
    void ServerRead(const ReadFlow& flow, int (*plain)(int, const char*, int, TwoIdInfoParam*, int),
                    int (*withFingerprint)(int, const char*, int, TwoIdInfoParam*, int),
                    bool unregisterPhoto);
    void LogDispatchDiagnostics(int code);
    void LogLastErrorRecord(const SamvLastErrorInfo& info);
    void ShowIdCommandCount();
    void ShowStatistics();
    void ShowPhoto(const TwoIdInfoParam& record);
    static void IdCommandCallback(int, int, int, int);
    static int IdCardExtendReadWriteCallback(unsigned char* buffer, int length);

    // SAMV module steps.
    bool SamvCommand(KorviCardParam& param, const char* exportName,
                     int (*call)(int, KorviCardParam*), const QString& resultLabel);
    void SendModuleFrame(const std::uint8_t (&frame)[10], bool typeB);
    void SamvPower(int status);
    void SamvResultBytes(int (*call)(int, KorviCardParam*), const char* exportName,
                         const QString& label);

    // Identity-server frame.
    bool ServerPort(int& port);
    // The frame of the identity-server handlers: the port, the handler's own checks, its
    // button disabled for the run, the reader opened; body gets the handle, host and port.
    void ServerHandler(QPushButton* button, const std::function<bool()>& checks,
                       const std::function<void(int, const char*, int)>& body);
    QByteArray ServerHost() const;
    void ServerFailure(const QString& exportName, bool withCode);
    void ServerBytes(const QString& exportName, bool withCode, bool success,
                     std::span<const std::uint8_t> shown, bool withBlank);
    bool PasswordText(const QLineEdit* edit, const QString& emptyText, const QString& longText,
                      QByteArray& password);
    bool PasswordRules(QByteArray& password, const QString& emptyText, const QString& longText);
    void FillPassword(std::uint8_t* field, const QByteArray& password) const;
    void PowerOnOffOtherDevice(int state);
    void SamvLedOnOff(int state);

    BenchContext& context_;
    int okCount_ = 0;
    int failCount_ = 0;
    int idCommandCount_ = 0;
    int ledState_ = 0;
    std::unique_ptr<std::uint8_t[]> photoBuffer_;

    // Reading.
    QPushButton* btnReadTwoIdInfo = nullptr;
    QPushButton* btnSamvTest = nullptr;
    QComboBox* cmbDispatchServerIp = nullptr;
    QComboBox* cmbLineType = nullptr;
    QLineEdit* edtPostCode = nullptr;
    QLineEdit* edtSamvServerUserName = nullptr;
    QLineEdit* edtSamvServerPassword = nullptr;
    QComboBox* cmbWlDecodeServerIp = nullptr;
    QCheckBox* chkSetTypeB = nullptr;
    QPushButton* btnGetTwoIdInfoByMcuServer = nullptr;
    QPushButton* btnGetTwoIdInfoByExtendIdDevice = nullptr;
    QComboBox* cmbSamvServerIp = nullptr;
    QLineEdit* edtSamvServerPort = nullptr;
    QPushButton* btnReadTwoIdInfoByServer = nullptr;
    QPushButton* btnReadTwoIdInfoByWireless = nullptr;
    QPushButton* btnReadTwoIdInfoByPsam = nullptr;
    QLineEdit* edtRecvTimeOut = nullptr;
    QCheckBox* chkRequestFingerprint = nullptr;
    QLabel* lblIdCommandCount = nullptr;
    QCheckBox* chkClearTwoIdInfo = nullptr;

    // Display.
    TQivEdit* edtTwoIdName = nullptr;
    TQivEdit* edtTwoIdSex = nullptr;
    TQivEdit* edtTwoIdNation = nullptr;
    TQivEdit* edtTwoIdBirthday = nullptr;
    TQivEdit* edtTwoIdAddress = nullptr;
    TQivEdit* edtTwoIdNo = nullptr;
    TQivEdit* edtTwoIdPassNumber = nullptr;
    TQivEdit* edtTwoIdCertificateType = nullptr;
    TQivEdit* edtTwoIdIssueTimes = nullptr;
    TQivEdit* edtTwoIdSignedDepartment = nullptr;
    TQivEdit* edtTwoIdValidityPeriod = nullptr;
    QLabel* imgTwoId = nullptr;
    LogMemo* mmTwoIdLog = nullptr;
    QPushButton* btnClearTwoIdLog = nullptr;
    QLabel* lblTwoIdCountInfo = nullptr;
    QPushButton* btnClearCountInfo = nullptr;

    // Module.
    QPushButton* btnResetSamv = nullptr;
    QPushButton* btnSamvSelectCard = nullptr;
    QPushButton* btnSamvReadCard = nullptr;
    QPushButton* btnSamvPowerOn = nullptr;
    QPushButton* btnSamvPowerOff = nullptr;
    QPushButton* btnSamvLastApdu = nullptr;
    QPushButton* btnSamvLastApduResult = nullptr;
    QPushButton* btnGetSamvResult = nullptr;

    // Identity server.
    QPushButton* btnGetSamvManagerMessage = nullptr;
    QPushButton* btnSamvWaitTime = nullptr;
    QPushButton* btnGetSamvLastErrorInfo = nullptr;
    QPushButton* btnGetSamvSendReceiveTimeInfo = nullptr;
    QPushButton* btnResetPsam = nullptr;
    QPushButton* btnGetPsamChallenge = nullptr;
    QPushButton* btnGetTwoIdServerMacAddress = nullptr;
    QPushButton* btnGetTwoIdServerMcuSerialNo = nullptr;
    QLineEdit* edtSamvStaticIp = nullptr;
    QLineEdit* edtSamvNetMask = nullptr;
    QLineEdit* edtSamvGateWay = nullptr;
    QLineEdit* edtSamvAppPassword = nullptr;
    QLineEdit* edtNewAppConfigPassword = nullptr;
    QCheckBox* chkSTM32Iap = nullptr;
    QCheckBox* chkUseInitPassWord = nullptr;
    QPushButton* btnGetAppConfig = nullptr;
    QPushButton* btnSetAppConfig = nullptr;
    QPushButton* btnClearAppConfig = nullptr;
    QPushButton* btnChangeAppConfigPassword = nullptr;
    QPushButton* btnPowerOffOtherDevice = nullptr;
    QPushButton* btnPowerOnOtherDevice = nullptr;
    QPushButton* btnSamvLedOnOff = nullptr;
};

}  // namespace bench
