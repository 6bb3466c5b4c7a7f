// Damaged and hostile files: each gives a defined error or a partial movie.
#include "swf/geometry.h"
#include "swf/movie.h"

#include "movie_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace swfwriter;
using testutil::firstTag;
using testutil::hasProblem;
using testutil::load;

std::vector<uint8_t> withTags(std::initializer_list<std::vector<uint8_t>> tags, uint8_t version = 10) {
    std::vector<uint8_t> all;
    for (const auto& t : tags)
        all.insert(all.end(), t.begin(), t.end());
    all.push_back(0);
    all.push_back(0);
    return movieBytes(all, {.version = version});
}

TEST(Hostile, TagLengthPastTheEnd) {
    MovieWriter m;
    m.place(m.rectangle(0, 0, 10, 10, {}), 1);
    m.showFrame();
    auto file = m.finish();
    file.pop_back();
    file.pop_back();  // no End
    auto bytes = tagBytes(2, std::vector<uint8_t>(100, 0), true);
    bytes.resize(30);  // a long tag header that promises 100 bytes, with 24 present
    file.insert(file.end(), bytes.begin(), bytes.end());
    auto movie = load(file);
    EXPECT_TRUE(movie->truncated);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::Truncated));
    EXPECT_EQ(movie->root.frames.size(), 1u);
    EXPECT_EQ(movie->characters.size(), 1u);
}

TEST(Hostile, FieldsPastTheTagEndMakeTheTagMalformed) {
    // DefineShape whose fill style count claims 255 styles in 3 bytes.
    auto shape = tagBytes(2, {1, 0, 0x00, 0xFF, 0x00});
    auto place = tagBytes(26, {0x06, 1, 0});  // PlaceObject2 with character and matrix flags but no data
    auto movie = load(withTags({shape, place, tagBytes(1, {})}));
    EXPECT_FALSE(movie->characters.contains(1));
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::MalformedTag));
    ASSERT_EQ(movie->root.frames.size(), 1u);
    EXPECT_TRUE(movie->root.frames[0].tags.empty()) << "the malformed place is dropped";
    EXPECT_FALSE(movie->truncated);
}

TEST(Hostile, HugeCountsAreBoundedByTheData) {
    // DefineFont2 promising 65535 glyphs; DefineText with 255 glyphs of 32-bit fields.
    BitWriter font;
    font.u16(5).u8(0x80).u8(0).u8(0).u16(0xFFFF).u16(4);
    BitWriter text;
    text.u16(6).rect({}).matrix({}).u8(32).u8(32).u8(0x88).u16(5).u16(240).u8(255).u32(1);
    BitWriter lossless;
    lossless.u16(7).u8(3).u16(0xFFFF).u16(0xFFFF).u8(0xFF).u32(0x12345678);
    auto movie = load(withTags({tagBytes(48, font.data()), tagBytes(11, text.data()), tagBytes(20, lossless.data())}));
    EXPECT_FALSE(movie->characters.contains(5));
    EXPECT_FALSE(movie->characters.contains(6));
    const swf::Bitmap* b = movie->characters.find<swf::Bitmap>(7);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b->error, swf::ErrorCode::None);
    EXPECT_TRUE(b->pixels.empty());
}

TEST(Hostile, DuplicateIdsKeepTheFirstDefinition) {
    MovieWriter m;
    uint16_t id = m.rectangle(0, 0, 10, 10, {1, 1, 1});
    BitWriter again;
    again.u16(id).bytes(std::vector<uint8_t>{0x00});
    // A second shape with the same id (written by hand), then a bitmap with that id too.
    ShapeBuilder s;
    s.setFill1(s.addSolidFill({9, 9, 9})).rectangle(0, 0, 5, 5);
    BitWriter shape;
    shape.u16(id).rect(s.bounds()).bytes(s.shapeWithStyle(3));
    m.tag(32, shape.data());
    m.tag(20,
          std::vector<uint8_t>{uint8_t(id), 0, 5, 1, 0, 1, 0, 0x78, 0x9C, 0x63, 0x60, 0x60, 0x60, 0, 0, 0, 4, 0, 1});
    auto movie = load(m.finish());
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::DuplicateCharacter));
    const swf::Shape* shapeChar = movie->characters.find<swf::Shape>(id);
    ASSERT_NE(shapeChar, nullptr);
    EXPECT_EQ(shapeChar->fillStyles[0].color, (swf::Rgba{1, 1, 1, 255}));
    EXPECT_EQ(movie->characters.find<swf::Bitmap>(id), nullptr);
    EXPECT_EQ(movie->characters.kindOf(id), swf::CharacterKind::Shape);
}

TEST(Hostile, ReferencesToMissingOrWrongKinds) {
    MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 10, 10, {});
    FontSpec info;
    info.name = "x";
    m.defineFontInfo(shape, info);    // a shape is not a font
    m.defineFontInfo(999, info);      // nothing there
    m.defineButtonCxform(shape, {});  // a shape is not a button
    m.place(4242, 1);                 // undefined: kept for the model to ignore
    m.showFrame();
    auto movie = load(m.finish());
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::WrongCharacterKind));
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::UndefinedCharacter));
    auto* place = firstTag<swf::PlaceObject>(movie->root, 0);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(*place->characterId, 4242);
    EXPECT_FALSE(movie->characters.contains(4242));
    EXPECT_FALSE(movie->characters.kindOf(4242));
}

