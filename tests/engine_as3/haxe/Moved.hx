// The code of a movie whose timeline the test writes around it: frame 1
// places a shape "box" (removed again on frame 3), frame 2 a sprite linked
// to Thrower, whose constructor throws. The box moves into a script's sprite.
import flash.display.Sprite;

class Thrower extends Sprite {
    public function new() {
        super();
        throw "refused";
    }
}

class Moved {
    static function main() {
        var root = flash.Lib.current;
        var box = root.getChildByName("box");
        var holder = new Sprite();
        holder.x = 100;
        root.addChild(holder);
        holder.addChild(box);
        root.addEventListener(flash.events.Event.ENTER_FRAME, function(_) {
            flash.Lib.fscommand("frame", root.currentFrame + "," + (box.parent == holder) + "," + holder.numChildren
                + "," + root.numChildren);
        });
    }
}
