// RegExp through PCRE2 (16-bit code units, so strings match as the machine
// holds them), and the String methods that take one: match, replace,
// search and split. The language's syntax differs from PCRE2's in a few
// places; the pattern is translated before it is compiled. Every match runs
// under PCRE2's match, depth and heap limits: a hostile pattern ends as no
// match instead of hanging the movie.
#define PCRE2_CODE_UNIT_WIDTH 16
#include "avm2/core_regexp.h"

#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"

#include <pcre2.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace avm2 {

namespace {

// Backtracking steps, nesting depth and working memory (KiB) of one match.
constexpr uint32_t MatchLimit = 2'000'000;
constexpr uint32_t DepthLimit = 20'000;
constexpr uint32_t HeapLimitKiB = 16 * 1024;

struct Compiled {
    pcre2_code* code = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_match_data* data = nullptr;
    uint32_t captures = 0;
    ~Compiled() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
        pcre2_code_free(code);
    }
};

struct RegExpState final : NativeState {
    std::u16string source;
    bool global = false;
    bool ignoreCase = false;
    bool multiline = false;
    bool dotall = false;
    bool extended = false;
    double lastIndex = 0;
    // Null when the pattern did not compile: such a RegExp matches nothing.
    std::shared_ptr<Compiled> compiled;
    [[nodiscard]] size_t extraBytes() const override { return source.capacity() * 2 + 256; }
};

RegExpState* regExpOf(Value v) { return v.isObject() ? v.asObject()->nativeAs<RegExpState>() : nullptr; }

RegExpState& state(Machine& m, Value self) {
    RegExpState* s = regExpOf(self);
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to RegExp.");
    return *s;
}

bool isSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

std::u16string translatePattern(std::u16string_view source, bool extended) {
    std::u16string out;
    out.reserve(source.size() + 8);
    bool inClass = false;
    for (size_t i = 0; i < source.size(); ++i) {
        const char16_t c = source[i];
        if (c == '\\') {
            out += c;
            if (i + 1 < source.size())
                out += source[++i];
            continue;
        }
        if (inClass) {
            if (c == ']')
                inClass = false;
            // A '[' inside a class is a plain character here; PCRE2 would
            // read "[:alpha:]" as a POSIX class.
            out += c == '[' ? std::u16string(u"\\[") : std::u16string(1, c);
            continue;
        }
        if (extended && isSpace(c))
            continue;
        if (c == '[') {
            // "[]" never matches and "[^]" matches anything; PCRE2 would take
            // the ']' as the class's first member.
            if (source.substr(i, 2) == u"[]") {
                out += u"(?!)";
                ++i;
                continue;
            }
            if (source.substr(i, 3) == u"[^]") {
                out += u"[\\s\\S]";
                i += 2;
                continue;
            }
            inClass = true;
            out += c;
            if (i + 1 < source.size() && source[i + 1] == '^')
                out += source[++i];
            // A ']' right after the opening is a member in PCRE2; keep it one.
            if (i + 1 < source.size() && source[i + 1] == ']') {
                out += u"\\]";
                ++i;
            }
            continue;
        }
        out += c;
    }
    return out;
}

namespace {

std::shared_ptr<Compiled> compile(const RegExpState& s) {
    const std::u16string pattern = translatePattern(s.source, s.extended);
    uint32_t options = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (s.ignoreCase)
        options |= PCRE2_CASELESS;
    if (s.multiline)
        options |= PCRE2_MULTILINE;
    if (s.dotall)
        options |= PCRE2_DOTALL;
    pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
    if (!cc)
        return nullptr;
    pcre2_set_newline(cc, PCRE2_NEWLINE_ANYCRLF);
    // Patterns are data of the movie: bound how deep their parentheses go.
    pcre2_set_parens_nest_limit(cc, 250);
    int error = 0;
    PCRE2_SIZE offset = 0;
    auto result = std::make_shared<Compiled>();
    result->code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error, &offset, cc);
    pcre2_compile_context_free(cc);
    if (!result->code)
        return nullptr;
    result->context = pcre2_match_context_create(nullptr);
    result->data = pcre2_match_data_create_from_pattern(result->code, nullptr);
    if (!result->context || !result->data)
        return nullptr;
    pcre2_set_match_limit(result->context, MatchLimit);
    pcre2_set_depth_limit(result->context, DepthLimit);
    pcre2_set_heap_limit(result->context, HeapLimitKiB);
    pcre2_pattern_info(result->code, PCRE2_INFO_CAPTURECOUNT, &result->captures);
    return result;
}

