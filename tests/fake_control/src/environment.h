// The FAKE_CONTROL_* environment variables (see fake_control.h).
#pragma once

#include "platform/types.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fake_control {

// "a=1,b=0x2" -> {a: 1, b: 2}; entries without a number are skipped.
[[nodiscard]] std::map<std::string, HRESULT, std::less<>> parseFailures(std::string_view text);
// "a, b" -> {a, b}
[[nodiscard]] std::vector<std::string> parseList(std::string_view text);

// The code FAKE_CONTROL_FAIL gives the method, or S_OK.
[[nodiscard]] HRESULT environmentFailure(std::string_view method);

}  // namespace fake_control
