// ActionScript 2 text: TextFormat, the format methods of TextField and its
// properties, run as byte code on fields a script makes.
#include "script_test_support.h"

#include "model/stage.h"
#include "text/device_fonts.h"
#include "text/text_renderer.h"

#include <cstdlib>
#include <cstring>

using namespace scripttest;

namespace {

// "$name" pushes the variable's value.
void pushArgs(Actions& a, const std::vector<PushValue>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) {
        const auto* text = std::get_if<std::string>(&it->value);
        if (text && !text->empty() && (*text)[0] == '$')
            a.push({PushValue(text->substr(1))}).getVariable();
        else
            a.push({*it});
    }
    a.push({int(args.size())});
}

void call(Actions& a, const std::string& object, const std::string& method, const std::vector<PushValue>& args,
          const std::string& into = "") {
    if (!into.empty())
        a.push({PushValue(into)});
    pushArgs(a, args);
    a.push({PushValue(object)}).getVariable().push({PushValue(method)}).callMethod();
    if (into.empty())
        a.pop();
    else
        a.setVariable();
}

void set(Actions& a, const std::string& object, const std::string& member, PushValue v) {
    a.push({PushValue(object)}).getVariable().push({PushValue(member)}).push({std::move(v)}).setMember();
}

void traceMember(Actions& a, const std::string& object, const std::string& member) {
    a.push({PushValue(object)}).getVariable().push({PushValue(member)}).getMember().trace();
}

void newFormat(Actions& a, const std::string& name) {
    a.push({PushValue(name)}).push({0}).push({"TextFormat"}).newObject().setVariable();
}

void field(Actions& a, const std::string& name, int depth, int w, int h) {
    call(a, "_root", "createTextField", {PushValue(name), depth, 0, 0, w, h}, name);
}

double num(const std::string& s) { return std::strtod(s.c_str(), nullptr); }

}  // namespace

TEST(ScriptText, TextFormatsApplyToRangesAndReadBack) {
    Actions a;
    field(a, "t", 1, 200, 100);
    set(a, "t", "text", "hello world");
    newFormat(a, "f");
    set(a, "f", "bold", true);
    set(a, "f", "color", 0xFF0000);
    set(a, "f", "size", 20);
    call(a, "t", "setTextFormat", {0, 5, PushValue("$f")});
    call(a, "t", "getTextFormat", {0, 5}, "g");
    traceMember(a, "g", "bold");
    traceMember(a, "g", "color");
    traceMember(a, "g", "size");
    call(a, "t", "getTextFormat", {}, "all");
    traceMember(a, "all", "bold");  // mixed
    traceMember(a, "all", "font");
    call(a, "t", "getTextFormat", {6}, "one");
    traceMember(a, "one", "bold");
    traceMember(a, "t", "htmlText");  // not an HTML field: the text
    set(a, "t", "html", true);
    traceMember(a, "t", "htmlText");
    traceMember(a, "t", "text");
    EXPECT_EQ(traces(a), (Strings{"true", "16711680", "20", "null", "Times New Roman", "false", "hello world",
                                  "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"20\" COLOR=\"#FF0000\" "
                                  "LETTERSPACING=\"0\" KERNING=\"0\"><B>hello</B></FONT><FONT FACE=\"Times New Roman\" "
                                  "SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\"> world</FONT></P>",
                                  "hello world"}));
}

TEST(ScriptText, HtmlTextSetsRunsAndNewTextFormatsApplyToNewText) {
    Actions a;
    field(a, "t", 1, 200, 100);
    set(a, "t", "html", true);
    set(a, "t", "htmlText", "<p align='center'><font size='30' color='#0000FF'>big</font> <i>it</i></p>");
    traceMember(a, "t", "text");
    call(a, "t", "getTextFormat", {0}, "g");
    traceMember(a, "g", "size");
    traceMember(a, "g", "align");
    call(a, "t", "getTextFormat", {4}, "h");
    traceMember(a, "h", "italic");
    newFormat(a, "n");
    set(a, "n", "size", 30);
    field(a, "u", 2, 200, 100);
    call(a, "u", "setNewTextFormat", {PushValue("$n")});
    set(a, "u", "text", "x");
    call(a, "u", "getTextFormat", {}, "ug");
    traceMember(a, "ug", "size");
    set(a, "u", "textColor", 0x00FF00);
    call(a, "u", "getTextFormat", {}, "uc");
    traceMember(a, "uc", "color");
    traceMember(a, "u", "textColor");
    EXPECT_EQ(traces(a), (Strings{"big it", "30", "center", "true", "30", "65280", "65280"}));
}

