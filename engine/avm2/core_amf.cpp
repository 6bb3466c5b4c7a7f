// ByteArray.readObject and writeObject: script values to and from the AMF
// graph (engine/amf), in AMF3 or, when objectEncoding is 0, AMF0. Shared and
// cyclic objects stay shared through the graph's references; depth and size
// are bounded by the codecs and by the heap limit.
#include "amf/amf0.h"
#include "amf/amf3.h"
#include "avm2/amf_values.h"
#include "avm2/byte_array.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/vector.h"

#include <unordered_map>

namespace avm2 {

namespace {

constexpr int MaxDepth = 64;

ByteArrayState& bytesOf(Machine& m, Value self) {
    auto* s = self.isObject() ? self.asObject()->nativeAs<ByteArrayState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.utils.ByteArray.");
    return *s;
}

// The class default, kept on the ByteArray class.
struct EncodingDefault final : NativeState {
    uint32_t encoding = 3;
};

EncodingDefault& encodingDefault(Machine& m) {
    ClassObject* c = m.coreClass(u"flash.utils", u"ByteArray");
    if (!c->nativeAs<EncodingDefault>())
        c->setNativeState(std::make_unique<EncodingDefault>());
    return *c->nativeAs<EncodingDefault>();
}

uint32_t encodingArgument(Machine& m, std::span<const Value> args) {
    const uint32_t e = toUInt32(m.toNumber(argument(args, 0)));
    if (e != 0 && e != 3)
        m.throwError("ArgumentError", 2008, u"Parameter objectEncoding must be one of the accepted values.");
    return e;
}

// Script values into a graph; objects seen before become the same node.
class ToGraph {
public:
    explicit ToGraph(Machine& m) : m_m(m) {}
    amf::Graph graph;

    amf::Value convert(Value v, int depth) {
        switch (v.tag()) {
        case Tag::Undefined:
            return amf::Value{};
        case Tag::Null:
            return amf::Value::ofNull();
        case Tag::Boolean:
            return amf::Value::ofBoolean(v.asBoolean());
        case Tag::Int:
        case Tag::UInt:
        case Tag::Number:
            return amf::Value::ofNumber(v.numeric());
        case Tag::String:
            return amf::Value::ofString(utf16ToUtf8(v.asString()->text()));
        case Tag::Namespace:
            return amf::Value::ofString(utf16ToUtf8(v.asNamespace()->uri()));
        case Tag::Object:
            break;
        }
        Object* o = v.asObject();
        if (auto it = m_seen.find(o); it != m_seen.end())
            return amf::Value::ofNode(it->second);
        if (dynamic_cast<FunctionObject*>(o) || dynamic_cast<NativeFunction*>(o) || dynamic_cast<ClassObject*>(o) ||
            dynamic_cast<MethodClosure*>(o))
            return amf::Value{};
        if (depth >= MaxDepth)
            m_m.throwError("Error", 1023, u"Stack overflow occurred.");
        const uint32_t index = graph.add(amf::Node{});
        m_seen.emplace(o, index);
        amf::Node node;
        if (const ByteArrayState* bytes = o->nativeAs<ByteArrayState>()) {
            node.byteArray = true;
            node.bytes.assign(bytes->bytes.begin(), bytes->bytes.end());
        } else if (auto* a = dynamic_cast<ArrayObject*>(o)) {
            node.kind = amf::Node::Kind::StrictArray;
            for (const Value& e : a->elements())
                node.elements.push_back(convert(e, depth + 1));
        } else if (VectorObject* vec = asVector(v)) {
            node.kind = amf::Node::Kind::StrictArray;
            for (size_t i = 0; i < vec->size(); ++i)
                node.elements.push_back(convert(vec->get(i), depth + 1));
        } else {
            // A class's public variables, then the dynamic properties.
            if (o->traits()) {
                for (const auto& [name, b] : o->traits()->bindings) {
                    if ((b.kind == Binding::Kind::Slot || b.kind == Binding::Kind::Const) && name.ns->isPublicRoot())
                        node.members.emplace_back(utf16ToUtf8(name.name->text()), convert(o->slot(b.slot), depth + 1));
                }
            }
        }
        if (!node.byteArray) {
            for (size_t i = 0; i < o->dynamicCount(); ++i) {
                if (o->enumerableAt(i))
                    node.members.emplace_back(utf16ToUtf8(o->dynamicAt(i).first),
                                              convert(o->dynamicAt(i).second, depth + 1));
            }
        }
        graph.nodes[index] = std::move(node);
        return amf::Value::ofNode(index);
    }

private:
    Machine& m_m;
    std::unordered_map<const Object*, uint32_t> m_seen;
};

// A graph back into script values; each node becomes one object, made
// before its members so that cycles close.
class FromGraph {
public:
    FromGraph(Machine& m, const amf::Graph& graph) : m_m(m), m_graph(graph), m_made(graph.nodes.size()) {}
    ~FromGraph() { m_m.unpin(m_pinned); }
    FromGraph(const FromGraph&) = delete;
    FromGraph& operator=(const FromGraph&) = delete;

