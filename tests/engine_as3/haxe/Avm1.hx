// An ActionScript 2 movie (old.swf, written by the test) in a Loader moved
// to (100, 20) and scaled twice, at half alpha when the phase says so. It
// reports what AS3 sees of it, and unloads it when the container calls
// unload.
import flash.display.Loader;
import flash.events.Event;
import flash.external.ExternalInterface;
import flash.net.URLRequest;

class Avm1 {
    // Its clips are no properties of it.
    static function reach(content:Dynamic):String {
        try { return "" + content.c; } catch (e:flash.errors.Error) { return "" + e.errorID; }
        return "none";
    }

    static function main() {
        var loader = new Loader();
        loader.x = 100;
        loader.y = 20;
        loader.scaleX = loader.scaleY = 2;
        if (flash.Lib.current.loaderInfo.parameters.phase == "faded")
            loader.alpha = 0.5;
        flash.Lib.current.addChild(loader);
        loader.contentLoaderInfo.addEventListener(Event.COMPLETE, function(_) {
            var i = loader.contentLoaderInfo;
            var content:Dynamic = loader.content;
            flash.Lib.fscommand("loaded", i.actionScriptVersion + "," + i.swfVersion + ","
                + Std.is(content, flash.display.DisplayObjectContainer) + "," + reach(content));
        });
        ExternalInterface.addCallback("unload", function() {
            loader.unloadAndStop();
            return "ok";
        });
        loader.load(new URLRequest("old.swf"));
    }
}