TEST(ScriptText, FieldPropertiesReadAndWrite) {
    Actions a;
    field(a, "t", 1, 200, 100);
    struct Prop {
        const char* name;
        PushValue value;
        const char* expected;
    };
    const Prop props[] = {
        {"wordWrap", PushValue(true), "true"},       {"multiline", PushValue(true), "true"},
        {"border", PushValue(true), "true"},         {"borderColor", PushValue(0x123456), "1193046"},
        {"background", PushValue(true), "true"},     {"backgroundColor", PushValue(0xABCDEF), "11259375"},
        {"selectable", PushValue(false), "false"},   {"password", PushValue(true), "true"},
        {"embedFonts", PushValue(true), "true"},     {"condenseWhite", PushValue(true), "true"},
        {"restrict", PushValue("A-Z"), "A-Z"},       {"maxChars", PushValue(5), "5"},
        {"autoSize", PushValue("center"), "center"}, {"autoSize", PushValue(true), "left"},
        {"autoSize", PushValue(false), "none"},      {"type", PushValue("input"), "input"},
    };
    Strings expected;
    for (const Prop& p : props) {
        set(a, "t", p.name, p.value);
        traceMember(a, "t", p.name);
        expected.push_back(p.expected);
    }
    traceMember(a, "_root", "nothing");  // keeps the list honest about its end
    expected.push_back("undefined");
    EXPECT_EQ(traces(a), expected);
}

TEST(ScriptText, ScrollingMetricsAndAutoSizeFollowTheLayout) {
    Actions a;
    field(a, "t", 1, 200, 60);
    set(a, "t", "multiline", true);
    set(a, "t", "text", "1\r2\r3\r4\r5\r6\r7\r8\r9\r10");
    traceMember(a, "t", "length");
    traceMember(a, "t", "maxscroll");
    traceMember(a, "t", "bottomScroll");
    set(a, "t", "scroll", 100);
    traceMember(a, "t", "scroll");
    traceMember(a, "t", "bottomScroll");
    set(a, "t", "scroll", -5);
    traceMember(a, "t", "scroll");
    field(a, "w", 2, 300, 40);
    set(a, "w", "text", "ab");
    traceMember(a, "w", "textWidth");
    set(a, "w", "text", "abababab");
    traceMember(a, "w", "textWidth");
    traceMember(a, "w", "textHeight");
    field(a, "s", 3, 10, 10);
    set(a, "s", "autoSize", "left");
    set(a, "s", "text", "hello there");
    traceMember(a, "s", "_width");
    traceMember(a, "s", "_height");
    newFormat(a, "f");
    set(a, "f", "size", 20);
    a.push({"e"});
    pushArgs(a, {"hello"});
    a.push({"f"}).getVariable().push({"getTextExtent"}).callMethod().setVariable();
    traceMember(a, "e", "width");
    traceMember(a, "e", "textFieldWidth");
    const Strings out = traces(a);
    ASSERT_EQ(out.size(), 13u);
    EXPECT_EQ(out[0], "20");
    const double maxscroll = num(out[1]);
    EXPECT_GT(maxscroll, 1);
    EXPECT_LT(maxscroll, 10);
    EXPECT_EQ(num(out[2]), 11 - maxscroll) << "the lines that show from the first";
    EXPECT_EQ(num(out[3]), maxscroll) << "scroll stops at maxscroll";
    EXPECT_EQ(out[4], "10");
    EXPECT_EQ(out[5], "1");
    EXPECT_GT(num(out[7]), 3 * num(out[6])) << "four times the text, about four times as wide";
    EXPECT_GT(num(out[8]), 5);
    EXPECT_GT(num(out[9]), 10) << "autoSize widened the field";
    EXPECT_NEAR(num(out[10]), num(out[8]) + 4, 1.0) << "and fitted its height to one line";
    EXPECT_GT(num(out[11]), 20);
    EXPECT_EQ(num(out[12]), num(out[11]) + 4);
}

