// SimpleButtons a script makes from sprites and one the timeline places
// (when the test writes one around this code): their states and settings
// reported through fscommand, what they show checked by pixels.
import flash.display.SimpleButton;
import flash.display.Sprite;
import flash.events.MouseEvent;

class Buttons {
    static function report(name:String, values:Array<Dynamic>) flash.Lib.fscommand(name, values.join(","));

    static function square(color:Int):Sprite {
        var s = new Sprite();
        s.graphics.beginFill(color);
        s.graphics.drawRect(0, 0, 20, 20);
        return s;
    }

    static function main() {
        var root = flash.Lib.current;
        var up = square(0xFF0000);
        var over = square(0x00FF00);
        var down = square(0x0000FF);
        var made = new SimpleButton(up, over, down, up);
        made.x = 110;
        made.y = 10;
        root.addChild(made);
        made.addEventListener(MouseEvent.CLICK, function(e:MouseEvent) report("click", [e.target == made]));
        var off = new SimpleButton(square(0xFF0000), square(0x00FF00), square(0x0000FF), square(0));
        off.x = 150;
        off.y = 10;
        off.enabled = false;
        root.addChild(off);
        made.soundTransform = new flash.media.SoundTransform(0.25, -0.5);
        report("made", [
            made.upState == up, made.overState == over, made.downState == down, made.hitTestState == up, made.enabled,
            made.useHandCursor, made.trackAsMenu, off.enabled, up.parent == null, made.soundTransform.volume,
            made.soundTransform.pan, off.soundTransform.volume
        ]);
        // A button that is its own state is not drawn inside itself.
        var loop = new SimpleButton();
        loop.upState = loop;
        loop.x = 180;
        root.addChild(loop);
        report("loop", [loop.upState == loop, loop.width]);
        // Two menu clips: a press dragged from one to the other clicks the second.
        for (i in 0...2) {
            var item = new flash.display.MovieClip();
            item.graphics.beginFill(0x808080);
            item.graphics.drawRect(0, 0, 20, 20);
            item.x = 110 + 30 * i;
            item.y = 50;
            item.name = i == 0 ? "a" : "b";
            item.trackAsMenu = true;
            item.addEventListener(MouseEvent.CLICK, function(e:MouseEvent) report("menu", [e.currentTarget.name]));
            root.addChild(item);
        }
        var placed = root.getChildByName("placed");
        if (placed != null) {
            var button = cast(placed, SimpleButton);
            report("placed", [
                Std.isOfType(placed, SimpleButton), placed.name, button.enabled, button.upState.width, button.overState == button.overState,
                button.downState != button.upState, button.trackAsMenu
            ]);
        }
    }
}
