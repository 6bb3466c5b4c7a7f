#include "record_reader.h"

#include <algorithm>

namespace {

DWORD LittleEndianAt(const InputRecord::Bytes& bytes, std::size_t offset) noexcept {
    return static_cast<DWORD>(bytes[offset]) | (static_cast<DWORD>(bytes[offset + 1]) << 8) |
           (static_cast<DWORD>(bytes[offset + 2]) << 16) | (static_cast<DWORD>(bytes[offset + 3]) << 24);
}

}  // namespace

InputRecord InputRecord::Decode(const Bytes& bytes) noexcept {
    InputRecord record;
    record.message = LittleEndianAt(bytes, 4);
    record.wParam = LittleEndianAt(bytes, 8);
    record.lParam = static_cast<LPARAM>(LittleEndianAt(bytes, 12));
    return record;
}

RecordReader::Outcome RecordReader::ReadRecord(InputSource& source, InputRecord::Bytes& record) noexcept {
    std::size_t gathered = 0;
    while (gathered < record.size()) {
        if (source.StopRequested())
            return Outcome::Stopped;
        if (source.ParentEnded())
            return Outcome::ParentGone;
        const std::optional<DWORD> available = source.Available();
        if (!available)
            return Outcome::ChannelFailed;
        if (*available == 0) {
            source.Pause();
            continue;
        }
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(*available, record.size() - gathered));
        const DWORD got = source.Read(record.data() + gathered, wanted);
        if (got == 0)
            return Outcome::ChannelFailed;
        gathered += std::min(got, wanted);
    }
    return Outcome::Record;
}
