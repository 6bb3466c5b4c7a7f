// Compiled by the build into a version 10 movie; the tests load its ABC to
// check that a real compiler's output parses and passes the verifier.
class Animal {
    public var legs:Int = 4;
    public function new() {}
    public function speak():String { return "..."; }
}

class Dog extends Animal {
    override public function speak():String { return "Woof" + super.speak(); }
}

class Basics {
    static function main() {
        var sum = 0;
        for (i in 0...100) sum += i;
        var d = new Dog();
        var s = d.speak() + sum;
        try { throw "x"; } catch (e:String) { s += e; }
        var list = [1, 2, 3];
        var map = new Map<String, Int>();
        map.set("a", 1);
        switch (list.length) {
            case 1: s += "one";
            case 3: s += "three";
            default: s += "many";
        }
        var f = function(x:Int) return x * 2;
        s += f(21) + Math.floor(2.5) + Std.string(map.get("a"));
        trace(s);
    }
}
