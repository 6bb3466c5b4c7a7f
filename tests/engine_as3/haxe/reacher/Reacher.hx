// A child movie that tries its loader's objects and tells through
// loaderInfo.sharedEvents (it may not call fscommand from another origin);
// with ?grant=host in its URL it lets that host in first.
import flash.events.Event;
import flash.events.TextEvent;

class Reacher {
    static function attempt(f:Void->Dynamic):String {
        try { return f() != null ? "ok" : "null"; } catch (e:flash.errors.SecurityError) { return "" + e.errorID; }
    }

    static function main() {
        var me = flash.Lib.current;
        var grant:String = me.loaderInfo.parameters.grant;
        if (grant != null)
            flash.system.Security.allowDomain(grant);
        var said = [
            attempt(function() return me.parent),
            attempt(function() return me.loaderInfo.loader),
            attempt(function() return me.stage.getChildAt(0)),
            (me.root == me ? "own" : "other"),
            (me.stage != null ? "stage" : "nostage"),
        ].join(",");
        // While this movie's listener runs, the loader's code reads the event it held.
        me.addEventListener("poke", function(_) me.loaderInfo.sharedEvents.dispatchEvent(new Event("peek")));
        me.dispatchEvent(new Event("poke", true));
        me.dispatchEvent(new flash.events.MouseEvent("peerMouse", true, false, 0, 0, me));
        me.dispatchEvent(new flash.events.FocusEvent("peerFocus", true, false, me));
        me.dispatchEvent(new flash.events.ContextMenuEvent("peerMenu", true, false, me, me));
        me.loaderInfo.sharedEvents.dispatchEvent(new TextEvent("reach", false, false, said));
    }
}
