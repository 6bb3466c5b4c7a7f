// XML text to E4X nodes (expat), with the XML class's settings.
#pragma once

#include "avm2/e4x.h"

#include <functional>
#include <string>
#include <vector>

namespace avm2 {

struct XmlParseOptions {
    bool ignoreComments = true;
    bool ignoreProcessingInstructions = true;
    bool ignoreWhitespace = true;
    // The uri of unprefixed names where the text declares no default.
    std::u16string defaultNamespace;
};

// The top-level nodes of the text (without parents), or the library's
// error number and message (TypeError 1090, 1088, 1085, 1083).
struct XmlParseResult {
    std::vector<XmlObject*> nodes;
    int errorNumber = 0;
    std::u16string errorText;
};

// Makes a node; nodes are heap cells of the machine.
using XmlFactory = std::function<XmlObject*(XmlKind)>;

[[nodiscard]] XmlParseResult parseXmlText(Machine& m, XmlFactory& make, const std::u16string& source,
                                          const XmlParseOptions& options);

}  // namespace avm2
