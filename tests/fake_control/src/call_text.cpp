#include "call_text.h"

#include "moviehost/flash_contract.h"
#include "platform/ole.h"
#include "platform/wide.h"

#include <charconv>
#include <cstdio>

namespace fake_control::text {

namespace {

std::string quote(platform::WideStringView value) {
    std::string out = "\"";
    for (WCHAR c : value) {
        if (c == 0)
            out += "\\0";
        else
            out += platform::utf16_to_utf8(platform::WideStringView(&c, 1));
    }
    return out + "\"";
}

struct NamedIid {
    const IID* iid;
    const char* name;
};

const NamedIid NamedIids[] = {
    {&IID_IUnknown, "IUnknown"},
    {&IID_IDispatch, "IDispatch"},
    {&IID_IClassFactory, "IClassFactory"},
    {&IID_ISupportErrorInfo, "ISupportErrorInfo"},
    {&IID_IErrorInfo, "IErrorInfo"},
    {&IID_IConnectionPointContainer, "IConnectionPointContainer"},
    {&IID_IConnectionPoint, "IConnectionPoint"},
    {&IID_IOleObject, "IOleObject"},
    {&IID_IOleWindow, "IOleWindow"},
    {&IID_IOleInPlaceObject, "IOleInPlaceObject"},
    {&IID_IOleInPlaceObjectWindowless, "IOleInPlaceObjectWindowless"},
    {&IID_IOleInPlaceActiveObject, "IOleInPlaceActiveObject"},
    {&IID_IOleClientSite, "IOleClientSite"},
    {&IID_IOleInPlaceSite, "IOleInPlaceSite"},
    {&IID_IOleInPlaceSiteEx, "IOleInPlaceSiteEx"},
    {&IID_IOleInPlaceSiteWindowless, "IOleInPlaceSiteWindowless"},
    {&IID_IViewObject, "IViewObject"},
    {&IID_IViewObject2, "IViewObject2"},
    {&IID_IDataObject, "IDataObject"},
    {&IID_IShockwaveFlash, "IShockwaveFlash"},
    {&DIID__IShockwaveFlashEvents, "_IShockwaveFlashEvents"},
};

}  // namespace

std::string bstr(BSTR value) {
    if (value == nullptr)
        return "null";
    return quote(platform::WideStringView(value, SysStringLen(value)));
}

std::string wide(const OLECHAR* value) { return value == nullptr ? "null" : quote(platform::WideStringView(value)); }

namespace {

template <typename Rect>
std::string anyRect(const Rect* value) {
    if (value == nullptr)
        return "null";
    return "{" + number(static_cast<long long>(value->left)) + "," + number(static_cast<long long>(value->top)) + "," +
           number(static_cast<long long>(value->right)) + "," + number(static_cast<long long>(value->bottom)) + "}";
}

}  // namespace

std::string rect(const RECT* value) { return anyRect(value); }

std::string rect(const RECTL* value) { return anyRect(value); }

std::string pointer(const void* value) { return value == nullptr ? "null" : "ptr"; }

std::string hex(unsigned long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx", value);
    return buffer;
}

std::string number(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string number(long long value) { return std::to_string(value); }

std::string iid(REFIID value) {
    for (const NamedIid& named : NamedIids) {
        if (*named.iid == value)
            return named.name;
    }
    WCHAR buffer[40];
    return StringFromGUID2(value, buffer, 40) != 0 ? platform::utf16_to_utf8(buffer) : "?";
}

}  // namespace fake_control::text
