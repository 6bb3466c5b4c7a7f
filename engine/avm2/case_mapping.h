// Upper and lower case of UTF-16 code units, as String.toUpperCase and
// toLowerCase map them: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic; other units are left as they are. One unit maps to one unit
// (no "SS" for "ß"), so lengths never change.
#pragma once

namespace avm2 {

[[nodiscard]] char16_t toUpperUnit(char16_t c);
[[nodiscard]] char16_t toLowerUnit(char16_t c);

}  // namespace avm2
