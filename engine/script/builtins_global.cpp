// Global functions: trace, number parsing, escaping, time, intervals,
// version and fscommand.
#include "script/builtins.h"

#include "script/broadcaster.h"
#include "script/clip_control.h"
#include "script/conversions.h"
#include "script/number_format.h"
#include "script/runtime.h"

#include <cmath>
#include <limits>

namespace script {

namespace {

Value globalTrace(Runtime& rt, const Value&, std::span<const Value> args) {
    const Value& v = arg(args, 0);
    rt.host.trace(v.isUndefined() ? std::u16string(u"undefined") : std::u16string(toString(rt, v).view()));
    return Value();
}

Value globalParseInt(Runtime& rt, const Value&, std::span<const Value> args) {
    String s = toString(rt, arg(args, 0));
    std::optional<int> radix;
    if (!arg(args, 1).isUndefined())
        radix = toInt32(rt, args[1]);
    return Value(parseIntPrefix(s.view(), radix));
}

Value globalParseFloat(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value(parseFloatPrefix(toString(rt, arg(args, 0)).view()));
}

Value globalIsNaN(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value::fromBool(std::isnan(toNumber(rt, arg(args, 0))));
}

Value globalIsFinite(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value::fromBool(std::isfinite(toNumber(rt, arg(args, 0))));
}

bool isAlnum(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Letters and digits stay; every other byte (UTF-8 from SWF 6, Latin-1
// before) becomes %XX.
Value globalEscape(Runtime& rt, const Value&, std::span<const Value> args) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    String s = toString(rt, arg(args, 0));
    std::u16string out;
    auto byte = [&](uint8_t b) {
        out.push_back(u'%');
        out.push_back(char16_t(Hex[b >> 4]));
        out.push_back(char16_t(Hex[b & 15]));
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (isAlnum(c)) {
            out.push_back(c);
        } else if (rt.version >= 6 || c > 0xFF) {
            std::string utf8 = utf16ToUtf8(s.view().substr(i, (c >= 0xD800 && c <= 0xDBFF) ? 2 : 1));
            if (c >= 0xD800 && c <= 0xDBFF)
                ++i;
            for (char b : utf8)
                byte(uint8_t(b));
        } else {
            byte(uint8_t(c));
        }
        if (out.size() > rt.limits.maxStringLength)
            abortScript(ScriptErrorKind::MemoryLimit, "a string grew past the length limit");
    }
    return Value(rt.makeString(out));
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

Value globalUnescape(Runtime& rt, const Value&, std::span<const Value> args) {
    String s = toString(rt, arg(args, 0));
    std::u16string_view in = s.view();
    std::u16string out;
    std::string bytes;  // a run of %XX bytes, decoded together
    auto flush = [&] {
        if (bytes.empty())
            return;
        if (rt.version >= 6) {
            out += utf8ToUtf16(bytes);
        } else {
            for (char b : bytes)
                out.push_back(char16_t(uint8_t(b)));
        }
        bytes.clear();
    };
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == u'%' && i + 2 < in.size() && hexDigit(in[i + 1]) >= 0 && hexDigit(in[i + 2]) >= 0) {
            bytes.push_back(char(hexDigit(in[i + 1]) * 16 + hexDigit(in[i + 2])));
            i += 2;
            continue;
        }
        flush();
        out.push_back(in[i]);
    }
    flush();
    return Value(rt.makeString(out));
}

Value globalGetTimer(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(std::floor(rt.host.milliseconds()));
}

Value globalGetVersion(Runtime&, const Value&, std::span<const Value>) { return Value(String(u"WIN 10,0,0,0")); }

Value globalNothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

Value globalFscommand(Runtime& rt, const Value&, std::span<const Value> args) {
    rt.host.fscommand(std::u16string(toString(rt, arg(args, 0)).view()),
                      std::u16string(toString(rt, arg(args, 1)).view()));
    return Value();
}

// setInterval(function, ms, args...) or setInterval(object, "method", ms, args...).
Value addTimer(Runtime& rt, std::span<const Value> args, bool repeat) {
    Timer t;
    t.repeat = repeat;
    size_t next = 0;
    Object* first = arg(args, 0).asObject();
    if (first && first->isCallable()) {
        t.function = args[0];
        next = 1;
    } else if (first && args.size() >= 2) {
        t.self = args[0];
        t.function = args[0];
        t.method = toString(rt, args[1]);
        next = 2;
    } else {
        return Value();
    }
    double interval = toNumber(rt, arg(args, next));
    t.interval = std::isfinite(interval) && interval > 0 ? interval : 0;
    t.due = rt.host.milliseconds() + std::max(t.interval, 1.0);
    for (size_t i = next + 1; i < args.size(); ++i)
        t.args.push_back(args[i]);
    if (rt.timers.size() >= rt.limits.maxTimers)
        abortScript(ScriptErrorKind::MemoryLimit, "too many intervals are running");
    return Value(double(rt.timers.add(std::move(t))));
}

Value globalSetInterval(Runtime& rt, const Value&, std::span<const Value> args) { return addTimer(rt, args, true); }

Value globalSetTimeout(Runtime& rt, const Value&, std::span<const Value> args) { return addTimer(rt, args, false); }

Value globalClearInterval(Runtime& rt, const Value&, std::span<const Value> args) {
    double id = toNumber(rt, arg(args, 0));
    if (std::isfinite(id) && id >= 1 && id <= 4294967295.0)
        (void)rt.timers.remove(uint32_t(id));
    return Value();
}

}  // namespace

void installGlobalFunctions(Runtime& rt) {
    Object* g = rt.global;
    rt.defineMethod(g, u"trace", globalTrace);
    rt.defineMethod(g, u"parseInt", globalParseInt);
    rt.defineMethod(g, u"parseFloat", globalParseFloat);
    rt.defineMethod(g, u"isNaN", globalIsNaN);
    rt.defineMethod(g, u"isFinite", globalIsFinite);
    rt.defineMethod(g, u"escape", globalEscape);
    rt.defineMethod(g, u"unescape", globalUnescape);
    rt.defineMethod(g, u"getTimer", globalGetTimer);
    rt.defineMethod(g, u"getVersion", globalGetVersion);
    rt.defineMethod(g, u"updateAfterEvent", globalNothing);
    rt.defineMethod(g, u"fscommand", globalFscommand);
    rt.defineMethod(g, u"setInterval", globalSetInterval);
    rt.defineMethod(g, u"clearInterval", globalClearInterval);
    rt.defineMethod(g, u"setTimeout", globalSetTimeout);
    rt.defineMethod(g, u"clearTimeout", globalClearInterval);
    rt.defineValue(g, u"NaN", Value(std::numeric_limits<double>::quiet_NaN()));
    rt.defineValue(g, u"Infinity", Value(std::numeric_limits<double>::infinity()));
    installBroadcaster(rt);
}

}  // namespace script
