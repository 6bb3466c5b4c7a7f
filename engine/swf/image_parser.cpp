// Bitmap tags: DefineBits, DefineBitsJPEG2/3/4 and DefineBitsLossless 1/2.
#include "swf/image_decoder.h"
#include "swf/parse_context.h"
#include "swf/tag_codes.h"

namespace swf {

namespace {

ImageBudget budgetOf(ParseContext& ctx) {
    return [&ctx](uint64_t w, uint64_t h) { return ctx.reserveImage(w, h); };
}

// JPEG, PNG or GIF data of DefineBitsJPEG2/3/4 (or DefineBits with tables).
void decodeEmbedded(ParseContext& ctx, std::span<const uint8_t> data, std::span<const uint8_t> tables, Bitmap& out) {
    switch (sniffImageFormat(data)) {
    case ImageFormat::Png:
        decodePng(data, budgetOf(ctx), out);
        break;
    case ImageFormat::Gif:
        out.source = BitmapSource::Gif;
        out.error = ErrorCode::UnsupportedImage;
        break;
    case ImageFormat::Jpeg:
    case ImageFormat::Unknown: {
        std::vector<uint8_t> jpeg = joinJpegStreams(tables, data);
        decodeJpeg(jpeg, budgetOf(ctx), out);
        break;
    }
    }
}

}  // namespace

void parseDefineBits(ParseContext& ctx, BitReader& r, uint16_t code) {
    uint16_t id = r.u16();
    Bitmap bitmap;
    bitmap.source = BitmapSource::Jpeg;
    std::span<const uint8_t> data;
    std::span<const uint8_t> alpha;
    if (code == tag::DefineBitsJPEG3 || code == tag::DefineBitsJPEG4) {
        uint32_t alphaOffset = r.u32();
        if (code == tag::DefineBitsJPEG4)
            bitmap.deblocking = r.u16();
        data = r.bytes(alphaOffset);
        alpha = r.rest();
    } else {
        data = r.rest();
    }
    if (r.failed())
        return;
    if (ctx.options().decodeImages) {
        std::span<const uint8_t> tables;
        if (code == tag::DefineBits)
            tables = ctx.jpegTables;
        decodeEmbedded(ctx, data, tables, bitmap);
        // The alpha plane belongs to JPEG data only; PNG carries its own.
        if (bitmap.ok() && bitmap.source == BitmapSource::Jpeg && !alpha.empty())
            applyAlphaPlane(alpha, bitmap);
        if (bitmap.error != ErrorCode::None)
            ctx.problem(bitmap.error);
    }
    ctx.define(id, std::move(bitmap));
}

void parseDefineBitsLossless(ParseContext& ctx, BitReader& r, uint8_t losslessVersion) {
    uint16_t id = r.u16();
    uint8_t format = r.u8();
    uint16_t width = r.u16();
    uint16_t height = r.u16();
    uint32_t tableSize = format == 3 ? uint32_t(r.u8()) + 1 : 0;
    auto data = r.rest();
    if (r.failed())
        return;
    Bitmap bitmap;
    bitmap.source = losslessVersion == 2 ? BitmapSource::LosslessAlpha : BitmapSource::Lossless;
    if (ctx.options().decodeImages) {
        decodeLossless(format, width, height, tableSize, data, losslessVersion == 2, budgetOf(ctx), bitmap);
        if (bitmap.error != ErrorCode::None) {
            bitmap.width = bitmap.height = 0;
            bitmap.pixels.clear();
            ctx.problem(bitmap.error);
        }
    }
    ctx.define(id, std::move(bitmap));
}

}  // namespace swf
