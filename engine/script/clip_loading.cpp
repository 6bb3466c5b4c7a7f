#include "script/clip_loading.h"

#include "script/broadcaster.h"
#include "script/clip_events.h"
#include "script/conversions.h"
#include "script/frame_runner.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/net_session.h"
#include "script/runtime.h"
#include "script/stage_object.h"

#include "bitmap/bitmap_data.h"
#include "net/location.h"
#include "swf/image_decoder.h"
#include "swf/movie.h"

#include <array>

namespace script {

namespace {

// A loaded image's pixels, owned by the drawing that shows them.
class LoadedImage final : public model::FillBitmap {
public:
    explicit LoadedImage(swf::Bitmap bitmap) : m_bitmap(std::move(bitmap)) {}
    [[nodiscard]] const uint32_t* pixels() const override { return m_bitmap.pixels.data(); }
    [[nodiscard]] int32_t width() const override { return int32_t(m_bitmap.width); }
    [[nodiscard]] int32_t height() const override { return int32_t(m_bitmap.height); }
    [[nodiscard]] uint64_t version() const override { return 1; }

private:
    swf::Bitmap m_bitmap;
};

// What loaded content shows before its first frame: nothing.
const swf::Timeline& emptyTimeline() {
    static const swf::Timeline empty;
    return empty;
}

std::optional<swf::Bitmap> decodeImage(std::span<const uint8_t> bytes) {
    // The largest bitmap a version 10 player makes.
    const bitmap::SizeLimits limits;
    const swf::ImageBudget budget = [&](uint64_t w, uint64_t h) {
        return w <= uint64_t(limits.maxSide) && h <= uint64_t(limits.maxSide) && w * h <= uint64_t(limits.maxPixels);
    };
    swf::Bitmap out;
    switch (swf::sniffImageFormat(bytes)) {
    case swf::ImageFormat::Jpeg:
        swf::decodeJpeg(bytes, budget, out);
        break;
    case swf::ImageFormat::Png:
        swf::decodePng(bytes, budget, out);
        break;
    case swf::ImageFormat::Gif:
        swf::decodeGif(bytes, budget, out);
        break;
    case swf::ImageFormat::Unknown:
        return std::nullopt;
    }
    if (!out.ok())
        return std::nullopt;
    return out;
}

void clearVariables(Runtime& rt, StageObject& clip) {
    for (const String& name : enumerableNames(rt, &clip))
        (void)deleteProperty(rt, &clip, name.view());
}

void emptyClip(Runtime& rt, StageObject& object) {
    model::MovieClip* clip = object.clip();
    if (!clip)
        return;
    if (rt.drag.object == &object)
        rt.drag = {};
    clearVariables(rt, object);
    clearLoadedOrigin(object);
    clip->replaceTimeline(emptyTimeline());
}

void showImage(model::MovieClip& clip, swf::Bitmap image) {
    const double w = image.width * 20.0;
    const double h = image.height * 20.0;
    swf::FillStyle style;
    style.kind = swf::FillKind::ClippedBitmap;
    style.smoothed = false;
    style.matrix = {20.0, 0.0, 0.0, 20.0, 0.0, 0.0};
    model::Drawing& d = clip.drawing();
    d.beginFill(style, std::make_shared<LoadedImage>(std::move(image)));
    d.lineTo(w, 0);
    d.lineTo(w, h);
    d.lineTo(0, h);
    d.endFill();
}

void tell(Runtime& rt, Object* listener, std::u16string_view event, std::span<const Value> args) {
    if (listener)
        broadcastEvent(rt, listener, event, args);
}

void fail(Runtime& rt, Object* clip, Object* listener, std::u16string_view code, int httpStatus) {
    const std::array<Value, 3> args{Value(clip), Value(String(code)), Value(double(httpStatus))};
    tell(rt, listener, u"onLoadError", args);
}

}  // namespace

std::optional<uint32_t> parseLevel(std::u16string_view name) {
    constexpr std::u16string_view Prefix = u"_level";
    if (name.size() <= Prefix.size() || !equalsFolded(name.substr(0, Prefix.size()), Prefix))
        return std::nullopt;
    uint32_t n = 0;
    for (char16_t c : name.substr(Prefix.size())) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + uint32_t(c - u'0');
        if (n > MaxLevel)
            return std::nullopt;
    }
    return n;
}

StageObject* levelClip(Runtime& rt, uint32_t level, bool create) {
    if (level == 0)
        return rt.rootObject();
    if (level > MaxLevel)
        return nullptr;
    model::MovieClip& root = rt.root();
    const int32_t depth = LevelDepthBase + int32_t(level);
    if (model::DisplayObject* existing = root.displayList().at(depth))
        return rt.objectFor(*existing);
    if (!create)
        return nullptr;
    auto clip = root.createEmptyClip(depth, std::string());
    return clip ? rt.objectFor(*clip) : nullptr;
}

std::optional<uint32_t> levelOf(const model::DisplayObject& object) {
    if (const auto* clip = object.as<model::MovieClip>(); clip && clip->isRoot())
        return 0;
    const model::MovieClip* parent = object.parentClip();
    if (!parent || !parent->isRoot() || object.depth() < LevelDepthBase)
        return std::nullopt;
    return uint32_t(object.depth() - LevelDepthBase);
}

