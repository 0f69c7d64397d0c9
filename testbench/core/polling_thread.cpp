#include "testbench/core/polling_thread.h"

#include <QDeadlineTimer>

#include "testbench/core/log_memo.h"

TMyThread::TMyThread(std::function<void()> pass, QObject* parent)
    : QThread(parent), pass_(std::move(pass)) {}

void TMyThread::run() {
    while (!isInterruptionRequested()) pass_();
}

void TMyThread::StopAndWait() {
    requestInterruption();
    // Waits in short steps rather than for the finished signal, which may already have
    // been sent before a connection to it could be made; then delivers what the last pass
    // handed over.
    while (!wait(QDeadlineTimer(10))) bench::ProcessPendingMessages();
    bench::ProcessPendingMessages();
}
