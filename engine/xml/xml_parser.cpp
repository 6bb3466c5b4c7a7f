#include "xml/xml_parser.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace xml {

namespace {

// The wrapper that lets expat read several top-level nodes as one document.
constexpr std::string_view WrapperName = "moviehost-document";
constexpr size_t FeedBytes = size_t(1) << 20;

bool startsWith(std::string_view text, size_t at, std::string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

// A reference expat knows: the five named ones or a character reference.
bool isKnownReference(std::string_view text, size_t at) {
    static constexpr std::string_view Named[] = {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"};
    for (const auto name : Named)
        if (startsWith(text, at, name))
            return true;
    if (!startsWith(text, at, "&#"))
        return false;
    size_t i = at + 2;
    const bool hex = i < text.size() && text[i] == 'x';
    if (hex)
        ++i;
    const size_t digits = i;
    while (i < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[i])) != 0
                                   : std::isdigit(static_cast<unsigned char>(text[i])) != 0))
        ++i;
    return i > digits && i < text.size() && text[i] == ';';
}

// Takes the declaration and DOCTYPE out, escapes unknown '&', and finds the
// errors expat would name less precisely. Returns Ok or a status.
int prepare(std::string_view text, std::string& out, ParseOutcome& outcome) {
    out.reserve(text.size() + 64);
    size_t i = 0;
    auto copyText = [&](size_t end) {
        for (; i < end; ++i) {
            if (text[i] == '&' && !isKnownReference(text, i))
                out += "&amp;";
            else
                out += text[i];
        }
    };
    while (i < text.size()) {
        const size_t open = text.find('<', i);
        if (open == std::string_view::npos) {
            copyText(text.size());
            break;
        }
        copyText(open);
        if (startsWith(text, i, "<!--")) {
            const size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos)
                return CommentNotTerminated;
            i = end + 3;  // comments are not kept
        } else if (startsWith(text, i, "<![CDATA[")) {
            const size_t end = text.find("]]>", i + 9);
            if (end == std::string_view::npos)
                return CdataNotTerminated;
            out += text.substr(i, end + 3 - i);
            i = end + 3;
        } else if (startsWith(text, i, "<?xml") && i + 5 < text.size() &&
                   (std::isspace(static_cast<unsigned char>(text[i + 5])) != 0 || text[i + 5] == '?')) {
            const size_t end = text.find("?>", i + 5);
            if (end == std::string_view::npos)
                return DeclarationNotTerminated;
            outcome.xmlDecl = std::string(text.substr(i, end + 2 - i));
            i = end + 2;
        } else if (startsWith(text, i, "<!DOCTYPE")) {
            int brackets = 0;
            size_t end = i + 9;
            for (; end < text.size(); ++end) {
                if (text[end] == '[')
                    ++brackets;
                else if (text[end] == ']')
                    --brackets;
                else if (text[end] == '>' && brackets <= 0)
                    break;
            }
            if (end >= text.size())
                return DoctypeNotTerminated;
            outcome.docTypeDecl = std::string(text.substr(i, end + 1 - i));
            i = end + 1;
        } else if (startsWith(text, i, "<?")) {
            const size_t end = text.find("?>", i + 2);
            if (end == std::string_view::npos)
                return MalformedElement;
            i = end + 2;  // processing instructions are not kept
        } else if (startsWith(text, i, "<!")) {
            return MalformedElement;
        } else {
            // A tag: copy to its '>', escaping stray '&' in attribute values.
            char quote = 0;
            size_t end = i + 1;
            for (; end < text.size(); ++end) {
                const char c = text[end];
                if (quote != 0) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (end >= text.size())
                return quote != 0 ? AttributeNotTerminated : MalformedElement;
            copyText(end + 1);
        }
    }
    return Ok;
}

struct Builder {
    std::vector<Node*> stack;  // the open elements; [0] is the document
    std::string pendingText;
    bool ignoreWhite = false;
    size_t nodes = 0;
    size_t maxNodes = 0;
    int depth = 0;  // of the wrapper included
    int status = Ok;
    XML_Parser parser = nullptr;

    void fail(int code) {
        if (status == Ok)
            status = code;
        XML_StopParser(parser, XML_FALSE);
    }

    bool count() {
        if (++nodes > maxNodes || int(stack.size()) > Node::MaxDepth) {
            fail(OutOfMemory);
            return false;
        }
        return true;
    }

    void flushText() {
        if (pendingText.empty())
            return;
        const bool white = std::all_of(pendingText.begin(), pendingText.end(),
                                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
        if (!(ignoreWhite && white) && count())
            stack.back()->appendChild(Node::makeText(std::move(pendingText)));
        pendingText.clear();
    }
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& builder = *static_cast<Builder*>(data);
    if (++builder.depth == 1)
        return;  // the wrapper
    builder.flushText();
    if (!builder.count())
        return;
    auto element = Node::makeElement(name);
    for (size_t i = 0; attributes[i] != nullptr; i += 2)
        element->setAttribute(attributes[i], attributes[i + 1]);
    builder.stack.back()->appendChild(element);
    builder.stack.push_back(element.get());
}

void XMLCALL onEnd(void* data, const XML_Char*) {
    auto& builder = *static_cast<Builder*>(data);
    builder.flushText();
    if (--builder.depth >= 1 && builder.stack.size() > 1)
        builder.stack.pop_back();
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    auto& builder = *static_cast<Builder*>(data);
    if (builder.depth >= 1)
        builder.pendingText.append(text, size_t(length));
}

int statusOf(XML_Error error, const Builder& builder) {
    switch (error) {
    case XML_ERROR_NO_MEMORY:
        return OutOfMemory;
    case XML_ERROR_TAG_MISMATCH:
        return builder.depth <= 1 ? EndTagWithoutStart : StartTagNotClosed;
    case XML_ERROR_UNCLOSED_CDATA_SECTION:
        return CdataNotTerminated;
    default:
        return MalformedElement;
    }
}

}  // namespace

ParseOutcome parseInto(Node& document, std::string_view text, bool ignoreWhite, ParseLimits limits) {
    ParseOutcome outcome;
    document.removeChildren();
    std::string prepared = "<" + std::string(WrapperName) + ">";
    const int prepareStatus = prepare(text, prepared, outcome);
    prepared += "</" + std::string(WrapperName) + ">";

    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (parser == nullptr) {
        outcome.status = OutOfMemory;
        return outcome;
    }
    Builder builder;
    builder.stack.push_back(&document);
    builder.ignoreWhite = ignoreWhite;
    builder.maxNodes = limits.maxNodes;
    builder.parser = parser;
    XML_SetUserData(parser, &builder);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);

    // When preparing failed the text is read up to where it broke (the
    // parser then reports its own error there, which the earlier status wins).
    bool ok = true;
    for (size_t at = 0; at < prepared.size() && ok && builder.status == Ok; at += FeedBytes) {
        const size_t size = std::min(FeedBytes, prepared.size() - at);
        ok = XML_Parse(parser, prepared.data() + at, int(size), at + size >= prepared.size()) == XML_STATUS_OK;
    }
    if (!ok && builder.status == Ok)
        builder.status = statusOf(XML_GetErrorCode(parser), builder);
    builder.flushText();
    XML_ParserFree(parser);
    outcome.status = prepareStatus != Ok ? prepareStatus : builder.status;
    return outcome;
}

}  // namespace xml