TEST(ScriptText, PressingAnAsfunctionLinkCallsIntoTheMovie) {
    Actions a;
    a.defineFunction("hit", {"x"}, Actions().push({"hit "}).push({"x"}).getVariable().stringAdd().trace());
    field(a, "t", 1, 200, 100);
    set(a, "t", "html", true);
    set(a, "t", "htmlText", "<a href=\"asfunction:hit,7\">LINK LINK LINK</a><br>plain");
    swfwriter::MovieWriter m({.version = 8});
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    // On the link's first line, then on the plain second line.
    p->engine->mouseDown({200, 200});
    p->engine->mouseUp({200, 200});
    p->engine->mouseDown({200, 500});
    p->engine->mouseUp({200, 500});
    EXPECT_EQ(p->host.traces, (Strings{"hit 7"}));
}

TEST(ScriptText, ABoundFieldsVariableFollowsFormatChanges) {
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::EditTextSpec spec;
    spec.bounds = {0, 4000, 0, 1000};
    spec.html = true;
    spec.variableName = "v";
    m.place(m.defineEditText(spec), 1, named("t"));
    m.showFrame();
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    Actions a;
    set(a, "t", "htmlText", "<b>x</b>y");
    newFormat(a, "f");
    set(a, "f", "italic", true);
    call(a, "t", "setTextFormat", {1, 2, PushValue("$f")});
    p->engine->runActions(p->root(), a.bytes());
    p->engine->tick();  // a binding pass: the variable must not undo the format
    const std::string v = p->var("v");
    EXPECT_NE(v.find("<B>x</B>"), std::string::npos) << v;
    EXPECT_NE(v.find("<I>y</I>"), std::string::npos) << v;
}

TEST(ScriptText, StyleSheetsParseReadBackAndStyleHtmlFields) {
    Actions a;
    a.push({"css"}).push({0}).push({"TextField"}).getVariable().push({"StyleSheet"}).newMethod().setVariable();
    call(a, "css", "parseCSS", {".hot { color: #FF0000; font-weight: bold } P { text-align: center }"}, "ok");
    a.push({"ok"}).getVariable().trace();
    call(a, "css", "parseCSS", {"p { broken"}, "bad");
    a.push({"bad"}).getVariable().trace();
    call(a, "css", "getStyleNames", {}, "names");
    a.push({"names"}).getVariable().trace();
    call(a, "css", "getStyle", {".hot"}, "hot");
    traceMember(a, "hot", "fontWeight");
    call(a, "css", "getStyle", {"nothing"}, "none");
    a.push({"none"}).getVariable().trace();
    call(a, "css", "transform", {PushValue("$hot")}, "fmt");
    traceMember(a, "fmt", "color");
    traceMember(a, "fmt", "bold");
    field(a, "t", 1, 200, 100);
    set(a, "t", "html", true);
    a.push({"t"}).getVariable().push({"styleSheet"}).push({"css"}).getVariable().setMember();
    set(a, "t", "htmlText", "<p>a<span class='hot'>b</span></p>");
    call(a, "t", "getTextFormat", {1}, "g");
    traceMember(a, "g", "bold");
    traceMember(a, "g", "align");
    traceMember(a, "t", "htmlText");
    // A later change waits for the next assignment.
    call(a, "css", "setStyle", {".hot", PushValue(swfwriter::Null{})});
    call(a, "t", "getTextFormat", {1}, "h");
    traceMember(a, "h", "bold");
    call(a, "css", "clear", {});
    call(a, "css", "getStyleNames", {}, "empty");
    a.push({"empty"}).getVariable().push({"length"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"true", "false", ".hot,p", "bold", "null", "16711680", "true", "true", "center",
                                  "<p>a<span class='hot'>b</span></p>", "true", "0"}));
}

