#include "testbench/pages/log_only_page.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "testbench/core/log_memo.h"

namespace bench {

LogOnlyPage::LogOnlyPage(const QString& pageName, const QString& memoName, const QString& clearName,
                         bool timestamped, QWidget* parent)
    : QWidget(parent), memo_(new LogMemo(memoName, timestamped, this)) {
    setObjectName(pageName);
    auto* page = new QVBoxLayout(this);
    page->addWidget(memo_, 1);
    page->addWidget(MakeClearLogButton(clearName, memo_, this), 0, Qt::AlignRight);
}

}  // namespace bench
