// The static text of a container as one run of characters, for both
// machines' TextSnapshot: the texts that are the container's own children
// (not those inside child clips), in depth order. The view is live: every
// call reads the current children, and selection lives on the texts.
//
// Indices out of range are clamped; an empty or reversed range reads as
// nothing and changes nothing.
#pragma once

#include "model/static_text_object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace model {

class TextSnapshot {
public:
    explicit TextSnapshot(std::shared_ptr<const DisplayObject> container) : m_container(std::move(container)) {}

    [[nodiscard]] size_t count() const;
    // Characters [begin, end); with lineEndings a "\n" goes between
    // characters on different baselines or in different texts.
    [[nodiscard]] std::u16string text(double begin, double end, bool lineEndings) const;
    // First index >= begin where `needle` starts, or -1.
    [[nodiscard]] int64_t find(double begin, std::u16string_view needle, bool caseSensitive) const;
    void setSelected(double begin, double end, bool selected) const;
    // Whether any character of [begin, end) is selected.
    [[nodiscard]] bool selected(double begin, double end) const;
    [[nodiscard]] std::u16string selectedText(bool lineEndings) const;
    void setSelectColor(uint32_t rgb) const;
    // The character whose cell is nearest (x, y) (container twips) within
    // maxDistance twips, or -1.
    [[nodiscard]] int64_t hitTestNear(double x, double y, double maxDistance) const;

    struct RunInfo {
        size_t index = 0;
        bool selected = false;
        std::string font;  // UTF-8
        uint32_t color = 0;
        double height = 0.0;    // pixels
        swf::Matrix matrix;     // glyph space (pixels) -> container pixels
        swf::Point corners[4];  // cell corners in container pixels: top left, top right, bottom right, bottom left
    };
    // One entry per character of [begin, end], end included.
    [[nodiscard]] std::vector<RunInfo> runInfo(double begin, double end) const;

private:
    struct Entry {
        StaticTextObject* object = nullptr;
        size_t index = 0;
    };
    [[nodiscard]] std::vector<Entry> entries() const;
    [[nodiscard]] size_t clamp(double index, size_t size) const;

    std::shared_ptr<const DisplayObject> m_container;
};

}  // namespace model
