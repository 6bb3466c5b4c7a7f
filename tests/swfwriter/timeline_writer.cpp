// Timelines (root and sprites): display list, frame and script tags, filter lists.
#include "movie_writer.h"

namespace swfwriter {

namespace {

void writeClipEvents(BitWriter& w, uint32_t events, uint8_t version) {
    w.u8(uint8_t(events >> 24)).u8(uint8_t(events >> 16));
    if (version >= 6)
        w.u8(uint8_t(events >> 8)).u8(uint8_t(events));
}

}  // namespace

// ---- Filters

Filters& Filters::blur(double blurX, double blurY, uint8_t passes) {
    ++m_count;
    m_body.u8(1).fixed16(blurX).fixed16(blurY).ub(5, passes).ub(3, 0);
    return *this;
}

Filters& Filters::dropShadow(Color c, double blurX, double blurY, double angle, double distance, double strength,
                             bool inner, bool knockout, uint8_t passes) {
    ++m_count;
    m_body.u8(0).rgba(c).fixed16(blurX).fixed16(blurY).fixed16(angle).fixed16(distance).fixed8(strength);
    m_body.flag(inner).flag(knockout).flag(true).ub(5, passes);
    return *this;
}

Filters& Filters::glow(Color c, double blurX, double blurY, double strength, uint8_t passes) {
    ++m_count;
    m_body.u8(2).rgba(c).fixed16(blurX).fixed16(blurY).fixed8(strength).flag(false).flag(false).flag(true).ub(5,
                                                                                                              passes);
    return *this;
}

Filters& Filters::colorMatrix(const std::vector<float>& matrix20) {
    ++m_count;
    m_body.u8(6);
    for (size_t i = 0; i < 20; ++i)
        m_body.f32(i < matrix20.size() ? matrix20[i] : 0.0f);
    return *this;
}

Filters& Filters::raw(uint8_t id, const std::vector<uint8_t>& body) {
    ++m_count;
    m_body.u8(id).bytes(body);
    return *this;
}

std::vector<uint8_t> Filters::bytes() const {
    BitWriter copy = m_body;
    std::vector<uint8_t> out{m_count};
    const auto& body = copy.data();
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// ---- Timelines

std::vector<uint8_t> tagBytes(uint16_t code, const std::vector<uint8_t>& body, bool forceLong) {
    BitWriter w;
    if (body.size() < 0x3F && !forceLong) {
        w.u16(uint16_t(code << 6 | body.size()));
    } else {
        w.u16(uint16_t(code << 6 | 0x3F)).u32(uint32_t(body.size()));
    }
    w.bytes(body);
    return w.data();
}

void TimelineWriter::tag(uint16_t code, const std::vector<uint8_t>& body) {
    auto bytes = tagBytes(code, body);
    m_tags.insert(m_tags.end(), bytes.begin(), bytes.end());
}

void TimelineWriter::placeTag(std::optional<uint16_t> characterId, uint16_t depth, const Place& o, bool move) {
    bool v3 = o.forceVersion3 || o.className || o.filters || o.blendMode || o.cacheAsBitmap || o.visible ||
              o.opaqueBackground;
    BitWriter w;
    uint8_t flags = 0;
    if (!o.clipActions.empty())
        flags |= 0x80;
    if (o.clipDepth)
        flags |= 0x40;
    if (o.name)
        flags |= 0x20;
    if (o.ratio)
        flags |= 0x10;
    if (o.cxform)
        flags |= 0x08;
    if (o.matrix)
        flags |= 0x04;
    if (characterId)
        flags |= 0x02;
    if (move)
        flags |= 0x01;
    w.u8(flags);
    if (v3) {
        uint8_t flags2 = 0;
        if (o.opaqueBackground)
            flags2 |= 0x40;
        if (o.visible)
            flags2 |= 0x20;
        if (o.className)
            flags2 |= 0x08;
        if (o.cacheAsBitmap)
            flags2 |= 0x04;
        if (o.blendMode)
            flags2 |= 0x02;
        if (o.filters)
            flags2 |= 0x01;
        w.u8(flags2);
    }
    w.u16(depth);
    if (v3 && o.className)
        w.string(*o.className);
    if (characterId)
        w.u16(*characterId);
    if (o.matrix)
        w.matrix(*o.matrix);
    if (o.cxform)
        w.cxform(*o.cxform, true);
    if (o.ratio)
        w.u16(*o.ratio);
    if (o.name)
        w.string(*o.name);
    if (o.clipDepth)
        w.u16(*o.clipDepth);
    if (v3) {
        if (o.filters)
            w.bytes(*o.filters);
        if (o.blendMode)
            w.u8(*o.blendMode);
        if (o.cacheAsBitmap)
            w.u8(*o.cacheAsBitmap ? 1 : 0);
        if (o.visible)
            w.u8(*o.visible ? 1 : 0);
        if (o.opaqueBackground)
            w.rgba(*o.opaqueBackground);
    }
    if (!o.clipActions.empty()) {
        uint32_t all = 0;
        for (const auto& a : o.clipActions)
            all |= a.events;
        w.u16(0);
        writeClipEvents(w, all, m_version);
        for (const auto& a : o.clipActions) {
            writeClipEvents(w, a.events, m_version);
            bool key = a.events & Event::KeyPress;
            w.u32(uint32_t(a.actions.size() + (key ? 1 : 0)));
            if (key)
                w.u8(a.keyCode);
            w.bytes(a.actions);
        }
        writeClipEvents(w, 0, m_version);
    }
    tag(v3 ? 70 : 26, w.data());
}

void TimelineWriter::place(uint16_t characterId, uint16_t depth, const Place& options) {
    placeTag(characterId, depth, options, false);
}

void TimelineWriter::modify(uint16_t depth, const Place& options) { placeTag(std::nullopt, depth, options, true); }

void TimelineWriter::replace(uint16_t characterId, uint16_t depth, const Place& options) {
    placeTag(characterId, depth, options, true);
}

void TimelineWriter::placeObject1(uint16_t characterId, uint16_t depth, const Matrix& matrix,
                                  std::optional<CxForm> cxform) {
    BitWriter w;
    w.u16(characterId).u16(depth).matrix(matrix);
    if (cxform)
        w.cxform(*cxform, false);
    tag(4, w.data());
}

void TimelineWriter::remove(uint16_t depth) {
    BitWriter w;
    w.u16(depth);
    tag(28, w.data());
}

void TimelineWriter::removeObject1(uint16_t characterId, uint16_t depth) {
    BitWriter w;
    w.u16(characterId).u16(depth);
    tag(5, w.data());
}

void TimelineWriter::showFrame() {
    tag(1, {});
    ++m_frames;
}

void TimelineWriter::label(const std::string& name, bool namedAnchor) {
    BitWriter w;
    w.string(name);
    if (namedAnchor)
        w.u8(1);
    tag(43, w.data());
}

void TimelineWriter::doAction(const std::vector<uint8_t>& bytes) { tag(12, bytes); }

void TimelineWriter::background(Color c) {
    BitWriter w;
    w.rgb(c);
    tag(9, w.data());
}

}  // namespace swfwriter
