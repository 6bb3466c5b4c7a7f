// Built-in classes and global functions: Array, String, Number, Boolean,
// Math, Date, and the global functions.
#include "script_test_support.h"

using namespace scripttest;

namespace {

// name = [values...]
void setArray(Actions& a, const std::string& name, const std::vector<PushValue>& values) {
    std::vector<PushValue> pushed{PushValue(name)};
    pushed.insert(pushed.end(), values.rbegin(), values.rend());
    pushed.emplace_back(int(values.size()));
    a.push(pushed).initArray().setVariable();
}

// trace(object.member)
void traceMember(Actions& a, const std::string& object, const std::string& member) {
    a.push({object}).getVariable().push({member}).getMember().trace();
}

TEST(ArrayMethods, ChangingTheArray) {
    Actions a;
    setArray(a, "arr", {3, 1, 2});
    a.callMethodOn("arr", "push", {4}).trace();
    a.traceVar("arr");
    a.callMethodOn("arr", "pop", {}).trace();
    a.callMethodOn("arr", "shift", {}).trace();
    a.callMethodOn("arr", "unshift", {0, 5}).trace();
    a.callMethodOn("arr", "slice", {1, 3}).trace();
    a.callMethodOn("arr", "slice", {-2}).trace();
    a.callMethodOn("arr", "splice", {1, 2, "a", "b", "c"}).trace();
    a.callMethodOn("arr", "join", {"-"}).trace();
    a.callMethodOn("arr", "reverse", {}).trace();
    // arr.concat([7, 8], 9)
    a.push({9, 8, 7, 2}).initArray().push({2}).push({"arr"}).getVariable().push({"concat"}).callMethod().trace();
    traceMember(a, "arr", "length");
    a.push({"arr"}).getVariable().push({"length", 2}).setMember().traceVar("arr");
    a.push({"arr"}).getVariable().push({4, "e"}).setMember();
    traceMember(a, "arr", "length");
    a.traceVar("arr");
    EXPECT_EQ(traces(a, 6), (Strings{"4", "3,1,2,4", "4", "3", "4", "5,1", "1,2", "5,1", "0-a-b-c-2", "2,c,b,a,0",
                                     "2,c,b,a,0,7,8,9", "5", "2,c", "5", "2,c,,,e"}));
}

TEST(ArrayMethods, ConstructorForms) {
    Actions a;
    a.push({"a1", 3, 1, "Array"}).newObject().setVariable();
    traceMember(a, "a1", "length");
    a.push({"a2", 3, 2, 2, "Array"}).newObject().setVariable();
    a.traceVar("a2");
    a.push({"a3", 0, "Array"}).callFunction().setVariable();
    traceMember(a, "a3", "length");
    EXPECT_EQ(traces(a), (Strings{"3", "2,3", "0"}));
}

TEST(ArrayMethods, SortOptionsAndComparators) {
    Actions desc;
    desc.push({"b"}).getVariable().push({"a"}).getVariable().subtract().returnValue();
    Actions a;
    setArray(a, "n", {10, 9, 100, 1});
    a.callMethodOn("n", "sort", {}).trace();
    a.callMethodOn("n", "sort", {16}).trace();      // NUMERIC
    a.callMethodOn("n", "sort", {16 | 2}).trace();  // NUMERIC | DESCENDING
    a.callMethodOn("n", "sort", {16 | 8}).trace();  // indices in numeric order, array unchanged
    a.traceVar("n");
    a.defineFunction("desc", {"a", "b"}, desc);
    a.push({"desc"}).getVariable().push({1}).push({"n"}).getVariable().push({"sort"}).callMethod().trace();
    setArray(a, "d", {2, 1, 2});
    a.callMethodOn("d", "sort", {4}).trace();  // UNIQUESORT with a duplicate
    a.traceVar("d");
    setArray(a, "w", {"b", "C", "a"});
    a.callMethodOn("w", "sort", {}).trace();
    a.callMethodOn("w", "sort", {1}).trace();  // CASEINSENSITIVE
    EXPECT_EQ(traces(a), (Strings{"1,10,100,9", "1,9,10,100", "100,10,9,1", "3,2,1,0", "100,10,9,1", "100,10,9,1", "0",
                                  "2,1,2", "C,a,b", "a,b,C"}));
}

TEST(ArrayMethods, SortOnFields) {
    Actions a;
    // records = [{n: "b", v: 2}, {n: "a", v: 3}, {n: "c", v: 10}]
    a.push({"records"});
    a.push({"n", "c", "v", 10, 2}).initObject();
    a.push({"n", "a", "v", 3, 2}).initObject();
    a.push({"n", "b", "v", 2, 2}).initObject();
    a.push({3}).initArray().setVariable();
    Actions names;
    for (int i = 0; i < 3; ++i)
        names.push({"records"}).getVariable().push({i}).getMember().push({"n"}).getMember().trace();
    a.callMethodOn("records", "sortOn", {"n"}).pop();
    a.append(names);
    a.callMethodOn("records", "sortOn", {"v"}).pop();  // as text: "10" < "2" < "3"
    a.append(names);
    a.callMethodOn("records", "sortOn", {"v", 16}).pop();
    a.append(names);
    EXPECT_EQ(traces(a), (Strings{"a", "b", "c", "c", "b", "a", "b", "a", "c"}));
}

TEST(ArrayMethods, AComparatorThatLiesCannotBreakTheSort) {
    Actions liar;
    liar.push({1}).returnValue();  // "greater" whatever the order
    Actions a;
    setArray(a, "n", {5, 3, 9, 1, 7, 2, 8});
    a.defineFunction("liar", {}, liar);
    a.push({"liar"}).getVariable().push({1}).push({"n"}).getVariable().push({"sort"}).callMethod().pop();
    traceMember(a, "n", "length");
    EXPECT_EQ(traces(a), (Strings{"7"}));
}

TEST(StringMethods, SearchingAndCutting) {
    Actions a;
    a.setVar("s", "Hello, World");
    a.callMethodOn("s", "charAt", {4}).trace();
    a.callMethodOn("s", "charAt", {99}).trace();
    a.callMethodOn("s", "charCodeAt", {0}).trace();
    a.callMethodOn("s", "charCodeAt", {99}).trace();
    a.callMethodOn("s", "indexOf", {"o"}).trace();
    a.callMethodOn("s", "indexOf", {"o", 5}).trace();
    a.callMethodOn("s", "indexOf", {"z"}).trace();
    a.callMethodOn("s", "lastIndexOf", {"o"}).trace();
    a.callMethodOn("s", "lastIndexOf", {"o", 7}).trace();
    a.callMethodOn("s", "substr", {7, 5}).trace();
    a.callMethodOn("s", "substr", {-5}).trace();
    a.callMethodOn("s", "substring", {7, 0}).trace();
    a.callMethodOn("s", "substring", {-3, 5}).trace();
    a.callMethodOn("s", "slice", {-5, -1}).trace();
    a.callMethodOn("s", "slice", {3, 1}).trace();
    traceMember(a, "s", "length");
    EXPECT_EQ(traces(a), (Strings{"o", "", "72", "NaN", "4", "8", "-1", "8", "4", "World", "World", "Hello, ", "Hello",
                                  "Worl", "", "12"}));
}

TEST(StringMethods, SplitCaseConcatAndFromCharCode) {
    Actions a;
    a.setVar("s", "Hello, World");
    a.callMethodOn("s", "split", {", "}).trace();
    a.callMethodOn("s", "split", {""}).push({"length"}).getMember().trace();
    a.callMethodOn("s", "split", {"l", 2}).trace();
    a.callMethodOn("s", "split", {}).push({"length"}).getMember().trace();
    a.callMethodOn("s", "toUpperCase", {}).trace();
    a.callMethodOn("s", "toLowerCase", {}).trace();
    a.callMethodOn("s", "concat", {"!", 1}).trace();
    a.callMethodOn("String", "fromCharCode", {72, 105}).trace();
    a.push({"x", 1, "String"}).newObject().typeOf().trace();
    a.push({5, 1, "String"}).callFunction().typeOf().trace();
    EXPECT_EQ(traces(a), (Strings{"Hello,World", "12", "He,", "1", "HELLO, WORLD", "hello, world", "Hello, World!1",
                                  "Hi", "object", "string"}));
}

TEST(NumberAndBoolean, ConversionsConstantsAndWrappers) {
    Actions a;
    a.setVar("n", 255);
    a.callMethodOn("n", "toString", {16}).trace();
    for (const char* c : {"MAX_VALUE", "MIN_VALUE", "POSITIVE_INFINITY", "NEGATIVE_INFINITY", "NaN"})
        traceMember(a, "Number", c);
    a.push({"Number"}).getVariable().push({"MAX_VALUE", 1}).setMember();  // read-only
    traceMember(a, "Number", "MAX_VALUE");
    a.push({"12", 1, "Number"}).callFunction().trace();
    a.push({5, 1, "Number"}).newObject().push({1}).add2().trace();
    a.push({1, 1, "Boolean"}).callFunction().trace();
    a.push({false, 1, "Boolean"}).newObject().trace();
    EXPECT_EQ(traces(a), (Strings{"ff", "1.79769313486232e+308", "4.94065645841247e-324", "Infinity", "-Infinity",
                                  "NaN", "1.79769313486232e+308", "12", "6", "true", "false"}));
}

TEST(MathObject, FunctionsAndConstants) {
    Actions a;
    a.callMethodOn("Math", "abs", {-2}).trace();
    a.callMethodOn("Math", "ceil", {1.2}).trace();
    a.callMethodOn("Math", "floor", {-1.2}).trace();
    a.callMethodOn("Math", "round", {2.5}).trace();
    a.callMethodOn("Math", "round", {-2.5}).trace();
    a.callMethodOn("Math", "max", {1, 5, 3}).trace();
    a.callMethodOn("Math", "max", {}).trace();
    a.callMethodOn("Math", "min", {1, "x"}).trace();
    a.callMethodOn("Math", "pow", {2, 10}).trace();
    a.callMethodOn("Math", "sqrt", {16}).trace();
    traceMember(a, "Math", "PI");
    a.callMethodOn("Math", "atan2", {1, 1}).push({4}).multiply().trace();
    a.callMethodOn("Math", "random", {}).push({0}).less2().trace();
    EXPECT_EQ(traces(a), (Strings{"2", "2", "-2", "3", "-2", "5", "-Infinity", "NaN", "1024", "4", "3.14159265358979",
                                  "3.14159265358979", "false"}));
}

TEST(DateObject, PartsOfTheHostsClock) {
    swfwriter::MovieWriter m({.version = 8});
    Actions a;
    a.push({"d", 0, "Date"}).newObject().setVariable();
    for (const char* method : {"getTime", "getFullYear", "getYear", "getMonth", "getDate", "getDay", "getHours",
                               "getMinutes", "getSeconds", "getMilliseconds", "getTimezoneOffset", "toString"})
        a.callMethodOn("d", method, {}).trace();
    m.doAction(a);
    m.showFrame();
    std::vector<uint8_t> file = m.finish();
    auto parsed = swf::parseMovie(file);
    ASSERT_TRUE(parsed.has_value());
    Player p;
    p.movie = parsed.value();
    p.stage = model::Stage::create(p.movie);
    p.host.epoch = 1e12;  // 2001-09-09 01:46:40 UTC, a Sunday
    p.engine = script::Engine::create(*p.stage, p.host);
    p.engine->runPending();
    EXPECT_EQ(p.host.traces, (Strings{"1000000000000", "2001", "101", "8", "9", "0", "1", "46", "40", "0", "0",
                                      "Sun Sep 9 01:46:40 GMT+0000 2001"}));
}

TEST(DateObject, ComponentsRollOverAndUtc) {
    Actions a;
    a.push({"d", 31, 0, 2000, 3, "Date"}).newObject().setVariable();
    a.callMethodOn("d", "setMonth", {1}).pop();  // 31 February 2000 is 2 March
    a.callMethodOn("d", "getMonth", {}).trace();
    a.callMethodOn("d", "getDate", {}).trace();
    a.callMethodOn("Date", "UTC", {1970, 0, 2}).trace();
    a.push({"e", 12, 29, 1, 2000, 4, "Date"}).newObject().setVariable();
    a.callMethodOn("e", "getDay", {}).trace();
    a.push({"f", 0, 99, 2, "Date"}).newObject().setVariable();
    a.callMethodOn("f", "getFullYear", {}).trace();
    a.push({"g", "not a date", 1, "Date"}).newObject().setVariable();
    a.callMethodOn("g", "getTime", {}).trace();
    a.callMethodOn("g", "toString", {}).trace();
    EXPECT_EQ(traces(a), (Strings{"2", "2", "86400000", "2", "1999", "NaN", "Invalid Date"}));
}

TEST(GlobalFunctions, ParsingEscapingAndTheClock) {
    Actions a;
    a.callFunctionNamed("parseInt", {"0x1F"}).trace();
    a.callFunctionNamed("parseInt", {"12px"}).trace();
    a.callFunctionNamed("parseInt", {"11", 2}).trace();
    a.callFunctionNamed("parseFloat", {"3.5e1x"}).trace();
    a.callFunctionNamed("isNaN", {"x"}).trace();
    a.callFunctionNamed("isFinite", {"1"}).trace();
    a.callFunctionNamed("escape", {"a b&\xC3\xBC"}).trace();
    a.callFunctionNamed("unescape", {"a%20b%C3%BC%zz"}).trace();
    a.callFunctionNamed("getVersion", {}).trace();
    a.callFunctionNamed("getTimer", {}).trace();
    EXPECT_EQ(traces(a, 6), (Strings{"31", "12", "3", "35", "true", "true", "a%20b%26%C3%BC", "a b\xC3\xBC%zz",
                                     "WIN 10,0,0,0", "0"}));
}

TEST(GlobalFunctions, EscapeUsesSingleBytesBeforeSwf6) {
    Actions a;
    a.callFunctionNamed("escape", {"\xFC"}).trace();  // u-umlaut in the file's ANSI code page
    a.callFunctionNamed("unescape", {"%FC"}).trace();
    EXPECT_EQ(traces(a, 5), (Strings{"%FC", "\xC3\xBC"}));
}

}  // namespace
