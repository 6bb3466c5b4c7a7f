// Sound.load: the MP3 file the "file" parameter names, next to the movie,
// with its events, tags, growing length and extracted samples; a missing
// file's ioError; a channel's peaks and the mixer's spectrum at the first
// frame. Reports go out through fscommand.
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.ProgressEvent;
import flash.media.Sound;
import flash.media.SoundChannel;
import flash.media.SoundMixer;
import flash.net.URLRequest;
import flash.utils.ByteArray;

class Sounds {
    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    // Sign changes of the left channel, and its largest magnitude.
    static function shape(bytes:ByteArray, frames:Int):String {
        var crossings = 0;
        var peak = 0.0;
        var last = 0.0;
        for (i in 0...frames) {
            var left = bytes.readFloat();
            bytes.readFloat();
            if ((left > 0) != (last > 0) && i > 0)
                crossings++;
            last = left;
            peak = Math.max(peak, Math.abs(left));
        }
        return crossings + "," + (peak > 0.3 && peak <= 1);
    }

    static var channel:SoundChannel;

    // The strongest of 256 floats and where it is.
    static function strongest(bytes:ByteArray):String {
        var best = 0;
        var value = -1.0;
        for (i in 0...256) {
            var v = bytes.readFloat();
            if (v > value) {
                value = v;
                best = i;
            }
        }
        return best + ":" + Math.round(value * 100) / 100;
    }

    static function mixer(_) {
        flash.Lib.current.removeEventListener(Event.ENTER_FRAME, mixer);
        if (channel != null)
            report("peaks", channel.leftPeak + "," + channel.rightPeak);
        var bytes = new ByteArray();
        bytes.writeUTFBytes("old");
        SoundMixer.computeSpectrum(bytes, true);
        report("fft", bytes.length + "," + bytes.position + "," + strongest(bytes) + "," + strongest(bytes));
        SoundMixer.computeSpectrum(bytes, false);
        var first = [for (i in 0...3) Math.round(bytes.readFloat() * 1000) / 1000];
        bytes.position = 1024;
        report("wave", first.join(",") + "," + Math.round(bytes.readFloat() * 1000) / 1000);
    }

    static function main() {
        flash.Lib.current.addEventListener(Event.ENTER_FRAME, mixer);
        var file:String = flash.Lib.current.loaderInfo.parameters.file;
        var sound = new Sound();
        var seen = [];
        var lengths = [];
        var note = function(name:String) if (seen.length == 0 || seen[seen.length - 1] != name) seen.push(name);
        sound.addEventListener(Event.OPEN, function(_) note("open"));
        sound.addEventListener(ProgressEvent.PROGRESS, function(e:ProgressEvent) {
            note("progress");
            lengths.push(sound.length);
        });
        sound.addEventListener(Event.ID3, function(_) {
            note("id3");
            var t = sound.id3;
            report("id3", [t.songName, t.artist, t.album, t.year, t.track].join(","));
            report("comment", t.comment);
        });
        sound.addEventListener(Event.COMPLETE, function(_) {
            note("complete");
            report("events", seen.join(","));
            var growing = true;
            for (i in 1...lengths.length)
                growing = growing && lengths[i] >= lengths[i - 1];
            report("loaded", (1.0 * sound.bytesLoaded == 1.0 * sound.bytesTotal && sound.bytesTotal != 0) + "," + growing + ","
                + Math.round(sound.length) + "," + sound.isBuffering);
            // 0.1 s of a 440 Hz tone crosses zero about 88 times; from 0.2 s
            // on, past the file's 100 ms of silence.
            var bytes = new ByteArray();
            var n = Std.int(sound.extract(bytes, 4410, 8820));
            bytes.position = 0;
            report("extract", n + "," + bytes.length + "," + shape(bytes, n));
            var rest = new ByteArray();
            var more = sound.extract(rest, 1000000);
            var again = sound.extract(rest, 1000000);
            report("rest", (13230 + more) + "," + Math.round(sound.length * 44.1) + "," + again);
            channel = sound.play();
            report("played", "" + (channel != null));
        });
        sound.load(new URLRequest(file));
        // Played before any byte came: channels that start with the first
        // bytes, one of them stopped before.
        var early = sound.play(250);
        var stopped = sound.play();
        stopped.stop();
        report("early", (early != null) + "," + early.position + "," + sound.isBuffering + "," + stopped.position);

        var missing = new Sound(new URLRequest("missing.mp3"));
        missing.addEventListener(IOErrorEvent.IO_ERROR, function(e:IOErrorEvent) report("missing", e.type + "," + e.text.substr(0, 11)));
        try {
            missing.load(new URLRequest("missing.mp3"));
        } catch (e:flash.errors.Error) {
            report("again", "" + e.errorID);
        }
    }
}
