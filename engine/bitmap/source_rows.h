// Read access to the source area of a copy. When source and destination are
// the same bitmap the area is copied first, so that no read sees a write.
#pragma once

#include "bitmap/bitmap_data.h"

#include <algorithm>
#include <vector>

namespace bitmap {

class SourceRows {
public:
    SourceRows(const BitmapData& source, const BitmapData& dest, const CopyArea& area) {
        const uint32_t* first = source.pixels() + size_t(area.srcY) * size_t(source.width()) + size_t(area.srcX);
        if (&source != &dest) {
            m_base = first;
            m_stride = size_t(source.width());
            return;
        }
        m_copy.resize(size_t(area.width) * size_t(area.height));
        for (int32_t y = 0; y < area.height; ++y) {
            const uint32_t* row = first + size_t(y) * size_t(source.width());
            std::copy(row, row + area.width, m_copy.begin() + ptrdiff_t(size_t(y) * size_t(area.width)));
        }
        m_base = m_copy.data();
        m_stride = size_t(area.width);
    }

    [[nodiscard]] const uint32_t* row(int32_t y) const { return m_base + size_t(y) * m_stride; }

private:
    std::vector<uint32_t> m_copy;
    const uint32_t* m_base = nullptr;
    size_t m_stride = 0;
};

}  // namespace bitmap
