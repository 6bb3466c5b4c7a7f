// Vector.<T> and a Proxy subclass as compiled code uses them; each check
// reports through fscommand.
import flash.Vector;

// Keeps its properties in two arrays and notes every trap it is sent.
class Bag extends flash.utils.Proxy {
    public var log:String = "";
    var keys:Array<String> = [];
    var values:Array<Dynamic> = [];

    public function new() {
        super();
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function getProperty(name:Dynamic):Dynamic {
        log += "get " + name + ",";
        var i = keys.indexOf(Std.string(name));
        return i < 0 ? null : values[i];
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function setProperty(name:Dynamic, value:Dynamic):Void {
        log += "set " + name + ",";
        var i = keys.indexOf(Std.string(name));
        if (i < 0) {
            keys.push(Std.string(name));
            values.push(value);
        } else {
            values[i] = value;
        }
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function hasProperty(name:Dynamic):Bool {
        return keys.indexOf(Std.string(name)) >= 0;
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function deleteProperty(name:Dynamic):Bool {
        var i = keys.indexOf(Std.string(name));
        if (i < 0)
            return false;
        keys.splice(i, 1);
        values.splice(i, 1);
        return true;
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function callProperty(name:Dynamic, rest:haxe.extern.Rest<Dynamic>):Dynamic {
        return "called " + name + " with " + rest.length;
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function nextNameIndex(index:Int):Int {
        return index < keys.length ? index + 1 : 0;
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function nextName(index:Int):String {
        return keys[index - 1];
    }

    @:ns("http://www.adobe.com/2006/actionscript/flash/proxy") override function nextValue(index:Int):Dynamic {
        return values[index - 1];
    }
}

class Collections {
    static function main() {
        var ints = new Vector<Int>();
        for (i in 0...5)
            ints.push(i * i);
        ints[1] = 7;
        var sum = 0;
        for (i in 0...ints.length)
            sum += ints[i];
        ints.sort(function(a, b) return b - a);
        var out = ints.join(",") + ";" + sum + ";" + ints.indexOf(9) + ";" + ints.slice(1, 3).toString();
        var numbers = Vector.ofArray([1.5, 2.5]);
        numbers.reverse();
        out += ";" + numbers.toString() + ";" + numbers.length;
        flash.Lib.fscommand("vector", out);

        var errors = "";
        var fixed = new Vector<Int>(2, true);
        try {
            fixed.push(1);
        } catch (e:flash.errors.Error) {
            errors += e.errorID + ";";
        }
        try {
            var x = ints[10];
            errors += "read " + x;
        } catch (e:flash.errors.Error) {
            errors += e.errorID + ";";
        }
        var strings = new Vector<String>();
        strings.push("b");
        strings.push("a");
        strings.sort(function(a, b) return a < b ? -1 : 1);
        errors += strings.join("") + ";" + fixed.fixed + ";" + fixed.length;
        flash.Lib.fscommand("vectorErrors", errors);

        var bag = new Bag();
        var d:Dynamic = bag;
        d.a = 1;
        d.b = "two";
        d.a = 3;
        var seen = "";
        var names:Array<String> = untyped __keys__(d);
        for (k in names)
            seen += k + "=" + Reflect.field(d, k) + " ";
        var has = untyped __in__("b", d);
        var deleted = untyped __delete__(d, "b");
        var after = untyped __in__("b", d);
        flash.Lib.fscommand("proxy", bag.log + "|" + seen + "|" + has + deleted + after + "|" + d.greet(1, 2));

        // Static methods that call the global of their own name.
        flash.Lib.fscommand("statics", Std.parseFloat("0.5") + "," + Std.parseInt("12") + "," + Std.parseInt("x"));
    }
}
