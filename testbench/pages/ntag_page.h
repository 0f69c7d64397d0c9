#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class HandlerRun;
class LogMemo;
struct NtagModel;

// TabSheet3 "NTAG系列卡片": the pages of an NTAG203-style tag read and one page written, the
// NTAG21x version record and model, and the NTAG21x password protection switched on and off.
class NtagPage : public QWidget {
    Q_OBJECT
  public:
    NtagPage(BenchContext& context, QWidget* parent = nullptr);

    LogMemo* log() const { return mmNtagLog; }

    void btnReadNtag203Click();
    void btnWriteNtag203Click();
    void btnNtagGetVersionClick();
    void btnLockNtag21xClick();
    void btnNtagPwdAuthClick();
    void btnUnlockNtag21xClick();

  private:
    static constexpr int kPageEdits = 45;  // pages 0-44
    using PageBytes = std::array<std::uint8_t, 4>;

    void BuildControls();
    // Request and anticollision of the tag, with its type and number lines.
    bool OpenTag(HandlerRun& run);
    // The tag opening, the version record and the model line; model is null for a model the
    // bench does not know.
    bool ReadVersion(HandlerRun& run, const NtagModel*& model);
    bool WritePage(HandlerRun& run, int page, const PageBytes& bytes);
    bool PwdAuth(HandlerRun& run);
    // The pause and the close of a successful run.
    void FinishRun(HandlerRun& run);

    BenchContext& context_;

    std::array<QLineEdit*, kPageEdits> edtPage{};
    QLineEdit* edtPage130 = nullptr;
    QLineEdit* edtPage226 = nullptr;
    QComboBox* cmbPageIndex = nullptr;
    QLineEdit* edtPageData = nullptr;
    QPushButton* btnReadNtag203 = nullptr;
    QPushButton* btnWriteNtag203 = nullptr;
    QPushButton* btnNtagGetVersion = nullptr;
    QPushButton* btnLockNtag21x = nullptr;
    QPushButton* btnNtagPwdAuth = nullptr;
    QPushButton* btnUnlockNtag21x = nullptr;
    LogMemo* mmNtagLog = nullptr;
    QPushButton* btnClearNtag203Log = nullptr;
};

}  // namespace bench
