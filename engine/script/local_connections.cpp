#include "script/local_connections.h"

#include "script/amf_bridge.h"
#include "script/builtins.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include <algorithm>

namespace script {

bool LocalConnections::connect(const std::string& name, Object* receiver, std::string domain) {
    if (m_names.contains(name))
        return false;
    for (const auto& [taken, existing] : m_names)
        if (existing.object == receiver)
            return false;
    m_names[name] = Receiver{receiver, std::move(domain)};
    return true;
}

void LocalConnections::close(const Object* receiver) {
    std::erase_if(m_names, [&](const auto& entry) { return entry.second.object == receiver; });
}

bool LocalConnections::send(Object* sender, std::string senderDomain, std::string name, std::string method,
                            amf::Graph graph, amf::Members arguments) {
    if (m_queue.size() >= MaxQueued)
        return false;
    m_queue.push_back(Message{sender, std::move(senderDomain), std::move(name), std::move(method), std::move(graph),
                              std::move(arguments)});
    return true;
}

// The receiver's method with the arguments decoded for it; false when the
// message could not be handed over (no receiver, refused, no such method).
bool LocalConnections::deliverOne(Runtime& rt, const Message& message) {
    const auto found = m_names.find(message.name);
    if (found == m_names.end())
        return false;
    const Receiver receiver = found->second;
    const Value target(receiver.object);
    if (receiver.domain != message.senderDomain) {
        // Another domain's movie may call only where the receiver allows it.
        const Value domain(rt.makeStringUtf8(message.senderDomain));
        const Value allowDomain = getMember(rt, target, u"allowDomain");
        if (!allowDomain.asObject() || !allowDomain.asObject()->isCallable())
            return false;
        if (!toBoolean(rt, callFunction(rt, allowDomain, target, std::span<const Value>(&domain, 1))))
            return false;
    }
    const Value method = getMember(rt, target, utf8ToUtf16(message.method));
    if (!method.asObject() || !method.asObject()->isCallable())
        return false;
    Object* holder = rt.newObject();
    membersFromAmf(rt, message.graph, message.arguments, holder);
    // The members are named by their position in the call.
    std::vector<Value> arguments;
    arguments.reserve(message.arguments.size());
    for (size_t i = 0; i < message.arguments.size(); ++i)
        arguments.push_back(getMember(rt, Value(holder), utf8ToUtf16(std::to_string(i))));
    (void)callFunction(rt, method, target, arguments);
    return true;
}

void LocalConnections::deliver(Runtime& rt) {
    for (const auto& message : std::exchange(m_queue, {})) {
        bool delivered = false;
        rt.guarded([&] { delivered = deliverOne(rt, message); });
        rt.guarded([&] {
            Object* info = rt.newObject();
            putOwn(rt, info, u"level", Value(String(delivered ? u"status" : u"error")));
            const Value handler = getMember(rt, Value(message.sender), u"onStatus");
            if (handler.asObject() && handler.asObject()->isCallable()) {
                const Value argument(info);
                (void)callFunction(rt, handler, Value(message.sender), std::span<const Value>(&argument, 1));
            }
        });
    }
}

void LocalConnections::traceRefs(std::vector<Object*>& out) const {
    for (const auto& [name, receiver] : m_names)
        out.push_back(receiver.object);
    for (const auto& message : m_queue)
        out.push_back(message.sender);
}

}  // namespace script
