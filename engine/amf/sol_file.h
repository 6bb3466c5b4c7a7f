// The file of one shared object: a small header, the object's name and its
// data members, each an AMF0 value followed by a zero byte.
#pragma once

#include "amf/amf0.h"

#include "moviehost/expected.h"

#include <string>
#include <string_view>

namespace amf {

struct SolFile {
    std::string name;
    Graph graph;
    Members members;  // the object's data, values referring into graph
};

[[nodiscard]] moviehost::Expected<std::string, std::string> encodeSol(const SolFile& file);
[[nodiscard]] moviehost::Expected<SolFile, std::string> decodeSol(std::string_view bytes, DecodeLimits limits = {});

}  // namespace amf
