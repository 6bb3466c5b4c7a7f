// Object, Function and the classes of the primitive values: Boolean,
// Number, int, uint and String.
#include "avm2/case_mapping.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/core_regexp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace avm2 {

namespace {

std::u16string ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// --- Object -----------------------------------------------------------------

bool hasOwn(Machine& m, Value self, const std::u16string& name) {
    if (!self.isObject())
        return false;
    const Object* o = self.asObject();
    if (o->findOwn(name))
        return true;
    const String* interned = m.findInterned(name);
    return interned && o->traits() && o->traits()->find(QName{m.publicNamespace(), interned});
}

Value objectHasOwnProperty(Machine& m, Value self, std::span<const Value> args) {
    return Value::boolean(hasOwn(m, self, m.toString(argument(args, 0))->text()));
}

Value objectPropertyIsEnumerable(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject())
        return Value::boolean(false);
    const Object* o = self.asObject();
    const std::u16string name = m.toString(argument(args, 0))->text();
    for (size_t i = 0; i < o->dynamicCount(); ++i) {
        if (o->dynamicAt(i).first == name)
            return Value::boolean(o->enumerableAt(i));
    }
    return Value::boolean(false);
}

Value objectSetPropertyIsEnumerable(Machine& m, Value self, std::span<const Value> args) {
    if (self.isObject())
        self.asObject()->setEnumerable(m.toString(argument(args, 0))->text(), toBoolean(argument(args, 1)));
    return Value();
}

