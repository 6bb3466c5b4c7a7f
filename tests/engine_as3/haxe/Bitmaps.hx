// BitmapData for ActionScript 3: sizes and errors, pixels in and out, draw
// with blends, filters, and a class linked to an embedded picture. Facts go
// out through fscommand; the test knows what each must be.
import flash.display.BitmapData;
import flash.display.Sprite;
import flash.geom.Matrix;
import flash.geom.Point;
import flash.geom.Rectangle;
import flash.utils.ByteArray;

@:bitmap("two_pixels.png") class TwoPixels extends BitmapData {}

class Bitmaps {
    static function errorOf(f:Void->Void):Dynamic {
        try {
            f();
        } catch (e:flash.errors.Error) {
            return e.errorID;
        }
        return "none";
    }

    // Source pixel (x, y): red (x + 1) * 15, green y * 60. The map's red
    // 128 + 8x moves x by x at scale 32, its green 128 - 32y moves y by -y
    // at scale 8: each pixel shows the source at (2x, 0) where that lies
    // inside, the mode's choice where it does not.
    static function displacements(root:flash.display.MovieClip) {
        var source = new BitmapData(16, 4, false, 0);
        var map = new BitmapData(16, 4, false, 0);
        for (y in 0...4)
            for (x in 0...16) {
                source.setPixel(x, y, ((x + 1) * 15) << 16 | (y * 60) << 8);
                map.setPixel(x, y, (128 + 8 * x) << 16 | (128 - 32 * y) << 8);
            }
        function filter(m:BitmapData, mode:String) {
            return new flash.filters.DisplacementMapFilter(m, new Point(0, 0), 1, 2, 32, 8, cast mode, 0x00FF00, 1);
        }
        function applied(f:flash.filters.BitmapFilter) {
            var out = new BitmapData(16, 4, false, 0);
            out.applyFilter(source, source.rect, new Point(0, 0), f);
            return out.getPixel(3, 2) + ":" + out.getPixel(12, 1);
        }
        var facts:Array<Dynamic> = [];
        var modes = ["wrap", "clamp", "ignore", "color"];
        for (i in 0...modes.length) {
            facts.push(applied(filter(map, modes[i])));
            var shown = new flash.display.Bitmap(source);
            shown.x = 10;
            shown.y = 30 + 6 * i;
            shown.filters = [filter(map, modes[i])];
            root.addChild(shown);
        }
        // No map, or a disposed one: the source as it is.
        facts.push(applied(filter(null, "wrap")));
        var gone = map.clone();
        var goneFilter = filter(gone, "wrap");
        gone.dispose();
        facts.push(applied(goneFilter));
        // The source rectangle is the filter's; bad modes are refused.
        facts.push(map.generateFilterRect(new Rectangle(1, 2, 3, 4), filter(map, "clamp")).toString());
        facts.push(errorOf(function() filter(map, "bogus")));
        var checked:Dynamic = filter(map, "wrap");
        facts.push(errorOf(function() checked.mode = "mirror"));
        checked.mode = flash.filters.DisplacementMapFilterMode.COLOR;
        var copy:Dynamic = checked.clone();
        facts.push(copy.mode + ":" + copy.scaleX + ":" + copy.mapPoint.x + ":" + copy.mapBitmap.getPixel(1, 0));
        // Read back from a display object, the map shares its pixels.
        var back:Dynamic = root.getChildAt(root.numChildren - 1).filters[0];
        facts.push(back.mode + ":" + back.componentY + ":" + back.mapBitmap.getPixel(15, 3));
        flash.Lib.fscommand("displace", facts.join(","));

        // A map changed on the next frame shows on the next drawing.
        var later = map.clone();
        var moved = new flash.display.Bitmap(source);
        moved.x = 10;
        moved.y = 60;
        moved.filters = [filter(later, "wrap")];
        root.addChild(moved);
        root.addEventListener("enterFrame", function(_) later.fillRect(later.rect, 0x808080));
    }

