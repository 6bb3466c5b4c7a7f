// A drawing read back with readGraphicsData and drawn again with
// drawGraphicsData beside it; another copied with copyFrom. The test reads
// the reported list and compares the pixels of each copy with the original.
import flash.display.BitmapData;
import flash.display.GraphicsBitmapFill;
import flash.display.GraphicsEndFill;
import flash.display.GraphicsGradientFill;
import flash.display.GraphicsPath;
import flash.display.GraphicsSolidFill;
import flash.display.GraphicsStroke;
import flash.display.IGraphicsData;
import flash.display.Shape;
import flash.geom.Matrix;

class Readback {
    static function kind(d:IGraphicsData):String {
        if (Std.isOfType(d, GraphicsSolidFill)) return "solid";
        if (Std.isOfType(d, GraphicsGradientFill)) return "gradient";
        if (Std.isOfType(d, GraphicsBitmapFill)) return "bitmap";
        if (Std.isOfType(d, GraphicsStroke)) return "stroke";
        if (Std.isOfType(d, GraphicsPath)) return "path";
        if (Std.isOfType(d, GraphicsEndFill)) return "end";
        return "other";
    }

    static function main() {
        var root = flash.Lib.current;
        // In the left 50 pixels: a red square with a 4 pixel blue line, a
        // green triangle, a horizontal black-to-white gradient bar and a
        // bitmap of two pixels (black, white) stretched to 20 by 10.
        var original = new Shape();
        var g = original.graphics;
        g.lineStyle(4, 0x0000FF);
        g.beginFill(0xFF0000);
        g.drawRect(5, 5, 20, 20);
        g.endFill();
        g.lineStyle();
        g.beginFill(0x00FF00, 0.5);
        g.moveTo(30, 5);
        g.lineTo(45, 25);
        g.lineTo(30, 25);
        g.endFill();
        var box = new Matrix();
        box.createGradientBox(40, 10, 0, 5, 30);
        g.beginGradientFill(flash.display.GradientType.LINEAR, [0x000000, 0xFFFFFF], [1, 1], [0, 255], box);
        g.drawRect(5, 30, 40, 10);
        g.endFill();
        var pixels = new BitmapData(2, 1, false, 0x000000);
        pixels.setPixel(1, 0, 0xFFFFFF);
        var stretch = new Matrix();
        stretch.scale(10, 10);
        stretch.translate(5, 45);
        g.beginBitmapFill(pixels, stretch, false);
        g.drawRect(5, 45, 20, 10);
        g.endFill();
        root.addChild(original);

        // readGraphicsData is out of the compiler's reach for this version.
        var reader:Dynamic = g;
        var list:flash.Vector<IGraphicsData> = reader.readGraphicsData();
        var kinds = [for (d in list) kind(d)];
        var red:GraphicsSolidFill = cast list[0];
        var stroke:GraphicsStroke = cast list[3];
        var strokeFill:GraphicsSolidFill = cast stroke.fill;
        var triangle:GraphicsSolidFill = cast list[6];
        var gradient:GraphicsGradientFill = cast list[9];
        var bitmap:GraphicsBitmapFill = cast list[12];
        var path:GraphicsPath = cast list[1];

        var again = new Shape();
        again.x = 50;
        again.graphics.drawGraphicsData(list);
        root.addChild(again);
        var copied = new Shape();
        copied.x = 100;
        copied.graphics.copyFrom(g);
        root.addChild(copied);
        var blank:Dynamic = new Shape().graphics;
        var empty:Int = blank.readGraphicsData().length;

        var facts:Array<Dynamic> = [
            kinds.join("/"), red.color, stroke.thickness, strokeFill.color, Math.round(triangle.alpha * 100) / 100, path.commands.join(" "),
            path.data.join(" "), gradient.type, gradient.colors.join(" "), gradient.ratios.join(" "),
            Math.round(gradient.matrix.tx), bitmap.repeat, bitmap.bitmapData.width,
            StringTools.hex(bitmap.bitmapData.getPixel32(1, 0)), bitmap.matrix.a, empty
        ];
        flash.Lib.fscommand("readback", facts.join(","));
    }
}
