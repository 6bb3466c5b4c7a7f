#include "amf/amf3.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace amf {

namespace {

using moviehost::Unexpected;

enum Marker : uint8_t {
    UndefinedMarker = 0x00,
    NullMarker = 0x01,
    FalseMarker = 0x02,
    TrueMarker = 0x03,
    IntegerMarker = 0x04,
    DoubleMarker = 0x05,
    StringMarker = 0x06,
    XmlDocMarker = 0x07,
    DateMarker = 0x08,
    ArrayMarker = 0x09,
    ObjectMarker = 0x0A,
    XmlMarker = 0x0B,
    ByteArrayMarker = 0x0C,
    VectorIntMarker = 0x0D,
    VectorUIntMarker = 0x0E,
    VectorDoubleMarker = 0x0F,
    VectorObjectMarker = 0x10,
    DictionaryMarker = 0x11,
};

Marker markerOf(const Node& node) {
    switch (node.special) {
    case Node::Special::Xml:
        return XmlMarker;
    case Node::Special::XmlDocument:
        return XmlDocMarker;
    case Node::Special::IntVector:
        return VectorIntMarker;
    case Node::Special::UIntVector:
        return VectorUIntMarker;
    case Node::Special::DoubleVector:
        return VectorDoubleMarker;
    case Node::Special::ObjectVector:
        return VectorObjectMarker;
    case Node::Special::Dictionary:
        return DictionaryMarker;
    case Node::Special::External:
    case Node::Special::None:
        break;
    }
    if (node.byteArray)
        return ByteArrayMarker;
    return node.kind == Node::Kind::StrictArray || node.kind == Node::Kind::EcmaArray ? ArrayMarker : ObjectMarker;
}

// Integers the U29 form holds: 29 bits, signed.
constexpr double MinInteger = -(1 << 28), MaxInteger = (1 << 28) - 1;
constexpr uint32_t MaxU29 = (1u << 29) - 1;
// Text all values of one decoder may hold, references included.
constexpr size_t MaxTextBytes = size_t(64) << 20;

void putDouble(std::string& out, double d) {
    uint64_t bits = std::bit_cast<uint64_t>(d);
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(char(uint8_t(bits >> shift)));
}

}  // namespace

void Amf3Encoder::u29(uint32_t v) {
    if (v < 0x80) {
        m_out.push_back(char(v));
    } else if (v < 0x4000) {
        m_out.push_back(char(0x80 | (v >> 7)));
        m_out.push_back(char(v & 0x7F));
    } else if (v < 0x200000) {
        m_out.push_back(char(0x80 | (v >> 14)));
        m_out.push_back(char(0x80 | ((v >> 7) & 0x7F)));
        m_out.push_back(char(v & 0x7F));
    } else {
        m_out.push_back(char(0x80 | (v >> 22)));
        m_out.push_back(char(0x80 | ((v >> 15) & 0x7F)));
        m_out.push_back(char(0x80 | ((v >> 8) & 0x7F)));
        m_out.push_back(char(v & 0xFF));
    }
}

void Amf3Encoder::string(const std::string& text) {
    // The empty string is never sent by reference.
    if (!text.empty()) {
        if (auto it = m_strings.find(text); it != m_strings.end()) {
            u29(it->second << 1);
            return;
        }
        m_strings.emplace(text, uint32_t(m_strings.size()));
    }
    u29(uint32_t(text.size()) << 1 | 1);
    m_out += text;
}

moviehost::Expected<void, std::string> Amf3Encoder::members(const Members& list, int depth) {
    for (const auto& [name, member] : list) {
        if (name.empty())
            continue;  // the empty name ends the list
        string(name);
        if (auto r = encode(member, depth); !r)
            return r;
    }
    string("");
    return {};
}

