// XML and XMLList: the E4X classes, their property access and their
// printing. Nodes are heap cells linked by plain pointers both ways (the
// collector traces parents and children), so a subtree kept by script keeps
// its whole tree alive, as the language's parent() requires.
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/e4x.h"
#include "avm2/e4x_parse.h"
#include "avm2/proxy.h"

#include <algorithm>
#include <functional>

namespace avm2 {

// --- nodes -----------------------------------------------------------------

void XmlObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.cell(parent);
    for (const XmlObject* c : children)
        tracer.cell(c);
    for (const XmlObject* a : attributes)
        tracer.cell(a);
}

size_t XmlObject::extraBytes() const {
    size_t bytes = Object::extraBytes() + (children.capacity() + attributes.capacity()) * sizeof(XmlObject*);
    bytes += (uri.capacity() + local.capacity() + prefix.capacity() + value.capacity()) * sizeof(char16_t);
    return bytes + namespaces.capacity() * sizeof(XmlNamespace);
}

size_t XmlObject::height() const {
    size_t h = 0;
    for (const XmlObject* c : children)
        h = std::max(h, c->height() + 1);
    return h;
}

size_t XmlObject::depth() const {
    size_t d = 0;
    for (const XmlObject* p = parent; p; p = p->parent)
        ++d;
    return d;
}

void XmlListObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.cell(target);
    for (const XmlObject* x : items)
        tracer.cell(x);
}

std::u16string escapeXmlAttribute(const std::u16string& s) {
    std::u16string out;
    for (char16_t c : s) {
        if (c == '&')
            out += u"&amp;";
        else if (c == '<')
            out += u"&lt;";
        else if (c == '"')
            out += u"&quot;";
        else if (c == '\n')
            out += u"&#xA;";
        else if (c == '\r')
            out += u"&#xD;";
        else if (c == '\t')
            out += u"&#x9;";
        else
            out += c;
    }
    return out;
}

namespace {

// --- settings and factories -------------------------------------------------

struct XmlSettings final : NativeState {
    bool ignoreComments = true;
    bool ignoreProcessingInstructions = true;
    bool ignoreWhitespace = true;
    bool prettyPrinting = true;
    int prettyIndent = 2;
};

ClassObject* xmlClass(Machine& m) { return m.coreClass(u"XML"); }
ClassObject* listClass(Machine& m) { return m.coreClass(u"XMLList"); }

XmlSettings& settings(Machine& m) {
    ClassObject* c = xmlClass(m);
    if (!c->nativeAs<XmlSettings>())
        c->setNativeState(std::make_unique<XmlSettings>());
    return *c->nativeAs<XmlSettings>();
}

XmlObject* newNode(Machine& m, XmlKind kind) {
    ClassObject* c = xmlClass(m);
    return m.heap().make<XmlObject>(c->prototype(), &c->instanceTraits(), c, kind);
}

XmlListObject* newList(Machine& m) {
    ClassObject* c = listClass(m);
    return m.heap().make<XmlListObject>(c->prototype(), &c->instanceTraits(), c);
}

std::u16string defaultNamespace(Machine& m);

// Parses text with the current settings; a failure throws the library's TypeError.
std::vector<XmlObject*> parse(Machine& m, const std::u16string& text) {
    const XmlSettings& s = settings(m);
    XmlParseOptions options{s.ignoreComments, s.ignoreProcessingInstructions, s.ignoreWhitespace, defaultNamespace(m)};
    XmlFactory make = [&](XmlKind kind) { return newNode(m, kind); };
    XmlParseResult r = parseXmlText(m, make, text, options);
    if (r.errorNumber != 0)
        m.throwError("TypeError", r.errorNumber, r.errorText);
    return std::move(r.nodes);
}

[[noreturn]] void notXml(Machine& m) {
    m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to XML.");
}

// --- names -------------------------------------------------------------------

// What a name selects: a local name or any, in a set of uris or any.
struct Selector {
    bool anyLocal = false;
    std::u16string local;
    bool anyUri = false;
    std::vector<std::u16string> uris;
    bool attribute = false;

