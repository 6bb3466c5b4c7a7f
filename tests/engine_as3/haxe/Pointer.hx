// Scroll windows, backgrounds, grids, objects under a point, dragging and
// hit areas. The test reads pixels, moves the pointer and reads the reports
// that come through fscommand.
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.geom.Point;
import flash.geom.Rectangle;

class Pointer {
    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static function box(g:flash.display.Graphics, color:Int, x:Float, y:Float, w:Float, h:Float, alpha:Float = 1) {
        g.beginFill(color, alpha);
        g.drawRect(x, y, w, h);
        g.endFill();
    }

    static function main() {
        var root = flash.Lib.current;
        // Red then blue side by side; the window shows the blue half at 10, 10.
        var scrolled = new Sprite();
        box(scrolled.graphics, 0xFF0000, 0, 0, 20, 20);
        box(scrolled.graphics, 0x0000FF, 20, 0, 20, 20);
        scrolled.x = 10;
        scrolled.y = 10;
        scrolled.scrollRect = new Rectangle(20, 0, 20, 20);
        root.addChild(scrolled);
        // A see-through fill over an opaque green background.
        var backed = new Sprite();
        box(backed.graphics, 0xFF0000, 0, 0, 20, 20, 0);
        backed.x = 50;
        backed.y = 10;
        backed.opaqueBackground = 0x00FF00;
        root.addChild(backed);
        var grid = new Sprite();
        grid.scale9Grid = new Rectangle(5, 5, 10, 10);
        var flat = new Sprite();
        flat.scale9Grid = new Rectangle(5, 5, 0, 10);
        report("styles", scrolled.scrollRect.x + "," + scrolled.scrollRect.width + "," + scrolled.width + ","
            + backed.opaqueBackground + "," + grid.scale9Grid.width + "," + (flat.scale9Grid == null));

        // Two overlapping shapes in a holder, the lower inside another sprite.
        var holder = new Sprite();
        holder.name = "holder";
        var inner = new Sprite();
        inner.name = "inner";
        var low = new Shape();
        low.name = "low";
        box(low.graphics, 0x808080, 100, 10, 30, 30);
        inner.addChild(low);
        holder.addChild(inner);
        var high = new Shape();
        high.name = "high";
        box(high.graphics, 0x404040, 110, 20, 30, 30);
        holder.addChild(high);
        root.addChild(holder);
        var names = function(list:Array<flash.display.DisplayObject>) return [for (o in list) o.name].join("/");
        report("under", names(holder.getObjectsUnderPoint(new Point(120, 30))) + ","
            + names(holder.getObjectsUnderPoint(new Point(105, 15))) + ","
            + names(holder.getObjectsUnderPoint(new Point(5, 95))) + ","
            + holder.areInaccessibleObjectsUnderPoint(new Point(120, 30)));

        // Dragged from where it is grabbed, kept inside 0..130 x 60..80, and
        // dropped on the pad.
        var pad = new Shape();
        pad.name = "pad";
        box(pad.graphics, 0xC0C0C0, 115, 70, 25, 25);
        root.addChild(pad);
        var drag = new Sprite();
        drag.name = "drag";
        box(drag.graphics, 0xFF00FF, 0, 0, 10, 10);
        drag.x = 20;
        drag.y = 60;
        root.addChild(drag);
        drag.addEventListener(MouseEvent.MOUSE_DOWN, function(_) drag.startDrag(false, new Rectangle(0, 60, 130, 20)));
        drag.addEventListener(MouseEvent.MOUSE_UP, function(_) {
            drag.stopDrag();
            report("dropped", drag.x + "," + drag.y + "," + (drag.dropTarget == null ? "none" : drag.dropTarget.name));
        });
        root.stage.addEventListener(MouseEvent.MOUSE_MOVE, function(_) report("drag", drag.x + "," + drag.y));

        // Hit where its area is, far from its own drawing; the area takes nothing itself.
        var button = new Sprite();
        button.name = "button";
        box(button.graphics, 0x00FFFF, 160, 60, 10, 10);
        var area = new Sprite();
        box(area.graphics, 0x000000, 180, 80, 10, 10);
        root.addChild(area);
        root.addChild(button);
        button.hitArea = area;
        var hits = [];
        root.stage.addEventListener(MouseEvent.MOUSE_DOWN, function(e:MouseEvent) {
            hits.push(cast(e.target, flash.display.DisplayObject).name);
            report("hits", hits.join("/"));
        });
    }
}
