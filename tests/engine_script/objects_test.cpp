// Objects: prototypes and constructors, Extends and super, instanceof,
// CastOp and ImplementsOp, With, Try/Throw/finally, enumeration, delete,
// getters and setters, property flags.
#include "script_test_support.h"

using namespace scripttest;

namespace {

// function Animal(name) { this.name = name }
// Animal.prototype.speak = function() { return this.name + " speaks" }
// function Dog(name) { super(name) }   Dog extends Animal
// Dog.prototype.speak = function() { return super.speak() + " and barks" }
Actions classes() {
    Actions animal;
    animal.push({"this"}).getVariable().push({"name", "name"}).getVariable().setMember();
    Actions speak;
    speak.push({"this"}).getVariable().push({"name"}).getMember().push({" speaks"}).add2().returnValue();
    Actions dog;
    dog.push({"name"}).getVariable().push({1, "super"}).getVariable().push({Undefined{}}).callMethod().pop();
    Actions dogSpeak;
    dogSpeak.push({0, "super"}).getVariable().push({"speak"}).callMethod().push({" and barks"}).add2().returnValue();

    Actions a;
    a.defineFunction("Animal", {"name"}, animal);
    a.push({"Animal"}).getVariable().push({"prototype"}).getMember();
    a.push({"speak"}).defineFunction("", {}, speak).setMember();
    a.defineFunction("Dog", {"name"}, dog);
    a.push({"Dog"}).getVariable().push({"Animal"}).getVariable().extends();
    a.push({"Dog"}).getVariable().push({"prototype"}).getMember();
    a.push({"speak"}).defineFunction("", {}, dogSpeak).setMember();
    return a;
}

TEST(Prototypes, ConstructorsAndMethods) {
    Actions a = classes();
    a.push({"a", "Rex", 1, "Animal"}).newObject().setVariable();
    a.callMethodOn("a", "speak", {}).trace();
    a.push({"a"}).getVariable().push({"__proto__"}).getMember();
    a.push({"Animal"}).getVariable().push({"prototype"}).getMember().strictEquals().trace();
    a.push({"a"}).getVariable().push({"constructor"}).getMember().push({"Animal"}).getVariable().strictEquals().trace();
    EXPECT_EQ(traces(a, 7), (Strings{"Rex speaks", "true", "true"}));
}

TEST(Prototypes, ExtendsAndSuper) {
    Actions a = classes();
    a.push({"d", "Fido", 1, "Dog"}).newObject().setVariable();
    a.callMethodOn("d", "speak", {}).trace();
    a.push({"d"}).getVariable().push({"Animal"}).getVariable().instanceOf().trace();
    a.push({"d"}).getVariable().push({"Dog"}).getVariable().instanceOf().trace();
    a.push({"a", "Rex", 1, "Animal"}).newObject().setVariable();
    a.push({"a"}).getVariable().push({"Dog"}).getVariable().instanceOf().trace();
    a.push({5}).push({"Animal"}).getVariable().instanceOf().trace();
    EXPECT_EQ(traces(a, 7), (Strings{"Fido speaks and barks", "true", "true", "false", "false"}));
}

TEST(Prototypes, CastAndImplements) {
    Actions a;
    a.defineFunction("Shape", {}, Actions());  // an interface
    a.defineFunction("Square", {}, Actions());
    a.push({"Shape"}).getVariable().push({1, "Square"}).getVariable().implementsOp();
    a.push({"s", 0, "Square"}).newObject().setVariable();
    a.push({"s"}).getVariable().push({"Shape"}).getVariable().instanceOf().trace();
    a.push({"Shape"}).getVariable().push({"s"}).getVariable().castOp().typeOf().trace();
    a.push({"Shape"}).getVariable().push({0}).initObject().castOp().trace();
    EXPECT_EQ(traces(a, 7), (Strings{"true", "object", "null"}));
}

TEST(With, MembersFirstThenTheTimeline) {
    Actions body;
    body.push({"x", 5}).setVariable();
    body.traceVar("x");
    body.push({"y", 2}).setVariable();
    Actions a;
    a.push({"o", "x", 1, 1}).initObject().setVariable();
    a.push({"o"}).getVariable().with(body);
    a.push({"o"}).getVariable().push({"x"}).getMember().trace();
    a.traceVar("y");
    a.push({"o"}).getVariable().push({"y"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"5", "5", "2", "undefined"}));
}

