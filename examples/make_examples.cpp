// Writes the example movies into a folder (default: the current one):
//   moving_gradient.swf  640 x 480, 30 fps: gradient shapes moving under a still title bar
//   sprite_animation.swf 320 x 240, 24 fps: one twelve-frame sprite placed three times
//   bitmap.swf           320 x 240, 20 fps: a lossless bitmap, still and turning
//   morph.swf            320 x 240, 24 fps: a red circle morphing into a blue square and back
//   button.swf           320 x 240, 24 fps: a button whose every click turns a square by 30 degrees
//   sound.swf            320 x 240, 25 fps: a ball bouncing to a streamed tune, a click at each bounce
//   video.swf            320 x 240, 12 fps: an embedded Sorenson H.263 video (a ball rolling over
//                        colour bands), encoded by the ffmpeg program, which has no VP6 encoder
// The output is the same, byte for byte, on every run.
#include "movie_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

using namespace swfwriter;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int32_t kTwips = 20;

Matrix rotation(double degrees, double scale, int32_t x, int32_t y) {
    const double r = degrees * Pi / 180.0;
    return {scale * std::cos(r), scale * std::sin(r), -scale * std::sin(r), scale * std::cos(r), x, y};
}

// A still gold bar across the top and a dark background whose bottom-left
// corner nothing ever covers: the end-to-end test reads both.
void movingGradient(const std::filesystem::path& folder) {
    MovieWriter movie({.version = 8, .width = 640, .height = 480, .frameRate = 30});
    movie.background({24, 28, 40});
    const uint16_t bar = movie.rectangle(0, 0, 640 * kTwips, 40 * kTwips, {230, 180, 40});
    // Centred on their origin so that they turn about their middle.
    const uint16_t band = movie.gradientRectangle(-80 * kTwips, -60 * kTwips, 160 * kTwips, 120 * kTwips,
                                                  {{0, {220, 30, 40}}, {255, {250, 230, 60}}});
    ShapeBuilder disc;
    disc.setFill1(disc.addFill(
                      FillStyle::radial(FillStyle::gradientBox(-60 * kTwips, -60 * kTwips, 120 * kTwips, 120 * kTwips),
                                        {{0, {255, 255, 255}}, {160, {60, 140, 230}}, {255, {20, 40, 120}}})))
        .circle(0, 0, 60 * kTwips);
    const uint16_t discId = movie.defineShape(disc);

    constexpr int kFrames = 60;
    for (int f = 0; f < kFrames; ++f) {
        const double t = double(f) / (kFrames - 1);
        const Matrix bandAt = rotation(t * 90.0, 1.0, int32_t((120 + 400 * t) * kTwips), 160 * kTwips);
        const Matrix discAt =
            Matrix::translate(int32_t((520 - 400 * t) * kTwips), int32_t((330 + 60 * std::sin(t * 2 * Pi)) * kTwips));
        if (f == 0) {
            movie.place(band, 1, {.matrix = bandAt});
            movie.place(discId, 2, {.matrix = discAt});
            movie.place(bar, 3);
        } else {
            movie.modify(1, {.move = true, .matrix = bandAt});
            movie.modify(2, {.move = true, .matrix = discAt});
        }
        movie.showFrame();
    }
    movie.save((folder / "moving_gradient.swf").string());
}

void spriteAnimation(const std::filesystem::path& folder) {
    MovieWriter movie({.version = 8, .width = 320, .height = 240, .frameRate = 24});
    movie.background({250, 248, 240});
    const uint16_t bar = movie.rectangle(-40 * kTwips, -8 * kTwips, 80 * kTwips, 16 * kTwips, {40, 120, 200});
    const uint16_t hub = movie.circle(0, 0, 10 * kTwips, {30, 30, 30});
    SpriteWriter spinner(8);
    for (int f = 0; f < 12; ++f) {
        const Matrix turned = rotation(f * 30.0, 1.0, 0, 0);
        if (f == 0) {
            spinner.place(bar, 1, {.matrix = turned});
            spinner.place(hub, 2);
        } else {
            spinner.modify(1, {.move = true, .matrix = turned});
        }
        spinner.showFrame();
    }
    const uint16_t spinnerId = movie.defineSprite(spinner);
    movie.place(spinnerId, 1, {.matrix = Matrix::translate(160 * kTwips, 120 * kTwips), .name = "middle"});
    movie.place(spinnerId, 2,
                {.matrix = Matrix::scale(0.6, 0.6, 60 * kTwips, 120 * kTwips),
                 .cxform = CxForm{.rMult = 256, .gMult = 128, .bMult = 64, .rAdd = 80},
                 .name = "left"});
    movie.place(spinnerId, 3,
                {.matrix = Matrix::scale(0.6, 0.6, 260 * kTwips, 120 * kTwips),
                 .cxform = CxForm{.aMult = 160},
                 .name = "right"});
    movie.showFrame();
    movie.save((folder / "sprite_animation.swf").string());
}

