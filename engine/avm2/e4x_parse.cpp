// XML text to E4X nodes through expat. The text is read inside a wrapping
// element, so that a fragment of several nodes (an XMLList's text) parses
// like a document; a leading XML declaration and DOCTYPE are skipped and
// never read, so no entity the text declares is ever expanded (a reference
// to one is an error). Namespace declarations are kept as written and
// resolved here, with their prefixes, for printing.
#include "avm2/e4x_parse.h"

#include "avm2/conversions.h"

#include <expat.h>

namespace avm2 {

namespace {

bool isXmlSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::u16string trimmed(const std::u16string& s) {
    size_t a = 0, b = s.size();
    while (a < b && isXmlSpace(s[a]))
        ++a;
    while (b > a && isXmlSpace(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

// The declaration and DOCTYPE before the first element, skipped: a DOCTYPE
// may carry an internal subset in brackets.
size_t prologEnd(std::string_view t) {
    size_t at = 0;
    for (;;) {
        while (at < t.size() && isXmlSpace(char16_t(t[at])))
            ++at;
        if (t.substr(at, 5) == "<?xml" && at + 5 < t.size() && isXmlSpace(char16_t(t[at + 5]))) {
            const size_t end = t.find("?>", at);
            if (end == std::string_view::npos)
                return at;
            at = end + 2;
        } else if (t.substr(at, 9) == "<!DOCTYPE") {
            int brackets = 0;
            size_t i = at + 9;
            for (; i < t.size(); ++i) {
                if (t[i] == '[')
                    ++brackets;
                else if (t[i] == ']')
                    --brackets;
                else if (t[i] == '>' && brackets <= 0)
                    break;
            }
            if (i >= t.size())
                return at;
            at = i + 1;
        } else {
            return at;
        }
    }
}

struct Reader {
    Reader(Machine& machine, XmlFactory& factory, XmlParseOptions opts)
        : m(machine), make(factory), options(std::move(opts)) {}
    Machine& m;
    XmlFactory& make;
    XmlParseOptions options;
    XML_Parser parser = nullptr;
    XmlObject* root = nullptr;  // holds the wrapper
    XmlObject* current = nullptr;
    size_t depth = 0;
    std::u16string text;
    bool failed = false;
    int errorNumber = 0;
    std::u16string errorText;

    void fail(int number, std::u16string message) {
        if (!failed) {
            failed = true;
            errorNumber = number;
            errorText = std::move(message);
        }
        XML_StopParser(parser, XML_FALSE);
    }

    // The uri a prefix means on the current element and above.
    bool resolve(const XmlObject* at, const std::u16string& prefix, std::u16string& uri) const {
        if (prefix == u"xml") {
            uri = XmlNamespaceUri;
            return true;
        }
        for (const XmlObject* e = at; e; e = e->parent) {
            for (const XmlNamespace& ns : e->namespaces) {
                if (ns.prefix == prefix) {
                    uri = ns.uri;
                    return true;
                }
            }
        }
        if (prefix.empty()) {
            uri = options.defaultNamespace;
            return true;
        }
        return false;
    }

    void flushText(bool cdata = false) {
        if (text.empty() || failed)
            return;
        std::u16string value = std::move(text);
        text.clear();
        if (options.ignoreWhitespace && !cdata) {
            value = trimmed(value);
            if (value.empty())
                return;
        }
        XmlObject* t = make(XmlKind::Text);
        t->value = std::move(value);
        t->cdata = cdata;
        t->parent = current;
        current->children.push_back(t);
    }

    void start(const char* name, const char** attrs) {
        flushText();
        if (failed)
            return;
        // The wrapper takes one level.
        if (++depth > MaxXmlDepth + 1) {
            fail(1090, u"XML parser failure: element is nested too deeply.");
            return;
        }
        XmlObject* e = make(XmlKind::Element);
        e->parent = current;
        std::vector<std::pair<std::u16string, std::u16string>> plain;
        for (size_t i = 0; attrs[i]; i += 2) {
            std::u16string an = utf8ToUtf16(attrs[i]);
            std::u16string av = utf8ToUtf16(attrs[i + 1]);
            if (an == u"xmlns")
                e->namespaces.push_back({u"", av});
            else if (an.starts_with(u"xmlns:"))
                e->namespaces.push_back({an.substr(6), av});
            else
                plain.emplace_back(std::move(an), std::move(av));
        }
        const std::u16string qualified = utf8ToUtf16(name);
        const size_t colon = qualified.find(u':');
        e->prefix = colon == std::u16string::npos ? u"" : qualified.substr(0, colon);
        e->local = colon == std::u16string::npos ? qualified : qualified.substr(colon + 1);
        if (!resolve(e, e->prefix, e->uri)) {
            fail(1083, u"The prefix \"" + e->prefix + u"\" for element \"" + e->local + u"\" is not bound.");
            return;
        }
        for (auto& [an, av] : plain) {
            XmlObject* a = make(XmlKind::Attribute);
            const size_t c = an.find(u':');
            if (c != std::u16string::npos) {
                a->prefix = an.substr(0, c);
                a->local = an.substr(c + 1);
                if (!resolve(e, a->prefix, a->uri)) {
                    fail(1083, u"The prefix \"" + a->prefix + u"\" for attribute \"" + a->local + u"\" is not bound.");
                    return;
                }
            } else {
                a->local = std::move(an);
            }
            a->value = std::move(av);
            a->parent = e;
            e->attributes.push_back(a);
        }
        current->children.push_back(e);
        current = e;
    }

    void end() {
        flushText();
        if (failed)
            return;
        --depth;
        current = current->parent;
    }

    void comment(const char* data) {
        flushText();
        if (failed || options.ignoreComments)
            return;
        XmlObject* c = make(XmlKind::Comment);
        c->value = utf8ToUtf16(data);
        c->parent = current;
        current->children.push_back(c);
    }

    void instruction(const char* target, const char* data) {
        flushText();
        if (failed || options.ignoreProcessingInstructions)
            return;
        XmlObject* p = make(XmlKind::Instruction);
        p->local = utf8ToUtf16(target);
        p->value = utf8ToUtf16(data);
        p->parent = current;
        current->children.push_back(p);
    }
};

}  // namespace

XmlParseResult parseXmlText(Machine& m, XmlFactory& make, const std::u16string& source,
                            const XmlParseOptions& options) {
    XmlParseResult result;
    if (source.size() > MaxXmlTextBytes) {
        result.errorNumber = 1090;
        result.errorText = u"XML parser failure: the text is too long.";
        return result;
    }
    const std::string utf8 = utf16ToUtf8(source);
    const std::string_view body = std::string_view(utf8).substr(prologEnd(utf8));
    Reader r(m, make, options);
    r.root = make(XmlKind::Element);
    r.current = r.root;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser) {
        result.errorNumber = 1000;
        result.errorText = u"The system is out of memory.";
        return result;
    }
    r.parser = parser;
    XML_SetUserData(parser, &r);
    // No entity is declared in what expat reads (the DOCTYPE was skipped),
    // so any reference but the five predefined ones is an error; this
    // refuses the declarations outright should one get through.
    XML_SetEntityDeclHandler(parser, [](void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                        const XML_Char*, const XML_Char*, const XML_Char*) {
        static_cast<Reader*>(data)->fail(1090, u"XML parser failure: entity declarations are not allowed.");
    });
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attrs) {
            static_cast<Reader*>(data)->start(name, attrs);
        },
        [](void* data, const XML_Char*) { static_cast<Reader*>(data)->end(); });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int len) {
        auto* reader = static_cast<Reader*>(data);
        if (!reader->failed && reader->depth > 0)
            reader->text += utf8ToUtf16(std::string_view(s, size_t(len)));
    });
    // A CDATA section stays a text node of its own.
    XML_SetCdataSectionHandler(
        parser,
        [](void* data) {
            auto* reader = static_cast<Reader*>(data);
            if (reader->depth > 0)
                reader->flushText();
        },
        [](void* data) {
            auto* reader = static_cast<Reader*>(data);
            if (reader->depth > 0)
                reader->flushText(true);
        });
    XML_SetCommentHandler(parser, [](void* data, const XML_Char* s) {
        auto* reader = static_cast<Reader*>(data);
        if (reader->depth > 0)
            reader->comment(s);
    });
    XML_SetProcessingInstructionHandler(parser, [](void* data, const XML_Char* target, const XML_Char* s) {
        auto* reader = static_cast<Reader*>(data);
        if (reader->depth > 0)
            reader->instruction(target, s);
    });
    // The wrapper is an element of level 1 below the holder; the text's
    // own nodes are its children.
    const std::string open = "<w>", close = "</w>";
    bool ok = XML_Parse(parser, open.data(), int(open.size()), XML_FALSE) == XML_STATUS_OK;
    ok = ok && XML_Parse(parser, body.data(), int(body.size()), XML_FALSE) == XML_STATUS_OK;
    ok = ok && XML_Parse(parser, close.data(), int(close.size()), XML_TRUE) == XML_STATUS_OK;
    if (!ok && !r.failed) {
        const XML_Error code = XML_GetErrorCode(parser);
        if (code == XML_ERROR_TAG_MISMATCH)
            r.fail(1085, u"The element type must be terminated by the matching end-tag.");
        else if (code == XML_ERROR_UNDEFINED_ENTITY)
            r.fail(1090, u"XML parser failure: an entity is not defined.");
        else if (code == XML_ERROR_JUNK_AFTER_DOC_ELEMENT)
            r.fail(1088, u"The markup in the document following the root element must be well-formed.");
        else
            r.fail(1090, u"XML parser failure: element is malformed.");
    }
    XML_ParserFree(parser);
    if (r.failed) {
        result.errorNumber = r.errorNumber;
        result.errorText = std::move(r.errorText);
        return result;
    }
    if (r.root->children.size() != 1) {
        result.errorNumber = 1090;
        result.errorText = u"XML parser failure: element is malformed.";
        return result;
    }
    result.nodes = std::move(r.root->children[0]->children);
    for (XmlObject* n : result.nodes)
        n->parent = nullptr;
    return result;
}

}  // namespace avm2
