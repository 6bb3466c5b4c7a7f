#include "amf/amf0.h"
#include "amf/sol_file.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using amf::Graph;
using amf::Node;
using amf::Value;

std::string encode(const Graph& graph, const Value& value) {
    std::string out;
    amf::Encoder encoder(graph, out);
    EXPECT_TRUE(encoder.value(value));
    return out;
}

TEST(Amf0, EncodesScalarsAsTheFormatWritesThem) {
    const Graph graph;
    struct Case {
        Value value;
        std::string bytes;
    } cases[] = {
        {Value::ofNumber(1.5), std::string("\x00\x3F\xF8\x00\x00\x00\x00\x00\x00", 9)},
        {Value::ofBoolean(true), std::string("\x01\x01", 2)},
        {Value::ofString("hi"), std::string("\x02\x00\x02hi", 5)},
        {Value::ofNull(), std::string("\x05", 1)},
        {Value{}, std::string("\x06", 1)},
        {Value::ofDate(0), std::string("\x0B\0\0\0\0\0\0\0\0\0\0", 11)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encode(graph, c.value), c.bytes);
    const std::string longText(70000, 'a');
    const std::string bytes = encode(graph, Value::ofString(longText));
    EXPECT_EQ(bytes.substr(0, 5), std::string("\x0C\x00\x01\x11\x70", 5));
}

// Builds {a:1, list:[true, <the object itself>], typed:Point{x:"y"}, map:ECMA{k:null}}.
Graph sampleGraph(uint32_t& root) {
    Graph graph;
    root = graph.add(Node{});
    const uint32_t list =
        graph.add(Node{Node::Kind::StrictArray, {}, {}, {Value::ofBoolean(true), Value::ofNode(root)}});
    const uint32_t typed = graph.add(Node{Node::Kind::TypedObject, "Point", {{"x", Value::ofString("y")}}, {}});
    const uint32_t map = graph.add(Node{Node::Kind::EcmaArray, {}, {{"k", Value::ofNull()}}, {}});
    graph.nodes[root].members = {{"a", Value::ofNumber(1)},
                                 {"list", Value::ofNode(list)},
                                 {"typed", Value::ofNode(typed)},
                                 {"map", Value::ofNode(map)},
                                 {"again", Value::ofNode(typed)}};
    return graph;
}

TEST(Amf0, ComplexValuesRoundTripWithReferences) {
    uint32_t root = 0;
    const Graph graph = sampleGraph(root);
    const std::string bytes = encode(graph, Value::ofNode(root));
    Graph decoded;
    amf::Decoder decoder(bytes, decoded);
    auto value = decoder.value();
    ASSERT_TRUE(value) << value.error();
    EXPECT_EQ(decoder.remaining(), 0u);
    const Node& object = decoded.nodes[value->node];
    ASSERT_EQ(object.members.size(), 5u);
    EXPECT_EQ(object.members[0].second.number, 1);
    const Node& list = decoded.nodes[object.members[1].second.node];
    ASSERT_EQ(list.elements.size(), 2u);
    EXPECT_EQ(list.elements[1].node, value->node);  // the cycle comes back as itself
    const Node& typed = decoded.nodes[object.members[2].second.node];
    EXPECT_EQ(typed.kind, Node::Kind::TypedObject);
    EXPECT_EQ(typed.className, "Point");
    EXPECT_EQ(decoded.nodes[object.members[3].second.node].kind, Node::Kind::EcmaArray);
    EXPECT_EQ(object.members[4].second.node, object.members[2].second.node);  // shared, not copied
    EXPECT_EQ(decoded.nodes.size(), 4u);
}

TEST(Amf0, HostileInputFailsWithAReason) {
    std::string deep;
    for (int i = 0; i < 200; ++i)
        deep += "\x0A\x00\x00\x00\x01";
    const std::string cases[] = {
        std::string("\x00\x3F\xF8", 3),                   // truncated number
        std::string("\x02\x00\x09hi", 5),                 // string longer than the data
        std::string("\x0C\xFF\xFF\xFF\xFF", 5),           // long string claiming 4 GiB
        std::string("\x0A\x7F\xFF\xFF\xFF\x05", 6),       // array claiming two billion elements
        std::string("\x07\x00\x00", 3),                   // reference before any object
        std::string("\x03\x00\x01x\x05\x00\x00\x05", 8),  // members end with no end marker
        std::string("\x03\x00\x01x\x05", 5),              // object never closed
        std::string("\x11", 1),                           // switch to a newer encoding
        std::string("\x04", 1),                           // movie clip: not data
        std::string("\x10\x00\x05Po", 5),                 // typed object with a cut name
        deep,                                             // nesting beyond the limit
        std::string(),
    };
    for (const auto& bytes : cases) {
        Graph graph;
        amf::Decoder decoder(bytes, graph);
        auto value = decoder.value();
        EXPECT_FALSE(value) << "case of " << bytes.size() << " bytes";
        if (!value) {
            EXPECT_FALSE(value.error().empty());
        }
    }
}

TEST(Amf0, EncoderRefusesTooDeepAndDanglingValues) {
    Graph graph;
    uint32_t previous = graph.add(Node{});
    for (int i = 0; i < 100; ++i)
        previous = graph.add(Node{Node::Kind::Object, {}, {{"next", Value::ofNode(previous)}}, {}});
    std::string out;
    amf::Encoder encoder(graph, out);
    EXPECT_FALSE(encoder.value(Value::ofNode(previous)));
    EXPECT_FALSE(encoder.value(Value::ofNode(9999)));
}

TEST(SolFile, RoundTripsAndRejectsDamage) {
    amf::SolFile file;
    file.name = "scores";
    uint32_t root = 0;
    file.graph = sampleGraph(root);
    file.members = {{"best", Value::ofNumber(42)}, {"state", Value::ofNode(root)}, {"who", Value::ofString("me")}};
    auto bytes = amf::encodeSol(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->substr(0, 2), std::string("\x00\xBF", 2));
    EXPECT_EQ(bytes->substr(6, 4), "TCSO");
    auto decoded = amf::decodeSol(*bytes);
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded->name, "scores");
    ASSERT_EQ(decoded->members.size(), 3u);
    EXPECT_EQ(decoded->members[2].second.text, "me");
    // References run across the members of one file.
    amf::SolFile shared = file;
    shared.members = {{"a", Value::ofNode(root)}, {"b", Value::ofNode(root)}};
    auto sharedBytes = amf::encodeSol(shared);
    ASSERT_TRUE(sharedBytes);
    auto sharedBack = amf::decodeSol(*sharedBytes);
    ASSERT_TRUE(sharedBack);
    EXPECT_EQ(sharedBack->members[0].second.node, sharedBack->members[1].second.node);

    for (size_t cut : {size_t(0), size_t(5), size_t(17), bytes->size() - 1}) {
        std::string damaged = bytes->substr(0, cut);
        EXPECT_FALSE(amf::decodeSol(damaged)) << cut;
    }
    std::string wrongLength = *bytes;
    wrongLength[5] = char(wrongLength[5] + 1);
    EXPECT_FALSE(amf::decodeSol(wrongLength));
    std::string amf3 = *bytes;
    amf3[16 + 2 + 6 + 3] = 3;  // the version field after the name
    EXPECT_FALSE(amf::decodeSol(amf3));
}

}  // namespace