// 64 x 64: a colour ramp with a checker laid over it.
Image rampImage() {
    Image image = Image::filled(64, 64, 0, 0, 0);
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
            const auto shade = [&](uint32_t v) { return uint8_t(dark ? v / 2 : v); };
            image.set(x, y, shade(x * 4), shade(y * 4), shade(255 - x * 2));
        }
    }
    return image;
}

void bitmapMovie(const std::filesystem::path& folder) {
    MovieWriter movie({.version = 8, .width = 320, .height = 240, .frameRate = 20});
    movie.background({255, 255, 255});
    const uint16_t bitmap = movie.defineBitsLossless(rampImage(), false);
    const uint16_t still = movie.bitmapRectangle(bitmap, 64, 64);
    const uint16_t centred = movie.bitmapRectangle(bitmap, 64, 64, -32 * kTwips, -32 * kTwips);
    constexpr int kFrames = 40;
    for (int f = 0; f < kFrames; ++f) {
        const Matrix turned = rotation(f * 9.0, 1.5, 230 * kTwips, 120 * kTwips);
        if (f == 0) {
            movie.place(still, 1, {.matrix = Matrix::scale(2.0, 2.0, 20 * kTwips, 56 * kTwips)});
            movie.place(centred, 2, {.matrix = turned});
        } else {
            movie.modify(2, {.move = true, .matrix = turned});
        }
        movie.showFrame();
    }
    movie.save((folder / "bitmap.swf").string());
}

void morphMovie(const std::filesystem::path& folder) {
    MovieWriter movie({.version = 8, .width = 320, .height = 240, .frameRate = 24});
    movie.background({240, 240, 240});
    constexpr int32_t r = 80 * kTwips;
    MorphShapeSpec spec;
    MorphFill fill;
    fill.startColor = {220, 40, 40, 255};
    fill.endColor = {40, 60, 220, 255};
    spec.fills = {fill};
    MorphLine outline;
    outline.startWidth = 2 * kTwips;
    outline.endWidth = 6 * kTwips;
    outline.startColor = {60, 0, 0, 255};
    outline.endColor = {0, 0, 60, 255};
    spec.lines = {outline};
    spec.start.setFill1(1).setLine(1).circle(0, 0, r);
    // The same eight curved edges, laid along a square's sides.
    const int32_t corners[8][2] = {{r, r}, {0, r}, {-r, r}, {-r, 0}, {-r, -r}, {0, -r}, {r, -r}, {r, 0}};
    spec.end.moveTo(r, 0);
    int32_t x = r;
    int32_t y = 0;
    for (const auto& corner : corners) {
        spec.end.curveTo((x + corner[0]) / 2, (y + corner[1]) / 2, corner[0], corner[1]);
        x = corner[0];
        y = corner[1];
    }
    const uint16_t morph = movie.defineMorphShape(spec);
    constexpr int kHalf = 24;
    for (int f = 0; f < 2 * kHalf; ++f) {
        const int step = f < kHalf ? f : 2 * kHalf - 1 - f;
        const auto ratio = uint16_t(step * 65535 / (kHalf - 1));
        if (f == 0)
            movie.place(morph, 1, {.matrix = Matrix::translate(160 * kTwips, 120 * kTwips), .ratio = ratio});
        else
            movie.modify(1, {.move = true, .ratio = ratio});
        movie.showFrame();
    }
    movie.save((folder / "morph.swf").string());
}

