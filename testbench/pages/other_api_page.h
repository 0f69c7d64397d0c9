#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace bench {

class BenchContext;
class LogMemo;

// TabSheet4 "高频其他API测试": the remaining card and reader utilities, and the identity
// card's type-B identifier and DN test with its statistics.
class OtherApiPage : public QWidget {
    Q_OBJECT
  public:
    OtherApiPage(BenchContext& context, QWidget* parent = nullptr);

    LogMemo* log() const { return mmOtherApiLog; }

    void btnGetUidClick();
    void btnGetMcuSerialNoClick();
    void btnClearOtherApiLogClick();

  private:
    void CountFailure();
    void ShowStatistics();

    BenchContext& context_;
    int uidTestOkCount_ = 0;
    int uidTestFailCount_ = 0;

    LogMemo* mmOtherApiLog = nullptr;
    QPushButton* btnClearOtherApiLog = nullptr;
    QPushButton* btnGetUid = nullptr;
    QPushButton* btnGetMcuSerialNo = nullptr;
    QLabel* lblOtherApiCount = nullptr;
};

}  // namespace bench