TEST(ScriptText, TheFontListIsTheSystemsFamilies) {
    Actions a;
    a.push({0}).push({"TextField"}).getVariable().push({"getFontList"}).callMethod().storeRegister(0).pop();
    a.push({swfwriter::Register{0}}).push({"length"}).getMember().trace();
    a.push({swfwriter::Register{0}}).push({0}).getMember().trace();
    const std::vector<std::string> families = text::deviceFontFamilies();
    ASSERT_FALSE(families.empty());
    EXPECT_EQ(traces(a), (Strings{std::to_string(families.size()), families.front()}));
}

TEST(ScriptText, TextExtentsMeasureWithTheMoviesEmbeddedFont) {
    swfwriter::MovieWriter m({.version = 8});
    (void)m.defineFont(swfwriter::boxFont("AB"));
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    Actions a;
    newFormat(a, "f");
    set(a, "f", "size", 20);
    // Boxes advance a whole em: 20 px each at 20 points; the ascent is 800/1024 em.
    for (const char* font : {"Boxes", "_sans"}) {
        set(a, "f", "font", font);
        a.push({"e"}).push({"ABAB"}).push({1}).push({"f"}).getVariable().push({"getTextExtent"}).callMethod();
        a.setVariable();
        traceMember(a, "e", "width");
        traceMember(a, "e", "ascent");
    }
    p->engine->runActions(p->root(), a.bytes());
    ASSERT_EQ(p->host.traces.size(), 4u);
    EXPECT_EQ(p->host.traces[0], "80");
    EXPECT_EQ(p->host.traces[1], "15.625");
    EXPECT_NE(p->host.traces[3], "15.625") << "a device font has its own metrics";
}

TEST(ScriptText, AnImagesClipRunsItsFrameScriptsInsideTheField) {
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::SpriteWriter s(8);
    Actions first;
    first.push({"first "}).push({"this"}).getVariable().add2().trace();
    s.doAction(first);
    s.showFrame();
    Actions second;
    second.push({"second "}).push({"_parent"}).getVariable().add2().trace().stop();
    s.doAction(second);
    s.showFrame();
    m.exportAssets({{m.defineSprite(s), "pic"}});
    Actions a;
    field(a, "t", 1, 200, 100);
    set(a, "t", "html", true);
    set(a, "t", "htmlText", "<img src='pic' id='p'>");
    a.push({"w"}).push({"t"}).getVariable().push({"p"}).getMember().push({"_totalframes"}).getMember().setVariable();
    a.stop();
    m.doAction(a);
    m.showFrame();
    m.showFrame();
    auto p = Player::load(m);
    p->engine->tick();
    p->engine->tick();
    EXPECT_EQ(p->var("w"), "2") << "the field's image clip answers to its id";
    EXPECT_EQ(p->host.traces, (Strings{"first _level0.t.p", "second _level0.t"}));
    EXPECT_TRUE(p->host.errors.empty());
}

TEST(ScriptText, AnImagesClipTakesThePointerAndTheTextKeepsTheRest) {
    // "pic": a 50x50 px square; the field shows it at its top left.
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::SpriteWriter s(8);
    s.place(m.rectangle(0, 0, 1000, 1000, {0, 0, 255}), 1);
    s.showFrame();
    m.exportAssets({{m.defineSprite(s), "pic"}});
    Actions a;
    field(a, "t", 1, 200, 100);
    set(a, "t", "html", true);
    set(a, "t", "htmlText", "<img src='pic' id='p' hspace='0' vspace='0'>some text");
    for (const char* handler : {"onPress", "onRelease", "onRollOver", "onRollOut"}) {
        Actions body;
        body.push({std::string(handler) + " "}).push({"this"}).getVariable().add2().trace();
        a.push({"t"}).getVariable().push({"p"}).getMember().push({handler}).defineFunction("", {}, body).setMember();
    }
    a.stop();
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    auto focus = [&] {
        p->host.traces.clear();
        p->engine->runActions(p->root(), Actions().callMethodOn("Selection", "getFocus", {}).trace().bytes());
        return p->host.traces.empty() ? std::string() : p->host.traces.back();
    };
    enum Step { Move, Down, Up };
    struct Row {
        Step step;
        double x, y;  // twips
        Strings traces;
        const char* focus;  // after the step
    } rows[] = {
        {Move, 500, 500, {"onRollOver _level0.t.p"}, "null"},
        {Down, 500, 500, {"onPress _level0.t.p"}, "_level0.t.p"},  // the clip, not the text, takes the focus
        {Up, 500, 500, {"onRelease _level0.t.p"}, "_level0.t.p"},
        {Move, 3000, 500, {"onRollOut _level0.t.p"}, "_level0.t.p"},  // over the text
        {Down, 3000, 500, {}, "_level0.t"},                           // the text takes the press
        {Up, 3000, 500, {}, "_level0.t"},
    };
    for (const Row& r : rows) {
        p->host.traces.clear();
        if (r.step == Move)
            p->engine->mouseMove({r.x, r.y});
        else if (r.step == Down)
            p->engine->mouseDown({r.x, r.y});
        else
            p->engine->mouseUp({r.x, r.y});
        EXPECT_EQ(p->host.traces, r.traces) << int(r.step) << " at " << r.x;
        EXPECT_EQ(focus(), r.focus) << int(r.step) << " at " << r.x;
    }
    EXPECT_TRUE(p->host.errors.empty());
}

