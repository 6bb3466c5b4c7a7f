// Objects placed in 3D, drawn in perspective; the test reads the pixels and
// the numbers reported through fscommand.
import flash.display.Sprite;
import flash.geom.Matrix3D;
import flash.geom.Vector3D;

class Space {
    static function square(color:Int, x:Float, y:Float, w:Float, h:Float):Sprite {
        var s = new Sprite();
        s.graphics.beginFill(color);
        s.graphics.drawRect(x, y, w, h);
        s.graphics.endFill();
        return s;
    }

    static function r(v:Float):Float return Math.round(v * 1000) / 1000;

    static function main() {
        var root = flash.Lib.current;
        // Turned 60 degrees about y around the projection centre: half as wide.
        var turned = square(0xFF0000, -20, -20, 40, 40);
        turned.x = 100;
        turned.y = 50;
        turned.rotationY = 60;
        root.addChild(turned);
        // Pushed back by the focal length: half size, halfway to the centre.
        var far = square(0x0000FF, 0, 0, 20, 20);
        far.x = 20;
        far.y = 20;
        root.addChild(far);
        var projection = root.transform.perspectiveProjection;
        far.z = projection.focalLength;

        // Placed by a whole matrix at (150, 10), then stretched 3 times on x
        // and turned a quarter: shows at 140..150 by 10..40.
        var placed = square(0x00FF00, 0, 0, 10, 10);
        var at = new Matrix3D();
        at.appendTranslation(150, 10, 0);
        placed.transform.matrix3D = at;
        placed.scaleX = 3;
        placed.rotation = 90;
        root.addChild(placed);

        var m = new Matrix3D();
        m.appendRotation(90, Vector3D.Z_AXIS);
        m.appendTranslation(10, 0, 0);
        var v = m.transformVector(new Vector3D(1, 0, 0));
        var det = m.determinant;
        m.invert();
        var back = m.transformVector(v);
        var cross = Vector3D.X_AXIS.crossProduct(Vector3D.Y_AXIS);
        var facts:Array<Dynamic> = [
            r(v.x), r(v.y), r(v.z), r(back.x), r(back.y), r(det), m.rawData.length, cross.z, projection.fieldOfView,
            Math.round(projection.focalLength), projection.projectionCenter.x, turned.transform.matrix3D != null,
            square(0, 0, 0, 1, 1).transform.matrix3D == null, r(turned.transform.matrix3D.rawData[12]), far.z == projection.focalLength
        ];
        var text = "";
        for (f in facts)
            text += (text == "" ? "" : ",") + f;
        flash.Lib.fscommand("space", text);
    }
}
