#pragma once
// PNG files read back through libpng, for checking what moviecapture wrote.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace moviehost::testing {

struct Png {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::vector<std::uint8_t> rgba;
};

// Read through libpng as 8-bit RGBA; nullopt when the file is no PNG.
[[nodiscard]] std::optional<Png> readPng(const std::filesystem::path& path);

}  // namespace moviehost::testing
