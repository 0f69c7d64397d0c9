#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "testbench/pages/m1_page_checks.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// TabSheet6 "M1(S50/S70)读写": the blocks of one sector of a Mifare Classic card, read into
// the block edits or written from them; trailers are shown but never written.
class M1ReadWritePage : public QWidget {
    Q_OBJECT
  public:
    M1ReadWritePage(BenchContext& context, QWidget* parent = nullptr);

    LogMemo* log() const { return mmM1RWLog; }

    void btnReadDataClick();
    void btnWriteDataClick();

  private:
    using Key = std::array<std::uint8_t, 6>;

    void BuildControls();
    // Key A, and key B when it is to be checked too, as 12 hexadecimal digits each; logs the
    // refusal otherwise.
    bool ReadKeys(Key& keyA, Key& keyB);
    // The card's number and size lines; false when there is no card. Sets card4K.
    bool FindCard(HandlerRun& run, int requestMode, bool& card4K);
    // Key A, then key B when asked for, for the sector.
    bool AuthenticateSector(HandlerRun& run, int sector, const Key& keyA, const Key& keyB);
    bool Authenticate(HandlerRun& run, int keyMode, int sector, const Key& key, QChar which);

    BenchContext& context_;

    QLineEdit* edtM1RWPasswordA = nullptr;
    QLineEdit* edtM1RWPasswordB = nullptr;
    QComboBox* cmbM1RWSectorList = nullptr;
    QCheckBox* chkAuthB = nullptr;
    QCheckBox* chkBuiltInPassword = nullptr;
    std::array<QLineEdit*, kM1BlocksShown> edtBlockData{};
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* btnReadData = nullptr;
    QPushButton* btnWriteData = nullptr;
    LogMemo* mmM1RWLog = nullptr;
    QPushButton* btnClearM1RWLog = nullptr;
};

}  // namespace bench
