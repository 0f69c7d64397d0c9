#pragma once

#include <QPlainTextEdit>
#include <QString>

class QPushButton;

namespace bench {

// A page's log: a read-only multi-line memo that takes one line per call. Lines may come
// from any thread; those of a worker thread are appended on the window thread.
class LogMemo : public QPlainTextEdit {
    Q_OBJECT
  public:
    // timestamped: each line starts with "MM-dd HH:mm:ss:zzz:".
    LogMemo(const QString& objectName, bool timestamped, QWidget* parent = nullptr);

    // Appends the line, then processes pending events other than user input, so the window
    // repaints during a long sequence and no other handler starts inside this one.
    void AddLog(const QString& text);

    // The memo's lines, oldest first.
    QStringList Lines() const;

    // The line as AddLog writes it at the given moment.
    static QString FormatLine(const QDateTime& moment, const QString& text);

  private:
    bool timestamped_;
};

// The page's "清除日志" button, emptying memo.
QPushButton* MakeClearLogButton(const QString& objectName, LogMemo* memo, QWidget* parent);

// Processes pending events other than user input.
void ProcessPendingMessages();

}  // namespace bench
