// GIF through giflib: the first image of the file on its logical screen, as
// the player shows a loaded GIF. Later frames are never read, so an animation
// of many large frames costs no more than its first.
#include "swf/image_decoder.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>

namespace swf {

namespace {

struct Source {
    std::span<const uint8_t> data;
    size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* src = static_cast<Source*>(gif->UserData);
    const size_t n = std::min(src->data.size() - src->pos, size_t(length < 0 ? 0 : length));
    std::memcpy(out, src->data.data() + src->pos, n);
    src->pos += n;
    return int(n);
}

struct Closer {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Rows of an interlaced image arrive in four passes.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    constexpr int Start[] = {0, 4, 2, 1};
    constexpr int Step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = Start[pass]; y < height; y += Step[pass])
            rows.push_back(y);
    }
    return rows;
}

ErrorCode runGiflib(std::span<const uint8_t> data, const ImageBudget& budget, std::vector<uint32_t>& pixels,
                    uint32_t& width, uint32_t& height) {
    Source source{data, 0};
    int error = 0;
    std::unique_ptr<GifFileType, Closer> gif(DGifOpen(&source, readFromMemory, &error));
    if (!gif)
        return ErrorCode::ImageDecodeFailed;
    const int screenW = gif->SWidth;
    const int screenH = gif->SHeight;
    if (screenW <= 0 || screenH <= 0 || !budget(uint64_t(screenW), uint64_t(screenH)))
        return ErrorCode::ImageTooLarge;
    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            return ErrorCode::ImageDecodeFailed;
        if (record == TERMINATE_RECORD_TYPE)
            return ErrorCode::ImageDecodeFailed;  // no image at all
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                return ErrorCode::ImageDecodeFailed;
            if (code == GRAPHICS_EXT_FUNC_CODE && block) {
                GraphicsControlBlock gcb{};
                if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    return ErrorCode::ImageDecodeFailed;
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            return ErrorCode::ImageDecodeFailed;
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || desc.Width <= 0 || desc.Height <= 0 || !budget(uint64_t(desc.Width), uint64_t(desc.Height)))
            return map ? ErrorCode::ImageTooLarge : ErrorCode::ImageDecodeFailed;
        pixels.assign(size_t(screenW) * size_t(screenH), 0);
        std::vector<GifPixelType> line(size_t(desc.Width));
        for (int y : rowOrder(desc.Height, desc.Interlace)) {
            if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR)
                return ErrorCode::ImageDecodeFailed;
            const int sy = desc.Top + y;
            if (sy < 0 || sy >= screenH)
                continue;
            for (int x = 0; x < desc.Width; ++x) {
                const int sx = desc.Left + x;
                const int index = line[size_t(x)];
                if (sx < 0 || sx >= screenW || index == transparent || index >= map->ColorCount)
                    continue;
                const GifColorType& c = map->Colors[index];
                pixels[size_t(sy) * size_t(screenW) + size_t(sx)] = premultiply(255, c.Red, c.Green, c.Blue);
            }
        }
        width = uint32_t(screenW);
        height = uint32_t(screenH);
        return ErrorCode::None;
    }
}

}  // namespace

void decodeGif(std::span<const uint8_t> data, const ImageBudget& budget, Bitmap& out) {
    out.source = BitmapSource::Gif;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
    ErrorCode rc = runGiflib(data, budget, pixels, width, height);
    if (rc != ErrorCode::None)
        pixels.clear();
    storeDecoded(rc, width, height, std::move(pixels), out);
}

}  // namespace swf
