// Parsing the registry's .reg text format.
#include "registry_file.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>

static_assert(std::endian::native == std::endian::little,
              "registry data is kept as the little-endian bytes the file spells");

namespace platform::detail {

namespace {

// A logical line (continuations joined) longer than this is skipped.
constexpr std::size_t MaxLineChars = 1u << 20;

struct RootName {
    const char16_t* full;
    const char16_t* shorthand;
};

constexpr RootName RootNames[] = {
    {u"hkey_classes_root", u"hkcr"}, {u"hkey_current_user", u"hkcu"},   {u"hkey_local_machine", u"hklm"},
    {u"hkey_users", u"hku"},         {u"hkey_current_config", u"hkcc"},
};

bool isSpace(WCHAR c) noexcept { return c == u' ' || c == u'\t'; }

WideStringView trim(WideStringView text) noexcept {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (isSpace(text.back()) || text.back() == u'\r'))
        text.remove_suffix(1);
    return text;
}

int hexDigit(WCHAR c) noexcept {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

WideString decodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        WideString text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8));
        return text;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return utf8_to_utf16(bytes);
}

// Reads a quoted string starting at text[pos] == '"'; on success returns true,
// stores the unescaped content and moves pos past the closing quote. Only a
// doubled backslash and a backslash-quote are escapes; any other backslash
// stays as written.
bool readQuoted(WideStringView text, std::size_t& pos, WideString& out) {
    if (pos >= text.size() || text[pos] != u'"')
        return false;
    out.clear();
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const WCHAR c = text[i];
        if (c == u'"') {
            pos = i + 1;
            return true;
        }
        if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'\\' || text[i + 1] == u'"')) {
            out.push_back(text[++i]);
            continue;
        }
        out.push_back(c);
    }
    return false;
}

// The folded full path of a section name, or empty when it is not usable.
WideString sectionPath(WideStringView name) {
    if (name.empty() || name.back() == u'\\')
        return {};
    const std::size_t slash = name.find(u'\\');
    WideString path = canonicalRootName(name.substr(0, slash));
    if (path.empty())
        return {};
    if (slash == WideStringView::npos)
        return path;
    const WideStringView rest = name.substr(slash + 1);
    if (rest.empty() || rest.find(u"\\\\") != WideStringView::npos)
        return {};
    path.push_back(u'\\');
    path += foldCase(rest);
    return path;
}

bool parseHexBytes(WideStringView text, std::vector<BYTE>& out) {
    out.clear();
    text = trim(text);
    if (text.empty())
        return true;
    while (true) {
        const std::size_t comma = text.find(u',');
        const WideStringView item = trim(text.substr(0, comma));
        if (item.empty() || item.size() > 2)
            return false;
        int value = 0;
        for (WCHAR c : item) {
            const int d = hexDigit(c);
            if (d < 0)
                return false;
            value = value * 16 + d;
        }
        out.push_back(static_cast<BYTE>(value));
        if (comma == WideStringView::npos)
            return true;
        text = text.substr(comma + 1);
    }
}

// Parses the data part of a value line (after '='). False when malformed.
bool parseData(WideStringView data, RegistryValue& value) {
    data = trim(data);
    if (!data.empty() && data.front() == u'"') {
        std::size_t pos = 0;
        WideString text;
        if (!readQuoted(data, pos, text) || !trim(data.substr(pos)).empty())
            return false;
        value.type = 1;  // REG_SZ
        text.push_back(0);
        value.data.resize(text.size() * sizeof(WCHAR));
        for (std::size_t i = 0; i < text.size(); ++i) {
            value.data[2 * i] = static_cast<BYTE>(text[i] & 0xFF);
            value.data[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
        }
        return true;
    }
    const WideString lowered = foldCase(data.substr(0, std::min<std::size_t>(data.size(), 16)));
    if (lowered.starts_with(u"dword:")) {
        const WideStringView digits = trim(data.substr(6));
        if (digits.empty() || digits.size() > 8)
            return false;
        DWORD number = 0;
        for (WCHAR c : digits) {
            const int d = hexDigit(c);
            if (d < 0)
                return false;
            number = number << 4 | static_cast<DWORD>(d);
        }
        value.type = 4;  // REG_DWORD
        value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                      static_cast<BYTE>(number >> 24)};
        return true;
    }
    if (lowered.starts_with(u"hex:")) {
        value.type = 3;  // REG_BINARY
        return parseHexBytes(data.substr(4), value.data);
    }
    if (lowered.starts_with(u"hex(")) {
        const std::size_t close = data.find(u"):");
        if (close == WideStringView::npos || close <= 4 || close > 12)
            return false;
        DWORD type = 0;
        for (WCHAR c : data.substr(4, close - 4)) {
            const int d = hexDigit(c);
            if (d < 0)
                return false;
            type = type << 4 | static_cast<DWORD>(d);
        }
        value.type = type;
        return parseHexBytes(data.substr(close + 2), value.data);
    }
    return false;
}

