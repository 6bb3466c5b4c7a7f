#include "render/path_data.h"

#include <algorithm>

namespace render {

namespace {

void pushHeader(std::vector<cairo_path_data_t>& data, cairo_path_data_type_t type, int length) {
    cairo_path_data_t h;
    h.header.type = type;
    h.header.length = length;
    data.push_back(h);
}

void pushPoint(std::vector<cairo_path_data_t>& data, double x, double y) {
    cairo_path_data_t p;
    p.point.x = x;
    p.point.y = y;
    data.push_back(p);
}

}  // namespace

PathData::PathData(const swf::Path& path) {
    m_data.reserve(path.size() * 3);
    swf::Point current;
    swf::Point subpathStart;
    for (const swf::PathCommand& c : path) {
        switch (c.verb) {
        case swf::PathVerb::MoveTo:
            pushHeader(m_data, CAIRO_PATH_MOVE_TO, 2);
            pushPoint(m_data, c.to.x, c.to.y);
            current = subpathStart = c.to;
            break;
        case swf::PathVerb::LineTo:
            pushHeader(m_data, CAIRO_PATH_LINE_TO, 2);
            pushPoint(m_data, c.to.x, c.to.y);
            current = c.to;
            break;
        case swf::PathVerb::QuadTo: {
            // The cubic with control points two thirds of the way to the quadratic's one.
            pushHeader(m_data, CAIRO_PATH_CURVE_TO, 4);
            pushPoint(m_data, current.x + 2.0 / 3.0 * (c.control.x - current.x),
                      current.y + 2.0 / 3.0 * (c.control.y - current.y));
            pushPoint(m_data, c.to.x + 2.0 / 3.0 * (c.control.x - c.to.x), c.to.y + 2.0 / 3.0 * (c.control.y - c.to.y));
            pushPoint(m_data, c.to.x, c.to.y);
            current = c.to;
            break;
        }
        case swf::PathVerb::Close:
            pushHeader(m_data, CAIRO_PATH_CLOSE_PATH, 1);
            current = subpathStart;
            break;
        }
    }
}

void PathData::appendTo(cairo_t* cr) const {
    if (m_data.empty())
        return;
    cairo_path_t path;
    path.status = CAIRO_STATUS_SUCCESS;
    path.data = const_cast<cairo_path_data_t*>(m_data.data());  // cairo only reads it
    path.num_data = int(m_data.size());
    cairo_append_path(cr, &path);
}

void PathData::appendTo(cairo_t* cr, const std::function<swf::Point(swf::Point)>& map) const {
    if (m_data.empty())
        return;
    std::vector<cairo_path_data_t> moved(m_data);
    for (size_t i = 0; i < moved.size(); i += size_t(std::max(1, moved[i].header.length))) {
        for (int k = 1; k < moved[i].header.length && i + size_t(k) < moved.size(); ++k) {
            cairo_path_data_t& p = moved[i + size_t(k)];
            const swf::Point to = map({p.point.x, p.point.y});
            p.point.x = to.x;
            p.point.y = to.y;
        }
    }
    cairo_path_t path;
    path.status = CAIRO_STATUS_SUCCESS;
    path.data = moved.data();
    path.num_data = int(moved.size());
    cairo_append_path(cr, &path);
}

}  // namespace render
