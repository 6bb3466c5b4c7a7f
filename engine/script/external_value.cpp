// External value construction and comparison.
#include "script/external_value.h"

#include <cmath>

namespace script {

ExternalValue ExternalValue::null() {
    ExternalValue v;
    v.kind = Kind::Null;
    return v;
}

ExternalValue ExternalValue::fromBool(bool b) {
    ExternalValue v;
    v.kind = Kind::Boolean;
    v.boolean = b;
    return v;
}

ExternalValue ExternalValue::fromNumber(double n) {
    ExternalValue v;
    v.kind = Kind::Number;
    v.number = n;
    return v;
}

ExternalValue ExternalValue::fromString(std::string s) {
    ExternalValue v;
    v.kind = Kind::String;
    v.string = std::move(s);
    return v;
}

ExternalValue ExternalValue::array(std::vector<ExternalValue> elements) {
    ExternalValue v;
    v.kind = Kind::Array;
    v.elements = std::move(elements);
    return v;
}

ExternalValue ExternalValue::object(std::vector<std::pair<std::string, ExternalValue>> members) {
    ExternalValue v;
    v.kind = Kind::Object;
    v.members = std::move(members);
    return v;
}

bool operator==(const ExternalValue& a, const ExternalValue& b) {
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case ExternalValue::Kind::Undefined:
    case ExternalValue::Kind::Null:
        return true;
    case ExternalValue::Kind::Boolean:
        return a.boolean == b.boolean;
    case ExternalValue::Kind::Number:
        return a.number == b.number || (std::isnan(a.number) && std::isnan(b.number));
    case ExternalValue::Kind::String:
        return a.string == b.string;
    case ExternalValue::Kind::Array:
        return a.elements == b.elements;
    case ExternalValue::Kind::Object:
        return a.members == b.members;
    }
    return false;
}

}  // namespace script
