// Assembles movie files tag by tag for tests and examples.
//
//   swfwriter::MovieWriter movie({.width = 320, .height = 240, .frameRate = 12});
//   movie.background({255, 255, 255});
//   uint16_t square = movie.rectangle(0, 0, 2000, 2000, {255, 0, 0});
//   movie.place(square, 1, {.matrix = swfwriter::Matrix::translate(400, 400)});
//   movie.showFrame();
//   std::vector<uint8_t> file = movie.finish();
//
// Definitions return the character id they were given (ids count up from 1).
// Coordinates are twips (20 per pixel) except where a name says pixels.
#pragma once

#include "actions.h"
#include "bit_writer.h"
#include "image_encoder.h"
#include "shape_builder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace swfwriter {

enum class Compression { None, Zlib, Lzma };

// Clip event bits, first file byte on top (the parser's layout).
namespace Event {
inline constexpr uint32_t KeyUp = 1u << 31, KeyDown = 1u << 30, MouseUp = 1u << 29, MouseDown = 1u << 28,
                          MouseMove = 1u << 27, Unload = 1u << 26, EnterFrame = 1u << 25, Load = 1u << 24,
                          DragOver = 1u << 23, RollOut = 1u << 22, RollOver = 1u << 21, ReleaseOutside = 1u << 20,
                          Release = 1u << 19, Press = 1u << 18, Initialize = 1u << 17, Data = 1u << 16,
                          Construct = 1u << 10, KeyPress = 1u << 9, DragOut = 1u << 8;
}

struct ClipActionSpec {
    uint32_t events = 0;
    uint8_t keyCode = 0;  // written when events has KeyPress
    std::vector<uint8_t> actions;
};

// FILTERLIST bytes.
class Filters {
public:
    Filters& blur(double blurX, double blurY, uint8_t passes);
    Filters& dropShadow(Color c, double blurX, double blurY, double angle, double distance, double strength, bool inner,
                        bool knockout, uint8_t passes);
    Filters& glow(Color c, double blurX, double blurY, double strength, uint8_t passes);
    Filters& colorMatrix(const std::vector<float>& matrix20);
    Filters& raw(uint8_t id, const std::vector<uint8_t>& body);  // any filter, e.g. an unknown id
    [[nodiscard]] std::vector<uint8_t> bytes() const;

private:
    uint8_t m_count = 0;
    BitWriter m_body;
};

// PlaceObject2, or PlaceObject3 when a field needs it.
struct Place {
    bool move = false;
    std::optional<Matrix> matrix;
    std::optional<CxForm> cxform;
    std::optional<uint16_t> ratio;
    std::optional<std::string> name;
    std::optional<uint16_t> clipDepth;
    std::optional<std::string> className;
    std::optional<std::vector<uint8_t>> filters;  // Filters::bytes()
    std::optional<uint8_t> blendMode;
    std::optional<bool> cacheAsBitmap;
    std::optional<bool> visible;
    std::optional<Color> opaqueBackground;
    std::vector<ClipActionSpec> clipActions;
    bool forceVersion3 = false;
};

// SOUNDINFO: envelope points are (position in 44.1 kHz samples, left, right)
// with levels 0..32768, written in the order given.
struct SoundInfoSpec {
    bool syncStop = false;
    bool syncNoMultiple = false;
    std::optional<uint32_t> inPoint;
    std::optional<uint32_t> outPoint;
    std::optional<uint16_t> loops;
    struct Point {
        uint32_t position44 = 0;
        uint16_t left = 32768;
        uint16_t right = 32768;
    };
    std::vector<Point> envelope;
};

// A sound format byte's fields: codec 0 native PCM, 1 ADPCM, 2 MP3, 3 PCM
// little-endian...; rate code 0 5.5 kHz .. 3 44 kHz.
struct SoundFormatSpec {
    uint8_t codec = 3;
    uint8_t rateCode = 3;
    bool sixteenBit = true;
    bool stereo = true;

