// The region calls, on top of the Region representation.
#include "gdi_table.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

using platform::gdi::GdiTable;
using platform::gdi::Region;
using platform::gdi::RegionOp;

namespace {

// The platform swaps inverted corners rather than treating them as empty.
RECT normalized(int left, int top, int right, int bottom) {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return RECT{left, top, right, bottom};
}

}  // namespace

HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom) {
    try {
        Region region = Region::fromRect(normalized(left, top, right, bottom));
        auto access = GdiTable::acquire();
        return static_cast<HRGN>(access.insert(std::move(region)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* rect) {
    if (!rect)
        return nullptr;
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom) {
    try {
        Region replacement = Region::fromRect(normalized(left, top, right, bottom));
        auto access = GdiTable::acquire();
        Region* region = access.find<Region>(hrgn);
        if (!region)
            return FALSE;
        *region = std::move(replacement);
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

int WINAPI CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
    auto access = GdiTable::acquire();
    Region* target = access.find<Region>(dst);
    const Region* a = access.find<Region>(src1);
    if (!target || !a)
        return ERROR;
    // The result is built aside and only then replaces dst, so dst may be an
    // operand and a failure leaves it whole.
    try {
        if (mode == RGN_COPY) {
            Region copy = *a;
            *target = std::move(copy);
            return target->type();
        }
        const Region* b = access.find<Region>(src2);
        if (!b)
            return ERROR;
        RegionOp op = RegionOp::Unite;
        switch (mode) {
        case RGN_AND:
            op = RegionOp::Intersect;
            break;
        case RGN_OR:
            op = RegionOp::Unite;
            break;
        case RGN_XOR:
            op = RegionOp::ExclusiveOr;
            break;
        case RGN_DIFF:
            op = RegionOp::Subtract;
            break;
        default:
            return ERROR;
        }
        *target = Region::combine(*a, *b, op);
        return target->type();
    } catch (const std::bad_alloc&) {
        return ERROR;
    }
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT rect) {
    auto access = GdiTable::acquire();
    const Region* region = access.find<Region>(hrgn);
    if (!region || !rect)
        return ERROR;
    *rect = region->bounds();
    return region->type();
}

DWORD WINAPI GetRegionData(HRGN hrgn, DWORD size, LPRGNDATA data) {
    auto access = GdiTable::acquire();
    const Region* region = access.find<Region>(hrgn);
    if (!region)
        return 0;
    const auto rects = region->rects();
    const std::size_t rectBytes = rects.size() * sizeof(RECT);
    const std::size_t needed = sizeof(RGNDATAHEADER) + rectBytes;
    if (needed > 0xFFFFFFFFu)
        return 0;
    if (!data)
        return static_cast<DWORD>(needed);
    if (size < needed)
        return 0;
    RGNDATAHEADER header{};
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rectBytes);
    header.rcBound = region->bounds();
    // Byte copies: the caller's buffer need not be aligned for RECT.
    auto* out = reinterpret_cast<unsigned char*>(data);
    std::memcpy(out, &header, sizeof header);
    if (rectBytes > 0)
        std::memcpy(out + sizeof header, rects.data(), rectBytes);
    return static_cast<DWORD>(needed);
}

BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y) {
    auto access = GdiTable::acquire();
    const Region* region = access.find<Region>(hrgn);
    return region && region->contains(x, y) ? TRUE : FALSE;
}

int WINAPI OffsetRgn(HRGN hrgn, int dx, int dy) {
    auto access = GdiTable::acquire();
    Region* region = access.find<Region>(hrgn);
    if (!region || !region->offset(dx, dy))
        return ERROR;
    return region->type();
}

BOOL WINAPI EqualRgn(HRGN a, HRGN b) {
    auto access = GdiTable::acquire();
    const Region* first = access.find<Region>(a);
    const Region* second = access.find<Region>(b);
    if (!first || !second)
        return ERROR;
    return *first == *second ? TRUE : FALSE;
}
