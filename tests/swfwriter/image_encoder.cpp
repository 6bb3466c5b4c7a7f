#include "image_encoder.h"

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>
#include <cstdio>
#include <stdexcept>

// jpeglib.h needs FILE declared before it.
#include <jpeglib.h>

namespace swfwriter {

Image Image::filled(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    Image img;
    img.width = width;
    img.height = height;
    img.rgba.resize(size_t(width) * height * 4);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        img.rgba[4 * i] = r;
        img.rgba[4 * i + 1] = g;
        img.rgba[4 * i + 2] = b;
        img.rgba[4 * i + 3] = a;
    }
    return img;
}

void Image::set(uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint8_t* p = rgba.data() + (size_t(y) * width + x) * 4;
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

namespace {

// Test-side encoder: libjpeg's default error handler exits the process on a
// failure, which is acceptable for a test helper fed with valid images.
void compress(const Image& image, int quality, bool tablesOnly, bool withoutTables, std::vector<uint8_t>& out) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = image.width;
    cinfo.image_height = image.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (tablesOnly) {
        jpeg_write_tables(&cinfo);
    } else {
        if (withoutTables)
            jpeg_suppress_tables(&cinfo, TRUE);
        jpeg_start_compress(&cinfo, withoutTables ? FALSE : TRUE);
        std::vector<uint8_t> row(size_t(image.width) * 3);
        while (cinfo.next_scanline < cinfo.image_height) {
            const uint8_t* src = image.rgba.data() + size_t(cinfo.next_scanline) * image.width * 4;
            for (size_t x = 0; x < image.width; ++x) {
                row[3 * x] = src[4 * x];
                row[3 * x + 1] = src[4 * x + 1];
                row[3 * x + 2] = src[4 * x + 2];
            }
            JSAMPROW p = row.data();
            jpeg_write_scanlines(&cinfo, &p, 1);
        }
        jpeg_finish_compress(&cinfo);
    }
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
}

}  // namespace

std::vector<uint8_t> encodeJpeg(const Image& image, int quality) {
    std::vector<uint8_t> out;
    compress(image, quality, false, false, out);
    return out;
}

JpegParts encodeJpegAbbreviated(const Image& image, int quality) {
    JpegParts parts;
    compress(image, quality, true, false, parts.tables);
    compress(image, quality, false, true, parts.image);
    return parts;
}

std::vector<uint8_t> encodePng(const Image& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png encoding failed");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < image.height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.rgba.data() + size_t(y) * image.width * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> encodeGif(const GifPicture& picture) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &out,
        [](GifFileType* g, const GifByteType* data, int length) {
            auto* v = static_cast<std::vector<uint8_t>*>(g->UserData);
            v->insert(v->end(), data, data + length);
            return length;
        },
        &error);
    if (!gif)
        throw std::runtime_error("gif encoding failed");
    int colours = 2;
    while (colours < int(picture.palette.size()))
        colours *= 2;
    ColorMapObject* map = GifMakeMapObject(colours, nullptr);
    for (size_t i = 0; i < picture.palette.size(); ++i)
        map->Colors[i] = GifColorType{picture.palette[i][0], picture.palette[i][1], picture.palette[i][2]};
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, int(picture.width), int(picture.height), 8, 0, map) == GIF_OK;
    if (picture.transparent >= 0) {
        const GifByteType control[4] = {0x01, 0, 0, GifByteType(picture.transparent)};
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok &&
         EGifPutImageDesc(gif, 0, 0, int(picture.width), int(picture.height), picture.interlaced, nullptr) == GIF_OK;
    std::vector<uint32_t> rows;
    if (picture.interlaced) {
        const uint32_t start[] = {0, 4, 2, 1};
        const uint32_t step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (uint32_t y = start[pass]; y < picture.height; y += step[pass])
                rows.push_back(y);
        }
    } else {
        for (uint32_t y = 0; y < picture.height; ++y)
            rows.push_back(y);
    }
    for (uint32_t y : rows) {
        auto* line = const_cast<GifPixelType*>(picture.indices.data() + size_t(y) * picture.width);
        ok = ok && EGifPutLine(gif, line, int(picture.width)) == GIF_OK;
    }
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    if (!ok)
        throw std::runtime_error("gif encoding failed");
    return out;
}

std::vector<uint8_t> deflateBytes(const std::vector<uint8_t>& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), uLong(data.size()), 9) != Z_OK)
        throw std::runtime_error("deflate failed");
    out.resize(size);
    return out;
}

}  // namespace swfwriter
