// Values in the format's AMF0 encoding, as shared objects store them (and as
// the network classes of both script machines exchange them).
//
// Complex values (objects, typed objects, ECMA and strict arrays) live in a
// Graph and are named by index, so that shared and cyclic structures survive a
// round trip as references without owning cycles. The decoder is bounded: its
// depth is limited, every count is checked against the bytes that remain, and
// anything it does not know fails with a reason.
#pragma once

#include "moviehost/expected.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace amf {

enum class Type { Undefined, Null, Number, Boolean, String, Date, Complex };

struct Value {
    Type type = Type::Undefined;
    double number = 0;  // Number, and a Date's milliseconds since 1970 (UTC)
    bool boolean = false;
    std::string text;
    uint32_t node = 0;     // Complex: index into the graph
    int16_t timezone = 0;  // Date: minutes, as written

    static Value ofNumber(double n) { return Value{Type::Number, n, false, {}, 0, 0}; }
    static Value ofBoolean(bool b) { return Value{Type::Boolean, 0, b, {}, 0, 0}; }
    static Value ofString(std::string s) { return Value{Type::String, 0, false, std::move(s), 0, 0}; }
    static Value ofNull() { return Value{Type::Null, 0, false, {}, 0, 0}; }
    static Value ofDate(double ms) { return Value{Type::Date, ms, false, {}, 0, 0}; }
    static Value ofNode(uint32_t index) { return Value{Type::Complex, 0, false, {}, index, 0}; }
};

using Members = std::vector<std::pair<std::string, Value>>;

struct Node {
    // An AMF3 array is a StrictArray whose members are its named part.
    enum class Kind { Object, TypedObject, EcmaArray, StrictArray };
    Kind kind = Kind::Object;
    std::string className = {};        // TypedObject
    Members members = {};              // Object, TypedObject, EcmaArray (and an AMF3 array's names)
    std::vector<Value> elements = {};  // StrictArray
    // An AMF3 byte array: an Object (empty to AMF0 and its readers) whose
    // contents are `bytes`.
    bool byteArray = false;
    std::string bytes = {};
    // The values only AMF3 carries; AMF0 writes such a node as its kind
    // (an empty object, or the elements of a strict array).
    enum class Special : uint8_t {
        None,
        Xml,           // E4X XML, its text in `bytes`
        XmlDocument,   // flash.xml.XMLDocument, its text in `bytes`
        IntVector,     // Vector.<int>, `numbers`
        UIntVector,    // Vector.<uint>, `numbers`
        DoubleVector,  // Vector.<Number>, `numbers`
        ObjectVector,  // Vector.<className>, `elements`
        Dictionary,    // keys and values alternating in `elements`
        External,      // an externalizable object of `className`: what it wrote, in `bytes`
    };
    Special special = Special::None;
    std::vector<double> numbers = {};
    bool fixedVector = false;
    bool weakKeys = false;
    // Object, TypedObject: the first sealedCount members are the class's
    // declared ones, the rest dynamic (when `dynamic`).
    size_t sealedCount = 0;
    bool dynamic = true;
    // External, read: the handle the reader's callback made for it.
    uint32_t external = 0;
};

struct Graph {
    std::vector<Node> nodes;
    uint32_t add(Node node) {
        nodes.push_back(std::move(node));
        return uint32_t(nodes.size() - 1);
    }
};

struct DecodeLimits {
    int maxDepth = 64;
    size_t maxNodes = 1 << 20;
};

// Appends encoded values to `out`. Nodes written before (by this encoder)
// become references, which keeps cycles finite; a graph deeper than maxDepth
// is refused.
class Encoder {
public:
    Encoder(const Graph& graph, std::string& out, int maxDepth = 64)
        : m_graph(graph), m_out(out), m_maxDepth(maxDepth) {}
    [[nodiscard]] moviehost::Expected<void, std::string> value(const Value& value) { return encode(value, 0); }

private:
    moviehost::Expected<void, std::string> encode(const Value& value, int depth);
    moviehost::Expected<void, std::string> members(const Members& list, int depth);

    const Graph& m_graph;
    std::string& m_out;
    int m_maxDepth = 64;
    std::unordered_map<uint32_t, uint16_t> m_written;
    uint32_t m_complexCount = 0;
};

// Reads values one at a time from a byte range into one graph; references
// count across the values of one reader, as in a shared object's file.
class Decoder {
public:
    Decoder(std::string_view bytes, Graph& graph, DecodeLimits limits = {});
    [[nodiscard]] moviehost::Expected<Value, std::string> value();
    [[nodiscard]] moviehost::Expected<std::string, std::string> shortString();  // u16 length + bytes
    [[nodiscard]] moviehost::Expected<uint8_t, std::string> byte();
    [[nodiscard]] size_t remaining() const { return m_bytes.size() - m_position; }

private:
    moviehost::Expected<Value, std::string> valueAt(int depth);
    moviehost::Expected<void, std::string> members(Members& out, int depth);
    bool take(size_t count, std::string_view& out);

    std::string_view m_bytes;
    size_t m_position = 0;
    Graph& m_graph;
    DecodeLimits m_limits;
    std::vector<uint32_t> m_references;  // complex values in the order they were read
};

}  // namespace amf
