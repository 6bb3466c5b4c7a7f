// Script-made display objects drawn through the model; the test reads the
// pixels and the geometry reported through fscommand.
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.geom.Point;

class Display {
    static function box(color:Int, x:Float, y:Float, w:Float, h:Float):Sprite {
        var s = new Sprite();
        s.graphics.beginFill(color);
        s.graphics.drawRect(0, 0, w, h);
        s.graphics.endFill();
        s.x = x;
        s.y = y;
        return s;
    }

    static function main() {
        var root = flash.Lib.current;
        root.addChild(box(0xFF0000, 10, 10, 20, 20));
        // Blue covers green where they overlap until green moves to the top.
        var green = box(0x00FF00, 40, 10, 20, 20);
        var blue = box(0x0000FF, 50, 10, 20, 20);
        root.addChild(green);
        root.addChild(blue);
        root.setChildIndex(green, root.numChildren - 1);
        var yellow = box(0xFFFF00, 80, 10, 20, 20);
        root.addChild(yellow);
        root.removeChild(yellow);
        // Nested and scaled: 10x10 drawn at twice the width.
        var holder = new Sprite();
        holder.x = 100;
        holder.y = 10;
        holder.scaleX = 2;
        holder.addChild(box(0xFF00FF, 0, 0, 10, 10));
        root.addChild(holder);
        var hidden = box(0x00FFFF, 130, 10, 20, 20);
        hidden.visible = false;
        root.addChild(hidden);
        var circle = new Shape();
        circle.graphics.beginFill(0x000000);
        circle.graphics.drawCircle(170, 30, 15);
        root.addChild(circle);
        // addChildAt 0 puts orange below purple; swapping brings it back up.
        var purple = box(0x800080, 20, 50, 20, 20);
        var orange = box(0xFF8000, 10, 50, 20, 20);
        root.addChild(purple);
        root.addChildAt(orange, 0);
        var under = root.getChildIndex(orange);
        root.swapChildren(orange, purple);
        var half = box(0xFF0000, 50, 50, 20, 20);
        half.alpha = 0.5;
        root.addChild(half);
        // Moves 10 pixels a frame.
        var mover = box(0x0000FF, 100, 50, 10, 10);
        mover.addEventListener(Event.ENTER_FRAME, function(e:Event) mover.x += 10);
        root.addChild(mover);

        // Filters are copied in and out through the shared filter model.
        hidden.filters = [new flash.filters.GlowFilter(0x00FF00, 0.5, 8, 9), new flash.filters.BlurFilter(3, 5)];
        var glow:flash.filters.GlowFilter = cast hidden.filters[0];
        var blur:flash.filters.BlurFilter = cast hidden.filters[1];
        // render once after invalidate, at the end of the next frame.
        var renders = 0;
        root.stage.addEventListener(Event.RENDER, function(e:Event) flash.Lib.fscommand("render", "" + (++renders)));
        mover.addEventListener(Event.ENTER_FRAME, function(e:Event) if (mover.x == 110) root.stage.invalidate());

        var p = holder.localToGlobal(new Point(5, 5));
        var q = holder.globalToLocal(new Point(110, 20));
        var b = holder.getBounds(root);
        var facts:Array<Dynamic> = [
            p.x, p.y, q.x, q.y, b.x, b.y, b.width, b.height, holder.width, holder.height, under,
            circle.hitTestPoint(157, 17, false), circle.hitTestPoint(157, 17, true), circle.hitTestPoint(170, 30, true),
            green.hitTestObject(blue), green.hitTestObject(holder), half.alpha, holder.scaleX,
            hidden.filters.length, glow.color, glow.blurY, Std.is(glow, flash.filters.GlowFilter), blur.blurX
        ];
        // A chain deeper than the model nests is refused with an error.
        var deep = new Sprite();
        var refused = "none";
        try {
            for (i in 0...200) {
                var next = new Sprite();
                next.addChild(deep);
                deep = next;
            }
        } catch (e:Dynamic) {
            refused = "refused";
        }
        facts[facts.length] = refused;
        var text = "";
        for (f in facts)
            text += (text == "" ? "" : ",") + f;
        flash.Lib.fscommand("geometry", text);
    }
}