    static function main() {
        // Past the heap limit a catchable error, for pixels, bytes and vectors
        // kept alive; the movie then goes on.
        var kept:Array<Dynamic> = [];
        var memory:Array<Dynamic> = [];
        memory.push(errorOf(function() for (i in 0...8) kept.push(new BitmapData(8000, 2000))));
        memory.push(kept.length > 0 && kept.length < 8);
        kept = [];
        memory.push(errorOf(function() {
            for (i in 0...8) {
                var b = new ByteArray();
                b.length = 48 << 20;
                kept.push(b);
            }
        }));
        kept = [];
        memory.push(errorOf(function() {
            for (i in 0...8) {
                var v = new flash.Vector<Float>();
                v.length = 6 << 20;
                kept.push(v);
            }
        }));
        kept = null;
        flash.Lib.fscommand("memory", memory.join(","));
        var facts:Array<Dynamic> = [];
        // The largest sides and pixel counts version 10 allows, and past them.
        var big = new BitmapData(8191, 2048, false, 0);
        facts.push(big.width);
        big.dispose();
        facts.push(errorOf(function() big.width));
        facts.push(errorOf(function() new BitmapData(8192, 1)));
        facts.push(errorOf(function() new BitmapData(4096, 4097)));
        facts.push(errorOf(function() new BitmapData(0, 5)));

        var b = new BitmapData(4, 4, true, 0x80FF0000);
        facts.push(b.getPixel32(0, 0));
        b.setPixel(1, 1, 0x00FF00); // keeps the pixel's alpha
        facts.push(b.getPixel32(1, 1));
        facts.push(b.getPixel(1, 1));
        b.fillRect(new Rectangle(2, 2, 2, 2), 0xFF0000FF);
        facts.push(b.getPixel32(3, 3));
        facts.push(b.rect.width + b.rect.height);
        var opaque = new BitmapData(2, 2, false, 0x80123456);
        facts.push(opaque.getPixel32(0, 0));
        facts.push(opaque.transparent);

        // Bytes are big-endian ARGB and leave the position at their end.
        var bytes = b.getPixels(new Rectangle(0, 0, 1, 1));
        facts.push(bytes.length + ":" + bytes.position + ":" + bytes[0] + ":" + bytes[1]);
        bytes.position = 0;
        facts.push(errorOf(function() b.setPixels(new Rectangle(0, 0, 2, 1), bytes)));
        var v = b.getVector(new Rectangle(0, 0, 2, 1));
        facts.push(v.length + ":" + v[1]);
        var h = b.histogram();
        facts.push(h[3][128] + ":" + h[3][255]);

        var copy = b.clone();
        facts.push(b.compare(copy));
        facts.push(b.compare(opaque));
        facts.push(b.threshold(b, b.rect, new Point(0, 0), "==", 0xFF0000FF, 0xFFFFFFFF));
        facts.push(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFFFFFF).toString());

        // A sprite drawn through the renderer, moved by the matrix.
        var red = new Sprite();
        red.graphics.beginFill(0xFF0000);
        red.graphics.drawRect(0, 0, 2, 2);
        red.x = 50; // its own transform is left out
        var canvas = new BitmapData(4, 4, false, 0xFFFFFF);
        canvas.draw(red, new Matrix(1, 0, 0, 1, 1, 1));
        facts.push(canvas.getPixel(0, 0) + ":" + canvas.getPixel(1, 1) + ":" + canvas.getPixel(2, 2) + ":" + canvas.getPixel(3, 3));
        var grey = new BitmapData(1, 1, false, 0x808080);
        grey.draw(new BitmapData(1, 1, false, 0x303030), null, null, flash.display.BlendMode.SUBTRACT);
        facts.push(grey.getPixel(0, 0));
        facts.push(errorOf(function() grey.draw(null)));
        facts.push(Std.isOfType(red, flash.display.IBitmapDrawable) + ":" + Std.isOfType(grey, flash.display.IBitmapDrawable));
        // A red-then-blue picture on a triangle whose right corner is four
        // times as far (t 0.25): along its top row the red half stretches to
        // 80% of the width (at 64 of 80), not the half a flat mapping gives.
        var halves = new flash.display.BitmapData(2, 1, false, 0xFF0000);
        halves.setPixel(1, 0, 0x0000FF);
        var receding = new flash.display.Shape();
        receding.graphics.beginBitmapFill(halves, null, false, false);
        receding.graphics.drawTriangles(flash.Vector.ofArray([0.0, 0, 80, 0, 0, 80]), null, flash.Vector.ofArray([0.0, 0, 1, 1, 0, 0.25, 0, 1, 1]));
        var seen = new flash.display.BitmapData(80, 80, false, 0xFFFFFF);
        seen.draw(receding);
        facts.push(seen.getPixel(50, 4) + ":" + seen.getPixel(70, 4));
        // hitTest against a point, a rectangle, a BitmapData and a Bitmap
        // (its data placed by the point, as a BitmapData's).
        var dot = new BitmapData(4, 4, true, 0);
        dot.setPixel32(1, 1, 0xFF000000);
        var square = new BitmapData(2, 2, true, 0xFF000000);
        facts.push(dot.hitTest(new Point(10, 10), 0xFF, new Point(11, 11)) + ":"
            + dot.hitTest(new Point(), 0xFF, new Rectangle(2, 2, 2, 2)) + ":" + dot.hitTest(new Point(), 0xFF, square, new Point(1, 1)) + ":"
            + dot.hitTest(new Point(), 0xFF, new flash.display.Bitmap(square), new Point(1, 1)));

