#include "model/text_snapshot.h"

#include "model/display_list.h"
#include "model/transform.h"

#include "swf/font.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace model {

namespace {

// Latin-1 folding is enough for the fonts' code tables that static text
// carries in practice; other letters compare exactly.
char16_t foldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return char16_t(c + 32);
    return c;
}

double distanceTo(const swf::Bounds& b, double x, double y) {
    const double dx = std::max({b.xMin - x, 0.0, x - b.xMax});
    const double dy = std::max({b.yMin - y, 0.0, y - b.yMax});
    return std::hypot(dx, dy);
}

}  // namespace

std::vector<TextSnapshot::Entry> TextSnapshot::entries() const {
    std::vector<Entry> out;
    const DisplayList* children = m_container ? m_container->children() : nullptr;
    if (!children)
        return out;
    for (const auto& [depth, child] : *children) {
        auto* text = child ? child->as<StaticTextObject>() : nullptr;
        if (!text)
            continue;
        for (size_t i = 0; i < text->characters().size(); ++i)
            out.push_back({text, i});
    }
    return out;
}

size_t TextSnapshot::clamp(double index, size_t size) const {
    if (!(index > 0.0))  // NaN too
        return 0;
    return index >= double(size) ? size : size_t(index);
}

size_t TextSnapshot::count() const { return entries().size(); }

std::u16string TextSnapshot::text(double begin, double end, bool lineEndings) const {
    const auto all = entries();
    const size_t from = clamp(begin, all.size());
    const size_t to = clamp(end, all.size());
    std::u16string out;
    for (size_t i = from; i < to; ++i) {
        const StaticChar& c = all[i].object->characters()[all[i].index];
        if (lineEndings && i > from) {
            const Entry& prev = all[i - 1];
            if (prev.object != all[i].object || prev.object->characters()[prev.index].y != c.y)
                out.push_back(u'\n');
        }
        out.push_back(c.code);
    }
    return out;
}

int64_t TextSnapshot::find(double begin, std::u16string_view needle, bool caseSensitive) const {
    const auto all = entries();
    if (needle.empty() || needle.size() > all.size())
        return -1;
    auto same = [&](char16_t a, char16_t b) { return caseSensitive ? a == b : foldCase(a) == foldCase(b); };
    for (size_t i = clamp(begin, all.size()); i + needle.size() <= all.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && same(all[i + k].object->characters()[all[i + k].index].code, needle[k]))
            ++k;
        if (k == needle.size())
            return int64_t(i);
    }
    return -1;
}

void TextSnapshot::setSelected(double begin, double end, bool selected) const {
    const auto all = entries();
    for (size_t i = clamp(begin, all.size()), to = clamp(end, all.size()); i < to; ++i)
        all[i].object->setSelected(all[i].index, selected);
}

bool TextSnapshot::selected(double begin, double end) const {
    const auto all = entries();
    for (size_t i = clamp(begin, all.size()), to = clamp(end, all.size()); i < to; ++i) {
        if (all[i].object->isSelected(all[i].index))
            return true;
    }
    return false;
}

std::u16string TextSnapshot::selectedText(bool lineEndings) const {
    const auto all = entries();
    std::u16string out;
    const Entry* prev = nullptr;
    for (const Entry& e : all) {
        if (!e.object->isSelected(e.index))
            continue;
        const StaticChar& c = e.object->characters()[e.index];
        if (lineEndings && prev && (prev->object != e.object || prev->object->characters()[prev->index].y != c.y))
            out.push_back(u'\n');
        out.push_back(c.code);
        prev = &e;
    }
    return out;
}

void TextSnapshot::setSelectColor(uint32_t rgb) const {
    const DisplayList* children = m_container ? m_container->children() : nullptr;
    if (!children)
        return;
    for (const auto& [depth, child] : *children) {
        if (auto* text = child ? child->as<StaticTextObject>() : nullptr)
            text->setSelectColor(rgb);
    }
}

int64_t TextSnapshot::hitTestNear(double x, double y, double maxDistance) const {
    const auto all = entries();
    int64_t best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    const double limit = std::isnan(maxDistance) ? 0.0 : std::max(maxDistance, 0.0);
    for (size_t i = 0; i < all.size(); ++i) {
        const swf::Bounds box = transformBounds(all[i].object->matrix(), all[i].object->characterBox(all[i].index));
        const double d = distanceTo(box, x, y);
        if (d <= limit && d < bestDistance) {
            best = int64_t(i);
            bestDistance = d;
        }
    }
    return best;
}

std::vector<TextSnapshot::RunInfo> TextSnapshot::runInfo(double begin, double end) const {
    const auto all = entries();
    std::vector<RunInfo> out;
    if (all.empty())
        return out;
    const size_t from = clamp(begin, all.size());
    const size_t last = std::min(clamp(end, all.size()), all.size() - 1);
    for (size_t i = from; i <= last && i < all.size(); ++i) {
        const StaticTextObject& object = *all[i].object;
        const StaticChar& c = object.characters()[all[i].index];
        RunInfo info;
        info.index = i;
        info.selected = object.isSelected(all[i].index);
        info.font = c.font->name;
        info.color = uint32_t(c.color.r) << 16 | uint32_t(c.color.g) << 8 | c.color.b;
        info.height = c.height / 20.0;
        const swf::Matrix toContainer = multiply(object.matrix(), object.text().matrix);
        info.matrix = multiply(toContainer, swf::Matrix::translation(c.x, c.y));
        info.matrix.tx /= 20.0;
        info.matrix.ty /= 20.0;
        // The cell's corners, in the text's space then the container's.
        const swf::Bounds cell = object.characterBox(all[i].index);
        const swf::Point corners[4] = {
            {cell.xMin, cell.yMin}, {cell.xMax, cell.yMin}, {cell.xMax, cell.yMax}, {cell.xMin, cell.yMax}};
        for (int k = 0; k < 4; ++k) {
            const swf::Point p = apply(object.matrix(), corners[k]);
            info.corners[k] = {p.x / 20.0, p.y / 20.0};
        }
        out.push_back(std::move(info));
    }
    return out;
}

}  // namespace model
