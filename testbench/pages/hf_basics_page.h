#pragma once

#include <QWidget>
#include <atomic>

#include "korvicard/KorviCardDriver.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TMyThread;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// TabSheet1 "高频基础功能": Mifare Classic, key change, CPU card, raw commands, the one-call
// block access, UltraLight, sector text, FeliCa, the NFC buffer, DESFire, and the card
// polling thread with its card-number and identity-card passes.
class HfBasicsPage : public QWidget {
    Q_OBJECT
  public:
    HfBasicsPage(BenchContext& context, QWidget* parent = nullptr);
    ~HfBasicsPage() override;

    LogMemo* log() const { return mmLog; }
    // Puts the WiFi group below the card groups and the ETHERNET group beside them; placing
    // them again leaves them where they are.
    void PlaceNetworkGroups(QWidget* wifi, QWidget* ethernet);
    // Ends the polling thread after the pass under way; nothing when none runs.
    void StopPollingThread();

    void btnTestM1Click();
    void btnTestM1_OCXClick();
    void btnChangePassWordClick();
    void btnDeselectCpuCardClick();
    void btnRestCpuCardClick();
    void btnExecCOSCommandClick();
    void btnEasyApiTestClick();
    void btnTestUltraLightClick();
    void btnReadTextInfoClick();
    void btnWriteTextInfoClick();
    void btnFelicaPollingClick();
    void btnNfcCardClick();
    void btnTestDESfireClick();
    void btnGetCardNoStartThreadClick();
    void btnGetCardNoStopThreadClick();
    void btnGetCardNoExClick();

    // One card-number pass and one identity-card pass of the polling thread.
    void PollCardOnce();
    void ReadTypeBIdPass();

  private:
    void BuildControls();
    // The network reader's reachability test before a card-number read; false stops it.
    bool ConnectionPreTest();
    // Opens the sector and authenticates it with the transport key for the text operations.
    bool OpenTextSector(HandlerRun& run, int sector);
    // The 7-byte card number of a request and anticollision, with the card type line.
    bool RequestAndAnticoll(HandlerRun& run, int requestMode);
    void SetPassCount(int count);

    BenchContext& context_;
    QBoxLayout* topRight_;
    QBoxLayout* bottomRow_;
    TMyThread* thread_ = nullptr;
    std::uint8_t easyApiCounter_ = 0;
    int typeBIdPassCount_ = 0;
    std::atomic<bool> testId_{true};
    std::atomic<bool> closeDevice_{false};

    LogMemo* mmLog = nullptr;
    QPushButton* btnClearLog = nullptr;
    QPushButton* btnTestM1 = nullptr;
    QPushButton* btnTestM1_OCX = nullptr;
    QComboBox* cmbSectorList = nullptr;
    QLineEdit* edtOldAPassWrod = nullptr;
    QLineEdit* edtNewAPassWord = nullptr;
    QLineEdit* edtOldBPassWrod = nullptr;
    QLineEdit* edtNewBPassWord = nullptr;
    QPushButton* btnChangePassWord = nullptr;
    QPushButton* btnDeselectCpuCard = nullptr;
    QPushButton* btnRestCpuCard = nullptr;
    QLineEdit* edtCOSCommand = nullptr;
    QCheckBox* chkTypeB = nullptr;
    QPushButton* btnExecCOSCommand = nullptr;
    QPushButton* btnEasyApiTest = nullptr;
    QPushButton* btnTestUltraLight = nullptr;
    QLineEdit* edtTextInfo = nullptr;
    QPushButton* btnReadTextInfo = nullptr;
    QPushButton* btnWriteTextInfo = nullptr;
    QPushButton* btnFelicaPolling = nullptr;
    QPushButton* btnNfcCard = nullptr;
    QPushButton* btnTestDESfire = nullptr;
    QPushButton* btnGetCardNoStartThread = nullptr;
    QPushButton* btnGetCardNoStopThread = nullptr;
    QCheckBox* chkTestId = nullptr;
    QCheckBox* chkCloseDevice = nullptr;
    QPushButton* btnGetCardNoEx = nullptr;
    QLabel* lblCount = nullptr;
};

}  // namespace bench
