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
#include "avm2/dictionary.h"
#include "avm2/e4x.h"
#include "avm2/vector.h"

#include <algorithm>
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

// The class default and the class aliases (registerClassAlias), kept on
// the ByteArray class.
struct EncodingDefault final : NativeState {
    uint32_t encoding = 3;
    std::unordered_map<std::u16string, ClassObject*> classes;  // by alias
    std::unordered_map<const ClassObject*, std::u16string> aliases;
    void trace(Tracer& tracer) const override {
        for (const auto& [alias, c] : classes)
            tracer.cell(c);
    }
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

// The class an object was made by, when a class made it.
ClassObject* classOf(const Object* o) {
    const Value* c = o->proto() ? o->proto()->findOwn(u"constructor") : nullptr;
    auto* cls = c && c->isObject() ? dynamic_cast<ClassObject*>(c->asObject()) : nullptr;
    return cls && cls->prototype() == o->proto() ? cls : nullptr;
}

// The public variables of a class and its read-write accessors, by name,
// as a typed object's sealed members.
std::vector<std::pair<const String*, const Binding*>> sealedMembers(const Object* o) {
    std::vector<std::pair<const String*, const Binding*>> out;
    if (!o->traits())
        return out;
    for (const auto& [name, b] : o->traits()->bindings) {
        if (!name.ns->isPublicRoot() || !name.name)
            continue;
        if (b.kind == Binding::Kind::Slot || b.kind == Binding::Kind::Const ||
            (b.kind == Binding::Kind::Accessor && b.getter && b.setter && b.getter.file))
            out.emplace_back(name.name, &b);
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first->text() < b.first->text(); });
    return out;
}

ClassObject* externalizable(Machine& m) { return m.coreClass(u"flash.utils", u"IExternalizable"); }