moviehost::Expected<void, std::string> Amf3Encoder::encode(const Value& value, int depth) {
    switch (value.type) {
    case Type::Undefined:
        m_out.push_back(char(UndefinedMarker));
        return {};
    case Type::Null:
        m_out.push_back(char(NullMarker));
        return {};
    case Type::Boolean:
        m_out.push_back(char(value.boolean ? TrueMarker : FalseMarker));
        return {};
    case Type::Number:
        if (value.number >= MinInteger && value.number <= MaxInteger && value.number == std::trunc(value.number) &&
            !(value.number == 0 && std::signbit(value.number))) {
            m_out.push_back(char(IntegerMarker));
            u29(uint32_t(int32_t(value.number)) & MaxU29);
        } else {
            m_out.push_back(char(DoubleMarker));
            putDouble(m_out, value.number);
        }
        return {};
    case Type::String:
        if (value.text.size() > MaxU29 >> 1)
            return Unexpected(std::string("a string is too long to encode"));
        m_out.push_back(char(StringMarker));
        string(value.text);
        return {};
    case Type::Date:
        // Dates take a place in the object table but are never shared here.
        m_out.push_back(char(DateMarker));
        u29(1);
        putDouble(m_out, value.number);
        ++m_objectCount;
        return {};
    case Type::Complex:
        break;
    }
    if (value.node >= m_graph.nodes.size())
        return Unexpected(std::string("a value names a node that is not in the graph"));
    const Node& node = m_graph.nodes[value.node];
    m_out.push_back(char(markerOf(node)));
    if (auto it = m_objects.find(value.node); it != m_objects.end()) {
        u29(it->second << 1);
        return {};
    }
    if (depth >= m_maxDepth)
        return Unexpected("the data is nested deeper than " + std::to_string(m_maxDepth) + " levels");
    m_objects.emplace(value.node, m_objectCount++);
    if (node.special != Node::Special::None)
        return special(node, depth);
    if (node.byteArray) {
        if (node.bytes.size() > MaxU29 >> 1)
            return Unexpected(std::string("a byte array is too long to encode"));
        u29(uint32_t(node.bytes.size()) << 1 | 1);
        m_out += node.bytes;
        return {};
    }
    switch (node.kind) {
    case Node::Kind::StrictArray:
    case Node::Kind::EcmaArray: {
        if (node.elements.size() > MaxU29 >> 1)
            return Unexpected(std::string("an array is too long to encode"));
        u29(uint32_t(node.elements.size()) << 1 | 1);
        if (auto r = members(node.members, depth + 1); !r)
            return r;
        for (const Value& element : node.elements)
            if (auto r = encode(element, depth + 1); !r)
                return r;
        return {};
    }
    case Node::Kind::Object:
    case Node::Kind::TypedObject: {
        // Inline traits: the sealed members' names, then their values, then
        // the dynamic members by name.
        const size_t sealed = std::min(node.sealedCount, node.members.size());
        if (sealed > MaxU29 >> 4)
            return Unexpected(std::string("a class has too many members to encode"));
        u29(uint32_t(sealed) << 4 | (node.dynamic ? 0x08 : 0) | 0x03);
        string(node.kind == Node::Kind::TypedObject ? node.className : std::string());
        for (size_t i = 0; i < sealed; ++i)
            string(node.members[i].first);
        for (size_t i = 0; i < sealed; ++i)
            if (auto r = encode(node.members[i].second, depth + 1); !r)
                return r;
        if (!node.dynamic)
            return {};
        return members(Members(node.members.begin() + long(sealed), node.members.end()), depth + 1);
    }
    }
    return {};
}

moviehost::Expected<void, std::string> Amf3Encoder::special(const Node& node, int depth) {
    auto count = [&](size_t n) -> bool {
        if (n > MaxU29 >> 1)
            return false;
        u29(uint32_t(n) << 1 | 1);
        return true;
    };
    switch (node.special) {
    case Node::Special::Xml:
    case Node::Special::XmlDocument:
        if (!count(node.bytes.size()))
            return Unexpected(std::string("an XML text is too long to encode"));
        m_out += node.bytes;
        return {};
    case Node::Special::IntVector:
    case Node::Special::UIntVector:
    case Node::Special::DoubleVector: {
        if (!count(node.numbers.size()))
            return Unexpected(std::string("a vector is too long to encode"));
        m_out.push_back(char(node.fixedVector ? 1 : 0));
        for (double d : node.numbers) {
            if (node.special == Node::Special::DoubleVector) {
                putDouble(m_out, d);
                continue;
            }
            const uint32_t bits = node.special == Node::Special::IntVector ? uint32_t(int32_t(d)) : uint32_t(d);
            for (int shift = 24; shift >= 0; shift -= 8)
                m_out.push_back(char(uint8_t(bits >> shift)));
        }
        return {};
    }
    case Node::Special::ObjectVector:
    case Node::Special::Dictionary: {
        const bool dictionary = node.special == Node::Special::Dictionary;
        if (!count(dictionary ? node.elements.size() / 2 : node.elements.size()))
            return Unexpected(std::string("a vector is too long to encode"));
        m_out.push_back(char(dictionary ? (node.weakKeys ? 1 : 0) : (node.fixedVector ? 1 : 0)));
        if (!dictionary)
            string(node.className);
        for (size_t i = 0; i < (dictionary ? node.elements.size() / 2 * 2 : node.elements.size()); ++i)
            if (auto r = encode(node.elements[i], depth + 1); !r)
                return r;
        return {};
    }
    case Node::Special::External:
        u29(0x07);
        string(node.className);
        m_out += node.bytes;
        return {};
    case Node::Special::None:
        break;
    }
    return {};
}

