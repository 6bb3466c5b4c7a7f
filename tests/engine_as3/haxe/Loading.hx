// flash.display.Loader and LoaderInfo over files the test writes next to
// the movie: images, an ActionScript 2 movie, bytes from a ByteArray, and
// the failures. Each load reports its events and its info.
import flash.display.Loader;
import flash.display.LoaderInfo;
import flash.events.Event;
import flash.events.HTTPStatusEvent;
import flash.events.IOErrorEvent;
import flash.events.ProgressEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLLoaderDataFormat;
import flash.net.URLRequest;
import flash.utils.ByteArray;

class Loading {
    static var pending = 0;
    static var results = new Array<String>();

    static function errorOf(f:Void->Dynamic):String {
        try { f(); } catch (e:flash.errors.Error) { return "" + e.errorID; }
        return "none";
    }

    static function className(o:Dynamic):String {
        return untyped __global__["flash.utils.getQualifiedClassName"](o);
    }

    static function done(line:String) {
        results.push(line);
        if (--pending == 0) {
            results.sort(function(a, b) return a < b ? -1 : (a > b ? 1 : 0));
            flash.Lib.fscommand("loads", results.join("|"));
        }
    }

    static function watch(name:String, loader:Loader, x:Float, onDone:Loader->String) {
        pending++;
        loader.x = x;
        flash.Lib.current.addChild(loader);
        var info = loader.contentLoaderInfo;
        var log = name + ":";
        info.addEventListener(Event.OPEN, function(_) log += "open,");
        info.addEventListener(ProgressEvent.PROGRESS, function(e:ProgressEvent) log += "progress,");
        info.addEventListener(HTTPStatusEvent.HTTP_STATUS, function(e:HTTPStatusEvent) log += "status,");
        info.addEventListener(Event.INIT, function(_) log += "init" + (loader.content != null) + ",");
        info.addEventListener(Event.COMPLETE, function(_) done(log + "complete," + onDone(loader)));
        info.addEventListener(IOErrorEvent.IO_ERROR, function(e:IOErrorEvent) done(log + "io" + (cast e).errorID));
        info.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(e:SecurityErrorEvent) done(log + "security" + (cast e).errorID));
    }

    static function load(name:String, url:String, x:Float, onDone:Loader->String) {
        var loader = new Loader();
        watch(name, loader, x, onDone);
        loader.load(new URLRequest(url));
    }

    static function image(l:Loader):String {
        var i = l.contentLoaderInfo;
        var pixels:flash.display.BitmapData = (cast l.content).bitmapData;
        return i.contentType + "," + i.width + "x" + i.height + "," + className(l.content) + ":" + pixels.width + "x"
            + pixels.height + ","
            + (l.content == i.content) + (l.content.parent == l) + (l.content.loaderInfo == i) + (i.loader == l) + ","
            + (i.bytesLoaded == i.bytesTotal) + "," + errorOf(function() return i.swfVersion);
    }

    static function main() {
        var root = flash.Lib.current;
        var main = root.loaderInfo;
        var fresh = new Loader();
        flash.Lib.fscommand("before", (main.loader == null) + "," + (main.content == root) + "," + main.parameters.phase
            + "," + (fresh.content == null) + "," + (fresh.contentLoaderInfo.url == null) + ","
            + errorOf(function() return fresh.contentLoaderInfo.width) + ","
            + errorOf(function() { fresh.loadBytes(null); return null; }));

        // A field's image of a file: a Loader of it, and the field's markup gives its size once it came.
        var pictures = new flash.text.TextField();
        pictures.htmlText = '<img src="images/a.png" id="f">';
        // Told the frame after the picture came, when the field has laid it out.
        var framesSinceImage = 0;
        root.addEventListener(Event.ENTER_FRAME, function(_) {
            var f:Dynamic = pictures.getImageReference("f");
            if (f == null || f.content == null || ++framesSinceImage != 2)
                return;
            flash.Lib.fscommand("fieldImage", Std.isOfType(f, Loader) + "," + f.content.width + ","
                + (pictures.htmlText.indexOf('WIDTH="3" HEIGHT="2"') >= 0));
        });

        var probe = new Loader();
        var sprite = new flash.display.Sprite();
        flash.Lib.fscommand("refused", [errorOf(function() return probe.addChild(sprite)),
            errorOf(function() return probe.addChildAt(sprite, 0)), errorOf(function() return probe.removeChild(sprite)),
            errorOf(function() return probe.removeChildAt(0)),
            errorOf(function() { probe.setChildIndex(sprite, 0); return null; })].join(","));

        // A loaded movie's linked symbol, made through its domain.
        load("library", "library.swf", 0, function(l:Loader) {
            var linked:Dynamic = l.contentLoaderInfo.applicationDomain.getDefinition("Dot");
            var dot:flash.display.DisplayObject = Type.createInstance(linked, []);
            return className(dot) + "," + dot.width + "x" + dot.height;
        });
        load("png", "images/a.png", 0, image);
        load("jpeg", "images/a.jpg", 20, image);
        load("gif", "images/a.gif", 40, image);
        load("avm1", "old.swf?mode=x", 60, function(l:Loader) {
            var i = l.contentLoaderInfo;
            return className(l.content) + "," + i.swfVersion + "," + i.actionScriptVersion + ","
                + i.frameRate + "," + i.width + "x" + i.height + "," + i.parameters.mode;
        });
        load("as3", "new.swf", 0, function(l:Loader) {
            var i = l.contentLoaderInfo;
            return className(l.content) + "," + i.swfVersion + "," + i.actionScriptVersion + "," + i.frameRate + ","
                + i.width + "x" + i.height;
        });
        // Closed as soon as it started: nothing is heard of that load, and
        // the same Loader loads again; closing twice is harmless.
        var closed = new Loader();
        watch("closed", closed, 100, image);
        closed.load(new URLRequest("images/a.png"));
        closed.close();
        closed.close();
        closed.load(new URLRequest("images/a.gif"));
        load("junk", "images/junk.bin", 0, function(l) return "loaded");
        load("missing", "images/none.png", 0, function(l) return "loaded");
        load("outside", "../outside.png", 0, function(l) return "loaded");

        // The same PNG from bytes, then unloaded; counted from now, as it
        // starts only when its bytes are here.
        pending++;
        var bytes = new URLLoader();
        bytes.dataFormat = URLLoaderDataFormat.BINARY;
        bytes.addEventListener(Event.COMPLETE, function(_) {
            var loader = new Loader();
            pending--;
            watch("bytes", loader, 80, function(l:Loader) {
                var content = l.content;
                var said = image(l);
                var unloads = 0;
                l.contentLoaderInfo.addEventListener(Event.UNLOAD, function(_) unloads++);
                l.unload();
                l.unload();
                return said + "," + unloads + (l.content == null) + (content.parent == null);
            });
            loader.loadBytes(bytes.data);
        });
        bytes.load(new URLRequest("images/a.png"));
    }
}
