// Vector.<T> as compiled code uses it; each check reports through fscommand.
import flash.Vector;

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
    }
}
