// Boxes, box hit tests and dragging of objects placed in 3D: the test
// computes the projected corners and compares the numbers reported through
// fscommand.
import flash.display.DisplayObject;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.geom.Rectangle;

class Projected {
    static function square(color:Int, x:Float, y:Float, w:Float, h:Float):Sprite {
        var s = new Sprite();
        s.graphics.beginFill(color);
        s.graphics.drawRect(x, y, w, h);
        s.graphics.endFill();
        return s;
    }

    static function r(v:Float):Float return Math.round(v * 1000) / 1000;

    static function box(b:Rectangle):String return r(b.x) + " " + r(b.y) + " " + r(b.width) + " " + r(b.height);

    static function main() {
        var root = flash.Lib.current;
        var f = root.transform.perspectiveProjection.focalLength;
        // Turned 60 degrees about y at the projection centre (100, 50).
        var turned = square(0xFF0000, -20, -20, 40, 40);
        turned.x = 100;
        turned.y = 50;
        turned.rotationY = 60;
        root.addChild(turned);
        // Pushed back by the focal length: half size, halfway to the centre,
        // so 20..40 shows at 60..70 x 35..45; a child of it at 10..20.
        var far = square(0x0000FF, 0, 0, 20, 20);
        far.name = "far";
        far.x = 20;
        far.y = 20;
        far.z = f;
        root.addChild(far);
        var inner = square(0x00FF00, 10, 10, 10, 10);
        inner.name = "inner";
        far.addChild(inner);
        // Flat marks: one over far's projection, one over turned's flat box only.
        var mark = square(0x000000, 60, 35, 4, 4);
        mark.name = "mark";
        root.addChild(mark);
        var aside = square(0x000000, 112, 30, 6, 10);
        root.addChild(aside);

        flash.Lib.fscommand("bounds", ([
            box(turned.getBounds(root)), box(turned.getRect(turned)), r(turned.width), r(turned.height),
            box(far.getBounds(root)), box(far.getBounds(far)), box(far.getBounds(null)), r(far.width),
            box(inner.getBounds(root)), box(mark.getBounds(far)), box(root.getBounds(root)), r(root.width)
        ] : Array<Dynamic>).join(","));
        flash.Lib.fscommand("hits", ([
            far.hitTestPoint(65, 40), far.hitTestPoint(30, 30), turned.hitTestPoint(115, 50),
            turned.hitTestPoint(100, 65), mark.hitTestObject(far), aside.hitTestObject(turned),
            far.hitTestPoint(65, 40, true)
        ] : Array<Dynamic>).join(","));

        // Dragged over far's projected plane: the knob's origin under the pointer.
        var knob = square(0xFFFF00, 0, 0, 4, 4);
        knob.name = "knob";
        far.addChild(knob);
        root.stage.addEventListener(MouseEvent.MOUSE_DOWN, function(_) knob.startDrag(true));
        root.stage.addEventListener(MouseEvent.MOUSE_MOVE, function(_) flash.Lib.fscommand("drag", r(knob.x) + "," + r(knob.y)));
        root.stage.addEventListener(MouseEvent.MOUSE_UP, function(_) {
            knob.stopDrag();
            var target:DisplayObject = knob.dropTarget;
            flash.Lib.fscommand("dropped", target == null ? "none" : target.name);
            // Back to flat: the dirty region must cover where far showed.
            far.z = 0;
        });
    }
}
