// Writer -> parser round trips; expected values are the ones written here.
#include "swf/movie.h"
#include "swf/text_layout.h"

#include "movie_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

using namespace swfwriter;
using testutil::firstTag;
using testutil::hasProblem;
using testutil::load;

TEST(Tags, ShapeStylesOfEveryKind) {
    MovieWriter m;
    ShapeBuilder s;
    uint32_t solid = s.addSolidFill({1, 2, 3, 4});
    FillStyle linear =
        FillStyle::linear(Matrix::scale(0.5, 0.25, 100, 200), {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 128}}});
    linear.spread = 1;
    linear.interpolation = 1;
    s.addFill(linear);
    FillStyle focal = FillStyle::radial(Matrix{}, {{10, {1, 1, 1, 1}}, {20, {2, 2, 2, 2}}, {30, {3, 3, 3, 3}}});
    focal.type = 0x13;
    focal.focalPoint = -0.5;
    focal.spread = 2;
    s.addFill(focal);
    s.addFill(FillStyle::bitmap(7, Matrix::scale(20, 20), true, false));
    LineStyle thick;
    thick.width = 60;
    thick.color = {9, 8, 7, 6};
    thick.startCap = 1;
    thick.endCap = 2;
    thick.join = 2;
    thick.miterLimit = 2.5;
    thick.noHScale = true;
    thick.noClose = true;
    uint32_t line = s.addLine(thick);
    LineStyle filled;
    filled.width = 20;
    filled.fill = FillStyle::solid({50, 60, 70, 80});
    s.addLine(filled);
    s.setFill1(solid).setLine(line).rectangle(0, 0, 400, 300);
    uint16_t id = m.defineShape(s, 4);
    m.showFrame();

    auto movie = load(m.finish());
    const swf::Shape* shape = movie->characters.find<swf::Shape>(id);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->version, 4);
    ASSERT_EQ(shape->fillStyles.size(), 4u);
    EXPECT_EQ(shape->fillStyles[0].kind, swf::FillKind::Solid);
    EXPECT_EQ(shape->fillStyles[0].color, (swf::Rgba{1, 2, 3, 4}));
    const auto& lin = shape->fillStyles[1];
    EXPECT_EQ(lin.kind, swf::FillKind::LinearGradient);
    EXPECT_EQ(lin.matrix, (swf::Matrix{0.5, 0, 0, 0.25, 100, 200}));
    EXPECT_EQ(lin.gradient.spread, swf::SpreadMode::Reflect);
    EXPECT_EQ(lin.gradient.interpolation, swf::InterpolationMode::LinearRgb);
    ASSERT_EQ(lin.gradient.stops.size(), 2u);
    EXPECT_EQ(lin.gradient.stops[1].ratio, 255);
    EXPECT_EQ(lin.gradient.stops[1].color, (swf::Rgba{0, 0, 255, 128}));
    const auto& foc = shape->fillStyles[2];
    EXPECT_EQ(foc.kind, swf::FillKind::FocalGradient);
    EXPECT_DOUBLE_EQ(foc.gradient.focalPoint, -0.5);
    EXPECT_EQ(foc.gradient.spread, swf::SpreadMode::Repeat);
    EXPECT_EQ(foc.gradient.stops.size(), 3u);
    const auto& bmp = shape->fillStyles[3];
    EXPECT_EQ(bmp.kind, swf::FillKind::ClippedBitmap);
    EXPECT_FALSE(bmp.smoothed);
    EXPECT_EQ(bmp.bitmapId, 7);
    EXPECT_EQ(bmp.matrix, (swf::Matrix{20, 0, 0, 20, 0, 0}));

    ASSERT_EQ(shape->lineStyles.size(), 2u);
    const auto& l0 = shape->lineStyles[0];
    EXPECT_EQ(l0.width, 60);
    EXPECT_EQ(l0.color, (swf::Rgba{9, 8, 7, 6}));
    EXPECT_EQ(l0.startCap, swf::CapStyle::None);
    EXPECT_EQ(l0.endCap, swf::CapStyle::Square);
    EXPECT_EQ(l0.join, swf::JoinStyle::Miter);
    EXPECT_DOUBLE_EQ(l0.miterLimit, 2.5);
    EXPECT_TRUE(l0.noHScale);
    EXPECT_FALSE(l0.noVScale);
    EXPECT_TRUE(l0.noClose);
    const auto& l1 = shape->lineStyles[1];
    EXPECT_TRUE(l1.hasFill);
    EXPECT_EQ(l1.fill.color, (swf::Rgba{50, 60, 70, 80}));

    // Records: one style change with move, fill1 and line, then four straight edges.
    ASSERT_EQ(shape->records.size(), 5u);
    const auto& sc = std::get<swf::StyleChange>(shape->records[0]);
    EXPECT_TRUE(sc.hasMove);
    EXPECT_EQ(sc.moveX, 0);
    EXPECT_EQ(sc.fill1, 1u);
    EXPECT_EQ(sc.line, 1u);
    EXPECT_FALSE(sc.hasFill0);
    const auto& e = std::get<swf::Edge>(shape->records[2]);
    EXPECT_FALSE(e.curved);
    EXPECT_EQ(e.anchorDx, 0);
    EXPECT_EQ(e.anchorDy, 300);
}

