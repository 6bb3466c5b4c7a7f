// Greeter of the first child movie; the second has one of the same name.
class Greeter {
    public static function say():String return "a";
}
