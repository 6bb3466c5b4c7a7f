#include "amf/amf0.h"

#include <bit>
#include <cstring>
#include <unordered_map>

namespace amf {

namespace {

using moviehost::Unexpected;

enum Marker : uint8_t {
    NumberMarker = 0x00,
    BooleanMarker = 0x01,
    StringMarker = 0x02,
    ObjectMarker = 0x03,
    MovieClipMarker = 0x04,
    NullMarker = 0x05,
    UndefinedMarker = 0x06,
    ReferenceMarker = 0x07,
    EcmaArrayMarker = 0x08,
    ObjectEndMarker = 0x09,
    StrictArrayMarker = 0x0A,
    DateMarker = 0x0B,
    LongStringMarker = 0x0C,
    UnsupportedMarker = 0x0D,
    XmlDocumentMarker = 0x0F,
    TypedObjectMarker = 0x10,
};

void putU16(std::string& out, uint16_t v) {
    out.push_back(char(v >> 8));
    out.push_back(char(v));
}

void putU32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(char(v >> shift));
}

void putDouble(std::string& out, double d) {
    const auto bits = std::bit_cast<uint64_t>(d);
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(char(bits >> shift));
}

uint64_t readBig(std::string_view bytes) {
    uint64_t v = 0;
    for (const char c : bytes)
        v = (v << 8) | static_cast<unsigned char>(c);
    return v;
}

// Names are short strings; a longer one is cut, which only a hostile graph has.
void putName(std::string& out, std::string_view name) {
    if (name.size() > 0xFFFF)
        name = name.substr(0, 0xFFFF);
    putU16(out, uint16_t(name.size()));
    out += name;
}

std::string truncated() { return "the data ends in the middle of a value"; }

}  // namespace

moviehost::Expected<void, std::string> Encoder::members(const Members& list, int depth) {
    for (const auto& [name, value] : list) {
        if (name.empty())
            continue;  // an empty name would read as the end marker
        putName(m_out, name);
        if (auto result = encode(value, depth); !result)
            return result;
    }
    putU16(m_out, 0);
    m_out.push_back(char(ObjectEndMarker));
    return {};
}

moviehost::Expected<void, std::string> Encoder::encode(const Value& value, int depth) {
    switch (value.type) {
    case Type::Undefined:
        m_out.push_back(char(UndefinedMarker));
        return {};
    case Type::Null:
        m_out.push_back(char(NullMarker));
        return {};
    case Type::Number:
        m_out.push_back(char(NumberMarker));
        putDouble(m_out, value.number);
        return {};
    case Type::Boolean:
        m_out.push_back(char(BooleanMarker));
        m_out.push_back(value.boolean ? 1 : 0);
        return {};
    case Type::String:
        if (value.text.size() <= 0xFFFF) {
            m_out.push_back(char(StringMarker));
            putU16(m_out, uint16_t(value.text.size()));
        } else {
            if (value.text.size() > 0xFFFFFFFFu)
                return Unexpected(std::string("a string is too long to encode"));
            m_out.push_back(char(LongStringMarker));
            putU32(m_out, uint32_t(value.text.size()));
        }
        m_out += value.text;
        return {};
    case Type::Date:
        m_out.push_back(char(DateMarker));
        putDouble(m_out, value.number);
        putU16(m_out, uint16_t(value.timezone));
        return {};
    case Type::Complex:
        break;
    }
    if (value.node >= m_graph.nodes.size())
        return Unexpected(std::string("a value names a node that is not in the graph"));
    if (auto it = m_written.find(value.node); it != m_written.end()) {
        m_out.push_back(char(ReferenceMarker));
        putU16(m_out, it->second);
        return {};
    }
    if (depth >= m_maxDepth)
        return Unexpected("the data is nested deeper than " + std::to_string(m_maxDepth) + " levels");
    if (m_complexCount <= 0xFFFF)
        m_written.emplace(value.node, uint16_t(m_complexCount));
    ++m_complexCount;
    const Node& node = m_graph.nodes[value.node];
    switch (node.kind) {
    case Node::Kind::Object:
        m_out.push_back(char(ObjectMarker));
        return members(node.members, depth + 1);
    case Node::Kind::TypedObject:
        m_out.push_back(char(TypedObjectMarker));
        putName(m_out, node.className);
        return members(node.members, depth + 1);
    case Node::Kind::EcmaArray:
        m_out.push_back(char(EcmaArrayMarker));
        putU32(m_out, uint32_t(node.members.size()));
        return members(node.members, depth + 1);
    case Node::Kind::StrictArray:
        m_out.push_back(char(StrictArrayMarker));
        putU32(m_out, uint32_t(node.elements.size()));
        for (const Value& element : node.elements)
            if (auto result = encode(element, depth + 1); !result)
                return result;
        return {};
    }
    return {};
}

Decoder::Decoder(std::string_view bytes, Graph& graph, DecodeLimits limits)
    : m_bytes(bytes), m_graph(graph), m_limits(limits) {}

