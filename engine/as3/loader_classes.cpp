// flash.display.Loader, LoaderInfo and AVM1Movie.
//
// A Loader loads through the player's NetLoads (net_loads.h), so its
// content lands between frames; its contentLoaderInfo hears open,
// progress, httpStatus, then init and complete once the content is its
// child, or ioError / securityError. What the bytes are decides the
// content: a JPEG, PNG or GIF image is a Bitmap showing a BitmapData of its
// pixels; an ActionScript 1 or 2 movie
// becomes an AVM1Movie whose clip plays the movie's timeline, its scripts
// run by an engine of its own (avm1_movies.h). An
// ActionScript 3 movie's blocks load into a domain of its own (a child of
// the loading code's, or the one LoaderContext.applicationDomain gives) and
// its document class is built over a clip showing it (see buildScriptMovie).
//
// The main movie's LoaderInfo answers from the stage and the player.
#include "as3/avm1_movies.h"
#include "as3/bitmap_classes.h"
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/net_classes.h"
#include "as3/net_loads.h"

#include "as3/display_binding.h"
#include "as3/movie_security.h"

#include "avm2/byte_array.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "bitmap/bitmap_surface.h"

#include "net/location.h"
#include "net/script_access.h"

#include "script/clip_loading.h"

#include "swf/container.h"
#include "swf/image_decoder.h"
#include "swf/movie.h"

#include <algorithm>
#include <functional>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

constexpr const char16_t* Display = u"flash.display";
// The key in a Loader's `stored` of its contentLoaderInfo.
constexpr const char16_t* ContentInfoKey = u" contentLoaderInfo";

enum class ContentKind : uint8_t { None, Image, Movie };

struct InfoState final : DispatcherState, LoadClient {
    bool main = false;  // the main movie's
    Value loader;
    Value content;
    Value parameters;
    Value sharedEvents;
    std::u16string url;  // as resolved; empty before a load
    double loaded = 0;
    double total = 0;
    ContentKind kind = ContentKind::None;
    int32_t width = 0;
    int32_t height = 0;
    double frameRate = 0;
    int32_t swfVersion = 0;
    int32_t scriptVersion = 0;
    std::u16string contentType;
    // LoaderInfo.bytes: a movie as an uncompressed file, an image as it came.
    std::shared_ptr<const std::vector<uint8_t>> file;
    net::RequestId request = 0;
    bool opened = false;
    bool fromBytes = false;  // loadBytes: the content is of the loading movie's security domain
    // Where the content came from, and the movie whose code loaded it.
    std::shared_ptr<net::MovieOrigin> origin;
    std::shared_ptr<net::MovieOrigin> loaderOrigin;
    // Where a loaded ActionScript 3 movie's definitions go: the domain
    // LoaderContext gave, else a new child of the loading code's domain.
    avm2::Domain* givenDomain = nullptr;
    avm2::Domain* parentDomain = nullptr;
    avm2::Domain* domain = nullptr;  // the loaded movie's

    void trace(avm2::Tracer& tracer) const override {
        DispatcherState::trace(tracer);
        tracer.value(loader);
        tracer.value(content);
        tracer.value(parameters);
        tracer.value(sharedEvents);
    }

    void reset() {
        content = Value();
        kind = ContentKind::None;
        width = height = swfVersion = scriptVersion = 0;
        frameRate = 0;
        contentType.clear();
        file.reset();
        domain = nullptr;
        loaded = total = 0;
        opened = false;
        origin.reset();
    }

    void send(Machine& m, Value self, Value event) {
        Machine::Pin keep(m, event);
        (void)dispatch(m, self.asObject(), event);
    }

    void loadProgress(Machine& m, Value self, uint64_t bytes, uint64_t of) override {
        if (!std::exchange(opened, true))
            send(m, self, makeEvent(m, u"open"));
        loaded = double(bytes);
        total = double(of);
        send(m, self, makeProgressEvent(m, bytes, of));
    }