TEST(Try, CatchAndFinally) {
    Actions tryBody;
    tryBody.push({"boom"}).throwValue();
    tryBody.push({"not reached"}).trace();
    Actions catchBody;
    catchBody.push({"caught "}).push({"e"}).getVariable().add2().trace();
    Actions finallyBody;
    finallyBody.push({"finally"}).trace();
    Actions a;
    a.tryBlock(tryBody, catchBody, finallyBody, "e");
    a.push({"after"}).trace();
    EXPECT_EQ(traces(a, 7), (Strings{"caught boom", "finally", "after"}));
}

TEST(Try, CatchIntoARegisterAndFromAFunction) {
    Actions thrower;
    thrower.push({"from f"}).throwValue();
    Actions tryBody;
    tryBody.callFunctionNamed("f", {}).pop();
    Actions catchBody;
    catchBody.push({Register{1}}).trace();
    Actions a;
    a.defineFunction("f", {}, thrower);
    a.tryBlock(tryBody, catchBody, std::nullopt, "", 1);
    EXPECT_EQ(traces(a, 7), (Strings{"from f"}));
}

TEST(Try, FinallyRunsOnReturnAndOnTheWayOut) {
    // function f() { try { return "try" } finally { trace("cleanup") } }
    Actions tryReturn;
    tryReturn.push({"try"}).returnValue();
    Actions cleanup;
    cleanup.push({"cleanup"}).trace();
    Actions f;
    f.tryBlock(tryReturn, std::nullopt, cleanup, "");
    // try { try { throw 1 } finally { trace("inner") } } catch (e) { trace("outer " + e) }
    Actions innerThrow;
    innerThrow.push({1}).throwValue();
    Actions innerFinally;
    innerFinally.push({"inner"}).trace();
    Actions outerTry;
    outerTry.tryBlock(innerThrow, std::nullopt, innerFinally, "");
    Actions outerCatch;
    outerCatch.push({"outer "}).push({"e"}).getVariable().add2().trace();
    Actions a;
    a.defineFunction("f", {}, f);
    a.callFunctionNamed("f", {}).trace();
    a.tryBlock(outerTry, outerCatch, std::nullopt, "e");
    EXPECT_EQ(traces(a, 7), (Strings{"cleanup", "try", "inner", "outer 1"}));
}

TEST(Try, RethrowFromCatchReachesTheOuterTry) {
    Actions t;
    t.push({"first"}).throwValue();
    Actions c;
    c.push({"second"}).throwValue();
    Actions inner;
    inner.tryBlock(t, c, std::nullopt, "e");
    Actions outerCatch;
    outerCatch.push({"e2"}).getVariable().trace();
    Actions a;
    a.tryBlock(inner, outerCatch, std::nullopt, "e2");
    EXPECT_EQ(traces(a, 7), (Strings{"second"}));
}

TEST(Try, UncaughtThrowIsReportedAndTheMoviePlaysOn) {
    swfwriter::MovieWriter m({.version = 7});
    Actions first;
    first.push({"before"}).trace().push({"oops"}).throwValue().push({"not reached"}).trace();
    m.doAction(first);
    m.showFrame();
    Actions second;
    second.push({"second frame"}).trace();
    m.doAction(second);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->host.errors.size(), 1u);
    EXPECT_EQ(p->host.errors[0].kind, script::ScriptErrorKind::UncaughtException);
    EXPECT_NE(p->host.errors[0].message.find("oops"), std::string::npos) << p->host.errors[0].message;
    p->engine->tick();
    EXPECT_EQ(p->host.traces, (Strings{"before", "second frame"}));
}

