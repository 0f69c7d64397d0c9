#pragma once

#include <QString>
#include <QWidget>
#include <initializer_list>

#include "korvicard/KorviCardDriver.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// TabSheet8 "接触式": the reader's contact slots (slot choice, power, reset, APDUs, supply
// voltage), the SIM, bank, social-security and fuel card reads through a slot, and a script
// over the ICC_Reader_ interface. The slot handlers leave the reader open, so the slot's
// state carries over from one button to the next.
class ContactCardPage : public QWidget {
    Q_OBJECT
  public:
    ContactCardPage(BenchContext& context, QWidget* parent = nullptr);

    void btnSetSamSlotIndexClick();
    void btnSamPowerOnClick();
    void btnSamPowerOffClick();
    void btnResetSamClick();
    void btnSendSamAPDUClick();
    void btnSimIsWhiteClick();
    void btnSimCardNoClick();
    void btnGetBankCardNoBy7816Click();
    void btnGetSSCCardInfoClick();
    void btnGetSSCCardInfoV3Click();
    void btnTestICCClick();
    void btnSinopecClick();
    void btnPetroChinaClick();
    void btnSet7816VoltageClick();
    void chkOnlyCardNoClick();

  private:
    void BuildControls();
    // Slot power: the lines of the power buttons. True when the call succeeded.
    bool SetPower(HandlerRun& run, bool on);
    // KorviCardResetSam and the ATR line.
    bool ResetStep(HandlerRun& run);
    // Sends the APDU written as hexadecimal text through the selected slot and logs its
    // answer. False for an empty command (no line), a refused one, or a failed call.
    bool SendSamApduHex(HandlerRun& run, const QString& text);
    // The reset step, then the APDUs in order until one fails.
    void RunSimSequence(std::initializer_list<const char*> apdus);
    // Power on and reset of the selected slot for the card reads that close the reader.
    bool PowerOnAndReset(HandlerRun& run);
    void ReadFuelCard(bool sinopec);
    void LogFuelCard(const KorviCardSinopecCardParam& card, bool sinopec);
    void RunIccReaderScript(int h);

    BenchContext& context_;

    QLineEdit* edtSamApdu = nullptr;
    QComboBox* cmbSamSlotIndex = nullptr;
    QComboBox* cmb7816Voltage = nullptr;
    QLineEdit* edtCardPassword = nullptr;
    QCheckBox* chkOnlyCardNo = nullptr;
    QCheckBox* chkSSCCardUse7816 = nullptr;
    LogMemo* mmSamLog = nullptr;
    QPushButton* btnSetSamSlotIndex = nullptr;
    QPushButton* btnSamPowerOn = nullptr;
    QPushButton* btnSamPowerOff = nullptr;
    QPushButton* btnResetSam = nullptr;
    QPushButton* btnSendSamAPDU = nullptr;
    QPushButton* btnClearSamLog = nullptr;
    QPushButton* btnSimIsWhite = nullptr;
    QPushButton* btnSimCardNo = nullptr;
    QPushButton* btnGetBankCardNoBy7816 = nullptr;
    QPushButton* btnGetSSCCardInfo = nullptr;
    QPushButton* btnGetSSCCardInfoV3 = nullptr;
    QPushButton* btnTestICC = nullptr;
    QPushButton* btnSinopec = nullptr;
    QPushButton* btnPetroChina = nullptr;
    QPushButton* btnSet7816Voltage = nullptr;
    // Hidden, without action.
    QPushButton* btnSam5VPowerOn = nullptr;
    QPushButton* btnSam5VPowerOff = nullptr;
    QPushButton* btnSam3VPowerOn = nullptr;
    QPushButton* btnSam3VPowerOff = nullptr;
};

}  // namespace bench
