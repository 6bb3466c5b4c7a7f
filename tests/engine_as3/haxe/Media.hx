// flash.media's sound classes: a sound linked to Tone (the media tests' tone,
// embedded by the compiler) played through channels; transforms read back;
// soundComplete reaches the channel that played out. Reports go out through
// fscommand.
import flash.events.Event;
import flash.media.Sound;
import flash.media.SoundChannel;
import flash.media.SoundMixer;
import flash.media.SoundTransform;

@:sound("t22_mono16.mp3") class Tone extends Sound {}

class Media {
    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static function levels(t:SoundTransform):String {
        return t.volume + "," + t.pan + "," + t.leftToLeft + "," + t.leftToRight + "," + t.rightToLeft + ","
            + t.rightToRight;
    }

    // The channel is held by the player while it plays: nothing here keeps it.
    static function startFirst(tone:Sound) {
        var first = tone.play(100, 2, new SoundTransform(0.5, 1));
        report("first", levels(first.soundTransform));
        first.addEventListener(Event.SOUND_COMPLETE, function(e:Event) {
            var channel:SoundChannel = cast e.target;
            report("complete", "first," + channel.position);
        });
    }

    static function main() {
        report("transform", levels(new SoundTransform(0.5, -0.25)) + "|" + levels(new SoundTransform()));
        var tone = new Tone();
        report("sound", tone.length + "," + (tone.bytesTotal > 0) + "," + (new Sound().play() == null));
        startFirst(tone);
        var second = tone.play();
        report("playing", "" + second.position);
        second.soundTransform = new SoundTransform(0.25);
        second.addEventListener(Event.SOUND_COMPLETE, function(_) report("complete", "second"));
        second.stop();
        report("stopped", "" + second.position);
        var mixer = new SoundTransform(0.8);
        SoundMixer.soundTransform = mixer;
        report("mixer", "" + SoundMixer.soundTransform.volume);
    }
}
