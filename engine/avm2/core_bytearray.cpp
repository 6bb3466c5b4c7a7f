// flash.utils.ByteArray and Endian, with the errors of flash.errors its
// reads throw. The bytes are charged to the heap as they grow; no array,
// and no decompressed result, may be larger than the heap limit.
#include "avm2/byte_array.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace avm2 {

namespace {

ByteArrayState& state(Machine& m, Value self) {
    auto* s = self.isObject() ? self.asObject()->nativeAs<ByteArrayState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.utils.ByteArray.");
    return *s;
}

[[noreturn]] void outOfMemory(Machine& m) { m.throwError("Error", 1000, u"The system is out of memory."); }

void resize(Machine& m, ByteArrayState& s, size_t length) { resizeByteArray(m, s, length); }

// A length or offset argument as the library reads it (uint).
size_t count(Machine& m, std::span<const Value> args, size_t i) {
    return i < args.size() ? toUInt32(m.toNumber(args[i])) : 0;
}

void put(Machine& m, ByteArrayState& s, const uint8_t* data, size_t size) {
    if (size > m.heap().limit() || s.position > m.heap().limit() - size)
        outOfMemory(m);
    const size_t end = s.position + size;
    if (end > s.bytes.size())
        resize(m, s, end);
    if (size)
        std::memcpy(s.bytes.data() + s.position, data, size);
    s.position = end;
}

// Bytes of a value in the array's order.
template <typename T>
void putNumber(Machine& m, ByteArrayState& s, T value) {
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    if (s.littleEndian != (std::endian::native == std::endian::little))
        std::reverse(raw, raw + sizeof(T));
    put(m, s, raw, sizeof(T));
}

const uint8_t* take(Machine& m, ByteArrayState& s, size_t size) {
    if (s.position > s.bytes.size() || size > s.bytes.size() - s.position)
        m.throwError("flash.errors.EOFError", 2030, u"End of file was encountered.");
    const uint8_t* p = s.bytes.data() + s.position;
    s.position += size;
    return p;
}

template <typename T>
T takeNumber(Machine& m, ByteArrayState& s) {
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, take(m, s, sizeof(T)), sizeof(T));
    if (s.littleEndian != (std::endian::native == std::endian::little))
        std::reverse(raw, raw + sizeof(T));
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
}

// --- writes -------------------------------------------------------------------

// One write of a typed value: integers wrap to their width, floats round.
template <typename T>
Value writeNumber(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const double d = m.toNumber(argument(args, 0));
    if constexpr (std::is_floating_point_v<T>)
        putNumber<T>(m, s, T(d));
    else
        putNumber<T>(m, s, T(toInt32(d)));
    return Value();
}

Value writeBoolean(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    putNumber<uint8_t>(m, s, toBoolean(argument(args, 0)) ? 1 : 0);
    return Value();
}

std::string utf8Of(Machine& m, std::span<const Value> args) {
    return utf16ToUtf8(m.toString(argument(args, 0))->text());
}

Value writeUTF(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const std::string text = utf8Of(m, args);
    if (text.size() > 0xFFFF)
        m.throwError("RangeError", 2006, u"The supplied index is out of bounds.");
    putNumber<uint16_t>(m, s, uint16_t(text.size()));
    put(m, s, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return Value();
}

// writeMultiByte takes a character set name; only UTF-8 is kept, so every
// set writes UTF-8.
Value writeUTFBytes(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const std::string text = utf8Of(m, args);
    put(m, s, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return Value();
}

Value writeBytes(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const ByteArrayState& from = state(m, argument(args, 0));
    const size_t offset = count(m, args, 1);
    size_t length = count(m, args, 2);
    if (offset > from.bytes.size())
        m.throwError("RangeError", 2006, u"The supplied index is out of bounds.");
    if (length == 0)
        length = from.bytes.size() - offset;
    if (length > from.bytes.size() - offset)
        m.throwError("RangeError", 2006, u"The supplied index is out of bounds.");
    // The source may be this array, which the write can move.
    const std::vector<uint8_t> copy(from.bytes.begin() + long(offset), from.bytes.begin() + long(offset + length));
    put(m, s, copy.data(), copy.size());
    return Value();
}

// --- reads --------------------------------------------------------------------

// One read of a typed value: unsigned int as uint, smaller integers as int.
template <typename T>
Value readNumber(Machine& m, Value self, std::span<const Value>) {
    const T v = takeNumber<T>(m, state(m, self));
    if constexpr (std::is_floating_point_v<T>)
        return Value::number(double(v));
    else if constexpr (std::is_same_v<T, uint32_t>)
        return Value::fromUInt(v);
    else
        return Value::fromInt(int32_t(v));
}

Value readBoolean(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(takeNumber<uint8_t>(m, state(m, self)) != 0);
}

Value text(Machine& m, const uint8_t* p, size_t size) {
    return m.string(utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(p), size)));
}

Value readUTF(Machine& m, Value self, std::span<const Value>) {
    ByteArrayState& s = state(m, self);
    const size_t size = takeNumber<uint16_t>(m, s);
    return text(m, take(m, s, size), size);
}

