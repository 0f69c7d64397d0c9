#include "core/protocol/command_exchange.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "sim_fixture/sim_card_bench.h"

// The common exchange of the card commands: code 1 before the request, one request, one
// reply, the reply payload handed on only on success.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCommand = 0x42;

struct Outcome {
    bool result = false;
    std::optional<Bytes> handedOn;  // what onSuccess saw, when it ran
    int code = -1;
};

Outcome Exchange(ReaderSession& session) {
    Outcome outcome;
    session.SetErrorCode(77);
    const std::uint8_t payload[] = {9, 8};
    outcome.result =
        CommandExchange(session, kCommand, payload, 100, [&](std::span<const std::uint8_t> reply) {
            outcome.handedOn = Bytes(reply.begin(), reply.end());
        });
    outcome.code = session.GetErrorCode();
    return outcome;
}

TEST(CommandExchange, HandsOnThePayloadOnlyOnSuccess) {
    SimSessionBench bench;
    bench.reader.SetHandler(kCommand, [](const sim::Request&) {
        return sim::Reply::Ok({1, 2, 3});
    });
    Outcome ok = Exchange(bench.session);
    EXPECT_TRUE(ok.result);
    EXPECT_EQ(ok.handedOn, (Bytes{1, 2, 3}));
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(bench.Commands(), (Bytes{kCommand}));
    EXPECT_EQ(bench.LastPayload(), (Bytes{9, 8}));

    bench.reader.SetHandler(kCommand, [](const sim::Request&) { return sim::Reply::Failure(12); });
    Outcome refused = Exchange(bench.session);
    EXPECT_FALSE(refused.result);
    EXPECT_FALSE(refused.handedOn);
    EXPECT_EQ(refused.code, 12);

    bench.reader.QueueFault({sim::FaultKind::kNoReply});
    Outcome silent = Exchange(bench.session);
    EXPECT_FALSE(silent.result);
    EXPECT_FALSE(silent.handedOn);
    EXPECT_EQ(silent.code, 3);
    EXPECT_EQ(bench.reader.Requests().size(), 3u) << "one request per exchange";
}

TEST(CommandExchange, NoRouteLeavesTheUnknownCode) {
    ReaderSession session;
    Outcome outcome = Exchange(session);
    EXPECT_FALSE(outcome.result);
    EXPECT_FALSE(outcome.handedOn);
    EXPECT_EQ(outcome.code, 1);
}

TEST(CommandExchange, LittleEndianValuesStayInsideThePayload) {
    const Bytes payload = {0x01, 0x02, 0x03, 0x04, 0x05};
    struct Row {
        std::size_t offset, count;
        std::uint32_t value;
    };
    for (const Row row : {Row{0, 4, 0x04030201}, Row{0, 2, 0x0201}, Row{3, 4, 0x0504},
                          Row{4, 1, 0x05}, Row{5, 2, 0}, Row{9, 4, 0}, Row{1, 9, 0x05040302}}) {
        SCOPED_TRACE(testing::Message() << row.offset << "+" << row.count);
        EXPECT_EQ(PayloadLittleEndian(payload, row.offset, row.count), row.value);
    }
}

}  // namespace
