// Red until the movie hears activate, green after: under the host, whose
// site says the control has the focus and sends no WM_SETFOCUS.
import flash.display.Sprite;
import flash.events.Event;

class Activated {
    static function main() {
        var box = new Sprite();
        box.graphics.beginFill(0xFF0000);
        box.graphics.drawRect(0, 0, 200, 100);
        flash.Lib.current.addChild(box);
        flash.Lib.current.stage.addEventListener(Event.ACTIVATE, function(_) {
            box.graphics.clear();
            box.graphics.beginFill(0x00FF00);
            box.graphics.drawRect(0, 0, 200, 100);
        });
    }
}
