// XMLNode and XML of ActionScript 2 on the document model of engine/xml.
// Loading goes through the same session as LoadVars: the default onData
// parses the text, sets `loaded` and calls onLoad(success); `status` holds
// the parse's code. Parsing is bounded (nodes, depth) and never expands
// entities: a DOCTYPE is kept as text only.
#include "script/builtins.h"

#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/net_session.h"
#include "script/runtime.h"
#include "script/xml_object.h"

#include "xml/xml_parser.h"

namespace script {

namespace {

// Far above what movies load, far below what would exhaust memory.
constexpr size_t MaxParsedNodes = 200'000;
// What one parsed node costs the meter besides its text.
constexpr size_t NodeBytes = 160;

XmlNodeObject* nodeObject(const Value& v) { return dynamic_cast<XmlNodeObject*>(v.asObject()); }

bool isDocument(const XmlNodeObject& object) {
    return object.node()->type() == xml::NodeType::Element && object.node()->name().empty();
}

struct TreeSize {
    size_t nodes = 0;
    size_t textBytes = 0;  // names, values, attribute names and values
    [[nodiscard]] size_t meterBytes() const { return nodes * NodeBytes + textBytes; }
};

TreeSize measure(const xml::Node& root) {
    TreeSize size;
    std::vector<const xml::Node*> stack{&root};
    while (!stack.empty()) {
        const xml::Node* at = stack.back();
        stack.pop_back();
        ++size.nodes;
        size.textBytes += at->name().size() + at->value().size();
        for (const auto& [key, value] : at->attributes())
            size.textBytes += key.size() + value.size();
        for (const auto& child : at->children())
            stack.push_back(child.get());
    }
    return size;
}

// new XMLNode(type, value): an element named `value`, or a text node (3).
Value nodeInitialise(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value();
    const std::string value = arg(args, 1).isNullish() ? std::string() : toString(rt, args[1]).utf8();
    if (toNumber(rt, arg(args, 0)) == double(xml::NodeType::Text))
        object->replaceNode(xml::Node::makeText(value));
    else
        object->replaceNode(xml::Node::makeElement(value));
    return Value();
}

Value parseXml(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object || object->node()->type() != xml::NodeType::Element)
        return Value();
    const std::string text = toString(rt, arg(args, 0)).utf8();
    rt.chargeWork(text.size() / 16);
    const bool ignoreWhite = toBoolean(rt, getMember(rt, self, u"ignoreWhite"));
    const auto outcome = xml::parseInto(*object->node(), text, ignoreWhite, {.maxNodes = MaxParsedNodes});
    object->chargeTree(measure(*object->node()).meterBytes());
    putOwn(rt, object, u"status", Value(outcome.status), PropertyFlag::DontEnum);
    if (outcome.xmlDecl)
        setMember(rt, self, u"xmlDecl", Value(rt.makeStringUtf8(*outcome.xmlDecl)));
    if (outcome.docTypeDecl)
        setMember(rt, self, u"docTypeDecl", Value(rt.makeStringUtf8(*outcome.docTypeDecl)));
    return Value();
}

// new XML(text): a document, parsed from the text when one is given.
Value documentInitialise(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!nodeObject(self))
        return Value();
    putOwn(rt, self.asObject(), u"status", Value(0), PropertyFlag::DontEnum);
    if (!arg(args, 0).isNullish())
        (void)parseXml(rt, self, args);
    return Value();
}

Object* prototypeFor(const Value& constructor) {
    Object* fn = constructor.asObject();
    return fn ? fn->properties().find(u"prototype") ? fn->properties().find(u"prototype")->value.asObject() : nullptr
              : nullptr;
}

Value constructWith(Runtime& rt, std::u16string_view className, NativeFn initialise, std::span<const Value> args) {
    auto* prototype = dynamic_cast<XmlPrototype*>(prototypeFor(getProperty(rt, rt.global, className)));
    if (!prototype)
        return Value();
    const Value made(prototype->makeInstance(rt, prototype));
    (void)initialise(rt, made, args);
    return made;
}