    Value convert(const amf::Value& v) {
        switch (v.type) {
        case amf::Type::Undefined:
            return Value();
        case amf::Type::Null:
            return Value::null();
        case amf::Type::Boolean:
            return Value::boolean(v.boolean);
        case amf::Type::Number:
            return Value::number(v.number);
        case amf::Type::String:
            return m_m.string(utf8ToUtf16(v.text));
        case amf::Type::Date: {
            // A Date when the library has one; its time value otherwise.
            const Value date = m_m.findDefinitionByName(u"Date");
            if (date.isObject()) {
                const Value ms[1] = {Value::number(v.number)};
                return m_m.construct(date, ms);
            }
            return Value::number(v.number);
        }
        case amf::Type::Complex:
            break;
        }
        if (m_made[v.node].isObject())
            return m_made[v.node];
        const amf::Node& node = m_graph.nodes[v.node];
        Object* o = nullptr;
        if (node.byteArray) {
            const Value made = m_m.construct(m_m.findDefinitionByName(u"flash.utils.ByteArray"), {});
            keep(v.node, made);
            ByteArrayState& bytes = bytesOf(m_m, made);
            resizeByteArray(m_m, bytes, node.bytes.size());
            std::copy(node.bytes.begin(), node.bytes.end(), bytes.bytes.begin());
            return made;
        }
        if (node.kind == amf::Node::Kind::StrictArray || node.kind == amf::Node::Kind::EcmaArray) {
            ArrayObject* a = m_m.newArray();
            keep(v.node, Value::object(a));
            for (const amf::Value& e : node.elements) {
                const Value x = convert(e);
                m_m.resizeArray(a, a->elements().size() + 1);
                a->elements().back() = x;
            }
            o = a;
        } else {
            o = m_m.newObject();
            keep(v.node, Value::object(o));
        }
        for (const auto& [name, member] : node.members) {
            const Value x = convert(member);
            uint32_t index = 0;
            auto* a = dynamic_cast<ArrayObject*>(o);
            const std::u16string key = utf8ToUtf16(name);
            if (a && arrayIndex(key, index) && index < m_m.limits().maxArrayLength) {
                if (index >= a->elements().size())
                    m_m.resizeArray(a, size_t(index) + 1);
                a->elements()[index] = x;
            } else {
                o->setOwn(key, x);
            }
        }
        return m_made[v.node];
    }

private:
    void keep(uint32_t node, Value v) {
        m_made[node] = v;
        m_m.pin(v);
        ++m_pinned;
    }

