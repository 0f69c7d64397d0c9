#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "testbench/pages/m1_page_checks.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;

// TabSheet2 "M1(S50/S70)密码初始化": new keys A and B written into the trailer of every
// sector of a Mifare Classic card, with the card's current keys.
class M1KeyInitPage : public QWidget {
    Q_OBJECT
  public:
    M1KeyInitPage(BenchContext& context, QWidget* parent = nullptr);

    LogMemo* log() const { return mmChangePassWordLog; }

    void btnCopyAPassClick();
    void btnCopyBPassClick();
    void btnChangeCardPassWordClick();

  private:
    enum class SectorResult { kChanged, kKeyNotLoaded, kCardRefused };

    void BuildControls();
    // Every new key as 12 hexadecimal digits; logs a line for each one that is not.
    bool NewKeysValid();
    // The card's current keys.
    using Key = std::array<std::uint8_t, 6>;
    SectorResult ChangeSectorKeys(HandlerRun& run, int sector, const Key& oldA, const Key& oldB);
    // A refused command leaves the card idle: select it again for the next sector.
    void WakeCard(HandlerRun& run);

    BenchContext& context_;

    QLineEdit* edtOldPassWrodA = nullptr;
    QLineEdit* edtOldPassWrodB = nullptr;
    std::array<QLineEdit*, kM1SectorCount> edtASector{};
    std::array<QLineEdit*, kM1SectorCount> edtBSector{};
    QPushButton* btnCopyAPass = nullptr;
    QPushButton* btnCopyBPass = nullptr;
    QPushButton* btnChangeCardPassWord = nullptr;
    QProgressBar* pgbChangePassWord = nullptr;
    QLabel* lblMessage = nullptr;
    LogMemo* mmChangePassWordLog = nullptr;
    QPushButton* btnClearChangePassWordLog = nullptr;
};

}  // namespace bench
