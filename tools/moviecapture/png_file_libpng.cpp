// PNG files through libpng.
#include "png_file.h"

#include <png.h>

namespace moviecapture {

std::optional<std::string> writePngFile(const std::filesystem::path& path, const moviehost::client::Frame& frame) {
    // The simplified API keeps libpng's setjmp error handling away from C++
    // objects, and removes the file itself when writing fails.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(frame.width());
    image.height = static_cast<png_uint_32>(frame.height());
    image.format = PNG_FORMAT_RGBA;
    // Captures are written as fast as frames arrive; size matters less.
    image.flags = PNG_IMAGE_FLAG_FAST;
    const bool written = png_image_write_to_file(&image, path.c_str(), 0, frame.bytes().data(), 0, nullptr) != 0;
    std::optional<std::string> failure;
    if (!written)
        failure = image.message[0] != '\0' ? std::string(image.message) : std::string("unknown libpng error");
    png_image_free(&image);
    return failure;
}

}  // namespace moviecapture
