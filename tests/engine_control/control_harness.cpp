#include "control_harness.h"

#include "platform/testing.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <fstream>

namespace controltest {

std::string hex(uint32_t pixel) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", pixel);
    return text;
}

ControlModule& ControlModule::instance() {
    static ControlModule module;
    return module;
}

std::string ControlModule::path() { return FLASH10C_PATH; }

ControlModule::ControlModule() {
    m_module = LoadLibraryW(wide(path()).c_str());
    if (m_module == nullptr)
        return;
    m_getClassObject = platform::ProcedureAs<GetClassObjectFn>(GetProcAddress(m_module, "DllGetClassObject"));
    m_canUnloadNow = platform::ProcedureAs<CanUnloadNowFn>(GetProcAddress(m_module, "DllCanUnloadNow"));
}

HRESULT ControlModule::getClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
    return m_getClassObject != nullptr ? m_getClassObject(clsid, iid, ppv) : E_FAIL;
}

HRESULT ControlModule::canUnloadNow() const { return m_canUnloadNow != nullptr ? m_canUnloadNow() : E_FAIL; }

platform::ComPtr<IOleObject> ControlModule::create() const {
    platform::ComPtr<IClassFactory> factory;
    if (FAILED(getClassObject(CLSID_ShockwaveFlash, IID_IClassFactory, factory.receive_void())) || !factory)
        return {};
    platform::ComPtr<IOleObject> object;
    if (FAILED(factory->CreateInstance(nullptr, IID_IOleObject, object.receive_void())))
        return {};
    return object;
}

Control::Control() {
    ole = ControlModule::instance().create();
    flash = ole.As<IShockwaveFlash>();
    view = ole.As<IViewObject>();
}

Control::~Control() {
    close();
    view.reset();
    flash.reset();
    ole.reset();
}

void Control::activate(LONG width, LONG height) {
    site.position = {0, 0, width, height};
    ASSERT_EQ(ole->SetClientSite(site.clientSite()), S_OK);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.clientSite(), 0, nullptr, nullptr), S_OK);
    const auto inPlace = ole.As<IOleInPlaceObject>();
    ASSERT_TRUE(inPlace);
    ASSERT_EQ(inPlace->SetObjectRects(&site.position, &site.position), S_OK);
}

void Control::close() {
    if (closed || !ole)
        return;
    closed = true;
    ole->Close(OLECLOSE_NOSAVE);
}

DibSurface::DibSurface(LONG width, LONG height, bool topDown, uint32_t fill)
    : m_width(width), m_height(height), m_topDown(topDown) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_bits = static_cast<uint32_t*>(bits);
    m_dc.reset(CreateCompatibleDC(nullptr));
    m_previous = SelectObject(m_dc.get(), m_bitmap.get());
    this->fill(fill);
}

DibSurface::~DibSurface() {
    SelectClipRgn(m_dc.get(), nullptr);
    if (m_previous != nullptr)
        SelectObject(m_dc.get(), m_previous);
    m_dc.reset();
    m_bitmap.reset();
}

uint32_t DibSurface::at(LONG x, LONG y) const {
    if (m_bits == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") lies outside the surface";
        return 0;
    }
    const LONG row = m_topDown ? y : m_height - 1 - y;
    return m_bits[size_t(row) * size_t(m_width) + size_t(x)];
}

void DibSurface::fill(uint32_t pixel) {
    if (m_bits != nullptr)
        std::fill(m_bits, m_bits + size_t(m_width) * size_t(m_height), pixel);
}

void DibSurface::clip(const std::vector<RECT>& rects) {
    platform::ScopedRegion region(CreateRectRgn(0, 0, 0, 0));
    for (const RECT& r : rects) {
        platform::ScopedRegion part(CreateRectRgnIndirect(&r));
        CombineRgn(region.get(), region.get(), part.get(), RGN_OR);
    }
    SelectClipRgn(m_dc.get(), region.get());
}

HRESULT DibSurface::draw(IViewObject* view, DWORD aspect) const {
    return draw(view, aspect, RECT{0, 0, m_width, m_height});
}

HRESULT DibSurface::draw(IViewObject* view, DWORD aspect, const RECT& area) const {
    const RECTL bounds{area.left, area.top, area.right, area.bottom};
    return view->Draw(aspect, 1, nullptr, nullptr, nullptr, m_dc.get(), &bounds, &bounds, nullptr, 0);
}

std::filesystem::path testFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "engine_control_" + std::to_string(::getpid());
    if (info != nullptr)
        name += std::string("_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::create_directories(folder);
    return folder;
}

std::string saveMovie(swfwriter::MovieWriter& movie, const std::string& name) {
    return saveBytes(movie.finish(), name);
}

std::string saveBytes(const std::vector<uint8_t>& bytes, const std::string& name) {
    const std::filesystem::path file = testFolder() / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file.string();
}

platform::ScopedBstr bstr(std::u16string_view text) {
    return platform::ScopedBstr(SysAllocStringLen(text.data(), UINT(text.size())));
}

std::u16string wide(const std::string& utf8) { return platform::utf8_to_utf16(utf8); }

std::string narrow(std::u16string_view text) { return platform::utf16_to_utf8(text); }

std::u16string take(BSTR value) {
    platform::ScopedBstr owned(value);
    return value == nullptr ? std::u16string() : std::u16string(value, SysStringLen(value));
}

HRESULT loadMovie(IShockwaveFlash* flash, const std::string& path) {
    const auto location = bstr(wide(path));
    return flash->put_Movie(location.get());
}

ErrorText takeErrorInfo() {
    ErrorText text;
    platform::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.receive()) != S_OK || !info)
        return text;
    text.present = true;
    BSTR value = nullptr;
    if (SUCCEEDED(info->GetSource(&value)))
        text.source = take(value);
    value = nullptr;
    if (SUCCEEDED(info->GetDescription(&value)))
        text.description = take(value);
    info->GetGUID(&text.guid);
    return text;
}

int runClock(ULONGLONG milliseconds) {
    platform::testing::AdvanceManualClock(milliseconds);
    int dispatched = 0;
    MSG msg{};
    // Peek first: GetMessageW would wait for a timer that is not due.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        if (msg.message == WM_TIMER)
            ++dispatched;
        DispatchMessageW(&msg);
    }
    return dispatched;
}

std::string describe(const std::optional<RECT>& rect) {
    if (!rect)
        return "whole";
    return "(" + std::to_string(rect->left) + ", " + std::to_string(rect->top) + ", " + std::to_string(rect->right) +
           ", " + std::to_string(rect->bottom) + ")";
}

}  // namespace controltest