Value readUTFBytes(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const size_t size = count(m, args, 0);
    return text(m, take(m, s, size), size);
}

Value readBytes(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    ByteArrayState& to = state(m, argument(args, 0));
    const size_t offset = count(m, args, 1);
    size_t length = count(m, args, 2);
    if (length == 0)
        length = s.position < s.bytes.size() ? s.bytes.size() - s.position : 0;
    const uint8_t* p = take(m, s, length);
    const std::vector<uint8_t> copy(p, p + length);
    const size_t saved = to.position;
    to.position = offset;
    put(m, to, copy.data(), copy.size());
    to.position = saved;
    return Value();
}

// --- properties -----------------------------------------------------------------

Value getPosition(Machine& m, Value self, std::span<const Value>) {
    return Value::number(double(state(m, self).position));
}
Value setPosition(Machine& m, Value self, std::span<const Value> args) {
    state(m, self).position = count(m, args, 0);
    return Value();
}
Value getLength(Machine& m, Value self, std::span<const Value>) {
    return Value::number(double(state(m, self).bytes.size()));
}
Value setLength(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    resize(m, s, count(m, args, 0));
    s.position = std::min(s.position, s.bytes.size());
    return Value();
}
Value getBytesAvailable(Machine& m, Value self, std::span<const Value>) {
    const ByteArrayState& s = state(m, self);
    return Value::number(s.position < s.bytes.size() ? double(s.bytes.size() - s.position) : 0);
}
Value getEndian(Machine& m, Value self, std::span<const Value>) {
    return m.string(state(m, self).littleEndian ? u"littleEndian" : u"bigEndian");
}
Value setEndian(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const std::u16string& name = m.toString(argument(args, 0))->text();
    if (name != u"littleEndian" && name != u"bigEndian")
        m.throwError("ArgumentError", 2008, u"Parameter endian must be one of the accepted values.");
    s.littleEndian = name == u"littleEndian";
    return Value();
}

Value clear(Machine& m, Value self, std::span<const Value>) {
    ByteArrayState& s = state(m, self);
    s.bytes = {};
    s.position = 0;
    return Value();
}

Value toString(Machine& m, Value self, std::span<const Value>) {
    const ByteArrayState& s = state(m, self);
    size_t skip = 0;
    if (s.bytes.size() >= 3 && s.bytes[0] == 0xEF && s.bytes[1] == 0xBB && s.bytes[2] == 0xBF)
        skip = 3;
    return text(m, s.bytes.data() + skip, s.bytes.size() - skip);
}

// --- compression ------------------------------------------------------------------

// zlib's own framing, or bare deflate data.
int windowBits(Machine& m, std::span<const Value> args) {
    const Value algorithm = argument(args, 0);
    if (algorithm.isNullish())
        return MAX_WBITS;
    const std::u16string& name = m.toString(algorithm)->text();
    if (name == u"zlib")
        return MAX_WBITS;
    if (name == u"deflate")
        return -MAX_WBITS;
    m.throwError("ArgumentError", 2008, u"Parameter algorithm must be one of the accepted values.");
}

// Replaces the contents with `result`, charging any growth.
void replace(Machine& m, ByteArrayState& s, std::vector<uint8_t>&& result) {
    if (result.capacity() > s.bytes.capacity())
        m.heap().charge(result.capacity() - s.bytes.capacity());
    s.bytes = std::move(result);
}

Value compress(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const int bits = windowBits(m, args);
    if (s.bytes.empty())
        return Value();
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, bits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        outOfMemory(m);
    const uLong bound = deflateBound(&z, uLong(s.bytes.size()));
    if (bound > m.heap().limit()) {
        deflateEnd(&z);
        outOfMemory(m);
    }
    std::vector<uint8_t> out(bound);
    z.next_in = s.bytes.data();
    z.avail_in = uInt(s.bytes.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        outOfMemory(m);
    out.shrink_to_fit();
    replace(m, s, std::move(out));
    s.position = s.bytes.size();
    return Value();
}

Value uncompress(Machine& m, Value self, std::span<const Value> args) {
    ByteArrayState& s = state(m, self);
    const int bits = windowBits(m, args);
    if (s.bytes.empty())
        return Value();
    z_stream z{};
    if (inflateInit2(&z, bits) != Z_OK)
        outOfMemory(m);
    const size_t limit = m.heap().limit();
    std::vector<uint8_t> out;
    z.next_in = s.bytes.data();
    z.avail_in = uInt(s.bytes.size());
    int result = Z_OK;
    for (;;) {
        if (z.total_out == out.size()) {
            if (out.size() >= limit) {
                result = Z_MEM_ERROR;  // the result would pass the heap limit
                break;
            }
            out.resize(std::min(limit, std::max<size_t>(out.size() * 2, 4096)));
        }
        z.next_out = out.data() + z.total_out;
        z.avail_out = uInt(out.size() - z.total_out);
        result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_STREAM_END || (result != Z_OK && !(result == Z_BUF_ERROR && z.avail_out == 0)))
            break;  // done, corrupt, or the input ended early
    }
    const size_t produced = z.total_out;
    inflateEnd(&z);
    if (result == Z_MEM_ERROR)
        outOfMemory(m);
    if (result != Z_STREAM_END)
        m.throwError("flash.errors.IOError", 2058, u"There was an error decompressing the data.");
    out.resize(produced);
    out.shrink_to_fit();
    replace(m, s, std::move(out));
    s.position = 0;
    return Value();
}

