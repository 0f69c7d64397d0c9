#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace bench {

class BenchContext;
class LogMemo;
class RadioGroup;

// TabSheet9 "继电器控制": the ten output relays and the RS232-side relay, and the relays'
// power-on states. Every handler leaves the reader open.
class RelayPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRelayCount = 10;

    RelayPage(BenchContext& context, QWidget* parent = nullptr);

    LogMemo* log() const { return mmRelayLog; }

    // The click handler of rgRelay1..rgRelay10; sender is the group clicked.
    void rgRelay1Click(RadioGroup* sender);
    void btnGetRelayStatusClick();
    void btnGetRelayInitClick();
    void btnSetRelayInitClick();
    void btn232RelayHighClick();
    void btn232RelayLowClick();

  private:
    void BuildControls();
    void Set232Relay(int state);
    // The relay password text as the driver takes it.
    QByteArray RelayPassword() const;

    BenchContext& context_;
    std::uint8_t relayClickGuard_ = 0;

    std::array<RadioGroup*, kRelayCount> rgRelay{};
    QLineEdit* edtReplayPassword = nullptr;
    QPushButton* btnGetRelayStatus = nullptr;
    QLineEdit* edtResetInitStatus = nullptr;
    QPushButton* btnGetRelayInit = nullptr;
    QPushButton* btnSetRelayInit = nullptr;
    QPushButton* btn232RelayHigh = nullptr;
    QPushButton* btn232RelayLow = nullptr;
    LogMemo* mmRelayLog = nullptr;
};

}  // namespace bench
