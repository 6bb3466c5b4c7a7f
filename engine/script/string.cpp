// Shared string buffers and UTF conversions.
#include "script/string.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace script {

String::String(std::u16string_view text, MemoryMeter* meter) {
    if (text.empty())
        return;
    const size_t bytes = sizeof(Block) + text.size() * sizeof(char16_t);
    if (meter)
        meter->charge(bytes);  // may refuse: nothing is allocated yet
    void* memory = ::operator new(bytes);
    m_block = new (memory) Block{1, text.size(), meter};
    std::memcpy(m_block->chars(), text.data(), text.size() * sizeof(char16_t));
}

String& String::operator=(const String& other) {
    if (m_block != other.m_block) {
        Block* old = m_block;
        m_block = other.m_block;
        retain();
        drop(old);
    }
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        release();
        m_block = other.m_block;
        other.m_block = nullptr;
    }
    return *this;
}

void String::drop(Block* block) {
    if (!block || --block->refs != 0)
        return;
    if (block->meter)
        block->meter->release(sizeof(Block) + block->length * sizeof(char16_t));
    block->~Block();
    ::operator delete(block);
}

String String::fromUtf8(std::string_view utf8, MemoryMeter* meter) { return String(utf8ToUtf16(utf8), meter); }

String String::fromAscii(std::string_view ascii) {
    std::u16string out(ascii.begin(), ascii.end());
    return String(out);
}

std::string String::utf8() const { return utf16ToUtf8(view()); }

std::u16string utf8ToUtf16(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    size_t i = 0;
    const auto byte = [&](size_t k) { return uint8_t(in[k]); };
    while (i < in.size()) {
        uint8_t b = byte(i);
        uint32_t cp = 0xFFFD;
        size_t need = 0;
        uint32_t min = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            need = 1;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            need = 2;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            need = 3;
            min = 0x10000;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k <= need; ++k) {
            if (i + k >= in.size() || (byte(i + k) & 0xC0) != 0x80)
                break;
            cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        if (k <= need) {
            out.push_back(0xFFFD);
            i += k;
            continue;
        }
        i += need + 1;
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

bool equalsFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

bool namesMatch(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
    return caseSensitive ? a == b : equalsFolded(a, b);
}

size_t hashName(std::u16string_view name, bool caseSensitive) {
    // FNV-1a over the (folded) code units.
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : name) {
        h ^= caseSensitive ? c : foldAscii(c);
        h *= 1099511628211ull;
    }
    return size_t(h);
}

}  // namespace script
