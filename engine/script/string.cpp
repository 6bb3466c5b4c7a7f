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
