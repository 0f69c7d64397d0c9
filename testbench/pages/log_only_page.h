#pragma once

#include <QWidget>

namespace bench {

class LogMemo;

// A page whose controls are still to come: its log memo and its "清除日志" button.
class LogOnlyPage : public QWidget {
    Q_OBJECT
  public:
    LogOnlyPage(const QString& pageName, const QString& memoName, const QString& clearName,
                bool timestamped, QWidget* parent = nullptr);

    LogMemo* log() const { return memo_; }

  private:
    LogMemo* memo_;
};

}  // namespace bench
