// Path drawing: drawPath with both winding rules, drawTriangles with
// culling, drawGraphicsData and copyFrom. The test reads the pixels; facts
// come through fscommand.
import flash.display.GraphicsEndFill;
import flash.display.GraphicsPath;
import flash.display.GraphicsPathCommand;
import flash.display.GraphicsPathWinding;
import flash.display.GraphicsSolidFill;
import flash.display.GraphicsStroke;
import flash.display.GraphicsTrianglePath;
import flash.display.IGraphicsData;
import flash.display.Shape;
import flash.display.TriangleCulling;
import flash.Vector;

class Paths {
    static function numbers(a:Array<Float>):Vector<Float> {
        var v = new Vector<Float>();
        for (x in a)
            v.push(x);
        return v;
    }

    static function ints(a:Array<Int>):Vector<Int> {
        var v = new Vector<Int>();
        for (x in a)
            v.push(x);
        return v;
    }

    // A square ring: outer and inner contour run the same way.
    static function ring(x:Float, winding:GraphicsPathWinding):Shape {
        var s = new Shape();
        var m = GraphicsPathCommand.MOVE_TO, l = GraphicsPathCommand.LINE_TO;
        s.graphics.beginFill(0x0000FF);
        s.graphics.drawPath(ints([m, l, l, l, l, m, l, l, l, l]),
            numbers([x, 10, x + 40, 10, x + 40, 50, x, 50, x, 10, x + 10, 20, x + 30, 20, x + 30, 40, x + 10, 40, x + 10, 20]),
            winding);
        return s;
    }

    static function main() {
        var root = flash.Lib.current;
        // Wide commands skip their first point; the path stops where data runs out.
        var square = new Shape();
        square.graphics.beginFill(0xFF0000);
        square.graphics.drawPath(ints([GraphicsPathCommand.WIDE_MOVE_TO, GraphicsPathCommand.LINE_TO,
            GraphicsPathCommand.WIDE_LINE_TO, GraphicsPathCommand.LINE_TO, GraphicsPathCommand.LINE_TO]),
            numbers([99, 99, 0, 60, 20, 60, 0, 0, 20, 80, 0, 80]));
        root.addChild(square);
        root.addChild(ring(40, GraphicsPathWinding.EVEN_ODD));
        root.addChild(ring(90, GraphicsPathWinding.NON_ZERO));

        // Two triangles of a square (one each way round, both kept); below,
        // positive culling leaves out the clockwise upper half and keeps the
        // lower one.
        var tri = new Shape();
        tri.graphics.beginFill(0x00FF00);
        tri.graphics.drawTriangles(numbers([140, 10, 180, 10, 180, 50, 140, 50]), ints([0, 1, 2, 0, 3, 2]));
        tri.graphics.drawTriangles(numbers([140, 60, 180, 60, 180, 90]), null, null, TriangleCulling.POSITIVE);
        tri.graphics.drawTriangles(numbers([140, 60, 140, 90, 180, 90]), null, null, TriangleCulling.POSITIVE);
        root.addChild(tri);

        // A stroke, a fill and a path given as data.
        var path = new GraphicsPath();
        path.moveTo(30, 60);
        path.lineTo(60, 60);
        path.lineTo(60, 90);
        path.lineTo(30, 90);
        path.lineTo(30, 60);
        var data = new Vector<IGraphicsData>();
        data.push(new GraphicsStroke(2, false, flash.display.LineScaleMode.NORMAL, flash.display.CapsStyle.NONE, flash.display.JointStyle.MITER, 3, new GraphicsSolidFill(0x000000)));
        data.push(new GraphicsSolidFill(0xFFFF00));
        data.push(path);
        data.push(new GraphicsEndFill());
        var given = new Shape();
        given.graphics.drawGraphicsData(data);
        root.addChild(given);

        var copy = new Shape();
        copy.graphics.copyFrom(given.graphics);
        copy.x = 40;
        root.addChild(copy);

        // A triangle path of its own.
        var tris = new Vector<IGraphicsData>();
        tris.push(new GraphicsSolidFill(0xFF00FF));
        tris.push(new GraphicsTrianglePath(numbers([110, 60, 130, 60, 130, 90]), null, null, TriangleCulling.NONE));
        var magenta = new Shape();
        magenta.graphics.drawGraphicsData(tris);
        root.addChild(magenta);

        // Rounded corners (radius 5) and an ellipse in the free top left.
        var round = new Shape();
        round.graphics.beginFill(0x00FFFF);
        round.graphics.drawRoundRect(2, 2, 30, 20, 10, 10);
        root.addChild(round);
        var ellipse = new Shape();
        ellipse.graphics.beginFill(0x808000);
        ellipse.graphics.drawEllipse(2, 28, 30, 20);
        root.addChild(ellipse);
        var rb = round.getBounds(root), eb = ellipse.getBounds(root);

        var refused = "none";
        try {
            square.graphics.drawPath(null, numbers([1, 2]));
        } catch (e:Dynamic) {
            refused = "refused";
        }
        // An unknown winding rule is refused too.
        try {
            (square.graphics : Dynamic).drawPath(ints([1]), numbers([1, 2]), "oddEven");
        } catch (e:flash.errors.ArgumentError) {
            refused += ":" + e.errorID;
        }
        var facts:Array<Dynamic> = [
            path.commands.length, path.data.length, Std.isOfType(path, IGraphicsData), Std.isOfType(new GraphicsEndFill(), IGraphicsData),
            GraphicsPathWinding.NON_ZERO, TriangleCulling.POSITIVE, square.width, square.height, copy.width, refused,
            rb.x, rb.y, rb.width, rb.height, eb.x, eb.y, eb.width, eb.height
        ];
        var text = "";
        for (f in facts)
            text += (text == "" ? "" : ",") + f;
        flash.Lib.fscommand("paths", text);
    }
}
