// Paths kept in cairo's own path format, ready for cairo_append_path().
//
// Built once per character from the parser's twips paths; quadratic curves
// become the equivalent cubic ones. Appending under a transform maps the
// twips into device space, so one cached path serves every placement.
#pragma once

#include "swf/geometry.h"

#include <cairo.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace render {

class PathData {
public:
    PathData() = default;
    explicit PathData(const swf::Path& path);

    [[nodiscard]] bool isEmpty() const { return m_data.empty(); }
    // Appends to the context's current path in its current user space.
    void appendTo(cairo_t* cr) const;
    // The same with every point (control points too) moved by `map`.
    void appendTo(cairo_t* cr, const std::function<swf::Point(swf::Point)>& map) const;
    [[nodiscard]] size_t byteSize() const { return m_data.size() * sizeof(cairo_path_data_t); }

private:
    std::vector<cairo_path_data_t> m_data;
};

}  // namespace render