Value objectIsPrototypeOf(Machine&, Value self, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (!self.isObject() || !v.isObject())
        return Value::boolean(false);
    for (const Object* p = v.asObject()->proto(); p; p = p->proto()) {
        if (p == self.asObject())
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

Value objectToString(Machine& m, Value self, std::span<const Value>) {
    if (self.isObject()) {
        if (auto* c = dynamic_cast<ClassObject*>(self.asObject()))
            return m.string(u"[class " + c->name().name->text() + u"]");
        if (self.asObject()->traits() && !self.asObject()->traits()->types.empty())
            return m.string(u"[object " + classNameOf(self) + u"]");
    }
    return m.string(u"[object Object]");
}

Value objectValueOf(Machine&, Value self, std::span<const Value>) { return self; }

Value objectCall(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    return v.isNullish() ? Value::object(m.newObject()) : v;
}

const NativeMember ObjectPrototype[] = {{u"hasOwnProperty", objectHasOwnProperty},
                                        {u"propertyIsEnumerable", objectPropertyIsEnumerable},
                                        {u"isPrototypeOf", objectIsPrototypeOf},
                                        {u"toString", objectToString},
                                        {u"setPropertyIsEnumerable", objectSetPropertyIsEnumerable},
                                        {u"toLocaleString", objectToString},
                                        {u"valueOf", objectValueOf}};

// --- Function ---------------------------------------------------------------

Value functionCall(Machine& m, Value self, std::span<const Value> args) {
    return m.call(self, argument(args, 0), args.empty() ? args : args.subspan(1));
}

Value functionApply(Machine& m, Value self, std::span<const Value> args) {
    std::vector<Value> list;
    const Value array = argument(args, 1);
    if (auto* a = array.isObject() ? dynamic_cast<ArrayObject*>(array.asObject()) : nullptr) {
        list = a->elements();
    } else if (array.isObject()) {
        const Value* length = array.asObject()->find(u"length");
        const double n = length ? m.toNumber(*length) : 0;
        for (uint32_t i = 0; i < n && i < 65536; ++i) {
            const Value* v = array.asObject()->find(numberToString(i));
            list.push_back(v ? *v : Value());
        }
    }
    for (const Value& v : list)
        m.pin(v);
    struct Unpin {
        Machine& m;
        size_t n;
        ~Unpin() { m.unpin(n); }
    } unpin{m, list.size()};
    return m.call(self, argument(args, 0), list);
}

Value functionToString(Machine& m, Value, std::span<const Value>) { return m.string(u"function Function() {}"); }

const NativeMember FunctionPrototype[] = {
    {u"call", functionCall}, {u"apply", functionApply}, {u"toString", functionToString}};

// --- Boolean ----------------------------------------------------------------

Value booleanCall(Machine&, Value, std::span<const Value> args) { return Value::boolean(toBoolean(argument(args, 0))); }

Value booleanToString(Machine& m, Value self, std::span<const Value>) {
    return m.string(toBoolean(self) ? u"true" : u"false");
}

Value booleanValueOf(Machine&, Value self, std::span<const Value>) { return Value::boolean(toBoolean(self)); }

const NativeMember BooleanPrototype[] = {{u"toString", booleanToString}, {u"valueOf", booleanValueOf}};

// --- Number, int, uint ------------------------------------------------------

double thisNumber(Machine& m, Value self) {
    if (self.isNumeric())
        return self.numeric();
    m.throwError("TypeError", 1004, u"Method Number.prototype.valueOf was invoked on an incompatible object.");
}

Value numberCall(Machine& m, Value, std::span<const Value> args) {
    return args.empty() ? Value::fromInt(0) : Value::number(m.toNumber(args[0]));
}
Value intCall(Machine& m, Value, std::span<const Value> args) {
    return Value::fromInt(args.empty() ? 0 : toInt32(m.toNumber(args[0])));
}
Value uintCall(Machine& m, Value, std::span<const Value> args) {
    return Value::number(args.empty() ? 0 : toUInt32(m.toNumber(args[0])));
}

[[noreturn]] void digitsOutOfRange(Machine& m) {
    m.throwError("RangeError", 1002,
                 u"Number.toPrecision has a range of 1 to 21. Number.toFixed and Number.toExponential have a range "
                 u"of 0 to 20. Specified value is not within expected range.");
}

// Whole numbers in any radix; fractions in radix 10 only get the shortest
// form, others 20 fraction digits at most.
std::u16string toRadix(double d, int radix) {
    if (radix == 10 || std::isnan(d) || std::isinf(d))
        return numberToString(d);
    const bool negative = d < 0;
    d = std::fabs(d);
    double whole = std::floor(d);
    double fraction = d - whole;
    std::u16string digits;
    do {
        const int digit = int(std::fmod(whole, radix));
        digits.push_back(u"0123456789abcdefghijklmnopqrstuvwxyz"[digit]);
        whole = std::floor(whole / radix);
    } while (whole > 0);
    std::reverse(digits.begin(), digits.end());
    if (fraction > 0) {
        digits.push_back(u'.');
        for (int i = 0; i < 20 && fraction > 0; ++i) {
            fraction *= radix;
            const int digit = int(fraction);
            digits.push_back(u"0123456789abcdefghijklmnopqrstuvwxyz"[digit]);
            fraction -= digit;
        }
    }
    return negative ? u"-" + digits : digits;
}

Value numberToStringNative(Machine& m, Value self, std::span<const Value> args) {
    const double d = thisNumber(m, self);
    const Value r = argument(args, 0);
    const int radix = r.isUndefined() ? 10 : toInt32(m.toNumber(r));
    if (radix < 2 || radix > 36)
        m.throwError("RangeError", 1003,
                     u"The radix argument must be between 2 and 36; got " + numberToString(radix) + u".");
    return m.string(toRadix(d, radix));
}

Value numberValueOf(Machine& m, Value self, std::span<const Value>) { return Value::number(thisNumber(m, self)); }

// The digits argument of toFixed and toExponential (0 to 20) or of
// toPrecision (1 to 21); NaN counts as 0.
int digitsArgument(Machine& m, Value v, int low, int high) {
    double d = m.toNumber(v);
    d = std::isnan(d) ? 0 : std::trunc(d);
    if (d < low || d > high)
        digitsOutOfRange(m);
    return int(d);
}

// |d| below 1e21 with n fraction digits, a tie rounding away from zero (2.5
// gives 3, where printf would give 2). Rounds the exact decimal expansion,
// so 1.005, which is a little less, stays 1.00.
std::string fixedDigits(double d, int n) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*f", n + 30, std::fabs(d));
    const std::string exact = buffer;
    const size_t point = exact.find('.');
    std::string digits = exact.substr(0, point) + exact.substr(point + 1, size_t(n));
    if (exact[point + 1 + size_t(n)] >= '5') {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i - 1];
    }
    const size_t whole = digits.size() - size_t(n);
    std::string out = digits.substr(0, whole);
    if (n > 0)
        out += "." + digits.substr(whole);
    return (d < 0 ? "-" : "") + out;
}