Value nodeConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    return constructWith(rt, u"XMLNode", nodeInitialise, args);
}

Value documentConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    return constructWith(rt, u"XML", documentInitialise, args);
}

// --- XMLNode methods --------------------------------------------------------

Value appendChild(Runtime&, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    XmlNodeObject* child = nodeObject(arg(args, 0));
    if (object && child)
        (void)object->node()->appendChild(child->node());
    return Value();
}

Value insertBefore(Runtime&, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    XmlNodeObject* child = nodeObject(arg(args, 0));
    XmlNodeObject* before = nodeObject(arg(args, 1));
    if (object && child && before)
        (void)object->node()->insertBefore(child->node(), before->node());
    return Value();
}

Value removeNode(Runtime&, const Value& self, std::span<const Value>) {
    if (XmlNodeObject* object = nodeObject(self))
        object->node()->removeNode();
    return Value();
}

Value cloneNode(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value::null();
    const bool deep = toBoolean(rt, arg(args, 0));
    if (deep)
        rt.chargeWork(measure(*object->node()).nodes);
    return wrapXmlNode(rt, object->node()->cloneNode(deep), object->nodeProto());
}

Value hasChildNodes(Runtime&, const Value& self, std::span<const Value>) {
    XmlNodeObject* object = nodeObject(self);
    return Value::fromBool(object && !object->node()->children().empty());
}

// A document prints its declaration and DOCTYPE before its nodes.
Value toStringMethod(Runtime& rt, const Value& self, std::span<const Value>) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value(String());
    std::string out;
    if (isDocument(*object)) {
        for (const auto name : {u"xmlDecl", u"docTypeDecl"}) {
            const Value part = getMember(rt, self, name);
            if (!part.isNullish())
                out += toString(rt, part).utf8();
        }
    }
    // Names and values alone past the string limit: refused before printing.
    const TreeSize size = measure(*object->node());
    rt.chargeWork(size.nodes);
    if (size.textBytes > rt.limits.maxStringLength * 3)
        abortScript(ScriptErrorKind::MemoryLimit, "an XML tree printed past the string length limit");
    object->node()->appendMarkup(out);
    return Value(rt.makeStringUtf8(out));
}

Value namespaceForPrefix(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value::null();
    const auto uri = object->node()->namespaceForPrefix(toString(rt, arg(args, 0)).utf8());
    return uri ? Value(rt.makeStringUtf8(*uri)) : Value::null();
}

Value prefixForNamespace(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value::null();
    const auto prefix = object->node()->prefixForNamespace(toString(rt, arg(args, 0)).utf8());
    return prefix ? Value(rt.makeStringUtf8(*prefix)) : Value::null();
}

// --- XML methods --------------------------------------------------------------

Value createElement(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value::null();
    return wrapXmlNode(rt, xml::Node::makeElement(toString(rt, arg(args, 0)).utf8()), object->nodeProto());
}

Value createTextNode(Runtime& rt, const Value& self, std::span<const Value> args) {
    XmlNodeObject* object = nodeObject(self);
    if (!object)
        return Value::null();
    return wrapXmlNode(rt, xml::Node::makeText(toString(rt, arg(args, 0)).utf8()), object->nodeProto());
}

// sendAndLoad(url, target): the document posted, the answer parsed into target.
Value sendAndLoad(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    Object* target = arg(args, 1).asObject();
    if (!object || !target || arg(args, 0).isNullish())
        return Value::fromBool(false);
    const std::string url = toString(rt, args[0]).utf8();
    std::string body = toString(rt, callMethod(rt, self, u"toString", {})).utf8();
    putOwn(rt, target, u"loaded", Value::fromBool(false), PropertyFlag::DontEnum);
    const auto id =
        netSession(rt).start(target, LoadKind::LoadVars, url, std::move(body),
                             toString(rt, getMember(rt, self, u"contentType")).utf8(), requestHeadersOf(rt, object));
    return Value::fromBool(id.has_value());
}

