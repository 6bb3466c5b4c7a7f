#include "text/restrict.h"

namespace text {

bool restrictAllows(std::u32string_view pattern, char32_t c) {
    // A pattern opening with '^' allows everything it does not refuse.
    bool allowed = !pattern.empty() && pattern.front() == U'^';
    bool refusing = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char32_t from = pattern[i];
        if (from == U'^') {
            refusing = !refusing;
            continue;
        }
        if (from == U'\\' && i + 1 < pattern.size())
            from = pattern[++i];
        char32_t to = from;
        if (i + 2 < pattern.size() && pattern[i + 1] == U'-') {
            to = pattern[i + 2];
            if (to == U'\\' && i + 3 < pattern.size())
                to = pattern[++i + 2];
            i += 2;
        }
        if (c >= from && c <= to)
            allowed = !refusing;
    }
    return allowed;
}

}  // namespace text
