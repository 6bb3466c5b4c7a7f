// Calls between a movie inside an ActionScript 3 one and that movie.
#pragma once

#include "script/external_value.h"

#include <string>
#include <string_view>
#include <vector>

namespace script {

// For a movie inside an ActionScript 3 one: the functions the AS3 side
// registered for it (AVM1Movie.addCallback), which its
// ExternalInterface.call reaches before the host. Failures answer undefined.
class CallBridge {
public:
    virtual ~CallBridge() = default;
    [[nodiscard]] virtual bool has(std::u16string_view name) = 0;
    [[nodiscard]] virtual ExternalValue call(const std::u16string& name, const std::vector<ExternalValue>& args) = 0;
};

}  // namespace script
