// Sound events of the stage on the mixer, and the mix the clock drives.
#include "control/movie_sound.h"

#include "media/progressive_sound.h"

#include "control/playback_timer.h"
#include "model/button_object.h"
#include "model/movie_clip.h"

#include <algorithm>

namespace control {

namespace {

media::SampleClock clockFor(const swf::Movie& movie) {
    // The header's rate is 8.8 fixed point; none plays at the timer's default.
    if (movie.header.frameRate88 == 0)
        return {uint32_t(PlaybackTimer::DefaultFrameRate), 1};
    return {movie.header.frameRate88, 256};
}

}  // namespace

MovieSound::MovieSound(std::shared_ptr<const swf::Movie> movie) : m_player(movie), m_clock(clockFor(*movie)) {}

bool MovieSound::characterSound(uint32_t soundId) {
    return soundId <= 0xFFFF || soundId >= media::SoundPlayer::LoadedTagBase;
}

uint64_t MovieSound::ownerOf(const model::DisplayObject& object) { return object.id(); }

void MovieSound::noteTimelineOwner(const model::DisplayObject& object) {
    // Bounded by the mixer's voices: owners with none are dropped at each mix.
    m_timelineOwners.try_emplace(ownerOf(object), object.weak_from_this());
}

void MovieSound::applyEnclosingLevels() {
    media::Mixer& mixer = m_player.mixer();
    for (auto it = m_timelineOwners.begin(); it != m_timelineOwners.end();) {
        const auto object = it->second.lock();
        if (!object || !mixer.ownerPlaying(it->first)) {
            mixer.setEnclosingTransform(it->first, {});
            it = m_timelineOwners.erase(it);
            continue;
        }
        media::SoundTransform enclosing;
        for (const model::DisplayObject* p = object->parent(); p; p = p->parent())
            enclosing = media::chained(mixer.ownerTransform(ownerOf(*p)), enclosing);
        mixer.setEnclosingTransform(it->first, enclosing);
        ++it;
    }
}

void MovieSound::startSound(model::MovieClip& clip, const swf::StartSound& tag) {
    if (m_player.startSound(clip.library(), tag, ownerOf(clip)) != 0)
        noteTimelineOwner(clip);
}

bool MovieSound::hasStream(const swf::Timeline& timeline) {
    auto [it, added] = m_streamTimelines.try_emplace(&timeline, false);
    if (added) {
        for (const swf::Frame& frame : timeline.frames) {
            for (const swf::ControlTag& tag : frame.tags)
                it->second = it->second || std::holds_alternative<swf::SoundStreamHead>(tag);
        }
    }
    return it->second;
}

void MovieSound::frameShown(model::MovieClip& clip, uint32_t frame) {
    if (!clip.isPlaying() || !hasStream(clip.timeline()))
        return;
    const uint64_t owner = ownerOf(clip);
    m_streamClips[owner] = std::static_pointer_cast<model::MovieClip>(clip.shared_from_this());
    m_player.streamFrame(owner, clip.timeline(), frame);
    noteTimelineOwner(clip);
}

// The button owns its sounds, so that its own soundTransform and then its
// enclosing clips' apply.
void MovieSound::buttonTransition(model::ButtonObject& button, size_t slot) {
    if (m_player.buttonSound(button.library(), button.characterId(), slot, ownerOf(button)) != 0)
        noteTimelineOwner(button);
}

void MovieSound::movieUnloaded(const swf::Movie& movie) {
    m_player.stopMovie(movie);
    for (auto it = m_streamClips.begin(); it != m_streamClips.end();) {
        auto clip = it->second.lock();
        if (clip && clip->library().get() != &movie) {
            ++it;
            continue;
        }
        m_player.stopStream(it->first);
        it = m_streamClips.erase(it);
    }
}

void MovieSound::sweepStreams() {
    for (auto it = m_streamClips.begin(); it != m_streamClips.end();) {
        auto clip = it->second.lock();
        if (clip && clip->isOnStage() && clip->isPlaying()) {
            ++it;
            continue;
        }
        m_player.stopStream(it->first);
        it = m_streamClips.erase(it);
    }
}

void MovieSound::setFrameRate(uint32_t numerator, uint32_t denominator) {
    // Mixed intervals keep their length; counting restarts so the new rate
    // is exact from here on.
    mixDue();
    m_clock = media::SampleClock(numerator, denominator);
    m_clockFrom = m_intervalsMixed;
}

void MovieSound::mixDue() {
    sweepStreams();
    m_player.forgetUnloaded();
    applyEnclosingLevels();
    while (m_intervalsMixed < m_framesShown) {
        const size_t frames = size_t(m_clock.framesIn(m_intervalsMixed++ - m_clockFrom));
        m_mix.resize(frames * media::OutputChannels);
        m_player.mixer().mix(m_mix);
        m_recent.insert(m_recent.end(), m_mix.begin(), m_mix.end());
        if (m_recent.size() > RecentFrames * media::OutputChannels)
            m_recent.erase(m_recent.begin(),
                           m_recent.begin() + ptrdiff_t(m_recent.size() - RecentFrames * media::OutputChannels));
        for (const media::FinishedVoice& done : m_player.mixer().takeFinished()) {
            if (m_finished.size() < MaxFinished)
                m_finished.push_back(done.id);
        }
        if (!m_output)
            continue;
        m_queue.insert(m_queue.end(), m_mix.begin(), m_mix.end());
        const size_t limit = MaxQueuedFrames * media::OutputChannels;
        if (m_queue.size() > limit)
            m_queue.erase(m_queue.begin(), m_queue.begin() + ptrdiff_t(m_queue.size() - limit));
    }
}

size_t MovieSound::recentOutput(std::span<int16_t> out) const {
    const size_t n = std::min(out.size(), m_recent.size()) / media::OutputChannels * media::OutputChannels;
    std::copy(m_recent.end() - ptrdiff_t(n), m_recent.end(), out.end() - ptrdiff_t(n));
    return n / media::OutputChannels;
}

void MovieSound::stopAll() {
    m_player.mixer().stopAll();
    for (const auto& [owner, clip] : m_streamClips)
        m_player.stopStream(owner);
    m_streamClips.clear();
}

size_t MovieSound::readOutput(std::span<int16_t> out) {
    mixDue();
    const size_t frames = std::min(out.size() / media::OutputChannels, m_queue.size() / media::OutputChannels);
    const auto end = m_queue.begin() + ptrdiff_t(frames * media::OutputChannels);
    std::copy(m_queue.begin(), end, out.begin());
    m_queue.erase(m_queue.begin(), end);
    return frames;
}

std::shared_ptr<const media::DecodedSound> MovieSound::soundOf(uint32_t soundId) {
    if (characterSound(soundId))
        return m_player.soundByTag(soundId);
    const auto it = m_loaded.find(soundId);
    return it == m_loaded.end() ? nullptr : it->second;
}

uint64_t MovieSound::startScriptSound(uint32_t soundId, double offsetSeconds, uint32_t loops, uint64_t owner) {
    media::EventPlayback playback;
    playback.loops = loops;
    playback.startOffset = uint64_t(offsetSeconds * media::OutputRate);
    if (characterSound(soundId))
        return m_player.playTagged(soundId, playback, owner);
    if (const auto stream = m_streams.find(soundId); stream != m_streams.end()) {
        // A streaming sound plays once from its start, decoding as it goes.
        auto source = media::ProgressiveSound::create(stream->second.mp3, stream->second.progress);
        return source ? m_player.mixer().play(std::move(source).value(), {soundId, owner, {}}) : 0;
    }
    auto sound = soundOf(soundId);
    if (!sound)
        return 0;
    return m_player.mixer().play(std::make_unique<media::EventSound>(std::move(sound), std::move(playback)),
                                 {soundId, owner, {}});
}

void MovieSound::stopScriptSounds(uint64_t owner, uint32_t soundId) {
    if (soundId != 0)
        m_player.mixer().stopTag(soundId);
    else if (owner == 0)
        stopAll();
    else
        m_player.mixer().stopOwner(owner);
}

namespace {

// ID3v2: "ID3", version, flags, then the tag's size in 7-bit bytes; 0 without one.
size_t id3Size(std::span<const uint8_t> mp3) {
    if (mp3.size() < 10 || mp3[0] != 'I' || mp3[1] != 'D' || mp3[2] != '3')
        return 0;
    return 10 + (size_t(mp3[6] & 0x7F) << 21 | size_t(mp3[7] & 0x7F) << 14 | size_t(mp3[8] & 0x7F) << 7 |
                 size_t(mp3[9] & 0x7F));
}

}  // namespace

uint32_t MovieSound::loadSound(std::span<const uint8_t> mp3, bool streaming) {
    mp3 = mp3.subspan(std::min(id3Size(mp3), mp3.size()));
    if (streaming) {
        if (mp3.empty())
            return 0;
        dropOldestStream();
        const uint32_t id = m_nextLoaded++;
        auto bytes = std::make_shared<media::ArrivingBytes>(media::ArrivingBytes{{mp3.begin(), mp3.end()}, true});
        m_streams.emplace(id, LoadedStream{.mp3 = std::move(bytes),
                                           .progress = std::make_shared<media::StreamProgress>(),
                                           .headerFrames = media::mp3OutputFrames(mp3)});
        return id;
    }
    swf::Sound sound;
    sound.format = {swf::SoundCodec::Mp3, 3, true, true};
    sound.data.assign(mp3.begin(), mp3.end());
    auto decoded = media::decodeSound(sound);
    if (!decoded || !decoded->decoded || decoded->frames == 0)
        return 0;
    if (m_loaded.size() >= MaxLoadedSounds)
        m_loaded.erase(m_loaded.begin());
    const uint32_t id = m_nextLoaded++;
    m_loaded.emplace(id, std::move(decoded));
    return id;
}

void MovieSound::dropOldestStream() {
    if (m_streams.size() < MaxLoadedSounds)
        return;
    // A voice still waiting for its bytes would wait for ever: it ends with what it has.
    m_streams.begin()->second.mp3->complete = true;
    m_streams.erase(m_streams.begin());
}

uint32_t MovieSound::openArrivingSound() {
    dropOldestStream();
    const uint32_t id = m_nextLoaded++;
    LoadedStream stream{.mp3 = std::make_shared<media::ArrivingBytes>(),
                        .progress = std::make_shared<media::StreamProgress>()};
    stream.mp3->complete = false;
    stream.headRead = false;
    m_streams.emplace(id, std::move(stream));
    return id;
}

void MovieSound::addArrivingBytes(uint32_t soundId, std::span<const uint8_t> bytes, bool complete) {
    const auto it = m_streams.find(soundId);
    if (it == m_streams.end() || it->second.mp3->complete)
        return;
    LoadedStream& stream = it->second;
    if (!stream.headRead) {
        // Ten bytes tell whether an ID3 tag comes first and how long it is.
        stream.head.insert(stream.head.end(), bytes.begin(), bytes.end());
        if (stream.head.size() < 10 && !complete)
            return;
        stream.headRead = true;
        stream.skip = id3Size(stream.head);
        bytes = stream.head;
    }
    const size_t skipped = size_t(std::min<uint64_t>(stream.skip, bytes.size()));
    stream.skip -= skipped;
    stream.mp3->bytes.insert(stream.mp3->bytes.end(), bytes.begin() + ptrdiff_t(skipped), bytes.end());
    stream.head.clear();
    if (complete) {
        stream.mp3->complete = true;
        stream.headerFrames = media::mp3OutputFrames(stream.mp3->bytes);
    }
}

double MovieSound::durationMs(uint32_t soundId) {
    // A streaming sound's length is its frame headers' count until decoding shows better.
    if (const auto stream = m_streams.find(soundId); stream != m_streams.end()) {
        const media::StreamProgress& progress = *stream->second.progress;
        const uint64_t frames =
            progress.complete ? progress.decodedFrames : std::max(progress.decodedFrames, stream->second.headerFrames);
        return double(frames) * 1000.0 / media::OutputRate;
    }
    const auto sound = soundOf(soundId);
    return sound ? double(sound->frames) * 1000.0 / media::OutputRate : 0.0;
}

double MovieSound::positionMs(uint64_t voice) const {
    const media::SoundSource* source = m_player.mixer().source(voice);
    if (const auto* progressive = dynamic_cast<const media::ProgressiveSound*>(source))
        return double(progressive->position()) * 1000.0 / media::OutputRate;
    const auto* event = dynamic_cast<const media::EventSound*>(source);
    return event ? double(event->soundPosition()) * 1000.0 / media::OutputRate : 0.0;
}

void MovieSound::setLevels(uint64_t owner, const media::SoundTransform& levels) {
    if (owner != 0) {
        m_player.mixer().setOwnerTransform(owner, levels);
        return;
    }
    m_player.mixer().setVolume(levels.volume);
    media::SoundTransform sides = levels;
    sides.volume = 100;
    m_player.mixer().setOwnerTransform(0, sides);
}

media::SoundTransform MovieSound::levels(uint64_t owner) const {
    media::SoundTransform t = m_player.mixer().ownerTransform(owner);
    if (owner == 0)
        t.volume = m_player.mixer().volume();
    return t;
}

std::vector<uint64_t> MovieSound::takeFinished() {
    std::vector<uint64_t> done;
    done.swap(m_finished);
    return done;
}

}  // namespace control
