// Matrix3D taken apart and put together, Utils3D's projections, and points
// and hit tests of objects placed in 3D; each group reports its numbers
// through fscommand for the test to compare with the geometry.
import flash.display.Sprite;
import flash.geom.Matrix3D;
import flash.geom.Orientation3D;
import flash.geom.PerspectiveProjection;
import flash.geom.Point;
import flash.geom.Utils3D;
import flash.geom.Vector3D;

class Depth {
    static function square(color:Int, x:Float, y:Float, w:Float, h:Float):Sprite {
        var s = new Sprite();
        s.graphics.beginFill(color);
        s.graphics.drawRect(x, y, w, h);
        s.graphics.endFill();
        return s;
    }

    static function r(v:Float):Float return Math.round(v * 1000) / 1000;
    static function deg(v:Float):Float return Math.round(v * 180 / Math.PI * 1000) / 1000;

    static function report(name:String, facts:Array<Dynamic>) {
        var text = "";
        for (f in facts)
            text += (text == "" ? "" : ",") + f;
        flash.Lib.fscommand(name, text);
    }

    static function parts() {
        var m = new Matrix3D();
        m.appendScale(2, 3, 4);
        m.appendRotation(30, Vector3D.Y_AXIS);
        m.appendTranslation(5, 6, 7);
        var euler = m.decompose();
        var quarter = new Matrix3D();
        quarter.appendRotation(90, Vector3D.Z_AXIS);
        var q = quarter.decompose(Orientation3D.QUATERNION)[1];
        var axis = quarter.decompose(Orientation3D.AXIS_ANGLE)[1];
        var rebuilt = new Matrix3D();
        var ok = rebuilt.recompose(m.decompose(Orientation3D.QUATERNION), Orientation3D.QUATERNION);
        var worst = 0.0;
        for (i in 0...16)
            worst = Math.max(worst, Math.abs(rebuilt.rawData[i] - m.rawData[i]));
        var flat = new Matrix3D();
        var zeroScale = flat.recompose(flash.Vector.ofArray([new Vector3D(), new Vector3D(), new Vector3D(0, 1, 1)]));
        report("parts", [
            r(euler[0].x), r(euler[0].y), r(euler[0].z), deg(euler[1].x), deg(euler[1].y), deg(euler[1].z),
            r(euler[2].x), r(euler[2].y), r(euler[2].z), r(q.z), r(q.w), r(axis.z), deg(axis.w), ok, worst < 1e-9,
            zeroScale
        ]);
    }

    static function motion() {
        var to = new Matrix3D();
        to.appendRotation(90, Vector3D.Z_AXIS);
        to.appendTranslation(10, 0, 0);
        var half = Matrix3D.interpolate(new Matrix3D(), to, 0.5);
        var x = half.deltaTransformVector(Vector3D.X_AXIS);
        var aimed = new Matrix3D();
        aimed.appendTranslation(1, 2, 3);
        aimed.pointAt(new Vector3D(11, 2, 3));
        var forward = aimed.deltaTransformVector(new Vector3D(0, 0, -1));
        var towards = Utils3D.pointTowards(0.5, new Matrix3D(), new Vector3D(10, 0, 0));
        var halfway = towards.deltaTransformVector(new Vector3D(0, 0, -1));
        var rows = new Matrix3D();
        rows.appendTranslation(5, 6, 7);
        var row = new Vector3D(), column = new Vector3D();
        var dyn:Dynamic = rows;
        dyn.copyRowTo(0, row);
        dyn.copyColumnTo(3, column);
        dyn.copyRowFrom(1, new Vector3D(0, 2, 0, 9));
        report("motion", [
            r(half.position.x), r(x.x), r(x.y), r(forward.x), r(forward.y), r(forward.z), aimed.position.y,
            r(halfway.x), r(halfway.z), row.x, row.w, column.x, column.y, column.z, column.w, rows.rawData[5],
            rows.rawData[13]
        ]);
    }