Value numberToFixed(Machine& m, Value self, std::span<const Value> args) {
    const double d = thisNumber(m, self);
    const int n = digitsArgument(m, argument(args, 0), 0, 20);
    if (!std::isfinite(d) || std::fabs(d) >= 1e21)
        return m.string(numberToString(d));
    return m.string(ascii(fixedDigits(d, n)));
}

// |d| (not 0) as n + 1 significant digits and the power of ten of the
// first, a tie rounding away from zero as fixedDigits does: printf's %e
// rounds 1.25 to "1.2", the player writes "1.3".
std::string significantDigits(double d, int n, int& exponent) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*e", n + 30, std::fabs(d));
    const std::string exact = buffer;
    exponent = std::atoi(std::strchr(buffer, 'e') + 1);
    std::string digits = exact.substr(0, 1) + exact.substr(2, size_t(n));
    if (exact[2 + size_t(n)] >= '5') {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++exponent;
        } else {
            ++digits[i - 1];
        }
    }
    return digits;
}

// "d.ddde+x" from significant digits, with the sign of d.
std::string exponentialText(double d, const std::string& digits, int exponent) {
    std::string out = d < 0 ? "-" : "";
    out += digits.substr(0, 1);
    if (digits.size() > 1)
        out += "." + digits.substr(1);
    out += exponent < 0 ? "e-" : "e+";
    out += std::to_string(std::abs(exponent));
    return out;
}

Value numberToExponential(Machine& m, Value self, std::span<const Value> args) {
    double d = thisNumber(m, self);
    const bool shortest = argument(args, 0).isUndefined();
    int n = shortest ? 0 : digitsArgument(m, args[0], 0, 20);
    if (!std::isfinite(d))
        return m.string(numberToString(d));
    if (d == 0)
        return m.string(ascii(exponentialText(0, std::string(size_t(n) + 1, '0'), 0)));
    // Without digits: as many as it takes to read back the same number.
    if (shortest) {
        char buffer[64];
        for (n = 0; n < 20; ++n) {
            std::snprintf(buffer, sizeof buffer, "%.*e", n, d);
            if (std::strtod(buffer, nullptr) == d)
                break;
        }
    }
    int exponent = 0;
    const std::string digits = significantDigits(d, n, exponent);
    return m.string(ascii(exponentialText(d, digits, exponent)));
}

Value numberToPrecision(Machine& m, Value self, std::span<const Value> args) {
    double d = thisNumber(m, self);
    if (argument(args, 0).isUndefined())
        return m.string(numberToString(d));
    const int p = digitsArgument(m, args[0], 1, 21);
    if (!std::isfinite(d))
        return m.string(numberToString(d));
    if (d == 0)
        return m.string(ascii(fixedDigits(0.0, p - 1)));
    int exponent = 0;
    const std::string digits = significantDigits(d, p - 1, exponent);
    if (exponent < -6 || exponent >= p)
        return m.string(ascii(exponentialText(d, digits, exponent)));
    return m.string(ascii(fixedDigits(d, std::max(0, p - 1 - exponent))));
}