TEST(Hostile, SpritesDoNotNestAndDefinitionsInsideAreSkipped) {
    MovieWriter m;
    SpriteWriter inner;
    inner.showFrame();
    SpriteWriter outer;
    // A DefineSprite and a DefineShape inside a sprite.
    BitWriter nested;
    nested.u16(50).u16(1).bytes(inner.tags()).u16(0);
    outer.tag(39, nested.data());
    ShapeBuilder s;
    s.setFill1(s.addSolidFill({})).rectangle(0, 0, 1, 1);
    BitWriter shape;
    shape.u16(51).rect(s.bounds()).bytes(s.shapeWithStyle(3));
    outer.tag(32, shape.data());
    outer.place(1, 1);
    outer.showFrame();
    uint16_t id = m.defineSprite(outer);
    auto movie = load(m.finish());
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::TagNotAllowedHere));
    EXPECT_FALSE(movie->characters.contains(50));
    EXPECT_FALSE(movie->characters.contains(51));
    const swf::Sprite* sprite = movie->characters.find<swf::Sprite>(id);
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(sprite->timeline.frames.size(), 1u);
    EXPECT_NE(firstTag<swf::PlaceObject>(sprite->timeline, 0), nullptr);
}

TEST(Hostile, DeeplyNestedSpriteBytesDoNotRecurse) {
    // 2000 DefineSprite tags each wrapping the next: only the outer one is read.
    std::vector<uint8_t> body = {0, 0};
    for (int i = 0; i < 2000; ++i) {
        BitWriter w;
        w.u16(uint16_t(i + 1)).u16(1).bytes(body).u16(0);
        body = tagBytes(39, w.data(), true);
    }
    auto movie = load(withTags({body}));
    EXPECT_EQ(movie->characters.size(), 1u);
    EXPECT_TRUE(movie->characters.contains(2000));
}

TEST(Hostile, InvalidStyleIndexReadsAsNone) {
    ShapeBuilder s;
    s.addSolidFill({});
    s.addSolidFill({});
    s.setFill1(1).setFill0(3).rectangle(0, 0, 10, 10);  // two styles exist, the fields hold up to 3
    MovieWriter m;
    uint16_t id = m.defineShape(s);
    auto movie = load(m.finish());
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::InvalidStyleIndex));
    const swf::Shape* shape = movie->characters.find<swf::Shape>(id);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(std::get<swf::StyleChange>(shape->records[0]).fill0, 0u);
    EXPECT_EQ(swf::buildGeometry(*shape).paths.size(), 1u);
}

TEST(Hostile, UnknownFilterKeepsThePlacement) {
    MovieWriter m({.version = 8});
    uint16_t id = m.rectangle(0, 0, 10, 10, {});
    m.place(id, 1, {.name = "a", .filters = Filters().blur(1, 1, 1).raw(99, {1, 2, 3}).bytes(), .blendMode = 3});
    m.showFrame();
    auto movie = load(m.finish());
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::UnknownFilter));
    auto* place = firstTag<swf::PlaceObject>(movie->root, 0);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(*place->name, "a");
    ASSERT_TRUE(place->filters);
    EXPECT_EQ(place->filters->size(), 1u);
    EXPECT_FALSE(place->blendMode) << "fields after an unknown filter cannot be found";
}

TEST(Hostile, RecordBudgetStopsParsing) {
    MovieWriter m;
    for (int i = 0; i < 20; ++i) {
        ShapeBuilder s;
        s.setFill1(s.addSolidFill({}));
        for (int k = 0; k < 300; ++k)
            s.rectangle(k, k, 10, 10);
        m.defineShape(s);
    }
    swf::ParseOptions options;
    options.maxRecordBytes = 100000;
    auto movie = load(m.finish(), options);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::LimitExceeded));
    EXPECT_LT(movie->characters.size(), 20u);
}

TEST(Hostile, MutatedMoviesNeverCrash) {
    MovieWriter m({.version = 8});
    ShapeBuilder s;
    s.setFill1(s.addFill(FillStyle::linear(Matrix{}, {{0, {}}, {255, {255, 255, 255}}}))).circle(0, 0, 500);
    uint16_t shape = m.defineShape(s, 4);
    MorphShapeSpec morph;
    morph.fills = {MorphFill{}};
    morph.start.setFill1(1).rectangle(0, 0, 100, 100);
    morph.end.rectangle(0, 0, 200, 50);
    m.defineMorphShape(morph);
    m.defineBitsLossless(Image::filled(4, 4, 1, 2, 3, 128), true);
    FontSpec font;
    GlyphSpec g;
    g.outline.setFill1(1).rectangle(0, 0, 10, 10);
    font.glyphs = {g, g};
    font.hasLayout = true;
    m.defineFont(font);
    m.place(shape, 1, {.name = "x", .clipActions = {{Event::Load, 0, {0x07, 0}}}});
    m.showFrame();
    const auto original = m.finish();

    std::mt19937 rng(1234);
    for (int round = 0; round < 1500; ++round) {
        auto file = original;
        int flips = 1 + int(rng() % 8);
        for (int i = 0; i < flips; ++i)
            file[8 + rng() % (file.size() - 8)] ^= uint8_t(1u << (rng() % 8));
        if (round % 7 == 0)
            file.resize(8 + rng() % (file.size() - 8));
        auto result = swf::parseMovie(file);
        if (!result.has_value())
            continue;
        result.value()->characters.forEach([](uint16_t, const swf::CharacterData& c) {
            if (auto* sh = std::get_if<swf::Shape>(&c))
                (void)swf::buildGeometry(*sh);
            if (auto* mo = std::get_if<swf::MorphShape>(&c))
                (void)swf::buildGeometry(swf::morphShapeAt(*mo, 30000));
        });
    }
    SUCCEED() << "1500 mutated files parsed without a crash";
}

}  // namespace
