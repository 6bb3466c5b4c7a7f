// Typing into input text fields: focus by press and by Selection, the
// characters a field takes and refuses, its limits, the bound variable and
// onChanged, and key listeners that still hear every key.
#include "script_test_support.h"

#include "model/edit_text_object.h"
#include "script/text_input.h"

#include <functional>

using namespace scripttest;

namespace {

constexpr uint32_t Backspace = 8, Enter = 13, Shift = 16, End = 35, Home = 36, Left = 37, Right = 39, Delete = 46;

// A form clip at (1000, 1000) twips, scaled twice, holding the field
// "field" at (500, 500) inside it: the field's 2000 x 200 box covers stage
// twips (2000..6000, 2000..2400).
std::unique_ptr<Player> formMovie(swfwriter::EditTextSpec spec, const Actions& rootActions = {}) {
    swfwriter::MovieWriter m({.version = 8});
    spec.bounds = {0, 2000, 0, 200};
    uint16_t field = m.defineEditText(spec);
    swfwriter::SpriteWriter form(8);
    form.place(field, 1, namedAt("field", 500, 500));
    form.showFrame();
    swfwriter::Place place = named("form");
    place.matrix = swfwriter::Matrix::scale(2.0, 2.0, 1000, 1000);
    m.place(m.defineSprite(form), 1, place);
    m.doAction(rootActions);
    m.showFrame();
    return Player::load(m);
}

swfwriter::EditTextSpec inputField(const std::string& variable = "name") {
    swfwriter::EditTextSpec spec;
    spec.variableName = variable;
    return spec;
}

void type(script::Engine& e, std::u32string_view text) {
    for (char32_t c : text) {
        e.keyDown(0, uint32_t(c));
        e.keyUp(0, uint32_t(c));
    }
}

model::EditTextObject* fieldOf(Player& p) {
    model::MovieClip* form = p.clip("form");
    return form ? form->displayList().at(1)->as<model::EditTextObject>() : nullptr;
}

TEST(TextInput, APressFocusesTheFieldThroughItsTransformsAndTypingFollowsTheVariable) {
    auto p = formMovie(inputField());
    ASSERT_TRUE(p);
    model::EditTextObject* field = fieldOf(*p);
    ASSERT_TRUE(field);
    auto& e = *p->engine;

    type(e, U"x");
    EXPECT_EQ(p->var("form.name"), "") << "nothing has the focus before a press";
    // Inside the field's own box (0..2000) untransformed, outside it on the stage.
    e.mouseDown({1500, 150});
    e.mouseUp({1500, 150});
    type(e, U"x");
    EXPECT_EQ(p->var("form.name"), "");

    e.mouseDown({5900, 2300});
    e.mouseUp({5900, 2300});
    type(e, U"Hi!");
    EXPECT_EQ(p->var("form.name"), "Hi!");
    EXPECT_EQ(field->text(), "Hi!");
    p->engine->runActions(p->root(), Actions().callMethodOn("Selection", "getFocus", {}).trace().bytes());
    EXPECT_EQ(p->host.traces, (Strings{"_level0.form.field"}));

    e.keyDown(Backspace, Backspace);
    EXPECT_EQ(p->var("form.name"), "Hi");
    e.keyDown(Enter, Enter);
    EXPECT_EQ(p->var("form.name"), "Hi") << "Enter adds nothing to a single-line field";

    // A script's value is where typing continues.
    EXPECT_TRUE(e.setVariable(u"/form:name", u"abc"));
    type(e, U"d");
    EXPECT_EQ(p->var("form.name"), "abcd");
    EXPECT_EQ(field->text(), "abcd");

    e.mouseDown({500, 500});
    type(e, U"e");
    EXPECT_EQ(p->var("form.name"), "abcd") << "a press elsewhere takes the focus away";
    p->engine->runActions(p->root(), Actions().callMethodOn("Selection", "getFocus", {}).trace().bytes());
    EXPECT_EQ(p->host.traces.back(), "null");
}

TEST(TextInput, MaxLengthMultilineAndBadCharacters) {
    swfwriter::EditTextSpec spec = inputField();
    spec.maxLength = 4;
    spec.multiline = true;
    auto p = formMovie(spec);
    ASSERT_TRUE(p);
    auto& e = *p->engine;
    e.mouseDown({3000, 2100});
    for (uint32_t bad : {0u, 1u, 7u, 9u, 27u, 0x7Fu, 0x85u, 0xD800u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu})
        e.keyDown(0, bad);
    EXPECT_EQ(p->var("form.name"), "") << "control characters, surrogates and non-characters are ignored";
    e.keyDown(Backspace, Backspace);
    EXPECT_EQ(p->var("form.name"), "") << "Backspace on an empty field";
    e.keyDown(17, 0);
    e.keyDown(67, 'c');
    EXPECT_EQ(p->var("form.name"), "") << "Ctrl+C is a shortcut";
    e.keyUp(17, 0);

    type(e, U"a\u00e9");
    e.keyDown(Enter, Enter);
    type(e, U"\U0001F600zz");
    EXPECT_EQ(p->var("form.name"), "a\u00e9\r\U0001F600") << "four code points, then the limit";
    e.keyDown(Backspace, Backspace);
    EXPECT_EQ(p->var("form.name"), "a\u00e9\r") << "Backspace removes the whole code point";
    e.keyDown(Backspace, Backspace);
    e.keyDown(Backspace, Backspace);
    EXPECT_EQ(p->var("form.name"), "a");
}

void key(script::Engine& e, uint32_t code) {
    e.keyDown(code, 0);
    e.keyUp(code, 0);
}

// Runs `a` on the root and returns what it traced.
Strings run(Player& p, const Actions& a) {
    p.host.traces.clear();
    p.engine->runActions(p.root(), a.bytes());
    return p.host.traces;
}

Actions callOnField(const std::string& method, const std::vector<PushValue>& args) {
    Actions a;
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        a.push({*it});
    a.push({int(args.size())}).push({"_root"}).getVariable().push({"form"}).getMember().push({"field"}).getMember();
    a.push({PushValue(method)}).callMethod().pop();
    return a;
}

Actions traceSelection() {
    Actions a;
    for (const char* m : {"getBeginIndex", "getEndIndex", "getCaretIndex"})
        a.callMethodOn("Selection", m, {}).trace();
    return a;
}

TEST(TextInput, KeysMoveTheCaretAndTypingReplacesTheSelection) {
    auto p = formMovie(inputField());
    ASSERT_TRUE(p);
    auto& e = *p->engine;
    EXPECT_EQ(run(*p, traceSelection()), (Strings{"-1", "-1", "-1"})) << "no focus, no selection";
    e.mouseDown({5900, 2300});
    type(e, U"hello");
    key(e, Left);
    key(e, Left);
    type(e, U"X");
    EXPECT_EQ(p->var("form.name"), "helXlo");
    e.keyDown(Shift, 0);
    key(e, Home);
    e.keyUp(Shift, 0);
    EXPECT_EQ(run(*p, traceSelection()), (Strings{"0", "4", "0"})) << "Shift+Home selects back to the start";
    type(e, U"Y");
    EXPECT_EQ(p->var("form.name"), "Ylo");
    key(e, Delete);
    EXPECT_EQ(p->var("form.name"), "Yo");
    key(e, End);
    e.keyDown(Backspace, Backspace);
    EXPECT_EQ(p->var("form.name"), "Y");

    // Scripts select and replace.
    EXPECT_TRUE(e.setVariable(u"/form:name", u"abcdef"));
    Actions select;
    select.callMethodOn("Selection", "setSelection", {4, 1});
    EXPECT_EQ(run(*p, Actions(select).append(traceSelection())), (Strings{"1", "4", "1"}));
    run(*p, callOnField("replaceSel", {"XY"}));
    EXPECT_EQ(p->var("form.name"), "aXYef") << "replaceSel updates the bound variable";
    EXPECT_EQ(run(*p, traceSelection()), (Strings{"3", "3", "3"}));
    run(*p, callOnField("replaceText", {0, 2, "Q"}));
    EXPECT_EQ(p->var("form.name"), "QYef");
    key(e, Right);
    type(e, U"!");
    EXPECT_EQ(p->var("form.name"), "QYef!") << "the caret index stays put when text before it changes";
    Actions wild;
    wild.callMethodOn("Selection", "setSelection", {-5, 1e9});
    EXPECT_EQ(run(*p, Actions(wild).append(traceSelection())), (Strings{"0", "5", "5"}));
}

TEST(TextInput, ThePointerSelectsInReadOnlyFieldsToo) {
    // "hello world" from the field's left edge (stage x 2000); stage x 2010
    // is before its first character, 5990 past its last.
    for (const bool readOnly : {false, true}) {
        swfwriter::EditTextSpec spec = inputField();
        spec.readOnly = readOnly;
        spec.initialText = "hello world";
        auto p = formMovie(spec);
        ASSERT_TRUE(p);
        auto& e = *p->engine;
        struct Step {
            const char* what;
            std::function<void()> act;
            Strings selection;  // begin, end, caret
        } steps[] = {
            {"a press places the caret",
             [&] {
                 e.mouseDown({2010, 2200});
             },
             {"0", "0", "0"}},
            {"a drag extends it",
             [&] {
                 e.mouseMove({5990, 2200});
             },
             {"0", "11", "11"}},
            {"the release keeps it",
             [&] {
                 e.mouseUp({5990, 2200});
             },
             {"0", "11", "11"}},
            {"a move after the release selects nothing",
             [&] {
                 e.mouseMove({2010, 2200});
             },
             {"0", "11", "11"}},
            {"a double click takes the word",
             [&] {
                 e.mouseUp({2010, 2200});
                 e.mouseDown({2010, 2200}, true);
             },
             {"0", "5", "5"}},
            {"the word's drag does not move it",
             [&] {
                 e.mouseMove({5990, 2200});
             },
             {"0", "5", "5"}},
            {"shift-click extends from the anchor",
             [&] {
                 e.mouseUp({5990, 2200});
                 e.keyDown(Shift, 0);
                 e.mouseDown({5990, 2200});
                 e.mouseUp({5990, 2200});
                 e.keyUp(Shift, 0);
             },
             {"0", "11", "11"}},
            {"a press outside drops the focus",
             [&] {
                 e.mouseDown({100, 100});
                 e.mouseUp({100, 100});
             },
             {"-1", "-1", "-1"}},
        };
        for (const Step& s : steps) {
            s.act();
            EXPECT_EQ(run(*p, traceSelection()), s.selection) << s.what << (readOnly ? " (read-only)" : "");
        }
        // Selecting never types into a read-only field.
        e.mouseDown({2010, 2200});
        type(e, U"x");
        EXPECT_EQ(p->var("form.name"), readOnly ? "hello world" : "xhello world");
    }
}

TEST(TextInput, HtmlFieldsKeepTheirRunFormatsAndLongLinesScroll) {
    swfwriter::EditTextSpec spec = inputField();
    spec.html = true;
    spec.initialText = "<b>ab</b>cd";
    Actions handler;
    handler.push({"scrolled"}).trace();
    Actions setup;
    setup.push({"_root"}).getVariable().push({"form"}).getMember().push({"field"}).getMember();
    setup.push({"onScroller"}).defineFunction("", {"f"}, handler).setMember();
    auto p = formMovie(spec, setup);
    ASSERT_TRUE(p);
    model::EditTextObject* field = fieldOf(*p);
    ASSERT_TRUE(field);
    auto& e = *p->engine;
    run(*p, Actions().callMethodOn("Selection", "setFocus", {"_root.form.field"}));
    EXPECT_EQ(run(*p, traceSelection()), (Strings{"0", "4", "4"})) << "setFocus selects everything";
    run(*p, Actions().callMethodOn("Selection", "setSelection", {2, 2}));
    p->host.traces.clear();
    type(e, U"X");
    EXPECT_EQ(field->plainText(), "abXcd");
    EXPECT_EQ(field->document().formatAt(2).bold, true) << "typed text takes the format before the caret";
    EXPECT_EQ(field->document().formatAt(3).bold, false);
    EXPECT_NE(p->var("form.name").find("abX</B>"), std::string::npos) << p->var("form.name");
    EXPECT_TRUE(p->host.traces.empty()) << "a short line does not scroll";

    key(e, End);
    type(e, U" and a line much wider than the field shows");
    EXPECT_GT(field->hscroll(), 0.0) << "the caret at the end is kept in view";
    EXPECT_FALSE(p->host.traces.empty());
    if (!p->host.traces.empty()) {
        EXPECT_EQ(p->host.traces.front(), "scrolled");
    }
    key(e, Home);
    EXPECT_EQ(field->hscroll(), 0.0);
}

TEST(TextInput, TheLinkUnderThePointerTakesItsHoverStyle) {
    swfwriter::EditTextSpec spec = inputField();
    spec.html = true;
    spec.initialText = "<a href='x'>link</a>";
    // form.field.styleSheet = css, css holding a:hover { color: #0000FF }
    Actions setup;
    setup.push({"css", 0, "TextField"}).getVariable().push({"StyleSheet"}).newMethod().setVariable();
    setup.callMethodOn("css", "parseCSS", {"a:hover { color: #0000FF }"}).pop();
    setup.push({"_root"}).getVariable().push({"form"}).getMember().push({"field"}).getMember();
    setup.push({"styleSheet", "css"}).getVariable().setMember();
    auto p = formMovie(spec, setup);
    ASSERT_TRUE(p);
    model::EditTextObject* field = fieldOf(*p);
    ASSERT_TRUE(field);
    ASSERT_TRUE(field->styleSheet());
    // The link's first letters are at field x 100, stage 2200.
    struct Step {
        swf::Point at;
        uint32_t color;
    } steps[] = {{{2200, 2300}, 0x0000FF}, {{5900, 2300}, 0x000000}, {{2200, 2300}, 0x0000FF}, {{100, 100}, 0x000000}};
    for (const Step& s : steps) {
        p->engine->mouseMove(s.at);
        EXPECT_EQ(field->document().formatAt(0).color, s.color) << s.at.x << "," << s.at.y;
    }
}

TEST(TextInput, ReadOnlyAndUnselectableFieldsRefuseTheFocus) {
    Actions trySetFocus;
    trySetFocus.callMethodOn("Selection", "setFocus", {"_root.form.field"}).trace();
    {
        swfwriter::EditTextSpec spec = inputField();
        spec.readOnly = true;
        auto p = formMovie(spec, trySetFocus);
        ASSERT_TRUE(p);
        p->engine->mouseDown({3000, 2100});
        type(*p->engine, U"a");
        EXPECT_EQ(p->var("form.name"), "");
        EXPECT_EQ(p->host.traces, (Strings{"false"}));
    }
    {
        // A style sheet makes the field read-only to its user.
        Actions styled;
        styled.push({"_root"}).getVariable().push({"form"}).getMember().push({"field"}).getMember();
        styled.push({"styleSheet"}).push({0}).push({"TextField"}).getVariable().push({"StyleSheet"}).newMethod();
        styled.setMember();
        auto p = formMovie(inputField(), styled);
        ASSERT_TRUE(p);
        p->engine->mouseDown({3000, 2100});
        type(*p->engine, U"a");
        EXPECT_EQ(p->var("form.name"), "");
        EXPECT_EQ(run(*p, trySetFocus), (Strings{"false"}));
    }
    {
        // Not selectable: no press focuses it, a script still may.
        swfwriter::EditTextSpec spec = inputField();
        spec.noSelect = true;
        auto p = formMovie(spec);
        ASSERT_TRUE(p);
        p->engine->mouseDown({3000, 2100});
        type(*p->engine, U"a");
        EXPECT_EQ(p->var("form.name"), "");
        p->engine->runActions(p->root(), trySetFocus.bytes());
        type(*p->engine, U"b");
        EXPECT_EQ(p->var("form.name"), "b");
        EXPECT_EQ(p->host.traces, (Strings{"true"}));
    }
}

TEST(TextInput, OnChangedRunsBeforeKeyListenersHearTheKey) {
    Actions onChanged;
    onChanged.push({"changed "}).push({"tf"}).getVariable().push({"text"}).getMember().add2().trace();
    Actions onKeyDown;
    onKeyDown.push({"key "}).callMethodOn("Key", "getAscii", {}).add2().push({" "}).add2();
    onKeyDown.push({"form"}).getVariable().push({"name"}).getMember().add2().trace();
    Actions root;
    root.push({"form"}).getVariable().push({"field"}).getMember().push({"onChanged"});
    root.defineFunction("", {"tf"}, onChanged).setMember();
    root.push({"k", 0}).initObject().setVariable();
    root.push({"k"}).getVariable().push({"onKeyDown"}).defineFunction("", {}, onKeyDown).setMember();
    root.push({"k"}).getVariable().push({1}).push({"Key"}).getVariable().push({"addListener"}).callMethod().pop();
    auto p = formMovie(inputField(), root);
    ASSERT_TRUE(p);
    p->engine->mouseDown({3000, 2100});
    p->engine->keyDown(88, 'x');
    p->engine->keyDown(37, 0);  // left arrow: heard, types nothing
    EXPECT_EQ(p->host.traces, (Strings{"changed x", "key 120 x", "key 0 x"}));
    EXPECT_TRUE(p->host.errors.empty());
}

TEST(TextInput, AFieldThatLeavesTheStageLosesTheFocus) {
    auto p = formMovie(inputField());
    ASSERT_TRUE(p);
    p->engine->mouseDown({3000, 2100});
    type(*p->engine, U"a");
    Actions remove;
    remove.callMethodOn("form", "swapDepths", {100}).pop().callMethodOn("form", "removeMovieClip", {}).pop();
    p->engine->runActions(p->root(), remove.bytes());
    ASSERT_EQ(p->clip("form"), nullptr);
    type(*p->engine, U"b");
    p->engine->runActions(p->root(), Actions().callMethodOn("Selection", "getFocus", {}).trace().bytes());
    EXPECT_EQ(p->host.traces, (Strings{"null"}));
}

}  // namespace