Value deflateBytes(Machine& m, Value self, std::span<const Value>) {
    const Value algorithm[] = {m.string(u"deflate")};
    return compress(m, self, algorithm);
}
Value inflateBytes(Machine& m, Value self, std::span<const Value>) {
    const Value algorithm[] = {m.string(u"deflate")};
    return uncompress(m, self, algorithm);
}

Value init(Machine& m, Value self, std::span<const Value>) {
    auto s = std::make_unique<ByteArrayState>();
    s->objectEncoding = defaultObjectEncoding(m);
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

const NativeMember Methods[] = {
    {u"writeBoolean", writeBoolean},
    {u"writeByte", writeNumber<uint8_t>},
    {u"writeShort", writeNumber<uint16_t>},
    {u"writeInt", writeNumber<uint32_t>},
    {u"writeUnsignedInt", writeNumber<uint32_t>},
    {u"writeFloat", writeNumber<float>},
    {u"writeDouble", writeNumber<double>},
    {u"writeUTF", writeUTF},
    {u"writeUTFBytes", writeUTFBytes},
    {u"writeMultiByte", writeUTFBytes},
    {u"writeBytes", writeBytes},
    {u"readBoolean", readBoolean},
    {u"readByte", readNumber<int8_t>},
    {u"readUnsignedByte", readNumber<uint8_t>},
    {u"readShort", readNumber<int16_t>},
    {u"readUnsignedShort", readNumber<uint16_t>},
    {u"readInt", readNumber<int32_t>},
    {u"readUnsignedInt", readNumber<uint32_t>},
    {u"readFloat", readNumber<float>},
    {u"readDouble", readNumber<double>},
    {u"readUTF", readUTF},
    {u"readUTFBytes", readUTFBytes},
    {u"readMultiByte", readUTFBytes},
    {u"readBytes", readBytes},
    {u"clear", clear},
    {u"toString", toString},
    {u"compress", compress},
    {u"uncompress", uncompress},
    {u"deflate", deflateBytes},
    {u"inflate", inflateBytes},
    {u"readObject", byteArrayReadObject},
    {u"writeObject", byteArrayWriteObject},
};

const NativeAccessor Accessors[] = {{u"position", getPosition, setPosition},
                                    {u"length", getLength, setLength},
                                    {u"bytesAvailable", getBytesAvailable},
                                    {u"endian", getEndian, setEndian},
                                    {u"objectEncoding", byteArrayObjectEncoding, byteArraySetObjectEncoding}};

const NativeAccessor StaticAccessors[] = {
    {u"defaultObjectEncoding", byteArrayDefaultObjectEncoding, byteArraySetDefaultObjectEncoding}};

const NativeStringConstant EndianConstants[] = {{u"BIG_ENDIAN", u"bigEndian"}, {u"LITTLE_ENDIAN", u"littleEndian"}};

const char16_t* const DataInterfaces[] = {u"flash.utils.IDataInput", u"flash.utils.IDataOutput"};

const CoreClassSpec Classes[] = {
    {.name = u"IOError", .base = u"Error", .init = errorInit, .package = u"flash.errors"},
    {.name = u"IDataInput", .base = u"Object", .package = u"flash.utils", .interface = true},
    {.name = u"IDataOutput", .base = u"Object", .package = u"flash.utils", .interface = true},
    {.name = u"IExternalizable", .base = u"Object", .package = u"flash.utils", .interface = true},
    {.name = u"EOFError", .base = u"flash.errors.IOError", .init = errorInit, .package = u"flash.errors"},
    {.name = u"ByteArray",
     .base = u"Object",
     .init = init,
     .sealed = true,
     .package = u"flash.utils",
     .methods = Methods,
     .accessors = Accessors,
     .staticAccessors = StaticAccessors,
     .implements = DataInterfaces},
    {.name = u"Endian",
     .base = u"Object",
     .sealed = true,
     .package = u"flash.utils",
     .stringConstants = EndianConstants,
     .final = true},
};

}  // namespace

void resizeByteArray(Machine& m, ByteArrayState& s, size_t length) {
    const size_t limit = m.heap().limit();
    if (length > limit)
        outOfMemory(m);
    if (length > s.bytes.capacity()) {
        const size_t capacity = std::max(length, std::min(s.bytes.capacity() * 2, limit));
        m.chargeExternal(capacity - s.bytes.capacity());
        s.bytes.reserve(capacity);
    }
    s.bytes.resize(length);
}

std::span<const CoreClassSpec> byteArrayClasses() { return Classes; }

}  // namespace avm2
