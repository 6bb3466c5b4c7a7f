// What the control's tests share: the module loaded as the host loads it, a
// control with its site, bitmaps selected into memory DCs, movie files in a
// folder of the test's own, BSTR and error-information helpers, and a pump
// for the thread timer under the platform's manual clock.
#pragma once

#include "moviehost/testing/recording_site.h"

#include "movie_writer.h"

#include "moviehost/flash_contract.h"
#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace controltest {

using TestSite = moviehost::testing::RecordingSite;

// 0xAARRGGBB, how a 32-bit DIB pixel reads as a little-endian word.
constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }
constexpr uint32_t kOpaqueRed = argb(255, 255, 0, 0);
constexpr uint32_t kOpaqueWhite = argb(255, 255, 255, 255);
constexpr uint32_t kSentinel = 0x5A3C1E07;  // a value drawing never makes by chance
std::string hex(uint32_t pixel);

// bin/flash10c.ocx, loaded with LoadLibraryW as the host loads it.
class ControlModule {
public:
    using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
    using CanUnloadNowFn = HRESULT (*)();

    static ControlModule& instance();
    static std::string path();

    [[nodiscard]] HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** ppv) const;
    [[nodiscard]] HRESULT canUnloadNow() const;
    // A new control through the class factory, as IOleObject.
    [[nodiscard]] platform::ComPtr<IOleObject> create() const;

private:
    ControlModule();
    HMODULE m_module = nullptr;
    GetClassObjectFn m_getClassObject = nullptr;
    CanUnloadNowFn m_canUnloadNow = nullptr;
};

// A control with its interfaces and a site. activate() does what the host
// does: SetClientSite, DoVerb(OLEIVERB_INPLACEACTIVATE), SetObjectRects.
struct Control {
    Control();
    // Closes (if not yet) and releases every interface.
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    void activate(LONG width, LONG height);
    void close();

    TestSite site;
    platform::ComPtr<IOleObject> ole;
    platform::ComPtr<IShockwaveFlash> flash;
    platform::ComPtr<IViewObject> view;
    bool closed = false;
};

// A 32-bit DIB section selected into a memory DC; rows top-down or bottom-up.
class DibSurface {
public:
    DibSurface(LONG width, LONG height, bool topDown, uint32_t fill = kSentinel);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    [[nodiscard]] HDC dc() const { return m_dc.get(); }
    // Picture position, row 0 at the top whatever the row order.
    [[nodiscard]] uint32_t at(LONG x, LONG y) const;
    void fill(uint32_t pixel);
    // Selects a clip region of these rectangles (their union).
    void clip(const std::vector<RECT>& rects);
    // Draws the control into the whole surface.
    HRESULT draw(IViewObject* view, DWORD aspect = DVASPECT_OPAQUE) const;
    HRESULT draw(IViewObject* view, DWORD aspect, const RECT& bounds) const;

    [[nodiscard]] LONG width() const { return m_width; }
    [[nodiscard]] LONG height() const { return m_height; }

private:
    LONG m_width = 0;
    LONG m_height = 0;
    bool m_topDown = false;
    uint32_t* m_bits = nullptr;
    platform::ScopedMemoryDC m_dc;
    platform::ScopedBitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;
};

// A folder of the running test's own for movie files.
std::filesystem::path testFolder();
// Writes the movie there and returns its path.
std::string saveMovie(swfwriter::MovieWriter& movie, const std::string& name);
std::string saveBytes(const std::vector<uint8_t>& bytes, const std::string& name);

platform::ScopedBstr bstr(std::u16string_view text);
std::u16string wide(const std::string& utf8);
std::string narrow(std::u16string_view text);
// The content of a BSTR the control returned, which is then freed.
std::u16string take(BSTR value);

// Sets the control's Movie (a path in UTF-8).
HRESULT loadMovie(IShockwaveFlash* flash, const std::string& path);

// The thread's error object as text; `present` false when there was none.
struct ErrorText {
    bool present = false;
    std::u16string source;
    std::u16string description;
    GUID guid{};
};
ErrorText takeErrorInfo();

// Moves the manual clock on and dispatches every WM_TIMER that became due,
// through GetMessageW and DispatchMessageW. Returns the number dispatched.
int runClock(ULONGLONG milliseconds);

// A RECT as "(l, t, r, b)", or "whole" for none.
std::string describe(const std::optional<RECT>& rect);

}  // namespace controltest