TEST(Tags, OldShapesUseRgbAndCurvesKeepTheirDeltas) {
    MovieWriter m;
    ShapeBuilder s;
    s.setFill0(s.addSolidFill({200, 100, 50, 77})).moveTo(10, 20).curveTo(110, 20, 110, 120).lineTo(-5000, 120);
    uint16_t id = m.defineShape(s, 1);
    auto movie = load(m.finish());
    const swf::Shape* shape = movie->characters.find<swf::Shape>(id);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->fillStyles[0].color, (swf::Rgba{200, 100, 50, 255})) << "RGB in DefineShape: alpha 255";
    const auto& curve = std::get<swf::Edge>(shape->records[1]);
    EXPECT_TRUE(curve.curved);
    EXPECT_EQ(curve.controlDx, 100);
    EXPECT_EQ(curve.controlDy, 0);
    EXPECT_EQ(curve.anchorDx, 0);
    EXPECT_EQ(curve.anchorDy, 100);
    const auto& line = std::get<swf::Edge>(shape->records[2]);
    EXPECT_EQ(line.anchorDx, -5110);
}

TEST(Tags, NewStyleGroupsGetTheirOwnIndexSpace) {
    MovieWriter m;
    ShapeBuilder s;
    s.setFill1(s.addSolidFill({1, 0, 0})).rectangle(0, 0, 100, 100);
    s.newStyleGroup();
    uint32_t second = s.addSolidFill({0, 2, 0});
    s.addSolidFill({0, 0, 3});
    s.setFill1(second + 1).rectangle(200, 0, 100, 100);
    uint16_t id = m.defineShape(s, 2);
    auto movie = load(m.finish());
    const swf::Shape* shape = movie->characters.find<swf::Shape>(id);
    ASSERT_NE(shape, nullptr);
    ASSERT_EQ(shape->fillStyles.size(), 3u);
    EXPECT_EQ(shape->fillGroupStarts, (std::vector<uint32_t>{0, 1}));
    EXPECT_TRUE(std::get<swf::StyleChange>(shape->records[5]).newStyles);
    const auto& sc = std::get<swf::StyleChange>(shape->records[6]);
    EXPECT_EQ(sc.fill1, 3u) << "index 2 of the second group is style 3 overall";
    EXPECT_EQ(shape->fillStyles[2].color, (swf::Rgba{0, 0, 3, 255}));
}

