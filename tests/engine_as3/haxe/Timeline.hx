// The code of a movie whose timeline the test writes around it: a sprite
// linked to Linked placed as "clip" on frame 1 (its own frame 1 a shape
// "inner"); frame 2 places a shape "box", frame 3 removes the sprite. Reports go out
// through fscommand.
import flash.display.MovieClip;
import flash.events.Event;

class Linked extends MovieClip {
    // Set from the placed shape of that name.
    public var inner:flash.display.Shape;

    public function new() {
        super();
        // The sprite's first frame is placed before this body runs.
        Timeline.report("linked", name + "," + numChildren + "," + totalFrames + "," + (parent == null) + ","
            + (inner == getChildAt(0)) + "," + inner.name);
        addFrameScript(1, function() {
            Timeline.report("linkedFrame", "" + currentFrame);
            stop();
        });
    }
}

class Timeline {
    public static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static function main() {
        var root:Dynamic = flash.Lib.current;
        var clip:Dynamic = root.getChildByName("clip");
        report("main", Std.isOfType(clip, Linked) + "," + root.numChildren + "," + (clip == root.getChildAt(0)) + ","
            + (clip.parent == root));
        clip.x = 100;
        // A linked class made by a script builds its symbol.
        var made = new Linked();
        made.y = 50;
        root.addChild(made);
        report("made", made.numChildren + "," + (made.inner != null) + "," + made.totalFrames);
        clip.addEventListener(Event.REMOVED_FROM_STAGE, function(_) report("removed", "" + root.numChildren));
        root.addFrameScript(1, function() {
            var box:Dynamic = root.getChildByName("box");
            report("frame2", Std.isOfType(box, flash.display.Shape) + "," + root.numChildren + "," + box.name);
        }, 2, function() {
            report("frame3", root.numChildren + "," + (clip.parent == null));
            root.stop();
        });
    }
}
