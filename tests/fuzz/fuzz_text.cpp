// libFuzzer target: the text formats a movie loads — URL-encoded variables,
// XML and locations — parsed, printed and parsed again.
#include "net/location.h"
#include "net/url_variables.h"
#include "xml/xml_parser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto variables = net::decodeVariables(text);
    if (net::decodeVariables(net::encodeVariables(variables)) != variables)
        __builtin_trap();
    auto document = xml::Node::makeElement("");
    for (const bool ignoreWhite : {false, true}) {
        const auto outcome = xml::parseInto(*document, text, ignoreWhite, xml::ParseLimits{10000});
        const std::string printed = document->toString();
        if (outcome.status == xml::Ok) {
            auto again = xml::Node::makeElement("");
            (void)xml::parseInto(*again, printed, ignoreWhite, xml::ParseLimits{20000});
        }
    }
    if (auto location = net::parseLocation(text, "/base")) {
        (void)net::resolveLocation(*location, "../x.swf?a=1");
        (void)location->url();
    }
    return 0;
}