const NativeMember NumberPrototype[] = {{u"toString", numberToStringNative},
                                        {u"valueOf", numberValueOf},
                                        {u"toFixed", numberToFixed},
                                        {u"toExponential", numberToExponential},
                                        {u"toPrecision", numberToPrecision}};

const NativeConstant NumberConstants[] = {{u"MAX_VALUE", std::numeric_limits<double>::max()},
                                          {u"MIN_VALUE", std::numeric_limits<double>::denorm_min()},
                                          {u"NaN", std::numeric_limits<double>::quiet_NaN()},
                                          {u"NEGATIVE_INFINITY", -std::numeric_limits<double>::infinity()},
                                          {u"POSITIVE_INFINITY", std::numeric_limits<double>::infinity()}};
const NativeConstant IntConstants[] = {{u"MAX_VALUE", 2147483647.0}, {u"MIN_VALUE", -2147483648.0}};
const NativeConstant UIntConstants[] = {{u"MAX_VALUE", 4294967295.0}, {u"MIN_VALUE", 0.0}};

// --- String -----------------------------------------------------------------

const std::u16string& thisText(Machine& m, Value self, std::u16string& scratch) {
    if (self.isString())
        return self.asString()->text();
    scratch = m.toString(self)->text();
    return scratch;
}

Value stringCall(Machine& m, Value, std::span<const Value> args) {
    return args.empty() ? m.string(u"") : Value::string(m.toString(args[0]));
}

// A position argument: NaN and undefined are `fallback`, the rest clamped.
double position(Machine& m, std::span<const Value> args, size_t i, double fallback) {
    const Value v = argument(args, i);
    if (v.isUndefined())
        return fallback;
    const double d = m.toNumber(v);
    return std::isnan(d) ? 0 : std::trunc(d);
}

Value stringCharAt(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const double i = position(m, args, 0, 0);
    return m.string(i >= 0 && i < double(s.size()) ? s.substr(size_t(i), 1) : u"");
}

Value stringCharCodeAt(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const double i = position(m, args, 0, 0);
    return i >= 0 && i < double(s.size()) ? Value::fromInt(s[size_t(i)])
                                          : Value::number(std::numeric_limits<double>::quiet_NaN());
}

Value stringIndexOf(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const std::u16string needle = m.toString(argument(args, 0))->text();
    const double from = std::clamp(position(m, args, 1, 0), 0.0, double(s.size()));
    const size_t at = s.find(needle, size_t(from));
    return Value::fromInt(at == std::u16string::npos ? -1 : int32_t(at));
}

Value stringLastIndexOf(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const std::u16string needle = m.toString(argument(args, 0))->text();
    const double from = std::clamp(position(m, args, 1, double(s.size())), 0.0, double(s.size()));
    const size_t at = s.rfind(needle, size_t(from));
    return Value::fromInt(at == std::u16string::npos ? -1 : int32_t(at));
}

Value stringSubstring(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const double size = double(s.size());
    double a = std::clamp(position(m, args, 0, 0), 0.0, size);
    double b = std::clamp(position(m, args, 1, size), 0.0, size);
    if (a > b)
        std::swap(a, b);
    return m.string(s.substr(size_t(a), size_t(b - a)));
}

Value stringSlice(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const double size = double(s.size());
    auto clampRelative = [&](double d) { return d < 0 ? std::max(0.0, size + d) : std::min(d, size); };
    const double a = clampRelative(position(m, args, 0, 0));
    const double b = clampRelative(position(m, args, 1, size));
    return m.string(a < b ? s.substr(size_t(a), size_t(b - a)) : u"");
}

Value stringSubstr(Machine& m, Value self, std::span<const Value> args) {
    std::u16string scratch;
    const std::u16string& s = thisText(m, self, scratch);
    const double size = double(s.size());
    double start = position(m, args, 0, 0);
    if (start < 0)
        start = std::max(0.0, size + start);
    start = std::min(start, size);
    const double length = std::clamp(position(m, args, 1, size), 0.0, size - start);
    return m.string(s.substr(size_t(start), size_t(length)));
}

