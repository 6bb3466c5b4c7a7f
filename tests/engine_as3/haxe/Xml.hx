// E4X reached from haxe through dynamic access (haxe has no XML syntax):
// children by name and index, attributes, descendants, methods, settings,
// assignment; and describeType of a haxe class.
// Its method is bound under the interface's namespace as well; listed once.
interface Counted {
    function total(a:Int, ?b:Float):Float;
}

class Item implements Counted {
    public var count:Int;
    public var label:String;
    public static var made:Int = 0;
    public function new() {}
    public function total(a:Int, ?b:Float):Float return a;
}

// Members describeType lists from a base: accessors of each access,
// metadata, a constructor's parameters, a namespaced variable.
class Base {
    @:ns("urn:test") public var tagged:Int;
    public function new(a:Int, ?b:String) {}
    @:meta(Marked(level = "2")) public function inherited():Void {}
    @:getter(size) function getSize():Int return 1;
    @:setter(level) function setLevel(v:Int):Void {}
    @:getter(both) function getBoth():String return "";
    @:setter(both) function setBoth(v:String):Void {}
}

class Derived extends Base {
    public function new(a:Int) super(a);
}

class Labelled {
    public function new() {}
    public function toString():String return "labelled";
}

class Xml {
    static function main() {
        var xmlClass:Dynamic = untyped __global__["XML"];
        var x:Dynamic = untyped __new__(xmlClass, "<lib><book id='1'><t>A</t></book><book id='2'><t>B</t></book></lib>");
        var books:Dynamic = x.book;
        var second:Dynamic = books[1];
        var out = books.length() + "," + second.t.toString() + "," + books.attribute("id").toString() + ","
            + x.descendants("t").length() + "," + second.childIndex() + "," + x.book[0].t.text();
        flash.Lib.fscommand("read", out);

        x.book[0].t = "Z";
        x.shelf = "new";
        var added:Dynamic = untyped __new__(xmlClass, "<book id='3'/>");
        x.appendChild(added);
        xmlClass.prettyPrinting = false;
        flash.Lib.fscommand("written", x.toXMLString());
        xmlClass.prettyPrinting = true;

        var describe:Dynamic = untyped __global__["flash.utils.describeType"];
        var d:Dynamic = describe(new Item());
        flash.Lib.fscommand("described", d.attribute("name").toString() + "," + d.variable.length() + ","
            + d.method.attribute("name").toString() + "," + d.method.parameter.length() + ","
            + d.method.parameter[1].attribute("optional").toString() + "," + d.extendsClass.attribute("type").toString());
        var e:Dynamic = describe(new Derived(1));
        var accessors:Array<String> = [];
        for (i in 0...e.accessor.length())
            accessors.push(e.accessor[i].attribute("name") + ":" + e.accessor[i].attribute("access") + ":" + e.accessor[i].attribute("declaredBy"));
        var marked:Dynamic = e.method.metadata;
        flash.Lib.fscommand("inherited", accessors.join(" ") + "," + e.method.attribute("declaredBy").toString() + ","
            + marked.attribute("name").toString() + "," + marked.arg.attribute("key").toString() + "=" + marked.arg.attribute("value").toString() + ","
            + e.constructor.parameter.length() + "," + e.extendsClass[0].attribute("type").toString() + ","
            + e.variable.attribute("uri").toString());
        var b:Dynamic = describe(Base);
        flash.Lib.fscommand("constructor", b.factory.constructor.parameter.length() + ","
            + b.factory.constructor.parameter[1].attribute("optional").toString());
        var c:Dynamic = describe(Item);
        flash.Lib.fscommand("static", c.attribute("isStatic").toString() + "," + c.variable.attribute("name").toString()
            + "," + c.factory.attribute("type").toString() + "," + describe(Counted).factory.implementsInterface.length()
            + "," + describe(5).attribute("isFinal").toString());
        // getDefinitionByName reached through a plain reference, as haxe's Type does.
        var define:Dynamic = untyped __global__["flash.utils.getDefinitionByName"];
        flash.Lib.fscommand("defined", (define("flash.display.Sprite") == flash.display.Sprite) + ","
            + (Type.resolveClass("Item") == Item));
        // An object's own toString method makes its text, a player class's and a movie's.
        var point:Dynamic = new flash.geom.Point(1, 2);
        var labelled:Dynamic = new Labelled();
        flash.Lib.fscommand("texts", point + "," + labelled + "," + Std.string(new flash.geom.Rectangle(1, 2, 3, 4)));
    }
}