TEST(Tags, PlaceObjectVersionsAndAllTheirFields) {
    MovieWriter m({.version = 8});
    uint16_t id = m.rectangle(0, 0, 100, 100, {1, 2, 3});
    m.placeObject1(id, 3, Matrix::translate(40, -60), CxForm{128, 256, 256, 256, 5, 0, 0, 0});
    Place p;
    p.matrix = Matrix::scale(2.0, 0.5);
    p.cxform = CxForm{256, 256, 256, 128, 0, 0, 0, -10};
    p.ratio = 12345;
    p.name = "clip\xC3\xA9";
    p.clipDepth = 9;
    p.clipActions = {{Event::EnterFrame | Event::Press, 0, {0x07, 0x00}}, {Event::KeyPress, 13, {0x06, 0x00}}};
    m.place(id, 4, p);
    Place p3;
    p3.className = "Widget";
    p3.blendMode = 3;
    p3.cacheAsBitmap = true;
    p3.visible = false;
    p3.opaqueBackground = Color{9, 9, 9, 255};
    p3.filters = Filters().blur(4.5, 2.0, 2).dropShadow({1, 2, 3, 4}, 1, 1, 0.5, 4, 1.5, true, false, 1).bytes();
    m.place(id, 5, p3);
    m.modify(4, {.matrix = Matrix::translate(1, 2)});
    m.showFrame();
    m.removeObject1(id, 3);
    m.remove(4);
    m.showFrame();

    auto movie = load(m.finish());
    ASSERT_EQ(movie->root.frames.size(), 2u);
    const auto& tags = movie->root.frames[0].tags;
    ASSERT_EQ(tags.size(), 4u);
    const auto& p1 = std::get<swf::PlaceObject>(tags[0]);
    EXPECT_EQ(p1.version, 1);
    EXPECT_EQ(p1.depth, 3);
    EXPECT_EQ(*p1.characterId, id);
    EXPECT_EQ(*p1.matrix, swf::Matrix::translation(40, -60));
    ASSERT_TRUE(p1.colorTransform);
    EXPECT_EQ(p1.colorTransform->rMult, 128);
    EXPECT_EQ(p1.colorTransform->rAdd, 5);

    const auto& p2 = std::get<swf::PlaceObject>(tags[1]);
    EXPECT_EQ(p2.version, 2);
    EXPECT_FALSE(p2.move);
    EXPECT_EQ(*p2.matrix, (swf::Matrix{2.0, 0, 0, 0.5, 0, 0}));
    EXPECT_EQ(p2.colorTransform->aMult, 128);
    EXPECT_EQ(p2.colorTransform->aAdd, -10);
    EXPECT_EQ(*p2.ratio, 12345);
    EXPECT_EQ(*p2.name, "clip\xC3\xA9");
    EXPECT_EQ(*p2.clipDepth, 9);
    EXPECT_EQ(p2.allClipEvents, swf::ClipEvent::EnterFrame | swf::ClipEvent::Press | swf::ClipEvent::KeyPress);
    ASSERT_EQ(p2.clipActions.size(), 2u);
    EXPECT_EQ(p2.clipActions[0].events, swf::ClipEvent::EnterFrame | swf::ClipEvent::Press);
    EXPECT_EQ(p2.clipActions[0].actions, (std::vector<uint8_t>{0x07, 0x00}));
    EXPECT_EQ(p2.clipActions[1].keyCode, 13);
    EXPECT_EQ(p2.clipActions[1].actions, (std::vector<uint8_t>{0x06, 0x00}));

    const auto& q = std::get<swf::PlaceObject>(tags[2]);
    EXPECT_EQ(q.version, 3);
    EXPECT_EQ(*q.className, "Widget");
    EXPECT_EQ(*q.blendMode, swf::BlendMode::Multiply);
    EXPECT_TRUE(*q.cacheAsBitmap);
    EXPECT_FALSE(*q.visible);
    EXPECT_EQ(*q.backgroundColor, (swf::Rgba{9, 9, 9, 255}));
    ASSERT_TRUE(q.filters);
    ASSERT_EQ(q.filters->size(), 2u);
    EXPECT_EQ((*q.filters)[0].kind, swf::FilterKind::Blur);
    EXPECT_DOUBLE_EQ((*q.filters)[0].blurX, 4.5);
    EXPECT_EQ((*q.filters)[0].passes, 2);
    EXPECT_EQ((*q.filters)[1].kind, swf::FilterKind::DropShadow);
    EXPECT_EQ((*q.filters)[1].color, (swf::Rgba{1, 2, 3, 4}));
    EXPECT_DOUBLE_EQ((*q.filters)[1].strength, 1.5);
    EXPECT_TRUE((*q.filters)[1].inner);

    const auto& mv = std::get<swf::PlaceObject>(tags[3]);
    EXPECT_TRUE(mv.move);
    EXPECT_FALSE(mv.characterId);
    EXPECT_EQ(*mv.matrix, swf::Matrix::translation(1, 2));

    const auto& r1 = std::get<swf::RemoveObject>(movie->root.frames[1].tags[0]);
    EXPECT_EQ(r1.version, 1);
    EXPECT_EQ(*r1.characterId, id);
    EXPECT_EQ(r1.depth, 3);
    const auto& r2 = std::get<swf::RemoveObject>(movie->root.frames[1].tags[1]);
    EXPECT_EQ(r2.version, 2);
    EXPECT_EQ(r2.depth, 4);
}

TEST(Tags, ClipEventsOfSwf5AreTwoBytes) {
    MovieWriter m({.version = 5});
    uint16_t id = m.rectangle(0, 0, 10, 10, {});
    m.place(id, 1, {.clipActions = {{Event::Load | Event::Release, 0, {0x07, 0x00}}}});
    m.showFrame();
    auto movie = load(m.finish());
    auto* p = firstTag<swf::PlaceObject>(movie->root, 0);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->clipActions.size(), 1u);
    EXPECT_EQ(p->clipActions[0].events, swf::ClipEvent::Load | swf::ClipEvent::Release);
}

