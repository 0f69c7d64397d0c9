#pragma once

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class LogMemo;

// The group GroupBox13 "ETHERNET" of TabSheet1: the reader's network and application
// configuration record, its MAC address and the ping of its address, logged into mmLog.
class EthernetGroup : public QGroupBox {
    Q_OBJECT
  public:
    EthernetGroup(BenchContext& context, LogMemo& log, QWidget* parent = nullptr);

    void btnPingEthernetClick();
    void btnSetAppConfigEthernetClick();
    void btnGetAppConfigEthernetClick();
    void btnGetMcuMacAddressExClick();

  private:
    void BuildControls();
    // The model check of the configuration handlers: USB or serial readers, else a log line.
    bool ModelTakesConfig();

    BenchContext& context_;
    LogMemo& log_;

    QCheckBox* chkSTM32IapEthernet = nullptr;
    QLineEdit* edtStaticIpEthernet = nullptr;
    QLineEdit* edtNetworkMaskEthernet = nullptr;
    QLineEdit* edtGateWayEthernet = nullptr;
    QLineEdit* edtOperatePassword = nullptr;
    QLineEdit* edtServerIpEthernet = nullptr;
    QLineEdit* edtServerPortEthernt = nullptr;
    QLineEdit* edtDispatchPostCode = nullptr;
    QComboBox* cmbDispatchLineType = nullptr;
    QLineEdit* edtDispatchAccount = nullptr;
    QLineEdit* edtDispatchPassword = nullptr;
    QLineEdit* edtDispatchUrl = nullptr;
    QLineEdit* edtDnsAddress = nullptr;
    QPushButton* btnPingEthernet = nullptr;
    QPushButton* btnSetAppConfigEthernet = nullptr;
    QPushButton* btnGetAppConfigEthernet = nullptr;
    QPushButton* btnGetMcuMacAddressEx = nullptr;
};

}  // namespace bench
