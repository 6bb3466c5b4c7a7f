// Limits of objects placed in 3D: parts nearer than the near depth or
// behind the eye, drags of objects off the z = 0 plane, a matrix3D moved by
// x, y and z, and a projected child of a scrolled container. The test
// computes the geometry and compares the reported numbers and pixels.
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.geom.Matrix3D;
import flash.geom.Rectangle;
import flash.geom.Vector3D;

class Behind {
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
        // Ten pixels in front of the eye: 19 times as large about the centre.
        var near = square(0x00FF00, -2, -2, 4, 4);
        near.x = 100;
        near.y = 50;
        near.z = 10 - f;
        root.addChild(near);
        // Two pixels in front: nearer than the near depth, not shown at all.
        var gone = square(0x00FF00, -2, -2, 4, 4);
        gone.x = 100;
        gone.y = 50;
        gone.z = 2 - f;
        root.addChild(gone);
        // A wide wall turned 80 degrees about y: its right end is behind the eye.
        var wall = square(0xFF0000, -200, -20, 400, 40);
        wall.x = 100;
        wall.y = 50;
        wall.rotationY = 80;
        root.addChild(wall);
        flash.Lib.fscommand("near", [box(near.getBounds(root)), box(gone.getBounds(root)), box(wall.getBounds(root))].join(","));
        flash.Lib.fscommand("nearHits", ([
            gone.hitTestPoint(100, 50), wall.hitTestPoint(120, 50, true), wall.hitTestPoint(60, 50, true),
            wall.hitTestPoint(60, 50)
        ] : Array<Dynamic>).join(","));
        root.removeChild(near);

        // Tipped back 40 degrees about x and pushed back 100: dragged by a
        // point off its origin.
        var tipped = square(0x0000FF, 0, 0, 20, 20);
        tipped.name = "tipped";
        tipped.x = 40;
        tipped.y = 20;
        tipped.z = 100;
        tipped.rotationX = 40;
        root.addChild(tipped);
        // Placed by a whole matrix, then moved by x, y and z.
        var placed = square(0, 0, 0, 1, 1);
        var m = new Matrix3D();
        m.appendRotation(30, Vector3D.Y_AXIS);
        m.appendTranslation(5, 6, 7);
        placed.transform.matrix3D = m;
        placed.x = 30;
        placed.y = 40;
        placed.z = 50;
        var p = placed.transform.matrix3D.position;
        // Turned about x too: the matrix's other parts stay.
        placed.rotationX = 10;
        flash.Lib.fscommand("moved", [r(p.x), r(p.y), r(p.z), r(placed.x), r(placed.z), r(placed.rotationX),
            r(placed.rotationY), r(placed.rotationZ), r(placed.transform.matrix3D.position.z)].join(","));

        // Flat members of objects placed by a whole matrix: they read and
        // change its parts. Scaled by 2 on x, turned 30 about y, then turned
        // 90 flat: the scale and turn about y stay.
        var parted = square(0, 0, 0, 20, 20);
        var pm = new Matrix3D();
        pm.appendScale(2, 1, 1);
        pm.appendRotation(30, Vector3D.Y_AXIS);
        pm.appendTranslation(100, 50, 0);
        parted.transform.matrix3D = pm;
        var readBack = [r(parted.scaleX), r(parted.scaleY), r(parted.rotation), r(parted.rotationY)];
        parted.rotation = 90;
        var raw = parted.transform.matrix3D.rawData;
        var copied = square(0, 0, 0, 20, 20);
        copied.transform = parted.transform;
        var copiedRaw = copied.transform.matrix3D.rawData;
        // Turned back flat by its parts: still placed by a 3D matrix.
        copied.rotationY = 0;
        copied.rotation = 0;
        var stays3D = copied.transform.matrix == null;
        // Pushed back by f: 20 pixels show 10 wide until width makes them 20.
        var sized = square(0, 0, 0, 20, 20);
        root.addChild(sized);
        var sm = new Matrix3D();
        sm.appendTranslation(100, 50, f);
        sized.transform.matrix3D = sm;
        var before = r(sized.width);
        sized.width = 20;
        sized.scaleY = 3;
        var while3D:Array<Dynamic> = readBack.concat([r(raw[0]), r(raw[1]), r(raw[2]), r(parted.rotationY), r(parted.scaleX),
            before, r(sized.width), r(sized.height), r(sized.scaleX), r(sized.scaleY), r(sized.z)]);
        while3D = while3D.concat([sized.transform.matrix == null, box(sized.getBounds(root))]);
        // A flat matrix drops the 3D one.
        sized.transform.matrix = new flash.geom.Matrix(2, 0, 0, 1, 5, 6);
        flash.Lib.fscommand("flat", while3D.concat([sized.transform.matrix3D == null, sized.z, sized.scaleX, sized.x,
            r(sized.width), r(copiedRaw[1]), r(copiedRaw[2]), copied.x, stays3D]).join(","));
        root.removeChild(sized);

        // Matrix3D members by their documented results.
        var pivoted = new Matrix3D();
        pivoted.appendRotation(90, Vector3D.Z_AXIS, new Vector3D(10, 0, 0));
        var turnedPoint = pivoted.transformVector(new Vector3D(20, 0, 0));
        var singular = new Matrix3D(flash.Vector.ofArray([1.0, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1]));
        var inverted = singular.invert();
        var transposed = new Matrix3D();
        transposed.appendTranslation(1, 2, 3);
        transposed.transpose();
        var scaledFirst = new Matrix3D();
        scaledFirst.appendScale(2, 2, 2);
        scaledFirst.prependTranslation(1, 0, 0);
        var projected = flash.geom.Utils3D.projectVector(root.transform.perspectiveProjection.toMatrix3D(), new Vector3D(10, 5, f));
        flash.Lib.fscommand("members", ([
            r(turnedPoint.x), r(turnedPoint.y), inverted, singular.rawData[4], transposed.rawData[3], transposed.rawData[11],
            transposed.rawData[12], scaledFirst.transformVector(new Vector3D()).x, r(projected.x), r(projected.y),
            r(Vector3D.angleBetween(Vector3D.X_AXIS, Vector3D.Y_AXIS))
        ] : Array<Dynamic>).join(","));

        // A projected child of a container scrolled by (10, 10): shown where
        // its scrolled place projects.
        var window = new Sprite();
        window.scrollRect = new Rectangle(10, 10, 180, 80);
        root.addChild(window);
        var inside = square(0xFF00FF, 0, 0, 10, 10);
        inside.x = 150;
        inside.y = 30;
        inside.z = f;
        window.addChild(inside);
        var shown = inside.local3DToGlobal(new Vector3D(0, 0, 0));
        var relative = inside.transform.getRelativeMatrix3D(root).position;
        flash.Lib.fscommand("scrolled", ([r(shown.x), r(shown.y), box(inside.getBounds(root)), r(relative.x), r(relative.y), r(relative.z)] : Array<Dynamic>).join(","));

        root.stage.addEventListener(MouseEvent.MOUSE_DOWN, function(_) tipped.startDrag());
        root.stage.addEventListener(MouseEvent.MOUSE_MOVE, function(_) flash.Lib.fscommand("drag", r(tipped.x) + "," + r(tipped.y)));
        root.stage.addEventListener(MouseEvent.MOUSE_UP, function(_) tipped.stopDrag());
    }
}
