// Objects under a point that belong to loaded movies of other origins: left
// out of getObjectsUnderPoint and told by areInaccessibleObjectsUnderPoint.
// The test names the movies in the parameter "children" (name=url, comma-
// separated); each shows a 50 pixel square and is placed 60 pixels right of
// the one before.
import flash.display.Loader;
import flash.events.Event;
import flash.geom.Point;
import flash.net.URLRequest;

class Hidden {
    static function main() {
        var root = flash.Lib.current;
        var children:String = root.loaderInfo.parameters.children;
        var pending = 0;
        var results = new Array<String>();
        var index = 0;
        for (child in children.split(",")) {
            var parts = child.split("=");
            var name = parts[0];
            var loader = new Loader();
            loader.x = 60 * index++;
            root.addChild(loader);
            pending++;
            loader.contentLoaderInfo.addEventListener(Event.COMPLETE, function(_) {
                var at = new Point(loader.x + 25, 25);
                results.push(name + ":" + root.stage.getObjectsUnderPoint(at).length + ","
                    + root.stage.areInaccessibleObjectsUnderPoint(at) + "," + root.areInaccessibleObjectsUnderPoint(at));
                if (--pending == 0) {
                    results.sort(function(a, b) return a < b ? -1 : (a > b ? 1 : 0));
                    flash.Lib.fscommand("reach", results.join("|"));
                }
            });
            loader.load(new URLRequest(parts[1]));
        }
    }
}
