// The player-wide settings of flash.text.TextRenderer (both script machines
// have the class): the display mode, the quality level, and the tables of
// advanced anti-aliasing by font, style and text colour. The renderer reads
// the tables when it draws "advanced" text; a table's cutoffs say at which
// distance from the outline (in pixels, positive inside) a pixel starts to
// show and where it is full.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace text {

// "lcd" draws advanced text on an opaque background with subpixel coverage
// for a screen of RGB stripes; "crt" draws grey levels. "default" leaves the
// choice to the system's font smoothing setting, and a headless renderer has
// none (its pictures may be scaled or shown anywhere), so it draws grey.
enum class DisplayMode : uint8_t { Default, Lcd, Crt };
[[nodiscard]] std::optional<DisplayMode> displayModeNamed(std::u16string_view name);
[[nodiscard]] std::u16string_view displayModeName(DisplayMode mode);

enum class ColorType : uint8_t { Dark, Light };
[[nodiscard]] std::optional<ColorType> colorTypeNamed(std::u16string_view name);
// Light text (the table of "light") is text brighter than mid grey.
[[nodiscard]] ColorType colorTypeOf(uint32_t rgb);

struct FontStyle {
    bool bold = false;
    bool italic = false;
};
// "regular", "bold", "italic", "boldItalic".
[[nodiscard]] std::optional<FontStyle> fontStyleNamed(std::u16string_view name);

// One row of a table (flash.text.CSMSettings).
struct CsmSettings {
    double fontSize = 0.0;  // pixels
    double insideCutoff = 0.5;
    double outsideCutoff = -0.5;
};

// The edge of coverage: where it starts (outside) and where it is full.
struct Cutoffs {
    double inside = 0.5;
    double outside = -0.5;
    bool operator==(const Cutoffs&) const = default;
};

class TextRendererSettings {
public:
    // Bounds on what scripts may store: tables beyond them are refused.
    static constexpr size_t MaxTables = 256;
    static constexpr size_t MaxRows = 256;

    [[nodiscard]] DisplayMode displayMode() const { return m_displayMode; }
    void setDisplayMode(DisplayMode mode);
    // 3, 4 or 7; false (unchanged) for any other level. The level is how
    // finely advanced text's outlines are followed: see toleranceScale().
    [[nodiscard]] int maxLevel() const { return m_maxLevel; }
    [[nodiscard]] bool setMaxLevel(int level);
    // What the largest distance between a curve of advanced text and the
    // edges drawn for it is multiplied by: 5 at level 3, 1 at 4 (the
    // renderer's own precision, a tenth of a pixel at high quality), a
    // fifth at 7.
    [[nodiscard]] double toleranceScale() const;

    // Replaces the table of one font, style and colour type. Rows that are
    // not finite are dropped; an empty table removes it. False when the
    // table count or row count is over its bound (nothing changes).
    [[nodiscard]] bool setTable(std::string_view fontName, FontStyle style, ColorType color,
                                std::vector<CsmSettings> rows);
    // The cutoffs for text of that font at `pixelSize`: interpolated
    // between the two rows around it, the nearest row's outside the table;
    // none when the font has no table.
    [[nodiscard]] std::optional<Cutoffs> cutoffs(std::string_view fontName, FontStyle style, ColorType color,
                                                 double pixelSize) const;

    // Grows with every change that can alter what is drawn.
    [[nodiscard]] uint64_t version() const { return m_version; }

private:
    using Key = std::tuple<std::string, bool, bool, ColorType>;
    DisplayMode m_displayMode = DisplayMode::Default;
    int m_maxLevel = 4;
    std::map<Key, std::vector<CsmSettings>, std::less<>> m_tables;
    uint64_t m_version = 0;
};

}  // namespace text