Amf3Decoder::Amf3Decoder(std::string_view bytes, Graph& graph, DecodeLimits limits)
    : m_bytes(bytes), m_graph(graph), m_limits(limits) {}

moviehost::Expected<Value, std::string> Amf3Decoder::value() { return valueAt(0); }

moviehost::Expected<uint32_t, std::string> Amf3Decoder::u29() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (remaining() == 0)
            return Unexpected(std::string("the data ends inside a number"));
        const auto byte = uint8_t(m_bytes[m_position++]);
        if (i == 3)
            return v << 8 | byte;
        v = v << 7 | (byte & 0x7F);
        if (!(byte & 0x80))
            return v;
    }
    return v;
}

bool Amf3Decoder::spend(size_t bytes) {
    m_textBytes += bytes;
    return m_textBytes <= MaxTextBytes;
}

moviehost::Expected<double, std::string> Amf3Decoder::readDouble() {
    if (remaining() < 8)
        return Unexpected(std::string("the data ends inside a number"));
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | uint8_t(m_bytes[m_position++]);
    return std::bit_cast<double>(bits);
}

moviehost::Expected<std::string, std::string> Amf3Decoder::string() {
    auto header = u29();
    if (!header)
        return Unexpected(header.error());
    if (!(*header & 1)) {
        if ((*header >> 1) >= m_strings.size())
            return Unexpected("a string reference " + std::to_string(*header >> 1) + " names no string read");
        if (!spend(m_strings[*header >> 1].size()))
            return Unexpected(std::string("the data's strings are too long"));
        return m_strings[*header >> 1];
    }
    const size_t length = *header >> 1;
    if (length > remaining())
        return Unexpected("a string of " + std::to_string(length) + " bytes is longer than the data");
    std::string text(m_bytes.substr(m_position, length));
    m_position += length;
    if (!text.empty())
        m_strings.push_back(text);
    return text;
}

moviehost::Expected<uint32_t, std::string> Amf3Decoder::addNode(Node node) {
    if (m_graph.nodes.size() >= m_limits.maxNodes)
        return Unexpected(std::string("the data has too many objects"));
    const uint32_t index = m_graph.add(std::move(node));
    m_objects.push_back(Value::ofNode(index));
    return index;
}

