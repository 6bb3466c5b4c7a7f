#include <moviehost/client/input_record.h>

namespace moviehost::client {

namespace {

void putLittleEndian(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace

InputRecord InputRecord::mouse(std::uint32_t message, std::uint16_t x, std::uint16_t y) {
    InputRecord record;
    record.message = message;
    record.lParam = std::uint32_t{x} | (std::uint32_t{y} << 16);
    return record;
}

InputRecord InputRecord::control(std::uint32_t message) {
    InputRecord record;
    record.message = message;
    return record;
}

std::array<std::uint8_t, protocol::kRecordBytes> InputRecord::encode() const {
    std::array<std::uint8_t, protocol::kRecordBytes> bytes{};
    const std::uint32_t fields[] = {
        window, message, wParam, lParam, time, static_cast<std::uint32_t>(pointX), static_cast<std::uint32_t>(pointY)};
    static_assert(sizeof(fields) == protocol::kRecordBytes);
    for (std::size_t i = 0; i < std::size(fields); ++i)
        putLittleEndian(bytes.data() + 4 * i, fields[i]);
    return bytes;
}

}  // namespace moviehost::client
