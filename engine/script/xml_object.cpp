#include "script/xml_object.h"

#include "script/array_object.h"
#include "script/conversions.h"
#include "script/runtime.h"

namespace script {

namespace {

// A node's `attributes`: reading, writing and deleting members goes to the
// node's attribute list, so markup printed later shows the change.
class XmlAttributesObject final : public Object {
public:
    XmlAttributesObject(const ObjectInit& init, std::shared_ptr<xml::Node> node)
        : Object(init), m_node(std::move(node)) {}

    std::optional<Value> getBuiltin(Runtime& rt, std::u16string_view name) override {
        for (const auto& [key, value] : m_node->attributes())
            if (namesMatch(utf8ToUtf16(key), name, caseSensitive()))
                return Value(rt.makeStringUtf8(value));
        return std::nullopt;
    }
    bool setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) override {
        std::string key = existingKey(name).value_or(utf16ToUtf8(name));
        m_node->setAttribute(std::move(key), toString(rt, value).utf8());
        return true;
    }
    bool deleteBuiltin(Runtime&, std::u16string_view name) override {
        const auto key = existingKey(name);
        if (!key)
            return false;
        m_node->removeAttribute(*key);
        return true;
    }
    void builtinKeys(Runtime& rt, std::vector<String>& out) override {
        for (const auto& [key, value] : m_node->attributes())
            out.push_back(rt.makeStringUtf8(key));
    }

private:
    [[nodiscard]] std::optional<std::string> existingKey(std::u16string_view name) const {
        for (const auto& [key, value] : m_node->attributes())
            if (namesMatch(utf8ToUtf16(key), name, caseSensitive()))
                return key;
        return std::nullopt;
    }

    std::shared_ptr<xml::Node> m_node;
};

XmlNodeObject* objectOf(const xml::Node& node) { return static_cast<XmlNodeObject*>(node.hostObject()); }

bool named(std::u16string_view name, std::u16string_view builtin, bool caseSensitive) {
    return namesMatch(name, builtin, caseSensitive);
}

}  // namespace

XmlNodeObject::XmlNodeObject(const ObjectInit& init, std::shared_ptr<xml::Node> node, Object* nodeProto)
    : Object(init), m_node(std::move(node)), m_nodeProto(nodeProto) {
    m_node->setHostObject(this);
}

XmlNodeObject::~XmlNodeObject() {
    if (m_node->hostObject() == this)
        m_node->setHostObject(nullptr);
    if (m_chargedTree > 0 && meter())
        meter()->release(m_chargedTree);
}

void XmlNodeObject::replaceNode(std::shared_ptr<xml::Node> node) {
    if (m_node->hostObject() == this)
        m_node->setHostObject(nullptr);
    m_node = std::move(node);
    m_node->setHostObject(this);
    m_attributes = nullptr;
    m_childArray = nullptr;
    m_childSnapshot.clear();
}

void XmlNodeObject::chargeTree(size_t bytes) {
    if (!meter())
        return;
    meter()->release(std::exchange(m_chargedTree, 0));
    meter()->charge(bytes);
    m_chargedTree = bytes;
}

Value XmlNodeObject::childNodes(Runtime& rt) {
    const auto& children = m_node->children();
    bool same = m_childArray && m_childArray->length() == children.size() && m_childSnapshot.size() == children.size();
    for (size_t i = 0; same && i < children.size(); ++i)
        same = m_childSnapshot[i] == children[i].get();
    if (same)
        return Value(m_childArray);
    rt.chargeWork(children.size());
    std::vector<Value> elements;
    elements.reserve(children.size());
    for (const auto& child : children)
        elements.push_back(wrapXmlNode(rt, child, m_nodeProto));
    m_childSnapshot.clear();
    for (const auto& child : children)
        m_childSnapshot.push_back(child.get());
    m_childArray = rt.newArray(std::move(elements));
    return Value(m_childArray);
}

