#pragma once

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// The group WIFI of TabSheet1: the reader's WiFi module (mode, access-point scan, station
// settings, on and off) and the server address its network module reports to, logged into
// mmLog. Two hidden diagnostic buttons use the reader already open.
class WifiGroup : public QGroupBox {
    Q_OBJECT
  public:
    // edtIPAdress: the reader address of the selection area, set from the station address.
    WifiGroup(BenchContext& context, LogMemo& log, QLineEdit* edtIPAdress,
              QWidget* parent = nullptr);

    void btnGetWifiModeClick();
    void btnSetModeClick();
    void btnScanApClick();
    void btnSetStaInfoClick();
    void btnGetIPClick();
    void btnWifiDisableClick();
    void btnWifiEnableClick();
    void btnSetIpPortClick();
    void btnGetIpPortClick();
    void chkUseDhcpClick();
    void Button1Click();
    void Button2Click();

  private:
    void BuildControls();
    // The model check of the WiFi handlers: USB or serial readers, else the message.
    bool ModelReachesWifi(const QString& message);
    // Opens the reader; on failure shows "打开设备失败!".
    bool OpenForWifi(HandlerRun& run);
    // Reads the mode into mode and logs it; false after the failure message box.
    bool ReadMode(HandlerRun& run, unsigned char& mode);
    // One call whose lines are "调用<name>成功!" or "调用<name>失败!".
    void SwitchModule(const char* exportName, int (*call)(int handle));
    // The hidden buttons' guard: false, with a log line, when no reader is open.
    bool HasOpenReader();

    BenchContext& context_;
    LogMemo& log_;
    QLineEdit* edtIPAdress_;

    QComboBox* cmbWifiMode = nullptr;
    QComboBox* cmbApList = nullptr;
    QLineEdit* edtWifiPassWord = nullptr;
    QLineEdit* edtServerIp = nullptr;
    QLineEdit* edtServerPort = nullptr;
    QLineEdit* edtStaticIp = nullptr;
    QLineEdit* edtNetworkMask = nullptr;
    QLineEdit* edtDns = nullptr;
    QLineEdit* edtGateWay = nullptr;
    QCheckBox* chkUseDhcp = nullptr;
    QPushButton* btnGetWifiMode = nullptr;
    QPushButton* btnSetMode = nullptr;
    QPushButton* btnScanAp = nullptr;
    QPushButton* btnSetStaInfo = nullptr;
    QPushButton* btnGetIP = nullptr;
    QPushButton* btnWifiDisable = nullptr;
    QPushButton* btnWifiEnable = nullptr;
    QPushButton* btnSetIpPort = nullptr;
    QPushButton* btnGetIpPort = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

}  // namespace bench
