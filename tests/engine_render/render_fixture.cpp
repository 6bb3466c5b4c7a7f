#include "render_fixture.h"

#include <cstdio>

namespace rendertest {

std::string hex(uint32_t p) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", p);
    return buf;
}

PixelBuffer::PixelBuffer(int32_t width, int32_t height, render::RowOrder order, int32_t padding, uint32_t fill)
    : m_width(width),
      m_height(height),
      m_strideWords(width + padding),
      m_order(order),
      m_words(size_t(width + padding) * size_t(height), fill) {}

render::Target PixelBuffer::target() const { return target({{0, 0, m_width, m_height}}, {0, 0, m_width, m_height}); }

render::Target PixelBuffer::target(std::vector<render::PixelRect> clip, render::PixelRect bounds) const {
    render::Target t;
    t.pixels = reinterpret_cast<uint8_t*>(m_words.data());
    t.width = m_width;
    t.height = m_height;
    t.stride = m_strideWords * 4;
    t.rowOrder = m_order;
    t.clip = std::move(clip);
    t.bounds = bounds;
    return t;
}

uint32_t PixelBuffer::at(int32_t x, int32_t y) const {
    const int32_t row = m_order == render::RowOrder::TopDown ? y : m_height - 1 - y;
    return memoryAt(x, row);
}

uint32_t PixelBuffer::memoryAt(int32_t x, int32_t memoryRow) const {
    return m_words.at(size_t(memoryRow) * size_t(m_strideWords) + size_t(x));
}

void PixelBuffer::fill(uint32_t value) {
    for (int32_t y = 0; y < m_height; ++y) {
        for (int32_t x = 0; x < m_width; ++x)
            m_words[size_t(y) * size_t(m_strideWords) + size_t(x)] = value;
    }
}

bool PixelBuffer::padIntact() const {
    for (int32_t y = 0; y < m_height; ++y) {
        for (int32_t x = m_width; x < m_strideWords; ++x) {
            if (m_words[size_t(y) * size_t(m_strideWords) + size_t(x)] != Sentinel)
                return false;
        }
    }
    return true;
}

MovieBuilder::MovieBuilder(swf::Rect stage, swf::Rgba background) : m_movie(std::make_shared<swf::Movie>()) {
    m_movie->header.stage = stage;
    m_movie->backgroundColor = background;
}

MovieBuilder& MovieBuilder::exportAs(const std::string& name, uint16_t id) {
    m_movie->exports[name] = id;
    return *this;
}

MovieBuilder& MovieBuilder::textSettings(uint16_t id, const swf::TextSettings& settings) {
    m_movie->textSettings[id] = settings;
    return *this;
}

MovieBuilder& MovieBuilder::add(uint16_t id, swf::CharacterData data) {
    (void)m_movie->characters.add(id, std::move(data));
    return *this;
}

MovieBuilder& MovieBuilder::frame(std::vector<swf::ControlTag> tags) {
    m_movie->root.frames.push_back(swf::Frame{std::move(tags)});
    m_movie->root.declaredFrameCount = uint16_t(m_movie->root.frames.size());
    return *this;
}

std::shared_ptr<const swf::Movie> MovieBuilder::build() const { return m_movie; }

swf::PlaceObject place(uint16_t depth, uint16_t id, swf::Matrix m, swf::ColorTransform cx, uint16_t clipDepth) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = m;
    p.colorTransform = cx;
    if (clipDepth != 0)
        p.clipDepth = clipDepth;
    return p;
}

swf::Sprite sprite(std::vector<swf::ControlTag> tags) {
    swf::Sprite s;
    s.timeline.frames.push_back(swf::Frame{std::move(tags)});
    s.timeline.declaredFrameCount = 1;
    return s;
}

std::vector<swf::ShapeRecord> polygonRecords(const std::vector<swf::Point>& points, uint32_t fill, uint32_t line) {
    std::vector<swf::ShapeRecord> records;
    swf::StyleChange start;
    start.hasMove = true;
    start.moveX = int32_t(points.front().x);
    start.moveY = int32_t(points.front().y);
    start.hasFill1 = fill != 0;
    start.fill1 = fill;
    start.hasLine = line != 0;
    start.line = line;
    records.emplace_back(start);
    for (size_t i = 1; i <= points.size(); ++i) {
        const swf::Point& from = points[i - 1];
        const swf::Point& to = points[i % points.size()];
        swf::Edge e;
        e.anchorDx = int32_t(to.x - from.x);
        e.anchorDy = int32_t(to.y - from.y);
        records.emplace_back(e);
    }
    return records;
}

swf::FillStyle solid(swf::Rgba c) {
    swf::FillStyle s;
    s.kind = swf::FillKind::Solid;
    s.color = c;
    return s;
}

swf::Shape rectShape(swf::Rect r, const swf::FillStyle& style) {
    swf::Shape shape;
    shape.bounds = r;
    shape.edgeBounds = r;
    shape.fillStyles.push_back(style);
    const double x0 = r.xMin, x1 = r.xMax, y0 = r.yMin, y1 = r.yMax;
    shape.records = polygonRecords({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
    return shape;
}

swf::Shape lineShape(const std::vector<swf::Point>& points, const swf::LineStyle& style) {
    swf::Shape shape;
    shape.lineStyles.push_back(style);
    swf::StyleChange start;
    start.hasMove = true;
    start.moveX = int32_t(points.front().x);
    start.moveY = int32_t(points.front().y);
    start.hasLine = true;
    start.line = 1;
    shape.records.emplace_back(start);
    for (size_t i = 1; i < points.size(); ++i) {
        swf::Edge e;
        e.anchorDx = int32_t(points[i].x - points[i - 1].x);
        e.anchorDy = int32_t(points[i].y - points[i - 1].y);
        shape.records.emplace_back(e);
    }
    return shape;
}

cairo_matrix_t toCairo(const swf::Matrix& m) { return {m.a, m.b, m.c, m.d, m.tx, m.ty}; }

render::DrawError drawCharacters(const std::shared_ptr<const swf::Movie>& movie, const render::Target& target,
                                 const std::vector<DrawCall>& calls, render::Aspect aspect, render::Quality quality) {
    auto opened = render::Canvas::open(target, movie->header.stage, movie->backgroundColor.value_or(swf::Rgba{}),
                                       aspect, quality);
    if (!opened)
        return opened.error();
    auto& canvas = opened.value();
    model::GeometryCache geometry(movie);
    render::PaintCache paints(movie);
    render::Painter painter(canvas, geometry, paints);
    const cairo_matrix_t stage = canvas.mapping().matrix();
    for (const DrawCall& call : calls) {
        render::PaintState state;
        const cairo_matrix_t local = toCairo(call.matrix);
        cairo_matrix_multiply(&state.matrix, &local, &stage);
        state.cx = call.cx;
        switch (movie->characters.kindOf(call.id).value_or(swf::CharacterKind::Font)) {
        case swf::CharacterKind::Shape:
            painter.drawShape(call.id, state);
            break;
        case swf::CharacterKind::MorphShape:
            painter.drawMorph(call.id, call.ratio, state);
            break;
        case swf::CharacterKind::Bitmap:
            painter.drawBitmap(call.id, state);
            break;
        case swf::CharacterKind::Text:
            painter.drawStaticText(call.id, state);
            break;
        default:
            break;
        }
    }
    return canvas.finish();
}

}  // namespace rendertest