    void fail(Machine& m, Value self, const char16_t* className, const char16_t* type, int32_t id,
              const std::u16string& text) {
        dispatchErrorEvent(m, self.asObject(), makeErrorEvent(m, className, type, text, id));
    }

    void loadFinished(Machine& m, Value self, const FetchResult& result) override;
    // The content is the loader's child: init, then complete.
    void finish(Machine& m, Value self, Value made, const std::string& where);
};

InfoState& infoOf(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<InfoState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.display.LoaderInfo.");
    return *s;
}

// Scripts cannot make a LoaderInfo; the player and Loader can.
thread_local bool makingInfo = false;

Value loaderInfoInit(Machine& m, Value self, std::span<const Value>) {
    if (!makingInfo && hostContext(m).held.loaderInfo.isObject())
        m.throwError("ArgumentError", 2012, u"LoaderInfo$ class cannot be instantiated.");
    auto s = std::make_unique<InfoState>();
    s->main = !hostContext(m).held.loaderInfo.isObject() && !makingInfo;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

Value makeInfo(Machine& m, Value loader) {
    makingInfo = true;
    struct Reset {
        ~Reset() { makingInfo = false; }
    } reset;
    const Value info = m.construct(Value::object(m.coreClass(Display, u"LoaderInfo")), {});
    infoOf(m, info).loader = loader;
    return info;
}

[[noreturn]] void notLoaded(Machine& m) {
    m.throwError("Error", 2099, u"The loading object is not sufficiently loaded to provide this information.");
}
[[noreturn]] void notMovie(Machine& m) {
    m.throwError("Error", 2098, u"The loading object is not a .swf file, you cannot request SWF properties from it.");
}

// The loaded content's header, for the properties only movies have.
const InfoState& movieInfo(Machine& m, Value t) {
    const InfoState& s = infoOf(m, t);
    if (s.kind == ContentKind::None)
        notLoaded(m);
    if (s.kind != ContentKind::Movie)
        notMovie(m);
    return s;
}

Value infoParameters(Machine& m, Value t, std::span<const Value>) {
    InfoState& s = infoOf(m, t);
    if (s.main)
        return hostContext(m).held.parameters;
    if (!s.parameters.isObject())
        s.parameters = Value::object(m.newObject());
    return s.parameters;
}
Value infoUrl(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (s.main)
        return m.string(hostContext(m).url);
    return s.url.empty() ? Value::null() : m.string(s.url);
}
Value infoLoaderUrl(Machine& m, Value, std::span<const Value>) { return m.string(hostContext(m).url); }
Value infoWidth(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (s.main)
        return Value::fromInt(int32_t(hostContext(m).stage.widthTwips() / 20));
    if (s.kind == ContentKind::None)
        notLoaded(m);
    return Value::fromInt(s.width);
}
Value infoHeight(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (s.main)
        return Value::fromInt(int32_t(hostContext(m).stage.heightTwips() / 20));
    if (s.kind == ContentKind::None)
        notLoaded(m);
    return Value::fromInt(s.height);
}
Value infoFrameRate(Machine& m, Value t, std::span<const Value>) {
    if (infoOf(m, t).main)
        return Value::number(hostContext(m).stage.frameRate());
    return Value::number(movieInfo(m, t).frameRate);
}
Value infoSwfVersion(Machine& m, Value t, std::span<const Value>) {
    if (infoOf(m, t).main)
        return Value::fromInt(hostContext(m).stage.version());
    return Value::fromInt(movieInfo(m, t).swfVersion);
}
Value infoActionScriptVersion(Machine& m, Value t, std::span<const Value>) {
    if (infoOf(m, t).main)
        return Value::fromInt(3);
    return Value::fromInt(movieInfo(m, t).scriptVersion);
}
Value infoBytesLoaded(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    return Value::number(s.main ? double(hostContext(m).stage.movie().header.declaredLength) : s.loaded);
}
Value infoBytesTotal(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    return Value::number(s.main ? double(hostContext(m).stage.movie().header.declaredLength) : s.total);
}
// Content of another origin that did not let the running code in.
void checkContentAccess(Machine& m, const InfoState& s) {
    if (!s.content.isObject() || !s.origin)
        return;
    if (!mayReach(*runningOrigin(m), *s.origin))
        m.throwError("SecurityError", 2121,
                     u"Error #2121: Security sandbox violation: Loader.content: " + hostContext(m).url +
                         u" cannot access " + s.url + u". This may be worked around by calling Security.allowDomain.");
}

Value infoContent(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (s.main)
        return Value::object(hostContext(m).root);
    checkContentAccess(m, s);
    return s.content.isObject() ? s.content : Value::null();
}
Value infoContentType(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (s.main)
        return m.string(u"application/x-shockwave-flash");
    return s.contentType.empty() ? Value::null() : m.string(s.contentType);
}
Value infoLoader(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (!s.loader.isObject())
        return Value::null();
    checkReach(m, s.loader.asObject(), 2121, u"LoaderInfo.loader");
    return s.loader;
}
Value infoSharedEvents(Machine& m, Value t, std::span<const Value>) {
    InfoState& s = infoOf(m, t);
    if (!s.sharedEvents.isObject())
        s.sharedEvents = m.construct(Value::object(m.coreClass(u"flash.events", u"EventDispatcher")), {});
    return s.sharedEvents;
}
// Between the content's movie and the loading one; the main movie is its own.
const InfoState& loadedInfo(Machine& m, Value t) {
    const InfoState& s = infoOf(m, t);
    if (!s.main && (!s.origin || !s.loaderOrigin))
        notLoaded(m);
    return s;
}
Value infoSameDomain(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = loadedInfo(m, t);
    return Value::boolean(s.main || s.origin->location.origin() == s.loaderOrigin->location.origin());
}
Value infoChildAllowsParent(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = loadedInfo(m, t);
    return Value::boolean(s.main || mayReach(*s.loaderOrigin, *s.origin));
}
Value infoParentAllowsChild(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = loadedInfo(m, t);
    return Value::boolean(s.main || mayReach(*s.origin, *s.loaderOrigin));
}
Value infoDomain(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    if (s.main)
        return domainObject(m, m.mainDomain());
    return s.domain ? domainObject(m, s.domain) : Value::null();
}

// The file as a new ByteArray each time; null before anything loaded.
Value infoBytes(Machine& m, Value t, std::span<const Value>) {
    const InfoState& s = infoOf(m, t);
    const std::vector<uint8_t>* file = s.main ? &hostContext(m).stage.movie().file : s.file.get();
    if (!s.main)
        checkContentAccess(m, s);
    if (!file || (s.main && file->empty()))
        return Value::null();
    const Value made = m.construct(Value::object(m.coreClass(u"flash.utils", u"ByteArray")), {});
    Machine::Pin keep(m, made);
    auto* bytes = made.asObject()->nativeAs<avm2::ByteArrayState>();
    avm2::resizeByteArray(m, *bytes, file->size());
    std::copy(file->begin(), file->end(), bytes->bytes.begin());
    return made;
}

const avm2::NativeAccessor InfoAccessors[] = {
    {u"bytes", infoBytes},
    {u"parameters", infoParameters},
    {u"url", infoUrl},
    {u"loaderURL", infoLoaderUrl},
    {u"width", infoWidth},
    {u"height", infoHeight},
    {u"frameRate", infoFrameRate},
    {u"swfVersion", infoSwfVersion},
    {u"actionScriptVersion", infoActionScriptVersion},
    {u"bytesLoaded", infoBytesLoaded},
    {u"bytesTotal", infoBytesTotal},
    {u"content", infoContent},
    {u"contentType", infoContentType},
    {u"sameDomain", infoSameDomain},
    {u"childAllowsParent", infoChildAllowsParent},
    {u"parentAllowsChild", infoParentAllowsChild},
    {u"loader", infoLoader},
    {u"sharedEvents", infoSharedEvents},
    {u"applicationDomain", infoDomain},
};

// --- Loader ---------------------------------------------------------------------

Value infoOfLoader(Machine& m, Value loader) {
    const auto& stored = displayOf(m, loader).stored;
    auto it = stored.find(ContentInfoKey);
    if (it == stored.end())
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.display.Loader.");
    return it->second;
}

Value loaderInit(Machine& m, Value self, std::span<const Value> args) {
    initContainer(m, self, args);
    const Value info = makeInfo(m, self);
    displayOf(m, self).stored[ContentInfoKey] = info;
    return Value();
}

// The content goes, and the info hears unload when there was some.
void unloadContent(Machine& m, Value loader, bool cancel) {
    const Value info = infoOfLoader(m, loader);
    Machine::Pin keep(m, info);
    InfoState& s = infoOf(m, info);
    if (cancel && s.request) {
        netLoads(m).cancel(hostContext(m).held, s.request);
        s.request = 0;
    }
    const Value content = s.content;
    if (!content.isObject())
        return;
    Machine::Pin keepContent(m, content);
    DisplayState& d = displayOf(m, content);
    stopAvm1Movie(hostContext(m), d.object.get());
    if (d.parentObject == loader.asObject())
        removeChildObject(m, loader.asObject(), content.asObject());
    d.stored.erase(LoadedInfoKey);
    s.reset();
    s.send(m, info, makeEvent(m, u"unload"));
}

// LoaderContext.applicationDomain, when the context gives one.
avm2::Domain* contextDomain(Machine& m, Value context) {
    if (!context.isObject())
        return nullptr;
    const Value domain = m.getMember(context, u"applicationDomain");
    return domain.isNullish() ? nullptr : domainOf(m, domain);
}

void startLoad(Machine& m, Value loader, std::u16string url, Value context,
               const std::function<net::RequestId(Value)>& start) {
    avm2::Domain* given = contextDomain(m, context);
    unloadContent(m, loader, true);
    const Value info = infoOfLoader(m, loader);
    InfoState& s = infoOf(m, info);
    s.reset();
    s.givenDomain = given;
    s.parentDomain = m.runningDomain();
    s.url = std::move(url);
    s.parameters = Value();
    s.loaderOrigin = runningOrigin(m);
    s.fromBytes = false;
    s.request = start(info);
}

Value loaderLoad(Machine& m, Value self, std::span<const Value> args) {
    const RequestParts parts = requestParts(m, argument(args, 0));
    NetLoads& loads = netLoads(m);
    startLoad(m, self, avm2::utf8ToUtf16(loads.resolvedUrl(parts.url)), argument(args, 1),
              [&](Value info) { return loads.start(hostContext(m).held, info, parts); });
    return Value();
}

// An uncompressed, zlib or LZMA movie header.
bool looksLikeMovie(std::span<const uint8_t> bytes) {
    return bytes.size() >= 3 && (bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z') && bytes[1] == 'W' &&
           bytes[2] == 'S';
}

// LoaderContext.allowCodeImport, or AIR's allowLoadBytesCodeExecution,
// set false: loadBytes takes no movie.
bool allowsCodeImport(Machine& m, Value context) {
    if (!context.isObject())
        return true;
    for (const char16_t* name : {u"allowCodeImport", u"allowLoadBytesCodeExecution"}) {
        const Value v = m.getMember(context, name);
        if (!v.isUndefined() && !avm2::toBoolean(v))
            return false;
    }
    return true;
}

Value loaderLoadBytes(Machine& m, Value self, std::span<const Value> args) {
    const Value bytes = argument(args, 0);
    const auto* data = bytes.isObject() ? bytes.asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    if (!data)
        m.throwError("TypeError", 2007, u"Parameter bytes must be non-null.");
    const Value context = argument(args, 1);
    if (!allowsCodeImport(m, context) && looksLikeMovie(data->bytes))
        m.throwError("SecurityError", 3226,
                     u"Error #3226: Cannot import a SWF file when LoaderContext.allowCodeImport "
                     u"is false.");
    // The content is of the loading movie's security domain, named after it.
    const auto origin = runningOrigin(m);
    net::FetchResponse response;
    response.body.assign(data->bytes.begin(), data->bytes.end());
    response.finalLocation = origin->location;
    const std::u16string url = avm2::utf8ToUtf16(origin->location.url()) + u"/[[DYNAMIC]]/" +
                               avm2::numberToString(double(++hostContext(m).dynamicLoads));
    startLoad(m, self, url, context, [&](Value info) {
        infoOf(m, info).fromBytes = true;
        return netLoads(m).finished(hostContext(m).held, info, FetchResult(std::move(response)));
    });
    return Value();
}

Value loaderUnload(Machine& m, Value self, std::span<const Value>) {
    unloadContent(m, self, false);
    return Value();
}
// Stops every timeline of the tree (a stack, not recursion: trees are deep).
void stopTimelines(model::DisplayObject& top) {
    std::vector<model::DisplayObject*> pending{&top};
    while (!pending.empty()) {
        model::DisplayObject* object = pending.back();
        pending.pop_back();
        if (auto* clip = object->as<model::MovieClip>())
            clip->stop();
        if (const model::DisplayList* children = object->children()) {
            for (const auto& [depth, child] : *children)
                pending.push_back(child.get());
        }
    }
}

// As unload, after stopping the content's timelines and every sound its
// movie started (unload alone leaves event sounds playing).
Value loaderUnloadAndStop(Machine& m, Value self, std::span<const Value>) {
    const Value content = infoOf(m, infoOfLoader(m, self)).content;
    if (content.isObject()) {
        if (const auto& object = displayOf(m, content).object) {
            stopTimelines(*object);
            if (auto* clip = object->as<model::MovieClip>())
                clip->silenceLoadedMovie();
        }
    }
    unloadContent(m, self, true);
    return Value();
}

Value loaderClose(Machine& m, Value self, std::span<const Value>) {
    InfoState& s = infoOf(m, infoOfLoader(m, self));
    if (s.request) {
        netLoads(m).cancel(hostContext(m).held, s.request);
        s.request = 0;
    }
    return Value();
}
Value loaderContent(Machine& m, Value self, std::span<const Value>) {
    const InfoState& s = infoOf(m, infoOfLoader(m, self));
    checkContentAccess(m, s);
    return s.content.isObject() ? s.content : Value::null();
}
Value loaderContentInfo(Machine& m, Value self, std::span<const Value>) { return infoOfLoader(m, self); }

// A Loader's one child is its content; scripts cannot change that.
Value loaderRefuses(Machine& m, Value, std::span<const Value>) {
    m.throwError("IllegalOperationError", 2069, u"The Loader class does not implement this method.");
}

const avm2::NativeMember LoaderMethods[] = {
    {u"load", loaderLoad},
    {u"loadBytes", loaderLoadBytes},
    {u"unload", loaderUnload},
    {u"unloadAndStop", loaderUnloadAndStop},
    {u"close", loaderClose},
    {u"addChild", loaderRefuses},
    {u"addChildAt", loaderRefuses},
    {u"removeChild", loaderRefuses},
    {u"removeChildAt", loaderRefuses},
    {u"setChildIndex", loaderRefuses},
};
const avm2::NativeAccessor LoaderAccessors[] = {{u"content", loaderContent}, {u"contentLoaderInfo", loaderContentInfo}};

const char16_t* imageType(std::span<const uint8_t> bytes) {
    switch (swf::sniffImageFormat(bytes)) {
    case swf::ImageFormat::Jpeg:
        return u"image/jpeg";
    case swf::ImageFormat::Png:
        return u"image/png";
    case swf::ImageFormat::Gif:
        return u"image/gif";
    case swf::ImageFormat::Unknown:
        break;
    }
    return u"";
}

// An ActionScript 3 movie's content: its blocks load into its domain
// (definitions its parents have keep theirs), its document class is built
// over a clip showing the movie. Undefined, reported, when a block or the
// class fails.
Value buildScriptMovie(Machine& m, const std::shared_ptr<const swf::Movie>& movie, Value info, avm2::Domain* domain) {
    HostContext& ctx = hostContext(m);
    std::u16string documentClass;
    // An unloaded movie's address may come back for this one: start afresh so
    // no link of the old library survives.
    auto& library = ctx.loadedSymbolClasses[movie.get()];
    library = {};
    std::erase_if(ctx.linkedTraits, [&](const auto& entry) { return entry.second.movie == movie.get(); });
    library.domain = domain;
    auto& symbols = library.classes;
    for (const swf::Frame& frame : movie->root.frames) {
        for (const swf::ControlTag& tag : frame.tags) {
            if (const auto* linked = std::get_if<swf::SymbolClass>(&tag)) {
                for (const auto& [id, name] : linked->symbols) {
                    if (id == 0 && documentClass.empty())
                        documentClass = avm2::utf8ToUtf16(name);
                    else if (id != 0)
                        symbols.emplace(id, avm2::utf8ToUtf16(name));
                }
            }
        }
    }
    auto report = [&](const std::u16string& what) {
        ctx.host.scriptError({script::ScriptErrorKind::MalformedActions, u"ActionScript 3: a loaded movie: " + what});
    };
    for (const swf::Frame& frame : movie->root.frames) {
        for (const swf::ControlTag& tag : frame.tags) {
            const auto* block = std::get_if<swf::DoAbc>(&tag);
            if (!block)
                continue;
            auto loaded = m.load(block->abc, domain);
            if (!loaded) {
                report(avm2::utf8ToUtf16(loaded.error().describe()));
                return Value();
            }
            // Its code speaks for where the movie came from.
            ctx.fileOrigins[*loaded] = infoOf(m, info).origin;
            if (block->lazy())
                continue;
            if (auto entry = m.runEntry(**loaded); !entry) {
                report(avm2::utf8ToUtf16(entry.error().what));
                return Value();
            }
        }
    }
    std::shared_ptr<model::DisplayObject> object = newModelClip(m);
    auto* clip = object->as<model::MovieClip>();
    if (!clip || !clip->loadMovie(movie))
        return Value();
    library.root = object;
    Value c = Value::object(m.coreClass(Display, u"MovieClip"));
    if (!documentClass.empty()) {
        c = m.findDefinitionByName(documentClass, domain);
        if (!c.isObject() || !dynamic_cast<avm2::ClassObject*>(c.asObject())) {
            report(u"Variable " + documentClass + u" is not defined.");
            return Value();
        }
    }
    // The object the class makes binds to the movie's clip.
    ctx.pendingObject = std::move(object);
    ctx.pendingInfo = info;
    struct Clear {
        HostContext& ctx;
        ~Clear() {
            ctx.pendingObject.reset();
            ctx.pendingInfo = Value();
        }
    } clear{ctx};
    return m.construct(c, {});
}

void InfoState::loadFinished(Machine& m, Value self, const FetchResult& result) {
    request = 0;
    const std::string where = avm2::utf16ToUtf8(url);
    if (!result) {
        if (result.error().kind == net::FetchError::Kind::Http)
            send(m, self, makeStatusEvent(m, result.error().httpStatus));
        const LoadFailure failure = loadFailure(result.error(), where, true);
        fail(m, self, failure.className, failure.type, failure.id, failure.text);
        return;
    }
    const std::string& body = result->body;
    if (!opened || loaded != double(body.size()))
        loadProgress(m, self, body.size(), body.size());
    send(m, self, makeStatusEvent(m, result->httpStatus));
    const Value loaderObject = loader;
    if (request)
        return;  // a listener started another load
    if (!loaderObject.isObject() || content.isObject())
        return;  // a listener loaded again or unloaded meanwhile
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(body.data()), body.size());
    const std::u16string where16 = avm2::utf8ToUtf16(where);
    origin = fromBytes && loaderOrigin
                 ? loaderOrigin
                 : std::make_shared<net::MovieOrigin>(net::MovieOrigin{result->finalLocation, {}});
    Value made;
    if (auto movie = swf::parseMovie(bytes)) {
        // A movie the display list could not hold below the Loader (one
        // that loads itself, each copy deeper) fails before any of its code
        // runs, so that the copies stop there.
        const model::DisplayObject* holder = displayOf(m, loaderObject).object.get();
        if (holder && holder->nesting() + 2 > hostContext(m).stage.limits().maxNesting) {
            fail(m, self, u"IOErrorEvent", u"ioError", 2036, u"Error #2036: Load Never Completed. URL: " + where16);
            return;
        }
        const std::shared_ptr<const swf::Movie>& parsed = *movie;
        kind = ContentKind::Movie;
        if (parsed->usesActionScript3())
            file = std::shared_ptr<const std::vector<uint8_t>>(parsed, &parsed->file);
        else if (auto opened = swf::openContainer(bytes, swf::ParseOptions{}.maxMovieBytes))
            file = std::make_shared<const std::vector<uint8_t>>(swf::uncompressedFile(*opened));
        width = int32_t(parsed->header.stage.width() / 20);
        height = int32_t(parsed->header.stage.height() / 20);
        frameRate = parsed->header.frameRate();
        swfVersion = parsed->header.version;
        scriptVersion = parsed->usesActionScript3() ? 3 : 2;
        contentType = u"application/x-shockwave-flash";
        if (parsed->usesActionScript3()) {
            // Another origin's movie is another security domain: its classes
            // never mix with the loader's, whatever the context asked.
            const bool foreign = loaderOrigin && origin->location.origin() != loaderOrigin->location.origin();
            if (foreign)
                domain = m.newDomain(m.systemDomain());
            else
                domain = givenDomain ? givenDomain : m.newDomain(parentDomain);
            if (domain)
                made = buildScriptMovie(m, parsed, self, domain);
            if (!made.isObject()) {
                kind = ContentKind::None;
                fail(m, self, u"IOErrorEvent", u"ioError", 2036, u"Error #2036: Load Never Completed. URL: " + where16);
                return;
            }
            finish(m, self, made, where);
            return;
        }
        made = m.construct(Value::object(m.coreClass(Display, u"AVM1Movie")), {});
        Machine::Pin keep(m, made);
        model::MovieClip* clip = displayOf(m, made).clip();
        if (!clip || !clip->loadMovie(parsed)) {
            kind = ContentKind::None;
            fail(m, self, u"IOErrorEvent", u"ioError", 2036, u"Error #2036: Load Never Completed. URL: " + where16);
            return;
        }
    } else if (auto image = script::decodeLoadedImage(bytes)) {
        // An image is a Bitmap showing a BitmapData of its pixels.
        auto pixels = bitmap::fromCharacter(*image, true, {bitmap::MaxCoordinate, int64_t(bitmap::MaxCoordinate)});
        if (!pixels) {
            fail(m, self, u"IOErrorEvent", u"ioError", 2036, u"Error #2036: Load Never Completed. URL: " + where16);
            return;
        }
        const Value data = makeBitmapData(m, std::move(*pixels));
        Machine::Pin keepData(m, data);
        made = m.construct(Value::object(m.coreClass(Display, u"Bitmap")), std::span<const Value>(&data, 1));
        kind = ContentKind::Image;
        file = std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
        width = int32_t(image->width);
        height = int32_t(image->height);
        contentType = imageType(bytes);
    } else {
        fail(m, self, u"IOErrorEvent", u"ioError", 2124, u"Error #2124: Loaded file is an unknown type.");
        return;
    }
    finish(m, self, made, where);
}

void InfoState::finish(Machine& m, Value self, Value made, const std::string& where) {
    Machine::Pin keepMade(m, made);
    content = made;
    displayOf(m, made).stored[LoadedInfoKey] = self;
    if (auto location = net::resolveLocation(netLoads(m).movie(), where); location) {
        Object* query = m.newObject();
        parameters = Value::object(query);
        for (const auto& [name, value] : net::queryVariables(*location))
            query->setOwn(avm2::utf8ToUtf16(name), m.string(avm2::utf8ToUtf16(value)));
    }
    if (loader.isObject()) {
        try {
            addChildAt(m, loader.asObject(), made.asObject(), 0);
        } catch (const avm2::ScriptThrow&) {
            // Too deep for the display list after all: the load fails, heard by its listeners.
            content = Value();
            kind = ContentKind::None;
            fail(m, self, u"IOErrorEvent", u"ioError", 2036,
                 u"Error #2036: Load Never Completed. URL: " + avm2::utf8ToUtf16(where));
            return;
        }
    }
    // Its first frame's scripts run once it is on the display list.
    if (kind == ContentKind::Movie && scriptVersion < 3)
        // Bytes have no place of their own: they load relative to the loader.
        startAvm1Movie(hostContext(m), displayOf(m, made).object,
                       fromBytes && origin ? avm2::utf8ToUtf16(origin->location.url()) : url);
    send(m, self, makeEvent(m, u"init"));
    send(m, self, makeEvent(m, u"complete"));
}

const avm2::CoreClassSpec Classes[] = {
    sealedClass(Display, u"LoaderInfo", u"flash.events.EventDispatcher", loaderInfoInit, {.accessors = InfoAccessors},
                true),
    sealedClass(Display, u"Loader", u"flash.display.DisplayObjectContainer", loaderInit,
                {.methods = LoaderMethods, .accessors = LoaderAccessors}),
    sealedClass(Display, u"AVM1Movie", u"flash.display.DisplayObject", initDisplayObject,
                {.methods = avm1MovieMethods()}),
};

}  // namespace

