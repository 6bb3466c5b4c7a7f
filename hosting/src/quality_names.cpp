#include "quality_names.h"

namespace moviehost {

namespace {

constexpr LPCWSTR kNames[QualityCount] = {
    WIDE("Low"), WIDE("Medium"), WIDE("High"), WIDE("Best"), WIDE("AutoLow"), WIDE("AutoHigh"),
};

constexpr WCHAR FoldAscii(WCHAR c) noexcept {
    return c >= WCHAR{'A'} && c <= WCHAR{'Z'} ? static_cast<WCHAR>(c - WCHAR{'A'} + WCHAR{'a'}) : c;
}

}  // namespace

LPCWSTR QualityName(LONG index) noexcept {
    if (index < 0 || index >= QualityCount)
        return nullptr;
    return kNames[index];
}

bool EqualIgnoringAsciiCase(platform::WideStringView a, platform::WideStringView b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

}  // namespace moviehost
