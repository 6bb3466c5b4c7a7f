// PNG through libpng, with the same longjmp discipline as the JPEG decoder.
#include "swf/image_decoder.h"

#include <png.h>

#include <cstring>

namespace swf {

namespace {

struct Source {
    std::span<const uint8_t> data;
    size_t pos = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (src->data.size() - src->pos < length)
        png_error(png, "short read");
    std::memcpy(out, src->data.data() + src->pos, length);
    src->pos += length;
}

void onWarning(png_structp, png_const_charp) {}
void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

ErrorCode runLibpng(std::span<const uint8_t> data, const ImageBudget& budget, std::vector<uint32_t>& pixels,
                    uint32_t& width, uint32_t& height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png)
        return ErrorCode::ImageDecodeFailed;
    png_infop info = png_create_info_struct(png);
    Source source{data, 0};
    std::vector<uint8_t>* volatile rgba = new std::vector<uint8_t>();
    std::vector<png_bytep>* volatile rows = new std::vector<png_bytep>();
    volatile ErrorCode result = ErrorCode::ImageDecodeFailed;

    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, readFromMemory);
        png_set_user_limits(png, 65535, 65535);
        png_set_chunk_malloc_max(png, 64 << 20);
        png_read_info(png, info);
        uint32_t w = png_get_image_width(png, info);
        uint32_t h = png_get_image_height(png, info);
        if (w == 0 || h == 0 || !budget(w, h)) {
            result = ErrorCode::ImageTooLarge;
            png_longjmp(png, 1);
        }
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != size_t(w) * 4)
            png_longjmp(png, 1);
        rgba->resize(size_t(w) * h * 4);
        rows->resize(h);
        for (size_t y = 0; y < h; ++y)
            (*rows)[y] = rgba->data() + y * size_t(w) * 4;
        png_read_image(png, rows->data());
        pixels.resize(size_t(w) * h);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint8_t* p = rgba->data() + 4 * i;
            pixels[i] = premultiply(p[3], p[0], p[1], p[2]);
        }
        width = w;
        height = h;
        result = ErrorCode::None;
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    delete rgba;
    delete rows;
    return result;
}

}  // namespace

void decodePng(std::span<const uint8_t> data, const ImageBudget& budget, Bitmap& out) {
    out.source = BitmapSource::Png;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
    ErrorCode rc = runLibpng(data, budget, pixels, width, height);
    storeDecoded(rc, width, height, std::move(pixels), out);
}

}  // namespace swf