// for (k in object) trace(k), as compilers emit it.
Actions forInTrace(const std::string& variable) {
    Actions a;
    a.push({variable}).getVariable().enumerate2();
    a.label("next");
    a.storeRegister(0).push({Null{}}).equals2().ifTrue("done");
    a.push({Register{0}}).trace().jump("next");
    a.label("done");
    return a;
}

TEST(Enumerate, NewestFirstAndHiddenSkipped) {
    Actions a;
    a.push({"o", "a", 1, "b", 2, "c", 3, 3}).initObject().setVariable();
    a.append(forInTrace("o"));
    // hide b
    a.push({0, 1, "b"}).push({"o"}).getVariable().push({4, "ASSetPropFlags"}).callFunction().pop();
    a.append(forInTrace("o"));
    a.push({"list", 20, 10, 2}).initArray().setVariable();
    a.append(forInTrace("list"));
    EXPECT_EQ(traces(a), (Strings{"c", "b", "a", "c", "a", "1", "0"}));
}

TEST(Delete, MembersVariablesAndProtectedProperties) {
    Actions a;
    a.push({"o", "a", 1, "b", 2, 2}).initObject().setVariable();
    a.push({"o"}).getVariable().push({"a"}).deleteMember().trace();
    a.push({"o"}).getVariable().push({"a"}).getMember().trace();
    a.push({0, 2, "b"}).push({"o"}).getVariable().push({4, "ASSetPropFlags"}).callFunction().pop();
    a.push({"o"}).getVariable().push({"b"}).deleteMember().trace();
    a.setVar("x", 1).push({"x"}).deleteVariable().trace().traceVar("x");
    a.push({"nothing"}).deleteVariable().trace();
    EXPECT_EQ(traces(a), (Strings{"true", "undefined", "false", "true", "undefined", "false"}));
}

TEST(Properties, GettersSettersAndReadOnly) {
    Actions getter;
    getter.push({"this"}).getVariable().push({"_p"}).getMember().push({2}).multiply().returnValue();
    Actions setter;
    setter.push({"this"}).getVariable().push({"_p", "v"}).getVariable().setMember();
    Actions a;
    a.push({"o", 0}).initObject().setVariable();
    a.defineFunction("", {"v"}, setter).defineFunction("", {}, getter).push({"p", 3});
    a.push({"o"}).getVariable().push({"addProperty"}).callMethod().trace();
    a.push({"o"}).getVariable().push({"p", 5}).setMember();
    a.push({"o"}).getVariable().push({"p"}).getMember().trace();
    a.push({"o"}).getVariable().push({"_p"}).getMember().trace();
    // read-only
    a.push({"o"}).getVariable().push({"r", "fixed"}).setMember();
    a.push({0, 4, "r"}).push({"o"}).getVariable().push({4, "ASSetPropFlags"}).callFunction().pop();
    a.push({"o"}).getVariable().push({"r", "changed"}).setMember();
    a.push({"o"}).getVariable().push({"r"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"true", "10", "5", "fixed"}));
}

TEST(Properties, ProtoLoopsAreRefused) {
    Actions a;
    a.push({"o", 0}).initObject().setVariable();
    a.push({"o"}).getVariable().push({"__proto__"}).push({"o"}).getVariable().setMember();
    a.push({"o"}).getVariable().push({"missing"}).getMember().trace();
    a.push({"o"}).getVariable().push({"__proto__"}).getMember().push({"Object"}).getVariable();
    a.push({"prototype"}).getMember().strictEquals().trace();
    EXPECT_EQ(traces(a), (Strings{"undefined", "true"}));
}

TEST(Properties, OwnAndEnumerableChecks) {
    Actions a;
    a.push({"o", "k", 1, 1}).initObject().setVariable();
    a.callMethodOn("o", "hasOwnProperty", {"k"}).trace();
    a.callMethodOn("o", "hasOwnProperty", {"toString"}).trace();
    a.callMethodOn("o", "isPropertyEnumerable", {"k"}).trace();
    EXPECT_EQ(traces(a), (Strings{"true", "false", "true"}));
}

}  // namespace
