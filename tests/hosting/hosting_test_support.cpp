#include "hosting_test_support.h"

#include <malloc.h>

namespace moviehost::testing {

std::optional<std::size_t> heapInUse() {
#if defined(HOSTING_TEST_ASAN)
    return std::nullopt;
#else
    return mallinfo2().uordblks;
#endif
}

bool runsWithoutHeapGrowth(const std::function<void()>& action, int iterations) {
    for (int i = 0; i < 3; ++i)
        action();
    const std::optional<std::size_t> before = heapInUse();
    for (int i = 0; i < iterations; ++i)
        action();
    const std::optional<std::size_t> after = heapInUse();
    if (!before || !after || *after <= *before)
        return true;
    return *after - *before < static_cast<std::size_t>(iterations) * 8;
}

platform::WideString wide(const char* text) { return platform::utf8_to_utf16(text); }

LONG countOf(IUnknown* object) {
    const ULONG count = object->AddRef();
    object->Release();
    return static_cast<LONG>(count) - 1;
}

void PlayerTest::SetUp() {
    m_module.reset(LoadLibraryW(wide(FAKE_CONTROL_MODULE_PATH).c_str()));
    ASSERT_TRUE(m_module) << "the fake control module loads from " << FAKE_CONTROL_MODULE_PATH;
    FakeControl::setCreationHook([this](FakeControl& control) {
        m_fakes.push_back(control);
        // Borrowed: a handle captured here would keep the control alive
        // through its own hook.
        IOleObject* object = control.oleObject();
        control.onCall("Close", [this, object] {
            if (m_onClose)
                m_onClose();
            // The player's memory, site included, goes once it has closed the
            // control; the fake, which this test keeps alive, must not hold
            // on to that site.
            object->SetClientSite(nullptr);
        });
        if (m_configure)
            m_configure(control);
    });
}

void PlayerTest::TearDown() {
    FakeControl::setCreationHook({});
    m_fakes.clear();
}

std::unique_ptr<CMoviePlayer> PlayerTest::makeThroughRegistry(LONG width, LONG height) {
    return CMoviePlayer::Create(nullptr, width, height);
}

std::unique_ptr<CMoviePlayer> PlayerTest::make(LONG width, LONG height, HMODULE library) {
    return CMoviePlayer::Create(library != nullptr ? library : m_module.get(), width, height);
}

FakeControl& PlayerTest::latestFake() {
    EXPECT_FALSE(m_fakes.empty()) << "no control was created";
    if (m_fakes.empty())
        m_fakes.emplace_back();  // keeps the caller away from an empty vector
    return m_fakes.back();
}

bool regionIs(HRGN region, const std::vector<RECT>& rects) {
    platform::ScopedRegion expected(CreateRectRgn(0, 0, 0, 0));
    for (const RECT& r : rects) {
        platform::ScopedRegion part(CreateRectRgnIndirect(&r));
        CombineRgn(expected.get(), expected.get(), part.get(), RGN_OR);
    }
    return EqualRgn(region, expected.get()) == TRUE;
}

std::string rectText(const RECT& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

std::vector<std::string> rectTexts(const RECT* first, LONG count) {
    std::vector<std::string> texts;
    for (LONG i = 0; i < count; ++i)
        texts.push_back(rectText(first[i]));
    return texts;
}

}  // namespace moviehost::testing
