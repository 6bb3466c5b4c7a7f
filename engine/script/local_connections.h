// LocalConnection between the movies of one control (the movie the host
// opened and the movies it loaded). Arguments travel as AMF0, as between
// players, so no object is shared between sender and receiver; messages are
// delivered between frames, each ending in the sender's onStatus. There is
// no other process to reach: a name nobody here connected fails.
#pragma once

#include "amf/amf0.h"

#include <map>
#include <string>
#include <vector>

namespace script {

class Object;
class Runtime;

class LocalConnections {
public:
    // At most this many messages wait; more sends are refused.
    static constexpr size_t MaxQueued = 256;
    // The encoded arguments of one send, as the format limits them.
    static constexpr size_t MaxArgumentBytes = 40 * 1024;

    // False when the name is taken or the receiver already has one.
    bool connect(const std::string& name, Object* receiver, std::string domain);
    void close(const Object* receiver);
    // False when the queue is full.
    bool send(Object* sender, std::string senderDomain, std::string name, std::string method, amf::Graph graph,
              amf::Members arguments);
    // Runs the receivers' methods and the senders' onStatus. Runs script.
    void deliver(Runtime& rt);
    [[nodiscard]] bool busy() const { return !m_queue.empty(); }
    void traceRefs(std::vector<Object*>& out) const;

private:
    struct Receiver {
        Object* object = nullptr;
        std::string domain;
    };
    struct Message {
        Object* sender = nullptr;
        std::string senderDomain;
        std::string name;
        std::string method;
        amf::Graph graph;
        amf::Members arguments;
    };
    bool deliverOne(Runtime& rt, const Message& message);

    std::map<std::string, Receiver> m_names;  // full names, lower case
    std::vector<Message> m_queue;
};

}  // namespace script