TEST(Tags, ScriptsLabelsExportsAndAttributes) {
    MovieWriter m({.version = 9});
    m.fileAttributes(true, true);
    Actions a;
    a.push({"x", 5}).setVariable().stop();
    m.label("start", true);
    m.doAction(a);
    m.showFrame();
    SpriteWriter sprite(9);
    sprite.showFrame();
    uint16_t spriteId = m.defineSprite(sprite);
    Actions init;
    init.play();
    m.doInitAction(spriteId, init);
    m.exportAssets({{spriteId, "lib.thing"}});
    m.tag(82, {1, 0, 0, 0, 0, 9});  // DoABC2: lazy, no name, a (bad) block for the machine to judge
    m.tag(24, {});                  // Protect: skipped
    m.tag(500, {1, 2, 3, 4, 5});    // unknown: skipped
    m.label("second");
    m.showFrame();

    auto movie = load(m.finish());
    EXPECT_TRUE(movie->problems.empty());
    EXPECT_TRUE(movie->attributes.present);
    EXPECT_TRUE(movie->attributes.actionScript3);
    EXPECT_TRUE(movie->attributes.useNetwork);
    EXPECT_TRUE(movie->hasAbc);
    EXPECT_TRUE(movie->usesActionScript3());
    ASSERT_EQ(movie->root.labels.size(), 2u);
    EXPECT_EQ(movie->root.labels[0].name, "start");
    EXPECT_EQ(movie->root.labels[0].frame, 0u);
    EXPECT_TRUE(movie->root.labels[0].namedAnchor);
    EXPECT_EQ(movie->root.findLabel("second"), 1u);
    EXPECT_FALSE(movie->root.findLabel("SECOND"));
    auto* label = firstTag<swf::FrameLabel>(movie->root, 0);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->namedAnchor);

    auto* action = firstTag<swf::DoAction>(movie->root, 0);
    ASSERT_NE(action, nullptr);
    // Push "x", 5 (integer); SetVariable; Stop; End.
    std::vector<uint8_t> expected = {0x96, 8, 0, 0, 'x', 0, 7, 5, 0, 0, 0, 0x1D, 0x07, 0x00};
    EXPECT_EQ(action->actions, expected);
    auto* initAction = firstTag<swf::DoInitAction>(movie->root, 1);
    ASSERT_NE(initAction, nullptr);
    EXPECT_EQ(initAction->spriteId, spriteId);
    EXPECT_EQ(initAction->actions, (std::vector<uint8_t>{0x06, 0x00}));
    EXPECT_EQ(movie->exports.at("lib.thing"), spriteId);
}

TEST(Tags, ActionAssemblerResolvesBranches) {
    Actions a;
    a.label("top").push({true}).ifTrue("end").jump("top").label("end").stop();
    // If at 5..9 (payload ends at 10), Jump at 10..14, label end = 15.
    std::vector<uint8_t> expected = {0x96, 2, 0, 5, 1, 0x9D, 2, 0, 5, 0, 0x99, 2, 0, 0xF1, 0xFF, 0x07, 0x00};
    EXPECT_EQ(a.bytes(), expected);
}

TEST(Tags, SpritesHaveTheirOwnFrames) {
    MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 10, 10, {});
    SpriteWriter s;
    s.place(shape, 1);
    s.label("a");
    s.showFrame();
    s.remove(1);
    s.showFrame();
    s.showFrame();
    uint16_t id = m.defineSprite(s, 5);
    m.place(id, 1);
    m.showFrame();
    auto movie = load(m.finish());
    const swf::Sprite* sprite = movie->characters.find<swf::Sprite>(id);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->timeline.declaredFrameCount, 5);
    ASSERT_EQ(sprite->timeline.frames.size(), 3u);
    EXPECT_TRUE(sprite->timeline.frames[2].tags.empty());
    EXPECT_EQ(sprite->timeline.findLabel("a"), 0u);
    EXPECT_NE(firstTag<swf::RemoveObject>(sprite->timeline, 1), nullptr);
}

TEST(Tags, ScalingGridsAmendSpritesAndButtonsOnly) {
    MovieWriter m;
    const uint16_t shape = m.rectangle(0, 0, 100, 100, {});
    SpriteWriter s;
    s.place(shape, 1);
    s.showFrame();
    const uint16_t clip = m.defineSprite(s);
    const uint16_t button = m.defineButton2({ButtonRecordSpec{}}, {});
    struct Case {
        uint16_t id;
        Rect grid;
    };
    // A grid for a shape, for no character, and one without area change nothing.
    for (const Case& c : {Case{clip, {10, 90, 20, 80}}, Case{button, {-5, 5, -5, 5}}, Case{shape, {1, 2, 1, 2}},
                          Case{999, {1, 2, 1, 2}}, Case{clip, {50, 50, 10, 20}}})
        m.defineScalingGrid(c.id, c.grid);
    auto movie = load(m.finish());
    EXPECT_TRUE(movie->problems.empty());
    const auto* sprite = movie->characters.find<swf::Sprite>(clip);
    ASSERT_TRUE(sprite && sprite->scalingGrid);
    EXPECT_EQ(*sprite->scalingGrid, (swf::Rect{10, 90, 20, 80}));
    const auto* b = movie->characters.find<swf::Button>(button);
    ASSERT_TRUE(b && b->scalingGrid);
    EXPECT_EQ(*b->scalingGrid, (swf::Rect{-5, 5, -5, 5}));

    // A cut tag is a problem, and leaves the sprite without a grid.
    MovieWriter cut;
    SpriteWriter empty;
    empty.showFrame();
    const uint16_t other = cut.defineSprite(empty);
    cut.tag(78, {uint8_t(other), 0, 0x78});
    auto damaged = load(cut.finish());
    EXPECT_TRUE(hasProblem(*damaged, swf::ErrorCode::MalformedTag));
    EXPECT_FALSE(damaged->characters.find<swf::Sprite>(other)->scalingGrid);
}

