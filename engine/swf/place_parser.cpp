// PlaceObject 1-3 with clip actions, and the filter lists they share with buttons.
#include "swf/parse_context.h"
#include "swf/records.h"

#include <cmath>

namespace swf {

namespace {

void readFilterFlags(BitReader& r, Filter& f, bool bevel) {
    f.inner = r.flag();
    f.knockout = r.flag();
    f.compositeSource = r.flag();
    if (bevel) {
        f.onTop = r.flag();
        f.passes = uint8_t(r.ub(4));
    } else {
        f.passes = uint8_t(r.ub(5));
    }
}

// CLIPEVENTFLAGS: 2 bytes before SWF 6, 4 bytes after; first byte on top.
uint32_t readClipEventFlags(BitReader& r, uint8_t version) {
    uint32_t hi = uint32_t(r.u8()) << 24;
    hi |= uint32_t(r.u8()) << 16;
    if (version >= 6) {
        hi |= uint32_t(r.u8()) << 8;
        hi |= r.u8();
    }
    return hi;
}

bool readClipActions(ParseContext& ctx, BitReader& r, PlaceObject& out) {
    const uint8_t version = ctx.version();
    (void)r.u16();  // reserved
    out.allClipEvents = readClipEventFlags(r, version);
    while (!r.failed()) {
        uint32_t events = readClipEventFlags(r, version);
        if (events == 0)
            return !r.failed();  // ClipActionEndFlag
        ClipAction action;
        action.events = events;
        uint32_t size = r.u32();
        if (events & ClipEvent::KeyPress) {
            if (size == 0)
                return false;
            action.keyCode = r.u8();
            --size;
        }
        if (!ctx.charge(size))
            return false;
        auto bytes = r.bytes(size);
        action.actions.assign(bytes.begin(), bytes.end());
        out.clipActions.push_back(std::move(action));
    }
    return false;
}

}  // namespace

bool readFilterList(ParseContext& ctx, BitReader& r, std::vector<Filter>& out) {
    unsigned count = r.u8();
    for (unsigned i = 0; i < count && !r.failed(); ++i) {
        Filter f;
        uint8_t kind = r.u8();
        switch (kind) {
        case 0:  // drop shadow
            f.kind = FilterKind::DropShadow;
            f.color = readRgba(r);
            f.blurX = r.fixed16();
            f.blurY = r.fixed16();
            f.angle = r.fixed16();
            f.distance = r.fixed16();
            f.strength = r.fixed8();
            readFilterFlags(r, f, false);
            break;
        case 1:  // blur
            f.kind = FilterKind::Blur;
            f.blurX = r.fixed16();
            f.blurY = r.fixed16();
            f.passes = uint8_t(r.ub(5));
            (void)r.ub(3);
            break;
        case 2:  // glow
            f.kind = FilterKind::Glow;
            f.color = readRgba(r);
            f.blurX = r.fixed16();
            f.blurY = r.fixed16();
            f.strength = r.fixed8();
            readFilterFlags(r, f, false);
            break;
        case 3:  // bevel
            f.kind = FilterKind::Bevel;
            f.color = readRgba(r);
            f.highlightColor = readRgba(r);
            f.blurX = r.fixed16();
            f.blurY = r.fixed16();
            f.angle = r.fixed16();
            f.distance = r.fixed16();
            f.strength = r.fixed8();
            readFilterFlags(r, f, true);
            break;
        case 4:    // gradient glow
        case 7: {  // gradient bevel
            f.kind = kind == 4 ? FilterKind::GradientGlow : FilterKind::GradientBevel;
            unsigned colors = r.u8();
            for (unsigned c = 0; c < colors; ++c)
                f.gradientColors.push_back(readRgba(r));
            for (unsigned c = 0; c < colors; ++c)
                f.gradientRatios.push_back(r.u8());
            f.blurX = r.fixed16();
            f.blurY = r.fixed16();
            f.angle = r.fixed16();
            f.distance = r.fixed16();
            f.strength = r.fixed8();
            readFilterFlags(r, f, true);
            break;
        }
        case 5: {  // convolution
            f.kind = FilterKind::Convolution;
            f.matrixX = r.u8();
            f.matrixY = r.u8();
            f.divisor = r.f32();
            f.bias = r.f32();
            size_t cells = size_t(f.matrixX) * f.matrixY;
            if (r.remaining() < cells * 4)
                return r.fail(), false;
            for (size_t c = 0; c < cells; ++c)
                f.matrix.push_back(r.f32());
            f.color = readRgba(r);
            uint8_t flags = r.u8();
            f.clamp = flags & 0x02;
            f.preserveAlpha = flags & 0x01;
            break;
        }
        case 6:  // colour matrix
            f.kind = FilterKind::ColorMatrix;
            for (int c = 0; c < 20; ++c)
                f.matrix.push_back(r.f32());
            break;
        default:
            ctx.problem(ErrorCode::UnknownFilter);
            return false;
        }
        if (!std::isfinite(f.divisor))
            f.divisor = 1.0f;
        out.push_back(std::move(f));
    }
    return !r.failed();
}

moviehost::Expected<PlaceObject, ErrorCode> parsePlaceObject(ParseContext& ctx, BitReader& r, uint8_t placeVersion) {
    PlaceObject out;
    // A reader that failed anywhere means the fields did not fit the tag.
    auto finish = [&]() -> moviehost::Expected<PlaceObject, ErrorCode> {
        if (r.failed())
            return ErrorCode::MalformedTag;
        return std::move(out);
    };
    out.version = placeVersion;
    const uint8_t version = ctx.version();
    if (placeVersion == 1) {
        out.characterId = r.u16();
        out.depth = r.u16();
        out.matrix = readMatrix(r);
        if (!r.failed() && r.remaining() > 0)
            out.colorTransform = readColorTransform(r);
        return finish();
    }
    uint8_t flags = r.u8();
    uint8_t flags2 = placeVersion >= 3 ? r.u8() : 0;
    out.depth = r.u16();
    out.move = flags & 0x01;
    bool hasCharacter = flags & 0x02;
    bool hasImage = flags2 & 0x10;
    if ((flags2 & 0x08) || (hasImage && hasCharacter))
        out.className = r.string(version);
    if (hasCharacter)
        out.characterId = r.u16();
    if (flags & 0x04)
        out.matrix = readMatrix(r);
    if (flags & 0x08)
        out.colorTransform = readColorTransformAlpha(r);
    if (flags & 0x10)
        out.ratio = r.u16();
    if (flags & 0x20)
        out.name = r.string(version);
    if (flags & 0x40)
        out.clipDepth = r.u16();
    if (r.failed())
        return ErrorCode::MalformedTag;
    if (flags2 & 0x01) {
        std::vector<Filter> filters;
        bool complete = readFilterList(ctx, r, filters);
        out.filters = std::move(filters);
        if (!complete)
            return finish();  // an unknown filter hides the fields after it: keep what came before
    }
    if (flags2 & 0x02)
        out.blendMode = blendModeFromByte(r.u8());
    if (flags2 & 0x04)
        out.cacheAsBitmap = r.u8() != 0;
    if (flags2 & 0x20)
        out.visible = r.u8() != 0;
    if (flags2 & 0x40)
        out.backgroundColor = readRgba(r);
    if (flags & 0x80) {
        if (!readClipActions(ctx, r, out))
            r.fail();
    }
    return finish();
}

}  // namespace swf
