// Helpers shared by the GDI tests: printing rectangles and reading a region's
// rectangles. Surfaces come from the shared test support.
#pragma once

#include "platform/gdi.h"
#include "platform/scoped_gdi.h"

#include "moviehost/testing/dib_surface.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

inline void printTo(const RECT& r, std::ostream* os) { *os << r; }

namespace moviehost::testing {

inline ::testing::AssertionResult rectIs(const RECT& got, LONG left, LONG top, LONG right, LONG bottom) {
    const RECT expected{left, top, right, bottom};
    if (EqualRect(&got, &expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected << ", got " << got;
}

// The rectangles GetRegionData hands out, in its order.
inline std::vector<RECT> regionRects(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || GetRegionData(region, size, reinterpret_cast<RGNDATA*>(buffer.data())) != size)
        return {};
    RGNDATAHEADER header{};
    std::memcpy(&header, buffer.data(), sizeof header);
    std::vector<RECT> rects(header.nCount);
    if (header.nCount > 0)
        std::memcpy(rects.data(), buffer.data() + sizeof header, header.nCount * sizeof(RECT));
    return rects;
}

inline ::testing::AssertionResult rectsAre(HRGN region, const std::vector<RECT>& expected) {
    const std::vector<RECT> got = regionRects(region);
    bool same = got.size() == expected.size();
    for (std::size_t i = 0; same && i < got.size(); ++i)
        same = EqualRect(&got[i], &expected[i]) != FALSE;
    if (same)
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "expected [";
    for (const RECT& r : expected)
        failure << r << " ";
    failure << "], got [";
    for (const RECT& r : got)
        failure << r << " ";
    return failure << "]";
}

}  // namespace moviehost::testing
