// JSON: parse (with a reviver) and stringify (with a replacer function or
// property list, and indentation). Nesting is bounded in both directions so
// that deep input cannot exhaust the native stack.
#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"

#include <algorithm>
#include <cmath>

namespace avm2 {

namespace {

// Deeper input than this is refused rather than recursed into.
constexpr size_t MaxDepth = 512;

[[noreturn]] void syntaxError(Machine& m) { m.throwError("SyntaxError", 1132, u"Invalid JSON parse input."); }

class Parser {
public:
    Parser(Machine& m, const std::u16string& text) : m_m(m), m_text(text) {}

    Value parseDocument() {
        Value v = parseValue(0);
        skipSpace();
        if (m_pos != m_text.size())
            syntaxError(m_m);
        return v;
    }

private:
    void skipSpace() {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    bool take(char16_t c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void expect(char16_t c) {
        if (!take(c))
            syntaxError(m_m);
    }
    bool word(std::u16string_view w) {
        if (m_text.compare(m_pos, w.size(), w) != 0)
            return false;
        m_pos += w.size();
        return true;
    }

    Value parseValue(size_t depth) {
        if (depth > MaxDepth)
            syntaxError(m_m);
        skipSpace();
        if (m_pos >= m_text.size())
            syntaxError(m_m);
        const char16_t c = m_text[m_pos];
        if (c == '{')
            return parseObject(depth);
        if (c == '[')
            return parseArray(depth);
        if (c == '"')
            return m_m.string(parseString());
        if (word(u"true"))
            return Value::boolean(true);
        if (word(u"false"))
            return Value::boolean(false);
        if (word(u"null"))
            return Value::null();
        return parseNumber();
    }

    Value parseObject(size_t depth) {
        ++m_pos;
        Object* o = m_m.newObject();
        Machine::Pin keep(m_m, Value::object(o));
        if (take('}'))
            return Value::object(o);
        do {
            skipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] != '"')
                syntaxError(m_m);
            const std::u16string key = parseString();
            expect(':');
            o->setOwn(key, parseValue(depth + 1));
        } while (take(','));
        expect('}');
        return Value::object(o);
    }

    Value parseArray(size_t depth) {
        ++m_pos;
        ArrayObject* a = m_m.newArray();
        Machine::Pin keep(m_m, Value::object(a));
        if (take(']'))
            return Value::object(a);
        do {
            const Value v = parseValue(depth + 1);
            m_m.resizeArray(a, a->elements().size() + 1);
            a->elements().back() = v;
        } while (take(','));
        expect(']');
        return Value::object(a);
    }

    int hexDigit() {
        if (m_pos >= m_text.size())
            syntaxError(m_m);
        const char16_t c = m_text[m_pos++];
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        syntaxError(m_m);
    }

    std::u16string parseString() {
        ++m_pos;
        std::u16string out;
        for (;;) {
            if (m_pos >= m_text.size())
                syntaxError(m_m);
            const char16_t c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (c < 0x20)
                syntaxError(m_m);
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (m_pos >= m_text.size())
                syntaxError(m_m);
            switch (m_text[m_pos++]) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case '/':
                out.push_back('/');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                int code = 0;
                for (int i = 0; i < 4; ++i)
                    code = code * 16 + hexDigit();
                out.push_back(char16_t(code));
                break;
            }
            default:
                syntaxError(m_m);
            }
        }
    }

    Value parseNumber() {
        const size_t start = m_pos;
        auto digits = [&] {
            const size_t from = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
                ++m_pos;
            return m_pos - from;
        };
        if (m_pos < m_text.size() && m_text[m_pos] == '-')
            ++m_pos;
        const size_t intStart = m_pos;
        const size_t intDigits = digits();
        if (intDigits == 0 || (intDigits > 1 && m_text[intStart] == '0'))
            syntaxError(m_m);
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            if (digits() == 0)
                syntaxError(m_m);
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            if (digits() == 0)
                syntaxError(m_m);
        }
        return Value::number(stringToNumber(std::u16string_view(m_text).substr(start, m_pos - start)));
    }

    Machine& m_m;
    const std::u16string& m_text;
    size_t m_pos = 0;
};

bool isFunction(const Object* o) {
    return dynamic_cast<const NativeFunction*>(o) || dynamic_cast<const FunctionObject*>(o);
}

