#include "script/amf_bridge.h"

#include "script/array_object.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include <charconv>
#include <map>

namespace script {

namespace {

constexpr int MaxDepth = 64;

struct ToAmf {
    Runtime& rt;
    amf::Graph& graph;
    std::map<Object*, uint32_t> seen;
    bool tooDeep = false;

    bool isData(const Value& value) {
        const Object* object = value.asObject();
        return !object || (!object->isCallable() && object->objectClass() != ObjectClass::Stage);
    }

    void addMembers(Object* object, amf::Members& out, int depth) {
        for (const Property& property : object->properties().entries()) {
            if ((property.flags & PropertyFlag::DontEnum) != 0 || property.getter != nullptr || !isData(property.value))
                continue;
            out.emplace_back(property.name.utf8(), convert(property.value, depth));
        }
    }

    amf::Value convert(const Value& value, int depth) {
        rt.chargeWork(1);
        switch (value.type()) {
        case ValueType::Undefined:
            return amf::Value{};
        case ValueType::Null:
            return amf::Value::ofNull();
        case ValueType::Boolean:
            return amf::Value::ofBoolean(value.asBool());
        case ValueType::Number:
            return amf::Value::ofNumber(value.asNumber());
        case ValueType::String:
            return amf::Value::ofString(value.asString().utf8());
        case ValueType::Object:
            break;
        }
        Object* object = value.asObject();
        if (object->objectClass() == ObjectClass::Date)
            return amf::Value::ofDate(static_cast<DateObject*>(object)->time());
        if (auto it = seen.find(object); it != seen.end())
            return amf::Value::ofNode(it->second);
        if (depth >= MaxDepth) {
            tooDeep = true;
            return amf::Value{};
        }
        const uint32_t index = graph.add(amf::Node{});
        seen.emplace(object, index);
        amf::Node node;
        if (object->objectClass() == ObjectClass::Array) {
            node.kind = amf::Node::Kind::EcmaArray;
            const auto& elements = static_cast<ArrayObject*>(object)->elements();
            for (size_t i = 0; i < elements.size(); ++i)
                if (isData(elements[i]))
                    node.members.emplace_back(std::to_string(i), convert(elements[i], depth + 1));
        }
        addMembers(object, node.members, depth + 1);
        graph.nodes[index] = std::move(node);
        return amf::Value::ofNode(index);
    }
};

std::optional<size_t> indexOf(const std::string& name) {
    size_t index = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
    if (error != std::errc() || end != name.data() + name.size() || (name.size() > 1 && name[0] == '0'))
        return std::nullopt;
    return index;
}

struct FromAmf {
    Runtime& rt;
    const amf::Graph& graph;
    std::map<uint32_t, Object*> made;

    void fill(Object* object, const amf::Members& members, bool array) {
        for (const auto& [name, member] : members) {
            const Value value = convert(member);
            const auto index = array ? indexOf(name) : std::nullopt;
            // A far index stays a named member: a small file never makes a huge array.
            auto* elements = array ? static_cast<ArrayObject*>(object) : nullptr;
            if (index && *index <= elements->length() + 1024)
                elements->set(*index, value, rt.limits.maxArrayLength);
            else
                putOwn(rt, object, utf8ToUtf16(name), value);
        }
    }

    Value convert(const amf::Value& value) {
        rt.chargeWork(1);
        switch (value.type) {
        case amf::Type::Undefined:
            return Value();
        case amf::Type::Null:
            return Value::null();
        case amf::Type::Number:
            return Value(value.number);
        case amf::Type::Boolean:
            return Value::fromBool(value.boolean);
        case amf::Type::String:
            return Value(rt.makeStringUtf8(value.text));
        case amf::Type::Date:
            return Value(rt.heap.make<DateObject>(rt.protos.date, value.number));
        case amf::Type::Complex:
            break;
        }
        if (auto it = made.find(value.node); it != made.end())
            return Value(it->second);
        const amf::Node& node = graph.nodes.at(value.node);
        switch (node.kind) {
        case amf::Node::Kind::StrictArray: {
            ArrayObject* array = rt.newArray();
            made.emplace(value.node, array);
            for (const amf::Value& element : node.elements)
                array->push(convert(element), rt.limits.maxArrayLength);
            return Value(array);
        }
        case amf::Node::Kind::EcmaArray: {
            ArrayObject* array = rt.newArray();
            made.emplace(value.node, array);
            fill(array, node.members, true);
            return Value(array);
        }
        case amf::Node::Kind::Object:
        case amf::Node::Kind::TypedObject:
            break;
        }
        Object* object = rt.newObject();
        made.emplace(value.node, object);
        fill(object, node.members, false);
        return Value(object);
    }
};

}  // namespace

std::optional<amf::Members> membersToAmf(Runtime& rt, Object* object, amf::Graph& graph, std::string& reason) {
    ToAmf converter{rt, graph, {}, false};
    amf::Members members;
    converter.addMembers(object, members, 0);
    if (converter.tooDeep) {
        reason = "the data is nested too deeply to be stored";
        return std::nullopt;
    }
    return members;
}

void membersFromAmf(Runtime& rt, const amf::Graph& graph, const amf::Members& members, Object* object) {
    FromAmf converter{rt, graph, {}};
    converter.fill(object, members, false);
}

}  // namespace script
