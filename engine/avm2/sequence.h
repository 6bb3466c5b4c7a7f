// What Array and Vector share: a merge sort of its own (a script's compare
// function need not be consistent and must not make the sort misbehave),
// the comparison the library's sort flags choose, strict equality and
// relative positions.
#pragma once

#include "avm2/value.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace avm2 {

class Machine;

enum SortFlags : uint32_t { CaseInsensitive = 1, Descending = 2, UniqueSort = 4, ReturnIndexedArray = 8, Numeric = 16 };

// Bottom-up merge sort over indices: stable, and every step stays in
// bounds whatever the comparison answers.
template <typename Less>
void mergeSort(std::vector<uint32_t>& order, Less less) {
    std::vector<uint32_t> buffer(order.size());
    for (size_t width = 1; width < order.size(); width *= 2) {
        for (size_t lo = 0; lo < order.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, order.size());
            const size_t hi = std::min(lo + 2 * width, order.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = less(order[j], order[i]) ? order[j++] : order[i++];
            while (i < mid)
                buffer[k++] = order[i++];
            while (j < hi)
                buffer[k++] = order[j++];
        }
        order.swap(buffer);
    }
}

// Compares two values by the flags: -1, 0 or 1; undefined sorts last.
[[nodiscard]] int compareByFlags(Machine& m, const Value& a, const Value& b, uint32_t flags);

// Whether two values are equal as === has it.
[[nodiscard]] bool strictlyEqual(const Value& a, const Value& b);

// A position argument (negative counts from the end) clamped to [0, size];
// `fallback` when it is undefined.
[[nodiscard]] size_t relativePosition(Machine& m, Value v, size_t size, size_t fallback);

}  // namespace avm2
