// Target paths in slash and dot form, relative and absolute, with the
// version's case rule for instance names.
#include "model_test_support.h"

#include "model/target_path.h"

using modeltest::clipAt;
using modeltest::named;

namespace {

// root
//   depth 1: clip "Outer"
//              depth 1: clip "inner"
//              depth 2: shape "shapey" (not a target)
//   depth 5: clip "outer"
std::unique_ptr<model::Stage> nestedMovie(uint8_t version) {
    swfwriter::MovieOptions options;
    options.version = version;
    swfwriter::MovieWriter m(options);
    uint16_t shape = m.rectangle(0, 0, 100, 100, {1, 2, 3});
    swfwriter::SpriteWriter inner;
    inner.showFrame();
    uint16_t innerId = m.defineSprite(inner);
    swfwriter::SpriteWriter outer;
    outer.place(innerId, 1, named("inner"));
    outer.place(shape, 2, named("shapey"));
    outer.showFrame();
    uint16_t outerId = m.defineSprite(outer);
    m.place(outerId, 1, named("Outer"));
    m.place(innerId, 5, named("outer"));
    m.showFrame();
    return modeltest::load(m);
}

struct Case {
    const char* path;
    int expected;  // 0 none, 1 root, 2 Outer, 3 inner, 4 the depth-5 "outer"
};

void check(model::Stage& stage, const std::vector<Case>& cases, model::MovieClip* base = nullptr) {
    model::MovieClip* root = &stage.root();
    model::MovieClip* outer = clipAt(*root, 1);
    model::MovieClip* inner = outer ? clipAt(*outer, 1) : nullptr;
    model::MovieClip* other = clipAt(*root, 5);
    ASSERT_TRUE(outer && inner && other);
    model::MovieClip* clips[] = {nullptr, root, outer, inner, other};
    for (const Case& c : cases) {
        model::MovieClip* got = model::resolveTarget(*root, base, c.path, stage.namesCaseSensitive());
        EXPECT_EQ(got, clips[c.expected]) << "path \"" << c.path << "\": expected clip " << c.expected;
    }
}

TEST(Targets, AllNotationsFromTheRoot) {
    auto stage = nestedMovie(10);
    ASSERT_TRUE(stage);
    check(*stage, {{"", 1},
                   {"/", 1},
                   {"/Outer", 2},
                   {"/Outer/inner", 3},
                   {"/Outer/inner/", 3},
                   {"Outer/inner", 3},
                   {"/Outer/inner/..", 2},
                   {"/Outer/./inner", 3},
                   {"_root", 1},
                   {"_level0", 1},
                   {"_root.Outer", 2},
                   {"_level0.Outer.inner", 3},
                   {"Outer.inner", 3},
                   {"_root.Outer.inner._parent", 2},
                   {"_root.Outer.this.inner", 3},
                   {"_level0/Outer", 2}});
}

TEST(Targets, WhatDoesNotResolve) {
    auto stage = nestedMovie(10);
    ASSERT_TRUE(stage);
    check(*stage, {{"/missing", 0},
                   {"/Outer/shapey", 0},  // a shape is not a target
                   {"/Outer//inner", 0},
                   {"_level1", 0},
                   {"_level1.Outer", 0},
                   {"..", 0},
                   {"_parent", 0},
                   {"_root.", 0},
                   {".Outer", 0},
                   {"/Outer/inner/../../..", 0}});
}

TEST(Targets, RelativePathsStartAtTheBase) {
    auto stage = nestedMovie(10);
    ASSERT_TRUE(stage);
    model::MovieClip* outer = clipAt(stage->root(), 1);
    check(*stage, {{"inner", 3}, {"..", 1}, {"../outer", 4}, {"_parent.Outer.inner", 3}, {"/Outer", 2}, {"_root", 1}},
          outer);
}

TEST(Targets, NamesIgnoreCaseUpToVersion6AndNotFrom7) {
    auto v6 = nestedMovie(6);
    ASSERT_TRUE(v6);
    EXPECT_FALSE(v6->namesCaseSensitive());
    check(*v6, {{"/outer", 2}, {"/OUTER/INNER", 3}, {"_ROOT.outer", 2}, {"_Level0.Outer", 2}});

    auto v7 = nestedMovie(7);
    ASSERT_TRUE(v7);
    EXPECT_TRUE(v7->namesCaseSensitive());
    check(*v7, {{"/outer", 4}, {"/Outer", 2}, {"/OUTER", 0}, {"/Outer/Inner", 0}, {"_ROOT.Outer", 0}});
}

}  // namespace
