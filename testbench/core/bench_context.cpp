#include "testbench/core/bench_context.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QThread>

#include "korvicard/KorviCardDriver.h"
#include "testbench/core/log_memo.h"

namespace bench {

namespace {

bool OnWindowThread() { return QThread::currentThread() == qApp->thread(); }

int OpenWithDriver(const OpenRequest& request, int timeoutMs) {
    return KorviCardOpenDevice(request.name.c_str(), request.vidOrPort, request.pid,
                               request.usbIndex, timeoutMs, nullptr);
}

}  // namespace

BenchContext::BenchContext(QWidget* window)
    : QObject(window), openDevice(OpenWithDriver), window_(window) {}

void BenchContext::SetSelection(const ReaderSelection& selection) {
    std::lock_guard<std::mutex> lock(selectionMutex_);
    selection_ = selection;
}

ReaderSelection BenchContext::Selection() const {
    std::lock_guard<std::mutex> lock(selectionMutex_);
    return selection_;
}

bool BenchContext::OpenReaderDevice(int timeoutMs) {
    if (HasReader()) return true;
    const ReaderSelection selection = Selection();
    const auto request = BuildOpenRequest(selection);
    if (const QString* error = std::get_if<QString>(&request)) {
        ShowMessage(*error);
        return false;
    }
    const int handle = openDevice(std::get<OpenRequest>(request), timeoutMs);
    if (handle == kNoHandle) {
        if (!pollingRunning.load()) ShowMessage(QStringLiteral("打开设备失败"));
        return false;
    }
    hDevice_.store(handle);
    curCardType_.store(kNoCardType);
    if (selection.bluetooth) WaitMilliseconds(2000);
    return true;
}

void BenchContext::CloseReaderDevice() {
    if (Selection().bluetooth) return;
    CloseReaderForGood();
}

void BenchContext::CloseReaderForGood() {
    const int handle = hDevice_.exchange(kNoHandle);
    if (handle != kNoHandle) KorviCardCloseDevice(handle);
    curCardType_.store(kNoCardType);
}

bool BenchContext::SetCardType(char type) {
    const bool set = KorviCardSetCardType(hDevice(), type) != 0;
    curCardType_.store(set ? type : kNoCardType);
    return set;
}

void BenchContext::ShowMessage(const QString& text) {
    auto show = [this, text] {
        if (messageSink) {
            messageSink(text);
        } else {
            QMessageBox::information(window_, QApplication::applicationName(), text);
        }
    };
    if (OnWindowThread()) {
        show();
    } else {
        QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
    }
}

void BenchContext::ShowAnswerError(const QString& text) {
    if (errorLabel_ == nullptr) return;
    QMetaObject::invokeMethod(
        errorLabel_,
        [label = errorLabel_, text] {
            label->setText(text);
            label->setVisible(!text.isEmpty());
        },
        OnWindowThread() ? Qt::DirectConnection : Qt::QueuedConnection);
}

ReaderLease::ReaderLease(BenchContext& context) : context_(context) {
    if (!OnWindowThread()) {
        context_.readerMutex_.lock();
        return;
    }
    while (!context_.readerMutex_.try_lock_for(std::chrono::milliseconds(10))) {
        ProcessPendingMessages();
    }
}

ReaderLease::~ReaderLease() { context_.readerMutex_.unlock(); }

void WaitMilliseconds(int ms) {
    if (!OnWindowThread()) {
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        ProcessPendingMessages();
        QThread::msleep(5);
    }
}

}  // namespace bench
