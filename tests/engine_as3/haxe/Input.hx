// Mouse and key events through the display list; every event a listener
// hears is reported through fscommand, in order.
import flash.display.Sprite;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;

class Input {
    static function note(s:String) flash.Lib.fscommand("event", s);

    static function listen(s:Sprite) {
        var types = [
            MouseEvent.CLICK, MouseEvent.DOUBLE_CLICK, MouseEvent.MOUSE_DOWN, MouseEvent.MOUSE_UP, MouseEvent.MOUSE_OVER,
            MouseEvent.MOUSE_OUT, MouseEvent.ROLL_OVER, MouseEvent.ROLL_OUT, MouseEvent.MOUSE_WHEEL
        ];
        for (type in types)
            s.addEventListener(type, function(e:MouseEvent) {
                note(s.name + ":" + e.type + ":" + e.localX + "," + e.localY + ":" + e.stageX + "," + e.stageY + ":" +
                    (e.relatedObject == null ? "-" : e.relatedObject.name) + ":" + e.buttonDown + ":" + e.delta);
            });
    }

    static function sprite(name:String, x:Float, y:Float):Sprite {
        var s = new Sprite();
        s.name = name;
        s.x = x;
        s.y = y;
        return s;
    }

    static function main() {
        var root = flash.Lib.current;
        var box = sprite("box", 10, 10);
        box.graphics.beginFill(0xFF0000);
        box.graphics.drawRect(0, 0, 20, 20);
        box.doubleClickEnabled = true;
        root.addChild(box);
        // Two circles in one fill leave a hole the pointer passes through.
        var ring = sprite("ring", 100, 50);
        ring.graphics.beginFill(0x0000FF);
        ring.graphics.drawCircle(0, 0, 20);
        ring.graphics.drawCircle(0, 0, 10);
        root.addChild(ring);
        // Without mouseChildren the inner sprite's hits are the outer one's.
        var outer = sprite("outer", 150, 10);
        outer.mouseChildren = false;
        var inner = sprite("inner", 0, 0);
        inner.graphics.beginFill(0x00FF00);
        inner.graphics.drawRect(0, 0, 20, 20);
        outer.addChild(inner);
        root.addChild(outer);
        // Without mouseEnabled the pointer reaches what lies below.
        var ghost = sprite("ghost", 10, 60);
        ghost.graphics.beginFill(0);
        ghost.graphics.drawRect(0, 0, 20, 20);
        ghost.mouseEnabled = false;
        root.addChild(ghost);
        for (s in [box, ring, outer, inner, ghost])
            listen(s);
        var stage = root.stage;
        stage.addEventListener(MouseEvent.MOUSE_DOWN, function(e:MouseEvent) note("stage:mouseDown:" + (e.target == stage)));
        stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
            note("key:" + e.keyCode + "," + e.charCode + ":" + (e.target == stage));
            stage.focus = box;
        });
        box.addEventListener(KeyboardEvent.KEY_UP, function(e:KeyboardEvent) note("box:keyUp:" + e.keyCode));
    }
}
