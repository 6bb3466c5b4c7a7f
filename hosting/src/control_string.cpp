#include "control_string.h"

#include "control_error.h"

#include <algorithm>
#include <new>

namespace moviehost {

platform::ScopedBstr ToControlString(LPCWSTR text) {
    if (text == nullptr)
        return {};
    platform::ScopedBstr copy(SysAllocString(text));
    if (!copy)
        RaiseOutOfMemory();
    return copy;
}

platform::WideStringView ControlStringView(BSTR value) noexcept {
    if (value == nullptr)
        return {};
    const WCHAR* begin = value;
    const WCHAR* end = value + SysStringLen(value);
    return platform::WideStringView(begin, static_cast<std::size_t>(std::find(begin, end, WCHAR{0}) - begin));
}

void CopyControlString(BSTR value, platform::WideString& target) {
    try {
        target.assign(ControlStringView(value));
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    }
}

}  // namespace moviehost
