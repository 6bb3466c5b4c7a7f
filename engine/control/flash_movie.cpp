// The movie: loading it from a file, its script engine's lifetime, the clock
// that plays it, and telling the site what each step changed.
#include "control/flash_control.h"

#include "control/bstr_text.h"
#include "control/control_error.h"
#include "control/invalidation_bridge.h"
#include "control/movie_file.h"
#include "control/movie_location.h"
#include "control/random_seed.h"

#include "avm2/machine.h"
#include "net/location.h"

#include "platform/wide.h"
#include "render/filter_effects.h"
#include "render/object_drawing.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace control {

namespace {

constexpr LONG ReadyStateUninitialized = 0;
constexpr LONG ReadyStateComplete = 4;

}  // namespace

HRESULT FlashControl::get_Movie(BSTR* pVal) try { return returnBstr(m_movieLocation, pVal, u"Movie"); } catch (...) {
    return failureFromException(u"get_Movie");
}

HRESULT FlashControl::put_Movie(BSTR pVal) try {
    KeepAlive alive(*this);
    return loadMovie(bstrView(pVal));
} catch (...) {
    return failureFromException(u"put_Movie");
}

// Level 0 is the movie itself; other levels (movies stacked over it) are not
// offered.
HRESULT FlashControl::LoadMovie(INT layer, BSTR url) try {
    if (layer != 0)
        return reportError(E_NOTIMPL, u"LoadMovie offers only level 0, the movie itself");
    KeepAlive alive(*this);
    return loadMovie(bstrView(url));
} catch (...) {
    return failureFromException(u"LoadMovie");
}

FlashControl::EngineScope::~EngineScope() {
    if (--m_control.m_engineDepth == 0)
        m_control.m_retired.clear();
}

// The caller has made room in m_retired, so keeping the movie cannot fail.
void FlashControl::retireMovie() noexcept {
    if (m_scriptHost)
        m_scriptHost->detach();
    if (m_engineDepth > 0 && m_engine) {
        m_retired.push_back({std::move(m_sound), std::move(m_stage), std::move(m_scriptHost), std::move(m_engine),
                             std::move(m_player)});
        return;
    }
    m_player.reset();
    m_engine.reset();
    m_scriptHost.reset();
    m_stage.reset();
    m_sound.reset();
}

// Everything that can fail happens before the current movie is touched, so a
// failure leaves it playing as it was. A movie replaced from inside one of
// its own scripts' events (a listener of FSCommand loading another) keeps
// running its script to the end, detached, and goes afterwards.
HRESULT FlashControl::loadMovie(std::u16string_view location) {
    try {
        // A network root arrives later, on the clock; until then the current
        // movie plays on. A newer location replaces one still on its way.
        // On the virtual clock it is waited for here instead (see
        // RemoteMovie::waitsForRoot) and fails as a file would.
        if (auto remote = RemoteMovie::start(location)) {
            if (RemoteMovie::waitsForRoot()) {
                auto arrived = remote->wait();
                auto movie = arrived ? parseMovieBytes(arrived.value(), platform::utf16_to_utf8(location))
                                     : moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure>(
                                           moviehost::Unexpected(arrived.error()));
                if (!movie)
                    return reportError(movie.error());
                m_remoteMovie.reset();
                return showMovie(location, std::move(movie).value());
            }
            m_remoteMovie = std::move(remote);
            if (!m_timer.running() &&
                !m_timer.start(moviehost::FrameRate::fromFraction(PlaybackTimer::DefaultFrameRate, 1))) {
                m_remoteMovie.reset();
                return reportError(E_FAIL, u"the playback timer could not be set");
            }
            return S_OK;
        }
        auto path = filePathOf(location);
        if (!path)
            return reportError(path.error());
        auto loaded = loadMovieFile(path.value());
        if (!loaded)
            return reportError(loaded.error());
        m_remoteMovie.reset();
        return showMovie(location, std::move(loaded).value());
    } catch (const std::bad_alloc&) {
        return reportError(E_OUTOFMEMORY, u"out of memory while loading the movie");
    }
}

void FlashControl::pollRemoteMovie() {
    auto arrived = m_remoteMovie->poll();
    if (!arrived)
        return;
    const std::u16string location = m_remoteMovie->location();
    m_remoteMovie.reset();
    auto movie =
        *arrived
            ? parseMovieBytes(arrived->value(), platform::utf16_to_utf8(location))
            : moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure>(moviehost::Unexpected(arrived->error()));
    if (movie)
        (void)showMovie(location, std::move(movie).value());
    else
        (void)reportError(movie.error());
    if (!m_stage)
        m_timer.stop();  // nothing to play
}

