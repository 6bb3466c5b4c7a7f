// flash.events as a movie sees them; each check reports through fscommand.
import flash.display.Sprite;
import flash.events.Event;
import flash.events.EventDispatcher;
import flash.events.ErrorEvent;
import flash.events.TimerEvent;

class Events {
    static var log = "";
    static var frames = "";
    static var frameCount = 0;

    static function note(s:String) log += s + ";";

    static function main() {
        var root = flash.Lib.current;
        // Priorities, then the order of adding; a listener added twice runs once.
        var d = new EventDispatcher();
        var second = function(e:Event) note("b");
        d.addEventListener("x", second);
        d.addEventListener("x", function(e:Event) note("a"), false, 5);
        d.addEventListener("x", second);
        d.addEventListener("x", function(e:Event) { note("c"); e.stopImmediatePropagation(); });
        d.addEventListener("x", function(e:Event) note("never"));
        var ok = d.dispatchEvent(new Event("x"));
        note("ok=" + ok + ",has=" + d.hasEventListener("x") + "," + d.hasEventListener("y"));
        d.removeEventListener("x", second);
        d.dispatchEvent(new Event("x"));
        flash.Lib.fscommand("priorities", log);

        // Three phases over a parent chain.
        log = "";
        var outer = new Sprite();
        var inner = new Sprite();
        var leaf = new Sprite();
        outer.addChild(inner);
        inner.addChild(leaf);
        function listen(s:Sprite, name:String) {
            s.addEventListener("go", function(e:Event) note(name + "-cap" + e.eventPhase), true);
            s.addEventListener("go", function(e:Event) note(name + e.eventPhase + (e.currentTarget == s) + (e.target == leaf)));
        }
        listen(outer, "o");
        listen(inner, "i");
        listen(leaf, "l");
        leaf.dispatchEvent(new Event("go", true));
        note("|");
        leaf.dispatchEvent(new Event("go", false));
        note("|will=" + leaf.willTrigger("go") + new Sprite().willTrigger("go"));
        flash.Lib.fscommand("phases", log);

        // stopPropagation finishes the node; preventDefault only when cancelable.
        log = "";
        inner.addEventListener("stop", function(e:Event) { note("i1"); e.stopPropagation(); });
        inner.addEventListener("stop", function(e:Event) { note("i2"); e.preventDefault(); });
        outer.addEventListener("stop", function(e:Event) note("o"));
        note("" + leaf.dispatchEvent(new Event("stop", true, true)) + leaf.dispatchEvent(new Event("stop", true, false)));
        var err = new ErrorEvent(ErrorEvent.ERROR, false, false, "bad");
        note(err.text + err.type + TimerEvent.TIMER + new Event("q").toString());
        flash.Lib.fscommand("stopping", log);

        // A subtree joining and leaving the stage: each node hears it.
        log = "";
        function watch(node:Sprite, name:String) {
            node.addEventListener(Event.ADDED_TO_STAGE, function(e:Event) note("+" + name + (e.target == node)));
            node.addEventListener(Event.REMOVED_FROM_STAGE, function(e:Event) note("-" + name + (e.target == node) + (node.stage != null)));
        }
        watch(outer, "o");
        watch(inner, "i");
        watch(leaf, "l");
        root.addChild(outer);
        root.removeChild(outer);
        flash.Lib.fscommand("stageOrder", log);

        // Frame events: their order over the first frames, then an uncaught
        // error in a listener, which is reported while the movie plays on.
        var stage = root.stage;
        root.addEventListener(Event.ENTER_FRAME, function(e:Event) {
            frameCount++;
            frames += "E" + frameCount;
            if (frameCount == 3) {
                var o:Dynamic = null;
                o.boom();
            }
            if (frameCount == 4)
                flash.Lib.fscommand("frames", frames);
        });
        root.addEventListener(Event.FRAME_CONSTRUCTED, function(e:Event) frames += "C");
        // Frame events go to display objects only; an off-list sprite hears them.
        d.addEventListener(Event.ENTER_FRAME, function(e:Event) frames += "D");
        var offList = new Sprite();
        offList.addEventListener(Event.EXIT_FRAME, function(e:Event) { if (frameCount == 1) frames += "S"; });
        root.addEventListener(Event.EXIT_FRAME, function(e:Event) frames += "X");
        flash.Lib.fscommand("stage", "" + (stage != null) + (root.parent == stage) + (root.root == root) + stage.stageWidth);

        // The stage's layout as the control shares it: letters read back in
        // their order, an unknown mode refused; a noScale stage shown at a
        // new size hears resize. Activation reaches a plain dispatcher, and
        // render still reaches a sprite that stopped hearing enterFrame.
        var st:Dynamic = stage;
        var layout = "";
        st.align = "rBlx";
        layout += st.align + ",";
        try st.scaleMode = "stretch" catch (e:Dynamic) layout += e.errorID + ",";
        layout += st.scaleMode;
        st.scaleMode = "noScale";
        stage.addEventListener(Event.RESIZE, function(e:Event) layout += "," + stage.stageWidth + "x" + stage.stageHeight);
        var rendered = new Sprite();
        var ignore = function(e:Event) {};
        rendered.addEventListener(Event.RENDER, function(e:Event) layout += ",render");
        rendered.addEventListener(Event.ENTER_FRAME, ignore);
        rendered.removeEventListener(Event.ENTER_FRAME, ignore);
        stage.invalidate();
        var plain = new EventDispatcher();
        plain.addEventListener(Event.ACTIVATE, function(e:Event) layout += ",on" + (e.target == plain));
        plain.addEventListener(Event.ENTER_FRAME, function(e:Event) layout += ",enterFrame");
        // Quality reads the container's, and back in capitals; an unknown
        // one is refused.
        plain.addEventListener(Event.DEACTIVATE, function(e:Event) {
            layout += ",was" + st.quality;
            st.quality = "Best";
            try st.quality = "bogus" catch (e:Dynamic) layout += "," + e.errorID;
            flash.Lib.fscommand("layout", layout + ",off," + st.quality);
        });

        // Classes of constants movies name rather than spell out, and the
        // key location a copied keyboard event keeps.
        var define:Dynamic = untyped __global__["flash.utils.getDefinitionByName"];
        var names = [["flash.display.StageScaleMode", "NO_SCALE"], ["flash.display.StageAlign", "TOP_LEFT"],
            ["flash.display.StageQuality", "BEST"], ["flash.display.StageDisplayState", "FULL_SCREEN"],
            ["flash.display.PixelSnapping", "AUTO"], ["flash.events.EventPhase", "BUBBLING_PHASE"],
            ["flash.filters.BitmapFilterQuality", "HIGH"], ["flash.filters.BitmapFilterType", "FULL"],
            ["flash.display.SWFVersion", "FLASH10"], ["flash.display.ActionScriptVersion", "ACTIONSCRIPT3"],
            ["flash.display.FocusDirection", "NONE"]];
        var values = [];
        for (n in names) {
            var v:Dynamic = "missing";
            try v = Reflect.field(define(n[0]), n[1]) catch (e:Dynamic) {}
            values.push(v);
        }
        var key:Dynamic = new flash.events.KeyboardEvent("keyDown", true, false, 0, 97, cast 3);
        values.push(key.clone().keyLocation);
        flash.Lib.fscommand("constants", values.join(","));
    }
}
