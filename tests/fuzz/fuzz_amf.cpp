// libFuzzer target: decode bytes as a shared object file and as bare AMF0
// and AMF3 values, and encode whatever decodes back again.
#include "amf/amf0.h"
#include "amf/amf3.h"
#include "amf/sol_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto file = amf::decodeSol(bytes)) {
        (void)amf::encodeSol(*file);
    }
    amf::Graph graph;
    amf::Decoder decoder(bytes, graph);
    while (decoder.remaining() > 0) {
        auto value = decoder.value();
        if (!value)
            break;
        std::string out;
        amf::Encoder encoder(graph, out);
        (void)encoder.value(*value);
    }
    amf::Graph graph3;
    amf::Amf3Decoder decoder3(bytes, graph3);
    while (decoder3.remaining() > 0) {
        auto value = decoder3.value();
        if (!value)
            break;
        std::string out;
        amf::Amf3Encoder encoder(graph3, out);
        (void)encoder.value(*value);
    }
    return 0;
}
