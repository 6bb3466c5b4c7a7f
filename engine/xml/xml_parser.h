// parseXML of the format: text to nodes below a document node, with the
// format's status codes. Like the format's player it takes any number of
// top-level elements and text, and keeps unknown entities ("&nbsp;") as
// written. The XML declaration and DOCTYPE are kept as text, never expanded.
// On an error the nodes read before it stay and the status says what broke.
#pragma once

#include "xml/xml_node.h"

#include <optional>
#include <string>
#include <string_view>

namespace xml {

enum Status : int {
    Ok = 0,
    CdataNotTerminated = -2,
    DeclarationNotTerminated = -3,
    DoctypeNotTerminated = -4,
    CommentNotTerminated = -5,
    MalformedElement = -6,
    OutOfMemory = -7,  // also: more nodes or deeper nesting than the limits
    AttributeNotTerminated = -8,
    StartTagNotClosed = -9,
    EndTagWithoutStart = -10,
};

struct ParseOutcome {
    int status = Ok;
    std::optional<std::string> xmlDecl;
    std::optional<std::string> docTypeDecl;
};

struct ParseLimits {
    size_t maxNodes = 1'000'000;
};

// Replaces the children of `document` (an element, usually nameless, owned
// by a shared_ptr as every node is).
ParseOutcome parseInto(Node& document, std::string_view text, bool ignoreWhite, ParseLimits limits = {});

}  // namespace xml
