// Values as they cross the boundary to the embedding application: plain
// trees with no tie to the script heap, for the call-exchange XML.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace script {

struct ExternalValue {
    enum class Kind : uint8_t { Undefined, Null, Boolean, Number, String, Array, Object };

    Kind kind = Kind::Undefined;
    bool boolean = false;
    double number = 0.0;
    std::string string;                                          // UTF-8
    std::vector<ExternalValue> elements;                         // Array, index order
    std::vector<std::pair<std::string, ExternalValue>> members;  // Object, in document order

    [[nodiscard]] static ExternalValue undefined() { return {}; }
    [[nodiscard]] static ExternalValue null();
    [[nodiscard]] static ExternalValue fromBool(bool b);
    [[nodiscard]] static ExternalValue fromNumber(double n);
    [[nodiscard]] static ExternalValue fromString(std::string s);
    [[nodiscard]] static ExternalValue array(std::vector<ExternalValue> elements);
    [[nodiscard]] static ExternalValue object(std::vector<std::pair<std::string, ExternalValue>> members);

    // Structural equality; numbers compare by value, except that NaN equals NaN.
    friend bool operator==(const ExternalValue& a, const ExternalValue& b);
};

}  // namespace script