// The reviver sees every value bottom-up; what it answers replaces the
// value, undefined removes it.
Value revive(Machine& m, Value reviver, Object* holder, const std::u16string& key, size_t depth) {
    if (depth > MaxDepth)
        m.throwError("Error", 1023, u"Stack overflow occurred.");
    Value value;
    uint32_t index = 0;
    auto* holderArray = dynamic_cast<ArrayObject*>(holder);
    if (holderArray && arrayIndex(key, index))
        value = index < holderArray->elements().size() ? holderArray->elements()[index] : Value();
    else if (const Value* v = holder->findOwn(key))
        value = *v;
    Machine::Pin keepValue(m, value);
    if (value.isObject()) {
        Object* o = value.asObject();
        if (auto* array = dynamic_cast<ArrayObject*>(o)) {
            for (size_t i = 0; i < array->elements().size(); ++i) {
                const Value v = revive(m, reviver, o, numberToString(double(i)), depth + 1);
                if (i < array->elements().size())
                    array->elements()[i] = v;
            }
        } else {
            std::vector<std::u16string> keys;
            for (size_t i = 0; i < o->dynamicCount(); ++i)
                keys.push_back(o->dynamicAt(i).first);
            for (const std::u16string& k : keys) {
                const Value v = revive(m, reviver, o, k, depth + 1);
                if (v.isUndefined())
                    o->deleteOwn(k);
                else
                    o->setOwn(k, v);
            }
        }
    }
    const Value args[] = {m.string(key), value};
    return m.call(reviver, Value::object(holder), args);
}

Value jsonParse(Machine& m, Value, std::span<const Value> args) {
    const Value textValue = argument(args, 0);
    if (textValue.isNullish())
        syntaxError(m);
    const std::u16string text = m.toString(textValue)->text();
    Value result = Parser(m, text).parseDocument();
    const Value reviver = argument(args, 1);
    if (!reviver.isObject() || !isFunction(reviver.asObject()))
        return result;
    Machine::Pin keepResult(m, result);
    Object* root = m.newObject();
    Machine::Pin keepRoot(m, Value::object(root));
    root->setOwn(u"", result);
    return revive(m, reviver, root, u"", 0);
}

class Writer {
public:
    Writer(Machine& m, Value replacer, std::u16string indent) : m_m(m), m_replacer(replacer), m_indent(indent) {
        if (!replacer.isObject())
            return;
        if (auto* list = dynamic_cast<ArrayObject*>(replacer.asObject())) {
            m_hasList = true;
            for (const Value& v : list->elements()) {
                if (!v.isString() && !v.isNumeric())
                    continue;
                std::u16string name = m_m.toString(v)->text();
                if (std::find(m_list.begin(), m_list.end(), name) == m_list.end())
                    m_list.push_back(std::move(name));
            }
        } else if (!isFunction(replacer.asObject())) {
            m_replacer = Value();
        }
    }

    // False when the value has no text (undefined, a function).
    bool write(Object* holder, const std::u16string& key, Value value) {
        // The text can repeat one large value many times; it stays below
        // the heap limit (it becomes a string of the heap).
        if (m_out.size() > m_m.heap().limit() / sizeof(char16_t))
            m_m.throwError("Error", 1000, u"The system is out of memory.");
        Machine::Pin keep(m_m, value);
        if (value.isObject()) {
            if (const Value* toJson = value.asObject()->find(u"toJSON");
                toJson && toJson->isObject() && isFunction(toJson->asObject())) {
                const Value args[] = {m_m.string(key)};
                value = m_m.call(*toJson, value, args);
            }
        }
        if (m_replacer.isObject() && !m_hasList) {
            const Value args[] = {m_m.string(key), value};
            value = m_m.call(m_replacer, Value::object(holder), args);
        }
        Machine::Pin keepReplaced(m_m, value);
        switch (value.tag()) {
        case Tag::Undefined:
            return false;
        case Tag::Null:
            m_out += u"null";
            return true;
        case Tag::Boolean:
            m_out += value.asBoolean() ? u"true" : u"false";
            return true;
        case Tag::String:
            quote(value.asString()->text());
            return true;
        case Tag::Object:
            break;
        default:
            if (value.isNumeric()) {
                const double d = value.numeric();
                m_out += std::isfinite(d) ? numberToString(d) : u"null";
                return true;
            }
            quote(m_m.toString(value)->text());
            return true;
        }
        Object* o = value.asObject();
        if (isFunction(o))
            return false;
        if (std::find(m_stack.begin(), m_stack.end(), o) != m_stack.end())
            m_m.throwError("TypeError", 1129, u"Cyclic structure cannot be converted to JSON string.");
        if (m_stack.size() >= MaxDepth)
            m_m.throwError("Error", 1023, u"Stack overflow occurred.");
        m_stack.push_back(o);
        if (auto* a = dynamic_cast<ArrayObject*>(o))
            writeArray(a);
        else
            writeObject(o);
        m_stack.pop_back();
        return true;
    }

