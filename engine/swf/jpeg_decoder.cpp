// JPEG through libjpeg. libjpeg reports fatal errors through a callback that
// must not return; we leave with longjmp, so the function that calls setjmp
// keeps no C++ objects with destructors between the jump and its target.
#include "swf/image_decoder.h"

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE declared before it.
#include <jpeglib.h>

namespace swf {

namespace {

constexpr int MaxScans = 500;  // progressive files with endless scans are a known way to burn time
constexpr long MaxLibjpegMemory = 512L << 20;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

void onMessage(j_common_ptr) {}  // warnings are not ours to print

struct Progress {
    jpeg_progress_mgr base;
};

void onProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->input_scan_number > MaxScans)
        onError(cinfo);
}

uint8_t clampByte(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Returns 0 on success, else the error to report. `pixels` receives the image.
ErrorCode runLibjpeg(std::span<const uint8_t> jpeg, const ImageBudget& budget, std::vector<uint32_t>& pixels,
                     uint32_t& width, uint32_t& height) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    Progress progress{};
    JSAMPROW row = nullptr;
    std::vector<uint8_t>* volatile line = new std::vector<uint8_t>();  // survives the jump: freed below
    volatile ErrorCode result = ErrorCode::ImageDecodeFailed;

    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.output_message = onMessage;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        cinfo.mem->max_memory_to_use = MaxLibjpegMemory;
        progress.base.progress_monitor = onProgress;
        cinfo.progress = &progress.base;
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo, TRUE);
        bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
        if (cinfo.image_width == 0 || cinfo.image_height == 0 || !budget(cinfo.image_width, cinfo.image_height)) {
            result = ErrorCode::ImageTooLarge;
            std::longjmp(err.jump, 1);
        }
        jpeg_start_decompress(&cinfo);
        width = cinfo.output_width;
        height = cinfo.output_height;
        const int components = cinfo.output_components;
        pixels.assign(size_t(width) * height, 0);
        line->resize(size_t(width) * components);
        row = line->data();
        while (cinfo.output_scanline < cinfo.output_height) {
            size_t y = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
            uint32_t* dst = pixels.data() + y * width;
            for (size_t x = 0; x < width; ++x) {
                const uint8_t* p = row + x * components;
                if (cmyk) {
                    // Adobe writes CMYK inverted: each value is already 255 - ink.
                    int k = p[3];
                    dst[x] = premultiply(255, clampByte(p[0] * k / 255), clampByte(p[1] * k / 255),
                                         clampByte(p[2] * k / 255));
                } else {
                    dst[x] = premultiply(255, p[0], p[1], p[2]);
                }
            }
        }
        jpeg_finish_decompress(&cinfo);
        result = ErrorCode::None;
    }
    jpeg_destroy_decompress(&cinfo);
    delete line;
    return result;
}

}  // namespace

void decodeJpeg(std::span<const uint8_t> jpeg, const ImageBudget& budget, Bitmap& out) {
    out.source = BitmapSource::Jpeg;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
    ErrorCode rc = jpeg.size() < 4 ? ErrorCode::ImageDecodeFailed : runLibjpeg(jpeg, budget, pixels, width, height);
    storeDecoded(rc, width, height, std::move(pixels), out);
}

}  // namespace swf
