#include "text/style_sheet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace text {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

// "font-size" as scripts name it: "fontSize".
std::string scriptName(std::string_view css) {
    std::string out;
    bool upper = false;
    for (char c : css) {
        if (c == '-') {
            upper = !out.empty();
            continue;
        }
        out += upper ? char(std::toupper(static_cast<unsigned char>(c)))
                     : char(std::tolower(static_cast<unsigned char>(c)));
        upper = false;
    }
    return out;
}

std::string withoutComments(std::string_view css) {
    std::string out;
    out.reserve(css.size());
    for (size_t i = 0; i < css.size();) {
        if (css.compare(i, 2, "/*") == 0) {
            const size_t end = css.find("*/", i + 2);
            i = end == std::string_view::npos ? css.size() : end + 2;
            out += ' ';
        } else {
            out += css[i++];
        }
    }
    return out;
}

std::optional<double> number(std::string_view s) {
    s = trim(s);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end == s.data() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<double> twips(std::string_view s, double limit) {
    const auto v = number(s);
    if (!v)
        return std::nullopt;
    return std::clamp(*v, -limit, limit) * 20.0;
}

}  // namespace

bool StyleSheet::parse(std::string_view source) {
    const std::string css = withoutComments(source);
    std::vector<std::pair<std::vector<std::string>, Style>> rules;
    size_t i = 0;
    while (true) {
        const size_t open = css.find('{', i);
        if (open == std::string::npos) {
            if (!trim(std::string_view(css).substr(i)).empty())
                return false;  // a selector without a body
            break;
        }
        const size_t close = css.find('}', open);
        if (close == std::string::npos || css.find('}', i) < open)
            return false;
        std::vector<std::string> selectors;
        std::string_view list = std::string_view(css).substr(i, open - i);
        while (true) {
            const size_t comma = list.find(',');
            const std::string_view one = trim(list.substr(0, comma));
            if (one.empty())
                return false;
            selectors.push_back(lower(one));
            if (comma == std::string_view::npos)
                break;
            list.remove_prefix(comma + 1);
        }
        Style style;
        std::string_view body = std::string_view(css).substr(open + 1, close - open - 1);
        while (!trim(body).empty()) {
            const size_t semi = body.find(';');
            const std::string_view declaration = body.substr(0, semi);
            body.remove_prefix(semi == std::string_view::npos ? body.size() : semi + 1);
            if (trim(declaration).empty())
                continue;
            const size_t colon = declaration.find(':');
            if (colon == std::string_view::npos)
                return false;
            const std::string name = scriptName(trim(declaration.substr(0, colon)));
            std::string_view value = trim(declaration.substr(colon + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            if (name.empty())
                return false;
            if (style.size() < MaxStyleProperties || style.count(name))
                style[name] = std::string(value);
        }
        rules.emplace_back(std::move(selectors), std::move(style));
        i = close + 1;
    }
    for (auto& [selectors, style] : rules) {
        for (const std::string& s : selectors) {
            auto found = m_styles.find(s);
            if (found == m_styles.end()) {
                if (m_styles.size() >= MaxStyles)
                    continue;
                found = m_styles.emplace(s, Style{}).first;
            }
            for (const auto& [name, value] : style) {
                if (found->second.size() < MaxStyleProperties || found->second.count(name))
                    found->second[name] = value;
            }
        }
    }
    return true;
}

void StyleSheet::setStyle(std::string_view name, std::optional<Style> style) {
    const std::string key = lower(name);
    if (!style) {
        m_styles.erase(key);
        return;
    }
    if (m_styles.size() >= MaxStyles && !m_styles.count(key))
        return;
    while (style->size() > MaxStyleProperties)
        style->erase(std::prev(style->end()));
    m_styles[key] = std::move(*style);
}

const StyleSheet::Style* StyleSheet::style(std::string_view name) const {
    const auto found = m_styles.find(lower(name));
    return found == m_styles.end() ? nullptr : &found->second;
}

std::vector<std::string> StyleSheet::names() const {
    std::vector<std::string> out;
    out.reserve(m_styles.size());
    for (const auto& entry : m_styles)
        out.push_back(entry.first);
    return out;
}

TextFormat StyleSheet::transform(const Style& style) {
    TextFormat f;
    auto get = [&](const char* name) -> std::optional<std::string> {
        const auto found = style.find(name);
        if (found == style.end())
            return std::nullopt;
        return lower(trim(found->second));
    };
    if (auto v = get("color"); v && v->size() > 1 && (*v)[0] == '#') {
        uint32_t c = 0;
        const auto [end, ec] = std::from_chars(v->data() + 1, v->data() + v->size(), c, 16);
        if (ec == std::errc() && end == v->data() + v->size())
            f.color = c & 0xFFFFFF;
    }
    if (const auto found = style.find("fontFamily"); found != style.end()) {
        // The first family; the generic ones name the device font classes.
        std::string family(trim(std::string_view(found->second).substr(0, found->second.find(','))));
        if (family.size() >= 2 && (family.front() == '"' || family.front() == '\'') && family.back() == family.front())
            family = family.substr(1, family.size() - 2);
        const std::string generic = lower(family);
        f.font = generic == "sans-serif"                       ? "_sans"
                 : generic == "serif"                          ? "_serif"
                 : generic == "monospace" || generic == "mono" ? "_typewriter"
                                                               : family;
    }
    if (auto v = get("fontSize"); v) {
        if (auto n = number(*v); n && *n >= 0)
            f.size = std::min(*n, 10000.0) * 20.0;
    }
    if (auto v = get("fontStyle"))
        f.italic = *v == "italic";
    if (auto v = get("fontWeight"))
        f.bold = *v == "bold";
    if (auto v = get("textDecoration"))
        f.underline = *v == "underline";
    if (auto v = get("kerning"))
        f.kerning = *v == "true" || *v == "1";
    if (auto v = get("textAlign")) {
        if (*v == "left")
            f.align = Align::Left;
        else if (*v == "right")
            f.align = Align::Right;
        else if (*v == "center")
            f.align = Align::Center;
        else if (*v == "justify")
            f.align = Align::Justify;
    }
    if (auto v = get("letterSpacing"))
        f.letterSpacing = twips(*v, 1000.0);
    if (auto v = get("leading"))
        f.leading = twips(*v, 10000.0);
    if (auto v = get("marginLeft"))
        f.leftMargin = twips(*v, 10000.0);
    if (auto v = get("marginRight"))
        f.rightMargin = twips(*v, 10000.0);
    if (auto v = get("textIndent"))
        f.indent = twips(*v, 10000.0);
    return f;
}

Display StyleSheet::display(const Style& style, Display otherwise) {
    const auto found = style.find("display");
    if (found == style.end())
        return otherwise;
    const std::string v = lower(trim(found->second));
    return v == "block" ? Display::Block : v == "none" ? Display::None : v == "inline" ? Display::Inline : otherwise;
}

}  // namespace text
