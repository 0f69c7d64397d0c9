#pragma once

#include <QThread>
#include <functional>

// The card polling worker: runs one pass after another until it is asked to stop. A pass
// never touches a widget; what it shows reaches the window through queued calls.
class TMyThread : public QThread {
    Q_OBJECT
  public:
    explicit TMyThread(std::function<void()> pass, QObject* parent = nullptr);

    // Asks the thread to end after the pass under way and waits for it, processing the
    // window's pending events (other than user input) meanwhile, so the pass can hand its
    // last lines over. Returns at once when the thread is not running.
    void StopAndWait();

  protected:
    void run() override;

  private:
    std::function<void()> pass_;
};