TEST(TextFieldProperties, GlyphRenderingComesFromTheMovieAndScriptsWithinItsRanges) {
    // CSMTextSettings for the field: advanced, subpixel, thickness 500 and
    // sharpness -1000, both past their ranges.
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::EditTextSpec spec;
    spec.bounds = {0, 2000, 0, 400};
    const uint16_t field = m.defineEditText(spec);
    std::vector<uint8_t> csm{uint8_t(field), uint8_t(field >> 8), 0x50};
    for (const float v : {500.0f, -1000.0f}) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, 4);
        for (int i = 0; i < 4; ++i)
            csm.push_back(uint8_t(bits >> (8 * i)));
    }
    csm.push_back(0);
    m.tag(74, csm);
    m.place(field, 1, namedAt("f", 0, 0));
    Actions a;
    auto traceAll = [&] {
        for (const char* p : {"antiAliasType", "gridFitType", "thickness", "sharpness"})
            a.push({"f"}).getVariable().push({p}).getMember().trace();
    };
    traceAll();
    set(a, "f", "antiAliasType", "bogus");
    set(a, "f", "gridFitType", "none");
    set(a, "f", "thickness", -300);
    set(a, "f", "sharpness", "x");
    traceAll();
    set(a, "f", "antiAliasType", "normal");
    set(a, "f", "gridFitType", "pixel");
    traceAll();
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"advanced", "subpixel", "200", "-400", "advanced", "none", "-200", "0", "normal",
                                       "pixel", "-200", "0"}));
}

TEST(TextFieldProperties, TextRendererKeepsWhatItTakesAndIgnoresTheRest) {
    swfwriter::MovieWriter m({.version = 8});
    Actions a;
    a.push({"r"}).push({"flash"}).getVariable().push({"text"}).getMember().push({"TextRenderer"}).getMember();
    a.setVariable();
    for (PushValue mode : {PushValue("lcd"), PushValue("bogus")}) {
        set(a, "r", "displayMode", mode);
        traceMember(a, "r", "displayMode");
    }
    traceMember(a, "r", "maxLevel");
    for (PushValue level : {PushValue(7), PushValue(5), PushValue("x")}) {
        set(a, "r", "maxLevel", level);
        traceMember(a, "r", "maxLevel");
    }
    // Two rows as plain objects; a table for a style that does not exist is ignored.
    a.push({"row1"}).push({"fontSize", 10, "insideCutoff", 0.5, "outsideCutoff", -0.5, 3}).initObject().setVariable();
    a.push({"row2"}).push({"fontSize", 20, "insideCutoff", 0.1, "outsideCutoff", -0.9, 3}).initObject().setVariable();
    a.push({"table"}).push({"row2"}).getVariable().push({"row1"}).getVariable().push({2}).initArray().setVariable();
    for (const char* style : {"regular", "heavy"}) {
        a.push({"table"}).getVariable().push({"dark", style, style == std::string("regular") ? "Square" : "Other", 4});
        a.push({"r"}).getVariable().push({"setAdvancedAntiAliasingTable"}).callMethod().pop();
    }
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"lcd", "lcd", "4", "7", "7", "7"}));
    const auto cutoffs = p->stage->textRenderer().cutoffs("Square", {}, text::ColorType::Dark, 15);
    ASSERT_TRUE(cutoffs);
    EXPECT_NEAR(cutoffs->inside, 0.3, 1e-9);
    EXPECT_NEAR(cutoffs->outside, -0.7, 1e-9);
    EXPECT_FALSE(p->stage->textRenderer().cutoffs("Other", {}, text::ColorType::Dark, 15));
}

