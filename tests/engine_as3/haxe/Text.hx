// TextField, TextFormat and typing: values reported through fscommand,
// one command per group; the drawn fields are checked by their pixels.
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.events.TextEvent;
import flash.text.CSMSettings;
import flash.text.Font;
import flash.text.FontStyle;
import flash.text.StaticText;
import flash.text.TextField;
import flash.text.TextFieldAutoSize;
import flash.text.TextFieldType;
import flash.text.TextColorType;
import flash.text.TextDisplayMode;
import flash.text.TextFormat;
import flash.text.TextRenderer;

class BoxFont extends Font {}

class Text {
    static function report(name:String, values:Array<Dynamic>) flash.Lib.fscommand(name, values.join(","));

    static function main() {
        var root = flash.Lib.current;
        var t = new TextField();
        t.multiline = true;
        t.text = "Hello\nWorld";
        report("content", [
            t.width, t.height, t.text == "Hello\rWorld", t.length, t.numLines, t.getLineOffset(1), t.getLineLength(0),
            t.getLineText(1), t.type, t.selectable, t.wordWrap
        ]);
        t.appendText("!");
        t.replaceText(0, 5, "Howdy");
        var error = "none";
        try {
            t.replaceText(5, 100, "x");
        } catch (e:flash.errors.RangeError) {
            error = "RangeError";
        }
        report("edit", [t.text.split("\r").join("|"), error]);

        var bold = new TextFormat();
        bold.bold = true;
        t.setTextFormat(bold, 0, 5);
        report("formats", [
            t.getTextFormat(0, 5).bold, t.getTextFormat().bold, t.getTextFormat(6).bold, t.getTextFormat(0, 5).size,
            new TextFormat("Arial", 20, 0xFF0000).color, bold.size, bold.align
        ]);
        t.defaultTextFormat = new TextFormat("_sans", 20);
        t.appendText("+");
        report("default", [
            t.defaultTextFormat.font, t.defaultTextFormat.size, t.getTextFormat(t.length - 1).size, t.getTextFormat(0).size
        ]);
        t.setSelection(3, 1);
        report("selection", [t.selectionBeginIndex, t.selectionEndIndex]);
        t.replaceSelectedText("__");
        report("replaced", [t.text.split("\r").join("|"), t.caretIndex]);

        t.htmlText = "<b>x</b>y";
        report("html", [t.text, t.getTextFormat(0, 1).bold, t.getTextFormat(1, 2).bold, t.htmlText.toLowerCase().indexOf("<b>") >= 0]);

        var wide = new TextField();
        wide.text = "Wide text here";
        wide.autoSize = TextFieldAutoSize.LEFT;
        report("autosize", [Math.abs(wide.width - (wide.textWidth + 4)) < 1, wide.autoSize, wide.height < 100, wide.textWidth > 20]);
        var badAutoSize = "none";
        try {
            Reflect.setProperty(wide, "autoSize", "sideways");
        } catch (e:flash.errors.ArgumentError) {
            badAutoSize = "ArgumentError";
        }
        report("bad", [badAutoSize]);

        // A green box, no text.
        var box = new TextField();
        box.x = 120;
        box.y = 10;
        box.width = 60;
        box.height = 30;
        box.background = true;
        box.backgroundColor = 0x00FF00;
        root.addChild(box);

        // Black text with a link in its first word.
        var label = new TextField();
        label.x = 10;
        label.y = 50;
        label.width = 150;
        label.height = 40;
        label.defaultTextFormat = new TextFormat("_sans", 20, 0x000000);
        label.htmlText = "<a href=\"event:go\">MMM</a> WW";
        root.addChild(label);
        var first = label.getCharBoundaries(0);
        var space = label.getCharBoundaries(3);
        report("label", [first.x, first.y, first.width, first.height, label.textWidth, space.x, label.getCharIndexAtPoint(first.x + 1, first.y + 1), label.getCharIndexAtPoint(1000, 1)]);
        label.addEventListener(TextEvent.LINK, function(e:TextEvent) report("link", [e.text, e.target == label]));
        var metrics = label.getLineMetrics(0);
        report("metrics", [metrics.ascent > 0, metrics.descent > 0, Math.abs(metrics.height - (metrics.ascent + metrics.descent + metrics.leading)) < 0.01, metrics.x]);

        // Typing.
        var input = new TextField();
        input.type = TextFieldType.INPUT;
        input.y = 0;
        input.width = 100;
        input.height = 20;
        input.maxChars = 4;
        input.restrict = "a-z";
        root.addChild(input);
        var changes = 0;
        input.addEventListener(Event.CHANGE, function(e:Event) changes++);
        input.addEventListener(TextEvent.TEXT_INPUT, function(e:TextEvent) {
            if (e.text == "q")
                e.preventDefault();
        });
        root.stage.focus = input;
        root.stage.addEventListener(KeyboardEvent.KEY_UP, function(e:KeyboardEvent) {
            report("typed", [input.text, changes, input.caretIndex, e.shiftKey]);
        });

        // Typing past its width scrolls a narrow field; the wheel scrolls lines.
        var narrow = new TextField();
        narrow.type = TextFieldType.INPUT;
        narrow.x = 170;
        narrow.y = 60;
        narrow.width = 25;
        narrow.height = 20;
        root.addChild(narrow);
        var scrolls = 0;
        narrow.addEventListener(Event.SCROLL, function(e:Event) scrolls++);
        narrow.addEventListener(Event.CHANGE, function(e:Event) {
            report("narrow", [narrow.text, narrow.scrollH > 0, narrow.scrollH == narrow.maxScrollH, scrolls]);
        });
        var lines = new TextField();
        lines.multiline = true;
        lines.x = 165;
        lines.y = 82;
        lines.width = 35;
        lines.height = 18;
        lines.text = "1\n2\n3";
        root.addChild(lines);
        report("lines", [
            lines.numLines, lines.maxScrollV, lines.bottomScrollV, lines.getLineIndexAtPoint(5, 5), lines.getLineIndexAtPoint(5, 500),
            lines.getLineIndexOfChar(2), lines.getFirstCharInParagraph(3), lines.getParagraphLength(0), lines.getParagraphLength(4)
        ]);
        lines.addEventListener(Event.SCROLL, function(e:Event) report("wheel", [lines.scrollV, lines.maxScrollV]));

        var fonts = Font.enumerateFonts(true);
        report("fonts", [fonts.length >= 3, fonts[fonts.length - 1].fontName, fonts[fonts.length - 1].fontType, fonts[0].fontStyle]);

        // A style sheet from CSS and objects; a field styled by it.
        var sheet = new flash.text.StyleSheet();
        sheet.parseCSS("p { font-size: 18px; color: #FF0000 } .note { font-weight: bold; text-decoration: underline } h1, h2 { display: block }");
        sheet.setStyle("em", {fontStyle: "italic", color: "#0000FF"});
        sheet.parseCSS("p { color: #00FF00 }");
        sheet.parseCSS("q { color: #123456 } broken {");
        function style(name:String):Dynamic return sheet.getStyle(name);
        var copy = style("em");
        copy.color = "#000000";
        var pFormat = sheet.transform(sheet.getStyle("p"));
        report("sheet", [
            sheet.styleNames.join(" "), style("p").fontSize, style("p").color, style("em").color, style("missing") == null, pFormat.size, pFormat.color, sheet.transform(null) == null
        ]);
        var styled = new TextField();
        styled.styleSheet = sheet;
        styled.htmlText = "<p>Hi <span class='note'>there</span></p>";
        function refused(f:Void->Void):Dynamic {
            try {
                f();
            } catch (e:flash.errors.Error) {
                return e.errorID;
            }
            return "none";
        }
        report("styled", [
            styled.styleSheet == sheet, styled.htmlText == "<p>Hi <span class='note'>there</span></p>", styled.text, styled.getTextFormat(0, 1).size, styled.getTextFormat(0, 1).color,
            styled.getTextFormat(3, 8).bold, styled.getTextFormat(3, 8).underline, styled.getTextFormat(0, 2).bold,
            refused(function() styled.setTextFormat(bold)), refused(function() styled.replaceText(0, 1, "x")),
            refused(function() styled.defaultTextFormat = bold), refused(function() styled.appendText("!"))
        ]);
        sheet.setStyle("em", null);
        sheet.setStyle("P", {fontSize: "30"});
        styled.htmlText = "<p>Hi</p>";
        var sizeBefore = styled.getTextFormat(0, 1).size;
        styled.styleSheet = null;
        sheet.clear();
        report("unstyled", [sizeBefore, sheet.styleNames.length, refused(function() styled.setTextFormat(bold)), styled.getTextFormat(0, 1).bold]);

        // TextRenderer: the stage's settings, and the errors of what it refuses.
        var modeBefore = TextRenderer.displayMode;
        TextRenderer.displayMode = TextDisplayMode.LCD;
        var row = new CSMSettings(12, 0.7, -0.3);
        row.insideCutoff = 0.6;
        function table(style:Dynamic, color:Dynamic, rows:Array<Dynamic>)
            return refused(function() TextRenderer.setAdvancedAntiAliasingTable("_sans", style, color, rows));
        report("renderer", [
            modeBefore, TextRenderer.displayMode, TextRenderer.maxLevel, refused(function() TextRenderer.displayMode = cast "bogus"),
            refused(function() TextRenderer.maxLevel = 5), table("heavy", TextColorType.DARK_COLOR, [row]),
            table(FontStyle.REGULAR, "grey", [row]), table(FontStyle.REGULAR, TextColorType.DARK_COLOR, null),
            table(FontStyle.REGULAR, TextColorType.DARK_COLOR, [{fontSize: 1}]), table(FontStyle.BOLD, TextColorType.LIGHT_COLOR, [row]),
            row.fontSize, row.insideCutoff, row.outsideCutoff
        ]);

        // Placed by the timeline when the test writes one around this code.
        var placed = root.getChildByName("placed");
        if (placed != null) {
            var field = cast(placed, TextField);
            var staticText:StaticText = null;
            for (i in 0...root.numChildren)
                if (staticText == null && Std.isOfType(root.getChildAt(i), StaticText))
                    staticText = cast root.getChildAt(i);
            report("placed", [field.text, field.name, Std.isOfType(placed, TextField), staticText == null ? "-" : staticText.text]);
            // Both static texts of the root ("Hi" then "iH" a line below), the first two selected.
            var snap = root.textSnapshot;
            snap.setSelected(0, 2, true);
            var runs = snap.getTextRunInfo(0, 1);
            report("snapshot", [
                snap.charCount, snap.getText(0, 99, true), snap.findText(0, "IH", false), snap.getSelectedText(false),
                snap.getSelected(2, 4), snap.hitTestTextNearPos(30, 50, 0), runs.length, runs[1].matrix_tx, runs[1].corner2y,
                runs[0].selected, runs[0].font
            ]);
            // The timeline's font linked to BoxFont: registered, listed once, and drawn in a field.
            Font.registerFont(BoxFont);
            var linked = new BoxFont();
            var boxed = new TextField();
            boxed.embedFonts = true;
            boxed.defaultTextFormat = new TextFormat("Boxes", 20);
            boxed.text = "Hi";
            report("registered", [linked.fontName, linked.fontType, Font.enumerateFonts(false).length, boxed.textWidth]);
            var embedded = Font.enumerateFonts(false);
            report("embedded", [
                embedded.length, embedded[0].fontName, embedded[0].fontType, embedded[0].hasGlyphs("Hi"), embedded[0].hasGlyphs("Hz")
            ]);
            // Images of an exported clip and of a class-linked one, the second sized by the markup.
            var pictures = new TextField();
            pictures.htmlText = '<img src="Box" id="a"><img src="LinkedBox" id="b" width="5" height="6">';
            var a = pictures.getImageReference("a");
            report("images", [
                a != null, Std.isOfType(a, flash.display.MovieClip), a == pictures.getImageReference("a"),
                pictures.getImageReference("b") != null, pictures.getImageReference("zz") == null, a == null ? -1 : a.width,
                pictures.htmlText.indexOf('WIDTH="10" HEIGHT="10"') >= 0, pictures.htmlText.indexOf('WIDTH="5" HEIGHT="6"') >= 0
            ]);
            // An image in a field on the stage at (400, 300), its box at the field's gutter, takes the pointer.
            var pointed = new TextField();
            pointed.x = 400;
            pointed.y = 300;
            pointed.width = 100;
            pointed.height = 40;
            pointed.htmlText = '<img src="Box" id="c" hspace="0" vspace="0">text';
            root.addChild(pointed);
            var c = pointed.getImageReference("c");
            var seen = [];
            var note = function(e:MouseEvent) {
                seen.push(e.type + " " + (e.target == c ? "img" : e.target == pointed ? "field" : "other") + " " + e.localX + " " + e.localY);
                report("imageEvents", seen);
            };
            for (type in [MouseEvent.MOUSE_DOWN, MouseEvent.MOUSE_UP, MouseEvent.CLICK, MouseEvent.ROLL_OVER, MouseEvent.ROLL_OUT])
                c.addEventListener(type, note);
            root.addEventListener(MouseEvent.MOUSE_DOWN, function(e:MouseEvent) {
                seen.push("bubbled " + (e.target == c ? "img" : e.target == pointed ? "field" : "other"));
                report("imageEvents", seen);
            });
            // The player's display list has the field as their parent, though a field holds no children.
            var cParent:Dynamic = c.parent;
            var aParent:Dynamic = pictures.getImageReference("a").parent;
            report("imageParent", [cParent == pointed, aParent == pictures]);
        }
    }
}
