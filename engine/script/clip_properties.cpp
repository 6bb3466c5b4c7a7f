// Reading and writing the numbered properties of display objects.
#include "script/clip_properties.h"

#include "script/conversions.h"
#include "script/movie_origins.h"
#include "script/runtime.h"
#include "script/stage_object.h"

#include "model/transform.h"

#include <array>
#include <cmath>

namespace script {

namespace {

constexpr std::array<std::u16string_view, ClipPropertyCount> Names = {
    u"_x",          u"_y",     u"_xscale",      u"_yscale",    u"_currentframe", u"_totalframes",  u"_alpha",
    u"_visible",    u"_width", u"_height",      u"_rotation",  u"_target",       u"_framesloaded", u"_name",
    u"_droptarget", u"_url",   u"_highquality", u"_focusrect", u"_soundbuftime", u"_quality",      u"_xmouse",
    u"_ymouse",
};

swf::Point localMouse(Runtime& rt, const model::DisplayObject& d) {
    swf::Point p = rt.input.mouse;
    if (auto host = rt.host.mousePosition())
        p = *host;
    auto inverse = model::invert(d.concatenatedMatrix());
    return inverse ? model::apply(*inverse, p) : swf::Point{};
}

// The quality is the player's: the container draws at what a script chose.
void setQuality(Runtime& rt, std::u16string_view name) {
    if (rt.quality.view() == name)
        return;
    rt.quality = String(std::u16string(name));
    if (rt.qualityChanged)
        rt.qualityChanged(name);
}

}  // namespace

std::u16string_view clipPropertyName(int32_t index) {
    return index >= 0 && index < ClipPropertyCount ? Names[size_t(index)] : std::u16string_view();
}

std::optional<int32_t> clipPropertyIndex(std::u16string_view name, bool caseSensitive) {
    if (name.size() < 2 || name[0] != u'_')
        return std::nullopt;
    for (int32_t i = 0; i < ClipPropertyCount; ++i) {
        if (namesMatch(name, Names[size_t(i)], caseSensitive))
            return i;
    }
    return std::nullopt;
}

Value getClipProperty(Runtime& rt, StageObject& object, int32_t index) {
    model::DisplayObject* d = object.display();
    if (!d)
        return Value();
    model::MovieClip* clip = d->as<model::MovieClip>();
    switch (index) {
    case 0:
        return Value(d->x());
    case 1:
        return Value(d->y());
    case 2:
        return Value(d->xScale());
    case 3:
        return Value(d->yScale());
    case 4:
        return clip ? Value(double(clip->currentFrame() + 1)) : Value(1.0);
    case 5:
        return clip ? Value(double(clip->totalFrames())) : Value(1.0);
    case 6:
        return Value(d->alpha());
    case 7:
        return rt.version <= 4 ? Value(d->isVisible() ? 1.0 : 0.0) : Value::fromBool(d->isVisible());
    case 8:
        return Value(d->width());
    case 9:
        return Value(d->height());
    case 10:
        return Value(d->rotation());
    case 11:
        return Value(rt.makeString(slashPath(object)));
    case 12:
        return clip ? Value(double(clip->totalFrames())) : Value(1.0);
    case 13:
        return Value(rt.makeStringUtf8(d->name()));
    case 14:
        return Value(object.dropTarget());
    case 15: {
        // A loaded movie's own location; the root's as the host gave it.
        const MovieOrigin& movie = movieOf(rt, d);
        return Value(isRootMovie(rt, movie) ? rt.makeString(rt.movieUrl()) : rt.makeStringUtf8(movie.location.url()));
    }
    case 16:
        return Value(rt.quality == u"LOW" ? 0.0 : 1.0);
    case 17:
        // Version 6 on: a button or clip may override the global setting.
        if (const auto own = object.focusRect(); own && rt.version >= 6)
            return Value::fromBool(*own);
        return Value(rt.focusRect ? 1.0 : 0.0);
    case 18:
        return Value(rt.soundBufferTime);
    case 19:
        return Value(rt.quality);
    case 20:
        return Value(std::round(localMouse(rt, *d).x / 20.0));
    case 21:
        return Value(std::round(localMouse(rt, *d).y / 20.0));
    default:
        return Value();
    }
}

bool setClipProperty(Runtime& rt, StageObject& object, int32_t index, const Value& value) {
    model::DisplayObject* d = object.display();
    if (!d || index < 0 || index >= ClipPropertyCount)
        return false;
    switch (index) {
    case 0:
        d->setX(toNumber(rt, value));
        return true;
    case 1:
        d->setY(toNumber(rt, value));
        return true;
    case 2:
        d->setXScale(toNumber(rt, value));
        return true;
    case 3:
        d->setYScale(toNumber(rt, value));
        return true;
    case 6:
        d->setAlpha(toNumber(rt, value));
        return true;
    case 7:
        d->setVisible(toBoolean(rt, value));
        return true;
    case 8:
        d->setWidth(toNumber(rt, value));
        return true;
    case 9:
        d->setHeight(toNumber(rt, value));
        return true;
    case 10:
        d->setRotation(toNumber(rt, value));
        return true;
    case 13:
        if (const auto* clip = d->as<model::MovieClip>(); clip && clip->isRoot())
            return false;
        d->setName(toString(rt, value).utf8());
        return true;
    case 16: {
        double n = toNumber(rt, value);
        setQuality(rt, n == 0 ? u"LOW" : n >= 2 ? u"BEST" : u"HIGH");
        return true;
    }
    case 17:
        if (const auto* clip = d->as<model::MovieClip>(); rt.version >= 6 && !(clip && clip->isRoot()))
            object.setFocusRect(value.isNullish() ? std::nullopt : std::optional(toBoolean(rt, value)));
        else
            rt.focusRect = toBoolean(rt, value);
        return true;
    case 18: {
        double n = toNumber(rt, value);
        if (std::isfinite(n) && n >= 0)
            rt.soundBufferTime = n;
        return true;
    }
    case 19: {
        String q = toString(rt, value);
        std::u16string upper(q.view());
        for (char16_t& c : upper) {
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - 32);
        }
        if (upper == u"LOW" || upper == u"MEDIUM" || upper == u"HIGH" || upper == u"BEST")
            setQuality(rt, upper);
        return true;
    }
    default:
        return false;  // read-only
    }
}

}  // namespace script