HRESULT FlashControl::showMovie(std::u16string_view location, std::shared_ptr<const swf::Movie> movie) {
    try {
        auto sound = std::make_unique<MovieSound>(movie);
        if (m_soundOutput)
            sound->startOutput();
        auto stage = model::Stage::create(movie, {}, sound.get());
        if (!stage)
            return reportError(E_FAIL, u"the movie could not be set up");
        stage->setFilterMargin(&render::filterMargin);
        syncLayout();  // the control's mode and alignment carry over
        stage->setLayout(m_layout);
        std::u16string newLocation(location);
        auto host = std::make_unique<ScriptHost>(m_events, std::u16string(location));
        host->attachSound(sound.get());
        host->setObjectId(m_objectName);
        host->setAllowScriptAccess(m_allowScriptAccess);
        script::Limits limits;
        limits.randomSeed = randomSeedFromEnvironment(limits.randomSeed);
        auto engine = script::Engine::create(*stage, *host, limits);
        const model::Stage* drawn = stage.get();
        const script::DisplayPainter painter{
            [drawn](cairo_t* cr, const model::DisplayObject& object, const swf::Matrix& toDevice,
                    const swf::ColorTransform& cx) {
                render::paintDisplayObject(cr, *drawn, object, toDevice, cx, render::Quality::High);
            },
            [](std::span<const swf::Filter> filters, uint32_t* pixels, int32_t width, int32_t height, int32_t stride) {
                render::applyFilters(filters, render::PixelView{pixels, width, height, stride});
            },
            &render::filterMargin};
        engine->setDisplayPainter(painter);
        // A query on the location passes parameters: root variables ("a.swf?level=3"), or
        // loaderInfo.parameters for ActionScript 3.
        std::vector<std::pair<std::u16string, std::u16string>> parameters;
        if (auto parsed = net::parseLocation(platform::utf16_to_utf8(location))) {
            for (const auto& [name, value] : net::queryVariables(*parsed))
                parameters.emplace_back(platform::utf8_to_utf16(name), platform::utf8_to_utf16(value));
        }
        std::unique_ptr<as3::Player> player;
        if (stage->usesActionScript3()) {
            player = as3::Player::create(*stage, *host, std::u16string(location), std::move(parameters));
            player->machine().seedRandom(limits.randomSeed);
            player->setDisplayPainter(painter);
        } else {
            for (const auto& [name, value] : parameters)
                (void)engine->setVariable(name, value);
        }
        m_retired.reserve(m_retired.size() + 1);

        if (!m_timer.start(PlaybackTimer::movieRate(stage->frameRate88()))) {
            if (m_stage)
                (void)m_timer.start(PlaybackTimer::movieRate(m_stage->frameRate88()));
            return reportError(E_FAIL, u"the playback timer could not be set");
        }
        EngineScope scope(*this);
        retireMovie();
        m_sound = std::move(sound);
        m_stage = std::move(stage);
        m_scriptHost = std::move(host);
        m_engine = std::move(engine);
        m_player = std::move(player);
        if (m_player) {
            // Stage.frameRate sets the clock (to the millisecond per frame
            // the platform timer keeps anyway).
            m_player->setFrameRateListener([this](double fps) {
                const auto millis = static_cast<std::uint64_t>(std::llround(fps * 1000));
                const auto rate = moviehost::FrameRate::fromFraction(millis, 1000);
                if (m_timer.running())
                    (void)m_timer.start(rate);
                // The sound keeps pace with the frames at the new rate.
                if (m_sound)
                    m_sound->setFrameRate(static_cast<uint32_t>(millis), 1000);
            });
            // Stage.quality is the control's Quality.
            m_player->setQuality(scriptQualityName(m_quality));
            m_player->setQualityListener([this](std::u16string_view name) { takeScriptQuality(name); });
        }
        m_engine->setQuality(scriptQualityName(m_quality));
        m_engine->setQualityListener([this](std::u16string_view name) { takeScriptQuality(name); });
        m_movieLocation = std::move(newLocation);
        // The old movie's paths and bitmaps are of no further use.
        m_renderer.clearCaches();
        applyBackground();
        // The first frame's scripts wait for the first step that follows
        // (see m_firstFrameDue). The first collection reports everything;
        // what the site hears is one invalidation of the whole object.
        m_firstFrameDue = true;
        (void)m_stage->collectChanges();
        invalidateAll();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return reportError(E_OUTOFMEMORY, u"out of memory while loading the movie");
    }
}