TEST(Tags, ButtonsBothVersions) {
    MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 10, 10, {});
    ButtonRecordSpec up{true, false, false, true, shape, 2, Matrix::translate(5, 5), {}, std::nullopt, std::nullopt};
    Actions release;
    release.play();
    uint16_t b1 = m.defineButton({up}, release.bytes());
    m.defineButtonCxform(b1, CxForm{256, 0, 256, 256, 0, 0, 0, 0});

    ButtonRecordSpec over{false, true,
                          true,  false,
                          shape, 3,
                          {},    CxForm{256, 256, 256, 128, 0, 0, 0, 0},
                          8,     Filters().glow({255, 0, 0, 255}, 2, 2, 1, 1).bytes()};
    Actions press;
    press.stop();
    uint16_t b2 =
        m.defineButton2({up, over}, {{1u << 10, 0, press.bytes()}, {(1u << 11) | 1u, 'a', release.bytes()}}, true);
    auto movie = load(m.finish());
    EXPECT_TRUE(movie->problems.empty());

    const swf::Button* one = movie->characters.find<swf::Button>(b1);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->version, 1);
    ASSERT_EQ(one->records.size(), 1u);
    EXPECT_TRUE(one->records[0].up);
    EXPECT_TRUE(one->records[0].hit);
    EXPECT_FALSE(one->records[0].over);
    EXPECT_EQ(one->records[0].depth, 2);
    EXPECT_EQ(one->records[0].matrix, swf::Matrix::translation(5, 5));
    EXPECT_EQ(one->records[0].colorTransform.gMult, 0) << "DefineButtonCxform applies";
    ASSERT_EQ(one->actions.size(), 1u);
    EXPECT_EQ(one->actions[0].conditions, swf::ButtonCondition::OverDownToOverUp);
    EXPECT_EQ(one->actions[0].actions, (std::vector<uint8_t>{0x06, 0x00}));

    const swf::Button* two = movie->characters.find<swf::Button>(b2);
    ASSERT_NE(two, nullptr);
    EXPECT_TRUE(two->trackAsMenu);
    ASSERT_EQ(two->records.size(), 2u);
    EXPECT_EQ(two->records[1].colorTransform.aMult, 128);
    EXPECT_EQ(two->records[1].blendMode, swf::BlendMode::Add);
    ASSERT_EQ(two->records[1].filters.size(), 1u);
    EXPECT_EQ(two->records[1].filters[0].kind, swf::FilterKind::Glow);
    ASSERT_EQ(two->actions.size(), 2u);
    EXPECT_EQ(two->actions[0].conditions, swf::ButtonCondition::OverUpToOverDown);
    EXPECT_EQ(two->actions[0].actions, (std::vector<uint8_t>{0x07, 0x00}));
    EXPECT_EQ(two->actions[1].conditions,
              swf::ButtonCondition::OverDownToOverUp | swf::ButtonCondition::OverDownToIdle);
    EXPECT_EQ(two->actions[1].keyCode, 'a');
    EXPECT_EQ(two->actions[1].actions, (std::vector<uint8_t>{0x06, 0x00}));
}

FontSpec twoGlyphFont(int version) {
    FontSpec f;
    f.version = version;
    f.name = "Test Sans";
    f.bold = true;
    f.hasLayout = version >= 2;
    f.ascent = 800;
    f.descent = 200;
    f.leading = -20;
    GlyphSpec a;
    a.outline.setFill1(1).rectangle(0, -700, 500, 700);
    a.code = 'A';
    a.advance = 600;
    a.bounds = {0, 500, -700, 0};
    GlyphSpec space;
    space.code = ' ';
    space.advance = 300;
    f.glyphs = {a, space};
    f.kerning = {{'A', ' ', -40}};
    return f;
}

TEST(Tags, FontsOfEveryVersion) {
    for (int version : {1, 2, 3}) {
        SCOPED_TRACE(version);
        MovieWriter m;
        FontSpec spec = twoGlyphFont(version);
        uint16_t id = m.defineFont(spec);
        if (version == 1)
            m.defineFontInfo(id, spec, 2);
        auto movie = load(m.finish());
        EXPECT_TRUE(movie->problems.empty());
        const swf::Font* font = movie->characters.find<swf::Font>(id);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->version, version);
        EXPECT_EQ(font->emSquare, version == 3 ? 20480u : 1024u);
        EXPECT_EQ(font->name, "Test Sans");
        EXPECT_TRUE(font->bold);
        EXPECT_FALSE(font->italic);
        ASSERT_EQ(font->glyphs.size(), 2u);
        EXPECT_EQ(font->glyphs[0].code, 'A');
        EXPECT_EQ(font->glyphs[1].code, ' ');
        EXPECT_EQ(font->glyphForCode(' '), 1);
        EXPECT_EQ(font->glyphForCode('Z'), -1);
        EXPECT_EQ(font->glyphs[0].records.size(), 5u);
        EXPECT_TRUE(font->glyphs[1].records.empty());
        if (version >= 2) {
            EXPECT_EQ(font->ascent, 800);
            EXPECT_EQ(font->descent, 200);
            EXPECT_EQ(font->leading, -20);
            EXPECT_EQ(font->glyphs[0].advance, 600);
            EXPECT_EQ(font->glyphs[0].bounds, (swf::Rect{0, 500, -700, 0}));
            ASSERT_EQ(font->kerning.size(), 1u);
            EXPECT_EQ(font->kerning[0], (swf::KerningPair{'A', ' ', -40}));
        }
    }
}

