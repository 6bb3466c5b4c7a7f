// libavformat reads the tags from a memory reader; nothing is decoded.
#include "media/sound_tags.h"

#include "media/av_handles.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {

namespace {

struct MemoryReader {
    std::span<const uint8_t> data;
    size_t at = 0;
};

int readMemory(void* opaque, uint8_t* buffer, int size) {
    auto* reader = static_cast<MemoryReader*>(opaque);
    const size_t n = std::min(size_t(std::max(size, 0)), reader->data.size() - reader->at);
    if (n == 0)
        return AVERROR_EOF;
    std::memcpy(buffer, reader->data.data() + reader->at, n);
    reader->at += n;
    return int(n);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
    auto* reader = static_cast<MemoryReader*>(opaque);
    const auto size = int64_t(reader->data.size());
    if (whence == AVSEEK_SIZE)
        return size;
    int64_t target = offset;
    if ((whence & ~AVSEEK_FORCE) == SEEK_CUR)
        target += int64_t(reader->at);
    else if ((whence & ~AVSEEK_FORCE) == SEEK_END)
        target += size;
    if (target < 0 || target > size)
        return -1;
    reader->at = size_t(target);
    return target;
}

}  // namespace

std::map<std::string, std::string> readSoundTags(std::span<const uint8_t> file) {
    std::map<std::string, std::string> tags;
    if (file.empty())
        return tags;
    quietLibav();
    MemoryReader reader{file};
    constexpr int BufferSize = 4096;
    auto* buffer = static_cast<uint8_t*>(av_malloc(BufferSize));
    if (!buffer)
        return tags;
    AVIOContext* io = avio_alloc_context(buffer, BufferSize, 0, &reader, readMemory, nullptr, seekMemory);
    if (!io) {
        av_free(buffer);
        return tags;
    }
    AVFormatContext* format = avformat_alloc_context();
    if (format) {
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        if (avformat_open_input(&format, nullptr, av_find_input_format("mp3"), nullptr) == 0) {
            const struct {
                const char* key;
                const char* v1;
                const char* v2;
            } names[] = {{"title", "songname", "TIT2"}, {"artist", "artist", "TPE1"},   {"album", "album", "TALB"},
                         {"date", "year", "TYER"},      {"comment", "comment", "COMM"}, {"genre", "genre", "TCON"},
                         {"track", "track", "TRCK"}};
            for (const auto& name : names) {
                if (const AVDictionaryEntry* e = av_dict_get(format->metadata, name.key, nullptr, 0)) {
                    tags[name.v1] = e->value;
                    tags[name.v2] = e->value;
                }
            }
            avformat_close_input(&format);
        } else {
            // avformat_open_input frees the context when it fails.
            format = nullptr;
        }
    }
    avformat_free_context(format);
    av_freep(&io->buffer);
    avio_context_free(&io);
    return tags;
}

}  // namespace media
