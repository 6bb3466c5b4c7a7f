// ActionScript 2 XML and XMLNode objects over the document model of
// engine/xml. A node has one script object at a time (kept through the
// node's host pointer), so `a.firstChild == a.firstChild` and properties a
// script puts on a node stay with it.
//
// The collector keeps node objects alive as a tree: every node object marks
// the object of its tree's root and the nearest objects below it; making a
// node's object also makes its root's, so every tree with objects has its
// root object.
#pragma once

#include "script/native_class.h"
#include "script/object.h"

#include "xml/xml_node.h"

#include <memory>
#include <vector>

namespace script {

class ArrayObject;

class XmlNodeObject final : public Object {
public:
    XmlNodeObject(const ObjectInit& init, std::shared_ptr<xml::Node> node, Object* nodeProto);
    ~XmlNodeObject() override;

    [[nodiscard]] const std::shared_ptr<xml::Node>& node() const { return m_node; }
    // A fresh object takes another node (XMLNode's constructor picks the type).
    void replaceNode(std::shared_ptr<xml::Node> node);
    // The prototype of the objects made for other nodes of this tree.
    [[nodiscard]] Object* nodeProto() const { return m_nodeProto; }
    // Bytes of a parsed tree charged to the meter while this object lives.
    void chargeTree(size_t bytes);

    std::optional<Value> getBuiltin(Runtime& rt, std::u16string_view name) override;
    bool setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) override;
    void traceRefs(std::vector<Object*>& out) const override;

private:
    [[nodiscard]] Value childNodes(Runtime& rt);

    std::shared_ptr<xml::Node> m_node;
    Object* m_nodeProto = nullptr;
    Object* m_attributes = nullptr;
    ArrayObject* m_childArray = nullptr;
    std::vector<const xml::Node*> m_childSnapshot;  // what m_childArray shows
    size_t m_chargedTree = 0;
};

// The prototypes of XMLNode and XML: `new` of a script class extending
// them makes a node object (an element, or a document for XML).
class XmlPrototype final : public Object, public InstanceMaker {
public:
    XmlPrototype(const ObjectInit& init, bool document) : Object(init), m_document(document) {}
    Object* makeInstance(Runtime& rt, Object* proto) override;
    void setNodeProto(Object* nodeProto) { m_nodeProto = nodeProto; }
    void traceRefs(std::vector<Object*>& out) const override;

private:
    bool m_document = false;
    Object* m_nodeProto = nullptr;
};

// The object of a node (null for none), made with `nodeProto` when new.
[[nodiscard]] Value wrapXmlNode(Runtime& rt, const std::shared_ptr<xml::Node>& node, Object* nodeProto);

}  // namespace script
