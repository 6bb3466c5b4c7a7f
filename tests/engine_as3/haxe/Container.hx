// The container bridge, the system classes and the display tree.
import flash.display.MovieClip;
import flash.display.Sprite;
import flash.external.ExternalInterface;
import flash.system.ApplicationDomain;
import flash.system.Capabilities;
import flash.system.Security;

class Container {
    static function main() {
        var root:MovieClip = flash.Lib.current;
        var info = root.loaderInfo;
        flash.Lib.fscommand("info", info.parameters.level + "," + info.swfVersion + "," + info.width + "x" + info.height
            + "," + info.frameRate + "," + root.totalFrames + "," + root.currentFrame);
        flash.Lib.fscommand("system", Capabilities.playerType + "," + Capabilities.version + "," + Security.sandboxType + ","
            + ApplicationDomain.currentDomain.hasDefinition("flash.display.Sprite") + ","
            + ApplicationDomain.currentDomain.hasDefinition("no.Such") + "," + ExternalInterface.available + ","
            + ExternalInterface.objectID);

        // The tree: indices, names, and the errors of bad requests.
        var a = new Sprite();
        var b = new Sprite();
        a.name = "a";
        root.addChild(a);
        root.addChildAt(b, 0);
        var tree = root.numChildren + "," + root.getChildIndex(a) + "," + (root.getChildByName("a") == a) + ","
            + (a.stage == root.stage) + "," + root.contains(a);
        try { root.getChildAt(9); } catch (e:flash.errors.RangeError) { tree += ",range" + e.errorID; }
        try { a.addChild(root); } catch (e:flash.errors.ArgumentError) { tree += ",loop" + e.errorID; }
        root.removeChild(a);
        tree += "," + root.numChildren + "," + (a.parent == null) + "," + (a.stage == null);
        flash.Lib.fscommand("tree", tree);

        // Both directions of ExternalInterface.
        var answer:Dynamic = ExternalInterface.call("ask", 1, "two", [true, null]);
        flash.Lib.fscommand("answer", answer == null ? "null" : answer.name + answer.list[1]);
        ExternalInterface.addCallback("twice", function(x:Dynamic) return x * 2);
        // A native error, which haxe's own exceptions would wrap.
        ExternalInterface.addCallback("fail", function() return ApplicationDomain.currentDomain.getDefinition("no.luck"));
        ExternalInterface.addCallback("jump", function() { root.stop(); return root.currentFrame; });
    }
}
