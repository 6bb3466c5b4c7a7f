// Functions: definitions, calls, closures, arguments, recursion,
// DefineFunction2's registers and preloads, call and apply.
#include "script_test_support.h"

#include "script/action_codes.h"

using namespace scripttest;
using flag = script::FunctionFlag;

namespace {

Actions returnSum() {
    Actions body;
    body.push({"a"}).getVariable().push({"b"}).getVariable().add2().returnValue();
    return body;
}

TEST(Functions, DefineAndCallByName) {
    Actions a;
    a.defineFunction("sum", {"a", "b"}, returnSum());
    a.callFunctionNamed("sum", {2, 3}).trace();
    a.callFunctionNamed("sum", {"x", 1}).trace();
    a.callFunctionNamed("sum", {1}).trace();  // b is undefined: NaN
    a.callFunctionNamed("missing", {1}).trace();
    EXPECT_EQ(traces(a), (Strings{"5", "x1", "NaN", "undefined"}));
}

TEST(Functions, ClosuresKeepTheirOwnActivation) {
    Actions inner;
    inner.push({"n", "n"}).getVariable().increment().setVariable();
    inner.push({"n"}).getVariable().returnValue();
    Actions outer;
    outer.push({"n", 0}).defineLocal();
    outer.defineFunction("", {}, inner).returnValue();
    Actions a;
    a.defineFunction("makeCounter", {}, outer);
    a.push({"c1"}).callFunctionNamed("makeCounter", {}).setVariable();
    a.push({"c2"}).callFunctionNamed("makeCounter", {}).setVariable();
    a.callFunctionNamed("c1", {}).trace();
    a.callFunctionNamed("c1", {}).trace();
    a.callFunctionNamed("c2", {}).trace();
    a.traceVar("n");  // the counters' n never reached the timeline
    EXPECT_EQ(traces(a), (Strings{"1", "2", "1", "undefined"}));
}

TEST(Functions, LocalsStayLocalAndPlainAssignmentsReachTheTimeline) {
    Actions f;
    f.push({"t", 5}).defineLocal();
    f.push({"u", 7}).setVariable();
    f.push({"v"}).getVariable().returnValue();
    Actions a;
    a.setVar("v", "timeline");
    a.defineFunction("f", {}, f);
    a.callFunctionNamed("f", {}).trace();
    a.traceVar("t").traceVar("u");
    EXPECT_EQ(traces(a), (Strings{"timeline", "undefined", "7"}));
}

TEST(Functions, ArgumentsObject) {
    Actions f;
    f.push({"arguments"}).getVariable().push({"length"}).getMember();
    f.push({":"}).add2();
    f.push({"arguments"}).getVariable().push({1}).getMember().add2();
    f.push({"arguments"}).getVariable().push({"callee"}).getMember().push({"f"}).getVariable().strictEquals();
    f.add2().returnValue();
    Actions a;
    a.defineFunction("f", {}, f);
    a.callFunctionNamed("f", {1, 2, 3}).trace();
    EXPECT_EQ(traces(a), (Strings{"3:2true"}));
}

TEST(Functions, RecursionComputesAFactorial) {
    // function fact(n) { if (n <= 1) return 1; return n * fact(n - 1); }
    Actions f;
    f.push({"n"}).getVariable().push({2}).less2().logicalNot().ifTrue("recurse");
    f.push({1}).returnValue();
    f.label("recurse");
    f.push({"n"}).getVariable();
    f.push({"n"}).getVariable().push({1}).subtract().push({1, "fact"}).callFunction();
    f.multiply().returnValue();
    Actions a;
    a.defineFunction("fact", {"n"}, f);
    a.callFunctionNamed("fact", {10}).trace();
    EXPECT_EQ(traces(a), (Strings{"3628800"}));
}

TEST(Functions, DefineFunction2PreloadsRegistersInOrder) {
    swfwriter::Function2Spec spec;  // anonymous: the function is pushed
    spec.registerCount = 7;
    spec.flags =
        flag::PreloadThis | flag::PreloadArguments | flag::PreloadRoot | flag::PreloadGlobal | flag::SuppressSuper;
    spec.params = {{5, "x"}, {0, "y"}};
    Actions body;
    body.push({Register{1}, "name"}).getMember().trace();           // this
    body.push({Register{2}, "length"}).getMember().trace();         // arguments
    body.push({Register{3}}).trace();                               // _root
    body.push({Register{4}, "Math"}).getMember().typeOf().trace();  // _global
    body.push({Register{5}}).trace();                               // x
    body.push({"y"}).getVariable().trace();                         // y is a local variable
    body.push({"x"}).getVariable().trace();                         // x lives only in its register
    Actions a;
    a.push({"o", "name", "the object", 1}).initObject().setVariable();
    a.push({"o"}).getVariable().push({"f"}).defineFunction2(spec, body).setMember();
    a.callMethodOn("o", "f", {"first", "second"});
    a.pop();
    EXPECT_EQ(traces(a, 7), (Strings{"the object", "2", "_level0", "object", "first", "second", "undefined"}));
}

TEST(Functions, DefineFunction2WithoutPreloadsStillSeesThisAndArguments) {
    swfwriter::Function2Spec spec;
    spec.name = "g";
    spec.registerCount = 2;
    spec.params = {{1, "a"}};
    Actions body;
    body.push({"arguments"}).getVariable().push({"length"}).getMember();
    body.push({Register{1}}).add2().returnValue();
    Actions a;
    a.defineFunction2(spec, body);
    a.callFunctionNamed("g", {10, 20}).trace();
    EXPECT_EQ(traces(a, 7), (Strings{"12"}));
}

TEST(Functions, CallAndApplySetThis) {
    Actions f;
    f.push({"this"}).getVariable().push({"name"}).getMember();
    f.push({"a"}).getVariable().add2();
    f.push({"b"}).getVariable().add2().returnValue();
    Actions a;
    a.defineFunction("f", {"a", "b"}, f);
    a.push({"o", "name", "O", 1}).initObject().setVariable();
    // f.call(o, 1, 2)
    a.push({2, 1}).push({"o"}).getVariable().push({3}).push({"f"}).getVariable().push({"call"}).callMethod().trace();
    // f.apply(o, [3, 4])
    a.push({4, 3, 2}).initArray().push({"o"}).getVariable().push({2});
    a.push({"f"}).getVariable().push({"apply"}).callMethod().trace();
    EXPECT_EQ(traces(a), (Strings{"O12", "O34"}));
}

TEST(Functions, CallingSomethingThatIsNotAFunctionGivesUndefined) {
    Actions a;
    a.setVar("notAFunction", 5);
    a.callFunctionNamed("notAFunction", {}).trace();
    a.push({0, 5, "toFixed"}).callMethod().trace();
    EXPECT_EQ(traces(a), (Strings{"undefined", "undefined"}));
}

}  // namespace