    [[nodiscard]] uint8_t byte() const {
        return uint8_t(codec << 4 | (rateCode & 3) << 2 | (sixteenBit ? 2 : 0) | (stereo ? 1 : 0));
    }
};

// A timeline being written: the movie's root or a sprite's.
class TimelineWriter {
public:
    explicit TimelineWriter(uint8_t swfVersion) : m_version(swfVersion) {}

    void tag(uint16_t code, const std::vector<uint8_t>& body);
    void place(uint16_t characterId, uint16_t depth, const Place& options = {});
    void modify(uint16_t depth, const Place& options);  // PlaceObject2 with Move and no character
    void replace(uint16_t characterId, uint16_t depth, const Place& options = {});  // Move with a character
    void placeObject1(uint16_t characterId, uint16_t depth, const Matrix& matrix,
                      std::optional<CxForm> cxform = std::nullopt);
    void remove(uint16_t depth);                               // RemoveObject2
    void removeObject1(uint16_t characterId, uint16_t depth);  // RemoveObject
    void showFrame();
    void label(const std::string& name, bool namedAnchor = false);
    void doAction(const Actions& actions) { doAction(actions.bytes()); }
    void doAction(const std::vector<uint8_t>& bytes);
    void background(Color c);
    // Sound tags (sound_writer.cpp).
    void startSound(uint16_t soundId, const SoundInfoSpec& info = {});
    void startSound2(const std::string& className, const SoundInfoSpec& info = {});
    // SoundStreamHead2 (version 2) or SoundStreamHead; the playback format
    // repeats the stream's.
    void soundStreamHead(const SoundFormatSpec& stream, uint16_t samplesPerBlock, int version = 2,
                         int16_t latencySeek = 0);
    void soundStreamBlock(const std::vector<uint8_t>& data);

    [[nodiscard]] uint16_t framesWritten() const { return m_frames; }
    [[nodiscard]] uint8_t version() const { return m_version; }
    [[nodiscard]] const std::vector<uint8_t>& tags() const { return m_tags; }

protected:
    void placeTag(std::optional<uint16_t> characterId, uint16_t depth, const Place& options, bool move);

    uint8_t m_version = 10;
    std::vector<uint8_t> m_tags;
    uint16_t m_frames = 0;
};

class SpriteWriter : public TimelineWriter {
public:
    explicit SpriteWriter(uint8_t swfVersion = 10) : TimelineWriter(swfVersion) {}
};

struct MorphFill {
    uint8_t type = 0x00;
    Color startColor;
    Color endColor;
    Matrix startMatrix;
    Matrix endMatrix;
    uint8_t spread = 0;
    uint8_t interpolation = 0;
    struct Stop {
        uint8_t startRatio = 0;
        Color startColor;
        uint8_t endRatio = 0;
        Color endColor;
    };
    std::vector<Stop> stops;
    uint16_t bitmapId = 0;
};

struct MorphLine {
    uint16_t startWidth = 20;
    uint16_t endWidth = 20;
    Color startColor;
    Color endColor;
    // DefineMorphShape2 fields
    uint8_t startCap = 0, endCap = 0, join = 0;
    double miterLimit = 3.0;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    std::optional<MorphFill> fill;
};

struct MorphShapeSpec {
    int version = 1;
    std::vector<MorphFill> fills;
    std::vector<MorphLine> lines;
    ShapeBuilder start;  // edges with style selections (1-based into fills/lines)
    ShapeBuilder end;    // the same edges in their end positions (moves and edges only)
};

struct GlyphSpec {
    ShapeBuilder outline;  // fill1 (or fill0) = 1; coordinates in font units
    uint16_t code = 0;
    int16_t advance = 0;
    Rect bounds;
};

