#include "png_reader.h"

#include <png.h>

namespace moviehost::testing {

std::optional<Png> readPng(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    Png png;
    png.width = image.width;
    png.height = image.height;
    png.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return png;
}

}  // namespace moviehost::testing
