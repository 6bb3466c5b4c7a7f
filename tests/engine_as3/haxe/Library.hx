// The core library as a movie uses it: regular expressions, dates, number
// formatting, timers and haxe's own exceptions. Each check reports through
// fscommand; the timers report as the test moves the clock.
import flash.events.TimerEvent;
import flash.utils.Timer;

class Library {
    static var log = "";

    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static function main() {
        // haxe's EReg sits on RegExp; the String methods take one directly.
        var s = "";
        var r = ~/(\d+)-(\d+)/;
        if (r.match("call 12-345 now"))
            s += r.matched(2) + "," + r.matched(1) + "," + r.matchedPos().pos + "," + r.matchedRight() + ";";
        s += ~/o/g.replace("foo boo", "0") + ";";
        s += ~/\s*,\s*/g.split("a , b,c").join("|") + ";";
        s += ~/(\w+)@(\w+)/.replace("me@host", "$2 at $1") + ";";
        s += ~/[aeiou]/gi.map("HAXE rules", function(e) return "<" + e.matched(0) + ">") + ";";
        var text:Dynamic = "a1b22c333";
        s += text.replace(new flash.utils.RegExp("\\d+", "g"), function(m, i, all) return "[" + m + "@" + i + "]") + ";";
        s += text.match(new flash.utils.RegExp("\\d+", "g")).join("|") + "," + text.search(new flash.utils.RegExp("c")) + ";";
        var named:Dynamic = new flash.utils.RegExp("(?P<y>\\d{4})", "").exec("in 2026");
        s += named.y + named.index;
        report("regexp", s);

        // Local time of the zone the test sets, and UTC.
        var d = new Date(2021, 6, 4, 12, 0, 5);
        var nd:Dynamic = d;
        var before = new Date(2021, 2, 14, 1, 30, 0);
        var after = new Date(2021, 2, 14, 3, 30, 0);
        report("date", d.toString() + ";" + nd.toUTCString() + ";" + d.getDay() + ";" + before.getTimezoneOffset() + ","
            + after.getTimezoneOffset() + ";" + (after.getTime() - before.getTime()) / 60000 + ";"
            + Date.fromString("2021-03-14 03:30:00").getUTCHours() + ";" + Date.now().getTime() + ";" + nd.fullYear);

        // Number formatting and its range error.
        var n:Dynamic = 1234.5678;
        var f = n.toFixed(2) + "," + n.toPrecision(6) + "," + n.toExponential(3) + ",";
        var i:Dynamic = 255;
        f += i.toFixed(1) + ",";
        try {
            n.toFixed(21);
        } catch (e:Dynamic) {
            f += e.errorID;
        }
        report("numbers", f);

        // haxe's throw and catch of its own values and of the library's errors.
        var t = "";
        try {
            throw "plain";
        } catch (e:String) {
            t += e + ";";
        }
        try {
            var o:Dynamic = null;
            o.boom();
        } catch (e:Dynamic) {
            t += Std.string(e).indexOf("#1009") >= 0;
        }
        try {
            throw new haxe.Exception("wrapped");
        } catch (e:haxe.Exception) {
            t += ";" + e.message;
        }
        report("throw", t);

        // Timers on the player's clock.
        var timer = new Timer(100, 3);
        timer.addEventListener(TimerEvent.TIMER, function(e) log += "t" + timer.currentCount + "@" + flash.Lib.getTimer() + ",");
        timer.addEventListener(TimerEvent.TIMER_COMPLETE, function(e) {
            log += "done" + timer.running + ",";
        });
        timer.start();
        haxe.Timer.delay(function() log += "delay@" + flash.Lib.getTimer() + ",", 250);
        var ticks = 0;
        var interval = new haxe.Timer(120);
        interval.run = function() {
            ticks++;
            log += "i" + ticks + ",";
            if (ticks == 2)
                interval.stop();
        };
        var once:Dynamic = untyped __global__["flash.utils.setTimeout"];
        var cleared = once(function() log += "never,", 50);
        untyped __global__["flash.utils.clearTimeout"](cleared);
        once(function(a, b) log += "args" + a + b + ",", 50, "x", 2);
        once(function() {
            var stage = flash.Lib.current.stage;
            stage.frameRate = 12.5;
            report("timerlog", log + stage.frameRate);
        }, 1000);
        report("timers", "" + timer.running + timer.delay + timer.repeatCount);
    }
}