std::optional<Value> XmlNodeObject::getBuiltin(Runtime& rt, std::u16string_view name) {
    const bool exact = caseSensitive();
    const xml::Node& node = *m_node;
    const bool element = node.type() == xml::NodeType::Element;
    if (named(name, u"nodeType", exact))
        return Value(int(node.type()));
    if (named(name, u"nodeName", exact))
        return element && !node.name().empty() ? Value(rt.makeStringUtf8(node.name())) : Value::null();
    if (named(name, u"nodeValue", exact))
        return element ? Value::null() : Value(rt.makeStringUtf8(node.value()));
    if (named(name, u"attributes", exact)) {
        if (!m_attributes)
            m_attributes = rt.heap.make<XmlAttributesObject>(rt.protos.object, m_node);
        return Value(m_attributes);
    }
    if (named(name, u"childNodes", exact))
        return childNodes(rt);
    if (named(name, u"firstChild", exact))
        return wrapXmlNode(rt, node.firstChild(), m_nodeProto);
    if (named(name, u"lastChild", exact))
        return wrapXmlNode(rt, node.lastChild(), m_nodeProto);
    if (named(name, u"nextSibling", exact))
        return wrapXmlNode(rt, node.nextSibling(), m_nodeProto);
    if (named(name, u"previousSibling", exact))
        return wrapXmlNode(rt, node.previousSibling(), m_nodeProto);
    if (named(name, u"parentNode", exact))
        return wrapXmlNode(rt, node.parent(), m_nodeProto);
    if (!element)
        return std::nullopt;
    if (named(name, u"namespaceURI", exact))
        return node.name().empty() ? Value::null() : Value(rt.makeStringUtf8(node.namespaceURI()));
    if (named(name, u"prefix", exact))
        return node.name().empty() ? Value::null() : Value(rt.makeStringUtf8(node.prefix()));
    if (named(name, u"localName", exact))
        return node.name().empty() ? Value::null() : Value(rt.makeStringUtf8(node.localName()));
    return std::nullopt;
}

bool XmlNodeObject::setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) {
    const bool exact = caseSensitive();
    const bool element = m_node->type() == xml::NodeType::Element;
    if (named(name, u"nodeName", exact)) {
        if (element)
            m_node->setName(value.isNullish() ? std::string() : toString(rt, value).utf8());
        return true;
    }
    if (named(name, u"nodeValue", exact)) {
        if (!element)
            m_node->setValue(value.isNullish() ? std::string() : toString(rt, value).utf8());
        return true;
    }
    // The rest are read-only: a write is ignored, as the player does.
    static constexpr std::u16string_view ReadOnly[] = {
        u"nodeType",        u"attributes", u"childNodes",   u"firstChild", u"lastChild", u"nextSibling",
        u"previousSibling", u"parentNode", u"namespaceURI", u"prefix",     u"localName"};
    for (const auto readOnly : ReadOnly)
        if (named(name, readOnly, exact))
            return true;
    return false;
}

void XmlNodeObject::traceRefs(std::vector<Object*>& out) const {
    Object::traceRefs(out);
    if (m_nodeProto)
        out.push_back(m_nodeProto);
    if (m_attributes)
        out.push_back(m_attributes);
    if (m_childArray)
        out.push_back(m_childArray);
    // The root's object, then the nearest objects below this node.
    std::shared_ptr<const xml::Node> root = m_node;
    for (auto parent = root->parent(); parent; parent = parent->parent())
        root = parent;
    if (root != m_node && objectOf(*root))
        out.push_back(objectOf(*root));
    std::vector<const xml::Node*> stack;
    for (const auto& child : m_node->children())
        stack.push_back(child.get());
    while (!stack.empty()) {
        const xml::Node* at = stack.back();
        stack.pop_back();
        if (XmlNodeObject* object = objectOf(*at)) {
            out.push_back(object);
            continue;
        }
        for (const auto& child : at->children())
            stack.push_back(child.get());
    }
}

Object* XmlPrototype::makeInstance(Runtime& rt, Object* proto) {
    auto node = xml::Node::makeElement({});
    auto* object = rt.heap.make<XmlNodeObject>(proto, std::move(node), m_nodeProto ? m_nodeProto : this);
    if (m_document)
        rt.defineValue(object, u"status", Value(0));
    return object;
}

void XmlPrototype::traceRefs(std::vector<Object*>& out) const {
    Object::traceRefs(out);
    if (m_nodeProto)
        out.push_back(m_nodeProto);
}

Value wrapXmlNode(Runtime& rt, const std::shared_ptr<xml::Node>& node, Object* nodeProto) {
    if (!node)
        return Value::null();
    if (XmlNodeObject* existing = objectOf(*node))
        return Value(existing);
    // The root gets its object first, so the tree stays reachable (see header).
    std::shared_ptr<xml::Node> root = node;
    for (auto parent = root->parent(); parent; parent = parent->parent())
        root = parent;
    if (root != node && !objectOf(*root))
        (void)rt.heap.make<XmlNodeObject>(nodeProto, root, nodeProto);
    return Value(rt.heap.make<XmlNodeObject>(nodeProto, node, nodeProto));
}

}  // namespace script
