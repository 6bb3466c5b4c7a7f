// Loader.loadBytes over bytes this movie fetched: the parameter "child" is
// an ActionScript 3 movie of this origin, "foreign" a file of another origin
// that has no policy. Reports "bytes" once all is settled. (The try blocks
// stay in static functions: the player fails them inside closures.)
import flash.display.Loader;
import flash.events.Event;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLLoaderDataFormat;
import flash.net.URLRequest;
import flash.system.LoaderContext;
import flash.utils.ByteArray;

class Bytes {
    static var results = new Array<String>();
    static var pending = 2;

    static function done(line:String) {
        results.push(line);
        if (--pending == 0)
            flash.Lib.fscommand("bytes", results.join("|"));
    }

    static function fetch(url:String, then:ByteArray->Void) {
        var l = new URLLoader();
        l.dataFormat = URLLoaderDataFormat.BINARY;
        l.addEventListener(Event.COMPLETE, function(_) then(l.data));
        l.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(e:SecurityErrorEvent) done("fetch" + (cast e).errorID));
        l.load(new URLRequest(url));
    }

    // loadBytes with the context's `name` false: the error it throws.
    static function refusal(bytes:ByteArray, name:String):String {
        var context = new LoaderContext();
        Reflect.setField(context, name, false);
        try { new Loader().loadBytes(bytes, context); } catch (e:flash.errors.SecurityError) { return "" + e.errorID; }
        return "loaded";
    }

    static function content(loader:Loader):String {
        try { return loader.content != null ? "ok" : "null"; } catch (e:flash.errors.Error) { return "" + e.errorID; }
    }

    static function main() {
        var params = flash.Lib.current.loaderInfo.parameters;
        fetch(params.child, function(bytes:ByteArray) {
            var refused = refusal(bytes, "allowCodeImport") + "," + refusal(bytes, "allowLoadBytesCodeExecution");
            var loader = new Loader();
            flash.Lib.current.addChild(loader);
            var info = loader.contentLoaderInfo;
            info.addEventListener(Event.COMPLETE, function(_) done("loaded:" + refused + "," + info.url + ","
                + info.sameDomain + "," + info.childAllowsParent + "," + info.parentAllowsChild + "," + content(loader)));
            loader.loadBytes(bytes);
        });
        fetch(params.foreign, function(bytes:ByteArray) done("foreign read " + bytes.length));
    }
}
