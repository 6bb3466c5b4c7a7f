// libFuzzer target for the NetStream side of media: an FLV file played on a
// made-up clock (the first bytes choose pauses, seeks and buffer times),
// its sound drained through the mixer; the same bytes as an MP3 for the
// ID3 reader and the streaming decoder.
#include "media/flv_playback.h"
#include "media/mixer.h"
#include "media/progressive_sound.h"
#include "media/sound_tags.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // FlvPlayback plays files, as NetStream does: the input becomes one.
    char path[] = "/tmp/fuzz_flv_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return 0;
    const bool written = size == 0 || write(fd, data, size) == ssize_t(size);
    close(fd);
    if (written) {
        media::FlvPlayback playback;
        media::Mixer mixer;
        const uint8_t choice = size > 0 ? data[0] : 0;
        playback.setBufferTime(double(choice & 7));
        playback.play(path, 0);
        if (auto voice = playback.takeVoice())
            mixer.play(std::move(voice));
        std::vector<int16_t> out(2 * 4410);
        for (uint64_t ms = 0; ms <= 3000; ms += 100) {
            playback.update(ms);
            const uint8_t step = data[size_t(ms / 100) % std::max<size_t>(size, 1)];
            if (step == 0x01)
                playback.pause(std::nullopt, ms);
            else if (step == 0x02)
                playback.seek(double(choice) / 16.0, ms);
            (void)playback.takeEvents();
            (void)playback.image();
            (void)playback.bufferLength();
            mixer.mix(out);
        }
        playback.close();
        mixer.mix(out);
    }
    unlink(path);

    const std::span<const uint8_t> bytes(data, size);
    (void)media::readSoundTags(bytes);
    (void)media::mp3OutputFrames(bytes);
    auto mp3 = std::make_shared<const media::ArrivingBytes>(
        media::ArrivingBytes{std::vector<uint8_t>(bytes.begin(), bytes.end()), true});
    if (auto sound = media::ProgressiveSound::create(mp3, std::make_shared<media::StreamProgress>())) {
        std::vector<int16_t> out(2 * 44100);
        for (int i = 0; i < 4 && sound.value()->read(out) == out.size() / 2; ++i) {
        }
    }
    return 0;
}