// One match from `start`: each group's [begin, end), or -1 for a group that
// took no part. False when there is none (or a limit ended the search).
bool matchAt(const RegExpState& s, const std::u16string& text, size_t start, std::vector<ptrdiff_t>& groups) {
    if (!s.compiled || start > text.size())
        return false;
    const Compiled& c = *s.compiled;
    const int rc =
        pcre2_match(c.code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start, 0, c.data, c.context);
    if (rc <= 0)
        return false;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(c.data);
    groups.assign(2 * (c.captures + 1), -1);
    for (uint32_t i = 0; i < uint32_t(rc) && i <= c.captures; ++i) {
        if (ovector[2 * i] != PCRE2_UNSET) {
            groups[2 * i] = ptrdiff_t(ovector[2 * i]);
            groups[2 * i + 1] = ptrdiff_t(ovector[2 * i + 1]);
        }
    }
    return true;
}

Value groupValue(Machine& m, const std::u16string& text, const std::vector<ptrdiff_t>& groups, size_t i) {
    if (groups[2 * i] < 0)
        return Value();
    return m.string(text.substr(size_t(groups[2 * i]), size_t(groups[2 * i + 1] - groups[2 * i])));
}

// The array exec answers: the match, its groups, index, input and the
// named groups as properties.
Value execResult(Machine& m, const RegExpState& s, const std::u16string& text, const std::vector<ptrdiff_t>& groups) {
    ArrayObject* a = m.newArray();
    const size_t count = groups.size() / 2;
    m.resizeArray(a, count);
    for (size_t i = 0; i < count; ++i)
        a->elements()[i] = groupValue(m, text, groups, i);
    a->setOwn(u"index", Value::number(double(groups[0])));
    a->setOwn(u"input", m.string(text));
    uint32_t names = 0;
    uint32_t entrySize = 0;
    PCRE2_SPTR table = nullptr;
    pcre2_pattern_info(s.compiled->code, PCRE2_INFO_NAMECOUNT, &names);
    pcre2_pattern_info(s.compiled->code, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
    pcre2_pattern_info(s.compiled->code, PCRE2_INFO_NAMETABLE, &table);
    for (uint32_t n = 0; n < names && table; ++n) {
        const PCRE2_SPTR entry = table + size_t(n) * entrySize;
        const size_t group = entry[0];
        std::u16string name;
        for (size_t k = 1; k < entrySize && entry[k]; ++k)
            name.push_back(char16_t(entry[k]));
        if (group < count)
            a->setOwn(name, a->elements()[group]);
    }
    return Value::object(a);
}

void setFlags(Machine& m, RegExpState& s, std::u16string_view flags) {
    for (char16_t f : flags) {
        switch (f) {
        case 'g':
            s.global = true;
            break;
        case 'i':
            s.ignoreCase = true;
            break;
        case 'm':
            s.multiline = true;
            break;
        case 's':
            s.dotall = true;
            break;
        case 'x':
            s.extended = true;
            break;
        default:
            break;  // the format's player ignores letters it does not know
        }
    }
    (void)m;
}

Value regexpInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<RegExpState>();
    const Value pattern = argument(args, 0);
    const Value flags = argument(args, 1);
    if (const RegExpState* other = regExpOf(pattern)) {
        s->source = other->source;
        s->global = other->global;
        s->ignoreCase = other->ignoreCase;
        s->multiline = other->multiline;
        s->dotall = other->dotall;
        s->extended = other->extended;
        if (!flags.isUndefined())
            m.throwError("TypeError", 1100, u"Cannot supply flags when constructing one RegExp from another.");
    } else {
        s->source = pattern.isUndefined() ? u"" : m.toString(pattern)->text();
        if (!flags.isUndefined())
            setFlags(m, *s, m.toString(flags)->text());
    }
    s->compiled = compile(*s);
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

Value regexpCall(Machine& m, Value, std::span<const Value> args) {
    if (regExpOf(argument(args, 0)) && argument(args, 1).isUndefined())
        return args[0];
    return m.construct(Value::object(m.coreClass(u"RegExp")), args);
}

Value regexpExec(Machine& m, Value self, std::span<const Value> args) {
    RegExpState& s = state(m, self);
    const std::u16string text = m.toString(argument(args, 0))->text();
    const double from = s.global ? s.lastIndex : 0;
    std::vector<ptrdiff_t> groups;
    if (from < 0 || from > double(text.size()) || !matchAt(s, text, size_t(from), groups)) {
        if (s.global)
            s.lastIndex = 0;
        return Value::null();
    }
    if (s.global)
        s.lastIndex = double(groups[1]);
    return execResult(m, s, text, groups);
}

Value regexpTest(Machine& m, Value self, std::span<const Value> args) {
    return Value::boolean(!regexpExec(m, self, args).isNull());
}

Value regexpToString(Machine& m, Value self, std::span<const Value>) {
    const RegExpState& s = state(m, self);
    std::u16string text = u"/" + s.source + u"/";
    if (s.global)
        text += u'g';
    if (s.ignoreCase)
        text += u'i';
    if (s.multiline)
        text += u'm';
    if (s.dotall)
        text += u's';
    if (s.extended)
        text += u'x';
    return m.string(std::move(text));
}

Value getSource(Machine& m, Value self, std::span<const Value>) { return m.string(state(m, self).source); }
template <bool RegExpState::*Flag>
Value getFlag(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(state(m, self).*Flag);
}
Value getLastIndex(Machine& m, Value self, std::span<const Value>) { return Value::number(state(m, self).lastIndex); }
Value setLastIndex(Machine& m, Value self, std::span<const Value> args) {
    const double d = m.toNumber(argument(args, 0));
    state(m, self).lastIndex = std::isnan(d) ? 0 : std::trunc(d);
    return Value();
}

const NativeMember Methods[] = {{u"exec", regexpExec}, {u"test", regexpTest}};
// On the prototype, where conversions to text look.
const NativeMember Prototype[] = {{u"toString", regexpToString}};

const NativeAccessor Accessors[] = {{u"source", getSource},
                                    {u"global", getFlag<&RegExpState::global>},
                                    {u"ignoreCase", getFlag<&RegExpState::ignoreCase>},
                                    {u"multiline", getFlag<&RegExpState::multiline>},
                                    {u"dotall", getFlag<&RegExpState::dotall>},
                                    {u"extended", getFlag<&RegExpState::extended>},
                                    {u"lastIndex", getLastIndex, setLastIndex}};

const CoreClassSpec Classes[] = {{.name = u"RegExp",
                                  .base = u"Object",
                                  .init = regexpInit,
                                  .callAsFunction = regexpCall,
                                  .prototype = Prototype,
                                  .methods = Methods,
                                  .accessors = Accessors}};

// --- the String methods that take a pattern -------------------------------

std::u16string thisText(Machine& m, Value self) { return m.toString(self)->text(); }

// The argument as a RegExp: one given, or one made of its text.
Value asRegExp(Machine& m, Value v) {
    if (regExpOf(v))
        return v;
    const Value text = v.isUndefined() ? m.string(u"") : Value::string(m.toString(v));
    return m.construct(Value::object(m.coreClass(u"RegExp")), std::span<const Value>(&text, 1));
}

// Expands $$, $&, $`, $', $n and $nn of a replacement string.
std::u16string expand(const std::u16string& replacement, const std::u16string& text,
                      const std::vector<ptrdiff_t>& groups) {
    const size_t count = groups.size() / 2;
    std::u16string out;
    auto group = [&](size_t i) {
        if (groups[2 * i] >= 0)
            out.append(text, size_t(groups[2 * i]), size_t(groups[2 * i + 1] - groups[2 * i]));
    };
    for (size_t i = 0; i < replacement.size(); ++i) {
        const char16_t c = replacement[i];
        if (c != '$' || i + 1 == replacement.size()) {
            out += c;
            continue;
        }
        const char16_t n = replacement[i + 1];
        if (n == '$') {
            out += u'$';
            ++i;
        } else if (n == '&') {
            group(0);
            ++i;
        } else if (n == '`') {
            out.append(text, 0, size_t(groups[0]));
            ++i;
        } else if (n == '\'') {
            out.append(text, size_t(groups[1]));
            ++i;
        } else if (n >= '0' && n <= '9') {
            size_t index = size_t(n - '0');
            size_t used = 1;
            if (i + 2 < replacement.size() && replacement[i + 2] >= '0' && replacement[i + 2] <= '9') {
                const size_t two = index * 10 + size_t(replacement[i + 2] - '0');
                if (two >= 1 && two < count) {
                    index = two;
                    used = 2;
                }
            }
            if (index >= 1 && index < count) {
                group(index);
                i += used;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

Value stringMatch(Machine& m, Value self, std::span<const Value> args) {
    const std::u16string text = thisText(m, self);
    const Value re = asRegExp(m, argument(args, 0));
    Machine::Pin keep(m, re);
    RegExpState& s = *regExpOf(re);
    if (!s.global) {
        const Value arg = m.string(text);
        return regexpExec(m, re, std::span<const Value>(&arg, 1));
    }
    ArrayObject* a = m.newArray();
    std::vector<ptrdiff_t> groups;
    size_t from = 0;
    while (matchAt(s, text, from, groups)) {
        m.resizeArray(a, a->elements().size() + 1);
        a->elements().back() = groupValue(m, text, groups, 0);
        from = size_t(groups[1]) + (groups[1] == groups[0] ? 1 : 0);
    }
    s.lastIndex = 0;
    return a->elements().empty() ? Value::null() : Value::object(a);
}

Value stringSearch(Machine& m, Value self, std::span<const Value> args) {
    const std::u16string text = thisText(m, self);
    const Value re = asRegExp(m, argument(args, 0));
    std::vector<ptrdiff_t> groups;
    return Value::fromInt(matchAt(*regExpOf(re), text, 0, groups) ? int32_t(groups[0]) : -1);
}

Value stringReplace(Machine& m, Value self, std::span<const Value> args) {
    const std::u16string text = thisText(m, self);
    const Value pattern = argument(args, 0);
    const Value replacement = argument(args, 1);
    const bool callable =
        replacement.isObject() && !regExpOf(replacement) &&
        (dynamic_cast<FunctionObject*>(replacement.asObject()) ||
         dynamic_cast<NativeFunction*>(replacement.asObject()) || dynamic_cast<MethodClosure*>(replacement.asObject()));
    const std::u16string replacementText = callable ? u"" : m.toString(replacement)->text();

    // Each match as group offsets; a string pattern is its first occurrence.
    std::vector<std::vector<ptrdiff_t>> matches;
    RegExpState* s = regExpOf(pattern);
    if (s) {
        std::vector<ptrdiff_t> groups;
        size_t from = 0;
        while (matchAt(*s, text, from, groups)) {
            matches.push_back(groups);
            if (!s->global)
                break;
            from = size_t(groups[1]) + (groups[1] == groups[0] ? 1 : 0);
        }
        if (s->global)
            s->lastIndex = 0;
    } else {
        const std::u16string needle = m.toString(pattern)->text();
        const size_t at = text.find(needle);
        if (at != std::u16string::npos)
            matches.push_back({ptrdiff_t(at), ptrdiff_t(at + needle.size())});
    }

    std::u16string out;
    size_t copied = 0;
    Machine::Pin keepReplacement(m, replacement);
    for (const std::vector<ptrdiff_t>& groups : matches) {
        out.append(text, copied, size_t(groups[0]) - copied);
        if (callable) {
            // function(match, group1.., index, input)
            std::vector<Value> callArgs;
            for (size_t i = 0; i < groups.size() / 2; ++i)
                callArgs.push_back(groupValue(m, text, groups, i));
            callArgs.push_back(Value::number(double(groups[0])));
            callArgs.push_back(m.string(text));
            for (const Value& v : callArgs)
                m.pin(v);
            struct Unpin {
                Machine& m;
                size_t n;
                ~Unpin() { m.unpin(n); }
            } unpin{m, callArgs.size()};
            out += m.toString(m.call(replacement, Value::null(), callArgs))->text();
        } else {
            out += expand(replacementText, text, groups);
        }
        copied = size_t(groups[1]);
        // The text grows outside the heap until it is done: bound it there.
        if (out.size() * sizeof(char16_t) > m.heap().limit())
            m.throwError("Error", 1000, u"The system is out of memory.");
    }
    out.append(text, copied);
    return m.string(std::move(out));
}

Value stringSplit(Machine& m, Value self, std::span<const Value> args) {
    const std::u16string text = thisText(m, self);
    const Value separator = argument(args, 0);
    const Value limitArg = argument(args, 1);
    const uint32_t limit = limitArg.isUndefined() ? 0xFFFFFFFFu : toUInt32(m.toNumber(limitArg));
    ArrayObject* a = m.newArray();
    Machine::Pin keep(m, Value::object(a));
    auto push = [&](Value v) {
        if (a->elements().size() >= limit)
            return false;
        m.resizeArray(a, a->elements().size() + 1);
        a->elements().back() = v;
        return true;
    };
    if (limit == 0)
        return Value::object(a);
    if (separator.isUndefined()) {
        push(m.string(text));
        return Value::object(a);
    }
    if (RegExpState* s = regExpOf(separator)) {
        if (text.empty()) {
            std::vector<ptrdiff_t> groups;
            if (!matchAt(*s, text, 0, groups))
                push(m.string(text));
            return Value::object(a);
        }
        size_t piece = 0;  // start of the piece not yet pushed
        size_t from = 0;
        std::vector<ptrdiff_t> groups;
        while (from < text.size() && matchAt(*s, text, from, groups)) {
            const size_t begin = size_t(groups[0]);
            const size_t end = size_t(groups[1]);
            // An empty match at the piece's start or at the end splits nothing.
            if (end == piece || begin >= text.size()) {
                from = std::max(from, begin) + 1;
                continue;
            }
            if (!push(m.string(text.substr(piece, begin - piece))))
                return Value::object(a);
            for (size_t i = 1; i < groups.size() / 2; ++i) {
                if (!push(groupValue(m, text, groups, i)))
                    return Value::object(a);
            }
            piece = end;
            from = end == begin ? end + 1 : end;
        }
        push(m.string(text.substr(piece)));
        return Value::object(a);
    }
    const std::u16string sep = m.toString(separator)->text();
    if (sep.empty()) {
        for (char16_t c : text) {
            if (!push(m.string(std::u16string(1, c))))
                break;
        }
        return Value::object(a);
    }
    size_t piece = 0;
    for (size_t at = text.find(sep); at != std::u16string::npos; at = text.find(sep, piece)) {
        if (!push(m.string(text.substr(piece, at - piece))))
            return Value::object(a);
        piece = at + sep.size();
    }
    push(m.string(text.substr(piece)));
    return Value::object(a);
}

std::span<const CoreClassSpec> regExpClasses() { return Classes; }

}  // namespace avm2
