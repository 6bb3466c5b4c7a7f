#include "text/text_format.h"

namespace text {

namespace {

template <typename Visit>
void eachMember(TextFormat& a, const TextFormat& b, Visit&& visit) {
    visit(a.font, b.font);
    visit(a.size, b.size);
    visit(a.color, b.color);
    visit(a.bold, b.bold);
    visit(a.italic, b.italic);
    visit(a.underline, b.underline);
    visit(a.url, b.url);
    visit(a.target, b.target);
    visit(a.align, b.align);
    visit(a.leftMargin, b.leftMargin);
    visit(a.rightMargin, b.rightMargin);
    visit(a.indent, b.indent);
    visit(a.blockIndent, b.blockIndent);
    visit(a.leading, b.leading);
    visit(a.bullet, b.bullet);
    visit(a.tabStops, b.tabStops);
    visit(a.letterSpacing, b.letterSpacing);
    visit(a.kerning, b.kerning);
}

}  // namespace

void TextFormat::apply(const TextFormat& other) {
    eachMember(*this, other, [](auto& mine, const auto& theirs) {
        if (theirs)
            mine = theirs;
    });
}

void TextFormat::intersect(const TextFormat& other) {
    eachMember(*this, other, [](auto& mine, const auto& theirs) {
        if (mine != theirs)
            mine.reset();
    });
}

bool TextFormat::complete() const {
    bool all = true;
    TextFormat copy = *this;
    eachMember(copy, *this, [&all](auto& mine, const auto&) { all = all && mine.has_value(); });
    return all;
}

TextFormat defaultFormat() {
    TextFormat f;
    f.font = "Times New Roman";
    f.size = 240.0;
    f.color = 0x000000;
    f.bold = false;
    f.italic = false;
    f.underline = false;
    f.url = "";
    f.target = "";
    f.align = Align::Left;
    f.leftMargin = 0.0;
    f.rightMargin = 0.0;
    f.indent = 0.0;
    f.blockIndent = 0.0;
    f.leading = 0.0;
    f.bullet = false;
    f.tabStops = std::vector<double>{};
    f.letterSpacing = 0.0;
    f.kerning = false;
    return f;
}

}  // namespace text