moviehost::Expected<Value, std::string> Amf3Decoder::valueAt(int depth) {
    if (depth > m_limits.maxDepth)
        return Unexpected("the data is nested deeper than " + std::to_string(m_limits.maxDepth) + " levels");
    if (remaining() == 0)
        return Unexpected(std::string("the data ends where a value was expected"));
    const auto marker = uint8_t(m_bytes[m_position++]);
    switch (marker) {
    case UndefinedMarker:
        return Value{};
    case NullMarker:
        return Value::ofNull();
    case FalseMarker:
    case TrueMarker:
        return Value::ofBoolean(marker == TrueMarker);
    case IntegerMarker: {
        auto v = u29();
        if (!v)
            return Unexpected(v.error());
        // Sign-extend the 29 bits.
        return Value::ofNumber(double(int32_t(*v << 3) >> 3));
    }
    case DoubleMarker: {
        auto d = readDouble();
        if (!d)
            return Unexpected(d.error());
        return Value::ofNumber(*d);
    }
    case StringMarker: {
        auto text = string();
        if (!text)
            return Unexpected(text.error());
        return Value::ofString(std::move(*text));
    }
    case DateMarker: {
        auto header = u29();
        if (!header)
            return Unexpected(header.error());
        if (!(*header & 1)) {
            if ((*header >> 1) >= m_objects.size() || m_objects[*header >> 1].type != Type::Date)
                return Unexpected(std::string("a date reference names no date read"));
            return m_objects[*header >> 1];
        }
        auto ms = readDouble();
        if (!ms)
            return Unexpected(ms.error());
        m_objects.push_back(Value::ofDate(*ms));
        return m_objects.back();
    }
    case ArrayMarker:
    case ObjectMarker:
    case ByteArrayMarker: {
        auto header = u29();
        if (!header)
            return Unexpected(header.error());
        if (!(*header & 1)) {
            const uint32_t ref = *header >> 1;
            if (ref >= m_objects.size() || m_objects[ref].type != Type::Complex)
                return Unexpected("an object reference " + std::to_string(ref) + " names no object read");
            return m_objects[ref];
        }
        if (marker == ArrayMarker)
            return array(*header, depth);
        if (marker == ObjectMarker)
            return object(*header, depth);
        const size_t length = *header >> 1;
        if (length > remaining())
            return Unexpected("a byte array of " + std::to_string(length) + " bytes is longer than the data");
        Node node;
        node.byteArray = true;
        node.bytes.assign(m_bytes.substr(m_position, length));
        m_position += length;
        auto index = addNode(std::move(node));
        if (!index)
            return Unexpected(index.error());
        return Value::ofNode(*index);
    }
    case XmlDocMarker:
    case XmlMarker:
    case VectorIntMarker:
    case VectorUIntMarker:
    case VectorDoubleMarker:
    case VectorObjectMarker:
    case DictionaryMarker: {
        auto header = u29();
        if (!header)
            return Unexpected(header.error());
        if (!(*header & 1)) {
            const uint32_t ref = *header >> 1;
            if (ref >= m_objects.size() || m_objects[ref].type != Type::Complex)
                return Unexpected("an object reference " + std::to_string(ref) + " names no object read");
            return m_objects[ref];
        }
        if (marker == DictionaryMarker)
            return dictionary(*header, depth);
        if (marker != XmlMarker && marker != XmlDocMarker)
            return vector(marker, *header, depth);
        const size_t length = *header >> 1;
        if (length > remaining())
            return Unexpected("an XML text of " + std::to_string(length) + " bytes is longer than the data");
        Node node;
        node.special = marker == XmlMarker ? Node::Special::Xml : Node::Special::XmlDocument;
        node.bytes.assign(m_bytes.substr(m_position, length));
        m_position += length;
        auto index = addNode(std::move(node));
        if (!index)
            return Unexpected(index.error());
        return Value::ofNode(*index);
    }
    default:
        return Unexpected("unknown AMF3 marker " + std::to_string(marker));
    }
}

moviehost::Expected<Value, std::string> Amf3Decoder::array(uint32_t header, int depth) {
    const size_t dense = header >> 1;
    // Each element takes at least one byte.
    if (dense > remaining())
        return Unexpected("an array of " + std::to_string(dense) + " elements is longer than the data");
    Node start;
    start.kind = Node::Kind::StrictArray;
    auto index = addNode(std::move(start));
    if (!index)
        return Unexpected(index.error());
    // The node is filled in place after its members are read: reading may
    // add nodes and move the graph's storage.
    Members named;
    for (;;) {
        auto name = string();
        if (!name)
            return Unexpected(name.error());
        if (name->empty())
            break;
        auto v = valueAt(depth + 1);
        if (!v)
            return Unexpected(v.error());
        named.emplace_back(std::move(*name), std::move(*v));
    }
    std::vector<Value> elements;
    elements.reserve(dense);
    for (size_t i = 0; i < dense; ++i) {
        auto v = valueAt(depth + 1);
        if (!v)
            return Unexpected(v.error());
        elements.push_back(std::move(*v));
    }
    m_graph.nodes[*index].members = std::move(named);
    m_graph.nodes[*index].elements = std::move(elements);
    return Value::ofNode(*index);
}

moviehost::Expected<Value, std::string> Amf3Decoder::vector(uint8_t marker, uint32_t header, int depth) {
    const size_t count = header >> 1;
    const size_t width = marker == VectorIntMarker || marker == VectorUIntMarker ? 4
                         : marker == VectorDoubleMarker                          ? 8
                                                                                 : 1;
    if (remaining() < 1 || count > (remaining() - 1) / width)
        return Unexpected("a vector of " + std::to_string(count) + " elements is longer than the data");
    Node start;
    start.kind = Node::Kind::StrictArray;
    start.fixedVector = m_bytes[m_position++] != 0;
    if (marker == VectorObjectMarker) {
        auto type = string();
        if (!type)
            return Unexpected(type.error());
        start.special = Node::Special::ObjectVector;
        start.className = std::move(*type);
        auto index = addNode(std::move(start));
        if (!index)
            return Unexpected(index.error());
        std::vector<Value> elements;
        for (size_t i = 0; i < count; ++i) {
            auto v = valueAt(depth + 1);
            if (!v)
                return Unexpected(v.error());
            elements.push_back(std::move(*v));
        }
        m_graph.nodes[*index].elements = std::move(elements);
        return Value::ofNode(*index);
    }
    start.special = marker == VectorIntMarker    ? Node::Special::IntVector
                    : marker == VectorUIntMarker ? Node::Special::UIntVector
                                                 : Node::Special::DoubleVector;
    start.numbers.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (marker == VectorDoubleMarker) {
            auto d = readDouble();
            if (!d)
                return Unexpected(d.error());
            start.numbers.push_back(*d);
            continue;
        }
        uint32_t bits = 0;
        for (int b = 0; b < 4; ++b)
            bits = bits << 8 | uint8_t(m_bytes[m_position++]);
        start.numbers.push_back(marker == VectorIntMarker ? double(int32_t(bits)) : double(bits));
    }
    auto index = addNode(std::move(start));
    if (!index)
        return Unexpected(index.error());
    return Value::ofNode(*index);
}

