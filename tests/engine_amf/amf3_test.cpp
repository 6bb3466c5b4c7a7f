#include "amf/amf3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using amf::Graph;
using amf::Node;
using amf::Value;

std::string encode(const Graph& graph, const Value& value) {
    std::string out;
    amf::Amf3Encoder encoder(graph, out);
    EXPECT_TRUE(encoder.value(value));
    return out;
}

TEST(Amf3, EncodesScalarsAsTheFormatWritesThem) {
    const Graph graph;
    struct Case {
        Value value;
        std::string bytes;
    } cases[] = {
        {Value{}, std::string("\x00", 1)},
        {Value::ofNull(), std::string("\x01", 1)},
        {Value::ofBoolean(false), std::string("\x02", 1)},
        {Value::ofBoolean(true), std::string("\x03", 1)},
        {Value::ofNumber(5), std::string("\x04\x05", 2)},
        {Value::ofNumber(200), std::string("\x04\x81\x48", 3)},
        {Value::ofNumber(-1), std::string("\x04\xFF\xFF\xFF\xFF", 5)},
        {Value::ofNumber(268435456), std::string("\x05\x41\xB0\x00\x00\x00\x00\x00\x00", 9)},  // past 29 bits
        {Value::ofNumber(1.5), std::string("\x05\x3F\xF8\x00\x00\x00\x00\x00\x00", 9)},
        {Value::ofString("hi"), std::string("\x06\x05hi", 4)},
        {Value::ofString(""), std::string("\x06\x01", 2)},
        {Value::ofDate(0), std::string("\x08\x01\0\0\0\0\0\0\0\0", 10)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encode(graph, c.value), c.bytes) << c.value.number;
}

// Encodes, decodes and encodes again: the bytes must match, and the
// decoded graph must keep shared nodes shared.
TEST(Amf3, RoundTripsSharedAndCyclicGraphs) {
    Graph graph;
    const uint32_t inner = graph.add(Node{.kind = Node::Kind::Object, .members = {{"k", Value::ofString("text")}}});
    const uint32_t bytes = graph.add(Node{.byteArray = true, .bytes = std::string("\x00\xFF", 2)});
    const uint32_t array = graph.add(
        Node{.kind = Node::Kind::StrictArray,
             .members = {{"name", Value::ofString("text")}},
             .elements = {Value::ofNode(inner), Value::ofNode(inner), Value::ofNode(bytes), Value::ofNumber(-7.25)}});
    const uint32_t typed = graph.add(Node{.kind = Node::Kind::TypedObject, .className = "com.Point"});
    graph.nodes[typed].members = {{"self", Value::ofNode(typed)}, {"list", Value::ofNode(array)}};
    const std::string first = encode(graph, Value::ofNode(typed));

    Graph decoded;
    amf::Amf3Decoder decoder(first, decoded);
    auto root = decoder.value();
    ASSERT_TRUE(root) << root.error();
    EXPECT_EQ(decoder.remaining(), 0u);
    EXPECT_EQ(encode(decoded, *root), first);
    const Node& point = decoded.nodes[root->node];
    EXPECT_EQ(point.className, "com.Point");
    ASSERT_EQ(point.members.size(), 2u);
    EXPECT_EQ(point.members[0].second.node, root->node);  // the cycle closes
    const Node& list = decoded.nodes[point.members[1].second.node];
    ASSERT_EQ(list.elements.size(), 4u);
    EXPECT_EQ(list.elements[0].node, list.elements[1].node);
    EXPECT_EQ(decoded.nodes[list.elements[2].node].bytes, std::string("\x00\xFF", 2));
    EXPECT_EQ(list.members[0].second.text, "text");  // by reference to the string table
}

TEST(Amf3, ReadsSealedMembersAndTraitsReferences) {
    // Two objects of one class with a sealed member "x"; the second names
    // the first's traits by reference.
    const std::string bytes(
        "\x09\x05\x01"                // array of 2, no names
        "\x0A\x13\x03P\x03x\x04\x01"  // traits: 1 sealed, className "P", member "x" = 1
        "\x0A\x01\x04\x02",           // traits reference 0, x = 2
        15);
    Graph graph;
    amf::Amf3Decoder decoder(bytes, graph);
    auto root = decoder.value();
    ASSERT_TRUE(root) << root.error();
    const Node& list = graph.nodes[root->node];
    ASSERT_EQ(list.elements.size(), 2u);
    const Node& second = graph.nodes[list.elements[1].node];
    EXPECT_EQ(second.className, "P");
    ASSERT_EQ(second.members.size(), 1u);
    EXPECT_EQ(second.members[0].first, "x");
    EXPECT_EQ(second.members[0].second.number, 2);
}

TEST(Amf3, RefusesMalformedInput) {
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += std::string("\x09\x03\x01", 3);
    deep += '\x01';
    // An array of 8192: one 64 KiB string, then references to it (512 MiB
    // of text from 80 KiB of data).
    std::string copies = std::string("\x09\x81\x80\x01\x01", 5) + "\x06\x88\x80\x01" + std::string(65536, 'a');
    for (int i = 0; i < 8191; ++i)
        copies += std::string("\x06\x00", 2);
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"Empty", "", "ends where a value"},
        {"UnknownMarker", "\x20", "unknown AMF3 marker"},
        {"XmlPastEnd",
         "\x0B\x05"
         "a",
         "longer than the data"},
        {"TruncatedInteger", "\x04\x80", "ends inside a number"},
        {"TruncatedDouble", "\x05\x00\x00", "ends inside a number"},
        {"StringLongerThanData",
         "\x06\x09"
         "ab",
         "longer than the data"},
        {"StringReferenceUnread", std::string("\x06\x02", 2), "names no string"},
        {"ObjectReferenceUnread", std::string("\x0A\x00", 2), "names no object"},
        {"ReferenceToADateAsObject", std::string("\x09\x05\x01\x08\x01\0\0\0\0\0\0\0\0\x0A\x02", 16),
         "names no object"},
        {"TraitsReferenceUnread", std::string("\x0A\x05", 2), "traits reference"},
        {"Externalizable", std::string("\x0A\x07\x01", 3), "externalizable"},
        {"HugeArrayCount", "\x09\xBF\xFF\xFF\xFF\x01", "longer than the data"},
        {"HugeSealedCount", "\x0A\xBF\xFF\xFF\xF3\x01", "more members"},
        {"ByteArrayPastEnd", "\x0C\x07\x01", "longer than the data"},
        {"TooDeep", deep, "nested deeper"},
        {"RepeatedLongString", copies, "too long"},
    };
    for (const Case& c : cases) {
        Graph graph;
        amf::Amf3Decoder decoder(c.bytes, graph);
        auto v = decoder.value();
        ASSERT_FALSE(v) << c.name;
        EXPECT_NE(v.error().find(c.reason), std::string::npos) << c.name << ": " << v.error();
    }
}

}  // namespace
