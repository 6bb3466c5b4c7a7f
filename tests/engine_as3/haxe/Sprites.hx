// 5,000 script-made sprites, every one moved each frame (the benchmark's movie).
import flash.display.Sprite;
import flash.events.Event;

class Sprites {
    static function main() {
        var root = flash.Lib.current;
        var sprites = new Array<Sprite>();
        for (i in 0...5000) {
            var s = new Sprite();
            s.graphics.beginFill(0x3060C0 + i);
            s.graphics.drawRect(0, 0, 8, 8);
            s.graphics.endFill();
            s.x = (i * 7) % 632;
            s.y = (i * 13) % 472;
            root.addChild(s);
            sprites[i] = s;
        }
        var frame = 0;
        root.addEventListener(Event.ENTER_FRAME, function(e:Event) {
            frame++;
            for (i in 0...sprites.length) {
                var s = sprites[i];
                s.x = (i * 7 + frame) % 632;
                s.y = (i * 13 + frame) % 472;
            }
        });
    }
}
