// Frames, buttons and scripts starting sounds; streams following playheads.
#include "media/sound_player.h"

#include <vector>

namespace media {

SoundPlayer::SoundPlayer(std::shared_ptr<const swf::Movie> movie, DecodeLimits limits)
    : m_movie(std::move(movie)), m_limits(limits) {}

SoundPlayer::Library SoundPlayer::libraryOf(const std::shared_ptr<const swf::Movie>& movie) {
    if (!movie || movie == m_movie)
        return {m_movie.get(), &m_sounds, 0};
    for (LoadedMovie& loaded : m_loaded) {
        if (loaded.address == movie.get() && !loaded.movie.expired())
            return {movie.get(), &loaded.sounds, loaded.tagBase};
    }
    forgetUnloaded();
    LoadedMovie& added = m_loaded.emplace_back();
    added.movie = movie;
    added.address = movie.get();
    added.tagBase = LoadedTagBase | ((m_nextSlot++ % LoadedTagSlots) << 16);
    return {movie.get(), &added.sounds, added.tagBase};
}

void SoundPlayer::forgetUnloaded() {
    std::erase_if(m_loaded, [](const LoadedMovie& loaded) { return loaded.movie.expired(); });
}

bool SoundPlayer::libraryOfTag(uint32_t tag, Library& out) {
    if (tag <= 0xFFFF) {
        out = {m_movie.get(), &m_sounds, 0};
        return true;
    }
    for (LoadedMovie& loaded : m_loaded) {
        auto movie = loaded.movie.lock();
        if (movie && (tag & ~0xFFFFu) == loaded.tagBase) {
            out = {loaded.address, &loaded.sounds, loaded.tagBase};
            return true;
        }
    }
    return false;
}

void SoundPlayer::stopMovie(const swf::Movie& movie) {
    std::erase_if(m_loaded, [&](const LoadedMovie& loaded) {
        if (loaded.address != &movie)
            return false;
        for (const auto& entry : loaded.sounds)
            m_mixer.stopTag(loaded.tagBase | entry.first);
        return true;
    });
}

uint32_t SoundPlayer::soundTag(const std::shared_ptr<const swf::Movie>& movie, uint16_t soundId) {
    Library library = libraryOf(movie);
    return library.movie->characters.find<swf::Sound>(soundId) ? library.tagBase | soundId : 0;
}

std::shared_ptr<const DecodedSound> SoundPlayer::soundByTag(uint32_t tag) {
    Library library;
    return libraryOfTag(tag, library) ? sound(library, uint16_t(tag & 0xFFFF)) : nullptr;
}

VoiceId SoundPlayer::playTagged(uint32_t tag, const EventPlayback& playback, uint64_t owner) {
    auto decoded = soundByTag(tag);
    if (!decoded)
        return 0;
    return m_mixer.play(std::make_unique<EventSound>(decoded, playback), {tag, owner, {}});
}

std::shared_ptr<const DecodedSound> SoundPlayer::sound(Library& library, uint16_t soundId) {
    auto it = library.sounds->find(soundId);
    if (it != library.sounds->end())
        return it->second;
    const auto* data = library.movie->characters.find<swf::Sound>(soundId);
    if (!data)
        return nullptr;
    auto decoded = decodeSound(*data, m_limits);
    library.sounds->emplace(soundId, decoded);
    return decoded;
}

std::shared_ptr<const DecodedSound> SoundPlayer::sound(uint16_t soundId) {
    Library root{m_movie.get(), &m_sounds, 0};
    return sound(root, soundId);
}

VoiceId SoundPlayer::playSound(uint16_t soundId, const EventPlayback& playback, uint64_t owner) {
    return playTagged(soundId, playback, owner);
}

VoiceId SoundPlayer::startSound(const std::shared_ptr<const swf::Movie>& movie, const swf::StartSound& tag,
                                uint64_t owner) {
    Library library = libraryOf(movie);
    return startSound(library, tag, owner);
}

VoiceId SoundPlayer::startSound(Library& library, const swf::StartSound& tag, uint64_t owner) {
    uint16_t id = tag.soundId;
    if (tag.version == 2) {
        // StartSound2 names the sound by the class it was exported as.
        auto it = library.movie->exports.find(tag.className);
        if (it == library.movie->exports.end())
            return 0;
        id = it->second;
    }
    const auto* data = library.movie->characters.find<swf::Sound>(id);
    if (!data)
        return 0;
    const uint32_t voiceTag = library.tagBase | id;
    if (tag.info.syncStop) {
        m_mixer.stopTag(voiceTag);
        return 0;
    }
    if (tag.info.syncNoMultiple && m_mixer.countTag(voiceTag) > 0)
        return 0;
    auto decoded = sound(library, id);
    if (!decoded)
        return 0;
    const auto playback = EventPlayback::fromInfo(tag.info, data->format.sampleRate());
    return m_mixer.play(std::make_unique<EventSound>(decoded, playback), {voiceTag, owner, {}});
}

VoiceId SoundPlayer::buttonSound(const std::shared_ptr<const swf::Movie>& movie, uint16_t buttonId, size_t slot,
                                 uint64_t owner) {
    Library library = libraryOf(movie);
    const auto* button = library.movie->characters.find<swf::Button>(buttonId);
    if (!button || slot >= button->sounds.size() || button->sounds[slot].soundId == 0)
        return 0;
    swf::StartSound tag;
    tag.soundId = button->sounds[slot].soundId;
    tag.info = button->sounds[slot].info;
    return startSound(library, tag, owner);
}

const swf::SoundStreamHead* SoundPlayer::headFor(const swf::Timeline& timeline, uint32_t frame) {
    // The last head at or before the frame governs its blocks.
    const swf::SoundStreamHead* head = nullptr;
    for (uint32_t f = 0; f <= frame && f < timeline.frames.size(); ++f) {
        for (const swf::ControlTag& tag : timeline.frames[f].tags) {
            if (const auto* h = std::get_if<swf::SoundStreamHead>(&tag))
                head = h;
        }
    }
    return head;
}

void SoundPlayer::streamFrame(uint64_t owner, const swf::Timeline& timeline, uint32_t frame) {
    if (frame >= timeline.frames.size())
        return;
    const swf::SoundStreamBlock* block = nullptr;
    for (const swf::ControlTag& tag : timeline.frames[frame].tags) {
        if (const auto* b = std::get_if<swf::SoundStreamBlock>(&tag))
            block = b;
    }
    Stream& s = m_streams[owner];
    bool live = s.voice != 0 && m_mixer.playing(s.voice);
    bool continues = live && s.timeline == &timeline && frame == s.frame + 1;
    s.timeline = &timeline;
    s.frame = frame;
    if (!block) {
        if (live && !continues)
            s.source->restart();  // a jump to a frame without sound: silence until the next block
        return;
    }
    if (!live) {
        const swf::SoundStreamHead* head = headFor(timeline, frame);
        auto source = head ? StreamSound::create(*head) : nullptr;
        if (!source)
            return;
        s.source = source.get();
        s.voice = m_mixer.play(std::move(source), {0, owner, {}});
    } else if (!continues) {
        s.source->restart();
    }
    s.source->pushBlock(block->data);
}

void SoundPlayer::stopStream(uint64_t owner) {
    auto it = m_streams.find(owner);
    if (it == m_streams.end())
        return;
    m_mixer.stop(it->second.voice);
    m_streams.erase(it);
}

}  // namespace media
