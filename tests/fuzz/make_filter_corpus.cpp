// Writes the filter fuzzer's seeds into a folder: every filter kind with
// ordinary values and with values out of range, on placements and button
// records, and scaling grids on a sprite and a button.
#include "movie_writer.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace swfwriter;

namespace {

// The filter records the writer has no helper for, as the file lays them out.
std::vector<uint8_t> bevel(double blur, double strength, uint8_t passesAndFlags) {
    BitWriter w;
    w.rgba({0, 0, 0, 255}).rgba({255, 255, 255, 255}).fixed16(blur).fixed16(blur).fixed16(0.785).fixed16(4);
    w.fixed8(strength).u8(passesAndFlags);
    return w.data();
}

std::vector<uint8_t> gradient(double blur, uint8_t stops, uint8_t passesAndFlags) {
    BitWriter w;
    w.u8(stops);
    for (uint8_t i = 0; i < stops; ++i)
        w.rgba({uint8_t(i * 40), 0, 255, uint8_t(255 - i)});
    for (uint8_t i = 0; i < stops; ++i)
        w.u8(uint8_t(i * 255 / (stops > 1 ? stops - 1 : 1)));
    w.fixed16(blur).fixed16(blur).fixed16(-2.0).fixed16(-6).fixed8(1.5).u8(passesAndFlags);
    return w.data();
}

std::vector<uint8_t> convolution(uint8_t x, uint8_t y, float divisor, float cell) {
    BitWriter w;
    w.u8(x).u8(y).f32(divisor).f32(0.5f);
    for (int i = 0; i < x * y; ++i)
        w.f32(i % 2 ? cell : 1.0f);
    w.rgba({1, 2, 3, 4}).u8(0x03);
    return w.data();
}

void write(const std::string& path, const Filters& filters) {
    MovieWriter m({.version = 10, .compression = Compression::None});
    const uint16_t shape = m.rectangle(0, 0, 400, 400, {255, 0, 0});
    SpriteWriter s;
    s.place(shape, 1, {.filters = filters.bytes()});
    s.showFrame();
    const uint16_t clip = m.defineSprite(s);
    m.defineScalingGrid(clip, {100, 300, 100, 300});
    ButtonRecordSpec record;
    record.characterId = shape;
    record.filters = filters.bytes();
    const uint16_t button = m.defineButton2({record}, {});
    m.defineScalingGrid(button, {-50, 50, 390, 10});
    m.place(clip, 1, {.matrix = Matrix::scale(3, 0.5), .filters = filters.bytes(), .blendMode = 2});
    m.place(button, 2);
    m.showFrame();
    m.save(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<float> identity{1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    write(dir + "/ordinary.swf", Filters()
                                     .dropShadow({0, 0, 0, 128}, 4, 4, 0.785, 4, 1, false, false, 2)
                                     .blur(3, 5, 1)
                                     .glow({255, 0, 0, 255}, 6, 6, 2, 3)
                                     .raw(3, bevel(4, 1, 0x20 | 0x10 | 2))
                                     .raw(4, gradient(4, 3, 0x80 | 1))
                                     .raw(5, convolution(3, 3, 9, 1))
                                     .colorMatrix(identity)
                                     .raw(7, gradient(2, 2, 0x10 | 1)));
    std::vector<float> broken(identity);
    broken[0] = std::nanf("");
    broken[4] = 1e38f;
    write(dir + "/out_of_range.swf", Filters()
                                         .dropShadow({0, 0, 0, 255}, -5, 32767, 100, -30000, 127, true, true, 31)
                                         .blur(32767.99, -1, 0)
                                         .glow({0, 255, 0, 255}, 300, 0, -128, 31)
                                         .raw(3, bevel(-1, 127.9, 0xF0))
                                         .raw(4, gradient(1e4, 0, 0))
                                         .raw(5, convolution(15, 15, 0, std::nanf("")))
                                         .raw(5, convolution(0, 200, 1, 1))
                                         .colorMatrix(broken)
                                         .raw(7, gradient(-3, 255, 0x1F)));
    return 0;
}