// Script values into a graph; objects seen before become the same node.
class ToGraph {
public:
    explicit ToGraph(Machine& m) : m_m(m) {}
    ~ToGraph() { m_m.unpin(m_held); }
    ToGraph(const ToGraph&) = delete;
    ToGraph& operator=(const ToGraph&) = delete;
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
        if (XmlObject* xml = asXml(v)) {
            node.special = amf::Node::Special::Xml;
            node.bytes = utf16ToUtf8(xmlToXmlString(m_m, Value::object(xml)));
            graph.nodes[index] = std::move(node);
            return amf::Value::ofNode(index);
        }
        if (const ByteArrayState* bytes = o->nativeAs<ByteArrayState>()) {
            node.byteArray = true;
            node.bytes.assign(bytes->bytes.begin(), bytes->bytes.end());
        } else if (auto* a = dynamic_cast<ArrayObject*>(o)) {
            node.kind = amf::Node::Kind::StrictArray;
            for (const Value& e : a->elements())
                node.elements.push_back(convert(e, depth + 1));
        } else if (VectorObject* vec = asVector(v)) {
            node.kind = amf::Node::Kind::StrictArray;
            node.fixedVector = vec->fixed();
            switch (vec->kind()) {
            case VectorKind::Int:
            case VectorKind::UInt:
            case VectorKind::Number:
                node.special = vec->kind() == VectorKind::Int    ? amf::Node::Special::IntVector
                               : vec->kind() == VectorKind::UInt ? amf::Node::Special::UIntVector
                                                                 : amf::Node::Special::DoubleVector;
                for (size_t i = 0; i < vec->size(); ++i)
                    node.numbers.push_back(vec->get(i).numeric());
                break;
            default:
                node.special = amf::Node::Special::ObjectVector;
                node.className = vec->elementClass() ? utf16ToUtf8(aliasOrName(vec->elementClass())) : "*";
                for (size_t i = 0; i < vec->size(); ++i)
                    node.elements.push_back(convert(vec->get(i), depth + 1));
            }
        } else if (auto* dictionary = dynamic_cast<DictionaryObject*>(o)) {
            node.special = amf::Node::Special::Dictionary;
            node.weakKeys = dictionary->weakKeys();
            for (size_t i = 0; i < dictionary->slotCount(); ++i) {
                if (!dictionary->liveAt(i))
                    continue;
                node.elements.push_back(convert(Value::object(dictionary->keyAt(i)), depth + 1));
                node.elements.push_back(convert(dictionary->valueAt(i), depth + 1));
            }
            for (size_t i = 0; i < o->dynamicCount(); ++i) {
                node.elements.push_back(amf::Value::ofString(utf16ToUtf8(o->dynamicAt(i).first)));
                node.elements.push_back(convert(o->dynamicAt(i).second, depth + 1));
            }
            graph.nodes[index] = std::move(node);
            return amf::Value::ofNode(index);
        } else if (ClassObject* cls = classOf(o); cls && encodingDefault(m_m).aliases.contains(cls)) {
            // A registered class: its alias, and either what it writes of
            // itself or its public variables as sealed members.
            node.kind = amf::Node::Kind::TypedObject;
            node.className = utf16ToUtf8(encodingDefault(m_m).aliases.at(cls));
            if (ClassObject* ext = externalizable(m_m); ext && m_m.isInstance(v, ext)) {
                node.special = amf::Node::Special::External;
                const Value out = m_m.construct(m_m.findDefinitionByName(u"flash.utils.ByteArray"), {});
                hold(out);
                const Value arg[1] = {out};
                m_m.callMember(v, u"writeExternal", arg);
                const ByteArrayState& written = bytesOf(m_m, out);
                node.bytes.assign(written.bytes.begin(), written.bytes.end());
                graph.nodes[index] = std::move(node);
                return amf::Value::ofNode(index);
            }
            for (const auto& [name, b] : sealedMembers(o)) {
                const Value x = b->kind == Binding::Kind::Accessor ? m_m.getMember(v, name->text()) : o->slot(b->slot);
                // Held to the end: an object seen is known by its address.
                hold(x);
                node.members.emplace_back(utf16ToUtf8(name->text()), convert(x, depth + 1));
            }
            node.sealedCount = node.members.size();
            node.dynamic = !cls->sealed();
        } else {
            // A class's public variables, then the dynamic properties.
            for (const auto& [name, b] : sealedMembers(o)) {
                if (b->kind != Binding::Kind::Accessor)
                    node.members.emplace_back(utf16ToUtf8(name->text()), convert(o->slot(b->slot), depth + 1));
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
    void hold(Value v) {
        m_m.pin(v);
        ++m_held;
    }

    std::u16string aliasOrName(const ClassObject* c) {
        const auto& aliases = encodingDefault(m_m).aliases;
        auto it = aliases.find(c);
        return it != aliases.end() ? it->second : c->displayName();
    }

    Machine& m_m;
    std::unordered_map<const Object*, uint32_t> m_seen;
    size_t m_held = 0;
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
        if (node.special != amf::Node::Special::None)
            return special(v.node, node);
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
        } else if (ClassObject* cls = aliased(node)) {
            // A registered class: made without arguments, then its members
            // set as a script would set them.
            const Value made = m_m.construct(Value::object(cls), {});
            keep(v.node, made);
            for (const auto& [name, member] : node.members) {
                const Value x = convert(member);
                m_m.setMember(made, utf8ToUtf16(name), x);
            }
            return made;
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

    // What the reader of externalizable data made, by handle.
    std::vector<Value>* externals = nullptr;

private:
    ClassObject* aliased(const amf::Node& node) {
        if (node.kind != amf::Node::Kind::TypedObject)
            return nullptr;
        const auto& classes = encodingDefault(m_m).classes;
        auto it = classes.find(utf8ToUtf16(node.className));
        return it != classes.end() ? it->second : nullptr;
    }

    // The element class a vector's type name denotes: an alias, a class
    // name, or none for "*".
    Value elementClass(const std::string& name) {
        if (name.empty() || name == "*")
            return Value::null();
        const auto& classes = encodingDefault(m_m).classes;
        if (auto it = classes.find(utf8ToUtf16(name)); it != classes.end())
            return Value::object(it->second);
        const Value found = m_m.findDefinitionByName(utf8ToUtf16(name));
        return found.isObject() && dynamic_cast<ClassObject*>(found.asObject()) ? found
                                                                                : m_m.findDefinitionByName(u"Object");
    }

    Value special(uint32_t index, const amf::Node& node) {
        using Special = amf::Node::Special;
        switch (node.special) {
        case Special::External:
            if (externals && node.external < externals->size())
                return (*externals)[node.external];
            return Value::null();
        case Special::Xml:
        case Special::XmlDocument: {
            // The class of the text when the library has it, the text otherwise.
            const Value text = m_m.string(utf8ToUtf16(node.bytes));
            Machine::Pin keepText(m_m, text);
            const Value cls =
                m_m.findDefinitionByName(node.special == Special::Xml ? u"XML" : u"flash.xml.XMLDocument");
            if (!cls.isObject())
                return text;
            const Value arg[1] = {text};
            const Value made = m_m.construct(cls, arg);
            keep(index, made);
            return made;
        }
        case Special::Dictionary: {
            const Value weak[1] = {Value::boolean(node.weakKeys)};
            const Value made = m_m.construct(m_m.findDefinitionByName(u"flash.utils.Dictionary"), weak);
            keep(index, made);
            auto* dictionary = dynamic_cast<DictionaryObject*>(made.asObject());
            for (size_t i = 0; dictionary && i + 1 < node.elements.size(); i += 2) {
                const Value key = convert(node.elements[i]);
                Machine::Pin keepKey(m_m, key);
                const Value x = convert(node.elements[i + 1]);
                if (key.isObject()) {
                    if (dictionary->set(key.asObject(), x))
                        m_m.heap().charge(DictionaryObject::EntryBytes);
                } else {
                    dictionary->setOwn(m_m.toString(key)->text(), x);
                }
            }
            return made;
        }
        case Special::IntVector:
        case Special::UIntVector:
        case Special::DoubleVector:
        case Special::ObjectVector: {
            const Value element = node.special == Special::IntVector      ? m_m.findDefinitionByName(u"int")
                                  : node.special == Special::UIntVector   ? m_m.findDefinitionByName(u"uint")
                                  : node.special == Special::DoubleVector ? m_m.findDefinitionByName(u"Number")
                                                                          : elementClass(node.className);
            Machine::Pin keepElement(m_m, element);
            const Value generic = m_m.findDefinitionByName(u"__AS3__.vec::Vector");
            const Value made = m_m.construct(Value::object(applyVectorType(m_m, generic, element)), {});
            keep(index, made);
            VectorObject* vec = asVector(made);
            const size_t count = node.special == Special::ObjectVector ? node.elements.size() : node.numbers.size();
            resizeVector(m_m, vec, count);
            for (size_t i = 0; i < count; ++i) {
                const Value x =
                    node.special == Special::ObjectVector ? convert(node.elements[i]) : Value::number(node.numbers[i]);
                Machine::Pin keepX(m_m, x);
                vec->set(i, coerceElement(m_m, *vec, x));
            }
            vec->setFixed(node.fixedVector);
            return made;
        }
        case Special::None:
            break;
        }
        return Value::null();
    }

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

namespace {

// flash.net.registerClassAlias(alias, class): the name a class's objects
// are written under and read back as; a later alias of the class replaces
// the earlier one.
Value registerClassAlias(Machine& m, Value, std::span<const Value> args) {
    const Value alias = argument(args, 0);
    const Value cls = argument(args, 1);
    if (alias.isNullish())
        m.throwError("TypeError", 2007, u"Parameter aliasName must be non-null.");
    auto* c = cls.isObject() ? dynamic_cast<ClassObject*>(cls.asObject()) : nullptr;
    if (!c)
        m.throwError("TypeError", 2007, u"Parameter classObject must be non-null.");
    const std::u16string name = m.toString(alias)->text();
    EncodingDefault& state = encodingDefault(m);
    if (auto old = state.aliases.find(c); old != state.aliases.end())
        state.classes.erase(old->second);
    if (auto old = state.classes.find(name); old != state.classes.end())
        state.aliases.erase(old->second);
    state.classes[name] = c;
    state.aliases[c] = name;
    return Value();
}

Value getClassByAlias(Machine& m, Value, std::span<const Value> args) {
    const Value alias = argument(args, 0);
    if (alias.isNullish())
        m.throwError("TypeError", 2007, u"Parameter aliasName must be non-null.");
    const std::u16string name = m.toString(alias)->text();
    const auto& classes = encodingDefault(m).classes;
    auto it = classes.find(name);
    if (it == classes.end())
        m.throwError("ReferenceError", 1014, u"Class " + name + u" could not be found.");
    return Value::object(it->second);
}

const PackageFunction AliasFunctions[] = {{u"flash.net", u"registerClassAlias", registerClassAlias},
                                          {u"flash.net", u"getClassByAlias", getClassByAlias}};

}  // namespace

std::span<const PackageFunction> aliasFunctions() { return AliasFunctions; }

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
    // A copy: an externalizable class reads the live array while the
    // decoder walks these bytes, and may change it.
    const std::string copy(rest);
    const size_t start = s.position;
    amf::Graph graph;
    // No more nodes than the heap could hold as objects.
    amf::DecodeLimits limits{.maxDepth = MaxDepth, .maxNodes = std::max<size_t>(1, m.heap().limit() / 256)};
    moviehost::Expected<amf::Value, std::string> root = amf::Value{};
    size_t left = 0;
    std::vector<Value> externals;
    struct Unpin {
        Machine& m;
        std::vector<Value>& values;
        ~Unpin() { m.unpin(values.size()); }
    } unpin{m, externals};
    auto decode = [&](auto&& decoder) {
        root = decoder.value();
        left = decoder.remaining();
    };
    if (s.objectEncoding == 0) {
        decode(amf::Decoder(copy, graph, limits));
    } else {
        amf::Amf3Decoder decoder(copy, graph, limits);
        // An externalizable class reads its own data from this array, at
        // the decoder's place; what it read is how far the decoder skips.
        decoder.setExternalReader([&](const std::string& className,
                                      size_t offset) -> moviehost::Expected<amf::Amf3Decoder::External, std::string> {
            const auto& classes = encodingDefault(m).classes;
            auto it = classes.find(utf8ToUtf16(className));
            if (it == classes.end())
                return moviehost::Unexpected("class " + className + " has no alias registered");
            const Value made = m.construct(Value::object(it->second), {});
            m.pin(made);
            externals.push_back(made);
            ByteArrayState& live = bytesOf(m, self);
            live.position = start + offset;
            const Value arg[1] = {self};
            m.callMember(made, u"readExternal", arg);
            const size_t at = bytesOf(m, self).position;
            if (at < start + offset)
                return moviehost::Unexpected("class " + className + " moved back while reading");
            return amf::Amf3Decoder::External{uint32_t(externals.size() - 1), at - start - offset};
        });
        decode(decoder);
    }
    if (!root)
        m.throwError("Error", 2006, u"The supplied index is out of bounds (" + utf8ToUtf16(root.error()) + u").");
    s.position = std::min(start + (copy.size() - left), s.bytes.size());
    FromGraph values(m, graph);
    values.externals = &externals;
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
