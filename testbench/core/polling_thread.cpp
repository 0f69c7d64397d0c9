#include "testbench/core/polling_thread.h"

#include <QEventLoop>

TMyThread::TMyThread(std::function<void()> pass, QObject* parent)
    : QThread(parent), pass_(std::move(pass)) {}

void TMyThread::run() {
    while (!isInterruptionRequested()) pass_();
}

void TMyThread::StopAndWait() {
    requestInterruption();
    if (!isRunning()) return;
    QEventLoop loop;
    connect(this, &QThread::finished, &loop, &QEventLoop::quit);
    if (isRunning()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    wait();
}
