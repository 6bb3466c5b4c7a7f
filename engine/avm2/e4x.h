// E4X: XML and XMLList values. An XML value is one node of a tree
// (element, text, comment, processing instruction or attribute); an XMLList
// is an ordered list of such nodes, which remembers the object and name it
// was read from so that assigning through it can add to that object.
//
// Property access on both goes through the functions below instead of
// traits: `x.a` names child elements, `x.@a` attributes, `x[0]` a position,
// and the classes' methods are reached by calls only.
//
// Trees are bounded: parsing refuses text deeper than MaxXmlDepth or longer
// than MaxXmlTextBytes, and no operation makes a tree deeper than
// MaxXmlDepth, so that printing and copying stay within the stack.
#pragma once

#include "avm2/machine.h"

#include <string>
#include <typeinfo>
#include <vector>

namespace avm2 {

inline constexpr size_t MaxXmlDepth = 256;
inline constexpr size_t MaxXmlTextBytes = size_t(16) << 20;
inline constexpr const char16_t* XmlNamespaceUri = u"http://www.w3.org/XML/1998/namespace";

enum class XmlKind : uint8_t { Element, Text, Comment, Instruction, Attribute };

// A namespace declared on an element: prefix ("" for the default one) and uri.
struct XmlNamespace {
    std::u16string prefix;
    std::u16string uri;
    bool operator==(const XmlNamespace&) const = default;
};

class XmlObject final : public Object {
public:
    XmlObject(Object* proto, const Traits* traits, const Cell* keeper, XmlKind kind)
        : Object(proto, traits, keeper, false), m_kind(kind) {}

    [[nodiscard]] XmlKind kind() const { return m_kind; }
    // Elements and attributes: the name's uri and local part; instructions:
    // the target in `local`.
    std::u16string uri;
    std::u16string local;
    // The prefix the name was written with, a hint for printing.
    std::u16string prefix;
    // Text, comments, instructions and attributes.
    std::u16string value;
    // Text read from a CDATA section, printed as one again.
    bool cdata = false;
    XmlObject* parent = nullptr;
    std::vector<XmlObject*> children;
    std::vector<XmlObject*> attributes;
    std::vector<XmlNamespace> namespaces;

    // Levels below this node (0 for a leaf).
    [[nodiscard]] size_t height() const;
    // Levels above it.
    [[nodiscard]] size_t depth() const;

    void trace(Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override;

private:
    XmlKind m_kind;
};

class XmlListObject final : public Object {
public:
    XmlListObject(Object* proto, const Traits* traits, const Cell* keeper) : Object(proto, traits, keeper, false) {}
    std::vector<XmlObject*> items;
    // Where the list was read from, for assignments through it.
    Object* target = nullptr;
    std::u16string targetUri;
    std::u16string targetLocal;
    bool targetAttribute = false;
    bool hasTargetName = false;

    void trace(Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override { return items.capacity() * sizeof(XmlObject*); }
};

[[nodiscard]] inline XmlObject* asXml(Value v) {
    if (!v.isObject())
        return nullptr;
    Object* o = v.asObject();
    return typeid(*o) == typeid(XmlObject) ? static_cast<XmlObject*>(o) : nullptr;
}
[[nodiscard]] inline XmlListObject* asXmlList(Value v) {
    if (!v.isObject())
        return nullptr;
    Object* o = v.asObject();
    return typeid(*o) == typeid(XmlListObject) ? static_cast<XmlListObject*>(o) : nullptr;
}
[[nodiscard]] inline bool isE4x(Value v) { return asXml(v) || asXmlList(v); }

// An attribute value as XML text writes it (line breaks and tabs kept).
[[nodiscard]] std::u16string escapeXmlAttribute(const std::u16string& s);

// The operations the interpreter sends here for XML and XMLList targets.
[[nodiscard]] Value xmlGetProperty(Machine& m, Value target, const Multiname& mn);
void xmlSetProperty(Machine& m, Value target, const Multiname& mn, Value v);
[[nodiscard]] bool xmlDeleteProperty(Machine& m, Value target, const Multiname& mn);
[[nodiscard]] bool xmlHasProperty(Machine& m, Value target, const Multiname& mn);
[[nodiscard]] Value xmlDescendants(Machine& m, Value target, const Multiname& mn);
// A method of XML or XMLList (the prototype's), or undefined.
[[nodiscard]] Value xmlMethod(Machine& m, Value target, const Multiname& mn);
// for-in and for-each: positions 1..length, the names "0".. and the items.
[[nodiscard]] uint32_t xmlLength(Value target);
[[nodiscard]] Value xmlItem(Machine& m, Value target, uint32_t index);
// toXMLString, as the escaping instructions use it for XML values.
[[nodiscard]] std::u16string xmlToXmlString(Machine& m, Value target);
// toString: the text of simple content, the markup otherwise.
[[nodiscard]] std::u16string xmlToString(Machine& m, Value target);
// `==` between XML values, and between an XML value and another value.
[[nodiscard]] bool xmlEquals(Machine& m, Value a, Value b);
// a + b when both are XML values: a new XMLList of both.
[[nodiscard]] Value xmlConcat(Machine& m, Value a, Value b);
// The list a filter (x.(cond)) runs over: an XMLList of the value.
[[nodiscard]] Value xmlFilterList(Machine& m, Value v);

[[nodiscard]] std::span<const struct CoreClassSpec> xmlClasses();  // XML, XMLList

}  // namespace avm2