StageObject* rootFor(Runtime& rt, StageObject* base) {
    for (model::DisplayObject* d = base ? base->display() : nullptr; d; d = d->parent()) {
        if (auto level = levelOf(*d))
            return *level == 0 ? rt.rootObject() : rt.objectFor(*d);
        // Only clips that scripts touched can have _lockroot set.
        const auto* link = static_cast<StageLink*>(d->scriptData());
        if (link && link->object() && d->as<model::MovieClip>() &&
            toBoolean(rt, getProperty(rt, link->object(), u"_lockroot")))
            return link->object();
    }
    return rt.rootObject();
}

bool loadIntoClip(Runtime& rt, StageObject& clip, std::u16string_view url, Object* listener,
                  std::optional<std::string> postBody) {
    if (!clip.clip())
        return false;
    if (!rt.net)
        rt.net = std::make_unique<NetSession>(rt);
    (void)rt.net->startMovie(&clip, listener, utf16ToUtf8(url), std::move(postBody));
    return true;
}

void unloadClipContent(Runtime& rt, StageObject& clip) {
    if (rt.net)
        rt.net->cancelFor(&clip);
    if (StageLink* link = clip.link())
        link->loadedBytes = 0;
    emptyClip(rt, clip);
}

void unloadLoadedClip(Runtime& rt, StageObject& clip) {
    Object* listener = rt.net ? rt.net->cancelFor(&clip) : nullptr;
    const model::DisplayObject* d = clip.display();
    if (const auto level = d ? levelOf(*d) : std::nullopt; level && *level > 0)
        removeLevel(rt, clip);
    else
        unloadClipContent(rt, clip);
    if (listener)
        fail(rt, &clip, listener, LoadNeverCompleted, 0);
}

void removeLevel(Runtime& rt, StageObject& level) {
    if (rt.net)
        rt.net->cancelFor(&level);
    model::DisplayObject* d = level.display();
    if (!d || !levelOf(*d) || *levelOf(*d) == 0)
        return;
    if (rt.drag.object == &level)
        rt.drag = {};
    if (model::MovieClip* clip = level.clip())
        clip->silenceLoadedMovie();
    (void)rt.root().removeChild(d->depth());
}

std::optional<std::pair<uint64_t, uint64_t>> clipProgress(Runtime& rt, StageObject& clip) {
    if (rt.net) {
        if (auto running = rt.net->progressOf(&clip))
            return running;
    }
    const StageLink* link = clip.link();
    if (!link || link->loadedBytes == 0)
        return std::nullopt;
    return std::pair{link->loadedBytes, link->loadedBytes};
}

void clipLoadStarted(Runtime& rt, Object* clip, Object* listener) {
    const Value target(clip);
    tell(rt, listener, u"onLoadStart", std::span<const Value>(&target, 1));
}

void clipLoadProgress(Runtime& rt, Object* clip, Object* listener, uint64_t loaded, uint64_t total) {
    const std::array<Value, 3> args{Value(clip), Value(double(loaded)), Value(double(total))};
    tell(rt, listener, u"onLoadProgress", args);
}

void clipLoadFinished(Runtime& rt, Object* target, Object* listener,
                      const moviehost::Expected<net::FetchResponse, net::FetchError>& result) {
    auto* object = dynamic_cast<StageObject*>(target);
    if (!result) {
        // Cut off by the size or time limit: it began but never ended.
        const auto kind = result.error().kind;
        const bool cutOff = kind == net::FetchError::Kind::TooLarge || kind == net::FetchError::Kind::TimedOut;
        fail(rt, target, listener, cutOff ? LoadNeverCompleted : UrlNotFound, result.error().httpStatus);
        return;
    }
    const std::string& body = result->body;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(body.data()), body.size());
    std::optional<swf::Bitmap> image;
    std::shared_ptr<const swf::Movie> movie;
    if (auto parsed = swf::parseMovie(bytes); parsed && !parsed.value()->usesActionScript3())
        movie = parsed.value();
    else if (!parsed)
        image = decodeImage(bytes);
    if (!object || !object->clip() || (!image && !movie)) {
        // Gone while loading, a movie of the other script machine, or bytes
        // that are neither a movie nor an image.
        fail(rt, target, listener, LoadNeverCompleted, result->httpStatus);
        return;
    }
    const std::array<Value, 2> complete{Value(target), Value(double(result->httpStatus))};
    tell(rt, listener, u"onLoadComplete", complete);
    if (!object->clip())
        return;  // a listener removed it
    auto keep = object->display()->shared_from_this();
    emptyClip(rt, *object);
    // Its scripts belong to where it came from, from its first frame on.
    setLoadedOrigin(rt, *object, result->finalLocation);
    if (movie) {
        if (!object->clip()->loadMovie(movie)) {
            fail(rt, target, listener, LoadNeverCompleted, result->httpStatus);
            return;
        }
        // Its query string passes parameters, as the host's movie gets them.
        for (const auto& [name, value] : net::queryVariables(result->finalLocation))
            setMember(rt, Value(target), utf8ToUtf16(name), Value(rt.makeStringUtf8(value)));
        // Its first frame's scripts run before anyone hears it is there.
        FrameRunner(rt).drain(false);
    } else {
        showImage(*object->clip(), std::move(*image));
    }
    if (StageLink* link = object->link())
        link->loadedBytes = body.size();
    runClipEvent(rt, *object->display(), ClipEvent{swf::ClipEvent::Load, u"onLoad"});
    const Value init(target);
    tell(rt, listener, u"onLoadInit", std::span<const Value>(&init, 1));
}

std::optional<swf::Bitmap> decodeLoadedImage(std::span<const uint8_t> bytes) { return decodeImage(bytes); }

void showLoadedImage(model::MovieClip& clip, swf::Bitmap image) { showImage(clip, std::move(image)); }

}  // namespace script