bool contentInReach(Machine& m, Value info) {
    const auto* s = info.isObject() ? info.asObject()->nativeAs<InfoState>() : nullptr;
    return s && (s->main || !s->origin || mayReach(*runningOrigin(m), *s->origin));
}

std::span<const avm2::CoreClassSpec> loaderClasses() { return Classes; }

std::shared_ptr<net::MovieOrigin> loadedOrigin(Machine&, Value info) {
    const auto* s = info.isObject() ? info.asObject()->nativeAs<InfoState>() : nullptr;
    return s ? s->origin : nullptr;
}

// A text field's <img> of a file: a Loader bound to the image's clip loads
// it there, and is what getImageReference gives for that image.
void loadFieldImage(Machine& m, const std::shared_ptr<model::DisplayObject>& clip, const std::string& url) {
    HostContext& ctx = hostContext(m);
    ctx.pendingObject = clip;
    Value loader;
    try {
        loader = m.construct(Value::object(m.coreClass(u"flash.display", u"Loader")), {});
    } catch (...) {
        ctx.pendingObject.reset();
        throw;
    }
    ctx.pendingObject.reset();
    std::erase_if(ctx.held.fieldImages, [](const auto& e) { return e.second.first.expired(); });
    ctx.held.fieldImages[clip->id()] = {clip, loader};
    RequestParts parts;
    parts.url = url;
    NetLoads& loads = netLoads(m);
    startLoad(m, loader, avm2::utf8ToUtf16(loads.resolvedUrl(parts.url)), Value(),
              [&](Value info) { return loads.start(ctx.held, info, parts); });
}

}  // namespace as3
