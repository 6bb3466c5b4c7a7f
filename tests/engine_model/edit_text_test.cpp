// Replacing part of a field's text: the rest keeps its runs, and the
// markup a field shows its variable follows the edit.
#include "model_test_support.h"

#include "model/edit_text_object.h"
#include "text/formatted_text.h"
#include "text/html_text.h"

#include <string>

namespace {

struct Replace {
    const char* what;
    size_t begin, end;
    std::u32string inserted;
    std::u32string text;
    std::string bold;  // per character of the result: 'b' bold, '.' not
};

std::string boldOf(const text::FormattedText& doc) {
    std::string out;
    for (size_t i = 0; i < doc.size(); ++i)
        out += doc.formatAt(i).bold.value_or(false) ? 'b' : '.';
    return out;
}

TEST(EditText, ReplacingTextKeepsTheFormatOfTheRest) {
    swfwriter::MovieWriter w;
    w.showFrame();
    auto stage = modeltest::load(w);
    const Replace cases[] = {
        {"append", 6, 6, U"XY", U"abcdefXY", ".bb....."},
        {"insert first", 0, 0, U"Z", U"Zabcdef", "..bb..."},
        {"across the bold run's end", 2, 4, U"Q", U"abQef", ".b..."},
        {"an end past the text", 4, 100, U"", U"abcd", ".bb."},
        {"a begin past the end", 5, 3, U"!", U"abc!def", ".bb...."},
        {"everything", 0, 6, U"new", U"new", "..."},
    };
    for (const Replace& c : cases) {
        SCOPED_TRACE(c.what);
        auto object = stage->createDetachedTextField(2000, 400);
        auto* field = object ? object->as<model::EditTextObject>() : nullptr;
        ASSERT_TRUE(field);
        field->setPlainText("abcdef");
        text::TextFormat bold;
        bold.bold = true;
        field->applyFormat(1, 3, bold);
        field->replaceText(c.begin, c.end, c.inserted, field->newTextFormat());
        EXPECT_EQ(field->document().text(), c.text);
        EXPECT_EQ(boldOf(field->document()), c.bold);
        EXPECT_EQ(field->text(), text::toUtf8(c.text)) << "a plain field's variable sees plain text";
    }
}

TEST(EditText, AnHtmlFieldsMarkupFollowsEachEdit) {
    swfwriter::MovieWriter w;
    w.showFrame();
    auto stage = modeltest::load(w);
    auto object = stage->createDetachedTextField(2000, 400);
    auto* field = object->as<model::EditTextObject>();
    field->changeSettings([](model::FieldSettings& s) { s.html = true; });
    field->setHtmlText("<b>ab</b>cd");
    EXPECT_EQ(field->document().text(), U"abcd");
    field->replaceText(4, 4, U"ef", field->newTextFormat());
    field->replaceText(0, 1, U"X", field->newTextFormat());
    EXPECT_EQ(field->document().text(), U"Xbcdef");
    EXPECT_EQ(field->text(), text::writeHtml(field->document()));
    EXPECT_NE(field->text().find("cdef"), std::string::npos);
    EXPECT_EQ(field->htmlText(), field->text());
}

}  // namespace

TEST(EditText, ImageClipsPlayWithTheMovieAndRedrawTheirField) {
    swfwriter::MovieWriter w;
    const uint16_t box = w.rectangle(0, 0, 400, 200, {0, 0, 255});
    swfwriter::SpriteWriter anim;
    anim.place(box, 1);
    anim.showFrame();
    anim.remove(1);
    anim.showFrame();
    const uint16_t animId = w.defineSprite(anim);
    swfwriter::SpriteWriter still;
    still.place(box, 1);
    still.showFrame();
    const uint16_t stillId = w.defineSprite(still);
    w.exportAssets({{animId, "anim"}, {stillId, "still"}});
    w.showFrame();
    w.showFrame();
    const struct {
        const char* src;
        bool redraws;  // a tick changes the field's pixels
    } cases[] = {
        {"anim", true}, {"still", false}, {"missing.png", false},  // a file: its clip waits, empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.src);
        auto stage = modeltest::load(w);
        auto* field =
            stage->root().createTextField(16384 + 1, "t", swf::Rect{0, 4000, 0, 2000})->as<model::EditTextObject>();
        ASSERT_TRUE(field);
        field->changeSettings([](model::FieldSettings& s) { s.html = true; });
        field->setHtmlText(std::string("<img src='") + c.src + "' id='pic'>");
        ASSERT_EQ(field->imageClips().size(), 1u);
        auto* clip = field->imageClips().begin()->second->as<model::MovieClip>();
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->name(), "pic");
        EXPECT_EQ(clip->parent(), field);
        (void)field->layout();
        (void)stage->collectChanges();
        stage->advance();
        EXPECT_EQ(clip->currentFrame(), c.redraws ? 1u : 0u) << "the clip's timeline moves with the movie's";
        EXPECT_EQ(!stage->collectChanges().empty(), c.redraws);
        field->setHtmlText(std::string("<img src='") + c.src + "' id='pic'>more text");
        EXPECT_EQ(field->imageClips().begin()->second.get(), clip) << "an edit elsewhere keeps the clip";
    }
}
