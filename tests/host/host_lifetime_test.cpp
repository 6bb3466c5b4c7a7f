// The real moviehost hosting the fake control: every way it ends on its own
// (parent gone, output closed, bad sizes, a failing or missing control), and
// what it does while the parent lives but stops talking.
#include "moviehost/testing/host_driver.h"

#include <moviehost/client/host_process.h>
#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace moviehost::testing;
namespace wire = moviehost::wire;
using namespace moviehost::client;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(HostEndToEnd, ParentDeathEndsTheHostWithoutTheMarker) {
    HostWorkspace workspace;
    StandInParent parent;
    ASSERT_GT(parent.pid(), 0);
    HostOptions options = workspace.options();
    options.parentPid = parent.pid();
    HostProcess host = startHost(options);
    ASSERT_TRUE(host.readFrame().has_value());
    ASSERT_TRUE(host.readFrame().has_value());
    parent.die();
    // Our end of its input stays open and silent: only the parent check can end it.
    expectWholeFrames(readToEnd(host));
    const ExitStatus status = waitForExit(host);
    EXPECT_TRUE(status.success()) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
}

TEST(HostEndToEnd, AParentIdThatNamesNoProcessEndsTheHostRightAway) {
    HostWorkspace workspace;
    // An id that was just freed (reaped); and one beyond any process id.
    pid_t freed = -1;
    {
        StandInParent gone;
        freed = gone.pid();
    }
    for (const pid_t id : {freed, pid_t{0x7FFFFFF0}}) {
        SCOPED_TRACE(id);
        HostOptions options = workspace.options();
        options.parentPid = id;
        HostProcess host = startHost(options);
        expectWholeFrames(readToEnd(host));
        EXPECT_TRUE(waitForExit(host).success());
    }
}

TEST(HostEndToEnd, ClosedStandardOutputEndsTheHostInOrder) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    ASSERT_TRUE(host.readFrame().has_value());
    host.closeOutput();
    const ExitStatus status = waitForExit(host);
    EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 0})) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
    EXPECT_EQ(workspace.calls("Close").size(), 1u) << "the player was torn down";
}

TEST(HostEndToEnd, ClosedInputKeepsFramesComingWithoutSpinning) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    ASSERT_TRUE(host.readFrame().has_value());
    // Every look into the closed pipe fails from now on, while the parent lives.
    host.closeInput();
    const double cpuBefore = processCpuMs(host.pid());
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < 15; ++n)
        ASSERT_TRUE(host.readFrame().has_value()) << "frame " << n;
    const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpuMs = processCpuMs(host.pid()) - cpuBefore;
    // A thread that retried without pause would take a whole core; a loaded
    // machine can only make this smaller.
    EXPECT_LT(cpuMs, 0.25 * wallMs) << cpuMs << " ms on a processor in " << wallMs << " ms";
    host.closeOutput();
    EXPECT_TRUE(waitForExit(host).success());
}

TEST(HostEndToEnd, BadSizesEndAtOnceWithOneLineAndNoFrames) {
    HostWorkspace workspace;
    const std::string pid = std::to_string(::getpid());
    for (const auto& [width, height] : {std::pair<std::string, std::string>{"0", "6"},
                                        {"8", "-6"},
                                        {"wide", "6"},
                                        {"70000", "70000"},
                                        {"2147483647", "2"}}) {
        SCOPED_TRACE(width + "x" + height);
        HostOptions options = workspace.options();
        options.arguments = std::vector<std::string>{"movie.swf", width, height, pid};
        HostProcess host = startHost(options);
        EXPECT_TRUE(readToEnd(host).empty());
        const ExitStatus status = waitForExit(host);
        EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 2})) << status.describe();
        EXPECT_EQ(countLines(host.capturedErrors()), 1u) << host.capturedErrors();
    }
    EXPECT_TRUE(workspace.calls("Play").empty()) << "no control was made";
}

TEST(HostEndToEnd, ComErrorWhileStartingEndsWithOneLineAndNoFrames) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options({{"FAKE_CONTROL_FAIL", "Play=0x80004005"}}));
    EXPECT_TRUE(readToEnd(host).empty());
    const ExitStatus status = waitForExit(host);
    EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 1})) << status.describe();
    const std::string errors = host.capturedErrors();
    EXPECT_EQ(countLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("0x80004005"), std::string::npos) << errors;
    EXPECT_EQ(workspace.calls("Close").size(), 1u) << "the player was still torn down";
}

TEST(HostEndToEnd, ComErrorWhileEndingKeepsFramesAndMarkerWhole) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options({{"FAKE_CONTROL_FAIL", "StopPlay=0x8000FFFF"}}));
    ASSERT_TRUE(host.readFrame().has_value());
    auto passed = host.finish();
    ASSERT_TRUE(passed.has_value()) << passed.error().message;
    const ExitStatus status = waitForExit(host);
    EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 1})) << status.describe();
    const std::string errors = host.capturedErrors();
    EXPECT_EQ(countLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("0x8000FFFF"), std::string::npos) << errors;
}

TEST(HostEndToEnd, NoControlEndsWithOneLineAndNoFrames) {
    HostWorkspace workspace;
    workspace.writeRegistry("/nonexistent/control-module.so");
    HostProcess host = startHost(workspace.options());
    EXPECT_TRUE(readToEnd(host).empty());
    const ExitStatus status = waitForExit(host);
    EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 5})) << status.describe();
    EXPECT_EQ(countLines(host.capturedErrors()), 1u) << host.capturedErrors();
}

TEST(HostEndToEnd, WithoutConfigurationTheControlIsFoundNextToTheHost) {
    // A copy of the host in a folder of its own, with the fake control beside
    // it under the fallback name, and a registry that names nothing.
    HostWorkspace workspace;
    const fs::path folder = workspace.folder() / "bin";
    fs::create_directories(folder);
    fs::copy_file(moviehostPath(), folder / "moviehost");
    fs::copy_file(fakeControlModulePath(), folder / "flash10c.ocx");
    HostOptions options = workspace.options();
    options.program = folder / "moviehost";
    options.environment[0].second = (folder / "no-such-registry.reg").string();
    HostProcess host = startHost(options);
    auto frame = host.readFrame();
    ASSERT_TRUE(frame.has_value()) << frame.error().message;
    EXPECT_EQ(frame->pixel(3, 2), (Rgba{1, 2, 3, 255}));
    ASSERT_TRUE(host.finish().has_value());
    EXPECT_TRUE(waitForExit(host).success());
    EXPECT_EQ(workspace.calls("Play").size(), 1u);
}

}  // namespace
