#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// The one-button tests of the other-API page: text storage on a card, card and device
// numbers, RF field, LEDs and registers, MCU options, the string command, the Bluetooth
// module on the MCU UART, charging, build times, raw USB data and the two CPU-card scripts.
// Every line goes to the page's log.
class OtherApiTools : public QWidget {
    Q_OBJECT
  public:
    OtherApiTools(BenchContext& context, LogMemo& log, QWidget* parent = nullptr);

    void btnWriteTextClick();
    void btnReadTextClick();
    void btnGetBankCardNoClick();
    void btnGetCardIdClick();
    void btnGetDeviceNoClick();
    void btnSetRfOnClick();
    void btnSetRfOffClick();
    void btnLedOffClick();
    void btnLedOnClick();
    void btnRedLedOnClick();
    void btnGreenLedOnClick();
    void btnResetRfIcClick();
    void btnMcuConfigClick();
    void btnGetIspOptionClick();
    void btnEnableIspClick();
    void btnDisableIspClick();
    void btnBeijingCardNoClick();
    void btnReadRfRegiterClick();
    void btnWriteRfRegiterClick();
    void btnExecStringCommandClick();
    void btnSendBluetoothAtCommandClick();
    void btnSetBluetoothBaudRateClick();
    void btnTestFm1208Click();
    void btnBeepClick();
    void btnGetChargeVoltageClick();
    void btnGetUsbChargeStatusClick();
    void btnSetChargeCurrentClick();
    void btnGetChargeCurrentClick();
    void btnGetChargeStatusClick();
    void btnResetMcuClick();
    void btnSetMcuBkpClick();
    void btnGetDebugBkpClick();
    void btnGetDeviceMacAddressClick();
    void btnFirewareBuildTimeClick();
    void btnLibBuildTimeClick();
    void btnReadUsbClick();

  private:
    void BuildControls();
    void TextStorage(bool write);
    void SetRf(bool on);
    void SetLed(int state);
    void SetIsp(std::uint32_t option);
    void RfRegister(bool write);
    void BuildTime(const QString& exportName, int (*call)(int, char*, int));
    bool BluetoothAllowed();
    // One driver call of the charging and MCU group: the frame without beep, the call's line.
    void SimpleCall(const QString& exportName, const std::function<int(int)>& call,
                    const std::function<void(HandlerRun&)>& onSuccess = {});

    // The FM1208 script's routines.
    bool Fm1208SendApdu(HandlerRun& run, const QString& apdu, QString& answer);
    bool Fm1208ApduExpectOk(HandlerRun& run, const QString& apdu, const QString& message);
    QString Fm1208TripleDes(HandlerRun& run, const QString& data, const QString& key);

    BenchContext& context_;
    LogMemo& mmOtherApiLog;

    QLineEdit* edtTestText = nullptr;
    QPushButton* btnWriteText = nullptr;
    QPushButton* btnReadText = nullptr;
    QPushButton* btnGetBankCardNo = nullptr;
    QPushButton* btnGetCardId = nullptr;
    QPushButton* btnGetDeviceNo = nullptr;
    QPushButton* btnSetRfOn = nullptr;
    QPushButton* btnSetRfOff = nullptr;
    QPushButton* btnLedOff = nullptr;
    QPushButton* btnLedOn = nullptr;
    QPushButton* btnRedLedOn = nullptr;
    QPushButton* btnGreenLedOn = nullptr;
    QPushButton* btnResetRfIc = nullptr;
    QPushButton* btnMcuConfig = nullptr;
    QPushButton* btnGetIspOption = nullptr;
    QPushButton* btnEnableIsp = nullptr;
    QPushButton* btnDisableIsp = nullptr;
    QPushButton* btnBeijingCardNo = nullptr;
    QLineEdit* edtRfRegister = nullptr;
    QLineEdit* edtRfRegisterValue = nullptr;
    QPushButton* btnReadRfRegiter = nullptr;
    QPushButton* btnWriteRfRegiter = nullptr;
    QPushButton* btnExecStringCommand = nullptr;
    QLineEdit* edtBluetoothAtCommand = nullptr;
    QPushButton* btnSendBluetoothAtCommand = nullptr;
    QComboBox* cmbBlueToolthBaudReate = nullptr;
    QPushButton* btnSetBluetoothBaudRate = nullptr;
    QPushButton* btnTestFm1208 = nullptr;
    QLineEdit* edtBeepLen = nullptr;
    QPushButton* btnBeep = nullptr;
    QPushButton* btnGetChargeVoltage = nullptr;
    QPushButton* btnGetUsbChargeStatus = nullptr;
    QComboBox* cmbChargeCurrent = nullptr;
    QPushButton* btnSetChargeCurrent = nullptr;
    QPushButton* btnGetChargeCurrent = nullptr;
    QPushButton* btnGetChargeStatus = nullptr;
    QPushButton* btnResetMcu = nullptr;
    QPushButton* btnSetMcuBkp = nullptr;
    QPushButton* btnGetDebugBkp = nullptr;
    QPushButton* btnGetDeviceMacAddress = nullptr;
    QPushButton* btnFirewareBuildTime = nullptr;
    QPushButton* btnLibBuildTime = nullptr;
    QPushButton* btnReadUsb = nullptr;
};

}  // namespace bench
