// Shared pieces of the hosting tests: players built on the fake control's
// module, heap accounting for leak checks, and small region helpers.
#pragma once

#include "movie_player.h"

#include "fake_control/fake_control.h"
#include "moviehost/testing/dib_surface.h"
#include "moviehost/testing/host_driver.h"
#include "platform/gdi.h"
#include "platform/library.h"
#include "platform/scoped_gdi.h"
#include "platform/wide.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define HOSTING_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTING_TEST_ASAN 1
#endif
#endif

namespace moviehost::testing {

using fake_control::FakeControl;
using moviehost::CMoviePlayer;

// Bytes the C heap has handed out and not taken back, or nothing where the
// sanitizer replaces the heap (its leak checker covers those builds).
std::optional<std::size_t> heapInUse();

// Runs `action` a few times to settle caches, then `iterations` more times;
// true when the heap grew by less than 8 bytes per iteration, i.e. no
// iteration kept even the smallest block. Always true where the heap cannot
// be measured.
[[nodiscard]] bool runsWithoutHeapGrowth(const std::function<void()>& action, int iterations = 200);

[[nodiscard]] platform::WideString wide(const char* text);

// The count of a COM object whose Release frees nothing.
[[nodiscard]] LONG countOf(IUnknown* object);

// A player whose control comes from the fake control's module, loaded by path
// through its DllGetClassObject. The test links the same module, so every
// control the player creates is reachable here.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs on each new control before the player sees it.
    void configure(std::function<void(FakeControl&)> configure) { m_configure = std::move(configure); }
    // Runs when the player closes its control, before the test lets the fake
    // forget the site (the player's memory goes right after).
    void onClose(std::function<void()> action) { m_onClose = std::move(action); }

    // Through the library's DllGetClassObject: the fake module unless another
    // library is named.
    [[nodiscard]] std::unique_ptr<CMoviePlayer> make(LONG width = 640, LONG height = 480, HMODULE library = nullptr);
    // Through CoCreateInstance, as a player gets its control when no library
    // is loaded.
    [[nodiscard]] std::unique_ptr<CMoviePlayer> makeThroughRegistry(LONG width = 640, LONG height = 480);

    // The control most recently created.
    [[nodiscard]] FakeControl& latestFake();
    [[nodiscard]] std::size_t controlsCreated() const { return m_fakes.size(); }

    platform::ScopedLibrary m_module;
    std::vector<FakeControl> m_fakes;
    std::function<void(FakeControl&)> m_configure;
    std::function<void()> m_onClose;
};

// Whether `region` covers exactly the union of `rects`.
[[nodiscard]] bool regionIs(HRGN region, const std::vector<RECT>& rects);

[[nodiscard]] std::string rectText(const RECT& r);
[[nodiscard]] std::vector<std::string> rectTexts(const RECT* first, LONG count);

}  // namespace moviehost::testing
