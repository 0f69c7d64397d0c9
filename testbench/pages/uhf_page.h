#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// TabSheet5 "超高频基础功能": the reader's M100 UHF module: firmware, inventories, power,
// region and channel, hopping, carrier, Query and receiver parameters, scans, inventory mode,
// Select, and tag memory, lock and kill.
class UhfPage : public QWidget {
    Q_OBJECT
  public:
    UhfPage(BenchContext& context, QWidget* parent = nullptr);

    LogMemo* log() const { return mmUhfLog; }

    // Refills the channel list for the selected region; the window runs it once at start.
    void cmbRegionChange();

    void btnGetUhfFwVersionClick();
    void btnInventoryClick();
    void btnReadMultiClick();
    void btnStopMultiClick();
    void btnGetPowerClick();
    void btnSetPowerClick();
    void btnSetRegionClick();
    void btnGetRFChannelClick();
    void btnSetRFChannelClick();
    void chkSetFHSSClick();
    void chkSetCWClick();
    void btnGetQueryParameterClick();
    void btnSetQueryParameterClick();
    void btnScanJammerClick();
    void btnScanRssiClick();
    void btnReadModemParameterClick();
    void btnSetModemParameterClick();
    void cmbSetInventoryModeChange();
    void btnSetSelectParameterClick();
    void btnUhfReadDataClick();
    void btnUhfWriteDataClick();
    void btnLockUnlockClick();
    void btnKillClick();

  private:
    void BuildControls();
    // Opens the reader and beeps; false when the run ends here.
    bool Begin(HandlerRun& run);
    // A call whose success shows nothing: its failure line and the error text.
    void RunQuiet(const char* exportName, const std::function<int(int handle)>& call);
    void LogScan(const char* exportName,
                 int (*scan)(int, unsigned char*, unsigned char*, unsigned char*, int*));
    // The first three lines of a tag: RSSI, PC and EPC.
    void LogTag(std::uint8_t rssi, std::uint16_t pc, const QString& epcHex);

    BenchContext& context_;

    QPushButton* btnGetUhfFwVersion = nullptr;
    QComboBox* cmbRegion = nullptr;
    QPushButton* btnSetRegion = nullptr;
    QLineEdit* edtPower = nullptr;
    QPushButton* btnGetPower = nullptr;
    QPushButton* btnSetPower = nullptr;
    QComboBox* cmbRFChannel = nullptr;
    QPushButton* btnGetRFChannel = nullptr;
    QPushButton* btnSetRFChannel = nullptr;
    QCheckBox* chkSetFHSS = nullptr;
    QCheckBox* chkSetCW = nullptr;
    QComboBox* cmbSetInventoryMode = nullptr;
    QPushButton* btnInventory = nullptr;
    QPushButton* btnReadMulti = nullptr;
    QPushButton* btnStopMulti = nullptr;
    QPushButton* btnGetQueryParameter = nullptr;
    QPushButton* btnSetQueryParameter = nullptr;
    QPushButton* btnScanJammer = nullptr;
    QPushButton* btnScanRssi = nullptr;
    QPushButton* btnReadModemParameter = nullptr;
    QPushButton* btnSetModemParameter = nullptr;
    QComboBox* cmbEpcList = nullptr;
    QComboBox* cmbMemBank = nullptr;
    QLineEdit* edtStart = nullptr;
    QLineEdit* edtDataLength = nullptr;
    QLineEdit* edtMemData = nullptr;
    QPushButton* btnSetSelectParameter = nullptr;
    QPushButton* btnUhfReadData = nullptr;
    QPushButton* btnUhfWriteData = nullptr;
    QPushButton* btnLockUnlock = nullptr;
    QPushButton* btnKill = nullptr;
    LogMemo* mmUhfLog = nullptr;
};

}  // namespace bench