    Machine& m_m;
    const amf::Graph& m_graph;
    std::vector<Value> m_made;
    size_t m_pinned = 0;
};

}  // namespace

uint32_t defaultObjectEncoding(Machine& m) { return encodingDefault(m).encoding; }

amf::Members membersToAmf(Machine& m, Object* o, amf::Graph& graph) {
    ToGraph values(m);
    const amf::Value root = values.convert(Value::object(o), 0);
    graph = std::move(values.graph);
    if (root.type != amf::Type::Complex)
        return {};
    amf::Members members = std::move(graph.nodes[root.node].members);
    // An array's elements are members by index.
    for (size_t i = 0; i < graph.nodes[root.node].elements.size(); ++i)
        members.emplace_back(std::to_string(i), graph.nodes[root.node].elements[i]);
    return members;
}

void membersFromAmf(Machine& m, const amf::Graph& graph, const amf::Members& members, Object* into) {
    FromGraph values(m, graph);
    for (const auto& [name, member] : members)
        into->setOwn(utf8ToUtf16(name), values.convert(member));
}

Value byteArrayWriteObject(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = bytesOf(m, self);
    ToGraph graph(m);
    const amf::Value root = graph.convert(argument(args, 0), 0);
    std::string out;
    auto written = s.objectEncoding == 0 ? amf::Encoder(graph.graph, out, MaxDepth).value(root)
                                         : amf::Amf3Encoder(graph.graph, out, MaxDepth).value(root);
    if (!written)
        m.throwError("Error", 2004, u"One of the parameters is invalid (" + utf8ToUtf16(written.error()) + u").");
    if (out.size() > m.heap().limit() || s.position > m.heap().limit() - out.size())
        m.throwError("Error", 1000, u"The system is out of memory.");
    if (s.position + out.size() > s.bytes.size())
        resizeByteArray(m, s, s.position + out.size());
    std::copy(out.begin(), out.end(), s.bytes.begin() + long(s.position));
    s.position += out.size();
    return Value();
}

Value byteArrayReadObject(Machine& m, Value self, std::span<const Value>) {
    ByteArrayState& s = bytesOf(m, self);
    if (s.position >= s.bytes.size())
        m.throwError("flash.errors.EOFError", 2030, u"End of file was encountered.");
    const std::string_view rest(reinterpret_cast<const char*>(s.bytes.data()) + s.position,
                                s.bytes.size() - s.position);
    amf::Graph graph;
    // No more nodes than the heap could hold as objects.
    amf::DecodeLimits limits{.maxDepth = MaxDepth, .maxNodes = std::max<size_t>(1, m.heap().limit() / 256)};
    moviehost::Expected<amf::Value, std::string> root = amf::Value{};
    size_t left = 0;
    auto decode = [&](auto&& decoder) {
        root = decoder.value();
        left = decoder.remaining();
    };
    if (s.objectEncoding == 0)
        decode(amf::Decoder(rest, graph, limits));
    else
        decode(amf::Amf3Decoder(rest, graph, limits));
    if (!root)
        m.throwError("Error", 2006, u"The supplied index is out of bounds (" + utf8ToUtf16(root.error()) + u").");
    s.position = s.bytes.size() - left;
    FromGraph values(m, graph);
    return values.convert(*root);
}

Value byteArrayObjectEncoding(Machine& m, Value self, std::span<const Value>) {
    return Value::fromUInt(bytesOf(m, self).objectEncoding);
}

Value byteArraySetObjectEncoding(Machine& m, Value self, std::span<const Value> args) {
    bytesOf(m, self).objectEncoding = encodingArgument(m, args);
    return Value();
}

Value byteArrayDefaultObjectEncoding(Machine& m, Value, std::span<const Value>) {
    return Value::fromUInt(encodingDefault(m).encoding);
}

Value byteArraySetDefaultObjectEncoding(Machine& m, Value, std::span<const Value> args) {
    encodingDefault(m).encoding = encodingArgument(m, args);
    return Value();
}

}  // namespace avm2
