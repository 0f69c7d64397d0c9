#include "testbench/core/ping_series.h"

#include <QPushButton>

#include "testbench/core/bench_context.h"
#include "testbench/core/log_memo.h"

namespace bench {

void IdIcmpClient1Reply(LogMemo& log, const QString& target, const EchoReply& reply) {
    log.AddLog(QStringLiteral("PING ") + (reply.received ? reply.fromAddress : target));
    if (!reply.received || reply.bytes == 0 || reply.ttl == 0) {
        log.AddLog(QStringLiteral("无数据返回"));
        return;
    }
    log.AddLog(QStringLiteral("返回字节") + QString::number(reply.bytes));
    log.AddLog(QStringLiteral("执行时间") + QString::number(reply.roundTripMs) +
               QStringLiteral("ms"));
}

void PingFourTimes(BenchContext& context, LogMemo& log, QPushButton* button,
                   const QString& addressText) {
    const QString address = addressText.trimmed();
    if (address.isEmpty()) return;
    button->setEnabled(false);
    try {
        IcmpClient client;
        for (int echo = 0; echo < 4; ++echo) {
            ProcessPendingMessages();
            IdIcmpClient1Reply(log, address, client.Ping(address, kPingTimeoutMs));
        }
    } catch (const IcmpError& error) {
        context.ShowMessage(QStringLiteral("PING出错!") + error.text());
    }
    button->setEnabled(true);
}

}  // namespace bench
