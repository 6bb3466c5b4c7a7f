// Slash and dot target paths.
#include "model/target_path.h"

#include "model/display_list.h"
#include "model/movie_clip.h"

#include <vector>

namespace model {

namespace {

MovieClip* childClip(const MovieClip& parent, std::string_view name, bool caseSensitive) {
    for (const auto& [depth, object] : parent.displayList()) {
        auto* clip = object->as<MovieClip>();
        if (clip && !clip->name().empty() && namesEqual(clip->name(), name, caseSensitive))
            return clip;
    }
    return nullptr;
}

std::vector<std::string_view> split(std::string_view path, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(path.substr(start));
            return parts;
        }
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

MovieClip* resolveTarget(MovieClip& root, MovieClip* base, std::string_view path, bool caseSensitive) {
    MovieClip* current = base ? base : &root;
    if (path.empty() || path == "/")
        return &root;
    const bool slash = path.find('/') != std::string_view::npos || path == "." || path == "..";
    if (slash && path.front() == '/') {
        current = &root;
        path.remove_prefix(1);
    }
    std::vector<std::string_view> parts = split(path, slash ? '/' : '.');
    if (slash && parts.size() > 1 && parts.back().empty())
        parts.pop_back();  // a trailing slash
    auto is = [caseSensitive](std::string_view part, std::string_view keyword) {
        return namesEqual(part, keyword, caseSensitive);
    };
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string_view part = parts[i];
        if (part.empty())
            return nullptr;
        if (i == 0 && (is(part, "_root") || is(part, "_level0"))) {
            current = &root;
        } else if (slash ? part == ".." : is(part, "_parent")) {
            current = current->parentClip();
        } else if (slash ? part == "." : is(part, "this")) {
            // the clip itself
        } else {
            current = childClip(*current, part, caseSensitive);
        }
        if (!current)
            return nullptr;
    }
    return current;
}

}  // namespace model