    static function projections() {
        var pp = new PerspectiveProjection();
        pp.focalLength = 100;
        var m = pp.toMatrix3D();
        var v = Utils3D.projectVector(m, new Vector3D(10, 20, 50));
        var verts = flash.Vector.ofArray([10.0, 20, 50, -5, 5, 100]);
        var projected = new flash.Vector<Float>();
        var uvts = flash.Vector.ofArray([0.0, 0, 0, 1, 1, 0]);
        Utils3D.projectVectors(m, verts, projected, uvts);
        report("projections", [
            r(v.x), r(v.y), r(v.z), projected.length, r(projected[0]), r(projected[1]), r(projected[2]), r(projected[3]),
            r(uvts[2]), uvts[3], r(uvts[5])
        ]);
    }

    static function space() {
        var root = flash.Lib.current;
        // As in the drawing test: 60 degrees about y around the projection
        // centre shows the 40 pixel square about 20 wide.
        var turned = square(0xFF0000, -20, -20, 40, 40);
        turned.x = 100;
        turned.y = 50;
        turned.rotationY = 60;
        root.addChild(turned);
        turned.addEventListener(flash.events.MouseEvent.MOUSE_DOWN, function(e:flash.events.MouseEvent) {
            flash.Lib.fscommand("down", r(e.localX) + "," + r(e.localY));
        });
        var far = square(0x0000FF, 0, 0, 20, 20);
        far.x = 20;
        far.y = 20;
        root.addChild(far);
        far.z = root.transform.perspectiveProjection.focalLength;
        var holder = new Sprite();
        holder.x = 20;
        root.addChild(holder);
        var inner = square(0, 0, 0, 1, 1);
        inner.x = 10;
        inner.z = 5;
        holder.addChild(inner);
        var centre = turned.local3DToGlobal(new Vector3D(0, 0, 0));
        var edge = turned.local3DToGlobal(new Vector3D(20, 0, 0));
        var back = turned.globalToLocal3D(turned.local3DToGlobal(new Vector3D(10, 5, 0)));
        var farCorner = far.localToGlobal(new Point(20, 20));
        var relative = inner.transform.getRelativeMatrix3D(root).position;
        var under = root.getObjectsUnderPoint(new Point(116, 50));
        report("space", [
            r(centre.x), r(centre.y), edge.x < 112 && edge.x > 105, r(back.x), r(back.y), r(farCorner.x),
            r(farCorner.y), relative.x, relative.z, turned.hitTestPoint(105, 50, true),
            turned.hitTestPoint(116, 50, true), turned.hitTestPoint(84, 50, true), far.hitTestPoint(65, 40, true),
            far.hitTestPoint(30, 25, true), under.indexOf(turned) < 0, root.getObjectsUnderPoint(new Point(65, 40))
                .indexOf(far) >= 0
        ]);
    }

    static function errorOf(f:Void->Void):String {
        try {
            f();
        } catch (e:flash.errors.Error) {
            return "" + e.errorID;
        }
        return "none";
    }

    // Arguments out of range get errors or neutral results, never more.
    static function refusals() {
        var m = new Matrix3D();
        var dyn:Dynamic = m;
        var projected = new flash.Vector<Float>();
        Utils3D.projectVectors(m, flash.Vector.ofArray([1.0, 2, 3, 4]), projected, new flash.Vector<Float>());
        report("refusals", [
            errorOf(function() m.decompose(cast "sideways")), errorOf(function() dyn.copyRowTo(4, new Vector3D())),
            errorOf(function() dyn.copyRawDataFrom(flash.Vector.ofArray([1.0, 2, 3]))),
            m.recompose(flash.Vector.ofArray([new Vector3D(), new Vector3D()])), projected.length,
            errorOf(function() dyn.copyRawDataTo(new flash.Vector<Float>(), 5))
        ]);
    }

    static function main() {
        refusals();
        parts();
        motion();
        projections();
        space();
    }
}
