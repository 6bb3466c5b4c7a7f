// The call-exchange XML: a small strict reader for exactly the elements the
// format uses.
#include "script/external_call_codec.h"

#include "script/number_format.h"
#include "script/string.h"

#include <cmath>
#include <limits>
#include <map>

namespace script {

namespace {

// Array ids beyond this are dropped: a hostile id must not make a huge array.
constexpr size_t MaxArrayIndex = size_t(1) << 20;

void appendUtf8(std::string& out, uint32_t cp) {
    out += utf16ToUtf8(cp >= 0x10000 ? std::u16string{char16_t(0xD800 + ((cp - 0x10000) >> 10)),
                                                      char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))}
                                     : std::u16string{char16_t(cp)});
}

// One element's tag: <name attr="v" ...> or <name .../> or </name>.
struct Tag {
    std::string name;
    std::map<std::string, std::string> attributes;
    bool closing = false;      // </name>
    bool selfClosing = false;  // <name/>
};

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    void skipSpace() {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    [[nodiscard]] bool atEnd() const { return m_pos >= m_text.size(); }

    std::optional<Tag> tag() {
        skipSpace();
        if (m_pos >= m_text.size() || m_text[m_pos] != '<')
            return std::nullopt;
        ++m_pos;
        Tag t;
        if (m_pos < m_text.size() && m_text[m_pos] == '/') {
            t.closing = true;
            ++m_pos;
        }
        t.name = name();
        if (t.name.empty())
            return std::nullopt;
        for (;;) {
            skipSpace();
            if (m_pos >= m_text.size())
                return std::nullopt;
            char c = m_text[m_pos];
            if (c == '>') {
                ++m_pos;
                return t;
            }
            if (c == '/' && !t.closing) {
                if (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '>')
                    return std::nullopt;
                m_pos += 2;
                t.selfClosing = true;
                return t;
            }
            if (t.closing)
                return std::nullopt;
            std::string key = name();
            skipSpace();
            if (key.empty() || m_pos >= m_text.size() || m_text[m_pos] != '=')
                return std::nullopt;
            ++m_pos;
            skipSpace();
            if (m_pos >= m_text.size() || (m_text[m_pos] != '"' && m_text[m_pos] != '\''))
                return std::nullopt;
            char quote = m_text[m_pos++];
            size_t end = m_text.find(quote, m_pos);
            if (end == std::string_view::npos)
                return std::nullopt;
            auto value = ExternalCallCodec::unescape(m_text.substr(m_pos, end - m_pos));
            if (!value)
                return std::nullopt;
            t.attributes[key] = std::move(*value);
            m_pos = end + 1;
        }
    }

    // Text up to the next '<', unescaped.
    std::optional<std::string> text() {
        size_t end = m_text.find('<', m_pos);
        if (end == std::string_view::npos)
            return std::nullopt;
        auto out = ExternalCallCodec::unescape(m_text.substr(m_pos, end - m_pos));
        m_pos = end;
        return out;
    }

    bool closes(std::string_view expected) {
        auto t = tag();
        return t && t->closing && t->name == expected;
    }

    // A value element.
    std::optional<ExternalValue> value(size_t depth) {
        if (depth > ExternalCallCodec::MaxDepth)
            return std::nullopt;
        auto t = tag();
        if (!t || t->closing)
            return std::nullopt;
        return valueFrom(*t, depth);
    }

    std::optional<ExternalValue> valueFrom(const Tag& t, size_t depth) {
        auto empty = [&](ExternalValue v) -> std::optional<ExternalValue> {
            if (!t.selfClosing && !closes(t.name))
                return std::nullopt;
            return v;
        };
        if (t.name == "undefined")
            return empty(ExternalValue::undefined());
        if (t.name == "null")
            return empty(ExternalValue::null());
        if (t.name == "true")
            return empty(ExternalValue::fromBool(true));
        if (t.name == "false")
            return empty(ExternalValue::fromBool(false));
        if (t.name == "string" || t.name == "number") {
            std::string content;
            if (!t.selfClosing) {
                auto s = text();
                if (!s || !closes(t.name))
                    return std::nullopt;
                content = std::move(*s);
            }
            if (t.name == "string")
                return ExternalValue::fromString(std::move(content));
            return ExternalValue::fromNumber(parseNumber(content));
        }
        if (t.name == "array" || t.name == "object")
            return container(t, depth);
        return std::nullopt;
    }

private:
    static double parseNumber(const std::string& s) {
        if (s == "NaN")
            return std::numeric_limits<double>::quiet_NaN();
        if (s == "Infinity")
            return std::numeric_limits<double>::infinity();
        if (s == "-Infinity")
            return -std::numeric_limits<double>::infinity();
        return parseNumberLiteral(utf8ToUtf16(s)).value_or(std::numeric_limits<double>::quiet_NaN());
    }

    std::optional<ExternalValue> container(const Tag& t, size_t depth) {
        const bool isArray = t.name == "array";
        ExternalValue out = isArray ? ExternalValue::array({}) : ExternalValue::object({});
        if (t.selfClosing)
            return out;
        std::map<size_t, ExternalValue> indexed;
        for (;;) {
            auto p = tag();
            if (!p)
                return std::nullopt;
            if (p->closing) {
                if (p->name != t.name)
                    return std::nullopt;
                break;
            }
            if (p->name != "property" || p->selfClosing)
                return std::nullopt;
            auto id = p->attributes.find("id");
            if (id == p->attributes.end())
                return std::nullopt;
            auto member = value(depth + 1);
            if (!member || !closes("property"))
                return std::nullopt;
            if (isArray) {
                auto index = parseNumberLiteral(utf8ToUtf16(id->second));
                if (index && *index >= 0 && *index < double(MaxArrayIndex) && *index == std::trunc(*index))
                    indexed[size_t(*index)] = std::move(*member);
            } else {
                out.members.emplace_back(id->second, std::move(*member));
            }
        }
        if (isArray && !indexed.empty()) {
            out.elements.resize(indexed.rbegin()->first + 1);
            for (auto& [i, v] : indexed)
                out.elements[i] = std::move(v);
        }
        return out;
    }

    std::string name() {
        size_t start = m_pos;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                      c == '-' || c == ':' || c == '.';
            if (!ok)
                break;
            ++m_pos;
        }
        return std::string(m_text.substr(start, m_pos - start));
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

}  // namespace

