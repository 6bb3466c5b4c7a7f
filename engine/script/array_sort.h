// Array.sort and Array.sortOn: a merge sort, stable, that stays in bounds
// whatever a script comparator answers.
#pragma once

#include "script/value.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace script {

class ArrayObject;
class Runtime;

struct SortOption {
    static constexpr uint32_t CaseInsensitive = 1;
    static constexpr uint32_t Descending = 2;
    static constexpr uint32_t UniqueSort = 4;
    static constexpr uint32_t ReturnIndexedArray = 8;
    static constexpr uint32_t Numeric = 16;
};

// Orders indices with `less`; stable. `less` may throw.
void mergeSortIndices(std::vector<size_t>& indices, const std::function<bool(size_t, size_t)>& less);

// sort([comparator], [options]) on `array`; the result as the method returns it.
Value sortArray(Runtime& rt, ArrayObject& array, const Value& comparator, uint32_t options);
// sortOn(field or [fields], [options or [options]]).
Value sortArrayOn(Runtime& rt, ArrayObject& array, const Value& fields, const Value& options);

}  // namespace script
