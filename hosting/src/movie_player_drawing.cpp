// Drawing the dirty part of the surface into the caller's context, opaque or
// with per-pixel alpha from two renders, and resizing the surface.
#include "movie_player.h"

#include "alpha_pass.h"
#include "union_region.h"

namespace moviehost {

namespace {

constexpr COLORREF Black = 0x000000;
constexpr COLORREF White = 0xFFFFFF;
constexpr LONG AlphaMode = 2;

void FillRegion(HDC hdc, HRGN region, COLORREF color) {
    const platform::ScopedBrush brush(CreateSolidBrush(color));
    FillRgn(hdc, region, brush.get());
}

void Render(IViewObject* view, DWORD aspect, HDC hdc, LONG width, LONG height) {
    const RECTL bounds = {0, 0, width, height};
    view->Draw(aspect, 1, nullptr, nullptr, nullptr, hdc, &bounds, &bounds, nullptr, 0);
}

}  // namespace

void CMoviePlayer::DrawDirtyRegion(HDC hdc) {
    if (!m_dirty.IsDirty())
        return;
    if (const auto view = m_control.As<IViewObject>()) {
        // Released on every way out, a raising QueryBackColor included.
        const platform::ScopedRegion region = BuildUnionRegion(m_dirty.Rects());
        RECT box;
        if (region && ClipRegionToSurface(region.get(), m_width, m_height, box)) {
            if (m_transparency == AlphaMode)
                DrawWithAlpha(hdc, region.get(), box, view.get());
            else
                DrawOpaque(hdc, region.get(), view.get());
        }
    }
    // Invalidations raised while the control drew are dropped with the rest.
    m_dirty.Reset();
}

// The region stays selected as the clip region of `hdc` afterwards.
void CMoviePlayer::DrawOpaque(HDC hdc, HRGN region, IViewObject* view) {
    SelectClipRgn(hdc, region);
    FillRegion(hdc, region, static_cast<COLORREF>(QueryBackColor()));
    Render(view, DVASPECT_OPAQUE, hdc, m_width, m_height);
}

// Renders over black and over white inside the region, derives the alpha over
// the whole box (outside the region the surfaces keep an earlier frame) and
// copies the box; the caller's context is neither filled nor clipped here.
void CMoviePlayer::DrawWithAlpha(HDC hdc, HRGN region, const RECT& box, IViewObject* view) {
    if (!EnsurePrivateSurfaces(hdc))
        return;
    const LONG width = m_width;
    const LONG height = m_height;
    SelectClipRgn(m_black.m_dc.get(), region);
    FillRegion(m_black.m_dc.get(), region, Black);
    Render(view, DVASPECT_TRANSPARENT, m_black.m_dc.get(), width, height);
    // The control may call back into the player while it draws; only touch
    // pixels of surfaces that are still the size the box was taken for.
    if (!m_white.Exists() || m_width != width || m_height != height)
        return;
    SelectClipRgn(m_white.m_dc.get(), region);
    FillRegion(m_white.m_dc.get(), region, White);
    Render(view, DVASPECT_TRANSPARENT, m_white.m_dc.get(), width, height);
    if (!m_black.Exists() || !m_white.Exists() || m_width != width || m_height != height)
        return;
    ComputeAlpha(m_black.m_bits, m_white.m_bits, width, box);
    BitBlt(hdc, box.left, box.top, box.right - box.left, box.bottom - box.top, m_black.m_dc.get(), box.left, box.top,
           SRCCOPY);
}

bool CMoviePlayer::EnsurePrivateSurfaces(HDC reference) {
    if (m_black.Exists() && m_white.Exists())
        return true;
    ReleasePrivateSurfaces();
    if (m_black.Create(reference, m_width, m_height) && m_white.Create(reference, m_width, m_height))
        return true;
    ReleasePrivateSurfaces();
    return false;
}

void CMoviePlayer::ReleasePrivateSurfaces() noexcept {
    m_black.Release();
    m_white.Release();
}

void CMoviePlayer::ResizeSurface(LONG width, LONG height) {
    if (const auto inPlace = m_oleObject.As<IOleInPlaceObject>()) {
        const RECT surface = {0, 0, width, height};
        inPlace->SetObjectRects(&surface, &surface);
        m_width = width;
        m_height = height;
        AddDirtyRect(nullptr);
    }
    // Recreated at the new size by the next draw that needs them.
    ReleasePrivateSurfaces();
}

}  // namespace moviehost