// A script stopped on the clock leaves its error in the error object and the
// movie plays on: the next tick starts afresh. The clock calls from the
// container's message loop, so it is guarded like a COM member.
void FlashControl::onTick() try {
    if (m_remoteMovie)
        pollRemoteMovie();
    if (!m_stage || !m_engine || !m_sound)
        return;
    EngineScope scope(*this);
    // The first frame shows before the clock moves on from it: a stop() in
    // its scripts holds the movie there.
    if (m_firstFrameDue)
        runPendingActions();
    // The frame shown until now gets its sound before the next one shows.
    m_sound->beforeTick();
    // Without looping the movie stops on its last frame; clips inside it
    // play on.
    if (!m_loop && m_stage->isPlaying() && m_stage->currentFrame() + 1 >= m_stage->totalFrames())
        m_stage->stop();
    if (m_player)
        m_player->tick();
    else
        m_engine->tick();
    m_sound->afterTick();
    publishChanges();
} catch (...) {
    (void)failureFromException(u"the playback clock");
}

void FlashControl::onScriptTimer() try {
    if (!m_stage || !m_engine)
        return;
    EngineScope scope(*this);
    if (m_firstFrameDue)
        runPendingActions();
    if (m_player)
        m_player->runTimers();
    else
        m_engine->runTimers();
    publishChanges();
} catch (...) {
    (void)failureFromException(u"the script timer clock");
}

// Every entry into the scripts ends in publishChanges, so the clock follows
// each timer set, cleared or fired. Only while the movie clock runs: a
// closed control runs no script.
void FlashControl::armScriptTimer() {
    std::optional<double> due;
    if (m_engine && m_timer.running())
        due = m_player ? m_player->nextTimerDue() : m_engine->nextTimerDue();
    if (!due || !m_scriptHost) {
        m_scriptTimer.disarm();
        return;
    }
    // Due times are whole milliseconds for whole intervals; others round up,
    // never firing before a timer is due.
    const double sinceStart = std::clamp(std::ceil(*due), 0.0, 9.0e15);
    (void)m_scriptTimer.armAt(m_scriptHost->startTicks() + static_cast<ULONGLONG>(sinceStart));
}

void FlashControl::publishChanges() {
    if (!m_stage)
        return;
    runPendingActions();
    armScriptTimer();
    syncLayout();
    const model::ChangeSet changes = m_stage->collectChanges();
    if (!m_inPlaceSite || changes.empty())
        return;
    const auto site = platform::ComPtr<IOleInPlaceSiteWindowless>::share(m_inPlaceSite.get());
    sendInvalidation(site.get(), invalidationFor(changes, m_stage->stageRect(), m_position, m_stage->layout()));
}

void FlashControl::invalidateAll() {
    if (!m_inPlaceSite)
        return;
    const auto site = platform::ComPtr<IOleInPlaceSiteWindowless>::share(m_inPlaceSite.get());
    site->InvalidateRect(nullptr, FALSE);
}

HRESULT FlashControl::get_ReadyState(LONG* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"ReadyState needs a place for the result");
    *pVal = m_stage ? ReadyStateComplete : ReadyStateUninitialized;
    return S_OK;
} catch (...) {
    return failureFromException(u"get_ReadyState");
}

// The frames the movie holds (its header may declare another count).
HRESULT FlashControl::get_TotalFrames(LONG* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"TotalFrames needs a place for the result");
    *pVal = m_stage ? LONG(m_stage->totalFrames()) : 0;
    return S_OK;
} catch (...) {
    return failureFromException(u"get_TotalFrames");
}

// A movie loads whole before it plays: 100 once there is one.
HRESULT FlashControl::PercentLoaded(LONG* percent) try {
    if (percent == nullptr)
        return reportError(E_POINTER, u"PercentLoaded needs a place for the result");
    *percent = m_stage ? 100 : 0;
    return S_OK;
} catch (...) {
    return failureFromException(u"PercentLoaded");
}

HRESULT FlashControl::FrameLoaded(LONG FrameNum, VARIANT_BOOL* loaded) try {
    if (loaded == nullptr)
        return reportError(E_POINTER, u"FrameLoaded needs a place for the result");
    const bool present = m_stage && FrameNum >= 0 && uint32_t(FrameNum) < m_stage->totalFrames();
    *loaded = present ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
} catch (...) {
    return failureFromException(u"FrameLoaded");
}

HRESULT FlashControl::FlashVersion(LONG* version) try {
    if (version == nullptr)
        return reportError(E_POINTER, u"FlashVersion needs a place for the result");
    *version = kFlashVersion;
    return S_OK;
} catch (...) {
    return failureFromException(u"FlashVersion");
}

}  // namespace control
