// A drawing made by script calls (beginFill, lineTo, curveTo ...), kept per
// display object and painted below its children. It knows nothing of the
// script machine that calls it, so both ActionScript 2's MovieClip and
// ActionScript 3's Graphics can drive one.
//
// The drawing keeps what the renderer needs in the shape model the file uses:
// fill and line styles (swf::Shape) and paths in paint order
// (swf::ShapeGeometry) with their bounds, in twips. Order of painting follows
// the calls: a fill lies above everything drawn before beginFill, the lines
// drawn while it is open lie above it.
//
// Fills are closed when they end (endFill, the next beginFill, clear) and
// whenever moveTo starts another contour inside them; the closing edge is not
// stroked. Fills use the even-odd rule unless the script asks for non-zero. Coordinates that are not finite count
// as 0; all are clamped to swf::CoordinateLimit. Past MaxCommands path
// commands (runaway scripts) further edges are dropped, while the pen still
// moves, so memory stays bounded.
#pragma once

#include "model/geometry_cache.h"

#include "swf/geometry.h"
#include "swf/shape.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace model {

// Pixels a bitmap fill paints with, owned by whoever made them (a script's
// bitmap). Premultiplied 0xAARRGGBB, rows top-down, width pixels a row.
class FillBitmap {
public:
    virtual ~FillBitmap() = default;
    // Null when the pixels are gone (a disposed bitmap): the fill paints nothing.
    [[nodiscard]] virtual const uint32_t* pixels() const = 0;
    [[nodiscard]] virtual int32_t width() const = 0;
    [[nodiscard]] virtual int32_t height() const = 0;
    // Changes whenever the pixels do, so a drawing that shows them is redrawn.
    [[nodiscard]] virtual uint64_t version() const = 0;
};

// How a drawing that shows a bitmap lines up with the device pixel grid.
// Auto snaps only when its pixels map one to one onto device pixels (moved,
// not scaled, rotated or skewed); Always snaps the origin whatever the scale.
enum class PixelSnapping : uint8_t { Never, Auto, Always };

class Drawing {
public:
    static constexpr size_t MaxCommands = size_t(1) << 20;

    // Ends any open fill and starts one with `style`. Bitmap fills paint the
    // pixels of `bitmap` (style.bitmapId is not looked at); without one they
    // paint nothing.
    void beginFill(const swf::FillStyle& style, std::shared_ptr<const FillBitmap> bitmap = nullptr);
    void endFill();
    // The line for the edges that follow; none draws no line.
    void lineStyle(const std::optional<swf::LineStyle>& style);
    // Paints the current line with a gradient, or a bitmap fill's pixels
    // (`bitmap`); nothing without a line style.
    void lineGradientStyle(const swf::FillStyle& fill, std::shared_ptr<const FillBitmap> bitmap = nullptr);
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void curveTo(double controlX, double controlY, double x, double y);
    // Forgets everything, the line style included; the pen goes back to 0, 0.
    void clear();
    // The open fill's rule from now on: non-zero instead of even-odd; it
    // ends with the fill.
    void setNonZeroWinding(bool nonZero);
    // The open fill's style and its bitmap; none without an open fill.
    [[nodiscard]] const swf::FillStyle* openFill() const;
    [[nodiscard]] std::shared_ptr<const FillBitmap> openFillBitmap() const;
    // Snapping of the whole drawing; clear() sets it back to Never.
    void setPixelSnapping(PixelSnapping snapping);
    [[nodiscard]] PixelSnapping pixelSnapping() const { return m_snapping; }
    // Becomes a copy of `other` (styles, paths, pen), seen as a change.
    void copyFrom(const Drawing& other);

    [[nodiscard]] bool empty() const { return m_geometry.paths.empty(); }
    // The styles the paths paint with (fillStyles, lineStyles).
    [[nodiscard]] const swf::Shape& styles() const { return m_styles; }
    // Paths in paint order; fill paths may end open (painted as closed).
    [[nodiscard]] const swf::ShapeGeometry& geometry() const { return m_geometry; }
    // The pixels of a bitmap fill style, null for other styles.
    [[nodiscard]] const FillBitmap* bitmapOf(uint32_t fillStyle) const;
    // The pixels a line style's bitmap fill paints, null for other lines.
    [[nodiscard]] const FillBitmap* lineBitmapOf(uint32_t lineStyle) const;
    // Bumped by every change (and by bitmaps it paints changing); change
    // tracking compares it.
    [[nodiscard]] uint32_t version() const;

    // The renderer's form of the paths; reset by every change.
    mutable ExtensionSlot extension;

private:
    void changed();
    [[nodiscard]] bool roomFor(size_t commands) const { return m_commands + commands <= MaxCommands; }
    void addEdge(const swf::PathCommand& command);
    void closeFill();
    [[nodiscard]] swf::Path* fillPath();
    [[nodiscard]] swf::Path* strokePath();

    swf::Shape m_styles;
    swf::ShapeGeometry m_geometry;
    std::vector<std::shared_ptr<const FillBitmap>> m_bitmaps;      // per fill style
    std::vector<std::shared_ptr<const FillBitmap>> m_lineBitmaps;  // per line style
    std::optional<uint32_t> m_fill;                                // the open fill's style
    std::optional<size_t> m_fillPath;                              // its path, once it has edges
    bool m_nonZero = false;                                        // the open fill's rule
    std::optional<uint32_t> m_line;                                // the current line style
    std::optional<size_t> m_strokePath;                            // its path, while the pen stays on it
    swf::Point m_pen;
    swf::Point m_contourStart;  // of the open fill's current contour
    size_t m_commands = 0;
    PixelSnapping m_snapping = PixelSnapping::Never;
    uint32_t m_version = 0;
};

}  // namespace model