Value stringToUpperCase(Machine& m, Value self, std::span<const Value>) {
    std::u16string s = m.toString(self)->text();
    for (char16_t& c : s)
        c = toUpperUnit(c);
    return m.string(std::move(s));
}

Value stringToLowerCase(Machine& m, Value self, std::span<const Value>) {
    std::u16string s = m.toString(self)->text();
    for (char16_t& c : s)
        c = toLowerUnit(c);
    return m.string(std::move(s));
}

Value stringConcat(Machine& m, Value self, std::span<const Value> args) {
    std::u16string s = m.toString(self)->text();
    for (const Value& v : args)
        s += m.toString(v)->text();
    return m.string(std::move(s));
}

Value stringToString(Machine& m, Value self, std::span<const Value>) {
    if (!self.isString())
        m.throwError("TypeError", 1004, u"Method String.prototype.toString was invoked on an incompatible object.");
    return self;
}

// Code-unit order: the player compares without a locale.
Value stringLocaleCompare(Machine& m, Value self, std::span<const Value> args) {
    const int c = m.toString(self)->text().compare(m.toString(argument(args, 0))->text());
    return Value::fromInt(c < 0 ? -1 : c > 0 ? 1 : 0);
}

Value stringFromCharCode(Machine& m, Value, std::span<const Value> args) {
    std::u16string s;
    for (const Value& v : args)
        s.push_back(char16_t(toUInt32(m.toNumber(v)) & 0xFFFF));
    return m.string(std::move(s));
}

const NativeMember StringPrototype[] = {{u"charAt", stringCharAt},
                                        {u"charCodeAt", stringCharCodeAt},
                                        {u"indexOf", stringIndexOf},
                                        {u"lastIndexOf", stringLastIndexOf},
                                        {u"substring", stringSubstring},
                                        {u"substr", stringSubstr},
                                        {u"slice", stringSlice},
                                        {u"toUpperCase", stringToUpperCase},
                                        {u"toLowerCase", stringToLowerCase},
                                        {u"toLocaleUpperCase", stringToUpperCase},
                                        {u"toLocaleLowerCase", stringToLowerCase},
                                        {u"concat", stringConcat},
                                        {u"localeCompare", stringLocaleCompare},
                                        {u"match", stringMatch},
                                        {u"replace", stringReplace},
                                        {u"search", stringSearch},
                                        {u"split", stringSplit},
                                        {u"toString", stringToString},
                                        {u"valueOf", stringToString}};
const NativeMember StringStatics[] = {{u"fromCharCode", stringFromCharCode}};

const CoreClassSpec Classes[] = {
    {.name = u"Object", .base = nullptr, .callAsFunction = objectCall, .prototype = ObjectPrototype},
    {.name = u"Function", .base = u"Object", .prototype = FunctionPrototype},
    {.name = u"Boolean",
     .base = u"Object",
     .callAsFunction = booleanCall,
     .sealed = true,
     .prototype = BooleanPrototype,
     .final = true},
    {.name = u"Number",
     .base = u"Object",
     .callAsFunction = numberCall,
     .sealed = true,
     .prototype = NumberPrototype,
     .constants = NumberConstants,
     .final = true},
    {.name = u"int",
     .base = u"Object",
     .callAsFunction = intCall,
     .sealed = true,
     .constants = IntConstants,
     .final = true},
    {.name = u"uint",
     .base = u"Object",
     .callAsFunction = uintCall,
     .sealed = true,
     .constants = UIntConstants,
     .final = true},
    {.name = u"String",
     .base = u"Object",
     .callAsFunction = stringCall,
     .sealed = true,
     .prototype = StringPrototype,
     .statics = StringStatics,
     .final = true},
};

}  // namespace

std::span<const CoreClassSpec> objectClasses() { return Classes; }

}  // namespace avm2
