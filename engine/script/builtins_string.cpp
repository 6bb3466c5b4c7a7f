// String.
#include "script/builtins.h"

#include "script/array_object.h"
#include "script/conversions.h"
#include "script/number_format.h"
#include "script/runtime.h"

#include <cmath>

namespace script {

namespace {

String thisString(Runtime& rt, const Value& self) {
    if (self.isString())
        return self.asString();
    if (Object* o = self.asObject(); o && o->objectClass() == ObjectClass::StringWrapper)
        return toString(rt, static_cast<PrimitiveObject*>(o)->primitive());
    return toString(rt, self);
}

// An integer argument (NaN as 0), or the fallback when absent.
double integerArg(Runtime& rt, std::span<const Value> args, size_t i, double fallback) {
    if (i >= args.size() || args[i].isUndefined())
        return fallback;
    double n = toNumber(rt, args[i]);
    return std::isnan(n) ? 0.0 : std::trunc(n);
}

size_t clampTo(double n, size_t length) { return n <= 0 ? 0 : size_t(std::min(n, double(length))); }

Value stringCall(Runtime& rt, const Value&, std::span<const Value> args) {
    return args.empty() ? Value(String()) : Value(toString(rt, args[0]));
}

Value stringConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    Value s = args.empty() ? Value(String()) : Value(toString(rt, args[0]));
    return Value(rt.heap.make<PrimitiveObject>(rt.protos.string, ObjectClass::StringWrapper, s));
}

Value stringValueOf(Runtime& rt, const Value& self, std::span<const Value>) { return Value(thisString(rt, self)); }

Value fromCharCode(Runtime& rt, const Value&, std::span<const Value> args) {
    std::u16string out;
    for (const Value& v : args)
        out.push_back(char16_t(toUint32(toNumber(rt, v)) & 0xFFFF));
    return Value(rt.makeString(out));
}

Value charAt(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    double i = integerArg(rt, args, 0, 0);
    if (i < 0 || i >= double(s.size()))
        return Value(String());
    return Value(rt.makeString(s.view().substr(size_t(i), 1)));
}

Value charCodeAt(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    double i = integerArg(rt, args, 0, 0);
    if (i < 0 || i >= double(s.size()))
        return Value(std::nan(""));
    return Value(double(s[size_t(i)]));
}

Value indexOf(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    String needle = toString(rt, arg(args, 0));
    rt.chargeWork(s.size() / 16);
    size_t from = clampTo(integerArg(rt, args, 1, 0), s.size());
    size_t at = s.view().find(needle.view(), from);
    return Value(at == std::u16string_view::npos ? -1.0 : double(at));
}

Value lastIndexOf(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    String needle = toString(rt, arg(args, 0));
    rt.chargeWork(s.size() / 16);
    double from = integerArg(rt, args, 1, double(s.size()));
    if (from < 0)
        return Value(-1.0);
    size_t at = s.view().rfind(needle.view(), clampTo(from, s.size()));
    return Value(at == std::u16string_view::npos ? -1.0 : double(at));
}

Value substr(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    double start = integerArg(rt, args, 0, 0);
    if (start < 0)
        start = std::max(0.0, double(s.size()) + start);
    size_t from = clampTo(start, s.size());
    double length = integerArg(rt, args, 1, double(s.size()));
    size_t count = clampTo(length, s.size() - from);
    return Value(rt.makeString(s.view().substr(from, count)));
}

Value substring(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    size_t a = clampTo(integerArg(rt, args, 0, 0), s.size());
    size_t b = clampTo(integerArg(rt, args, 1, double(s.size())), s.size());
    if (a > b)
        std::swap(a, b);
    return Value(rt.makeString(s.view().substr(a, b - a)));
}

Value slice(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    auto relative = [&](double n) {
        if (n < 0)
            n = std::max(0.0, double(s.size()) + n);
        return clampTo(n, s.size());
    };
    size_t a = relative(integerArg(rt, args, 0, 0));
    size_t b = relative(integerArg(rt, args, 1, double(s.size())));
    if (b <= a)
        return Value(String());
    return Value(rt.makeString(s.view().substr(a, b - a)));
}

Value split(Runtime& rt, const Value& self, std::span<const Value> args) {
    String s = thisString(rt, self);
    double limitArg = integerArg(rt, args, 1, double(rt.limits.maxArrayLength));
    size_t limit = clampTo(limitArg, rt.limits.maxArrayLength);
    ArrayObject* out = rt.newArray();
    if (arg(args, 0).isUndefined()) {
        if (limit > 0)
            out->push(Value(s), rt.limits.maxArrayLength);
        return Value(out);
    }
    String separator = toString(rt, args[0]);
    std::u16string_view text = s.view();
    rt.chargeWork(text.size() / 16);
    if (separator.empty()) {
        for (size_t i = 0; i < text.size() && out->length() < limit; ++i, rt.chargeWork(1))
            out->push(Value(rt.makeString(text.substr(i, 1))), rt.limits.maxArrayLength);
        return Value(out);
    }
    size_t start = 0;
    while (out->length() < limit) {
        size_t at = text.find(separator.view(), start);
        if (at == std::u16string_view::npos) {
            out->push(Value(rt.makeString(text.substr(start))), rt.limits.maxArrayLength);
            break;
        }
        out->push(Value(rt.makeString(text.substr(start, at - start))), rt.limits.maxArrayLength);
        rt.chargeWork(1);
        start = at + separator.size();
    }
    return Value(out);
}

char16_t upper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return char16_t(c - 32);
    if (c >= 0x450 && c <= 0x45F)
        return char16_t(c - 80);
    return c;
}

