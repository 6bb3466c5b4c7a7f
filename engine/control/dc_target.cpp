#include "control/dc_target.h"

#include "platform/scoped_gdi.h"

#include <cstdlib>
#include <optional>
#include <vector>

namespace control {

namespace {

// The clip region as rectangles, or none when the context has no clip region.
moviehost::Expected<std::optional<std::vector<render::PixelRect>>, DcProblem> clipOf(HDC hdc) {
    platform::ScopedRegion region(CreateRectRgn(0, 0, 0, 0));
    if (!region)
        return DcProblem::BadContext;
    const int found = GetClipRgn(hdc, region.get());
    if (found < 0)
        return DcProblem::BadContext;
    if (found == 0)
        return std::nullopt;
    const DWORD size = GetRegionData(region.get(), 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return DcProblem::BadContext;
    // RECT-aligned storage for the header and the rectangles after it.
    std::vector<RECT> storage((size + sizeof(RECT) - 1) / sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(storage.data());
    if (GetRegionData(region.get(), size, data) == 0)
        return DcProblem::BadContext;
    const DWORD count = data->rdh.nCount;
    if (sizeof(RGNDATAHEADER) + size_t(count) * sizeof(RECT) > size)
        return DcProblem::BadContext;
    const auto* rects = reinterpret_cast<const RECT*>(reinterpret_cast<const char*>(data) + sizeof(RGNDATAHEADER));
    std::vector<render::PixelRect> clip;
    clip.reserve(count);
    for (DWORD i = 0; i < count; ++i)
        clip.push_back({rects[i].left, rects[i].top, rects[i].right, rects[i].bottom});
    return clip;
}

}  // namespace

moviehost::Expected<render::Target, DcProblem> targetFromDc(HDC hdc, const RECT& bounds) {
    const DWORD kind = GetObjectType(hdc);
    if (kind != OBJ_DC && kind != OBJ_MEMDC)
        return DcProblem::BadContext;

    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(hdc, OBJ_BITMAP));
    if (bitmap == nullptr)
        return DcProblem::NoPixels;
    DIBSECTION dib{};
    if (GetObjectW(bitmap, sizeof dib, &dib) != int(sizeof dib) || dib.dsBm.bmBits == nullptr ||
        dib.dsBmih.biBitCount != 32 || dib.dsBmih.biCompression != BI_RGB)
        return DcProblem::NoPixels;

    render::Target target;
    target.pixels = static_cast<uint8_t*>(dib.dsBm.bmBits);
    target.width = dib.dsBm.bmWidth;
    target.height = std::abs(dib.dsBm.bmHeight);
    target.stride = dib.dsBm.bmWidthBytes;
    target.rowOrder = dib.dsBmih.biHeight < 0 ? render::RowOrder::TopDown : render::RowOrder::BottomUp;
    target.bounds = {bounds.left, bounds.top, bounds.right, bounds.bottom};

    auto clip = clipOf(hdc);
    if (!clip)
        return clip.error();
    if (clip.value())
        target.clip = std::move(*clip.value());
    else
        target.clip = {{0, 0, target.width, target.height}};
    return target;
}

}  // namespace control
