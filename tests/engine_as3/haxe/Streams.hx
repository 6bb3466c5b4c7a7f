// flash.media.Video and flash.net's NetConnection and NetStream: a local FLV
// (the media tests' av_cue.flv, next to the movie) played into a video,
// with its status events, metadata and cue point; a missing file; a
// timeline-placed video named "placed" and bitmaps "pic" (no class) and
// "dot" (linked to Dot) when the test puts them there.
// Reports go out through fscommand; the test moves the clock each frame.
import flash.display.Bitmap;
import flash.display.BitmapData;
import flash.display.MovieClip;
import flash.events.Event;
import flash.events.NetStatusEvent;
import flash.media.SoundTransform;
import flash.media.Video;
import flash.net.NetConnection;
import flash.net.NetStream;

@:bitmap("two_pixels.png") class Dot extends BitmapData {}

class Streams {
    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static var stream:NetStream;
    static var video:Video;
    static var frames = 0;

    static function placedBitmap(root:MovieClip, name:String) {
        var placed = root.getChildByName(name);
        if (placed == null)
            return;
        var data = Std.isOfType(placed, Bitmap) ? cast(placed, Bitmap).bitmapData : null;
        report(name, Std.isOfType(placed, Bitmap) + "," + (data == null ? "null" : data.width + "x" + data.height + ","
            + StringTools.hex(data.getPixel32(0, 0), 8) + "," + Std.isOfType(data, Dot)));
    }

    static function main() {
        var root:MovieClip = flash.Lib.current;
        placedBitmap(root, "pic");
        placedBitmap(root, "dot");
        var placed = root.getChildByName("placed");
        if (placed != null) {
            var v:Video = cast placed;
            report("placed", Std.isOfType(placed, Video) + "," + placed.name + "," + v.width + "x"
                + v.height);
            return;
        }
        var nc = new NetConnection();
        var codes = [];
        nc.addEventListener(NetStatusEvent.NET_STATUS, function(e:NetStatusEvent) codes.push(e.info.code + "/" + e.info.level));
        try {
            new NetStream(nc);
        } catch (e:flash.errors.ArgumentError) {
            report("unconnected", "" + e.errorID);
        }
        nc.connect(null);
        report("connect", codes.join(",") + "," + nc.connected);

        stream = new NetStream(nc);
        stream.client = {
            onMetaData: function(info:Dynamic) report("meta", info.width + "x" + info.height + "," + info.duration),
            onCuePoint: function(info:Dynamic) report("cue", info.name + "," + info.time + "," + info.type)
        };
        stream.addEventListener(NetStatusEvent.NET_STATUS, function(e:NetStatusEvent) report("status", e.info.code));
        video = new Video(128, 96);
        video.x = 20;
        root.addChild(video);
        report("video", video.videoWidth + "," + video.width + "x" + video.height + "," + video.smoothing + ","
            + video.deblocking);
        video.attachNetStream(stream);
        stream.soundTransform = new SoundTransform(0.5);
        report("volume", "" + stream.soundTransform.volume);
        stream.play("av_cue.flv");

        var missing = new NetStream(nc);
        missing.addEventListener(NetStatusEvent.NET_STATUS, function(e:NetStatusEvent) report("missing", e.info.code + "/"
            + e.info.level));
        missing.play("nothing-here.flv");
        root.addEventListener(Event.ENTER_FRAME, onFrame);
    }

    // The test's clock moves 100 ms a frame.
    static function onFrame(_) {
        frames++;
        report("frame", frames + "," + stream.time + "," + video.videoWidth + "x" + video.videoHeight + ","
            + (stream.bytesLoaded == stream.bytesTotal && stream.bytesTotal > 0));
        switch (frames) {
            case 5: stream.pause();
            case 8: stream.resume();
            case 9: stream.seek(0.2);
            case 10: stream.togglePause();
            case 11: stream.togglePause();
            case 40: stream.close();
            default:
        }
    }
}
