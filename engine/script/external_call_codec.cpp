// The call-exchange XML: escaping and writing.
#include "script/external_call_codec.h"

#include "script/number_format.h"
#include "script/string.h"

#include "xml/xml_node.h"

namespace script {

namespace {

// Trees deeper than the reader accepts are cut off as null.
void encodeInto(std::string& out, const ExternalValue& v, size_t depth) {
    if (depth > ExternalCallCodec::MaxDepth) {
        out += "<null/>";
        return;
    }
    switch (v.kind) {
    case ExternalValue::Kind::Undefined:
        out += "<undefined/>";
        break;
    case ExternalValue::Kind::Null:
        out += "<null/>";
        break;
    case ExternalValue::Kind::Boolean:
        out += v.boolean ? "<true/>" : "<false/>";
        break;
    case ExternalValue::Kind::Number:
        out += "<number>" + utf16ToUtf8(numberToString(v.number)) + "</number>";
        break;
    case ExternalValue::Kind::String:
        out += "<string>" + ExternalCallCodec::escape(v.string) + "</string>";
        break;
    case ExternalValue::Kind::Array:
        out += "<array>";
        for (size_t i = 0; i < v.elements.size(); ++i) {
            out += "<property id=\"" + std::to_string(i) + "\">";
            encodeInto(out, v.elements[i], depth + 1);
            out += "</property>";
        }
        out += "</array>";
        break;
    case ExternalValue::Kind::Object:
        out += "<object>";
        for (const auto& [name, member] : v.members) {
            out += "<property id=\"" + ExternalCallCodec::escape(name) + "\">";
            encodeInto(out, member, depth + 1);
            out += "</property>";
        }
        out += "</object>";
        break;
    }
}

}  // namespace

std::string ExternalCallCodec::escape(std::string_view text) { return xml::escape(text); }

std::string ExternalCallCodec::encodeValue(const ExternalValue& value) {
    std::string out;
    encodeInto(out, value, 0);
    return out;
}

std::string ExternalCallCodec::encodeRequest(std::string_view name, const std::vector<ExternalValue>& args) {
    std::string out = "<invoke name=\"" + escape(name) + "\" returntype=\"xml\"><arguments>";
    for (const ExternalValue& v : args)
        encodeInto(out, v, 1);
    out += "</arguments></invoke>";
    return out;
}

}  // namespace script
