#include "amf/sol_file.h"

namespace amf {

namespace {

using moviehost::Unexpected;

constexpr std::string_view Signature("TCSO\x00\x04\x00\x00\x00\x00", 10);
constexpr size_t HeaderBytes = 6;  // magic and length

void putU16(std::string& out, uint16_t v) {
    out.push_back(char(v >> 8));
    out.push_back(char(v));
}

}  // namespace

moviehost::Expected<std::string, std::string> encodeSol(const SolFile& file) {
    if (file.name.size() > 0xFFFF)
        return Unexpected(std::string("the shared object's name is too long"));
    std::string body(Signature);
    putU16(body, uint16_t(file.name.size()));
    body += file.name;
    body.append(4, '\0');  // AMF0
    Encoder encoder(file.graph, body);
    for (const auto& [name, value] : file.members) {
        if (name.empty() || name.size() > 0xFFFF)
            continue;
        putU16(body, uint16_t(name.size()));
        body += name;
        if (auto result = encoder.value(value); !result)
            return Unexpected(result.error());
        body.push_back('\0');
    }
    if (body.size() > 0xFFFFFFFFu)
        return Unexpected(std::string("the shared object is too large"));
    std::string out("\x00\xBF", 2);
    const auto length = uint32_t(body.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(char(length >> shift));
    return out + body;
}

moviehost::Expected<SolFile, std::string> decodeSol(std::string_view bytes, DecodeLimits limits) {
    if (bytes.size() < HeaderBytes + Signature.size() || bytes.substr(0, 2) != std::string_view("\x00\xBF", 2))
        return Unexpected(std::string("not a shared object file"));
    uint32_t length = 0;
    for (size_t i = 2; i < 6; ++i)
        length = (length << 8) | static_cast<unsigned char>(bytes[i]);
    if (length != bytes.size() - HeaderBytes)
        return Unexpected(std::string("the shared object file's length does not match its header"));
    if (bytes.substr(HeaderBytes, Signature.size()) != Signature)
        return Unexpected(std::string("the shared object file has an unknown signature"));
    SolFile file;
    Decoder decoder(bytes.substr(HeaderBytes + Signature.size()), file.graph, limits);
    auto name = decoder.shortString();
    if (!name)
        return Unexpected(name.error());
    file.name = std::move(*name);
    for (int i = 0; i < 4; ++i) {
        auto version = decoder.byte();
        if (!version)
            return Unexpected(version.error());
        if (i == 3 && *version != 0)
            return Unexpected(std::string("the shared object file is not in AMF0"));
    }
    while (decoder.remaining() > 0) {
        auto member = decoder.shortString();
        if (!member)
            return Unexpected(member.error());
        auto value = decoder.value();
        if (!value)
            return Unexpected(value.error());
        auto pad = decoder.byte();
        if (!pad)
            return Unexpected(pad.error());
        file.members.emplace_back(std::move(*member), std::move(*value));
    }
    return file;
}

}  // namespace amf
