// An ActionScript 2 movie (old.swf, written by the test; data/old.swf in the
// phase "sub") in a Loader moved to (100, 20) and scaled twice, at half
// alpha when the phase says so. A tab-enabled AS3 square covers stage
// (185, 20) to (200, 40), above the movie. It reports what AS3 sees of the
// movie and what the movie's callbacks answer, registers "twice" for it,
// and unloads it when the container calls unload.
import flash.display.Loader;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.MouseEvent;
import flash.external.ExternalInterface;
import flash.net.URLRequest;

class Avm1 {
    // Its clips are no properties of it.
    static function reach(content:Dynamic):String {
        try { return "" + content.c; } catch (e:flash.errors.Error) { return "" + e.errorID; }
        return "none";
    }

    static function main() {
        var phase = flash.Lib.current.loaderInfo.parameters.phase;
        var loader = new Loader();
        loader.x = 100;
        loader.y = 20;
        loader.scaleX = loader.scaleY = 2;
        if (phase == "faded")
            loader.alpha = 0.5;
        flash.Lib.current.addChild(loader);
        var cover = new Sprite();
        cover.graphics.beginFill(0xFF0000);
        cover.graphics.drawRect(185, 20, 15, 20);
        cover.tabEnabled = true;
        cover.addEventListener(MouseEvent.MOUSE_DOWN, function(_) flash.Lib.fscommand("cover", ""));
        flash.Lib.current.addChild(cover);
        loader.contentLoaderInfo.addEventListener(Event.COMPLETE, function(_) {
            var i = loader.contentLoaderInfo;
            var content:Dynamic = loader.content;
            flash.Lib.fscommand("loaded", i.actionScriptVersion + "," + i.swfVersion + ","
                + Std.is(content, flash.display.DisplayObjectContainer) + "," + reach(content));
            content.addCallback("twice", function(x:Dynamic) return x * 2);
            flash.Lib.fscommand("sum", "" + content.call("sum", 2, 3));
            flash.Lib.fscommand("missing", "" + content.call("missing"));
            flash.Lib.fscommand("boom", "" + content.call("boom"));
            var back:Dynamic = content.call("echo", {a: ([1, "x"] : Array<Dynamic>), b: true});
            if (back != null)
                flash.Lib.fscommand("echo", back.a[1] + "," + back.a.length + "," + back.b);
        });
        ExternalInterface.addCallback("unload", function() {
            loader.unloadAndStop();
            return "ok";
        });
        ExternalInterface.addCallback("focusCover", function() {
            flash.Lib.current.stage.focus = cover;
            return "ok";
        });
        loader.load(new URLRequest(phase == "sub" ? "data/old.swf" : "old.swf"));
    }
}
