// flash.net: variables, requests, loads of local files (text, binary,
// variables), their failures and the sandbox's refusals, SharedObject and
// navigateToURL. The test writes the files next to the movie's location.
import flash.events.Event;
import flash.events.HTTPStatusEvent;
import flash.events.IOErrorEvent;
import flash.events.ProgressEvent;
import flash.events.SecurityErrorEvent;
import flash.net.SharedObject;
import flash.net.URLLoader;
import flash.net.URLLoaderDataFormat;
import flash.net.URLRequest;
import flash.net.URLRequestHeader;
import flash.net.URLRequestMethod;
import flash.net.URLVariables;
import flash.utils.ByteArray;

class Net {
    static var pending = 0;
    static var results = new Array<String>();

    static function errorOf(f:Void->Void):String {
        try { f(); } catch (e:flash.errors.Error) { return "" + e.errorID; }
        return "none";
    }

    static function done(line:String) {
        results.push(line);
        if (--pending == 0) {
            results.sort(function(a, b) return a < b ? -1 : (a > b ? 1 : 0));
            flash.Lib.fscommand("loads", results.join("|"));
        }
    }

    static function load(name:String, url:String, format:URLLoaderDataFormat) {
        pending++;
        var l = new URLLoader();
        l.dataFormat = format;
        var log = name + ":";
        l.addEventListener(Event.OPEN, function(_) log += "open,");
        l.addEventListener(ProgressEvent.PROGRESS, function(e:ProgressEvent) log += "progress" + e.bytesLoaded + "/" + e.bytesTotal + ",");
        l.addEventListener(HTTPStatusEvent.HTTP_STATUS, function(e:HTTPStatusEvent) log += "status" + e.status + ",");
        l.addEventListener(Event.COMPLETE, function(_) {
            var d:Dynamic = l.data;
            var shown = format == URLLoaderDataFormat.BINARY ? d.length + "@" + d[0]
                : format == URLLoaderDataFormat.VARIABLES ? d.name + "+" + d.n : d;
            done(log + "complete=" + shown + "," + l.bytesLoaded + "/" + l.bytesTotal);
        });
        l.addEventListener(IOErrorEvent.IO_ERROR, function(e:IOErrorEvent) done(log + "io" + (cast e).errorID));
        l.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(e:SecurityErrorEvent) done(log + "security" + (cast e).errorID));
        l.load(new URLRequest(url));
    }

    static function main() {
        var params:Dynamic = flash.Lib.current.loaderInfo.parameters;

        // Variables: repeated names collect in an Array, escapes decode.
        var v = new URLVariables("a=1&b=x%20y+z&a=2&c=");
        var d:Dynamic = v;
        var vars = d.a.length + "," + d.a[1] + "," + d.b + "," + (d.c == "") + ",";
        var w = new URLVariables();
        var dw:Dynamic = w;
        dw.name = "A & B";
        dw.list = ["1", "2"];
        vars += w.toString() + "," + errorOf(function() new URLVariables("novalue"));
        flash.Lib.fscommand("variables", vars);

        // Requests and their checks.
        var r = new URLRequest("x.txt");
        var checks = r.method + "," + errorOf(function() r.method = "PUT") + ",";
        r.requestHeaders = [new URLRequestHeader("Host", "evil")];
        checks += errorOf(function() new URLLoader().load(r)) + ",";
        r.requestHeaders = [new URLRequestHeader("X-Ok", "a\r\nInjected: 1")];
        checks += errorOf(function() new URLLoader().load(r)) + ",";
        checks += errorOf(function() new URLLoader().load(null)) + ",";
        checks += errorOf(function() new URLLoader().close()) + ",";
        checks += errorOf(function() { var x:Dynamic = new URLLoader(); x.dataFormat = "xml"; });
        flash.Lib.fscommand("requests", checks);

        // navigateToURL: GET data rides in the query.
        var page = new URLRequest("http://example.org/page?x=1");
        var pv = new URLVariables();
        var dpv:Dynamic = pv;
        dpv.q = "a b";
        page.data = pv;
        flash.Lib.getURL(page, "_self");

        // Loads, which land in later frames.
        load("text", "data/hello.txt", URLLoaderDataFormat.TEXT);
        load("binary", "data/hello.txt", URLLoaderDataFormat.BINARY);
        load("vars", "data/vars.txt", URLLoaderDataFormat.VARIABLES);
        load("missing", "data/none.txt", URLLoaderDataFormat.TEXT);
        load("outside", "../outside.txt", URLLoaderDataFormat.TEXT);
        load("network", "http://127.0.0.1:9/x.txt", URLLoaderDataFormat.TEXT);
        load("scheme", "ftp://example.org/x.txt", URLLoaderDataFormat.TEXT);
        // A stream reads the bytes as they are.
        pending++;
        var stream = new flash.net.URLStream();
        var early = errorOf(function() stream.readByte());
        stream.addEventListener(Event.COMPLETE, function(_) done("stream:" + early + "," + stream.bytesAvailable + ","
            + stream.readUTFBytes(5) + "," + stream.readUnsignedByte() + "," + stream.bytesAvailable + "," + stream.connected));
        stream.load(new URLRequest("data/hello.txt"));
        // A load replaced before it lands is never heard of.
        var replaced = new URLLoader();
        replaced.addEventListener(Event.COMPLETE, function(_) flash.Lib.fscommand("replaced", "heard"));
        replaced.load(new URLRequest("data/hello.txt"));
        replaced.close();

        // SharedObject: what the first run stored, the second reads.
        var so = SharedObject.getLocal("game");
        var shared = (SharedObject.getLocal("game") == so) + "," + so.objectEncoding + "," + so.data.score + ",";
        if (params.phase == "write") {
            so.data.score = 42;
            so.data.names = ["x", "y"];
            so.setProperty("level", 3);
            shared += so.flush() + "," + (so.size > 0);
            var big = SharedObject.getLocal("big");
            var s = "";
            for (i in 0...2000) s += "0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz";
            big.data.text = s;
            shared += "," + errorOf(function() big.flush());
        } else {
            shared += so.data.names == null ? "none" : so.data.names[1] + so.data.level;
            so.clear();
            shared += "," + so.size + "," + so.data.score;
        }
        shared += "," + errorOf(function() SharedObject.getLocal("a/../b"));
        flash.Lib.fscommand("shared", shared);
    }
}