// send(url, window, method): a page to open, which the host hears of.
Value send(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!self.asObject() || arg(args, 0).isNullish())
        return Value::fromBool(false);
    UrlRequest request;
    request.url = hostRequestUrl(rt, toString(rt, args[0]).view());
    request.target = arg(args, 1).isUndefined() ? std::u16string() : std::u16string(toString(rt, args[1]).view());
    const bool get = !arg(args, 2).isUndefined() && equalsFolded(toString(rt, args[2]).view(), u"GET");
    request.method = get ? UrlRequest::Method::Get : UrlRequest::Method::Post;
    rt.host.urlRequest(request);
    return Value::fromBool(true);
}

// The default onData: the text parsed, then onLoad(success).
Value onData(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object)
        return Value();
    const bool success = !arg(args, 0).isUndefined();
    if (success) {
        const Value text = args[0];
        (void)callMethod(rt, self, u"parseXML", std::span<const Value>(&text, 1));
    }
    putOwn(rt, object, u"loaded", Value::fromBool(success), PropertyFlag::DontEnum);
    const Value flag = Value::fromBool(success);
    (void)callMethod(rt, self, u"onLoad", std::span<const Value>(&flag, 1));
    return Value();
}

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

struct Method {
    std::u16string_view name;
    NativeFn fn;
};

NativeFunction* defineClass(Runtime& rt, XmlPrototype* prototype, std::u16string_view name, NativeFn initialise,
                            NativeFn construct, std::span<const Method> methods) {
    for (const auto& method : methods)
        rt.defineMethod(prototype, method.name, method.fn);
    NativeFunction* constructor = rt.newNative(initialise, construct);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, name, Value(constructor));
    return constructor;
}

}  // namespace

void installXml(Runtime& rt) {
    auto* nodePrototype = rt.heap.make<XmlPrototype>(rt.protos.object, false);
    static constexpr Method NodeMethods[] = {
        {u"appendChild", appendChild},
        {u"insertBefore", insertBefore},
        {u"removeNode", removeNode},
        {u"cloneNode", cloneNode},
        {u"hasChildNodes", hasChildNodes},
        {u"toString", toStringMethod},
        {u"getNamespaceForPrefix", namespaceForPrefix},
        {u"getPrefixForNamespace", prefixForNamespace},
    };
    (void)defineClass(rt, nodePrototype, u"XMLNode", nodeInitialise, nodeConstruct, NodeMethods);

    auto* documentPrototype = rt.heap.make<XmlPrototype>(nodePrototype, true);
    documentPrototype->setNodeProto(nodePrototype);
    static constexpr Method DocumentMethods[] = {
        {u"createElement", createElement},
        {u"createTextNode", createTextNode},
        {u"parseXML", parseXml},
        {u"load", loadDocument},
        {u"send", send},
        {u"sendAndLoad", sendAndLoad},
        {u"onData", onData},
        {u"onLoad", nothing},
    };
    (void)defineClass(rt, documentPrototype, u"XML", documentInitialise, documentConstruct, DocumentMethods);
    rt.defineValue(documentPrototype, u"ignoreWhite", Value::fromBool(false));
    rt.defineValue(documentPrototype, u"contentType", Value(String(u"application/x-www-form-urlencoded")));
    // Progress and headers work as LoadVars' do (the same hidden members).
    if (Object* loadVars = prototypeFor(getProperty(rt, rt.global, u"LoadVars"))) {
        for (const auto name : {u"getBytesLoaded", u"getBytesTotal", u"addRequestHeader"})
            rt.defineValue(documentPrototype, name, getProperty(rt, loadVars, name));
    }
}

}  // namespace script
