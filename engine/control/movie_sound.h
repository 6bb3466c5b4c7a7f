// A movie's sound in the control: the timelines' and buttons' sound events
// played on the media layer's one mixer, which the playback clock advances
// by exactly the output frames of each movie frame's interval.
//
// The interval of a frame is mixed once that frame has been shown and before
// the next one is: at the start of the next tick, or earlier when the host
// reads the sound. Frame k's interval holds SampleClock(rate).framesIn(k)
// frames, so the sound never drifts from the frames however long the movie
// runs. A clip's stream stops at the first mix after the clip stopped or
// left the stage.
//
// Nothing is kept for output until startOutput(); then everything mixed is
// queued for readOutput (at most MaxQueuedFrames; older frames go first).
#pragma once

#include "media/progressive_sound.h"
#include "media/sample_clock.h"
#include "media/sound_player.h"
#include "model/sound_sink.h"

#include "swf/movie.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace model {
class DisplayObject;
}

namespace control {

class MovieSound final : public model::SoundSink {
public:
    // Ten seconds: a reader that fell that far behind has lost the rest.
    static constexpr size_t MaxQueuedFrames = size_t(media::OutputRate) * 10;
    // Mixed frames kept for SoundMixer.computeSpectrum (its window at a quarter of the rate).
    static constexpr size_t RecentFrames = 2048;

    explicit MovieSound(std::shared_ptr<const swf::Movie> movie);

    // model::SoundSink
    void startSound(model::MovieClip& clip, const swf::StartSound& tag) override;
    void frameShown(model::MovieClip& clip, uint32_t frame) override;
    void buttonTransition(model::ButtonObject& button, size_t slot) override;
    void movieUnloaded(const swf::Movie& movie) override;

    // The clock is about to show the next frame: the shown one's interval is
    // mixed first.
    void beforeTick() { mixDue(); }
    // The clock showed its next frame.
    void afterTick() { ++m_framesShown; }
    // Mixes the interval of every frame shown and not mixed yet.
    void mixDue();
    // The movie changed its frame rate (numerator / denominator frames a
    // second): frames from the next on last as long as the new rate says.
    void setFrameRate(uint32_t numerator, uint32_t denominator);

    // stopAllSounds.
    void stopAll();

    // What the Sound class asks (see script::Host). Owner 0 stands for every
    // sound: its volume is the mixer's global volume.
    // Sound ids up to 0xFFFF are the root's characters, those from
    // SoundPlayer::LoadedTagBase loaded movies' (SoundPlayer::soundTag);
    // loadSound's lie between.
    uint64_t startScriptSound(uint32_t soundId, double offsetSeconds, uint32_t loops, uint64_t owner);
    void stopScriptSounds(uint64_t owner, uint32_t soundId);
    // An MP3 file (an ID3v2 tag before it is skipped) decoded whole, or for
    // a streaming sound kept to decode while it plays: its sound id, or 0
    // when nothing decoded (is there). At most MaxLoadedSounds of each are kept.
    uint32_t loadSound(std::span<const uint8_t> mp3, bool streaming = false);
    // A streaming sound whose file is still arriving: it can start at once,
    // plays what came (silence while the download lags) and ends after the
    // bytes marked `complete`. 0 when no more sounds can be kept.
    uint32_t openArrivingSound();
    void addArrivingBytes(uint32_t soundId, std::span<const uint8_t> bytes, bool complete);
    static constexpr size_t MaxLoadedSounds = 64;
    [[nodiscard]] bool playing(uint64_t voice) const { return m_player.mixer().playing(voice); }
    [[nodiscard]] double durationMs(uint32_t soundId);
    [[nodiscard]] double positionMs(uint64_t voice) const;
    // The latest mixed frames into the end of `out` (SoundMixer.computeSpectrum).
    size_t recentOutput(std::span<int16_t> out) const;
    void setLevels(uint64_t owner, const media::SoundTransform& levels);
    [[nodiscard]] media::SoundTransform levels(uint64_t owner) const;
    // Voices that played out since the last call (at most MaxFinished kept).
    [[nodiscard]] std::vector<uint64_t> takeFinished();
    static constexpr size_t MaxFinished = 4096;

    void startOutput() { m_output = true; }
    [[nodiscard]] bool outputStarted() const { return m_output; }
    // Moves up to out.size() / 2 queued frames into `out`; returns the frames moved.
    size_t readOutput(std::span<int16_t> out);

    [[nodiscard]] media::SoundPlayer& player() { return m_player; }
    // Output frames mixed since the movie was loaded.
    [[nodiscard]] uint64_t framesMixed() const { return m_player.mixer().framesMixed(); }
    // The sounds `object` owns (its timeline's, its Sound's) are also
    // levelled by every clip around it (a Sound or soundTransform of a
    // parent, a Loader's content).
    void noteTimelineOwner(const model::DisplayObject& object);
    // The stage's id for a clip's sounds (its display object id).
    [[nodiscard]] static uint64_t ownerOf(const model::DisplayObject& object);

private:
    [[nodiscard]] static bool characterSound(uint32_t soundId);
    [[nodiscard]] std::shared_ptr<const media::DecodedSound> soundOf(uint32_t soundId);
    // Makes room for one more loaded streaming sound.
    void dropOldestStream();
    [[nodiscard]] bool hasStream(const swf::Timeline& timeline);
    // Stops the streams of clips that stopped or left the stage.
    void sweepStreams();
    // Brings each playing timeline owner's enclosing levels up to date.
    void applyEnclosingLevels();

    media::SoundPlayer m_player;
    media::SampleClock m_clock;
    uint64_t m_framesShown = 1;  // the first frame shows as the movie loads
    uint64_t m_intervalsMixed = 0;
    uint64_t m_clockFrom = 0;  // the first interval m_clock counts
    std::unordered_map<const swf::Timeline*, bool> m_streamTimelines;
    std::map<uint64_t, std::weak_ptr<model::MovieClip>> m_streamClips;
    std::map<uint64_t, std::weak_ptr<const model::DisplayObject>> m_timelineOwners;
    std::vector<int16_t> m_mix;
    std::deque<int16_t> m_recent;  // the latest RecentFrames mixed, interleaved
    std::deque<int16_t> m_queue;
    std::vector<uint64_t> m_finished;
    std::map<uint32_t, std::shared_ptr<const media::DecodedSound>> m_loaded;
    struct LoadedStream {
        std::shared_ptr<media::ArrivingBytes> mp3 = nullptr;
        std::shared_ptr<media::StreamProgress> progress = nullptr;
        uint64_t headerFrames = 0;       // the length the frame headers give
        std::vector<uint8_t> head = {};  // arriving: the first bytes, until an ID3 tag can be told
        bool headRead = true;
        uint64_t skip = 0;  // arriving: bytes of the ID3 tag still to drop
    };
    std::map<uint32_t, LoadedStream> m_streams;
    uint32_t m_nextLoaded = 0x10000;
    bool m_output = false;
};

}  // namespace control
