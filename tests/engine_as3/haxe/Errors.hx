// Errors thrown by the machine and caught by haxe's runtime, the frames
// getStackTrace names, and typed objects through ByteArray.writeObject.
import flash.utils.ByteArray;
import flash.utils.IDataInput;
import flash.utils.IDataOutput;

class Thrower {
    public function new() {}
    public function fail(o:Dynamic):Dynamic return o.x.y;
    public static function staticFail():Void throw new flash.errors.Error("static");
}

class Point3 {
    public var x:Int;
    public var label:String;
    public function new() {
        x = 0;
        label = "none";
    }
}

class Packed implements flash.utils.IExternalizable {
    public var v:Int;
    public function new() v = 0;
    public function writeExternal(o:IDataOutput) o.writeInt(v * 2);
    public function readExternal(i:IDataInput) v = i.readInt() + 1;
}

class Errors {
    static function main() {
        var out = "";
        try {
            new Thrower().fail(null);
        } catch (e:Dynamic) {
            out += "dyn:" + (Std.isOfType(e, flash.errors.TypeError) ? "TypeError" : "other") + ":" + e.errorID;
        }
        try {
            Thrower.staticFail();
        } catch (e:haxe.Exception) {
            out += ";exc:" + e.message;
        }
        try {
            throw "text";
        } catch (e:String) {
            out += ";str:" + e;
        }
        flash.Lib.fscommand("caught", out);
        // catch (e:Dynamic) over thrown values, the library's errors, a listener's error and a rethrow.
        var more = "";
        try { throw 5; } catch (e:Dynamic) { more += "int:" + e; }
        try { throw {a: 1}; } catch (e:Dynamic) { more += ";obj:" + e.a; }
        try { flash.Lib.current.getChildAt(9); } catch (e:Dynamic) { more += ";range:" + e.errorID; }
        var d = new flash.events.EventDispatcher();
        d.addEventListener("x", function(_) { var o:Dynamic = null; o.f(); });
        try { d.dispatchEvent(new flash.events.Event("x")); } catch (e:Dynamic) { more += ";listener:" + e.errorID; }
        try { var o:Dynamic = null; o.f(); } catch (e:Dynamic) { more += ";str:" + (Std.string(e).indexOf("Error #1009") >= 0); }
        try { var a:Array<Int> = null; a.push(1); } catch (e:Dynamic) { more += ";arr:" + e.errorID; }
        try { try { var o:Dynamic = null; o.f(); } catch (e:Dynamic) { throw e; } } catch (e:Dynamic) { more += ";rethrow:" + e.errorID; }
        try { var o:Dynamic = null; o.f(); } catch (e:flash.errors.TypeError) { more += ";typed:" + e.errorID; }
        // A listener closure catching its own error (called with no receiver).
        d.addEventListener("y", function(_) { try { throw 7; } catch (e:Dynamic) { more += ";own:" + e; } });
        d.dispatchEvent(new flash.events.Event("y"));
        flash.Lib.fscommand("more", more);
        var stack = "";
        try {
            new Thrower().fail(null);
        } catch (e:flash.errors.Error) {
            stack = e.getStackTrace();
        }
        flash.Lib.fscommand("stack", stack);

        var register:Dynamic = untyped __global__["flash.net.registerClassAlias"];
        register("geo.Point3", Point3);
        register("packed", Packed);
        var p = new Point3();
        p.x = 7;
        p.label = "seven";
        var q = new Packed();
        q.v = 20;
        var bytes = new ByteArray();
        bytes.writeObject([p, q, p]);
        bytes.position = 0;
        var back:Array<Dynamic> = bytes.readObject();
        var p2:Point3 = back[0];
        var q2:Packed = back[1];
        flash.Lib.fscommand("typed", Std.isOfType(p2, Point3) + "," + p2.x + "," + p2.label + "," + (back[2] == p2) + ","
            + Std.isOfType(q2, Packed) + "," + q2.v + "," + (bytes.position == bytes.length));
    }
}
