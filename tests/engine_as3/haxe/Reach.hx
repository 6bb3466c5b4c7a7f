// Loads the children named in the parameter "children" (name=url, comma-
// separated) onto the stage and reports what each child reached of this
// movie (told through sharedEvents), whether this movie saw the target of a
// bubbling event from it, that event's current target while the child's own
// listener ran, the related objects of mouse, focus and menu events from it
// ("!": said to be inaccessible), and whether it could take its content. With the parameter
// "grant" this movie lets that domain in first.
import flash.display.Loader;
import flash.events.Event;
import flash.events.TextEvent;
import flash.net.URLRequest;

class Reach {
    static var pending = 0;
    static var results = new Array<String>();

    static function attempt(f:Void->Dynamic):String {
        try { return f() != null ? "ok" : "null"; } catch (e:flash.errors.SecurityError) { return "" + e.errorID; }
    }

    static function veil(o:Dynamic, inaccessible:Bool):String {
        return (o == null ? "hidden" : "seen") + (inaccessible ? "!" : "");
    }

    static function main() {
        var params = flash.Lib.current.loaderInfo.parameters;
        if (params.grant != null)
            flash.system.Security.allowDomain(params.grant);
        var children:String = params.children;
        for (child in children.split(",")) {
            var name = child.substr(0, child.indexOf("="));
            var url = child.substr(name.length + 1);
            var loader = new Loader();
            flash.Lib.current.addChild(loader);
            var reached = "none", seen = "none", current = "none", related = [];
            var held:Event = null;
            pending++;
            loader.contentLoaderInfo.sharedEvents.addEventListener("reach", function(e:TextEvent) reached = e.text);
            loader.addEventListener("poke", function(e:Event) seen = e.target == null ? "hidden" : "seen");
            loader.addEventListener("poke", function(e:Event) held = e, true);
            loader.contentLoaderInfo.sharedEvents.addEventListener("peek",
                function(_) current = held.currentTarget == null ? "hidden" : "seen");
            loader.addEventListener("peerMouse",
                function(e:flash.events.MouseEvent) related.push(veil(e.relatedObject, e.isRelatedObjectInaccessible)));
            loader.addEventListener("peerFocus",
                function(e:flash.events.FocusEvent) related.push(veil(e.relatedObject, e.isRelatedObjectInaccessible)));
            loader.addEventListener("peerMenu",
                function(e:flash.events.ContextMenuEvent) related.push(veil(e.mouseTarget, e.isMouseTargetInaccessible)));
            loader.contentLoaderInfo.addEventListener(Event.COMPLETE, function(_) {
                results.push(name + ":" + reached + "|" + seen + "," + current + "," + related.join(",") + "," + attempt(function() return loader.getChildAt(0)));
                if (--pending == 0) {
                    results.sort(function(a, b) return a < b ? -1 : (a > b ? 1 : 0));
                    flash.Lib.fscommand("reach", results.join(";"));
                }
            });
            // Its own domain: its flash.Lib is its own, even from this origin.
            loader.load(new URLRequest(url),
                new flash.system.LoaderContext(false, new flash.system.ApplicationDomain(null)));
        }
    }
}
