#include "testbench/core/log_memo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPushButton>
#include <QThread>

namespace bench {

LogMemo::LogMemo(const QString& objectName, bool timestamped, QWidget* parent)
    : QPlainTextEdit(parent), timestamped_(timestamped) {
    setObjectName(objectName);
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAccessibleName(objectName);
}

QString LogMemo::FormatLine(const QDateTime& moment, const QString& text) {
    return moment.toString(QStringLiteral("MM-dd HH:mm:ss:zzz")) + QLatin1Char(':') + text;
}

void LogMemo::AddLog(const QString& text) {
    const QString line = timestamped_ ? FormatLine(QDateTime::currentDateTime(), text) : text;
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, line] { appendPlainText(line); }, Qt::QueuedConnection);
        return;
    }
    appendPlainText(line);
    ProcessPendingMessages();
}

QStringList LogMemo::Lines() const {
    QStringList lines = toPlainText().split(QLatin1Char('\n'));
    if (lines.size() == 1 && lines.front().isEmpty()) lines.clear();
    return lines;
}

QPushButton* MakeClearLogButton(const QString& objectName, LogMemo* memo, QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("清除日志"), parent);
    button->setObjectName(objectName);
    button->setAccessibleName(button->text());
    QObject::connect(button, &QPushButton::clicked, memo, &QPlainTextEdit::clear);
    return button;
}

void ProcessPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace bench
