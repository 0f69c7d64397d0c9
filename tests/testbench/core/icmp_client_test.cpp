// The bench's ICMP echo client: each route against loopback, the exchange over a channel that
// stays silent or answers with strangers, address checks, the ping program's output and the
// reply lines of the Ping buttons. Nothing leaves 127.0.0.0/8.

#include "testbench/core/icmp_client.h"

#include <arpa/inet.h>

#include <QElapsedTimer>
#include <QTest>
#include <deque>

#include "testbench/core/log_memo.h"
#include "testbench/core/ping_program.h"
#include "testbench/core/ping_series.h"

using bench::EchoReply;
using bench::IcmpClient;
using bench::IcmpMessage;
using bench::IcmpRoute;

Q_DECLARE_METATYPE(IcmpRoute)
Q_DECLARE_METATYPE(EchoReply)

namespace {

// A channel that records what is sent and hands out queued messages, then nothing.
class ScriptedChannel : public bench::EchoChannel {
  public:
    explicit ScriptedChannel(bool setsIdentifier = false, bool sendWorks = true)
        : setsIdentifier_(setsIdentifier), sendWorks_(sendWorks) {}

    bool Send(in_addr to, std::span<const std::uint8_t> message) override {
        sent.emplace_back(to, std::vector<std::uint8_t>(message.begin(), message.end()));
        return sendWorks_;
    }
    std::optional<IcmpMessage> Receive(int timeoutMs) override {
        if (answers.empty()) {
            QTest::qSleep(timeoutMs);
            return std::nullopt;
        }
        IcmpMessage message = answers.front();
        answers.pop_front();
        return message;
    }
    bool SetsIdentifier() const override { return setsIdentifier_; }

    // An echo reply to the last request, its identifier and sequence changed by the deltas.
    IcmpMessage ReplyToLast(int identifierDelta = 0, int sequenceDelta = 0) const {
        IcmpMessage message;
        message.bytes = sent.back().second;
        message.bytes[0] = 0;
        message.bytes[5] = static_cast<std::uint8_t>(message.bytes[5] + identifierDelta);
        message.bytes[7] = static_cast<std::uint8_t>(message.bytes[7] + sequenceDelta);
        inet_pton(AF_INET, "127.0.0.1", &message.from);
        message.ttl = 64;
        return message;
    }

    std::vector<std::pair<in_addr, std::vector<std::uint8_t>>> sent;
    std::deque<IcmpMessage> answers;

  private:
    bool setsIdentifier_;
    bool sendWorks_;
};

// A channel that answers every request at once with the reply ScriptedChannel builds.
class EchoingChannel : public ScriptedChannel {
  public:
    EchoingChannel(int identifierDelta, int sequenceDelta)
        : identifierDelta_(identifierDelta), sequenceDelta_(sequenceDelta) {}
    bool Send(in_addr to, std::span<const std::uint8_t> message) override {
        ScriptedChannel::Send(to, message);
        answers.push_back(ReplyToLast(identifierDelta_, sequenceDelta_));
        return true;
    }

  private:
    int identifierDelta_;
    int sequenceDelta_;
};

}  // namespace

