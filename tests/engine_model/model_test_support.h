// Helpers for the model tests: load a written movie onto a stage, and
// describe display lists compactly for comparisons.
#pragma once

#include "model/display_list.h"
#include "model/display_object.h"
#include "model/movie_clip.h"
#include "model/stage.h"

#include "swf/movie.h"

#include "movie_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace modeltest {

// Place options (designated initialisers would warn about the fields left out).
inline swfwriter::Place withMatrix(const swfwriter::Matrix& m) {
    swfwriter::Place p;
    p.matrix = m;
    return p;
}

inline swfwriter::Place at(int32_t x, int32_t y) { return withMatrix(swfwriter::Matrix::translate(x, y)); }

inline swfwriter::Place at(int32_t x, int32_t y, const char* name) {
    swfwriter::Place p = at(x, y);
    p.name.emplace(name);
    return p;
}

inline swfwriter::Place named(std::string name) {
    swfwriter::Place p;
    p.name = std::move(name);
    return p;
}

inline std::unique_ptr<model::Stage> load(const std::vector<uint8_t>& file, const model::Limits& limits = {}) {
    auto parsed = swf::parseMovie(file);
    EXPECT_TRUE(parsed.has_value()) << "the written movie did not parse";
    if (!parsed.has_value())
        return nullptr;
    return model::Stage::create(parsed.value(), limits);
}

inline std::unique_ptr<model::Stage> load(swfwriter::MovieWriter& movie, const model::Limits& limits = {}) {
    return load(movie.finish(), limits);
}

// One child of a display list: depth, character and its x/y in twips.
struct Entry {
    int32_t depth = 0;
    uint16_t character = 0;
    double tx = 0;
    double ty = 0;

    friend bool operator==(const Entry&, const Entry&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Entry& e) {
        return os << "{depth " << e.depth << ", char " << e.character << ", at " << e.tx << "," << e.ty << "}";
    }
};

inline std::vector<Entry> contents(const model::DisplayObject& container) {
    std::vector<Entry> out;
    if (const model::DisplayList* list = container.children()) {
        for (const auto& [depth, object] : *list)
            out.push_back({depth, object->characterId(), object->matrix().tx, object->matrix().ty});
    }
    return out;
}

inline uint64_t idAt(const model::MovieClip& clip, int32_t depth) {
    const model::DisplayObject* o = clip.displayList().at(depth);
    return o ? o->id() : 0;
}

inline model::MovieClip* clipAt(const model::MovieClip& clip, int32_t depth) {
    model::DisplayObject* o = clip.displayList().at(depth);
    return o ? o->as<model::MovieClip>() : nullptr;
}

}  // namespace modeltest
