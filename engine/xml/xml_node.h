// The XML document model of the format's ActionScript 2 XML and XMLNode
// classes, independent of the script machine that wraps it: elements and
// text nodes in a tree, attributes in the order they were given.
//
// Trees never grow cycles (a node cannot be appended below itself) and never
// grow deeper than MaxDepth, so that printing, copying and freeing them stays
// within the stack.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xml {

enum class NodeType { Element = 1, Text = 3 };

using Attributes = std::vector<std::pair<std::string, std::string>>;

class Node : public std::enable_shared_from_this<Node> {
public:
    static constexpr int MaxDepth = 512;

    static std::shared_ptr<Node> makeElement(std::string name);
    static std::shared_ptr<Node> makeText(std::string value);

    [[nodiscard]] NodeType type() const { return m_type; }
    // Elements: the tag name (empty for a document). Text: empty.
    [[nodiscard]] const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    // Text: its characters. Elements: none.
    [[nodiscard]] const std::string& value() const { return m_value; }
    void setValue(std::string value) { m_value = std::move(value); }

    [[nodiscard]] const Attributes& attributes() const { return m_attributes; }
    [[nodiscard]] const std::string* attribute(std::string_view name) const;
    void setAttribute(std::string name, std::string value);
    void removeAttribute(std::string_view name);
    void clearAttributes() { m_attributes.clear(); }

    [[nodiscard]] const std::vector<std::shared_ptr<Node>>& children() const { return m_children; }
    [[nodiscard]] std::shared_ptr<Node> parent() const { return m_parent.lock(); }
    [[nodiscard]] std::shared_ptr<Node> firstChild() const;
    [[nodiscard]] std::shared_ptr<Node> lastChild() const;
    [[nodiscard]] std::shared_ptr<Node> nextSibling() const;
    [[nodiscard]] std::shared_ptr<Node> previousSibling() const;

    // Moves `child` (out of its old parent) to the end, or before `before`
    // (one of this node's children). False, and nothing changes, when the child
    // is this node or above it, or the tree would grow too deep.
    bool appendChild(const std::shared_ptr<Node>& child);
    bool insertBefore(const std::shared_ptr<Node>& child, const std::shared_ptr<Node>& before);
    void removeNode();
    void removeChildren();
    [[nodiscard]] std::shared_ptr<Node> cloneNode(bool deep) const;

    // Namespaces as written in xmlns attributes on this node and above.
    [[nodiscard]] std::string prefix() const;
    [[nodiscard]] std::string localName() const;
    [[nodiscard]] std::optional<std::string> namespaceForPrefix(std::string_view prefix) const;
    [[nodiscard]] std::optional<std::string> prefixForNamespace(std::string_view uri) const;
    [[nodiscard]] std::string namespaceURI() const;

    // The markup: "<a x=\"1\">text</a>", "<b />"; a nameless element prints
    // only its children.
    [[nodiscard]] std::string toString() const;
    void appendMarkup(std::string& out) const;

    [[nodiscard]] int depthBelow() const;  // 0 for a leaf
    [[nodiscard]] int depthAbove() const;  // 0 for a root

    // The object a script machine shows this node as, so that the same node
    // is always the same object there. Not owned; clones do not share it.
    [[nodiscard]] void* hostObject() const { return m_hostObject; }
    void setHostObject(void* object) { m_hostObject = object; }

private:
    Node(NodeType type, std::string name, std::string value)
        : m_type(type), m_name(std::move(name)), m_value(std::move(value)) {}
    [[nodiscard]] bool isSelfOrAncestor(const Node* node) const;
    void detach();

    NodeType m_type = NodeType::Element;
    std::string m_name;
    std::string m_value;
    Attributes m_attributes;
    std::vector<std::shared_ptr<Node>> m_children;
    std::weak_ptr<Node> m_parent;
    void* m_hostObject = nullptr;
};

// Escapes & < > " ' as the format prints text and attribute values.
[[nodiscard]] std::string escape(std::string_view text);

}  // namespace xml