class IcmpClientTest : public QObject {
    Q_OBJECT
  private slots:
    void Checksum_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("checksum");
        QTest::newRow("RFC 1071 example") << QByteArray::fromHex("0001f203f4f5f6f7") << 0x220D;
        QTest::newRow("odd length pads a zero") << QByteArray::fromHex("0001f2") << 0x0DFE;
        QTest::newRow("carry folds back") << QByteArray::fromHex("ffffffff") << 0x0000;
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
    }
    void Checksum() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, checksum);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        QCOMPARE(bench::InternetChecksum({data, static_cast<std::size_t>(bytes.size())}), checksum);
    }

    void EachRouteReachesLoopback_data() {
        QTest::addColumn<IcmpRoute>("route");
        QTest::addColumn<QString>("address");
        QTest::newRow("datagram") << IcmpRoute::kDatagram << "127.0.0.1";
        QTest::newRow("raw") << IcmpRoute::kRaw << "127.0.0.1";
        QTest::newRow("raw, another loopback address") << IcmpRoute::kRaw << "127.0.0.2";
        QTest::newRow("ping program") << IcmpRoute::kPingProgram << "127.0.0.1";
    }
    void EachRouteReachesLoopback() {
        QFETCH(IcmpRoute, route);
        QFETCH(QString, address);
        std::unique_ptr<IcmpClient> client;
        try {
            client = std::make_unique<IcmpClient>(route);
        } catch (const bench::IcmpError& error) {
            QSKIP(qPrintable(error.text()));
        }
        for (int echo = 0; echo < 2; ++echo) {
            const EchoReply reply = client->Ping(address, 2000);
            QVERIFY(reply.received);
            QCOMPARE(reply.fromAddress, address);
            QCOMPARE(reply.bytes, 32);
            QVERIFY2(reply.ttl > 0 && reply.ttl <= 255, qPrintable(QString::number(reply.ttl)));
            QVERIFY(reply.roundTripMs >= 0 && reply.roundTripMs < 2000);
        }
    }

    void TheDefaultRouteWorksHere() {
        IcmpClient client;
        const EchoReply reply = client.Ping(QStringLiteral("127.0.0.1"), 2000);
        QVERIFY(reply.received);
        QCOMPARE(reply.ttl, 64);  // loopback's default time-to-live
    }

    void RequestLayout() {
        auto channel = std::make_unique<ScriptedChannel>();
        ScriptedChannel& seen = *channel;
        IcmpClient client(std::move(channel));
        client.Ping(QStringLiteral("127.0.0.5"), 10);
        client.Ping(QStringLiteral("127.0.0.5"), 10);
        QCOMPARE(seen.sent.size(), std::size_t{2});
        QCOMPARE(ntohl(seen.sent[0].first.s_addr), 0x7F000005u);
        const std::vector<std::uint8_t>& request = seen.sent[1].second;
        QCOMPARE(request.size(), std::size_t{40});
        QCOMPARE(request[0], std::uint8_t{8});  // echo request, code 0
        QCOMPARE(request[1], std::uint8_t{0});
        QCOMPARE(bench::InternetChecksum(request), 0);
        QCOMPARE(request[7], static_cast<std::uint8_t>(seen.sent[0].second[7] + 1));
    }

    void WaitsOutTheTimeOut_data() {
        QTest::addColumn<int>("identifierDelta");
        QTest::addColumn<int>("sequenceDelta");
        QTest::addColumn<bool>("received");
        QTest::newRow("its own reply") << 0 << 0 << true;
        QTest::newRow("a reply to another request") << 0 << 1 << false;
        QTest::newRow("a reply to another client") << 1 << 0 << false;
    }
    void WaitsOutTheTimeOut() {
        QFETCH(int, identifierDelta);
        QFETCH(int, sequenceDelta);
        QFETCH(bool, received);
        IcmpClient client(std::make_unique<EchoingChannel>(identifierDelta, sequenceDelta));
        QElapsedTimer timer;
        timer.start();
        const EchoReply reply = client.Ping(QStringLiteral("127.0.0.1"), 150);
        QCOMPARE(reply.received, received);
        if (!received) {
            QVERIFY(timer.elapsed() >= 150);
            QVERIFY(timer.elapsed() < 1000);
        } else {
            QCOMPARE(reply.bytes, 32);
            QCOMPARE(reply.fromAddress, QStringLiteral("127.0.0.1"));
        }
    }

    void DatagramSocketsIgnoreTheIdentifier() {
        auto channel = std::make_unique<ScriptedChannel>(true);
        ScriptedChannel& seen = *channel;
        IcmpClient client(std::move(channel));
        client.Ping(QStringLiteral("127.0.0.1"), 10);
        seen.answers.push_back(seen.ReplyToLast(7, 1));  // the next sequence, any identifier
        QVERIFY(client.Ping(QStringLiteral("127.0.0.1"), 100).received);
    }

    void RefusedAddressesSendNothing_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("host name") << "localhost";
        QTest::newRow("three parts") << "127.0.1";
        QTest::newRow("five parts") << "127.0.0.1.1";
        QTest::newRow("above 255") << "127.0.0.256";
        QTest::newRow("blank inside") << "127.0. 0.1";
        QTest::newRow("empty part") << "127..0.1";
    }
    void RefusedAddressesSendNothing() {
        QFETCH(QString, address);
        auto channel = std::make_unique<ScriptedChannel>();
        ScriptedChannel& seen = *channel;
        IcmpClient client(std::move(channel));
        QVERIFY_THROWS_EXCEPTION(bench::IcmpError, client.Ping(address, 10));
        QVERIFY(seen.sent.empty());
    }

    void FailedSendIsAnError() {
        IcmpClient client(std::make_unique<ScriptedChannel>(false, false));
        QVERIFY_THROWS_EXCEPTION(bench::IcmpError, client.Ping(QStringLiteral("127.0.0.1"), 10));
    }

    void PingProgramOutput_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("received");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("ttl");
        QTest::addColumn<int>("ms");
        QTest::newRow("reply") << "PING 127.0.0.1 (127.0.0.1) 32(60) bytes of data.\n"
                                  "40 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.045 ms\n"
                               << true << 32 << 64 << 0;
        QTest::newRow("slow reply rounds") << "40 bytes from 127.0.0.3: icmp_seq=1 ttl=255 "
                                              "time=12.6 ms\n"
                                           << true << 32 << 255 << 13;
        QTest::newRow("no reply") << "PING 127.0.0.1 (127.0.0.1) 32(60) bytes of data.\n\n"
                                     "1 packets transmitted, 0 received, 100% packet loss\n"
                                  << false << 0 << 0 << 0;
    }
    void PingProgramOutput() {
        QFETCH(QString, output);
        QFETCH(bool, received);
        QFETCH(int, bytes);
        QFETCH(int, ttl);
        QFETCH(int, ms);
        const EchoReply reply = bench::ParsePingOutput(output);
        QCOMPARE(reply.received, received);
        QCOMPARE(reply.bytes, bytes);
        QCOMPARE(reply.ttl, ttl);
        QCOMPARE(reply.roundTripMs, ms);
    }

    void ReplyLines_data() {
        QTest::addColumn<EchoReply>("reply");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("reply") << EchoReply{true, "127.0.0.1", 32, 64, 3}
                               << QStringList{"PING 127.0.0.1", "返回字节32", "执行时间3ms"};
        QTest::newRow("time-out names the target")
            << EchoReply{} << QStringList{"PING 127.0.0.9", "无数据返回"};
        QTest::newRow("TTL 0") << EchoReply{true, "127.0.0.1", 32, 0, 1}
                               << QStringList{"PING 127.0.0.1", "无数据返回"};
        QTest::newRow("no bytes") << EchoReply{true, "127.0.0.1", 0, 64, 1}
                                  << QStringList{"PING 127.0.0.1", "无数据返回"};
    }
    void ReplyLines() {
        QFETCH(EchoReply, reply);
        QFETCH(QStringList, lines);
        bench::LogMemo log(QStringLiteral("mmLog"), false);
        bench::IdIcmpClient1Reply(log, QStringLiteral("127.0.0.9"), reply);
        QCOMPARE(log.Lines(), lines);
    }
};

QTEST_MAIN(IcmpClientTest)
#include "icmp_client_test.moc"
