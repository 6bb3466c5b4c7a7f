// Class tables put together from the members several files declare.
#pragma once

#include <initializer_list>
#include <span>
#include <vector>

namespace as3 {

// The tables one after the other, for one CoreClassSpec field.
template <typename Member>
[[nodiscard]] std::vector<Member> joinedTables(std::initializer_list<std::span<const Member>> tables) {
    std::vector<Member> all;
    for (const auto& table : tables)
        all.insert(all.end(), table.begin(), table.end());
    return all;
}

}  // namespace as3