// Stopped on its one frame: only a click changes the picture. The button's
// release runs `box._rotation = box._rotation + 30`; over and down states
// lighten and darken it.
void buttonMovie(const std::filesystem::path& folder) {
    MovieWriter movie({.version = 8, .width = 320, .height = 240, .frameRate = 24});
    movie.background({245, 245, 240});
    const uint16_t square = movie.rectangle(-40 * kTwips, -40 * kTwips, 80 * kTwips, 80 * kTwips, {200, 60, 50});
    SpriteWriter box(1);
    box.place(square, 1);
    box.showFrame();
    const uint16_t boxId = movie.defineSprite(box);

    const auto face = [&](Color c) { return movie.rectangle(0, 0, 120 * kTwips, 40 * kTwips, c); };
    const uint16_t up = face({40, 110, 200});
    const uint16_t over = face({90, 150, 230});
    const uint16_t down = face({20, 60, 130});
    Actions turn;
    turn.push({"box"}).getVariable().push({"_rotation"});
    turn.push({"box"}).getVariable().push({"_rotation"}).getMember().push({30}).add2();
    turn.setMember();
    const uint16_t button =
        movie.defineButton2({{.over = false, .down = false, .characterId = up, .depth = 1},
                             {.up = false, .down = false, .hit = false, .characterId = over, .depth = 2},
                             {.up = false, .over = false, .hit = false, .characterId = down, .depth = 3}},
                            {{.actions = turn.bytes()}});

    movie.place(boxId, 1, {.matrix = Matrix::translate(160 * kTwips, 90 * kTwips), .name = "box"});
    movie.place(button, 2, {.matrix = Matrix::translate(100 * kTwips, 180 * kTwips)});
    Actions stop;
    stop.stop();
    movie.doAction(stop);
    movie.showFrame();
    movie.save((folder / "button.swf").string());
}

// Mono 16-bit little-endian samples of a sine at `hz` for `count` samples at
// `rate`, with a short fade in and out and a linear decay when `decay`.
std::vector<uint8_t> tone(double hz, uint32_t count, uint32_t rate, double level, bool decay) {
    std::vector<uint8_t> out;
    out.reserve(size_t(count) * 2);
    for (uint32_t i = 0; i < count; ++i) {
        const double fade = std::min({1.0, i / 200.0, (count - i) / 200.0});
        const double shape = decay ? 1.0 - double(i) / count : 1.0;
        const auto v = int16_t(std::lround(level * 32767 * fade * shape * std::sin(2 * Pi * hz * i / rate)));
        out.push_back(uint8_t(uint16_t(v)));
        out.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return out;
}

// A tune of four notes in the root's stream sound (11,025 Hz: 441 samples a
// frame at 25 fps) and a click sound started on each bounce of the ball.
void soundMovie(const std::filesystem::path& folder) {
    MovieWriter movie({.version = 8, .width = 320, .height = 240, .frameRate = 25});
    movie.background({236, 244, 250});
    const uint16_t ball = movie.circle(0, 0, 16 * kTwips, {220, 60, 40});
    const uint16_t floor = movie.rectangle(0, 220 * kTwips, 320 * kTwips, 20 * kTwips, {60, 70, 80});
    constexpr uint32_t Rate = 11025;
    constexpr uint32_t PerFrame = 441;
    const SoundFormatSpec mono16{.codec = 3, .rateCode = 1, .sixteenBit = true, .stereo = false};
    const uint16_t click = movie.defineSound(mono16, Rate / 20, tone(880, Rate / 20, Rate, 0.6, true));
    movie.soundStreamHead(mono16, uint16_t(PerFrame));
    const double notes[] = {392.0, 523.25, 659.25, 523.25};  // G4 C5 E5 C5, half a second each
    std::vector<uint8_t> tune;
    for (double hz : notes) {
        const auto note = tone(hz, Rate / 2, Rate, 0.3, false);
        tune.insert(tune.end(), note.begin(), note.end());
    }
    constexpr int Frames = 50;
    // Four half seconds of 11,025 Hz fall two samples short of 50 frames:
    // the stream ends in silence rather than past the tune.
    tune.resize(size_t(Frames) * PerFrame * 2, 0);
    movie.place(floor, 1);
    for (int f = 0; f < Frames; ++f) {
        // Two bounces a cycle: the ball is down on frames 12 and 37.
        const double phase = std::fabs(std::sin(Pi * (f + 13) / 25.0));
        const auto y = int32_t((204 - 150 * phase) * kTwips);
        const Matrix at = Matrix::translate(160 * kTwips, y);
        if (f == 0)
            movie.place(ball, 2, {.matrix = at});
        else
            movie.modify(2, {.move = true, .matrix = at});
        if (f == 12 || f == 37)
            movie.startSound(click);
        const auto from = tune.begin() + std::ptrdiff_t(f) * PerFrame * 2;
        movie.soundStreamBlock(std::vector<uint8_t>(from, from + PerFrame * 2));
        movie.showFrame();
    }
    movie.save((folder / "sound.swf").string());
}

// Raw RGB pictures of a ball rolling over colour bands, frame by frame.
std::vector<uint8_t> rollingBall(int width, int height, int frames) {
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(width) * size_t(height) * 3 * size_t(frames));
    for (int f = 0; f < frames; ++f) {
        const double cx = 20 + (width - 40) * f / double(frames - 1);
        const double cy = height * 0.6;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool ball = (x - cx) * (x - cx) + (y - cy) * (y - cy) < 18.0 * 18.0;
                const int band = (x + f * 2) / 20 % 4;
                const uint8_t bands[4][3] = {{40, 90, 160}, {60, 140, 90}, {200, 170, 60}, {170, 70, 90}};
                const uint8_t* c = ball ? nullptr : bands[band];
                rgb.push_back(ball ? 240 : c[0]);
                rgb.push_back(ball ? 240 : c[1]);
                rgb.push_back(ball ? 230 : c[2]);
            }
        }
    }
    return rgb;
}

