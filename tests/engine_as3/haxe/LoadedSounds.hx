// Sounds of a movie a Loader brought (the "child" parameter): with play=1
// its Sound symbol Snd, made from the child's domain, plays here 100 times;
// with "volume" the content's soundTransform takes that volume, with
// "rootVolume" this movie's root's; on the
// second frame after it arrived the "stop" parameter acts (unloadAndStop,
// unload, stopAll or none). Reports go out through fscommand.
import flash.display.Loader;
import flash.events.Event;
import flash.media.Sound;
import flash.media.SoundMixer;
import flash.media.SoundTransform;
import flash.net.URLRequest;

class LoadedSounds {
    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static function main() {
        var params:Dynamic = flash.Lib.current.loaderInfo.parameters;
        var loader = new Loader();
        flash.Lib.current.addChild(loader);
        loader.contentLoaderInfo.addEventListener(Event.COMPLETE, function(_) {
            if (params.play == "1") {
                var linked:Class<Dynamic> = cast loader.contentLoaderInfo.applicationDomain.getDefinition("Snd");
                var sound:Sound = Type.createInstance(linked, []);
                var channel = sound.play(0, 100);
                report("symbol", Math.round(sound.length) + "," + sound.bytesTotal + "," + (channel != null));
            }
            if (params.volume != null) {
                var content:flash.display.Sprite = cast loader.content;
                content.soundTransform = new SoundTransform(Std.parseFloat(params.volume));
                report("volume", "" + content.soundTransform.volume);
            }
            if (params.rootVolume != null)
                flash.Lib.current.soundTransform = new SoundTransform(params.rootVolume * 1.0);
            var frames = 0;
            flash.Lib.current.addEventListener(Event.ENTER_FRAME, function(_) {
                if (++frames != 2)
                    return;
                switch (params.stop) {
                    case "unloadAndStop":
                        loader.unloadAndStop();
                    case "unload":
                        loader.unload();
                    case "stopAll":
                        SoundMixer.stopAll();
                }
                report("stopped", params.stop);
            });
        });
        loader.load(new URLRequest(params.child));
    }
}
