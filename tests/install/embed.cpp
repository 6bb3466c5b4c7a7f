// An application that embeds the installed package. It is built outside the
// tree and finds our control with no registry entry and no environment
// variable, opens the movie named on its command line and draws one frame.
// Exit 0 when the frame covers the whole bitmap and shows more than the bare
// background.
#include <moviehost/movie_loader.h>
#include <platform/gdi.h>
#include <platform/wide.h>

#include <algorithm>
#include <cstdint>

int main(int argc, char** argv) {
    constexpr LONG width = 64, height = 48;
    constexpr std::uint32_t untouched = 0x12345678;
    IMovieLoader* loader = GetMovieLoader();
    IMoviePlayer* player = argc == 2 ? loader->NewPlayer(width, height) : nullptr;
    if (player == nullptr)
        return 2;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + width * height, untouched);
    int status = 3;
    if (player->OpenMovie(platform::utf8_to_utf16(argv[1]).c_str())) {
        player->DrawDirtyRegion(dc);
        const COLORREF back = static_cast<COLORREF>(player->QueryBackColor());  // 0x00BBGGRR
        const std::uint32_t background = (back & 0xFF) << 16 | (back & 0xFF00) | (back >> 16 & 0xFF);
        const auto shows = [&](std::uint32_t pixel) { return (pixel & 0xFFFFFF) != background; };
        const bool covered = std::find(pixels, pixels + width * height, untouched) == pixels + width * height;
        status = covered && std::any_of(pixels, pixels + width * height, shows) ? 0 : 4;
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    loader->DeletePlayer(player);
    return status;
}
