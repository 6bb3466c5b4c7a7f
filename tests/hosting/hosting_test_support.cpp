#include "hosting_test_support.h"

#include <malloc.h>

namespace hosting_test {

std::optional<std::size_t> HeapInUse() {
#if defined(HOSTING_TEST_ASAN)
    return std::nullopt;
#else
    return mallinfo2().uordblks;
#endif
}

bool RunsWithoutHeapGrowth(const std::function<void()>& action, int iterations) {
    for (int i = 0; i < 3; ++i)
        action();
    const std::optional<std::size_t> before = HeapInUse();
    for (int i = 0; i < iterations; ++i)
        action();
    const std::optional<std::size_t> after = HeapInUse();
    if (!before || !after || *after <= *before)
        return true;
    return *after - *before < static_cast<std::size_t>(iterations) * 8;
}

platform::WideString Wide(const char* text) { return platform::utf8_to_utf16(text); }

std::string RegistryFor(const std::string& server) {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
           "@=\"" +
           server + "\"\n";
}

LONG CountOf(IUnknown* object) {
    const ULONG count = object->AddRef();
    object->Release();
    return static_cast<LONG>(count) - 1;
}

void PlayerTest::SetUp() {
    m_module.reset(LoadLibraryW(Wide(FAKE_CONTROL_MODULE_PATH).c_str()));
    ASSERT_TRUE(m_module) << "the fake control module loads from " << FAKE_CONTROL_MODULE_PATH;
    FakeControl::set_creation_hook([this](FakeControl& control) {
        m_fakes.push_back(control);
        // Borrowed: a handle captured here would keep the control alive
        // through its own hook.
        IOleObject* object = control.ole_object();
        control.on_call("Close", [this, object] {
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
    FakeControl::set_creation_hook({});
    m_fakes.clear();
}

std::unique_ptr<CMoviePlayer> PlayerTest::MakeThroughRegistry(LONG width, LONG height) {
    return CMoviePlayer::Create(nullptr, width, height);
}

std::unique_ptr<CMoviePlayer> PlayerTest::Make(LONG width, LONG height, HMODULE library) {
    return CMoviePlayer::Create(library != nullptr ? library : m_module.get(), width, height);
}

FakeControl& PlayerTest::Fake() {
    EXPECT_FALSE(m_fakes.empty()) << "no control was created";
    if (m_fakes.empty())
        m_fakes.emplace_back();  // keeps the caller away from an empty vector
    return m_fakes.back();
}

TestBitmap::TestBitmap(LONG width, LONG height, bool topDown)
    : m_width(width), m_height(height), m_topDown(topDown), m_dc(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_bits = static_cast<BYTE*>(bits);
    m_previous = SelectObject(m_dc.get(), m_bitmap.get());
}

TestBitmap::~TestBitmap() {
    if (m_previous != nullptr)
        SelectObject(m_dc.get(), m_previous);
}

BYTE* TestBitmap::pixel(LONG x, LONG y) const {
    const LONG row = m_topDown ? y : m_height - 1 - y;
    return m_bits +
           (static_cast<std::size_t>(row) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)) * 4;
}

DWORD TestBitmap::value(LONG x, LONG y) const {
    const BYTE* p = pixel(x, y);
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

void TestBitmap::fill(DWORD value) {
    for (LONG y = 0; y < m_height; ++y) {
        for (LONG x = 0; x < m_width; ++x) {
            BYTE* p = pixel(x, y);
            p[0] = static_cast<BYTE>(value);
            p[1] = static_cast<BYTE>(value >> 8);
            p[2] = static_cast<BYTE>(value >> 16);
            p[3] = static_cast<BYTE>(value >> 24);
        }
    }
}

bool RegionIs(HRGN region, const std::vector<RECT>& rects) {
    platform::ScopedRegion expected(CreateRectRgn(0, 0, 0, 0));
    for (const RECT& r : rects) {
        platform::ScopedRegion part(CreateRectRgnIndirect(&r));
        CombineRgn(expected.get(), expected.get(), part.get(), RGN_OR);
    }
    return EqualRgn(region, expected.get()) == TRUE;
}

std::string RectText(const RECT& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

std::vector<std::string> RectTexts(const RECT* first, LONG count) {
    std::vector<std::string> texts;
    for (LONG i = 0; i < count; ++i)
        texts.push_back(RectText(first[i]));
    return texts;
}

}  // namespace hosting_test
