// moviehost.exe driven as a parent drives it, by this Windows program through
// the client library: the pipes are made here, the fake control sits beside
// the host as flash10c.ocx (or is found through the registry).
#include "windows_test_support.h"

#include <moviehost/client/host_process.h>
#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using moviehost::client::ErrorCode;
using moviehost::client::HostOptions;
using moviehost::client::HostProcess;
using moviehost::client::StderrMode;
using moviehost::wintest::Narrow;
using moviehost::wintest::ProgramFolder;
using moviehost::wintest::ReadLines;
using moviehost::wintest::ScopedRegistration;
using moviehost::wintest::TempFolder;

bool Logged(const std::vector<std::string>& log, const std::string& line) {
    for (const std::string& entry : log)
        if (entry.rfind(line, 0) == 0)
            return true;
    return false;
}

class HostEndToEndTest : public ::testing::Test {
protected:
    // The host alone in a folder of its own, with the control beside it when asked.
    std::wstring PlaceHost(bool withControl) {
        const std::wstring host = m_folder.Path() + L"moviehost.exe";
        EXPECT_TRUE(CopyFileW((ProgramFolder() + L"moviehost.exe").c_str(), host.c_str(), FALSE));
        if (withControl) {
            EXPECT_TRUE(CopyFileW((ProgramFolder() + L"fake_control_module.dll").c_str(),
                                  (m_folder.Path() + L"flash10c.ocx").c_str(), FALSE));
        }
        return host;
    }

    // The host inherits our current folder, which the system's library
    // search also looks in: it must hold no control of its own.
    void SetUp() override {
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        m_current = current;
        SetCurrentDirectoryW(m_folder.Path().c_str());
    }
    void TearDown() override { SetCurrentDirectoryW(m_current.c_str()); }

    HostOptions Options(const std::wstring& host) {
        HostOptions options;
        options.program = host;
        options.movie = "movie.swf";
        options.width = 64;
        options.height = 48;
        options.stderrMode = StderrMode::Capture;
        options.environment = {{"FAKE_CONTROL_LOG", Narrow(m_log)}};
        return options;
    }

    TempFolder m_folder;
    std::wstring m_log = m_folder.Path() + L"control.log";
    std::wstring m_current;
};

TEST_F(HostEndToEndTest, StreamsFramesEveryPeriodTakesMouseRecordsAndEndsWithTheMarker) {
    auto started = HostProcess::start(Options(PlaceHost(true)));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;

    auto first = host.readFrame();
    ASSERT_TRUE(first) << first.error().message << "\n" << host.capturedErrors();
    EXPECT_EQ(64, first->width());
    EXPECT_EQ(48, first->height());
    EXPECT_EQ(64u * 48u * 4u, first->byteCount());

    constexpr int Frames = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Frames; ++i) {
        auto frame = host.readFrame();
        ASSERT_TRUE(frame) << frame.error().message;
    }
    const auto perFrame =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start) / Frames;
    // One frame per period; a loaded machine may run late, never early.
    EXPECT_GE(perFrame.count(), moviehost::wire::FramePeriodMs - 5);
    EXPECT_LE(perFrame.count(), moviehost::wire::FramePeriodMs * 3);

    ASSERT_TRUE(host.moveMouse(15, 25));
    ASSERT_TRUE(host.click(10, 20));
    // The records are taken between frames.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(host.readFrame());

    auto finished = host.finish();
    ASSERT_TRUE(finished) << finished.error().message;
    auto status = host.wait();
    ASSERT_TRUE(status) << status.error().message;
    EXPECT_EQ(0, status->value) << host.capturedErrors();

    const auto log = ReadLines(m_log);
    EXPECT_TRUE(Logged(log, "OnWindowMessage(0x200, 0x0, 0x19000f)"));
    EXPECT_TRUE(Logged(log, "OnWindowMessage(0x201, 0x1, 0x14000a)"));
    EXPECT_TRUE(Logged(log, "OnWindowMessage(0x202, 0x0, 0x14000a)"));
    EXPECT_TRUE(Logged(log, "put_Movie(\"movie.swf\")"));
}

TEST_F(HostEndToEndTest, TheRegisteredControlIsUsedWithNoneBesideTheHost) {
    ScopedRegistration registration(ProgramFolder() + L"fake_control_module.dll");
    ASSERT_TRUE(registration.Made());
    auto started = HostProcess::start(Options(PlaceHost(false)));
    ASSERT_TRUE(started) << started.error().message;
    ASSERT_TRUE(started->readFrame());
    ASSERT_TRUE(started->finish());
    auto status = started->wait();
    ASSERT_TRUE(status);
    EXPECT_EQ(0, status->value);
    EXPECT_TRUE(Logged(ReadLines(m_log), "put_Movie(\"movie.swf\")"));
}

TEST_F(HostEndToEndTest, RefusalsEndWithTheirStatus) {
    // No control anywhere: status 5 and a line saying so, no frames.
    {
        auto started = HostProcess::start(Options(PlaceHost(false)));
        ASSERT_TRUE(started);
        auto frame = started->readFrame();
        EXPECT_FALSE(frame);
        auto status = started->wait();
        ASSERT_TRUE(status);
        EXPECT_EQ(5, status->value);
        EXPECT_NE(std::string::npos, started->capturedErrors().find("flash10c.ocx"));
    }
    // A frame size of zero: status 2.
    {
        HostOptions options = Options(m_folder.Path() + L"moviehost.exe");
        options.arguments = std::vector<std::string>{"movie.swf", "0", "48", std::to_string(GetCurrentProcessId())};
        auto started = HostProcess::start(options);
        ASSERT_TRUE(started);
        auto status = started->wait();
        ASSERT_TRUE(status);
        EXPECT_EQ(2, status->value);
    }
    // The quit record ends the host without the marker.
    {
        CopyFileW((ProgramFolder() + L"fake_control_module.dll").c_str(), (m_folder.Path() + L"flash10c.ocx").c_str(),
                  FALSE);
        auto started = HostProcess::start(Options(m_folder.Path() + L"moviehost.exe"));
        ASSERT_TRUE(started);
        ASSERT_TRUE(started->readFrame());
        ASSERT_TRUE(started->quit());
        auto rest = started->readToEnd(64u * 48u * 4u * 100u);
        ASSERT_TRUE(rest) << rest.error().message;
        EXPECT_EQ(0u, rest->size() % (12u + 64u * 48u * 4u)) << "whole frames, no end marker";
        auto status = started->wait();
        ASSERT_TRUE(status);
        EXPECT_EQ(0, status->value);
    }
}

TEST_F(HostEndToEndTest, AMissingHostIsReportedAsSuch) {
    auto started = HostProcess::start(Options(m_folder.Path() + L"no-such-host.exe"));
    ASSERT_FALSE(started);
    EXPECT_EQ(ErrorCode::HostMissing, started.error().code);
}

}  // namespace
