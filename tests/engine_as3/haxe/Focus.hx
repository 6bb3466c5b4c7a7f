// Focus and keys: focus events, tab order, presses that move focus, the
// characters keys type, and the flash.ui objects; every event a listener
// hears goes out through fscommand "event", in order.
import flash.display.Sprite;
import flash.events.ContextMenuEvent;
import flash.events.FocusEvent;
import flash.events.KeyboardEvent;
import flash.ui.ContextMenu;
import flash.ui.ContextMenuItem;
import flash.ui.Keyboard;
import flash.ui.Mouse;

class Focus {
    static function note(s:String) flash.Lib.fscommand("event", s);

    static function report(name:String, values:Array<Dynamic>) flash.Lib.fscommand(name, values.join(","));

    static function nameOf(o:Dynamic):String return o == null ? "-" : o.name;

    static function square(name:String, x:Float):Sprite {
        var s = new Sprite();
        s.name = name;
        s.x = x;
        s.graphics.beginFill(0x808080);
        s.graphics.drawRect(0, 0, 20, 20);
        s.buttonMode = true;
        for (type in [FocusEvent.FOCUS_IN, FocusEvent.FOCUS_OUT])
            s.addEventListener(type, function(e:FocusEvent) note(s.name + ":" + e.type + ":" + nameOf(e.relatedObject)));
        return s;
    }

    static function main() {
        var root = flash.Lib.current;
        var a = square("a", 0);
        var b = square("b", 30);
        var c = square("c", 60);
        var off = square("off", 90);
        off.tabEnabled = false;
        var box = new Sprite();
        box.name = "box";
        box.tabChildren = false;
        var hidden = square("hidden", 120);
        box.addChild(hidden);
        for (s in [a, b, c, off, box])
            root.addChild(s);
        c.tabIndex = 1;
        a.tabIndex = 2;
        b.tabIndex = 3;
        report("tabs", [a.tabEnabled, off.tabEnabled, new Sprite().tabEnabled, box.tabChildren, hidden.tabIndex, a.focusRect]);
        // b keeps the focus the first time a press would take it away.
        var kept = false;
        b.addEventListener(FocusEvent.MOUSE_FOCUS_CHANGE, function(e:FocusEvent) {
            note("b:mouseFocusChange:" + nameOf(e.relatedObject));
            if (!kept) {
                kept = true;
                e.preventDefault();
            }
        });
        root.stage.addEventListener(FocusEvent.KEY_FOCUS_CHANGE, function(e:FocusEvent) {
            note("keyFocusChange:" + nameOf(e.relatedObject) + ":" + e.shiftKey + ":" + e.keyCode);
        });
        a.focusRect = false;
        root.stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
            if (e.keyCode == 83)
                root.stage.stageFocusRect = false;
            if (e.keyCode != Keyboard.TAB && e.keyCode != Keyboard.SHIFT)
                note("key:" + e.keyCode + ":" + e.charCode + ":" + e.shiftKey);
        });

        Mouse.hide();
        Mouse.show();
        var menu = new ContextMenu();
        menu.hideBuiltInItems();
        menu.customItems.push(new ContextMenuItem("About", true));
        a.contextMenu = menu;
        var boxMenu = new ContextMenu();
        box.contextMenu = boxMenu;
        for (m in [menu, boxMenu])
            m.addEventListener(ContextMenuEvent.MENU_SELECT, function(e:ContextMenuEvent) {
                note("menuSelect:" + (m == menu ? "a" : "box") + ":" + nameOf(e.mouseTarget) + ":" + nameOf(e.contextMenuOwner));
            });
        var copy = menu.clone();
        var item:ContextMenuItem = menu.customItems[0];
        report("ui", [
            Reflect.field(Keyboard, "A"), Keyboard.ENTER, Keyboard.NUMPAD_5, Keyboard.F12, Reflect.field(Mouse, "cursor"), a.contextMenu == menu,
            menu.builtInItems.zoom, item.caption, item.separatorBefore, item.enabled, copy.customItems.length, b.contextMenu
        ]);
    }
}