moviehost::Expected<Value, std::string> Amf3Decoder::dictionary(uint32_t header, int depth) {
    const size_t count = header >> 1;
    // Each pair takes at least two bytes, after the weak-keys byte.
    if (remaining() < 1 || count > (remaining() - 1) / 2)
        return Unexpected("a dictionary of " + std::to_string(count) + " entries is longer than the data");
    Node start;
    start.special = Node::Special::Dictionary;
    start.weakKeys = m_bytes[m_position++] != 0;
    auto index = addNode(std::move(start));
    if (!index)
        return Unexpected(index.error());
    std::vector<Value> elements;
    for (size_t i = 0; i < count * 2; ++i) {
        auto v = valueAt(depth + 1);
        if (!v)
            return Unexpected(v.error());
        elements.push_back(std::move(*v));
    }
    m_graph.nodes[*index].elements = std::move(elements);
    return Value::ofNode(*index);
}

moviehost::Expected<Value, std::string> Amf3Decoder::object(uint32_t header, int depth) {
    ClassTraits traits;
    if (!(header & 2)) {
        if ((header >> 2) >= m_traits.size())
            return Unexpected("a traits reference " + std::to_string(header >> 2) + " names no traits read");
        traits = m_traits[header >> 2];
    } else if (header & 4) {
        auto name = string();
        if (!name)
            return Unexpected(name.error());
        traits.className = std::move(*name);
        traits.external = true;
        m_traits.push_back(traits);
    } else {
        traits.dynamic = (header & 8) != 0;
        const size_t sealed = header >> 4;
        if (sealed > remaining())
            return Unexpected(std::string("a class declares more members than the data holds"));
        auto name = string();
        if (!name)
            return Unexpected(name.error());
        traits.className = std::move(*name);
        for (size_t i = 0; i < sealed; ++i) {
            auto member = string();
            if (!member)
                return Unexpected(member.error());
            traits.sealed.push_back(std::move(*member));
        }
        m_traits.push_back(traits);
    }
    Node start;
    start.kind = traits.className.empty() ? Node::Kind::Object : Node::Kind::TypedObject;
    start.className = traits.className;
    start.sealedCount = traits.sealed.size();
    start.dynamic = traits.dynamic;
    if (traits.external) {
        if (!m_externalReader)
            return Unexpected("the data of externalizable class " + traits.className + " cannot be read here");
        start.special = Node::Special::External;
        auto index = addNode(std::move(start));
        if (!index)
            return Unexpected(index.error());
        auto read = m_externalReader(traits.className, m_position);
        if (!read)
            return Unexpected(read.error());
        if (read->consumed > remaining())
            return Unexpected("class " + traits.className + " read past the end of the data");
        m_position += read->consumed;
        m_graph.nodes[*index].external = read->handle;
        return Value::ofNode(*index);
    }
    auto index = addNode(std::move(start));
    if (!index)
        return Unexpected(index.error());
    Members members;
    for (const std::string& name : traits.sealed) {
        if (!spend(name.size()))
            return Unexpected(std::string("the data's strings are too long"));
        auto v = valueAt(depth + 1);
        if (!v)
            return Unexpected(v.error());
        members.emplace_back(name, std::move(*v));
    }
    while (traits.dynamic) {
        auto name = string();
        if (!name)
            return Unexpected(name.error());
        if (name->empty())
            break;
        auto v = valueAt(depth + 1);
        if (!v)
            return Unexpected(v.error());
        members.emplace_back(std::move(*name), std::move(*v));
    }
    m_graph.nodes[*index].members = std::move(members);
    return Value::ofNode(*index);
}

}  // namespace amf
