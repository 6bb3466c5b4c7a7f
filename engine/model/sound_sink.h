// Where a stage's sounds go. The model knows the sound tags only as events on
// its timelines and buttons; what plays them (the control's mixer) lives
// outside, so the model stays free of any decoder.
#pragma once

#include "swf/sound.h"

#include <cstddef>
#include <cstdint>

namespace swf {
struct Movie;
}  // namespace swf

namespace model {

class ButtonObject;
class MovieClip;

class SoundSink {
public:
    virtual ~SoundSink() = default;

    // A StartSound or StartSound2 of the frame the clip enters (on a jump,
    // only those of the target frame).
    virtual void startSound(MovieClip& clip, const swf::StartSound& tag) = 0;
    // The clip shows `frame` now, by stepping or by a jump: its stream sound
    // goes on, or follows the playhead there.
    virtual void frameShown(MovieClip& clip, uint32_t frame) = 0;
    // The button went through a transition with a sound slot (swf::ButtonSoundSlot).
    virtual void buttonTransition(ButtonObject& button, size_t slot) = 0;
    // A movie loaded into a clip is unloaded: every sound it started stops.
    virtual void movieUnloaded(const swf::Movie& movie) { (void)movie; }
};

}  // namespace model
