// Frames, buttons and scripts starting sounds; streams following playheads.
#include "media/sound_player.h"

namespace media {

SoundPlayer::SoundPlayer(std::shared_ptr<const swf::Movie> movie, DecodeLimits limits)
    : m_movie(std::move(movie)), m_limits(limits) {}

std::shared_ptr<const DecodedSound> SoundPlayer::sound(uint16_t soundId) {
    auto it = m_sounds.find(soundId);
    if (it != m_sounds.end())
        return it->second;
    const auto* data = m_movie->characters.find<swf::Sound>(soundId);
    if (!data)
        return nullptr;
    auto decoded = decodeSound(*data, m_limits);
    m_sounds.emplace(soundId, decoded);
    return decoded;
}

VoiceId SoundPlayer::playSound(uint16_t soundId, const EventPlayback& playback, uint64_t owner) {
    auto decoded = sound(soundId);
    if (!decoded)
        return 0;
    return m_mixer.play(std::make_unique<EventSound>(decoded, playback), {soundId, owner, {}});
}

VoiceId SoundPlayer::startSound(const swf::StartSound& tag, uint64_t owner) {
    uint16_t id = tag.soundId;
    if (tag.version == 2) {
        // StartSound2 names the sound by the class it was exported as.
        auto it = m_movie->exports.find(tag.className);
        if (it == m_movie->exports.end())
            return 0;
        id = it->second;
    }
    const auto* data = m_movie->characters.find<swf::Sound>(id);
    if (!data)
        return 0;
    if (tag.info.syncStop) {
        m_mixer.stopTag(id);
        return 0;
    }
    if (tag.info.syncNoMultiple && m_mixer.countTag(id) > 0)
        return 0;
    return playSound(id, EventPlayback::fromInfo(tag.info, data->format.sampleRate()), owner);
}

VoiceId SoundPlayer::buttonSound(uint16_t buttonId, size_t slot, uint64_t owner) {
    const auto* button = m_movie->characters.find<swf::Button>(buttonId);
    if (!button || slot >= button->sounds.size() || button->sounds[slot].soundId == 0)
        return 0;
    swf::StartSound tag;
    tag.soundId = button->sounds[slot].soundId;
    tag.info = button->sounds[slot].info;
    return startSound(tag, owner);
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
