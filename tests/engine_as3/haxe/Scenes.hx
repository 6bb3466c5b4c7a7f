// The code of a movie whose scenes the test writes around it: "Intro"
// (frames 1-2, label "start") and "Main" (frames 3-5, label "loop" on its
// second frame, named only by the scene data). Reports go out through
// fscommand.
import flash.display.MovieClip;

class Scenes {
    static function report(name:String, value:String) flash.Lib.fscommand(name, value);

    static function where(root:MovieClip):String
        return root.currentScene.name + ":" + root.currentFrame;

    static function main() {
        var root:MovieClip = flash.Lib.current;
        root.stop();
        var s = root.scenes;
        var main = s[1];
        report("scenes", s.length + "," + s[0].name + "," + s[0].numFrames + "," + s[0].labels[0].name + "," + main.name
            + "," + main.numFrames + "," + main.labels.length + "," + main.labels[0].name + "," + main.labels[0].frame + ","
            + where(root) + "," + root.totalFrames);
        var moves = [];
        root.gotoAndStop(2, "Main");
        moves.push(where(root));
        root.gotoAndStop(1);
        moves.push(where(root) + "=" + root.currentLabels.length);
        root.gotoAndStop("loop");
        moves.push(where(root));
        root.prevScene();
        moves.push(where(root));
        root.nextScene();
        moves.push(where(root));
        root.nextScene();
        moves.push(where(root));
        try {
            root.gotoAndStop(1, "Nope");
        } catch (e:Dynamic) {
            moves.push("refused");
        }
        report("moves", moves.join(","));
    }
}