// The video tags' payloads of an FLV file (the codec byte dropped), in order.
std::vector<std::vector<uint8_t>> flvVideoPackets(const std::vector<uint8_t>& flv) {
    std::vector<std::vector<uint8_t>> packets;
    if (flv.size() < 13 || flv[0] != 'F' || flv[1] != 'L' || flv[2] != 'V')
        throw std::runtime_error("ffmpeg wrote no FLV");
    size_t at = size_t(flv[5]) << 24 | size_t(flv[6]) << 16 | size_t(flv[7]) << 8 | flv[8];
    at += 4;  // the first previous-tag size
    while (at + 11 <= flv.size()) {
        const uint8_t type = flv[at];
        const size_t size = size_t(flv[at + 1]) << 16 | size_t(flv[at + 2]) << 8 | flv[at + 3];
        const size_t body = at + 11;
        if (body + size > flv.size())
            break;
        if (type == 9 && size > 1)
            packets.emplace_back(flv.begin() + std::ptrdiff_t(body + 1), flv.begin() + std::ptrdiff_t(body + size));
        at = body + size + 4;
    }
    return packets;
}

// Sorenson H.263 from the ffmpeg program (bit-exact mode, one thread, so the
// same ffmpeg writes the same bytes), shown twice its size over the stage.
void videoMovie(const std::filesystem::path& folder) {
    constexpr int Width = 160;
    constexpr int Height = 120;
    constexpr int Frames = 36;
    // Per process: the example check may run while someone writes the examples.
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("make_examples_video_" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    const auto raw = (scratch / "ball.rgb").string();
    const auto flv = (scratch / "ball.flv").string();
    {
        const auto pictures = rollingBall(Width, Height, Frames);
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(pictures.data()), std::streamsize(pictures.size()));
    }
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt rgb24 -s 160x120 -r 12 -i '" + raw +
        "' -c:v flv1 -g 12 -q:v 3 -threads 1 -flags +bitexact -fflags +bitexact '" + flv + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("the ffmpeg program could not encode the example video");
    std::ifstream in(flv, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto packets = flvVideoPackets(file);
    std::filesystem::remove_all(scratch);
    if (packets.size() != size_t(Frames))
        throw std::runtime_error("the example video has " + std::to_string(packets.size()) + " frames");

    MovieWriter movie({.version = 8, .width = 320, .height = 240, .frameRate = 12});
    movie.background({20, 20, 24});
    const uint16_t stream = movie.defineVideoStream(uint16_t(Frames), Width, Height, 2, 0, true);
    for (int f = 0; f < Frames; ++f) {
        movie.videoFrame(stream, uint16_t(f), packets[size_t(f)]);
        if (f == 0)
            movie.place(stream, 1, {.matrix = Matrix{2.0, 0.0, 0.0, 2.0, 0, 0}, .ratio = 0});
        else
            movie.modify(1, {.move = true, .ratio = uint16_t(f)});
        movie.showFrame();
    }
    movie.save((folder / "video.swf").string());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
        std::filesystem::create_directories(folder);
        movingGradient(folder);
        spriteAnimation(folder);
        bitmapMovie(folder);
        morphMovie(folder);
        buttonMovie(folder);
        soundMovie(folder);
        videoMovie(folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_examples: %s\n", e.what());
        return 1;
    }
    return 0;
}
