// flash.net over HTTP, from a movie the test serves on 127.0.0.1: how GET
// and POST carry their data, HTTP errors, and the remote sandbox.
import flash.events.Event;
import flash.events.HTTPStatusEvent;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLRequest;
import flash.net.URLRequestHeader;
import flash.net.URLRequestMethod;
import flash.net.URLVariables;
import flash.utils.ByteArray;

class Http {
    static var pending = 0;
    static var results = new Array<String>();

    static function load(name:String, request:URLRequest) {
        pending++;
        var l = new URLLoader();
        var log = name + ":";
        l.addEventListener(HTTPStatusEvent.HTTP_STATUS, function(e:HTTPStatusEvent) log += "status" + e.status + ",");
        l.addEventListener(Event.COMPLETE, function(_) done(log + l.data));
        l.addEventListener(IOErrorEvent.IO_ERROR, function(e:IOErrorEvent) done(log + "io" + (cast e).errorID));
        l.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(e:SecurityErrorEvent) done(log + "security" + (cast e).errorID));
        l.load(request);
    }

    static function done(line:String) {
        results.push(line);
        if (--pending == 0) {
            results.sort(function(a, b) return a < b ? -1 : (a > b ? 1 : 0));
            flash.Lib.fscommand("loads", results.join("|"));
        }
    }

    static function main() {
        // With "only" (name=url, comma-separated) just those loads.
        var only:String = flash.Lib.current.loaderInfo.parameters.only;
        if (only != null) {
            for (item in only.split(",")) {
                var name = item.substr(0, item.indexOf("="));
                load(name, new URLRequest(item.substr(name.length + 1)));
            }
            return;
        }
        var post = new URLRequest("echo");
        post.method = URLRequestMethod.POST;
        var v = new URLVariables();
        var dv:Dynamic = v;
        dv.a = "1 2";
        post.data = v;
        post.requestHeaders = [new URLRequestHeader("X-Token", "t1")];
        load("post", post);

        var get = new URLRequest("echo?x=1");
        var g = new URLVariables();
        var dg:Dynamic = g;
        dg.b = "2";
        get.data = g;
        load("get", get);

        var raw = new URLRequest("echo");
        raw.method = URLRequestMethod.POST;
        raw.contentType = "application/octet-stream";
        var bytes = new ByteArray();
        bytes.writeUTFBytes("raw");
        raw.data = bytes;
        load("raw", raw);

        untyped __global__["flash.net.sendToURL"](new URLRequest("ping?x=1"));
        load("missing", new URLRequest("nothing"));
        load("local", new URLRequest("file:///etc/hostname"));
        // Other origins, given in the movie's parameters: read by their crossdomain.xml only.
        var parameters:Dynamic = flash.Lib.current.loaderInfo.parameters;
        load("allowed", new URLRequest(parameters.allowing + "/data.txt"));
        load("denied", new URLRequest(parameters.denying + "/data.txt"));
        flash.Lib.fscommand("sandbox", flash.system.Security.sandboxType);
    }
}
