// Application domains: two haxe movies, each with its own flash.Boot and a
// Greeter of its own, loaded side by side into new domains; then one into
// this movie's domain and one into a child of it, which sees its parent's
// Greeter first.
import flash.display.Loader;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.net.URLRequest;
import flash.system.ApplicationDomain;
import flash.system.LoaderContext;

class Domains {
    static var results = new Array<String>();

    static function errorOf(f:Void->Dynamic):String {
        try { f(); } catch (e:flash.errors.Error) { return "" + e.errorID; }
        return "none";
    }

    static function load(name:String, url:String, context:LoaderContext, report:Loader->String, next:Void->Void) {
        var loader = new Loader();
        flash.Lib.current.addChild(loader);
        var info = loader.contentLoaderInfo;
        info.addEventListener(Event.COMPLETE, function(_) {
            results.push(name + ":" + report(loader));
            next();
        });
        info.addEventListener(IOErrorEvent.IO_ERROR, function(e) {
            results.push(name + ":io");
            next();
        });
        loader.load(new URLRequest(url), context);
    }

    static function main() {
        var here = ApplicationDomain.currentDomain;
        var system = here.parentDomain;
        flash.Lib.fscommand("here", (here == ApplicationDomain.currentDomain) + "," + (system != null) + ","
            + (system.parentDomain == null) + "," + here.hasDefinition("Domains") + "," + here.hasDefinition("Greeter")
            + "," + system.hasDefinition("flash.display.Sprite") + "," + system.hasDefinition("Domains") + ","
            + errorOf(function() return here.getDefinition("Nothing")) + ","
            + ((untyped here).getQualifiedDefinitionNames().indexOf("Domains") >= 0));

        var boots = new Array<Dynamic>();
        function report(main:String) {
            return function(l:Loader):String {
                var domain = l.contentLoaderInfo.applicationDomain;
                var boot:Dynamic = domain.getDefinition("flash.Boot");
                boots.push(boot);
                var greeter:Dynamic = domain.getDefinition("Greeter");
                var child:Dynamic = domain.getDefinition(main);
                return child.said + "," + greeter.say() + "," + (domain == here) + "," + (domain.parentDomain == here)
                    + "," + (domain.parentDomain == system) + "," + domain.hasDefinition("Domains") + ","
                    + (boot == here.getDefinition("flash.Boot"));
            };
        }
        var waiting = 2;
        function finish() {
            flash.Lib.fscommand("domains", results.join("|") + "|boots:" + (boots[0] != boots[1]));
        }
        function late() {
            if (--waiting > 0)
                return;
            // Into this movie's domain: its Greeter becomes this domain's.
            load("shared", "a.swf", new LoaderContext(false, here), report("ChildA"), function() {
                load("child", "b.swf", null, report("ChildB"), finish);
            });
        }
        load("a", "a.swf", new LoaderContext(false, new ApplicationDomain()), report("ChildA"), late);
        load("b", "b.swf", new LoaderContext(false, new ApplicationDomain(null)), report("ChildB"), late);
    }
}
