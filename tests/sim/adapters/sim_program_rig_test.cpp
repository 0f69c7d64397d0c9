#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/protocol/reader_session.h"
#include "core/transport/tcp_client.h"
#include "sim/adapters/program_session.h"
#include "sim/adapters/sim_program.h"
#include "support/m100_frames.h"

// korvicard-sim started as a process with its whole simulated reader: a driver session on
// TCP reaches the commands of several families, and --card chooses the card in the field.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Session = sim_test::ProgramSession;
using sim_test::SimProgram;

constexpr std::uint8_t kReqAll = 0x52;

TEST(SimProgramRig, DefaultReaderAnswersEveryFamilyOverTcp) {
    SimProgram program({"--port", "0"});
    Session reader(program.TcpPort());
    ASSERT_TRUE(reader.open());

    EXPECT_EQ(reader.Send(50, {kReqAll, 0, 0, 0}),
              (Bytes{0x04, 0x00, 0x08, 0x3A, 0x5C, 0x7E, 0x91}))
        << "the Mifare 1K card";
    EXPECT_EQ(reader.Send(31, {}), (Bytes{0x45, 0x23, 0x01, 0x00, 0x01, 0x30, 0x00, 0x00}))
        << "a V3-U";
    EXPECT_EQ(reader.Send(45, {0}), Bytes{});
    EXPECT_EQ(reader.Send(43, {}), (Bytes{0x3B, 0x08, 'K', 'V', 'P', 'S', 'A', 'M', '0', '1'}))
        << "the PSAM in slot 0";
    const std::optional<Bytes> hardware = reader.Send(30, m100_test::Frame(0, 0x03, {0x00}));
    ASSERT_TRUE(hardware) << reader.error();
    EXPECT_EQ(Bytes(hardware->begin(), hardware->begin() + 3), (Bytes{0xBB, 0x01, 0x03}))
        << "the M100 module";
    EXPECT_EQ(reader.Send(205, {}), (Bytes{1, 0, 0, 0})) << "the WiFi module in station mode";
    const std::optional<Bytes> captured = reader.Send(220, {});
    ASSERT_TRUE(captured);
    EXPECT_NE(captured->at(0), 0) << "a ticket in the printer capture";
    EXPECT_FALSE(reader.Send(21, {0}));
    EXPECT_EQ(reader.error(), 6) << "no FeliCa card";

    EXPECT_EQ(program.Stop(SIGTERM), 0);
    const std::string errors = program.Errors();
    EXPECT_NE(errors.find("in the field: mifare1k"), std::string::npos) << errors;
    EXPECT_NE(errors.find("request seq=00 cmd=32 payload=52000000\n"), std::string::npos) << errors;
}

TEST(SimProgramRig, CardOptionChoosesTheCardInTheField) {
    const Bytes ntagNumber = {0x44, 0x00, 0x00, 0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    {
        SimProgram program({"--card", "ntag215", "--port", "0"});
        Session reader(program.TcpPort());
        ASSERT_TRUE(reader.open());
        EXPECT_EQ(reader.Send(50, {kReqAll, 0, 0, 0}), ntagNumber);
        EXPECT_EQ(reader.Send(100, {}), (Bytes{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x11, 0x03}));
    }
    {
        // The type B card answers the type B commands and the CPU-card command.
        SimProgram program({"--port", "0", "--card", "typeb"});
        Session reader(program.TcpPort());
        ASSERT_TRUE(reader.open());
        EXPECT_FALSE(reader.Send(50, {kReqAll, 0, 0, 0}));
        EXPECT_EQ(reader.error(), 6);
        EXPECT_EQ(reader.Send(20, {'B'}), Bytes{});
        const std::optional<Bytes> atqb = reader.Send(27, {0});
        ASSERT_TRUE(atqb) << reader.error();
        EXPECT_EQ(atqb->size(), 12u);
        EXPECT_EQ(reader.Send(28, {}), Bytes{0x00});
        EXPECT_EQ(reader.Send(14, {0x07, 0x05, 0x00, 0x36, 0x00, 0x00, 0x08}),
                  (Bytes{0x5A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71, 0x90, 0x00}));
    }
    {
        SimProgram program({"--card", "none", "--port", "0"});
        Session reader(program.TcpPort());
        ASSERT_TRUE(reader.open());
        EXPECT_FALSE(reader.Send(50, {kReqAll, 0, 0, 0}));
        EXPECT_EQ(reader.error(), 6);
        EXPECT_EQ(reader.Send(31, {}).value_or(Bytes{}).size(), 8u) << "the reader still answers";
    }
}

}  // namespace

namespace {

// The identity servers korvicard-sim serves when asked, each on its own loopback address; a
// photo decoder on each address given, one for an address given twice.
TEST(SimProgramRig, IdentityServersOnTheirAddresses) {
    SimProgram program({"--port", "0", "--id-server", "127.0.0.165:10000", "--dispatch-server",
                        "127.0.0.166", "--decoder", "127.0.0.167", "--decoder", "127.0.0.170",
                        "--decoder", "127.0.0.167"});
    ASSERT_GT(program.TcpPort(), 0);
    ReaderSession session;
    char text[64] = {};
    ASSERT_TRUE(session.GetSamvManagerMessageByServer("127.0.0.165", 10000, text, sizeof text))
        << session.GetTwoIdErrorCode();
    EXPECT_STREQ(text, "03.07-20261210-1234567890-0000000042");
    auto record = std::make_unique<TwoIdInfoParam>();
    record->arrTwoIdPhoto[0] = 1;
    for (const char* decoder : {"127.0.0.167", "127.0.0.170"}) {
        record->unTwoIdPhotoJpegLength = 0;
        ASSERT_TRUE(session.WlDecodeByServer(decoder, record.get())) << decoder;
        EXPECT_GT(record->unTwoIdPhotoJpegLength, 100) << decoder;
    }
    TcpClient dispatch;
    EXPECT_TRUE(dispatch.Connect("127.0.0.166", 31213, 1));
    dispatch.Close();
    EXPECT_EQ(program.Stop(SIGTERM), 0);
    const std::string errors = program.Errors();
    const std::size_t decoder = errors.find("photo decoder 127.0.0.167:");
    ASSERT_NE(decoder, std::string::npos) << errors;
    EXPECT_EQ(errors.find("photo decoder 127.0.0.167:", decoder + 1), std::string::npos) << errors;
}

}  // namespace