    std::u16string& text() { return m_out; }

private:
    void newline() {
        if (m_indent.empty())
            return;
        m_out += u'\n';
        for (size_t i = 0; i < m_stack.size(); ++i)
            m_out += m_indent;
    }

    void writeArray(ArrayObject* a) {
        m_out += u'[';
        for (size_t i = 0; i < a->elements().size(); ++i) {
            if (i)
                m_out += u',';
            newline();
            if (!write(a, numberToString(double(i)), a->elements()[i]))
                m_out += u"null";
        }
        if (!a->elements().empty()) {
            m_stack.pop_back();
            newline();
            m_stack.push_back(a);
        }
        m_out += u']';
    }

    void writeObject(Object* o) {
        std::vector<std::u16string> keys;
        if (m_hasList) {
            keys = m_list;
        } else {
            for (size_t i = 0; i < o->dynamicCount(); ++i) {
                if (o->enumerableAt(i))
                    keys.push_back(o->dynamicAt(i).first);
            }
        }
        m_out += u'{';
        bool any = false;
        for (const std::u16string& k : keys) {
            const Value* v = o->findOwn(k);
            if (!v)
                continue;
            const size_t mark = m_out.size();
            if (any)
                m_out += u',';
            newline();
            quote(k);
            m_out += m_indent.empty() ? u":" : u": ";
            if (write(o, k, *v))
                any = true;
            else
                m_out.resize(mark);
        }
        if (any) {
            m_stack.pop_back();
            newline();
            m_stack.push_back(o);
        }
        m_out += u'}';
    }

    void quote(const std::u16string& s) {
        static const char16_t Hex[] = u"0123456789abcdef";
        m_out += u'"';
        for (char16_t c : s) {
            switch (c) {
            case '"':
                m_out += u"\\\"";
                break;
            case '\\':
                m_out += u"\\\\";
                break;
            case '\b':
                m_out += u"\\b";
                break;
            case '\f':
                m_out += u"\\f";
                break;
            case '\n':
                m_out += u"\\n";
                break;
            case '\r':
                m_out += u"\\r";
                break;
            case '\t':
                m_out += u"\\t";
                break;
            default:
                if (c < 0x20) {
                    m_out += u"\\u00";
                    m_out += Hex[c >> 4];
                    m_out += Hex[c & 15];
                } else {
                    m_out += c;
                }
            }
        }
        m_out += u'"';
    }

    Machine& m_m;
    Value m_replacer;
    std::u16string m_indent;
    bool m_hasList = false;
    std::vector<std::u16string> m_list;
    std::vector<Object*> m_stack;
    std::u16string m_out;
};

Value jsonStringify(Machine& m, Value, std::span<const Value> args) {
    const Value space = argument(args, 2);
    std::u16string indent;
    if (space.isNumeric()) {
        const double n = std::clamp(std::trunc(space.numeric()), 0.0, 10.0);
        indent.assign(size_t(std::isnan(n) ? 0 : n), u' ');
    } else if (space.isString()) {
        indent = space.asString()->text().substr(0, 10);
    }
    Writer writer(m, argument(args, 1), indent);
    Object* root = m.newObject();
    Machine::Pin keepRoot(m, Value::object(root));
    root->setOwn(u"", argument(args, 0));
    if (!writer.write(root, u"", argument(args, 0)))
        return Value();
    return m.string(std::move(writer.text()));
}

const NativeMember JsonStatics[] = {{u"parse", jsonParse}, {u"stringify", jsonStringify}};

const CoreClassSpec Classes[] = {
    {.name = u"JSON", .base = u"Object", .sealed = true, .statics = JsonStatics, .final = true}};

}  // namespace

std::span<const CoreClassSpec> jsonClasses() { return Classes; }

}  // namespace avm2
