#include "record_reader.h"

#include <algorithm>

InputRecord InputRecord::Decode(const Bytes& bytes) noexcept {
    const moviehost::wire::Record fields = moviehost::wire::Record::decode(bytes);
    InputRecord record;
    record.message = fields.message;
    record.wParam = fields.wParam;
    record.lParam = static_cast<LPARAM>(fields.lParam);
    record.time = fields.time;
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