TEST(Tags, StaticTextRecords) {
    MovieWriter m;
    uint16_t font = m.defineFont(twoGlyphFont(2));
    TextSpec t;
    t.version = 2;
    t.bounds = {0, 4000, 0, 1000};
    t.matrix = Matrix::translate(100, 200);
    t.records = {{font, 480, Color{255, 0, 0, 128}, int16_t(20), int16_t(400), {{0, 300}, {1, 150}, {0, -3}}},
                 {std::nullopt, 0, std::nullopt, std::nullopt, int16_t(900), {{1, 70000}}}};
    uint16_t id = m.defineText(t);
    auto movie = load(m.finish());
    const swf::Text* text = movie->characters.find<swf::Text>(id);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->version, 2);
    EXPECT_EQ(text->bounds, (swf::Rect{0, 4000, 0, 1000}));
    EXPECT_EQ(text->matrix, swf::Matrix::translation(100, 200));
    ASSERT_EQ(text->records.size(), 2u);
    const auto& r0 = text->records[0];
    EXPECT_EQ(*r0.fontId, font);
    EXPECT_EQ(*r0.height, 480);
    EXPECT_EQ(*r0.color, (swf::Rgba{255, 0, 0, 128}));
    EXPECT_EQ(*r0.xOffset, 20);
    EXPECT_EQ(*r0.yOffset, 400);
    EXPECT_EQ(r0.glyphs, (std::vector<swf::GlyphEntry>{{0, 300}, {1, 150}, {0, -3}}));
    const auto& r1 = text->records[1];
    EXPECT_FALSE(r1.fontId);
    EXPECT_FALSE(r1.height);
    EXPECT_FALSE(r1.color);
    EXPECT_FALSE(r1.xOffset);
    EXPECT_EQ(*r1.yOffset, 900);
    EXPECT_EQ(r1.glyphs, (std::vector<swf::GlyphEntry>{{1, 70000}}));
}

TEST(Tags, EditTextAllFields) {
    MovieWriter m({.version = 8});
    uint16_t font = m.defineFont(twoGlyphFont(2));
    EditTextSpec e;
    e.bounds = {-40, 2000, -40, 400};
    e.wordWrap = e.multiline = e.readOnly = e.border = e.html = e.useOutlines = true;
    e.fontId = font;
    e.fontHeight = 360;
    e.color = Color{0, 0, 255, 255};
    e.maxLength = 30;
    e.hasLayout = true;
    e.align = 2;
    e.leftMargin = 1;
    e.rightMargin = 2;
    e.indent = 3;
    e.leading = -4;
    e.variableName = "_root.score";
    e.initialText = "<b>0</b>";
    uint16_t id = m.defineEditText(e);
    EditTextSpec plain;
    plain.bounds = {0, 100, 0, 100};
    uint16_t plainId = m.defineEditText(plain);

    auto movie = load(m.finish());
    const swf::EditText* t = movie->characters.find<swf::EditText>(id);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->bounds, (swf::Rect{-40, 2000, -40, 400}));
    EXPECT_TRUE(t->wordWrap && t->multiline && t->readOnly && t->border && t->html && t->useOutlines);
    EXPECT_FALSE(t->password || t->autoSize || t->noSelect || t->wasStatic);
    EXPECT_EQ(*t->fontId, font);
    EXPECT_EQ(*t->fontHeight, 360);
    EXPECT_EQ(*t->textColor, (swf::Rgba{0, 0, 255, 255}));
    EXPECT_EQ(*t->maxLength, 30);
    EXPECT_EQ(t->align, swf::TextAlign::Center);
    EXPECT_EQ(t->leftMargin, 1);
    EXPECT_EQ(t->rightMargin, 2);
    EXPECT_EQ(t->indent, 3);
    EXPECT_EQ(t->leading, -4);
    EXPECT_EQ(t->variableName, "_root.score");
    EXPECT_EQ(*t->initialText, "<b>0</b>");

    const swf::EditText* p = movie->characters.find<swf::EditText>(plainId);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->fontId);
    EXPECT_FALSE(p->initialText);
    EXPECT_EQ(p->variableName, "");
}

