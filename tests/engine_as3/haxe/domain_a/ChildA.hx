// A child movie: its main notes what Greeter its domain gives it.
class ChildA {
    public static var said:String;
    static function main() said = Greeter.say();
}