        // Red and blue swap through a colour matrix.
        var swap = new flash.filters.ColorMatrixFilter([0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0]);
        var filtered = new BitmapData(2, 1, false, 0xFF0000);
        filtered.applyFilter(filtered, new Rectangle(0, 0, 1, 1), new Point(0, 0), swap);
        facts.push(filtered.getPixel(0, 0) + ":" + filtered.getPixel(1, 0));
        // A convolution that takes each pixel's right neighbour, the edge
        // clamped; gradient glows and bevels keep their stops through a copy.
        var shifted = new BitmapData(2, 1, false, 0xFF0000);
        shifted.setPixel(1, 0, 0x0000FF);
        shifted.applyFilter(shifted, shifted.rect, new Point(0, 0), new flash.filters.ConvolutionFilter(3, 1, [0, 0, 1]));
        var glowing = new flash.display.Sprite();
        glowing.filters = [new flash.filters.GradientGlowFilter(2, 90, [0xFF0000, 0x0000FF], [1, 0.2], [0, 255], 4, 4, 1, 1, cast "outer"),
            new flash.filters.GradientBevelFilter(), new flash.filters.ConvolutionFilter(2, 2, [1, 2, 3, 4, 5], 10)];
        var gg:Dynamic = glowing.filters[0];
        var gb:Dynamic = glowing.filters[1];
        var cv:Dynamic = glowing.filters[2];
        flash.Lib.fscommand("filters", ([shifted.getPixel(0, 0), shifted.getPixel(1, 0), gg.colors.join(":"), gg.alphas.join(":"),
            gg.ratios.join(":"), gg.type, gg.angle, gb.type, gb.colors, cv.matrix.join(":"), cv.divisor, cv.preserveAlpha,
            cv.clamp, cv.alpha, Std.isOfType(gg, flash.filters.GradientGlowFilter)]:Array<Dynamic>).join(","));
        var grown = b.generateFilterRect(new Rectangle(0, 0, 10, 10), new flash.filters.BlurFilter(4, 4, 1));
        facts.push(grown.width > 10 && grown.x < 0);

        // The embedded picture, whatever size the constructor is given.
        var linked = new TwoPixels(0, 0);
        facts.push(linked.width + ":" + linked.height + ":" + linked.getPixel32(0, 0) + ":" + (linked.getPixel32(1, 0) >>> 24));

        // Shown on the stage: a Bitmap, the picture ten times its size, and a
        // repeating fill of it five times its size.
        var root = flash.Lib.current;
        var shown = new flash.display.Bitmap(new BitmapData(10, 10, false, 0x00FF00));
        shown.x = 100;
        shown.y = 10;
        root.addChild(shown);
        facts.push(shown.width + ":" + shown.height + ":" + shown.pixelSnapping + ":" + shown.smoothing);
        var scaled = new flash.display.Bitmap(linked);
        scaled.x = 120;
        scaled.y = 10;
        scaled.scaleX = scaled.scaleY = 10;
        root.addChild(scaled);
        var tiles = new Sprite();
        tiles.graphics.beginBitmapFill(linked);
        tiles.graphics.drawRect(0, 0, 8, 2);
        tiles.x = 150;
        tiles.y = 10;
        tiles.scaleX = tiles.scaleY = 5;
        root.addChild(tiles);
        facts.push(errorOf(function() tiles.graphics.beginBitmapFill(big)));
        // A 2 pixel wide line painted with the picture, five times its size.
        var line = new Sprite();
        line.graphics.lineStyle(2);
        line.graphics.lineBitmapStyle(linked);
        line.graphics.moveTo(0, 13);
        line.graphics.lineTo(8, 13);
        line.x = 150;
        line.y = 5;
        line.scaleX = line.scaleY = 5;
        root.addChild(line);

        displacements(root);

        var text = "";
        for (f in facts)
            text += (text == "" ? "" : ",") + f;
        flash.Lib.fscommand("bitmaps", text);
    }
}
