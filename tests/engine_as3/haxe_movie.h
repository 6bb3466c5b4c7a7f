// Haxe test movies played by the ActionScript 3 player, alone or with their
// code in a timeline the movie writer makes; and the stage drawn to pixels.
#pragma once

#include "as3/player.h"

#include "recording_host.h"

#include "movie_writer.h"

#include "render/renderer.h"
#include "swf/movie.h"
#include "swf/timeline.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace as3test {

struct Played {
    std::unique_ptr<model::Stage> stage;
    RecordingHost host;
    std::unique_ptr<as3::Player> player;
};

// The compiled movie `name`; with `timeline`, its code (DoABC and the
// document class) goes first in the root frame of a 200x100 movie the
// function fills with what the test places. Null when it cannot be read.
[[nodiscard]] inline std::unique_ptr<Played> playHaxe(
    [[maybe_unused]] const std::string& name,
    [[maybe_unused]] const std::function<void(swfwriter::MovieWriter&)>& timeline = nullptr) {
    auto played = std::make_unique<Played>();
#ifdef AS3_HAXE_MOVIES
    auto code = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/" + name + ".swf");
    if (!code)
        return nullptr;
    std::shared_ptr<const swf::Movie> movie = *code;
    if (timeline) {
        swfwriter::MovieWriter w({.width = 200, .height = 100, .frameRate = 30});
        std::string document;
        for (const swf::ControlTag& tag : (*code)->root.frames.at(0).tags) {
            if (const auto* block = std::get_if<swf::DoAbc>(&tag)) {
                std::vector<uint8_t> body(4 + block->name.size());
                body[0] = uint8_t(block->flags);
                std::copy(block->name.begin(), block->name.end(), body.begin() + 4);
                body.push_back(0);
                body.insert(body.end(), block->abc.begin(), block->abc.end());
                w.tag(82, body);
            } else if (const auto* symbols = std::get_if<swf::SymbolClass>(&tag)) {
                for (const auto& [id, symbol] : symbols->symbols)
                    if (id == 0)
                        document = symbol;
            }
        }
        const std::string table = std::string("\x01\x00\x00\x00", 4) + document + std::string(1, '\0');
        w.tag(76, std::vector<uint8_t>(table.begin(), table.end()));
        timeline(w);
        w.showFrame();
        auto written = swf::parseMovie(w.finish());
        if (!written)
            return nullptr;
        movie = *written;
    }
    played->stage = model::Stage::create(movie);
    played->player = as3::Player::create(*played->stage, played->host,
                                         u"file:///" + std::u16string(name.begin(), name.end()) + u".swf", {});
    played->player->start();
#endif
    return played;
}

// The stage drawn at its own size, 0xRRGGBB per pixel, rows top down.
class Picture {
public:
    explicit Picture(const model::Stage& stage)
        : m_width(int32_t(stage.widthTwips() / 20)), m_pixels(size_t(m_width * (stage.heightTwips() / 20))) {
        const int32_t height = int32_t(stage.heightTwips() / 20);
        render::Target target{reinterpret_cast<uint8_t*>(m_pixels.data()),
                              m_width,
                              height,
                              m_width * 4,
                              render::RowOrder::TopDown,
                              {{0, 0, m_width, height}},
                              {0, 0, m_width, height}};
        render::Renderer renderer;
        m_error = renderer.draw(stage, target, render::Aspect::Opaque, render::Quality::High);
    }
    [[nodiscard]] uint32_t rgb(int32_t x, int32_t y) const { return m_pixels[size_t(y * m_width + x)] & 0xFFFFFF; }
    [[nodiscard]] bool drawn() const { return m_error == render::DrawError{}; }
    // Pixels in [left, right) x [top, bottom) darker than mid grey.
    [[nodiscard]] int dark(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
        int n = 0;
        for (int32_t y = top; y < bottom; ++y) {
            for (int32_t x = left; x < right; ++x) {
                const uint32_t c = rgb(x, y);
                n += ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) < 384 ? 1 : 0;
            }
        }
        return n;
    }

private:
    int32_t m_width;
    std::vector<uint32_t> m_pixels;
    render::DrawError m_error{};
};

}  // namespace as3test