TEST(Tags, MorphShapesBothVersions) {
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        MovieWriter m;
        MorphShapeSpec spec;
        spec.version = version;
        MorphFill solid;
        solid.startColor = {255, 0, 0, 255};
        solid.endColor = {0, 0, 255, 0};
        MorphFill gradient;
        gradient.type = 0x10;
        gradient.startMatrix = Matrix::scale(1, 1);
        gradient.endMatrix = Matrix::scale(2, 2, 100, 0);
        gradient.spread = 1;
        gradient.stops = {{0, {0, 0, 0, 255}, 128, {255, 255, 255, 255}}};
        spec.fills = {solid, gradient};
        MorphLine line;
        line.startWidth = 20;
        line.endWidth = 100;
        line.startColor = {1, 2, 3, 4};
        line.endColor = {5, 6, 7, 8};
        line.join = 2;
        line.miterLimit = 4;
        spec.lines = {line};
        spec.start.setFill1(1).setLine(1).rectangle(0, 0, 100, 100);
        spec.end.rectangle(0, 0, 300, 200);
        uint16_t id = m.defineMorphShape(spec);
        auto movie = load(m.finish());
        EXPECT_TRUE(movie->problems.empty());
        const swf::MorphShape* morph = movie->characters.find<swf::MorphShape>(id);
        ASSERT_NE(morph, nullptr);
        EXPECT_EQ(morph->version, version);
        ASSERT_EQ(morph->fillStyles.size(), 2u);
        EXPECT_EQ(morph->fillStyles[0].endColor, (swf::Rgba{0, 0, 255, 0}));
        EXPECT_EQ(morph->fillStyles[1].kind, swf::FillKind::LinearGradient);
        EXPECT_EQ(morph->fillStyles[1].endMatrix, (swf::Matrix{2, 0, 0, 2, 100, 0}));
        EXPECT_EQ(morph->fillStyles[1].gradient.spread, swf::SpreadMode::Reflect);
        ASSERT_EQ(morph->fillStyles[1].gradient.stops.size(), 1u);
        EXPECT_EQ(morph->fillStyles[1].gradient.stops[0].endRatio, 128);
        ASSERT_EQ(morph->lineStyles.size(), 1u);
        EXPECT_EQ(morph->lineStyles[0].startWidth, 20);
        EXPECT_EQ(morph->lineStyles[0].endWidth, 100);
        EXPECT_EQ(morph->lineStyles[0].endColor, (swf::Rgba{5, 6, 7, 8}));
        if (version == 2) {
            EXPECT_EQ(morph->lineStyles[0].join, swf::JoinStyle::Miter);
            EXPECT_DOUBLE_EQ(morph->lineStyles[0].miterLimit, 4.0);
        }
        EXPECT_EQ(morph->startRecords.size(), 5u);
        EXPECT_EQ(morph->endRecords.size(), 5u);
        EXPECT_EQ(std::get<swf::Edge>(morph->endRecords[1]).anchorDx, 300);
    }
}

}  // namespace

namespace {

TEST(WriterHelpers, BoxFontAndStaticText) {
    MovieWriter m;
    FontSpec font = boxFont("AB", 3);
    uint16_t fontId = m.defineFont(font);
    uint16_t textId = m.staticText(fontId, font, "BAZ", 400, {0, 128, 0, 255}, 100, 500);
    auto movie = load(m.finish());
    const swf::Font* f = movie->characters.find<swf::Font>(fontId);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->emSquare, 20480u);
    EXPECT_EQ(f->glyphs[1].advance, 20480);
    const swf::Text* t = movie->characters.find<swf::Text>(textId);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->records.size(), 1u);
    // 'Z' is not in the font; each advance is the em at height 400: 400 twips.
    EXPECT_EQ(t->records[0].glyphs, (std::vector<swf::GlyphEntry>{{1, 400}, {0, 400}}));
    EXPECT_EQ(*t->records[0].height, 400);
    EXPECT_EQ(t->bounds, (swf::Rect{100, 900, 100, 600}));
}

TEST(WriterHelpers, GradientRectangleMapsTheGradientSquareOntoTheBox) {
    MovieWriter m;
    uint16_t id = m.gradientRectangle(1000, 2000, 3276, 6553, {{0, {0, 0, 0}}, {255, {255, 255, 255}}}, true);
    auto movie = load(m.finish());
    const swf::Shape* s = movie->characters.find<swf::Shape>(id);
    ASSERT_NE(s, nullptr);
    const swf::FillStyle& f = s->fillStyles[0];
    EXPECT_EQ(f.kind, swf::FillKind::RadialGradient);
    // The square's corner (16384, 16384) lands on the box corner, within the 16.16 rounding.
    EXPECT_NEAR(f.matrix.a * 16384 + f.matrix.tx, 1000 + 3276, 1.0);
    EXPECT_NEAR(f.matrix.d * 16384 + f.matrix.ty, 2000 + 6553, 1.0);
    EXPECT_NEAR(f.matrix.a * -16384 + f.matrix.tx, 1000, 1.0);
}

}  // namespace

