// Loaded movies of other origins: what LoaderInfo says of the two movies
// and whether this movie may take the content. The test names the movies
// to load in the parameter "children" (name=url, comma-separated).
import flash.display.Loader;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLRequest;

class Origins {
    static var pending = 0;
    static var results = new Array<String>();

    static function done(line:String) {
        results.push(line);
        if (--pending == 0) {
            results.sort(function(a, b) return a < b ? -1 : (a > b ? 1 : 0));
            flash.Lib.fscommand("origins", results.join("|"));
        }
    }

    static function content(l:Loader):String {
        try { return l.content != null ? "ok" : "null"; } catch (e:flash.errors.Error) { return "" + e.errorID; }
    }

    static function infoContent(l:Loader):String {
        try { return l.contentLoaderInfo.content != null ? "ok" : "null"; } catch (e:flash.errors.Error) { return "" + e.errorID; }
    }

    static function main() {
        var children:String = flash.Lib.current.loaderInfo.parameters.children;
        for (child in children.split(",")) {
            var parts = child.split("=");
            var name = parts[0];
            var loader = new Loader();
            var info = loader.contentLoaderInfo;
            pending++;
            info.addEventListener(Event.COMPLETE, function(_) done(name + ":same" + info.sameDomain + ",child"
                + info.childAllowsParent + ",parent" + info.parentAllowsChild + "," + content(loader) + ","
                + infoContent(loader)));
            info.addEventListener(IOErrorEvent.IO_ERROR, function(e:IOErrorEvent) done(name + ":io" + (cast e).errorID));
            info.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(e:SecurityErrorEvent) done(name + ":security" + (cast e).errorID));
            loader.load(new URLRequest(parts[1]));
        }
    }
}
