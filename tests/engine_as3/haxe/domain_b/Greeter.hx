// Greeter of the second child movie; the first has one of the same name.
class Greeter {
    public static function say():String return "b" + "b".length;
}
