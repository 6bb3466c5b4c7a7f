// A string of the machine: immutable UTF-16 text on the heap.
#pragma once

#include "avm2/heap.h"
#include "moviehost/utf.h"

#include <string>

namespace avm2 {

class String final : public Cell {
public:
    explicit String(std::u16string text) : m_text(std::move(text)) {}
    [[nodiscard]] const std::u16string& text() const { return m_text; }
    void trace(Tracer&) const override {}
    [[nodiscard]] size_t extraBytes() const override { return m_text.capacity() * sizeof(char16_t); }

private:
    std::u16string m_text;
};

using moviehost::utf16ToUtf8;
using moviehost::utf8ToUtf16;

}  // namespace avm2
