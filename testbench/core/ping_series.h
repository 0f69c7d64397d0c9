#pragma once

#include <QString>

#include "testbench/core/icmp_client.h"

class QPushButton;

namespace bench {

class BenchContext;
class LogMemo;

// Time-out of one echo of the Ping buttons.
inline constexpr int kPingTimeoutMs = 1000;

// The Ping buttons: four echoes to the trimmed address (nothing for an empty one), each
// logged; the button is disabled meanwhile. A client error shows "PING出错!" and its text and
// ends the series.
void PingFourTimes(BenchContext& context, LogMemo& log, QPushButton* button,
                   const QString& addressText);

// The lines of one echo: "PING <address>", then "无数据返回" when nothing came back, else the
// byte count and the round-trip time. target stands for the address of a reply that never came.
void IdIcmpClient1Reply(LogMemo& log, const QString& target, const EchoReply& reply);

}  // namespace bench