char16_t lower(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return char16_t(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 80);
    return c;
}

Value toUpperCase(Runtime& rt, const Value& self, std::span<const Value>) {
    std::u16string s(thisString(rt, self).view());
    for (char16_t& c : s)
        c = upper(c);
    return Value(rt.makeString(s));
}

Value toLowerCase(Runtime& rt, const Value& self, std::span<const Value>) {
    std::u16string s(thisString(rt, self).view());
    for (char16_t& c : s)
        c = lower(c);
    return Value(rt.makeString(s));
}

Value concat(Runtime& rt, const Value& self, std::span<const Value> args) {
    std::u16string s(thisString(rt, self).view());
    for (const Value& v : args) {
        s.append(toString(rt, v).view());
        if (s.size() > rt.limits.maxStringLength)
            abortScript(ScriptErrorKind::MemoryLimit, "a string grew past the length limit");
    }
    return Value(rt.makeString(s));
}

}  // namespace

void installString(Runtime& rt) {
    Object* p = rt.heap.make<PrimitiveObject>(rt.protos.object, ObjectClass::StringWrapper, Value(String()));
    rt.protos.string = p;
    rt.defineMethod(p, u"toString", stringValueOf);
    rt.defineMethod(p, u"valueOf", stringValueOf);
    rt.defineMethod(p, u"charAt", charAt);
    rt.defineMethod(p, u"charCodeAt", charCodeAt);
    rt.defineMethod(p, u"indexOf", indexOf);
    rt.defineMethod(p, u"lastIndexOf", lastIndexOf);
    rt.defineMethod(p, u"substr", substr);
    rt.defineMethod(p, u"substring", substring);
    rt.defineMethod(p, u"slice", slice);
    rt.defineMethod(p, u"split", split);
    rt.defineMethod(p, u"toUpperCase", toUpperCase);
    rt.defineMethod(p, u"toLowerCase", toLowerCase);
    rt.defineMethod(p, u"concat", concat);
    NativeFunction* ctor = rt.newNative(stringCall, stringConstruct);
    rt.defineValue(ctor, u"prototype", Value(p), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(p, u"constructor", Value(ctor));
    rt.defineMethod(ctor, u"fromCharCode", fromCharCode);
    rt.defineValue(rt.global, u"String", Value(ctor));
}

}  // namespace script
