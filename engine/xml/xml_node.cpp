#include "xml/xml_node.h"

#include <algorithm>

namespace xml {

std::shared_ptr<Node> Node::makeElement(std::string name) {
    return std::shared_ptr<Node>(new Node(NodeType::Element, std::move(name), {}));
}

std::shared_ptr<Node> Node::makeText(std::string value) {
    return std::shared_ptr<Node>(new Node(NodeType::Text, {}, std::move(value)));
}

const std::string* Node::attribute(std::string_view name) const {
    for (const auto& [key, value] : m_attributes)
        if (key == name)
            return &value;
    return nullptr;
}

void Node::setAttribute(std::string name, std::string value) {
    for (auto& [key, existing] : m_attributes) {
        if (key == name) {
            existing = std::move(value);
            return;
        }
    }
    m_attributes.emplace_back(std::move(name), std::move(value));
}

void Node::removeAttribute(std::string_view name) {
    std::erase_if(m_attributes, [&](const auto& entry) { return entry.first == name; });
}

std::shared_ptr<Node> Node::firstChild() const { return m_children.empty() ? nullptr : m_children.front(); }

std::shared_ptr<Node> Node::lastChild() const { return m_children.empty() ? nullptr : m_children.back(); }

std::shared_ptr<Node> Node::nextSibling() const {
    const auto parent = m_parent.lock();
    if (!parent)
        return nullptr;
    const auto& siblings = parent->m_children;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& n) { return n.get() == this; });
    return it == siblings.end() || it + 1 == siblings.end() ? nullptr : *(it + 1);
}

std::shared_ptr<Node> Node::previousSibling() const {
    const auto parent = m_parent.lock();
    if (!parent)
        return nullptr;
    const auto& siblings = parent->m_children;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& n) { return n.get() == this; });
    return it == siblings.end() || it == siblings.begin() ? nullptr : *(it - 1);
}

bool Node::isSelfOrAncestor(const Node* node) const {
    for (const Node* at = this; at != nullptr;) {
        if (at == node)
            return true;
        const auto parent = at->m_parent.lock();
        at = parent.get();
    }
    return false;
}

int Node::depthAbove() const {
    int depth = 0;
    for (auto parent = m_parent.lock(); parent; parent = parent->m_parent.lock())
        ++depth;
    return depth;
}

int Node::depthBelow() const {
    int deepest = 0;
    for (const auto& child : m_children)
        deepest = std::max(deepest, child->depthBelow() + 1);
    return deepest;
}

void Node::detach() {
    if (const auto parent = m_parent.lock())
        std::erase_if(parent->m_children, [&](const auto& n) { return n.get() == this; });
    m_parent.reset();
}

bool Node::appendChild(const std::shared_ptr<Node>& child) { return insertBefore(child, nullptr); }

bool Node::insertBefore(const std::shared_ptr<Node>& child, const std::shared_ptr<Node>& before) {
    if (!child || m_type != NodeType::Element || isSelfOrAncestor(child.get()))
        return false;
    if (before && before->m_parent.lock().get() != this)
        return false;
    if (before == child)
        return true;
    if (depthAbove() + 1 + child->depthBelow() > MaxDepth)
        return false;
    const auto keep = child;  // detaching may drop the old parent's reference
    keep->detach();
    auto at = before ? std::find(m_children.begin(), m_children.end(), before) : m_children.end();
    m_children.insert(at, keep);
    keep->m_parent = weak_from_this();
    return true;
}

void Node::removeNode() { detach(); }

void Node::removeChildren() {
    for (auto& child : m_children)
        child->m_parent.reset();
    m_children.clear();
}

std::shared_ptr<Node> Node::cloneNode(bool deep) const {
    auto copy = std::shared_ptr<Node>(new Node(m_type, m_name, m_value));
    copy->m_attributes = m_attributes;
    if (deep) {
        for (const auto& child : m_children) {
            auto childCopy = child->cloneNode(true);
            childCopy->m_parent = copy;
            copy->m_children.push_back(std::move(childCopy));
        }
    }
    return copy;
}

std::string Node::prefix() const {
    const size_t colon = m_name.find(':');
    return colon == std::string::npos ? std::string() : m_name.substr(0, colon);
}

std::string Node::localName() const {
    const size_t colon = m_name.find(':');
    return colon == std::string::npos ? m_name : m_name.substr(colon + 1);
}

std::optional<std::string> Node::namespaceForPrefix(std::string_view prefix) const {
    const std::string key = prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix);
    for (auto node = shared_from_this(); node; node = node->m_parent.lock())
        if (const std::string* uri = node->attribute(key))
            return *uri;
    return std::nullopt;
}

std::optional<std::string> Node::prefixForNamespace(std::string_view uri) const {
    for (auto node = shared_from_this(); node; node = node->m_parent.lock()) {
        for (const auto& [key, value] : node->m_attributes) {
            if (value != uri)
                continue;
            if (key == "xmlns")
                return std::string();
            if (key.rfind("xmlns:", 0) == 0)
                return key.substr(6);
        }
    }
    return std::nullopt;
}

std::string Node::namespaceURI() const {
    if (m_type != NodeType::Element)
        return {};
    return namespaceForPrefix(prefix()).value_or(std::string());
}

void Node::appendMarkup(std::string& out) const {
    if (m_type == NodeType::Text) {
        out += escape(m_value);
        return;
    }
    if (m_name.empty()) {
        for (const auto& child : m_children)
            child->appendMarkup(out);
        return;
    }
    out += '<';
    out += m_name;
    for (const auto& [key, value] : m_attributes) {
        out += ' ';
        out += key;
        out += "=\"";
        out += escape(value);
        out += '"';
    }
    if (m_children.empty()) {
        out += " />";
        return;
    }
    out += '>';
    for (const auto& child : m_children)
        child->appendMarkup(out);
    out += "</";
    out += m_name;
    out += '>';
}

std::string Node::toString() const {
    std::string out;
    appendMarkup(out);
    return out;
}

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

}  // namespace xml