struct FontSpec {
    int version = 2;  // DefineFont 1, 2 or 3
    std::string name;
    bool bold = false, italic = false, smallText = false, ansi = false, shiftJis = false;
    bool wideCodes = true;
    bool wideOffsets = false;
    uint8_t language = 0;
    std::vector<GlyphSpec> glyphs;
    bool hasLayout = false;
    uint16_t ascent = 0;
    uint16_t descent = 0;
    int16_t leading = 0;
    struct Kerning {
        uint16_t code1 = 0, code2 = 0;
        int16_t adjustment = 0;
    };
    std::vector<Kerning> kerning;
};

// A font whose glyphs are solid boxes, one per character of `chars` (ASCII
// codes). On the 1024-unit em square (20480 for version 3) each box spans
// x 0..800 and y -800..0 and advances 1024, so text pixels are easy to work
// out: at height h twips a glyph is a box h*800/1024 wide and tall, sitting
// on the baseline.
[[nodiscard]] FontSpec boxFont(const std::string& chars, int version = 2);

struct TextRecordSpec {
    std::optional<uint16_t> fontId;
    uint16_t height = 240;  // written with fontId
    std::optional<Color> color;
    std::optional<int16_t> x;
    std::optional<int16_t> y;
    std::vector<std::pair<uint32_t, int32_t>> glyphs;  // index, advance
};

struct TextSpec {
    int version = 1;  // DefineText 1 or 2
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecordSpec> records;
};

struct EditTextSpec {
    Rect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false, html = false, useOutlines = false;
    std::optional<uint16_t> fontId;
    std::optional<std::string> fontClass;
    uint16_t fontHeight = 240;
    std::optional<Color> color;
    std::optional<uint16_t> maxLength;
    bool hasLayout = false;
    uint8_t align = 0;
    uint16_t leftMargin = 0, rightMargin = 0, indent = 0;
    int16_t leading = 0;
    std::string variableName;
    std::optional<std::string> initialText;
};

struct ButtonRecordSpec {
    bool up = true, over = true, down = true, hit = true;
    uint16_t characterId = 0;
    uint16_t depth = 1;
    Matrix matrix;
    CxForm cxform;                     // DefineButton2
    std::optional<uint8_t> blendMode;  // DefineButton2
    std::optional<std::vector<uint8_t>> filters;
};

struct ButtonActionSpec {
    uint16_t conditions = 1u << 11;  // OverDownToOverUp, the usual release
    uint8_t keyCode = 0;
    std::vector<uint8_t> actions;
};

struct MovieOptions {
    uint8_t version = 10;
    int32_t width = 550;   // pixels
    int32_t height = 400;  // pixels
    double frameRate = 24.0;
    Compression compression = Compression::None;
    std::optional<uint16_t> frameCount;  // default: the ShowFrames written
};

class MovieWriter : public TimelineWriter {
public:
    explicit MovieWriter(MovieOptions options = {});

    [[nodiscard]] uint16_t nextId() { return m_nextId++; }

    // Shapes
    uint16_t defineShape(const ShapeBuilder& shape, int version = 3);
    uint16_t rectangle(int32_t x, int32_t y, int32_t width, int32_t height, Color fill);
    uint16_t circle(int32_t cx, int32_t cy, int32_t radius, Color fill);
    // A rectangle filled with a linear (left to right) or radial (from the centre) gradient.
    uint16_t gradientRectangle(int32_t x, int32_t y, int32_t width, int32_t height, std::vector<GradientStop> stops,
                               bool radial = false);
    uint16_t defineMorphShape(const MorphShapeSpec& spec);

