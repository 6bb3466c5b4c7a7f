// Loads itself, one deeper each time, into a Loader of its own, each copy in
// a domain of its own; the copy whose load fails says how deep it is and
// the error. Nothing else bounds it: the player must. The depth travels as
// that many "x" in the query.
import flash.display.Loader;
import flash.events.IOErrorEvent;
import flash.net.URLRequest;

class Nesting {
    static function main() {
        var info = flash.Lib.current.loaderInfo;
        var given:String = info.parameters.depth;
        var depth = given == null ? "" : given;
        var loader = new Loader();
        flash.Lib.current.addChild(loader);
        loader.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR,
            function(e:IOErrorEvent) flash.Lib.fscommand("nesting", depth.length + ":" + (cast e).errorID));
        loader.load(new URLRequest(info.url.split("?")[0] + "?depth=" + depth + "x"),
            new flash.system.LoaderContext(false, new flash.system.ApplicationDomain(null)));
    }
}
