// What a flash.utils.ByteArray keeps beside its object, shared with the
// interpreter for index access (ba[i]).
#pragma once

#include "avm2/object.h"

#include <cstdint>
#include <span>
#include <vector>

namespace avm2 {

class Machine;

struct ByteArrayState final : NativeState {
    std::vector<uint8_t> bytes;
    size_t position = 0;
    bool littleEndian = false;
    uint32_t objectEncoding = 3;
    [[nodiscard]] size_t extraBytes() const override { return bytes.capacity(); }
};

// Sets the length, charging new capacity to the heap (Error #1000 past
// the heap limit).
void resizeByteArray(Machine& m, ByteArrayState& s, size_t length);

// readObject, writeObject and the encodings (core_amf.cpp).
[[nodiscard]] uint32_t defaultObjectEncoding(Machine& m);
Value byteArrayReadObject(Machine& m, Value self, std::span<const Value> args);
Value byteArrayWriteObject(Machine& m, Value self, std::span<const Value> args);
Value byteArrayObjectEncoding(Machine& m, Value self, std::span<const Value> args);
Value byteArraySetObjectEncoding(Machine& m, Value self, std::span<const Value> args);
Value byteArrayDefaultObjectEncoding(Machine& m, Value self, std::span<const Value> args);
Value byteArraySetDefaultObjectEncoding(Machine& m, Value self, std::span<const Value> args);

}  // namespace avm2
