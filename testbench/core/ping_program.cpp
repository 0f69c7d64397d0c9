#include "testbench/core/ping_program.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>

namespace bench {

namespace {

constexpr int kIcmpHeaderSize = 8;
constexpr int kProgramStartMs = 2000;

QString PingPath() { return QStandardPaths::findExecutable(QStringLiteral("ping")); }

}  // namespace

bool HasPingProgram() { return !PingPath().isEmpty(); }

EchoReply ParsePingOutput(const QString& output) {
    static const QRegularExpression line(QStringLiteral(
        R"((\d+) bytes from (\d+\.\d+\.\d+\.\d+):[^\n]*ttl=(\d+)[^\n]*time=([\d.]+) ms)"));
    const QRegularExpressionMatch match = line.match(output);
    EchoReply reply;
    if (!match.hasMatch()) return reply;
    reply.received = true;
    reply.bytes = std::max(match.captured(1).toInt() - kIcmpHeaderSize, 0);
    reply.fromAddress = match.captured(2);
    reply.ttl = match.captured(3).toInt();
    reply.roundTripMs = static_cast<int>(std::lround(match.captured(4).toDouble()));
    return reply;
}

EchoReply PingWithProgram(const QString& address, int timeoutMs) {
    const QString program = PingPath();
    if (program.isEmpty()) throw IcmpError(QStringLiteral("找不到ping程序"));
    const int seconds = std::max(1, (timeoutMs + 999) / 1000);
    QProcess ping;
    ping.start(program, {QStringLiteral("-n"), QStringLiteral("-c"), QStringLiteral("1"),
                         QStringLiteral("-s"), QStringLiteral("32"), QStringLiteral("-W"),
                         QString::number(seconds), address});
    if (!ping.waitForStarted(kProgramStartMs)) throw IcmpError(QStringLiteral("ping程序无法运行"));
    if (!ping.waitForFinished(seconds * 1000 + kProgramStartMs)) {
        ping.kill();
        ping.waitForFinished();
        return {};
    }
    // Exit status 1: no reply; 2 and above: the program failed.
    if (ping.exitStatus() != QProcess::NormalExit || ping.exitCode() > 1) {
        throw IcmpError(QString::fromLocal8Bit(ping.readAllStandardError()).trimmed());
    }
    return ParsePingOutput(QString::fromLocal8Bit(ping.readAllStandardOutput()));
}

}  // namespace bench
