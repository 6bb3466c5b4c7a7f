// Values in the format's AMF3 encoding (ByteArray.writeObject, the
// ActionScript 3 network classes), over the same graph as AMF0.
//
// Strings, complex values and class traits are sent once and then named by
// reference, so the decoder keeps the three tables the encoding defines.
// It is bounded like the AMF0 one: depth and node count are limited, every
// length and count is checked against the bytes that remain, references
// must name an entry already read, and anything it does not know fails
// with a reason. An externalizable object's data is the class's own, so
// only the caller's reader (which runs the class's readExternal) can say
// where it ends; without one such data fails.
#pragma once

#include "amf/amf0.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace amf {

class Amf3Encoder {
public:
    Amf3Encoder(const Graph& graph, std::string& out, int maxDepth = 64)
        : m_graph(graph), m_out(out), m_maxDepth(maxDepth) {}
    [[nodiscard]] moviehost::Expected<void, std::string> value(const Value& value) { return encode(value, 0); }

private:
    moviehost::Expected<void, std::string> encode(const Value& value, int depth);
    moviehost::Expected<void, std::string> members(const Members& list, int depth);
    void u29(uint32_t value);
    void string(const std::string& text);
    moviehost::Expected<void, std::string> special(const Node& node, int depth);

    const Graph& m_graph;
    std::string& m_out;
    int m_maxDepth = 64;
    std::unordered_map<std::string, uint32_t> m_strings;
    std::unordered_map<uint32_t, uint32_t> m_objects;  // node -> reference index
    uint32_t m_objectCount = 0;
};

class Amf3Decoder {
public:
    Amf3Decoder(std::string_view bytes, Graph& graph, DecodeLimits limits = {});
    [[nodiscard]] moviehost::Expected<Value, std::string> value();
    [[nodiscard]] size_t remaining() const { return m_bytes.size() - m_position; }
    // Reads an externalizable object of a class from `offset` (counted from
    // the start of the decoder's bytes): the handle it made and how many
    // bytes it read.
    struct External {
        uint32_t handle = 0;
        size_t consumed = 0;
    };
    using ExternalReader =
        std::function<moviehost::Expected<External, std::string>(const std::string& className, size_t offset)>;
    void setExternalReader(ExternalReader reader) { m_externalReader = std::move(reader); }

private:
    struct ClassTraits {
        std::string className;
        bool dynamic = false;
        bool external = false;
        std::vector<std::string> sealed;
    };
    moviehost::Expected<Value, std::string> valueAt(int depth);
    moviehost::Expected<uint32_t, std::string> u29();
    moviehost::Expected<double, std::string> readDouble();
    moviehost::Expected<std::string, std::string> string();
    moviehost::Expected<Value, std::string> object(uint32_t header, int depth);
    moviehost::Expected<Value, std::string> array(uint32_t header, int depth);
    moviehost::Expected<Value, std::string> vector(uint8_t marker, uint32_t header, int depth);
    moviehost::Expected<Value, std::string> dictionary(uint32_t header, int depth);
    moviehost::Expected<uint32_t, std::string> addNode(Node node);
    // Counts text a reference copies: a long string named many times must
    // not multiply into unbounded memory.
    [[nodiscard]] bool spend(size_t bytes);

    std::string_view m_bytes;
    size_t m_position = 0;
    Graph& m_graph;
    DecodeLimits m_limits;
    std::vector<std::string> m_strings;
    std::vector<Value> m_objects;  // complex values and dates, in the order they were read
    std::vector<ClassTraits> m_traits;
    size_t m_textBytes = 0;
    ExternalReader m_externalReader;
};

}  // namespace amf