bool Decoder::take(size_t count, std::string_view& out) {
    if (remaining() < count)
        return false;
    out = m_bytes.substr(m_position, count);
    m_position += count;
    return true;
}

moviehost::Expected<uint8_t, std::string> Decoder::byte() {
    std::string_view b;
    if (!take(1, b))
        return Unexpected(truncated());
    return uint8_t(b[0]);
}

moviehost::Expected<std::string, std::string> Decoder::shortString() {
    std::string_view length, text;
    if (!take(2, length) || !take(size_t(readBig(length)), text))
        return Unexpected(truncated());
    return std::string(text);
}

moviehost::Expected<Value, std::string> Decoder::value() { return valueAt(0); }

moviehost::Expected<void, std::string> Decoder::members(Members& out, int depth) {
    for (;;) {
        auto name = shortString();
        if (!name)
            return Unexpected(name.error());
        if (name->empty()) {
            auto end = byte();
            if (!end)
                return Unexpected(end.error());
            if (*end != ObjectEndMarker)
                return Unexpected(std::string("an object's members end without the end marker"));
            return {};
        }
        auto member = valueAt(depth);
        if (!member)
            return Unexpected(member.error());
        out.emplace_back(std::move(*name), std::move(*member));
    }
}

moviehost::Expected<Value, std::string> Decoder::valueAt(int depth) {
    if (depth > m_limits.maxDepth)
        return Unexpected("the data is nested deeper than " + std::to_string(m_limits.maxDepth) + " levels");
    auto marker = byte();
    if (!marker)
        return Unexpected(marker.error());
    std::string_view field;
    switch (*marker) {
    case NumberMarker:
        if (!take(8, field))
            return Unexpected(truncated());
        return Value::ofNumber(std::bit_cast<double>(readBig(field)));
    case BooleanMarker:
        if (!take(1, field))
            return Unexpected(truncated());
        return Value::ofBoolean(field[0] != 0);
    case StringMarker: {
        auto text = shortString();
        if (!text)
            return Unexpected(text.error());
        return Value::ofString(std::move(*text));
    }
    case LongStringMarker:
    case XmlDocumentMarker: {
        std::string_view length, text;
        if (!take(4, length) || !take(size_t(readBig(length)), text))
            return Unexpected(truncated());
        return Value::ofString(std::string(text));
    }
    case NullMarker:
        return Value::ofNull();
    case UndefinedMarker:
    case UnsupportedMarker:
        return Value{};
    case DateMarker: {
        std::string_view zone;
        if (!take(8, field) || !take(2, zone))
            return Unexpected(truncated());
        Value date = Value::ofDate(std::bit_cast<double>(readBig(field)));
        date.timezone = int16_t(uint16_t(readBig(zone)));
        return date;
    }
    case ReferenceMarker: {
        if (!take(2, field))
            return Unexpected(truncated());
        const size_t index = size_t(readBig(field));
        if (index >= m_references.size())
            return Unexpected(std::string("a reference names an object not read yet"));
        return Value::ofNode(m_references[index]);
    }
    case ObjectMarker:
    case TypedObjectMarker:
    case EcmaArrayMarker:
    case StrictArrayMarker:
        break;
    default:
        return Unexpected("unknown value type " + std::to_string(*marker));
    }
    if (m_graph.nodes.size() >= m_limits.maxNodes)
        return Unexpected(std::string("the data holds too many objects"));
    Node node;
    std::string_view count;
    if (*marker == TypedObjectMarker) {
        node.kind = Node::Kind::TypedObject;
        auto name = shortString();
        if (!name)
            return Unexpected(name.error());
        node.className = std::move(*name);
    } else if (*marker == EcmaArrayMarker) {
        node.kind = Node::Kind::EcmaArray;
        if (!take(4, count))  // only a hint; the members end with the end marker
            return Unexpected(truncated());
    } else if (*marker == StrictArrayMarker) {
        node.kind = Node::Kind::StrictArray;
        if (!take(4, count))
            return Unexpected(truncated());
        if (readBig(count) > remaining())  // every element takes at least one byte
            return Unexpected(std::string("an array claims more elements than the data holds"));
    }
    // The node's place is taken before its contents, so that references from
    // inside it (cycles) find it.
    const uint32_t index = m_graph.add(Node{});
    m_references.push_back(index);
    if (node.kind == Node::Kind::StrictArray) {
        const uint64_t elements = readBig(count);
        for (uint64_t i = 0; i < elements; ++i) {
            auto element = valueAt(depth + 1);
            if (!element)
                return Unexpected(element.error());
            node.elements.push_back(std::move(*element));
        }
    } else if (auto result = members(node.members, depth + 1); !result) {
        return Unexpected(result.error());
    }
    m_graph.nodes[index] = std::move(node);
    return Value::ofNode(index);
}

}  // namespace amf
