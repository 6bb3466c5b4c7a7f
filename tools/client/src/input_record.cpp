#include <moviehost/client/input_record.h>

namespace moviehost::client {

InputRecord InputRecord::mouse(std::uint32_t message, std::uint16_t x, std::uint16_t y) {
    InputRecord record;
    record.message = message;
    record.lParam = wire::mouseLParam(x, y);
    return record;
}

InputRecord InputRecord::control(std::uint32_t message) {
    InputRecord record;
    record.message = message;
    return record;
}

wire::EncodedRecord InputRecord::encode() const {
    return wire::Record{
        window, message, wParam, lParam, time, static_cast<std::uint32_t>(pointX), static_cast<std::uint32_t>(pointY)}
        .encode();
}

}  // namespace moviehost::client
