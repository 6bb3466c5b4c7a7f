// Helpers shared by the parser tests.
#pragma once

#include "swf/movie.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace testutil {

// Parses and requires success; the movie stays alive as long as the pointer.
inline std::shared_ptr<const swf::Movie> load(const std::vector<uint8_t>& file, const swf::ParseOptions& options = {}) {
    auto result = swf::parseMovie(file, options);
    EXPECT_TRUE(result.has_value()) << "expected a movie, got error " << swf::describe(result.error().code);
    return result.has_value() ? result.value() : std::make_shared<const swf::Movie>();
}

inline bool hasProblem(const swf::Movie& movie, swf::ErrorCode code) {
    for (const auto& p : movie.problems)
        if (p.code == code)
            return true;
    return false;
}

// The single control tag of kind T in frame `frame`, or null.
template <typename T>
const T* firstTag(const swf::Timeline& timeline, size_t frame) {
    if (frame >= timeline.frames.size())
        return nullptr;
    for (const auto& tag : timeline.frames[frame].tags)
        if (const T* t = std::get_if<T>(&tag))
            return t;
    return nullptr;
}

}  // namespace testutil
