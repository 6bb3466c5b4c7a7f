// Writes the fuzzer's seed movies into a folder: small files that reach every
// tag parser. Run it by hand to refresh tests/fuzz/corpus.
#include "movie_writer.h"

#include <cstdio>
#include <string>

using namespace swfwriter;

namespace {

void shapes(const std::string& dir) {
    MovieWriter m({.version = 8, .compression = Compression::None});
    m.background({255, 255, 255});
    ShapeBuilder s;
    uint32_t red = s.addSolidFill({255, 0, 0});
    s.addFill(FillStyle::linear(FillStyle::gradientBox(0, 0, 100, 100), {{0, {0, 0, 0}}, {255, {255, 255, 255}}}));
    FillStyle focal = FillStyle::radial(Matrix{}, {{0, {1, 2, 3}}, {128, {4, 5, 6}}});
    focal.type = 0x13;
    focal.focalPoint = 0.5;
    s.addFill(focal);
    LineStyle l;
    l.width = 40;
    l.join = 2;
    s.addLine(l);
    s.setFill1(red).setLine(1).rectangle(0, 0, 100, 100);
    s.setFill1(2).circle(300, 300, 100);
    s.newStyleGroup();
    s.setFill0(s.addSolidFill({0, 0, 255})).rectangle(10, 10, 50, 50);
    uint16_t id = m.defineShape(s, 4);
    MorphShapeSpec morph;
    morph.version = 2;
    morph.fills = {MorphFill{}};
    morph.lines = {MorphLine{}};
    morph.start.setFill1(1).setLine(1).rectangle(0, 0, 100, 100);
    morph.end.moveTo(0, 0).lineTo(200, 0).curveTo(250, 50, 200, 100).lineTo(0, 100).lineTo(0, 0);
    uint16_t mid = m.defineMorphShape(morph);
    m.place(id, 1, {.matrix = Matrix::translate(100, 100)});
    m.place(mid, 2, {.ratio = 30000, .filters = Filters().blur(2, 2, 1).bytes(), .blendMode = 3});
    m.showFrame();
    m.save(dir + "/shapes.swf");
}

void bitmaps(const std::string& dir) {
    MovieWriter m({.version = 8, .compression = Compression::Zlib});
    Image img = Image::filled(8, 8, 10, 200, 30, 200);
    m.defineBitsLossless(img, true);
    m.defineBitsLosslessRaw(1, 3, 3, 2, 1, {255, 0, 0, 0, 0, 255, 0, 1, 0, 0, 1, 0, 1, 0});
    m.defineBitsLosslessRaw(1, 4, 1, 1, 0, {0x7C, 0x00, 0, 0});
    m.defineBitsJpeg2(encodeJpeg(img, 50));
    m.defineBitsJpeg3(encodeJpeg(img, 50), std::vector<uint8_t>(64, 128));
    JpegParts parts = encodeJpegAbbreviated(img, 50);
    m.jpegTables(parts.tables);
    uint16_t bits = m.defineBits(parts.image);
    m.defineBitsJpeg2(encodePng(img));
    uint16_t rect = m.bitmapRectangle(bits, 8, 8);
    m.place(rect, 1);
    m.showFrame();
    m.save(dir + "/bitmaps.swf");
}

void timeline(const std::string& dir) {
    MovieWriter m({.version = 6, .compression = Compression::None});
    uint16_t shape = m.rectangle(0, 0, 200, 200, {0, 128, 0});
    SpriteWriter sprite(6);
    sprite.place(shape, 1);
    sprite.label("in");
    sprite.showFrame();
    sprite.remove(1);
    sprite.showFrame();
    uint16_t clip = m.defineSprite(sprite);
    Actions a;
    a.push({"x", 1}).setVariable().push({"x"}).getVariable().ifTrue("done").stop().label("done").play();
    m.doAction(a);
    m.label("start", true);
    m.place(clip, 1,
            {.name = "clip", .clipActions = {{Event::EnterFrame, 0, a.bytes()}, {Event::KeyPress, 65, a.bytes()}}});
    ButtonRecordSpec r{true, true, true, true, shape, 1, {}, {}, std::nullopt, std::nullopt};
    uint16_t button = m.defineButton2({r}, {{1u << 11, 0, a.bytes()}, {1u << 10, 32, a.bytes()}});
    m.defineButton({r}, a.bytes());
    m.place(button, 2);
    m.doInitAction(clip, a);
    m.exportAssets({{clip, "clip"}});
    m.showFrame();
    m.placeObject1(shape, 3, Matrix::scale(2, 2), CxForm{128, 128, 128, 256, 10, 10, 10, 0});
    m.removeObject1(shape, 3);
    m.showFrame();
    m.save(dir + "/timeline.swf");
}

void text(const std::string& dir) {
    MovieWriter m({.version = 8, .compression = Compression::Lzma});
    FontSpec f;
    f.version = 3;
    f.name = "Seed";
    f.hasLayout = true;
    GlyphSpec g;
    g.outline.setFill1(1).rectangle(0, -14000, 10000, 14000);
    g.code = 'A';
    g.advance = 12000;
    g.bounds = {0, 10000, -14000, 0};
    f.glyphs = {g, g};
    f.glyphs[1].code = 'B';
    f.kerning = {{'A', 'B', -100}};
    uint16_t font = m.defineFont(f);
    FontSpec old;
    old.version = 1;
    old.glyphs = {g};
    uint16_t oldFont = m.defineFont(old);
    m.defineFontInfo(oldFont, old, 1);
    TextSpec t;
    t.version = 2;
    t.bounds = {0, 2000, 0, 400};
    t.records = {{font, 240, Color{0, 0, 0, 255}, int16_t(0), int16_t(200), {{0, 200}, {1, 200}}}};
    uint16_t text = m.defineText(t);
    EditTextSpec e;
    e.bounds = {0, 2000, 0, 400};
    e.fontId = font;
    e.hasLayout = true;
    e.variableName = "v";
    e.initialText = "AB";
    uint16_t edit = m.defineEditText(e);
    m.place(text, 1);
    m.place(edit, 2);
    m.showFrame();
    m.save(dir + "/text.swf");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    shapes(dir);
    bitmaps(dir);
    timeline(dir);
    text(dir);
    return 0;
}
