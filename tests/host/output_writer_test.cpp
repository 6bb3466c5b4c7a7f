// Frame messages and the end marker as bytes on a pipe, and what a failed
// write does.
#include "output_writer.h"

#include "host_messages.h"
#include "moviehost/testing/platform_pipe.h"

#include "platform/kernel.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using moviehost::testing::Pipe;
using moviehost::testing::takePostedMessages;

class OutputWriterTest : public ::testing::Test {
protected:
    void SetUp() override { takePostedMessages(); }  // makes our queue, empties it

    Pipe m_pipe;
    OutputWriter m_writer{m_pipe.write.get(), GetCurrentThreadId()};
};

TEST_F(OutputWriterTest, FrameIsHeaderOneWidthHeightThenThePixels) {
    const auto geometry = FrameGeometry::From(3, 2);
    ASSERT_TRUE(geometry);
    std::vector<BYTE> pixels(geometry->PixelBytes());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<BYTE>(i * 7);

    ASSERT_TRUE(m_writer.WriteFrame(*geometry, pixels.data()));
    const std::vector<std::uint8_t> bytes = m_pipe.drain();
    const auto header = moviehost::wire::frameHeader(3, 2);
    ASSERT_EQ(bytes.size(), header.size() + pixels.size());
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + header.size()),
              std::vector<BYTE>(header.begin(), header.end()));
    EXPECT_EQ(std::vector<BYTE>(bytes.begin() + header.size(), bytes.end()), pixels);
    EXPECT_TRUE(takePostedMessages().empty());
}

TEST_F(OutputWriterTest, EndMarkerIsFourZeroBytes) {
    ASSERT_TRUE(m_writer.WriteEndMarker());
    EXPECT_EQ(m_pipe.drain(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(OutputWriterTest, GoneReaderFailsWithoutASignalAndAsksTheHostToQuit) {
    m_pipe.read.reset();
    const auto geometry = FrameGeometry::From(2, 2);
    const std::vector<BYTE> pixels(geometry->PixelBytes());
    EXPECT_FALSE(m_writer.WriteFrame(*geometry, pixels.data()));
    // The header stops at its first failed write: one request, not three.
    EXPECT_EQ(takePostedMessages(), (std::vector<UINT>{QUIT_MESSAGE}));
    EXPECT_FALSE(m_writer.WriteEndMarker());
    EXPECT_EQ(takePostedMessages(), (std::vector<UINT>{QUIT_MESSAGE}));
}

}  // namespace
