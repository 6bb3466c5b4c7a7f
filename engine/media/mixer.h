// The one mixer: every voice summed into 44,100 Hz stereo s16, sample-exact
// by count (mix of n frames makes exactly n frames), with saturation instead
// of wrap-around.
//
// Voices carry a tag (the sound's character id) for sync stop and
// no-multiple, and an owner (the clip whose Sound object controls them).
// Levels follow the file format's scripts: a transform of four percentages
// (left to left, left to right, right to left, right to right) and a volume,
// per voice, per owner, and once for everything. Owner 0 is the movie's:
// its transform applies over every other owner's too.
#pragma once

#include "media/pcm.h"
#include "media/sound_source.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace media {

struct SoundTransform {
    double ll = 100;  // percent of the left input in the left output
    double lr = 0;    // percent of the left input in the right output
    double rl = 0;    // percent of the right input in the left output
    double rr = 100;
    double volume = 100;

    // setPan's mapping: -100 silences the right side, +100 the left.
    [[nodiscard]] static SoundTransform fromPan(double pan, double volume = 100);
    // getPan's reading of a transform.
    [[nodiscard]] double pan() const;
};

// `inner`'s levels, then `outer`'s.
[[nodiscard]] SoundTransform chained(const SoundTransform& outer, const SoundTransform& inner);

using VoiceId = uint64_t;  // never 0; ids are not reused

struct VoiceOptions {
    uint32_t tag = 0;
    uint64_t owner = 0;
    SoundTransform transform;
};

struct FinishedVoice {
    VoiceId id = 0;
    uint32_t tag = 0;
    uint64_t owner = 0;
    uint64_t atFrame = 0;  // mixer frame (counted from the first mix) just after its last frame
};

class Mixer {
public:
    static constexpr size_t MaxVoices = 32;

    // Starts a voice; when MaxVoices are playing, the oldest is dropped first.
    VoiceId play(std::unique_ptr<SoundSource> source, const VoiceOptions& options = {});
    void stop(VoiceId id);
    void stopTag(uint32_t tag);
    void stopOwner(uint64_t owner);
    void stopAll();

    [[nodiscard]] bool playing(VoiceId id) const;
    [[nodiscard]] size_t voiceCount() const { return m_voices.size(); }
    [[nodiscard]] size_t countTag(uint32_t tag) const;
    [[nodiscard]] SoundSource* source(VoiceId id) const;
    // The largest level (0..1 of full scale) each side of the voice reached
    // in the last mix, after its levels; zeros for a voice not playing.
    [[nodiscard]] std::pair<float, float> peaks(VoiceId id) const;

    void setVolume(double percent) { m_volume = percent; }
    [[nodiscard]] double volume() const { return m_volume; }
    void setTransform(VoiceId id, const SoundTransform& t);
    void setOwnerTransform(uint64_t owner, const SoundTransform& t);
    [[nodiscard]] SoundTransform ownerTransform(uint64_t owner) const;
    // Drops an owner's transform (its clip or channel is gone): at once when
    // none of its voices plays, else when the last of them ends or stops, so
    // a sound still playing keeps its levels.
    void forgetOwner(uint64_t owner);
    // Owners with a transform of their own (for bounds checks).
    [[nodiscard]] size_t ownerCount() const { return m_owners.size(); }
    // The levels of what encloses an owner (a clip's parents), applied after
    // the owner's own and before the movie's; identity levels drop them.
    void setEnclosingTransform(uint64_t owner, const SoundTransform& t);
    [[nodiscard]] size_t enclosingCount() const { return m_enclosing.size(); }
    [[nodiscard]] bool ownerPlaying(uint64_t owner) const;

    // Mixes out.size() / 2 frames into `out` (interleaved stereo).
    void mix(std::span<int16_t> out);
    [[nodiscard]] uint64_t framesMixed() const { return m_framesMixed; }
    // Voices that ended by themselves since the last call, in the order they
    // ended (stopped and dropped voices are not reported).
    [[nodiscard]] std::vector<FinishedVoice> takeFinished();

private:
    struct Voice {
        VoiceId id = 0;
        uint32_t tag = 0;
        uint64_t owner = 0;
        SoundTransform transform;
        std::unique_ptr<SoundSource> source;
        std::pair<float, float> peaks;
    };
    template <typename Pred>
    void removeIf(Pred pred);
    // Forgets the owners marked gone that no voice plays for any more.
    void dropGoneOwners();

    std::vector<Voice> m_voices;  // in start order: the oldest first
    std::map<uint64_t, SoundTransform> m_owners;
    std::map<uint64_t, SoundTransform> m_enclosing;
    std::set<uint64_t> m_goneOwners;  // forgotten while their voices play
    std::vector<FinishedVoice> m_finished;
    std::vector<int16_t> m_scratch;
    std::vector<float> m_sum;
    double m_volume = 100;
    VoiceId m_nextId = 1;
    uint64_t m_framesMixed = 0;
};

}  // namespace media