namespace {

TEST(TextLayout, StateCarriesOverAndBadGlyphsAreLeftOut) {
    MovieWriter m;
    FontSpec font = boxFont("AB");
    uint16_t fontId = m.defineFont(font);
    uint16_t shapeId = m.rectangle(0, 0, 10, 10, {});
    TextSpec t;
    t.version = 2;
    t.records = {
        {fontId, 200, Color{255, 0, 0, 255}, int16_t(100), int16_t(300), {{0, 50}, {1, 60}}},
        {std::nullopt, 0, std::nullopt, std::nullopt, std::nullopt, {{7, 10}, {0, 20}}},  // 7: no such glyph
        {std::nullopt, 0, Color{0, 0, 255, 255}, std::nullopt, int16_t(600), {{1, 0}}},
        {shapeId, 300, std::nullopt, int16_t(0), std::nullopt, {{0, 5}}},  // not a font
    };
    uint16_t id = m.defineText(t);
    auto movie = load(m.finish());
    const swf::Text* text = movie->characters.find<swf::Text>(id);
    ASSERT_NE(text, nullptr);
    auto glyphs = swf::layoutText(*text, movie->characters);
    ASSERT_EQ(glyphs.size(), 4u);
    struct Expected {
        uint32_t index;
        double x, y;
        swf::Rgba color;
    };
    const Expected expected[] = {{0, 100, 300, {255, 0, 0, 255}},
                                 {1, 150, 300, {255, 0, 0, 255}},
                                 {0, 220, 300, {255, 0, 0, 255}},
                                 {1, 240, 600, {0, 0, 255, 255}}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(glyphs[i].glyphIndex, expected[i].index);
        EXPECT_EQ(glyphs[i].x, expected[i].x);
        EXPECT_EQ(glyphs[i].y, expected[i].y);
        EXPECT_EQ(glyphs[i].color, expected[i].color);
        EXPECT_EQ(glyphs[i].height, 200);
        EXPECT_EQ(glyphs[i].font, movie->characters.find<swf::Font>(fontId));
    }
}

// DoABC (72), DoABC2 (82) and SymbolClass (76): what each keeps, and the
// defined outcome of a damaged one.
TEST(Tags, AbcAndSymbolClass) {
    struct Case {
        const char* what;
        uint16_t code;
        std::vector<uint8_t> body;
        bool kept;
        bool malformed;
    };
    const Case cases[] = {
        {"DoABC keeps the whole body", 72, {0x10, 0, 0x2E, 0}, true, false},
        {"DoABC2 with flags and a name", 82, {1, 0, 0, 0, 'm', 0, 0x10, 0, 0x2E, 0}, true, false},
        {"DoABC2 cut inside its flags", 82, {1, 0}, false, true},
        {"DoABC2 whose name never ends", 82, {0, 0, 0, 0, 'm', 'n'}, false, true},
        {"DoABC2 with no block after the name", 82, {0, 0, 0, 0, 'm', 0}, false, true},
        {"empty DoABC", 72, {}, false, true},
        {"SymbolClass with the document class", 76, {2, 0, 0, 0, 'M', 0, 3, 0, 'a', '.', 'B', 0}, true, false},
        {"SymbolClass cut after its first entry", 76, {2, 0, 0, 0, 'M', 0, 3}, true, true},
        {"SymbolClass cut inside its count", 76, {2}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MovieWriter m;
        m.fileAttributes(true);
        m.tag(c.code, c.body);
        m.showFrame();
        auto movie = load(m.finish());
        EXPECT_EQ(hasProblem(*movie, swf::ErrorCode::MalformedTag), c.malformed);
        const auto* abc = firstTag<swf::DoAbc>(movie->root, 0);
        const auto* symbols = firstTag<swf::SymbolClass>(movie->root, 0);
        EXPECT_EQ(abc != nullptr || symbols != nullptr, c.kept);
        if (abc && c.code == 82) {
            EXPECT_TRUE(abc->lazy());
            EXPECT_EQ(abc->name, "m");
            EXPECT_EQ(abc->abc, (std::vector<uint8_t>{0x10, 0, 0x2E, 0}));
        } else if (abc) {
            EXPECT_FALSE(abc->lazy());
            EXPECT_EQ(abc->abc, c.body);
        }
        if (symbols) {
            ASSERT_GE(symbols->symbols.size(), 1u);
            EXPECT_EQ(symbols->symbols[0], (std::pair<uint16_t, std::string>{0, "M"}));
            if (!c.malformed) {
                ASSERT_EQ(symbols->symbols.size(), 2u);
                EXPECT_EQ(symbols->symbols[1], (std::pair<uint16_t, std::string>{3, "a.B"}));
            }
        }
    }
    // Without the FileAttributes flag the blocks are kept but never run.
    MovieWriter m;
    m.fileAttributes(false);
    m.tag(72, {0x10, 0, 0x2E, 0});
    m.showFrame();
    auto movie = load(m.finish());
    EXPECT_TRUE(movie->hasAbc);
    EXPECT_FALSE(movie->usesActionScript3());
}

}  // namespace