    [[nodiscard]] bool matches(const XmlObject* x) const {
        if (attribute != (x->kind() == XmlKind::Attribute))
            return false;
        if (!anyLocal && (x->kind() != XmlKind::Element && x->kind() != XmlKind::Attribute))
            return false;
        if (!anyLocal && x->local != local)
            return false;
        if (anyUri)
            return true;
        if (x->kind() != XmlKind::Element && x->kind() != XmlKind::Attribute)
            return anyLocal;  // `*` takes text and comments too
        return std::find(uris.begin(), uris.end(), x->uri) != uris.end();
    }
};

std::u16string defaultNamespace(Machine& m) { return m.defaultXmlNamespace(); }

// A name from the byte code. The public namespace of an unqualified name
// stands for the default XML namespace; attributes ignore it.
Selector selectorOf(Machine& m, const Multiname& mn) {
    Selector s;
    s.attribute = mn.attribute;
    if (mn.anyName || mn.text == u"*")
        s.anyLocal = true;
    else
        s.local = std::u16string(mn.text);
    if (mn.namespaces.empty()) {
        s.anyUri = true;
        return s;
    }
    for (const Namespace* ns : mn.namespaces) {
        if (ns->isPublicRoot())
            s.uris.push_back(s.attribute ? u"" : defaultNamespace(m));
        else if (ns->group() == NamespaceGroup::Public)
            s.uris.push_back(ns->uri());
    }
    return s;
}

// A name given to a method: a QName, "*", "@name" or a plain name.
Selector selectorOfValue(Machine& m, Value name, bool attribute) {
    Selector s;
    s.attribute = attribute;
    if (const QNameState* q = name.isObject() ? name.asObject()->nativeAs<QNameState>() : nullptr) {
        const std::u16string local = m.toString(q->localName)->text();
        s.anyLocal = local == u"*";
        s.local = local;
        s.attribute = attribute || q->attribute;
        if (q->uri.isNull())
            s.anyUri = true;
        else
            s.uris.push_back(m.toString(q->uri)->text());
        return s;
    }
    std::u16string text = m.toString(name)->text();
    if (!attribute && text.starts_with(u"@")) {
        s.attribute = true;
        text.erase(0, 1);
    }
    s.anyLocal = text == u"*";
    s.local = text;
    // "*" is any name in any namespace.
    if (s.anyLocal)
        s.anyUri = true;
    else
        s.uris.push_back(s.attribute ? u"" : defaultNamespace(m));
    return s;
}

bool indexName(const Multiname& mn, uint32_t& index) {
    if (mn.attribute || mn.anyName)
        return false;
    if (mn.isIndex) {
        index = mn.index;
        return true;
    }
    return arrayIndex(mn.text, index);
}

// --- printing ----------------------------------------------------------------

bool isSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::u16string trim(const std::u16string& s) {
    size_t a = 0, b = s.size();
    while (a < b && isSpace(s[a]))
        ++a;
    while (b > a && isSpace(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

std::u16string escapeText(const std::u16string& s) {
    std::u16string out;
    for (char16_t c : s) {
        if (c == '&')
            out += u"&amp;";
        else if (c == '<')
            out += u"&lt;";
        else if (c == '>')
            out += u"&gt;";
        else
            out += c;
    }
    return out;
}

bool hasSimpleContent(const XmlObject* x) {
    if (x->kind() == XmlKind::Comment || x->kind() == XmlKind::Instruction)
        return false;
    for (const XmlObject* c : x->children) {
        if (c->kind() == XmlKind::Element)
            return false;
    }
    return true;
}

std::u16string stringValue(const XmlObject* x) {
    if (x->kind() != XmlKind::Element)
        return x->value;
    std::u16string out;
    for (const XmlObject* c : x->children) {
        if (c->kind() == XmlKind::Text)
            out += c->value;
    }
    return out;
}

// "]]>" inside the text ends one section and starts the next.
std::u16string cdataSection(const std::u16string& text) {
    std::u16string out = u"<![CDATA[";
    size_t at = 0;
    for (size_t end; (end = text.find(u"]]>", at)) != std::u16string::npos; at = end + 2)
        out += text.substr(at, end + 2 - at) + u"]]><![CDATA[";
    return out + text.substr(at) + u"]]>";
}

class Printer {
public:
    Printer(bool pretty, int indent) : m_pretty(pretty), m_step(std::max(0, indent)) {}

    std::u16string print(const XmlObject* x) {
        // Namespaces declared above the node that it or its subtree uses
        // are declared on it, so that the text stands alone.
        std::vector<XmlNamespace> inherited;
        for (const XmlObject* p = x->parent; p; p = p->parent) {
            for (const XmlNamespace& ns : p->namespaces) {
                bool shadowed = false;
                for (const XmlNamespace& seen : inherited)
                    shadowed = shadowed || seen.prefix == ns.prefix;
                if (!shadowed)
                    inherited.push_back(ns);
            }
        }
        std::vector<XmlNamespace> used;
        for (const XmlNamespace& ns : inherited) {
            if (!ns.uri.empty() && uses(x, ns))
                used.push_back(ns);
        }
        std::u16string out;
        node(x, {}, used, 0, out);
        return out;
    }

private:
    static bool uses(const XmlObject* x, const XmlNamespace& ns) {
        if (x->kind() == XmlKind::Element || x->kind() == XmlKind::Attribute) {
            if (x->uri == ns.uri && x->prefix == ns.prefix)
                return true;
        }
        for (const XmlObject* a : x->attributes) {
            if (uses(a, ns))
                return true;
        }
        for (const XmlObject* c : x->children) {
            if (uses(c, ns))
                return true;
        }
        return false;
    }

    static std::u16string prefixFor(const std::u16string& uri, const std::u16string& hint,
                                    const std::vector<XmlNamespace>& scope, bool attribute) {
        if (uri.empty())
            return u"";
        if (uri == XmlNamespaceUri)
            return u"xml";
        const XmlNamespace* found = nullptr;
        for (auto it = scope.rbegin(); it != scope.rend(); ++it) {
            if (it->uri == uri && (!attribute || !it->prefix.empty()) && (!found || it->prefix == hint)) {
                if (it->prefix == hint)
                    return hint;
                found = &*it;
            }
        }
        return found ? found->prefix : hint;
    }

    void node(const XmlObject* x, std::vector<XmlNamespace> scope, const std::vector<XmlNamespace>& extra, int indent,
              std::u16string& out) {
        switch (x->kind()) {
        case XmlKind::Text:
            if (x->cdata)
                out += cdataSection(x->value);
            else
                out += escapeText(m_pretty ? trim(x->value) : x->value);
            return;
        case XmlKind::Attribute:
            out += escapeXmlAttribute(x->value);
            return;
        case XmlKind::Comment:
            out += u"<!--" + x->value + u"-->";
            return;
        case XmlKind::Instruction:
            out += u"<?" + x->local + (x->value.empty() ? u"" : u" " + x->value) + u"?>";
            return;
        case XmlKind::Element:
            break;
        }
        std::vector<XmlNamespace> declared = extra;
        for (const XmlNamespace& ns : x->namespaces) {
            if (std::find(scope.begin(), scope.end(), ns) == scope.end() &&
                std::find(declared.begin(), declared.end(), ns) == declared.end())
                declared.push_back(ns);
        }
        scope.insert(scope.end(), declared.begin(), declared.end());
        // A name in a namespace nothing declares gets a declaration here.
        std::u16string prefix = prefixFor(x->uri, x->prefix, scope, false);
        bool bound = x->uri.empty();
        for (const XmlNamespace& ns : scope)
            bound = bound || (ns.uri == x->uri && ns.prefix == prefix);
        if (!bound) {
            declared.push_back({prefix, x->uri});
            scope.push_back(declared.back());
        }
        const std::u16string name = prefix.empty() ? x->local : prefix + u":" + x->local;
        out += u"<" + name;
        for (const XmlNamespace& ns : declared)
            out +=
                (ns.prefix.empty() ? u" xmlns" : u" xmlns:" + ns.prefix) + u"=\"" + escapeXmlAttribute(ns.uri) + u"\"";
        for (const XmlObject* a : x->attributes) {
            const std::u16string ap = prefixFor(a->uri, a->prefix, scope, true);
            out +=
                u" " + (ap.empty() ? a->local : ap + u":" + a->local) + u"=\"" + escapeXmlAttribute(a->value) + u"\"";
        }
        std::vector<const XmlObject*> children;
        for (const XmlObject* c : x->children) {
            if (!(m_pretty && c->kind() == XmlKind::Text && !c->cdata && trim(c->value).empty()))
                children.push_back(c);
        }
        if (children.empty()) {
            out += u"/>";
            return;
        }
        out += u">";
        const bool indentChildren = m_pretty && (children.size() > 1 || children[0]->kind() != XmlKind::Text);
        for (const XmlObject* c : children) {
            if (indentChildren)
                out += u"\n" + std::u16string(size_t(indent + m_step), u' ');
            node(c, scope, {}, indent + m_step, out);
        }
        if (indentChildren)
            out += u"\n" + std::u16string(size_t(indent), u' ');
        out += u"</" + name + u">";
    }

    bool m_pretty;
    int m_step;
};

std::u16string toXmlString(Machine& m, const XmlObject* x) {
    const XmlSettings& s = settings(m);
    return Printer(s.prettyPrinting, s.prettyIndent).print(x);
}

std::u16string toXmlString(Machine& m, const XmlListObject* l) {
    std::u16string out;
    for (size_t i = 0; i < l->items.size(); ++i) {
        if (i > 0 && settings(m).prettyPrinting)
            out += u"\n";
        out += toXmlString(m, l->items[i]);
    }
    return out;
}

std::u16string toStringOf(Machine& m, const XmlObject* x) {
    if (x->kind() == XmlKind::Comment || x->kind() == XmlKind::Instruction || !hasSimpleContent(x))
        return toXmlString(m, x);
    return stringValue(x);
}

bool listSimple(const XmlListObject* l) {
    if (l->items.size() == 1)
        return hasSimpleContent(l->items[0]);
    for (const XmlObject* x : l->items) {
        if (x->kind() == XmlKind::Element)
            return false;
    }
    return true;
}

std::u16string toStringOf(Machine& m, const XmlListObject* l) {
    if (!listSimple(l))
        return toXmlString(m, l);
    std::u16string out;
    for (const XmlObject* x : l->items) {
        if (x->kind() != XmlKind::Comment && x->kind() != XmlKind::Instruction)
            out += toStringOf(m, x);
    }
    return out;
}

// --- building ------------------------------------------------------------------

XmlObject* deepCopy(Machine& m, const XmlObject* x, XmlObject* parent) {
    XmlObject* c = newNode(m, x->kind());
    c->uri = x->uri;
    c->local = x->local;
    c->prefix = x->prefix;
    c->value = x->value;
    c->cdata = x->cdata;
    c->namespaces = x->namespaces;
    c->parent = parent;
    for (const XmlObject* a : x->attributes)
        c->attributes.push_back(deepCopy(m, a, c));
    for (const XmlObject* k : x->children)
        c->children.push_back(deepCopy(m, k, c));
    return c;
}

// A copy of a node that leaves its tree keeps the namespaces it used from above.
XmlObject* detachedCopy(Machine& m, const XmlObject* x) {
    XmlObject* c = deepCopy(m, x, nullptr);
    if (c->kind() == XmlKind::Element) {
        for (const XmlObject* p = x->parent; p; p = p->parent) {
            for (const XmlNamespace& ns : p->namespaces) {
                bool known = false;
                for (const XmlNamespace& own : c->namespaces)
                    known = known || own.prefix == ns.prefix;
                if (!known)
                    c->namespaces.push_back(ns);
            }
        }
    }
    return c;
}

// A value as XML: XML stays, a one-item list is its item, text parses.
XmlObject* toXml(Machine& m, Value v) {
    if (XmlObject* x = asXml(v))
        return x;
    if (XmlListObject* l = asXmlList(v)) {
        if (l->items.size() == 1)
            return l->items[0];
        m.throwError("TypeError", 1088, u"The markup in the document following the root element must be well-formed.");
    }
    if (v.isNullish())
        m.throwError("TypeError", 1088, u"The markup in the document following the root element must be well-formed.");
    std::vector<XmlObject*> nodes = parse(m, m.toString(v)->text());
    if (nodes.empty()) {
        XmlObject* t = newNode(m, XmlKind::Text);
        return t;
    }
    if (nodes.size() > 1)
        m.throwError("TypeError", 1088, u"The markup in the document following the root element must be well-formed.");
    return nodes[0];
}

XmlListObject* toList(Machine& m, Value v) {
    if (XmlListObject* l = asXmlList(v))
        return l;
    XmlListObject* out = newList(m);
    Machine::Pin keep(m, Value::object(out));
    if (XmlObject* x = asXml(v)) {
        out->items.push_back(x);
        return out;
    }
    if (v.isNullish())
        return out;
    out->items = parse(m, m.toString(v)->text());
    return out;
}

// The nodes a value adds as children: an XML's node, a list's nodes, or a
// text node of any other value.
std::vector<XmlObject*> contentOf(Machine& m, Value v) {
    if (XmlObject* x = asXml(v))
        return {x};
    if (XmlListObject* l = asXmlList(v))
        return l->items;
    XmlObject* t = newNode(m, XmlKind::Text);
    t->value = m.toString(v)->text();
    return {t};
}

bool isAncestorOrSelf(const XmlObject* a, const XmlObject* x) {
    for (const XmlObject* p = x; p; p = p->parent) {
        if (p == a)
            return true;
    }
    return false;
}

// Puts children into an element at a position: nodes that have a parent
// are copied (a node lives in one tree), a node containing the element is
// refused, and the tree may not grow past the depth limit.
void insertAt(Machine& m, XmlObject* parent, size_t at, const std::vector<XmlObject*>& nodes) {
    if (parent->kind() != XmlKind::Element)
        return;
    std::vector<XmlObject*> placed;
    const size_t room = MaxXmlDepth - std::min(MaxXmlDepth, parent->depth() + 1);
    for (XmlObject* n : nodes) {
        if (n->kind() == XmlKind::Attribute) {
            XmlObject* t = newNode(m, XmlKind::Text);
            t->value = n->value;
            n = t;
        }
        if (isAncestorOrSelf(n, parent))
            m.throwError("TypeError", 1118, u"Illegal cyclical loop between nodes.");
        if (n->height() > room)
            m.throwError("Error", 1023, u"Stack overflow occurred.");
        XmlObject* c = n->parent ? detachedCopy(m, n) : n;
        c->parent = parent;
        placed.push_back(c);
    }
    at = std::min(at, parent->children.size());
    parent->children.insert(parent->children.begin() + long(at), placed.begin(), placed.end());
}

void removeChild(XmlObject* parent, const XmlObject* child) {
    auto& c = parent->children;
    c.erase(std::remove(c.begin(), c.end(), child), c.end());
}

XmlObject* newElement(Machine& m, const std::u16string& uri, const std::u16string& local) {
    XmlObject* e = newNode(m, XmlKind::Element);
    e->uri = uri;
    e->local = local;
    return e;
}

// --- access --------------------------------------------------------------------

void select(const XmlObject* x, const Selector& s, std::vector<XmlObject*>& out) {
    if (x->kind() != XmlKind::Element)
        return;
    for (XmlObject* n : s.attribute ? x->attributes : x->children) {
        if (s.matches(n))
            out.push_back(n);
    }
}

void selectDescendants(const XmlObject* x, const Selector& s, std::vector<XmlObject*>& out) {
    if (x->kind() != XmlKind::Element)
        return;
    if (s.attribute) {
        for (XmlObject* a : x->attributes) {
            if (s.matches(a))
                out.push_back(a);
        }
    }
    for (XmlObject* c : x->children) {
        if (!s.attribute && s.matches(c))
            out.push_back(c);
        selectDescendants(c, s, out);
    }
}

std::vector<XmlObject*> itemsOf(Value target) {
    if (XmlObject* x = asXml(target))
        return {x};
    return asXmlList(target)->items;
}

XmlListObject* resultList(Machine& m, Value target, const Selector& s, std::vector<XmlObject*> items) {
    XmlListObject* l = newList(m);
    l->items = std::move(items);
    l->target = target.asObject();
    l->hasTargetName = !s.anyLocal;
    l->targetLocal = s.local;
    l->targetUri = s.uris.empty() ? u"" : s.uris[0];
    l->targetAttribute = s.attribute;
    return l;
}

XmlListObject* get(Machine& m, Value target, const Selector& s) {
    std::vector<XmlObject*> out;
    for (const XmlObject* x : itemsOf(target))
        select(x, s, out);
    return resultList(m, target, s, std::move(out));
}

// The text of a value set as an attribute: a list's items joined by spaces.
std::u16string attributeText(Machine& m, Value v) {
    if (XmlListObject* l = asXmlList(v)) {
        std::u16string out;
        for (size_t i = 0; i < l->items.size(); ++i)
            out += (i ? u" " : u"") + toStringOf(m, l->items[i]);
        return out;
    }
    if (XmlObject* x = asXml(v))
        return toStringOf(m, x);
    return m.toString(v)->text();
}

void setOnXml(Machine& m, XmlObject* x, const Selector& s, Value v) {
    if (x->kind() != XmlKind::Element)
        return;
    Machine::Pin keep(m, v);
    if (s.attribute) {
        const std::u16string text = attributeText(m, v);
        bool first = true;
        auto& attrs = x->attributes;
        for (size_t i = 0; i < attrs.size();) {
            if (s.matches(attrs[i])) {
                if (first) {
                    attrs[i]->value = text;
                    first = false;
                    ++i;
                    continue;
                }
                attrs.erase(attrs.begin() + long(i));
                continue;
            }
            ++i;
        }
        if (first && !s.anyLocal) {
            XmlObject* a = newNode(m, XmlKind::Attribute);
            a->uri = s.uris.empty() ? u"" : s.uris[0];
            a->local = s.local;
            a->value = text;
            a->parent = x;
            attrs.push_back(a);
        }
        return;
    }
    if (s.anyLocal) {
        // x.* = v: the value becomes the only content.
        x->children.clear();
        insertAt(m, x, 0, contentOf(m, v));
        return;
    }
    // The first matching child is replaced by the value, the others go;
    // with none, a new element of the name is appended.
    size_t first = x->children.size();
    for (size_t i = x->children.size(); i-- > 0;) {
        if (s.matches(x->children[i])) {
            if (first != x->children.size())
                x->children.erase(x->children.begin() + long(first));
            first = i;
        }
    }
    const bool xmlValue = isE4x(v);
    if (first == x->children.size()) {
        XmlObject* e = newElement(m, s.uris.empty() ? u"" : s.uris[0], s.local);
        Machine::Pin keepElement(m, Value::object(e));
        if (xmlValue) {
            insertAt(m, x, x->children.size(), contentOf(m, v));
            return;
        }
        insertAt(m, e, 0, contentOf(m, v));
        insertAt(m, x, x->children.size(), {e});
        return;
    }
    XmlObject* old = x->children[first];
    if (xmlValue) {
        x->children.erase(x->children.begin() + long(first));
        insertAt(m, x, first, contentOf(m, v));
        return;
    }
    old->children.clear();
    insertAt(m, old, 0, contentOf(m, v));
}

}  // namespace

// --- the interpreter's entry points ------------------------------------------------

Value xmlGetProperty(Machine& m, Value target, const Multiname& mn) {
    uint32_t index = 0;
    if (indexName(mn, index)) {
        const std::vector<XmlObject*> items = itemsOf(target);
        return index < items.size() ? Value::object(items[index]) : Value();
    }
    return Value::object(get(m, target, selectorOf(m, mn)));
}

void xmlSetProperty(Machine& m, Value target, const Multiname& mn, Value v) {
    uint32_t index = 0;
    const bool indexed = indexName(mn, index);
    if (XmlObject* x = asXml(target)) {
        if (indexed)
            m.throwError("TypeError", 1087, u"Assignment to indexed XML is not allowed.");
        setOnXml(m, x, selectorOf(m, mn), v);
        return;
    }
    XmlListObject* l = asXmlList(target);
    if (indexed) {
        Machine::Pin keep(m, v);
        if (index < l->items.size()) {
            XmlObject* old = l->items[index];
            if (old->kind() == XmlKind::Attribute) {
                old->value = attributeText(m, v);
                return;
            }
            std::vector<XmlObject*> content = contentOf(m, v);
            if (XmlObject* parent = old->parent) {
                const auto at =
                    size_t(std::find(parent->children.begin(), parent->children.end(), old) - parent->children.begin());
                removeChild(parent, old);
                insertAt(m, parent, at, content);
                content.assign(parent->children.begin() + long(at),
                               parent->children.begin() + long(std::min(parent->children.size(), at + content.size())));
            }
            l->items.erase(l->items.begin() + long(index));
            l->items.insert(l->items.begin() + long(index), content.begin(), content.end());
            return;
        }
        // Past the end: appended to the list, and to the object it was read
        // from under the name it was read by.
        XmlObject* parent = l->target ? asXml(Value::object(l->target)) : nullptr;
        if (!parent && l->target) {
            XmlListObject* outer = asXmlList(Value::object(l->target));
            if (outer && outer->items.size() == 1)
                parent = outer->items[0];
        }
        if (parent && l->hasTargetName && l->targetAttribute) {
            // A list of attributes read by name gains that attribute.
            Selector s;
            s.attribute = true;
            s.anyLocal = l->targetLocal == u"*";
            s.local = l->targetLocal;
            s.uris = {l->targetUri};
            if (s.anyLocal)
                return;
            setOnXml(m, parent, s, v);
            for (XmlObject* a : parent->attributes) {
                if (s.matches(a)) {
                    l->items.push_back(a);
                    break;
                }
            }
            return;
        }
        std::vector<XmlObject*> content;
        if (parent && l->hasTargetName && !l->targetAttribute && !isE4x(v)) {
            XmlObject* e = newElement(m, l->targetUri, l->targetLocal);
            Machine::Pin keepElement(m, Value::object(e));
            insertAt(m, e, 0, contentOf(m, v));
            content = {e};
        } else {
            content = contentOf(m, v);
        }
        if (parent) {
            size_t at = parent->children.size();
            if (!l->items.empty() && l->items.back()->parent == parent) {
                at = size_t(std::find(parent->children.begin(), parent->children.end(), l->items.back()) -
                            parent->children.begin()) +
                     1;
            }
            insertAt(m, parent, at, content);
            content.assign(parent->children.begin() + long(at),
                           parent->children.begin() + long(std::min(parent->children.size(), at + content.size())));
        }
        l->items.insert(l->items.end(), content.begin(), content.end());
        return;
    }
    if (l->items.size() == 1) {
        setOnXml(m, l->items[0], selectorOf(m, mn), v);
        return;
    }
    if (l->items.empty())
        return;
    m.throwError("TypeError", 1089, u"Assignment to lists with more than one item is not supported.");
}

bool xmlDeleteProperty(Machine& m, Value target, const Multiname& mn) {
    uint32_t index = 0;
    if (indexName(mn, index)) {
        XmlListObject* l = asXmlList(target);
        if (!l)
            return false;
        if (index < l->items.size()) {
            XmlObject* x = l->items[index];
            if (XmlObject* p = x->parent) {
                auto& from = x->kind() == XmlKind::Attribute ? p->attributes : p->children;
                from.erase(std::remove(from.begin(), from.end(), x), from.end());
                x->parent = nullptr;
            }
            l->items.erase(l->items.begin() + long(index));
        }
        return true;
    }
    const Selector s = selectorOf(m, mn);
    for (XmlObject* x : itemsOf(target)) {
        if (x->kind() != XmlKind::Element)
            continue;
        auto& from = s.attribute ? x->attributes : x->children;
        for (size_t i = 0; i < from.size();) {
            if (s.matches(from[i])) {
                from[i]->parent = nullptr;
                from.erase(from.begin() + long(i));
            } else {
                ++i;
            }
        }
    }
    return true;
}

bool xmlHasProperty(Machine& m, Value target, const Multiname& mn) {
    uint32_t index = 0;
    if (indexName(mn, index))
        return index < itemsOf(target).size();
    const Selector s = selectorOf(m, mn);
    std::vector<XmlObject*> out;
    for (const XmlObject* x : itemsOf(target))
        select(x, s, out);
    return !out.empty();
}

Value xmlDescendants(Machine& m, Value target, const Multiname& mn) {
    const Selector s = selectorOf(m, mn);
    std::vector<XmlObject*> out;
    for (const XmlObject* x : itemsOf(target))
        selectDescendants(x, s, out);
    XmlListObject* l = newList(m);
    l->items = std::move(out);
    return Value::object(l);
}

Value xmlMethod(Machine& m, Value target, const Multiname& mn) {
    if (mn.anyName || mn.attribute || !mn.readsPrototypes())
        return Value();
    const Object* o = target.asObject();
    if (const Value* f = o->find(std::u16string(mn.text)))
        return *f;
    // A one-item list answers its item's methods, as the language has them;
    // a longer or empty one refuses them.
    if (XmlListObject* l = asXmlList(target)) {
        if (const Value* f = xmlClass(m)->prototype()->find(std::u16string(mn.text))) {
            if (l->items.size() != 1)
                m.throwError("TypeError", 1086,
                             u"The " + std::u16string(mn.text) + u" method only works on lists containing one item.");
            return *f;
        }
    }
    return Value();
}

uint32_t xmlLength(Value target) { return uint32_t(itemsOf(target).size()); }

Value xmlItem(Machine&, Value target, uint32_t index) {
    const std::vector<XmlObject*> items = itemsOf(target);
    return index < items.size() ? Value::object(items[index]) : Value();
}

std::u16string xmlToXmlString(Machine& m, Value target) {
    if (XmlObject* x = asXml(target))
        return toXmlString(m, x);
    return toXmlString(m, asXmlList(target));
}

std::u16string xmlToString(Machine& m, Value target) {
    if (XmlObject* x = asXml(target))
        return toStringOf(m, x);
    return toStringOf(m, asXmlList(target));
}

namespace {

bool sameNode(Machine& m, const XmlObject* a, const XmlObject* b) {
    if (a->kind() != b->kind() || a->local != b->local || a->uri != b->uri)
        return false;
    if (a->kind() != XmlKind::Element)
        return a->value == b->value;
    if (a->attributes.size() != b->attributes.size() || a->children.size() != b->children.size())
        return false;
    for (const XmlObject* x : a->attributes) {
        bool found = false;
        for (const XmlObject* y : b->attributes)
            found = found || (x->local == y->local && x->uri == y->uri && x->value == y->value);
        if (!found)
            return false;
    }
    for (size_t i = 0; i < a->children.size(); ++i) {
        if (!sameNode(m, a->children[i], b->children[i]))
            return false;
    }
    return true;
}

}  // namespace

bool xmlEquals(Machine& m, Value a, Value b) {
    XmlListObject* la = asXmlList(a);
    XmlListObject* lb = asXmlList(b);
    if (la && la->items.size() == 1)
        return xmlEquals(m, Value::object(la->items[0]), b);
    if (lb && lb->items.size() == 1)
        return xmlEquals(m, a, Value::object(lb->items[0]));
    if (la || lb) {
        if (la && lb) {
            if (la->items.size() != lb->items.size())
                return false;
            for (size_t i = 0; i < la->items.size(); ++i) {
                if (!sameNode(m, la->items[i], lb->items[i]))
                    return false;
            }
            return true;
        }
        const XmlListObject* l = la ? la : lb;
        return l->items.empty() && (la ? b : a).isUndefined();
    }
    XmlObject* xa = asXml(a);
    XmlObject* xb = asXml(b);
    if (xa && xb) {
        // Text and attributes compare as text with simple content; two
        // elements compare as trees, attributes included.
        auto textual = [](const XmlObject* x) { return x->kind() == XmlKind::Text || x->kind() == XmlKind::Attribute; };
        if ((textual(xa) && hasSimpleContent(xb)) || (textual(xb) && hasSimpleContent(xa)))
            return toStringOf(m, xa) == toStringOf(m, xb);
        return sameNode(m, xa, xb);
    }
    // XML against another value: simple content compares as text.
    XmlObject* x = xa ? xa : xb;
    const Value other = xa ? b : a;
    if (other.isNullish())
        return false;
    if (!hasSimpleContent(x))
        return false;
    const std::u16string text = toStringOf(m, x);
    if (other.isNumeric())
        return stringToNumber(text) == other.numeric();
    if (other.isBoolean())
        return stringToNumber(text) == (other.asBoolean() ? 1.0 : 0.0);
    return text == m.toString(other)->text();
}

Value xmlConcat(Machine& m, Value a, Value b) {
    XmlListObject* l = newList(m);
    for (const Value v : {a, b}) {
        for (XmlObject* x : itemsOf(v))
            l->items.push_back(x);
    }
    return Value::object(l);
}

Value xmlFilterList(Machine& m, Value v) {
    if (asXmlList(v))
        return v;
    XmlListObject* l = newList(m);
    l->items.push_back(asXml(v));
    return Value::object(l);
}

namespace {

// --- methods ------------------------------------------------------------------------

XmlObject* thisXml(Machine& m, Value self) {
    if (XmlObject* x = asXml(self))
        return x;
    if (XmlListObject* l = asXmlList(self)) {
        if (l->items.size() == 1)
            return l->items[0];
        m.throwError("TypeError", 1086, u"The method only works on lists containing one item.");
    }
    notXml(m);
}

Value xmlOrList(Machine& m, Value self) {
    if (isE4x(self))
        return self;
    notXml(m);
}

Value listOf(Machine& m, std::vector<XmlObject*> items) {
    XmlListObject* l = newList(m);
    l->items = std::move(items);
    return Value::object(l);
}

Value create(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (args.empty() || v.isNullish())
        return Value::object(newNode(m, XmlKind::Text));
    // new XML(xml) copies it; XML(xml) (a call) answers the same node.
    if (XmlObject* x = asXml(v))
        return Value::object(deepCopy(m, x, nullptr));
    return Value::object(toXml(m, v));
}

Value callAsFunction(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (XmlObject* x = asXml(v))
        return Value::object(x);
    if (args.empty() || v.isNullish())
        return Value::object(newNode(m, XmlKind::Text));
    return Value::object(toXml(m, v));
}

Value createList(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    XmlListObject* l = newList(m);
    Machine::Pin keep(m, Value::object(l));
    if (XmlListObject* other = asXmlList(v)) {
        for (const XmlObject* x : other->items)
            l->items.push_back(deepCopy(m, x, nullptr));
        return Value::object(l);
    }
    l->items = toList(m, v)->items;
    return Value::object(l);
}

Value callList(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (asXmlList(v))
        return v;
    return Value::object(toList(m, v));
}

Value toStringNative(Machine& m, Value self, std::span<const Value>) {
    return m.string(xmlToString(m, xmlOrList(m, self)));
}

Value toXmlStringNative(Machine& m, Value self, std::span<const Value>) {
    return m.string(xmlToXmlString(m, xmlOrList(m, self)));
}

Value valueOf(Machine& m, Value self, std::span<const Value>) { return xmlOrList(m, self); }

Value length(Machine& m, Value self, std::span<const Value>) {
    return Value::fromInt(int32_t(xmlLength(xmlOrList(m, self))));
}

Value attribute(Machine& m, Value self, std::span<const Value> args) {
    return Value::object(get(m, xmlOrList(m, self), selectorOfValue(m, argument(args, 0), true)));
}

Value attributes(Machine& m, Value self, std::span<const Value>) {
    Selector s;
    s.attribute = true;
    s.anyLocal = true;
    s.anyUri = true;
    return Value::object(get(m, xmlOrList(m, self), s));
}

Value child(Machine& m, Value self, std::span<const Value> args) {
    const Value name = argument(args, 0);
    const Value target = xmlOrList(m, self);
    uint32_t index = 0;
    const bool indexText = name.isString() && arrayIndex(name.asString()->text(), index);  // child("1")
    if (name.isNumeric() || indexText) {
        // child(i): the i-th child of each item.
        std::vector<XmlObject*> out;
        const double i = indexText ? double(index) : name.numeric();
        for (const XmlObject* x : itemsOf(target)) {
            if (i >= 0 && i < double(x->children.size()))
                out.push_back(x->children[size_t(i)]);
        }
        return listOf(m, std::move(out));
    }
    return Value::object(get(m, target, selectorOfValue(m, name, false)));
}

Value children(Machine& m, Value self, std::span<const Value>) {
    Selector s;
    s.anyLocal = true;
    s.anyUri = true;
    return Value::object(get(m, xmlOrList(m, self), s));
}

template <XmlKind Kind>
Value childrenOfKind(Machine& m, Value self, std::span<const Value> args) {
    std::vector<XmlObject*> out;
    Selector s;
    const bool named = Kind != XmlKind::Text && Kind != XmlKind::Comment && !args.empty();
    if (named)
        s = selectorOfValue(m, args[0], false);
    for (const XmlObject* x : itemsOf(xmlOrList(m, self))) {
        for (XmlObject* c : x->children) {
            if (c->kind() != Kind)
                continue;
            if (named && !s.anyLocal && c->local != s.local)
                continue;
            if (named && Kind == XmlKind::Element && !s.anyUri &&
                std::find(s.uris.begin(), s.uris.end(), c->uri) == s.uris.end())
                continue;
            out.push_back(c);
        }
    }
    return listOf(m, std::move(out));
}

Value descendants(Machine& m, Value self, std::span<const Value> args) {
    Selector s;
    if (args.empty()) {
        s.anyLocal = true;
        s.anyUri = true;
    } else {
        s = selectorOfValue(m, args[0], false);
    }
    std::vector<XmlObject*> out;
    for (const XmlObject* x : itemsOf(xmlOrList(m, self)))
        selectDescendants(x, s, out);
    return listOf(m, std::move(out));
}

Value parent(Machine& m, Value self, std::span<const Value>) {
    if (XmlListObject* l = asXmlList(self)) {
        // The common parent of every item, or undefined.
        XmlObject* p = nullptr;
        for (size_t i = 0; i < l->items.size(); ++i) {
            if (i == 0)
                p = l->items[0]->parent;
            else if (l->items[i]->parent != p)
                return Value();
        }
        return p ? Value::object(p) : Value();
    }
    XmlObject* x = thisXml(m, self);
    return x->parent ? Value::object(x->parent) : Value();
}

Value hasSimple(Machine& m, Value self, std::span<const Value>) {
    if (XmlListObject* l = asXmlList(self))
        return Value::boolean(listSimple(l));
    return Value::boolean(hasSimpleContent(thisXml(m, self)));
}

Value hasComplex(Machine& m, Value self, std::span<const Value>) {
    if (XmlListObject* l = asXmlList(self)) {
        if (l->items.size() == 1)
            return Value::boolean(!hasSimpleContent(l->items[0]) && l->items[0]->kind() == XmlKind::Element);
        for (const XmlObject* x : l->items) {
            if (x->kind() == XmlKind::Element)
                return Value::boolean(true);
        }
        return Value::boolean(false);
    }
    const XmlObject* x = thisXml(m, self);
    return Value::boolean(x->kind() == XmlKind::Element && !hasSimpleContent(x));
}

Value contains(Machine& m, Value self, std::span<const Value> args) {
    const Value v = argument(args, 0);
    for (XmlObject* x : itemsOf(xmlOrList(m, self))) {
        if (xmlEquals(m, Value::object(x), v))
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

Value copy(Machine& m, Value self, std::span<const Value>) {
    if (XmlListObject* l = asXmlList(self)) {
        XmlListObject* out = newList(m);
        Machine::Pin keep(m, Value::object(out));
        for (const XmlObject* x : l->items)
            out->items.push_back(detachedCopy(m, x));
        return Value::object(out);
    }
    return Value::object(detachedCopy(m, thisXml(m, self)));
}

void normalizeNode(XmlObject* x) {
    auto& c = x->children;
    for (size_t i = 0; i < c.size();) {
        if (c[i]->kind() == XmlKind::Element) {
            normalizeNode(c[i]);
            ++i;
        } else if (c[i]->kind() == XmlKind::Text) {
            while (i + 1 < c.size() && c[i + 1]->kind() == XmlKind::Text) {
                c[i]->value += c[i + 1]->value;
                c.erase(c.begin() + long(i + 1));
            }
            if (c[i]->value.empty())
                c.erase(c.begin() + long(i));
            else
                ++i;
        } else {
            ++i;
        }
    }
}

Value normalize(Machine& m, Value self, std::span<const Value>) {
    for (XmlObject* x : itemsOf(xmlOrList(m, self)))
        normalizeNode(x);
    return self;
}

Value appendChild(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    insertAt(m, x, x->children.size(), contentOf(m, argument(args, 0)));
    return Value::object(x);
}

Value prependChild(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    insertAt(m, x, 0, contentOf(m, argument(args, 0)));
    return Value::object(x);
}

// insertChildAfter(ref, v) / insertChildBefore(ref, v): ref null puts the
// value first (after) or last (before); a ref that is no child answers undefined.
template <bool After>
Value insertChild(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    if (x->kind() != XmlKind::Element)
        return Value();
    const Value ref = argument(args, 0);
    size_t at = After ? 0 : x->children.size();
    if (!ref.isNullish()) {
        XmlObject* r = toXml(m, ref);
        auto it = std::find(x->children.begin(), x->children.end(), r);
        if (it == x->children.end())
            return Value();
        at = size_t(it - x->children.begin()) + (After ? 1 : 0);
    }
    insertAt(m, x, at, contentOf(m, argument(args, 1)));
    return Value::object(x);
}

Value replace(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    if (x->kind() != XmlKind::Element)
        return Value::object(x);
    const Value name = argument(args, 0);
    const Value v = argument(args, 1);
    Machine::Pin keep(m, v);
    if (name.isNumeric()) {
        const double i = name.numeric();
        if (i >= 0 && i < double(x->children.size())) {
            const auto at = size_t(i);
            x->children[at]->parent = nullptr;
            x->children.erase(x->children.begin() + long(at));
            insertAt(m, x, at, contentOf(m, v));
        } else {
            insertAt(m, x, x->children.size(), contentOf(m, v));
        }
        return Value::object(x);
    }
    const Selector s = selectorOfValue(m, name, false);
    size_t first = x->children.size();
    for (size_t i = x->children.size(); i-- > 0;) {
        if (s.matches(x->children[i])) {
            if (first != x->children.size()) {
                x->children[first]->parent = nullptr;
                x->children.erase(x->children.begin() + long(first));
            }
            first = i;
        }
    }
    if (first == x->children.size())
        return Value::object(x);
    x->children[first]->parent = nullptr;
    x->children.erase(x->children.begin() + long(first));
    insertAt(m, x, first, contentOf(m, v));
    return Value::object(x);
}

Value setChildren(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    const Value v = argument(args, 0);
    Machine::Pin keep(m, v);
    std::vector<XmlObject*> content = contentOf(m, v);
    for (XmlObject* c : x->children) {
        if (std::find(content.begin(), content.end(), c) == content.end())
            c->parent = nullptr;
    }
    // Children that stay are moved, not copied.
    for (XmlObject* c : content) {
        if (c->parent == x)
            c->parent = nullptr;
    }
    x->children.clear();
    insertAt(m, x, 0, content);
    return Value::object(x);
}

Value childIndex(Machine& m, Value self, std::span<const Value>) {
    XmlObject* x = thisXml(m, self);
    if (!x->parent || x->kind() == XmlKind::Attribute)
        return Value::fromInt(-1);
    auto& c = x->parent->children;
    return Value::fromInt(int32_t(std::find(c.begin(), c.end(), x) - c.begin()));
}

Value nodeKind(Machine& m, Value self, std::span<const Value>) {
    static const char16_t* const Names[] = {u"element", u"text", u"comment", u"processing-instruction", u"attribute"};
    return m.string(Names[int(thisXml(m, self)->kind())]);
}

Value localName(Machine& m, Value self, std::span<const Value>) {
    const XmlObject* x = thisXml(m, self);
    if (x->kind() == XmlKind::Text || x->kind() == XmlKind::Comment)
        return Value::null();
    return m.string(x->local);
}

Value name(Machine& m, Value self, std::span<const Value>) {
    const XmlObject* x = thisXml(m, self);
    if (x->kind() == XmlKind::Text || x->kind() == XmlKind::Comment)
        return Value::null();
    const Value uri = m.string(x->kind() == XmlKind::Instruction ? u"" : x->uri);
    Machine::Pin keep(m, uri);
    const Value local = m.string(x->local);
    Machine::Pin keepLocal(m, local);
    return newQName(m, uri, local, x->kind() == XmlKind::Attribute);
}

Value makeNamespace(Machine& m, const std::u16string& prefix, const std::u16string& uri) {
    const Value p = m.string(prefix);
    Machine::Pin keepP(m, p);
    const Value u = m.string(uri);
    Machine::Pin keepU(m, u);
    const Value args[2] = {p, u};
    return m.construct(Value::object(m.coreClass(u"Namespace")), args);
}

// Every namespace in scope at a node, innermost declaration of a prefix first.
std::vector<XmlNamespace> inScope(const XmlObject* x) {
    std::vector<XmlNamespace> out;
    for (const XmlObject* p = x; p; p = p->parent) {
        for (const XmlNamespace& ns : p->namespaces) {
            bool shadowed = false;
            for (const XmlNamespace& seen : out)
                shadowed = shadowed || seen.prefix == ns.prefix;
            if (!shadowed)
                out.push_back(ns);
        }
    }
    return out;
}

Value namespaceOf(Machine& m, Value self, std::span<const Value> args) {
    const XmlObject* x = thisXml(m, self);
    const std::vector<XmlNamespace> scope = inScope(x);
    if (!args.empty()) {
        // namespace(prefix): the one declared in scope for it, or undefined.
        const std::u16string prefix = m.toString(args[0])->text();
        for (const XmlNamespace& ns : scope) {
            if (ns.prefix == prefix)
                return makeNamespace(m, ns.prefix, ns.uri);
        }
        return Value();
    }
    if (x->kind() == XmlKind::Text || x->kind() == XmlKind::Comment || x->kind() == XmlKind::Instruction)
        return Value::null();
    for (const XmlNamespace& ns : scope) {
        if (ns.uri == x->uri && (ns.prefix == x->prefix || x->prefix.empty()))
            return makeNamespace(m, ns.prefix, ns.uri);
    }
    return makeNamespace(m, x->prefix, x->uri);
}

Value namespacesArray(Machine& m, const std::vector<XmlNamespace>& list) {
    ArrayObject* a = m.newArray();
    Machine::Pin keep(m, Value::object(a));
    for (const XmlNamespace& ns : list) {
        const Value n = makeNamespace(m, ns.prefix, ns.uri);
        m.resizeArray(a, a->elements().size() + 1);
        a->elements().back() = n;
    }
    return Value::object(a);
}

Value namespaceDeclarations(Machine& m, Value self, std::span<const Value>) {
    return namespacesArray(m, thisXml(m, self)->namespaces);
}

Value inScopeNamespaces(Machine& m, Value self, std::span<const Value>) {
    std::vector<XmlNamespace> scope = inScope(thisXml(m, self));
    if (scope.empty())
        scope.push_back({u"", u""});
    return namespacesArray(m, scope);
}

// A namespace argument: a Namespace, a QName's uri, or a uri as text.
XmlNamespace namespaceArgument(Machine& m, Value v) {
    XmlNamespace ns;
    if (v.isNamespace()) {
        ns.uri = v.asNamespace()->uri();
        return ns;
    }
    if (v.isObject() && v.asObject()->nativeAs<QNameState>()) {
        const QNameState* q = v.asObject()->nativeAs<QNameState>();
        ns.uri = q->uri.isNull() ? u"" : m.toString(q->uri)->text();
        return ns;
    }
    if (v.isObject() && v.asObject()->proto() == m.coreClass(u"Namespace")->prototype()) {
        const Value prefix = m.getMember(v, u"prefix");
        ns.prefix = prefix.isUndefined() ? u"" : m.toString(prefix)->text();
        ns.uri = m.toString(m.getMember(v, u"uri"))->text();
        return ns;
    }
    ns.uri = m.toString(v)->text();
    return ns;
}

Value addNamespace(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    if (x->kind() != XmlKind::Element)
        return Value::object(x);
    const XmlNamespace ns = namespaceArgument(m, argument(args, 0));
    if (ns.uri.empty() && !ns.prefix.empty())
        return Value::object(x);
    for (XmlNamespace& own : x->namespaces) {
        if (own.prefix == ns.prefix) {
            own.uri = ns.uri;
            return Value::object(x);
        }
    }
    x->namespaces.push_back(ns);
    return Value::object(x);
}

Value removeNamespace(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    const XmlNamespace ns = namespaceArgument(m, argument(args, 0));
    // A namespace the node's own name or an attribute uses stays.
    std::function<void(XmlObject*)> remove = [&](XmlObject* e) {
        if (e->kind() != XmlKind::Element)
            return;
        bool used = e->uri == ns.uri;
        for (const XmlObject* a : e->attributes)
            used = used || a->uri == ns.uri;
        if (!used) {
            auto& list = e->namespaces;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](const XmlNamespace& n) {
                                          return n.uri == ns.uri && (ns.prefix.empty() || n.prefix == ns.prefix);
                                      }),
                       list.end());
        }
        for (XmlObject* c : e->children)
            remove(c);
    };
    remove(x);
    return Value::object(x);
}

// A local name must print as one: a letter or '_' first, then letters,
// digits, '_', '-' or '.' (any character past ASCII counts as a letter).
const std::u16string& checkedLocalName(Machine& m, const std::u16string& name) {
    auto letter = [](char16_t c) { return c >= 0x80 || c == u'_' || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z'); };
    bool valid = !name.empty() && letter(name[0]);
    for (size_t i = 1; valid && i < name.size(); ++i) {
        const char16_t c = name[i];
        valid = letter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
    }
    if (!valid)
        m.throwError("TypeError", 1117, u"Invalid XML name: " + name + u".");
    return name;
}

Value setName(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    if (x->kind() == XmlKind::Text || x->kind() == XmlKind::Comment)
        return Value();
    const Value v = argument(args, 0);
    if (const QNameState* q = v.isObject() ? v.asObject()->nativeAs<QNameState>() : nullptr) {
        x->local = checkedLocalName(m, m.toString(q->localName)->text());
        if (x->kind() != XmlKind::Instruction)
            x->uri = q->uri.isNull() ? u"" : m.toString(q->uri)->text();
    } else {
        x->local = checkedLocalName(m, m.toString(v)->text());
        x->uri.clear();
    }
    x->prefix.clear();
    return Value();
}

Value setLocalName(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    if (x->kind() == XmlKind::Text || x->kind() == XmlKind::Comment)
        return Value();
    const Value v = argument(args, 0);
    if (const QNameState* q = v.isObject() ? v.asObject()->nativeAs<QNameState>() : nullptr)
        x->local = checkedLocalName(m, m.toString(q->localName)->text());
    else
        x->local = checkedLocalName(m, m.toString(v)->text());
    return Value();
}

Value setNamespace(Machine& m, Value self, std::span<const Value> args) {
    XmlObject* x = thisXml(m, self);
    if (x->kind() != XmlKind::Element && x->kind() != XmlKind::Attribute)
        return Value();
    const XmlNamespace ns = namespaceArgument(m, argument(args, 0));
    x->uri = ns.uri;
    x->prefix = ns.prefix;
    XmlObject* holder = x->kind() == XmlKind::Attribute ? x->parent : x;
    if (holder && !ns.uri.empty()) {
        bool known = false;
        for (const XmlNamespace& own : holder->namespaces)
            known = known || own == ns;
        if (!known)
            holder->namespaces.push_back(ns);
    }
    return Value();
}

Value hasOwnProperty(Machine& m, Value self, std::span<const Value> args) {
    const Value target = xmlOrList(m, self);
    const Value name = argument(args, 0);
    uint32_t index = 0;
    const std::u16string text = m.toString(name)->text();
    if (arrayIndex(text, index))
        return Value::boolean(index < xmlLength(target));
    const Selector s = selectorOfValue(m, name, false);
    std::vector<XmlObject*> out;
    for (const XmlObject* x : itemsOf(target))
        select(x, s, out);
    return Value::boolean(!out.empty());
}

Value propertyIsEnumerable(Machine& m, Value self, std::span<const Value> args) {
    uint32_t index = 0;
    return Value::boolean(arrayIndex(m.toString(argument(args, 0))->text(), index) &&
                          index < xmlLength(xmlOrList(m, self)));
}

Value toJson(Machine& m, Value self, std::span<const Value>) { return m.string(asXmlList(self) ? u"XMLList" : u"XML"); }

// --- settings ---------------------------------------------------------------------------

template <bool XmlSettings::*Flag>
Value getFlag(Machine& m, Value, std::span<const Value>) {
    return Value::boolean(settings(m).*Flag);
}
template <bool XmlSettings::*Flag>
Value setFlag(Machine& m, Value, std::span<const Value> args) {
    settings(m).*Flag = toBoolean(argument(args, 0));
    return Value();
}
Value getIndent(Machine& m, Value, std::span<const Value>) { return Value::fromInt(settings(m).prettyIndent); }
Value setIndent(Machine& m, Value, std::span<const Value> args) {
    settings(m).prettyIndent = int(std::clamp(m.toNumber(argument(args, 0)), 0.0, 64.0));
    return Value();
}

Value settingsObject(Machine& m, const XmlSettings& s) {
    Object* o = m.newObject();
    Machine::Pin keep(m, Value::object(o));
    o->setOwn(u"ignoreComments", Value::boolean(s.ignoreComments));
    o->setOwn(u"ignoreProcessingInstructions", Value::boolean(s.ignoreProcessingInstructions));
    o->setOwn(u"ignoreWhitespace", Value::boolean(s.ignoreWhitespace));
    o->setOwn(u"prettyIndent", Value::fromInt(s.prettyIndent));
    o->setOwn(u"prettyPrinting", Value::boolean(s.prettyPrinting));
    return Value::object(o);
}

Value getSettings(Machine& m, Value, std::span<const Value>) { return settingsObject(m, settings(m)); }
Value defaultSettings(Machine& m, Value, std::span<const Value>) { return settingsObject(m, XmlSettings{}); }

Value setSettings(Machine& m, Value, std::span<const Value> args) {
    XmlSettings& s = settings(m);
    const Value v = argument(args, 0);
    if (!v.isObject()) {
        s = XmlSettings{};
        return Value();
    }
    const Object* o = v.asObject();
    auto flag = [&](const char16_t* name, bool& out) {
        if (const Value* f = o->findOwn(name); f && f->isBoolean())
            out = f->asBoolean();
    };
    flag(u"ignoreComments", s.ignoreComments);
    flag(u"ignoreProcessingInstructions", s.ignoreProcessingInstructions);
    flag(u"ignoreWhitespace", s.ignoreWhitespace);
    flag(u"prettyPrinting", s.prettyPrinting);
    if (const Value* f = o->findOwn(u"prettyIndent"); f && f->isNumeric())
        s.prettyIndent = int(std::clamp(f->numeric(), 0.0, 64.0));
    return Value();
}

const NativeMember XmlPrototype[] = {
    {u"addNamespace", addNamespace},
    {u"appendChild", appendChild},
    {u"attribute", attribute},
    {u"attributes", attributes},
    {u"child", child},
    {u"childIndex", childIndex},
    {u"children", children},
    {u"comments", childrenOfKind<XmlKind::Comment>},
    {u"contains", contains},
    {u"copy", copy},
    {u"descendants", descendants},
    {u"elements", childrenOfKind<XmlKind::Element>},
    {u"hasComplexContent", hasComplex},
    {u"hasOwnProperty", hasOwnProperty},
    {u"hasSimpleContent", hasSimple},
    {u"inScopeNamespaces", inScopeNamespaces},
    {u"insertChildAfter", insertChild<true>},
    {u"insertChildBefore", insertChild<false>},
    {u"length", length},
    {u"localName", localName},
    {u"name", name},
    {u"namespace", namespaceOf},
    {u"namespaceDeclarations", namespaceDeclarations},
    {u"nodeKind", nodeKind},
    {u"normalize", normalize},
    {u"parent", parent},
    {u"prependChild", prependChild},
    {u"processingInstructions", childrenOfKind<XmlKind::Instruction>},
    {u"propertyIsEnumerable", propertyIsEnumerable},
    {u"removeNamespace", removeNamespace},
    {u"replace", replace},
    {u"setChildren", setChildren},
    {u"setLocalName", setLocalName},
    {u"setName", setName},
    {u"setNamespace", setNamespace},
    {u"text", childrenOfKind<XmlKind::Text>},
    {u"toJSON", toJson},
    {u"toString", toStringNative},
    {u"toXMLString", toXmlStringNative},
    {u"valueOf", valueOf},
};

const NativeMember ListPrototype[] = {
    {u"attribute", attribute},
    {u"attributes", attributes},
    {u"child", child},
    {u"children", children},
    {u"comments", childrenOfKind<XmlKind::Comment>},
    {u"contains", contains},
    {u"copy", copy},
    {u"descendants", descendants},
    {u"elements", childrenOfKind<XmlKind::Element>},
    {u"hasComplexContent", hasComplex},
    {u"hasOwnProperty", hasOwnProperty},
    {u"hasSimpleContent", hasSimple},
    {u"length", length},
    {u"normalize", normalize},
    {u"parent", parent},
    {u"processingInstructions", childrenOfKind<XmlKind::Instruction>},
    {u"propertyIsEnumerable", propertyIsEnumerable},
    {u"text", childrenOfKind<XmlKind::Text>},
    {u"toJSON", toJson},
    {u"toString", toStringNative},
    {u"toXMLString", toXmlStringNative},
    {u"valueOf", valueOf},
};

const NativeAccessor XmlStaticAccessors[] = {
    {u"ignoreComments", getFlag<&XmlSettings::ignoreComments>, setFlag<&XmlSettings::ignoreComments>},
    {u"ignoreProcessingInstructions", getFlag<&XmlSettings::ignoreProcessingInstructions>,
     setFlag<&XmlSettings::ignoreProcessingInstructions>},
    {u"ignoreWhitespace", getFlag<&XmlSettings::ignoreWhitespace>, setFlag<&XmlSettings::ignoreWhitespace>},
    {u"prettyPrinting", getFlag<&XmlSettings::prettyPrinting>, setFlag<&XmlSettings::prettyPrinting>},
    {u"prettyIndent", getIndent, setIndent},
};

const NativeMember XmlStatics[] = {
    {u"settings", getSettings}, {u"setSettings", setSettings}, {u"defaultSettings", defaultSettings}};

const CoreClassSpec Classes[] = {
    {.name = u"XML",
     .base = u"Object",
     .create = create,
     .callAsFunction = callAsFunction,
     .sealed = true,
     .prototype = XmlPrototype,
     .statics = XmlStatics,
     .staticAccessors = XmlStaticAccessors,
     .final = true,
     .prototypeInAs3 = true},
    {.name = u"XMLList",
     .base = u"Object",
     .create = createList,
     .callAsFunction = callList,
     .sealed = true,
     .prototype = ListPrototype,
     .final = true,
     .prototypeInAs3 = true},
};

}  // namespace

std::span<const CoreClassSpec> xmlClasses() { return Classes; }

}  // namespace avm2