    // Bitmaps
    uint16_t defineBitsLossless(const Image& image, bool withAlpha);  // format 5
    // Any format: `pixelData` is the uncompressed payload (colour table + rows) as the format lays it out.
    uint16_t defineBitsLosslessRaw(int version, uint8_t format, uint16_t width, uint16_t height,
                                   uint8_t colorTableSizeMinusOne, const std::vector<uint8_t>& pixelData);
    uint16_t defineBitsJpeg2(const std::vector<uint8_t>& imageData);  // JPEG, PNG or GIF bytes as they are
    uint16_t defineBitsJpeg3(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha);  // alpha: w*h bytes
    uint16_t defineBitsJpeg4(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha, uint16_t deblock);
    void jpegTables(const std::vector<uint8_t>& tables);
    uint16_t defineBits(const std::vector<uint8_t>& abbreviatedJpeg);
    // A shape filled with a bitmap: a rectangle of the bitmap's size (pixels) at x, y (twips).
    uint16_t bitmapRectangle(uint16_t bitmapId, uint32_t widthPx, uint32_t heightPx, int32_t x = 0, int32_t y = 0,
                             bool clipped = true, bool smoothed = true);

    // Sprites, buttons
    uint16_t defineSprite(const SpriteWriter& sprite, std::optional<uint16_t> frameCount = std::nullopt);
    uint16_t defineButton(const std::vector<ButtonRecordSpec>& records, const std::vector<uint8_t>& actions);
    uint16_t defineButton2(const std::vector<ButtonRecordSpec>& records, const std::vector<ButtonActionSpec>& actions,
                           bool trackAsMenu = false);
    void defineButtonCxform(uint16_t buttonId, const CxForm& cxform);
    // DefineScalingGrid: the 9-slice grid of a sprite or button (twips).
    void defineScalingGrid(uint16_t characterId, const Rect& grid);

    // Fonts and text
    uint16_t defineFont(const FontSpec& font);
    void defineFontInfo(uint16_t fontId, const FontSpec& info, int version = 1);
    uint16_t defineText(const TextSpec& text);
    uint16_t defineEditText(const EditTextSpec& edit);
    // DefineText2 with one line of `text` in a font defined from `font`
    // (characters the font lacks are left out), baseline at (x, y).
    uint16_t staticText(uint16_t fontId, const FontSpec& font, const std::string& text, uint16_t height, Color color,
                        int16_t x, int16_t y);

    // Sounds (sound_writer.cpp). `data` is coded as the format says (for MP3
    // the two-byte SeekSamples goes first).
    uint16_t defineSound(const SoundFormatSpec& format, uint32_t sampleCount, const std::vector<uint8_t>& data);
    // One sound per transition, in DefineButtonSound's order (roll out, roll
    // over, press, release); id 0 for none.
    void defineButtonSound(uint16_t buttonId, const std::array<std::pair<uint16_t, SoundInfoSpec>, 4>& sounds);

    // Video (sound_writer.cpp): DefineVideoStream, then a VideoFrame per
    // coded frame (the codec's data as an FLV packet carries it).
    uint16_t defineVideoStream(uint16_t frameCount, uint16_t width, uint16_t height, uint8_t codec,
                               uint8_t deblocking = 0, bool smoothing = false);
    void videoFrame(uint16_t streamId, uint16_t frame, const std::vector<uint8_t>& data);

    // Scripts and other tags
    void doInitAction(uint16_t spriteId, const Actions& actions);
    void exportAssets(const std::vector<std::pair<uint16_t, std::string>>& assets);
    void fileAttributes(bool actionScript3, bool useNetwork = false);

    // Appends End and returns the complete file; the header's frame count is
    // options().frameCount or the number of ShowFrames written.
    [[nodiscard]] std::vector<uint8_t> finish();
    void save(const std::string& path);

    [[nodiscard]] const MovieOptions& options() const { return m_options; }

private:
    uint16_t defineTag(uint16_t code, uint16_t id, const std::vector<uint8_t>& rest);

    MovieOptions m_options;
    uint16_t m_nextId = 1;
};

// Tag header + body, for tests that assemble hostile data by hand.
[[nodiscard]] std::vector<uint8_t> tagBytes(uint16_t code, const std::vector<uint8_t>& body, bool forceLong = false);
// A file around raw tag bytes (which should end with an End tag).
[[nodiscard]] std::vector<uint8_t> movieBytes(const std::vector<uint8_t>& tags, const MovieOptions& options = {});

}  // namespace swfwriter