void setValue(RegistryValues& values, RegistryValue value) {
    const WideString folded = foldCase(value.name);
    for (RegistryValue& existing : values) {
        if (foldCase(existing.name) == folded) {
            existing = std::move(value);
            return;
        }
    }
    values.push_back(std::move(value));
}

void removeValue(RegistryValues& values, const WideString& name) {
    const WideString folded = foldCase(name);
    std::erase_if(values, [&](const RegistryValue& v) { return foldCase(v.name) == folded; });
}

// One value line ('@=...' or '"name"=...') into the current key.
void parseValueLine(WideStringView line, RegistryValues& values) {
    RegistryValue value;
    std::size_t pos = 0;
    if (line.front() == u'@') {
        pos = 1;
    } else if (!readQuoted(line, pos, value.name)) {
        return;
    }
    const WideStringView rest = trim(line.substr(pos));
    if (rest.empty() || rest.front() != u'=')
        return;
    const WideStringView data = trim(rest.substr(1));
    if (data == u"-") {
        removeValue(values, value.name);
        return;
    }
    if (parseData(data, value))
        setValue(values, std::move(value));
}

}  // namespace

WideString foldCase(WideStringView text) {
    WideString out(text);
    for (WCHAR& c : out) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<WCHAR>(c - u'A' + u'a');
    }
    return out;
}

WideString canonicalRootName(WideStringView name) {
    const WideString folded = foldCase(name);
    for (const RootName& root : RootNames) {
        if (folded == root.full || folded == root.shorthand)
            return root.full;
    }
    return {};
}

const RegistryValues* RegistryTree::find(const WideString& foldedPath) const {
    if (auto it = m_keys.find(foldedPath); it != m_keys.end())
        return &it->second;
    if (!canonicalRootName(foldedPath).empty()) {
        static const RegistryValues NoValues;
        return &NoValues;
    }
    return nullptr;
}

RegistryValues& RegistryTree::addKey(const WideString& foldedPath) {
    for (std::size_t slash = foldedPath.find(u'\\'); slash != WideString::npos;
         slash = foldedPath.find(u'\\', slash + 1))
        m_keys.try_emplace(foldedPath.substr(0, slash));
    return m_keys[foldedPath];
}

RegistryTree parseRegistry(std::string_view bytes) {
    RegistryTree tree;
    const WideString text = decodeText(bytes);
    RegistryValues* current = nullptr;

    std::size_t pos = 0;
    while (pos < text.size()) {
        // Gather one logical line: a hex value line ending in '\' goes on.
        WideString line;
        bool tooLong = false;
        while (pos < text.size()) {
            std::size_t end = text.find_first_of(u"\r\n", pos);
            if (end == WideString::npos)
                end = text.size();
            const WideStringView piece = trim(WideStringView(text).substr(pos, end - pos));
            pos = end;
            if (pos < text.size()) {
                const bool crlf = text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n';
                pos += crlf ? 2 : 1;
            }
            if (line.size() + piece.size() > MaxLineChars)
                tooLong = true;
            else
                line += piece;
            if (line.empty() || line.back() != u'\\' || line.find(u"=hex") == WideString::npos)
                break;
            line.pop_back();
        }
        if (tooLong)
            continue;

        const WideStringView view = trim(line);
        if (view.empty() || view.front() == u';')
            continue;
        if (view.front() == u'[') {
            current = nullptr;
            if (view.size() < 2 || view.back() != u']' || view[1] == u'-')
                continue;
            const WideString path = sectionPath(view.substr(1, view.size() - 2));
            if (!path.empty())
                current = &tree.addKey(path);
            continue;
        }
        if (current != nullptr && (view.front() == u'@' || view.front() == u'"'))
            parseValueLine(view, *current);
        // Anything else (the header line, stray text) is skipped.
    }
    return tree;
}

RegistryTree loadRegistryFile(const std::string& path) {
    if (path.empty())
        return {};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::string bytes;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(file.gcount()) > MaxRegistryFileBytes)
            return {};
        bytes.append(chunk, static_cast<std::size_t>(file.gcount()));
    }
    return parseRegistry(bytes);
}

std::string registryFilePath() {
    if (const char* named = std::getenv("MOVIEHOST_REGISTRY"); named != nullptr && *named != 0)
        return named;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != 0)
        return std::string(config) + "/moviehost/registry.reg";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
        return std::string(home) + "/.config/moviehost/registry.reg";
    return {};
}

}  // namespace platform::detail