namespace {

void traceCall(Actions& a, const std::string& object, const std::string& method, const std::vector<PushValue>& args) {
    pushArgs(a, args);
    a.push({PushValue(object)}).getVariable().push({PushValue(method)}).callMethod().trace();
}

}  // namespace

// Two static texts of the root ("Hi" on a baseline at 20 px, "iH" at 60 px;
// box glyphs 20 px apart) and one inside a child clip, which the root's
// snapshot leaves out.
TEST(ScriptText, TextSnapshotReadsFindsSelectsAndLocatesStaticText) {
    swfwriter::MovieWriter m({.version = 8});
    const swfwriter::FontSpec font = swfwriter::boxFont("Hi");
    const uint16_t fontId = m.defineFont(font);
    m.place(m.staticText(fontId, font, "Hi", 400, {0, 0, 0, 255}, 0, 400), 1);
    m.place(m.staticText(fontId, font, "iH", 400, {0, 0, 0, 255}, 0, 1200), 2);
    swfwriter::SpriteWriter inner;
    inner.place(m.staticText(fontId, font, "H", 400, {0, 0, 0, 255}, 0, 400), 1);
    inner.showFrame();
    m.place(m.defineSprite(inner), 3);
    Actions a;
    call(a, "_root", "getTextSnapshot", {}, "s");
    struct Row {
        const char* method;
        std::vector<PushValue> args;
        const char* traced;
    };
    const Row rows[] = {
        {"getCount", {}, "4"},
        {"getText", {0, 4, true}, "Hi\niH"},
        {"getText", {-5, 99, false}, "HiiH"},  // clamped
        {"getText", {3, 1, false}, ""},        // reversed
        {"findText", {0, "ih", false}, "2"},
        {"findText", {0, "ih", true}, "-1"},
        {"findText", {3, "H", true}, "3"},
        {"findText", {0, "", true}, "-1"},
        {"setSelected", {1, 3, true}, "undefined"},
        {"getSelectedText", {false}, "ii"},
        {"getSelectedText", {true}, "i\ni"},
        {"getSelected", {0, 1}, "false"},
        {"getSelected", {0, 2}, "true"},
        {"setSelected", {0, 99, false}, "undefined"},
        {"getSelected", {0, 4}, "false"},
        // The second line's "H" spans x 20..40 px, its cell (the font's ascent
        // and descent) y 44.375..64.375 px.
        {"hitTestTextNearPos", {30, 50, 0}, "3"},
        {"hitTestTextNearPos", {30, 80}, "-1"},
        {"hitTestTextNearPos", {30, 80, 20}, "3"},
    };
    for (const Row& row : rows)
        traceCall(a, "s", row.method, row.args);
    call(a, "s", "getTextRunInfo", {3, 3}, "runs");
    traceMember(a, "runs", "length");
    a.push({"run"}).push({"runs"}).getVariable().push({0}).getMember().setVariable();
    for (const char* member :
         {"indexInRun", "font", "height", "matrix_tx", "matrix_ty", "corner0x", "corner0y", "corner2x", "corner2y"})
        traceMember(a, "run", member);
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    Strings expected;
    for (const Row& row : rows)
        expected.push_back(row.traced);
    for (const char* v : {"1", "3", "Boxes", "20", "20", "60", "20", "44.375", "40", "64.375"})
        expected.push_back(v);
    EXPECT_EQ(p->host.traces, expected);
}
