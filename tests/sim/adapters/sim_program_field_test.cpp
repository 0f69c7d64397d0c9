#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/program_session.h"
#include "sim/adapters/sim_program.h"

// korvicard-sim's RF field as the driver finds it: cards of several protocols together, each
// answering only its own protocol's requests, placed with --card at start and with card
// lines on the program's standard input while it serves.

namespace {

using Reader = sim_test::ProgramSession;
using sim_test::SimProgram;

std::string Hex4(const std::uint8_t* bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

// One protocol's card request through the driver: the card's first four identifier bytes,
// or nothing when no card answered.
struct CardRequest {
    char protocol;
    std::function<std::optional<std::string>(ReaderSession&)> ask;
};

const CardRequest kRequests[] = {
    {'A',
     [](ReaderSession& s) -> std::optional<std::string> {
         KorviCardParam record{};
         if (!s.GetCardNo(0x52, &record)) return std::nullopt;
         return Hex4(record.arrCardNo);
     }},
    {'B',
     [](ReaderSession& s) -> std::optional<std::string> {
         KorviCardParam record{};
         if (!s.RequestB(0, &record)) return std::nullopt;
         return Hex4(record.arrBuffer + 1);  // the PUPI of the ATQB
     }},
    {'F',
     [](ReaderSession& s) -> std::optional<std::string> {
         KorviCardParam record{};
         if (!s.FelicaPolling(0, &record)) return std::nullopt;
         return Hex4(record.arrCardNo);  // the IDm
     }},
};

// What the field answers: "A:<UID> B:<PUPI> F:<IDm> " for the cards found, each asked while
// the reader runs its protocol; a request answered while the reader runs another protocol
// adds "<request protocol> under <running protocol>!".
std::string FieldAnswers(ReaderSession& session) {
    std::string found, strays;
    for (const CardRequest& running : kRequests) {
        if (!session.SetCardType(running.protocol)) return "no protocol change";
        for (const CardRequest& request : kRequests) {
            const std::optional<std::string> answer = request.ask(session);
            if (!answer) continue;
            if (request.protocol == running.protocol) {
                found += std::string{request.protocol, ':'} + *answer + ' ';
            } else {
                strays += std::string{request.protocol} + " under " + running.protocol + "! ";
            }
        }
    }
    return found + strays;
}

constexpr char kMifare1K[] = "A:3A5C7E91 ";
constexpr char kIdentityTypeB[] = "B:1B2C3D4E ";
constexpr char kFelica[] = "F:012E3A4B ";

TEST(SimProgramField, CardsOfSeveralProtocolsEachAnswerOnlyTheirOwn) {
    const struct {
        std::vector<std::string> args;
        std::string field;
    } cases[] = {
        {{"--card", "mifare1k", "--card", "typeb"}, std::string(kMifare1K) + kIdentityTypeB},
        {{"--card", "felica", "--card", "typeb", "--card", "ntag213"},
         std::string("A:04112233 ") + kIdentityTypeB + kFelica},
        {{}, kMifare1K},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--port", "0"});
        SimProgram program(args);
        Reader reader(program.TcpPort());
        ASSERT_TRUE(reader.open());
        EXPECT_EQ(FieldAnswers(reader.driver()), c.field) << c.field;
    }

    // The identity card's type-B side serves its APDUs beside the Mifare card, and the
    // Mifare card is there again when the reader comes back to type A.
    SimProgram program({"--port", "0", "--card", "typeb", "--card", "mifare1k"});
    Reader reader(program.TcpPort());
    ASSERT_TRUE(reader.open());
    ReaderSession& session = reader.driver();
    KorviCardParam record{};
    ASSERT_TRUE(session.SetCardType('B'));
    ASSERT_TRUE(session.RequestB(0, &record)) << session.GetErrorCode();
    ASSERT_TRUE(session.SelectB(&record)) << session.GetErrorCode();
    EXPECT_EQ(reader.Send(14, {0x07, 0x05, 0x00, 0x36, 0x00, 0x00, 0x08}),
              (Reader::Bytes{0x5A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71, 0x90, 0x00}))
        << "the identity card's identifier";
    ASSERT_TRUE(session.SetCardType('A'));
    ASSERT_TRUE(session.GetCardNo(0x52, &record)) << session.GetErrorCode();
    EXPECT_EQ(Hex4(record.arrCardNo), "3A5C7E91");
}

TEST(SimProgramField, RefusesUnknownCardsAndTwoCardsOfOneProtocol) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--card", "mifare"}, "no card is called \"mifare\""},
        {{"--card", "TYPEB"}, "no card is called \"TYPEB\""},
        {{"--port", "0", "--card", ""}, "no card is called \"\""},
        {{"--card"}, "usage:"},
        {{"--card", "mifare1k", "--card", "ntag213"},
         "mifare1k and ntag213 are both type A cards: the field holds one card per protocol"},
        {{"--card", "typeb", "--port", "0", "--card", "typeb"}, "typeb and typeb are both type B"},
        {{"--card", "felica", "--card", "felica"}, "felica and felica are both FeliCa cards"},
        {{"--card", "none", "--card", "felica"}, "none cannot go with a card"},
    };
    for (const auto& c : cases) {
        SimProgram program(c.args);
        EXPECT_EQ(program.Wait(), 2) << c.error;
        const std::string errors = program.Errors();
        EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
        EXPECT_NE(errors.find("--card KIND"), std::string::npos) << errors;
        EXPECT_NE(errors.find("mifare1k|mifare4k|ntag213"), std::string::npos) << errors;
    }
}

