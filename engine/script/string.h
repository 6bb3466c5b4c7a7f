// Script strings: immutable UTF-16 text shared between copies, as the
// language counts characters (charAt, length) in UTF-16 code units.
//
// A string made with a MemoryMeter adds its bytes to the meter while any
// copy lives, so the engine can bound what scripts keep in strings. The
// meter must outlive every string made with it.
#pragma once

#include "moviehost/utf.h"
#include "script/memory_meter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace script {

class String {
public:
    String() = default;
    // Uncounted: for names and short fixed texts of the engine itself.
    String(std::u16string_view text) : String(text, nullptr) {}
    String(const char16_t* text) : String(std::u16string_view(text), nullptr) {}
    String(std::u16string_view text, MemoryMeter* meter);
    String(const String& other) : m_block(other.m_block) { retain(); }
    String(String&& other) noexcept : m_block(other.m_block) { other.m_block = nullptr; }
    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    ~String() { release(); }

    [[nodiscard]] static String fromUtf8(std::string_view utf8, MemoryMeter* meter = nullptr);
    [[nodiscard]] static String fromAscii(std::string_view ascii);

    [[nodiscard]] std::u16string_view view() const {
        return m_block ? std::u16string_view(m_block->chars(), m_block->length) : std::u16string_view();
    }
    [[nodiscard]] size_t size() const { return m_block ? m_block->length : 0; }
    [[nodiscard]] bool empty() const { return size() == 0; }
    [[nodiscard]] char16_t operator[](size_t i) const { return view()[i]; }
    [[nodiscard]] std::string utf8() const;
    // Same buffer (cheap identity test before comparing text).
    [[nodiscard]] bool sameBuffer(const String& other) const { return m_block == other.m_block; }

    friend bool operator==(const String& a, const String& b) { return a.sameBuffer(b) || a.view() == b.view(); }
    friend bool operator==(const String& a, std::u16string_view b) { return a.view() == b; }
    friend bool operator==(const String& a, const char16_t* b) { return a.view() == std::u16string_view(b); }

private:
    // The characters follow the header in the same allocation.
    struct Block {
        size_t refs;
        size_t length;
        MemoryMeter* meter;
        [[nodiscard]] char16_t* chars() { return reinterpret_cast<char16_t*>(this + 1); }
    };
    static_assert(alignof(Block) >= alignof(char16_t));

    void retain() {
        if (m_block)
            ++m_block->refs;
    }
    void release() {
        drop(m_block);
        m_block = nullptr;
    }
    static void drop(Block* block);

    Block* m_block = nullptr;
};

using moviehost::utf16ToUtf8;
using moviehost::utf8ToUtf16;

// ASCII-only case folding: identifiers compare without case up to SWF 6.
[[nodiscard]] inline char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
[[nodiscard]] bool equalsFolded(std::u16string_view a, std::u16string_view b);
[[nodiscard]] bool namesMatch(std::u16string_view a, std::u16string_view b, bool caseSensitive);
[[nodiscard]] size_t hashName(std::u16string_view name, bool caseSensitive);

}  // namespace script