std::optional<std::string> ExternalCallCodec::unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        size_t semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12)
            return std::nullopt;
        std::string_view entity = text.substr(i + 1, semi - i - 1);
        if (entity == "amp")
            out.push_back('&');
        else if (entity == "lt")
            out.push_back('<');
        else if (entity == "gt")
            out.push_back('>');
        else if (entity == "quot")
            out.push_back('"');
        else if (entity == "apos")
            out.push_back('\'');
        else if (entity.size() > 1 && entity[0] == '#') {
            bool hex = entity[1] == 'x' || entity[1] == 'X';
            std::string_view digits = entity.substr(hex ? 2 : 1);
            if (digits.empty())
                return std::nullopt;
            uint32_t cp = 0;
            for (char c : digits) {
                int d = (c >= '0' && c <= '9')          ? c - '0'
                        : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                        : -1;
                if (d < 0)
                    return std::nullopt;
                cp = cp * (hex ? 16 : 10) + uint32_t(d);
                if (cp > 0x10FFFF)
                    return std::nullopt;
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
                return std::nullopt;
            appendUtf8(out, cp);
        } else {
            return std::nullopt;
        }
        i = semi;
    }
    return out;
}

std::optional<ExternalValue> ExternalCallCodec::decodeValue(std::string_view xml) {
    if (xml.size() > MaxInput)
        return std::nullopt;
    Reader r(xml);
    auto v = r.value(0);
    r.skipSpace();
    if (!v || !r.atEnd())
        return std::nullopt;
    return v;
}

std::optional<ExternalRequest> ExternalCallCodec::decodeRequest(std::string_view xml) {
    if (xml.size() > MaxInput)
        return std::nullopt;
    Reader r(xml);
    auto invoke = r.tag();
    if (!invoke || invoke->closing || invoke->name != "invoke")
        return std::nullopt;
    auto name = invoke->attributes.find("name");
    if (name == invoke->attributes.end())
        return std::nullopt;
    ExternalRequest request;
    request.name = utf8ToUtf16(name->second);
    if (invoke->selfClosing) {
        r.skipSpace();
        return r.atEnd() ? std::optional<ExternalRequest>(std::move(request)) : std::nullopt;
    }
    for (;;) {
        auto t = r.tag();
        if (!t)
            return std::nullopt;
        if (t->closing) {
            if (t->name != "invoke")
                return std::nullopt;
            break;
        }
        if (t->name != "arguments")
            return std::nullopt;
        if (t->selfClosing)
            continue;
        for (;;) {
            auto a = r.tag();
            if (!a)
                return std::nullopt;
            if (a->closing) {
                if (a->name != "arguments")
                    return std::nullopt;
                break;
            }
            auto v = r.valueFrom(*a, 1);
            if (!v)
                return std::nullopt;
            request.args.push_back(std::move(*v));
        }
    }
    r.skipSpace();
    if (!r.atEnd())
        return std::nullopt;
    return request;
}

std::optional<ExternalRequest> ExternalCallCodec::decodeRequest(std::u16string_view xml) {
    if (xml.size() > MaxInput)
        return std::nullopt;
    return decodeRequest(utf16ToUtf8(xml));
}

}  // namespace script
