#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

#include "testbench/core/reader_selection.h"

class QLabel;
class QWidget;

namespace bench {

// What every page shares: the open reader (hDevice), the card type last set on it
// (curCardType), the reader selection, the open and close rules, and the messages of the
// window. Handlers run on the window thread; the polling thread's passes use the same reader,
// one at a time (ReaderLease).
class BenchContext : public QObject {
    Q_OBJECT
  public:
    static constexpr int kNoHandle = -1;
    // curCardType after a new handle or a model change: no type is known to be set.
    static constexpr char kNoCardType = '\0';

    explicit BenchContext(QWidget* window);

    int hDevice() const { return hDevice_.load(); }
    bool HasReader() const { return hDevice() != kNoHandle; }
    char curCardType() const { return curCardType_.load(); }
    void SetCurCardType(char type) { curCardType_.store(type); }
    // Switches the open reader to the card type with KorviCardSetCardType and keeps
    // curCardType in step with the reader: the type after success, unknown after a failure.
    bool SetCardType(char type);

    // The selection area's state, kept by the window thread for OpenReaderDevice.
    void SetSelection(const ReaderSelection& selection);
    ReaderSelection Selection() const;

    // Opens the selected reader unless one is open. False when no reader is open afterwards;
    // the failure shows "打开设备失败" unless the polling thread runs. A new handle forgets
    // curCardType.
    bool OpenReaderDevice(int timeoutMs);
    // Closes the reader unless the Bluetooth box keeps it open.
    void CloseReaderDevice();
    // Closes the reader whatever the Bluetooth box says: the model changed or the window goes.
    void CloseReaderForGood();

    // A message box of the window, shown from any thread (a worker waits for it).
    void ShowMessage(const QString& text);
    // The red answer-error label at the top of the window, set from any thread.
    void SetErrorLabel(QLabel* label) { errorLabel_ = label; }
    void ShowAnswerError(const QString& text);

    // Set while the polling thread runs: open failures are then silent.
    std::atomic<bool> pollingRunning{false};

    // Test seams: what opens a reader (KorviCardOpenDevice by default) and where message
    // box texts go (a modal box by default).
    std::function<int(const OpenRequest&, int timeoutMs)> openDevice;
    std::function<void(const QString&)> messageSink;

  private:
    friend class ReaderLease;

    QWidget* window_;
    QLabel* errorLabel_ = nullptr;
    std::atomic<int> hDevice_{kNoHandle};
    std::atomic<char> curCardType_{'A'};
    mutable std::mutex selectionMutex_;
    ReaderSelection selection_;
    std::recursive_timed_mutex readerMutex_;
};

// Holds the reader for one handler run or one pass of the polling thread. On the window
// thread the wait processes pending events other than user input, so a pass that hands
// lines or a message box to the window can finish.
class ReaderLease {
  public:
    explicit ReaderLease(BenchContext& context);
    ~ReaderLease();
    ReaderLease(const ReaderLease&) = delete;
    ReaderLease& operator=(const ReaderLease&) = delete;

  private:
    BenchContext& context_;
};

// Waits the given time; on the window thread pending events other than user input go on.
void WaitMilliseconds(int ms);

}  // namespace bench