TEST(SimProgramField, CardLinesOnStdinPlaceReplaceAndEmptyTheField) {
    const std::string names =
        "; the names: mifare1k mifare4k ntag213 ntag215 ntag216 typeb cpu fm1208issued transit "
        "bank desfire felica none; ";
    const struct {
        const char* line;
        std::string answer;
        std::string field;
    } steps[] = {
        {"card ntag213\n", "in the field: ntag213", "A:04112233 "},
        {"  card mifare4k\tfelica  \r\n", "in the field: mifare4k, felica",
         "A:4B6D8FA2 " + std::string(kFelica)},
        {"card bogus\n",
         "refused: no card is called \"bogus\"" + names + "in the field: mifare4k, felica",
         "A:4B6D8FA2 " + std::string(kFelica)},
        {"card cpu typeb bank\n",
         "refused: cpu and bank are both type A cards: the field holds one card per protocol (type "
         "A, type B, FeliCa)" +
             names + "in the field: mifare4k, felica",
         "A:4B6D8FA2 " + std::string(kFelica)},
        {"\ncards none\n",
         "refused: unknown command \"cards\" (card NAME… places cards, card none empties the "
         "field)" +
             names + "in the field: mifare4k, felica",
         "A:4B6D8FA2 " + std::string(kFelica)},
        {"card none\n", "in the field: no card", ""},
        {"card\n", "refused: no card named" + names + "in the field: no card", ""},
        {"card typeb mifare1k\n", "in the field: typeb, mifare1k",
         std::string(kMifare1K) + kIdentityTypeB},
    };
    SimProgram program({"--port", "0"});
    const int port = program.TcpPort();
    EXPECT_EQ(program.Line(), "Type `card NAME…` here to place cards (card none empties the "
                              "field)" + names + "in the field: mifare1k");
    std::optional<Reader> reader(std::in_place, port);
    ASSERT_TRUE(reader->open());
    EXPECT_EQ(FieldAnswers(reader->driver()), kMifare1K);
    for (const auto& step : steps) {
        ASSERT_TRUE(program.Input(step.line));
        EXPECT_EQ(program.Line(), step.answer) << step.line;
        EXPECT_EQ(FieldAnswers(reader->driver()), step.field) << step.line;
    }

    // A line split over several writes is answered once whole; the last line of the input
    // counts without its newline. The end of the input changes nothing: the program goes on
    // serving, a new connection too, until it is signalled.
    ASSERT_TRUE(program.Input("card fel"));
    ASSERT_TRUE(program.Input("ica"));
    program.CloseInput();
    EXPECT_EQ(program.Line(), "in the field: felica");
    EXPECT_EQ(FieldAnswers(reader->driver()), kFelica);
    reader.reset();
    Reader again(port);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(FieldAnswers(again.driver()), kFelica);
    EXPECT_EQ(program.Stop(SIGTERM), 0);
    const std::string errors = program.Errors();
    EXPECT_NE(errors.find("korvicard-sim: in the field: mifare1k\n"), std::string::npos) << errors;
}

}  // namespace
