#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/servers/photo_decoder_server.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Mode = PhotoDecoderServer::Mode;

class PhotoDecoderTest : public ::testing::Test {
protected:
    ReaderSession session;
    std::unique_ptr<TwoIdInfoParam> record = std::make_unique<TwoIdInfoParam>();
    Bytes photo = Bytes(1024);

    void SetUp() override {
        for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<std::uint8_t>(i * 13 + 5);
        std::memcpy(record->arrTwoIdPhoto, photo.data(), photo.size());
        record->unTwoIdPhotoJpegLength = -7;
    }

    Bytes Jpeg() const {
        return Bytes(record->arrTwoIdPhotoJpeg,
                     record->arrTwoIdPhotoJpeg + record->unTwoIdPhotoJpegLength);
    }
};

TEST_F(PhotoDecoderTest, RawPhotoGoesOutAndTheDecodedPictureComesBack) {
    PhotoDecoderServer server("127.0.0.45");
    EXPECT_TRUE(session.WlDecodeByServer("127.0.0.45", record.get()));
    ASSERT_EQ(server.Photos().size(), 1u);
    EXPECT_EQ(server.Photos()[0], photo);
    EXPECT_EQ(Jpeg(), PhotoDecoderServer::PictureFor(photo));
    EXPECT_FALSE(session.serverClient.IsConnected());

    server.SetMode(Mode::kEmptyPicture);
    EXPECT_TRUE(session.WlDecodeByServer("127.0.0.45", record.get()));
    EXPECT_EQ(record->unTwoIdPhotoJpegLength, 0);
}

TEST_F(PhotoDecoderTest, EmptyHostAndHostNamesGoThroughTheResolver) {
    PhotoDecoderServer server("127.0.0.1");
    EXPECT_TRUE(session.WlDecodeByServer("localhost", record.get()));
    if (std::strcmp(KORVICARD_TEST_DECODER_HOST, "localhost") == 0) {
        EXPECT_TRUE(session.WlDecodeByServer("", record.get()));
        EXPECT_EQ(server.Requests(), 2);
    }
    EXPECT_EQ(Jpeg(), PhotoDecoderServer::PictureFor(photo));
}

TEST_F(PhotoDecoderTest, BadRepliesLeaveTheRecordAlone) {
    PhotoDecoderServer server("127.0.0.47");
    const Mode modes[] = {Mode::kCheckFromZero, Mode::kShortReply, Mode::kOversizedLength};
    for (Mode mode : modes) {
        SCOPED_TRACE(static_cast<int>(mode));
        server.SetMode(mode);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(session.WlDecodeByServer("127.0.0.47", record.get()));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
        EXPECT_EQ(record->unTwoIdPhotoJpegLength, -7);
        EXPECT_EQ(session.GetTwoIdErrorCode(), 0);
    }
    EXPECT_EQ(server.Requests(), 3);
}

TEST_F(PhotoDecoderTest, MissingArgumentsAndNoServer) {
    EXPECT_FALSE(session.WlDecodeByServer(nullptr, record.get()));
    EXPECT_FALSE(session.WlDecodeByServer("127.0.0.48", nullptr));
    EXPECT_EQ(session.GetTwoIdErrorCode(), 0);
    EXPECT_FALSE(session.WlDecodeByServer("127.0.0.48", record.get()));
    EXPECT_EQ(session.GetTwoIdErrorCode(), TIEC_CONNECT_WL_DECODER_SERVER);
    EXPECT_EQ(record->unTwoIdPhotoJpegLength, -7);
}

}  // namespace
